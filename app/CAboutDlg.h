#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CAboutDlg;
}

namespace q417 {

class CHyperLink;

// "About Q417 Host": the version, our notices and the web address as a link.
class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    [[nodiscard]] CHyperLink& Link();

  private:
    std::unique_ptr<Ui::CAboutDlg> ui_;
};

// The year of our notice line.
inline constexpr int kCopyrightYear = 2026;

}  // namespace q417
