#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class CEditLocationDlg;
}

namespace q417 {

class SiteTextValidator;

// Names a site of the site list: shows its ID (read-only) and edits its location.
class CEditLocationDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CEditLocationDlg(QWidget* parent = nullptr);
    ~CEditLocationDlg() override;

    QString siteText;
    QString locationText;

    // Puts the texts into the fields, then runs the dialog.
    int exec() override;
    // Reads both fields back, then closes with OK.
    void accept() override;

    void LoadFromMembers();

  private:
    std::unique_ptr<Ui::CEditLocationDlg> ui_;
    SiteTextValidator* locationValidator_;  // owned by the dialog
};

}  // namespace q417
