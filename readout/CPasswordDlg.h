#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class CPasswordDlg;
}

namespace q417 {

// "Password Protect": guards the Initialize Readout dialog. It tells nothing itself; the Setup
// page reads `accepted` after the run and reports a refusal.
class CPasswordDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CPasswordDlg(QWidget* parent = nullptr);
    ~CPasswordDlg() override;

    // Puts the initial text into the field again, then runs the dialog.
    int exec() override;
    // OK: accepted when the field holds the password exactly.
    void accept() override;

    QString enteredText;
    int accepted = 0;  // cleared by the Setup page before each run

  private:
    std::unique_ptr<Ui::CPasswordDlg> ui_;
};

// Placed into the field at every opening; it is not the password.
inline constexpr const char* kPasswordInitialText = "qvzk";

}  // namespace q417
