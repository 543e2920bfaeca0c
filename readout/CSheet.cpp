#include "CSheet.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimerEvent>
#include <QVBoxLayout>

#include "CPageDataDlg.h"
#include "CPageSetupDlg.h"
#include "CPageStatusDlg.h"
#include "CReadoutLink.h"

namespace q417 {

namespace {

constexpr int kSuperviseMs = 1000;
// The pages' size in dialog units: a quarter of the font's average character width across, an
// eighth of its height down, so the pages grow with the font.
constexpr int kPageWidthDu = 228;
constexpr int kPageHeightDu = 206;

QSize PageSize(const QWidget& widget) {
    const QFontMetrics metrics = widget.fontMetrics();
    return {kPageWidthDu * metrics.averageCharWidth() / 4, kPageHeightDu * metrics.height() / 8};
}

}  // namespace

CSheet::CSheet(const QString& caption, const ReadoutContext& context, bool withData,
               QWidget* parent)
    : QDialog(parent),
      context_(context),
      tabs_(new QTabWidget(this)),
      statusPage_(new CPageStatusDlg(context)),
      setupPage_(new CPageSetupDlg(context)),
      closeButton_(new QPushButton(QStringLiteral("Cl&ose"), this)) {
    setWindowTitle(caption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
    if (withData) {
        dataPage_ = new CPageDataDlg(context);
        tabs_->addTab(dataPage_, QStringLiteral("Site Data"));
    }
    tabs_->addTab(statusPage_, QStringLiteral("Status"));
    tabs_->addTab(setupPage_, QStringLiteral("Setup"));
    tabs_->setCurrentWidget(statusPage_);
    for (int i = 0; i < tabs_->count(); ++i) {
        tabs_->widget(i)->setMinimumSize(PageSize(*this));
    }
    connect(setupPage_, &CPageSetupDlg::readoutWritten, statusPage_, &CPageStatusDlg::MarkStale);
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        if (tabs_->widget(index) == statusPage_) {
            statusPage_->OnSetActive();
        }
    });

    // One button, where a property sheet has Apply. Nothing is sent to the readout on closing.
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(closeButton_, QDialogButtonBox::AcceptRole);
    closeButton_->setObjectName(QStringLiteral("closeButton"));
    // The sheet's OK, renamed: Enter in a page closes the sheet, as it would with OK.
    closeButton_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

CSheet::~CSheet() = default;

void CSheet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    timer_.start(kSuperviseMs, this);
}

void CSheet::hideEvent(QHideEvent* event) {
    timer_.stop();
    QDialog::hideEvent(event);
}

void CSheet::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_.timerId()) {
        SuperviseLink();
        return;
    }
    QDialog::timerEvent(event);
}

void CSheet::SuperviseLink() {
    if (context_.link.Settings().connected != 0) {
        return;
    }
    // The Initialize Readout dialog, and whatever runs above it (the Calibration dialog, a
    // box), run inside handlers of this sheet: they end first, or this sheet's own modal loop
    // could not return. Posted, as close requests are.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(window);
        if (dialog != nullptr && dialog != this && dialog->isVisible() && Owns(*dialog)) {
            QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
        }
    }
    timer_.stop();
    done(QDialog::Rejected);
}

bool CSheet::Owns(const QWidget& window) const {
    for (const QWidget* owner = window.parentWidget(); owner != nullptr;
         owner = owner->parentWidget()) {
        if (owner == this) {
            return true;
        }
    }
    return false;
}

}  // namespace q417
