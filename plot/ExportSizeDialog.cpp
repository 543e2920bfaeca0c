#include "ExportSizeDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include "PlotExport.h"

namespace q417 {

namespace {

QSpinBox* SideBox(int value, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(100, PlotExport::kMaxSide);
    box->setSingleStep(100);
    box->setValue(value);
    box->setSuffix(QStringLiteral(" px"));
    box->setAccelerated(true);
    return box;
}

}  // namespace

ExportSizeDialog::ExportSizeDialog(QSize size, QWidget* parent)
    : QDialog(parent), width_(SideBox(size.width(), this)), height_(SideBox(size.height(), this)) {
    setWindowTitle(QStringLiteral("Picture Size"));
    width_->setObjectName(QStringLiteral("widthBox"));
    height_->setObjectName(QStringLiteral("heightBox"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Width:"), width_);
    form->addRow(QStringLiteral("&Height:"), height_);
    auto* note = new QLabel(QStringLiteral("A PDF page is as many points as the picture has "
                                           "pixels."),
                            this);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
    setTabOrder(width_, height_);
    setTabOrder(height_, buttons);
    width_->setFocus();
    width_->selectAll();
}

QSize ExportSizeDialog::Size() const {
    return {width_->value(), height_->value()};
}

}  // namespace q417
