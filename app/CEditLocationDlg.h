#pragma once
// SCAFFOLD: replaced by the dialogs branch.
#include <QDialog>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QDialogButtonBox>
namespace q417 {
class CEditLocationDlg : public QDialog {
  public:
    explicit CEditLocationDlg(QWidget* parent = nullptr) : QDialog(parent) {
        auto* l = new QVBoxLayout(this);
        site_ = new QLineEdit(this); site_->setReadOnly(true);
        loc_ = new QLineEdit(this); loc_->setMaxLength(20);
        l->addWidget(site_); l->addWidget(loc_);
        auto* b = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        l->addWidget(b);
        connect(b, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(b, &QDialogButtonBox::rejected, this, &QDialog::reject);
    }
    int exec() override { site_->setText(siteText); loc_->setText(locationText); return QDialog::exec(); }
    void accept() override { siteText = site_->text(); locationText = loc_->text(); QDialog::accept(); }
    QString siteText, locationText;
  private:
    QLineEdit* site_; QLineEdit* loc_;
};
}
