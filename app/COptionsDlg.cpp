#include "COptionsDlg.h"

#include "ui_COptionsDlg.h"

namespace q417 {

COptionsDlg::COptionsDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::COptionsDlg>()) {
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

COptionsDlg::~COptionsDlg() = default;

int COptionsDlg::exec() {
    LoadFromMembers();
    // Kept between openings: without this it would open where the last one was left.
    ui_->autoOpenBox->setFocus(Qt::OtherFocusReason);
    return QDialog::exec();
}

void COptionsDlg::LoadFromMembers() {
    ui_->autoOpenBox->setChecked(autoOpenCheck != 0);
    ui_->autoSyncBox->setChecked(autoSyncCheck != 0);
    ui_->autoAppendBox->setChecked(autoAppendCheck != 0);
}

void COptionsDlg::accept() {
    autoOpenCheck = ui_->autoOpenBox->isChecked() ? 1 : 0;
    autoSyncCheck = ui_->autoSyncBox->isChecked() ? 1 : 0;
    autoAppendCheck = ui_->autoAppendBox->isChecked() ? 1 : 0;
    QDialog::accept();
}

}  // namespace q417
