#include "CPasswordDlg.h"

#include "ReadoutTables.h"
#include "ui_CPasswordDlg.h"

namespace q417 {

CPasswordDlg::CPasswordDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CPasswordDlg>()) {
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

CPasswordDlg::~CPasswordDlg() = default;

int CPasswordDlg::exec() {
    ui_->passwordEdit->setText(QString::fromLatin1(kPasswordInitialText));
    // OK is the first stop, so Enter at once refuses the initial text.
    ui_->okButton->setFocus();
    return QDialog::exec();
}

void CPasswordDlg::accept() {
    enteredText = ui_->passwordEdit->text();
    accepted = CalibrationPasswordAccepted(enteredText.toLatin1().toStdString()) ? 1 : 0;
    QDialog::accept();
}

}  // namespace q417
