#include "CInitReadoutDlg.h"

#include <QPushButton>
#include <algorithm>

#include "CCalibrationDlg.h"
#include "CReadoutLink.h"
#include "ComboChoice.h"
#include "ComboEnterFilter.h"
#include "HostMessage.h"
#include "LinkJob.h"
#include "NumberExchange.h"
#include "ReadoutMemoryMap.h"
#include "ReadoutTables.h"
#include "ui_CInitReadoutDlg.h"

namespace q417 {

CInitReadoutDlg::CInitReadoutDlg(const ReadoutContext& context, int* statusNeedsRefresh,
                                 QWidget* parent)
    : QDialog(parent),
      context_(context),
      statusNeedsRefresh_(statusNeedsRefresh),
      ui_(std::make_unique<Ui::CInitReadoutDlg>()),
      requester_(context.dispatcher, this,
                 [this](const LinkEvent& event) { OnLinkResult(event); }) {
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ComboEnterFilter::InstallOn(*this);
    FillCombo(*ui_->unitsCombo, kUnitNames);
    // The buttons beside the fields get room around their text beyond the style's own margins:
    // drawn at a scale factor, text can come out a few pixels wider than it measures and would
    // touch the button's frame.
    for (QPushButton* button : {ui_->resetBatteryButton, ui_->calibrationButton}) {
        const QFontMetrics metrics(button->font());
        button->setMinimumWidth(
            std::max(button->sizeHint().width(),
                     metrics.horizontalAdvance(button->text()) + 4 * metrics.averageCharWidth()));
    }
    connect(ui_->updateButton, &QPushButton::clicked, this, &CInitReadoutDlg::UpdateReadout);
    connect(ui_->resetBatteryButton, &QPushButton::clicked, this, &CInitReadoutDlg::ResetBattery);
    connect(ui_->calibrationButton, &QPushButton::clicked, this, [this] {
        CCalibrationDlg calibration(context_, this);
        calibration.exec();
    });
}

CInitReadoutDlg::~CInitReadoutDlg() = default;

int CInitReadoutDlg::exec() {
    LoadFromLink();
    ui_->multiplierEdit->setFocus();
    ui_->multiplierEdit->selectAll();
    return QDialog::exec();
}

void CInitReadoutDlg::done(int result) {
    requester_.Withdraw();
    QDialog::done(result);
}

void CInitReadoutDlg::LoadFromLink() {
    const ReadoutSettings settings = context_.link.Settings();
    ui_->serialEdit->setText(QString::fromLatin1(settings.serialNumber));
    ui_->multiplierEdit->setText(FloatText(settings.multiplier));
    ui_->offsetEdit->setText(FloatText(settings.offset));
    ui_->zeroEdit->setText(FloatText(settings.zero));
    // A code outside the table leaves no entry selected.
    const int units = settings.calUnits < kUnitNames.size() ? settings.calUnits : -1;
    ui_->unitsCombo->setCurrentIndex(units);
    if (units < 0) {
        ui_->unitsCombo->setEditText(QString());
    }
    ui_->initializeCheck->setChecked(false);
    ui_->passwordEdit->clear();
}

void CInitReadoutDlg::UpdateReadout() {
    const std::optional<float> multiplier = ReadFloatField(*ui_->multiplierEdit);
    if (!multiplier) {
        return;
    }
    const std::optional<float> offset = ReadFloatField(*ui_->offsetEdit);
    if (!offset) {
        return;
    }
    const std::optional<float> zero = ReadFloatField(*ui_->zeroEdit);
    if (!zero) {
        return;
    }
    const std::string serial = ui_->serialEdit->text().toLatin1().toStdString();
    // A ninth character would put the text's zero on the information area's size.
    if (serial.size() > static_cast<std::size_t>(ReadoutMemoryMap::kMaxSerialLength)) {
        ShowHostMessage(this, QString::fromLatin1(kSerialTooLongMessage), BoxIcon::Stop);
        ui_->serialEdit->setFocus();
        return;
    }
    // The serial number becomes a field of every site and history line the host writes.
    if (serial.find(',') != std::string::npos) {
        ShowHostMessage(this, QString::fromLatin1(kSerialCommaMessage), BoxIcon::Stop);
        ui_->serialEdit->setFocus();
        return;
    }
    if (*multiplier == 0.0f) {
        ShowHostMessage(this, QString::fromLatin1(kInvalidMultiplierMessage), BoxIcon::Stop);
        ui_->multiplierEdit->setFocus();
        return;
    }
    // Typed text counts only when it is an entry exactly; the code written must be one.
    const int units = ChosenEntry(*ui_->unitsCombo);

    const ReadoutSettings live = context_.link.Settings();
    // A field still showing the readout's value stands for that value itself: the six digits
    // shown must not overwrite a calibration constant's seventh on an unrelated update.
    const auto asRead = [](const QLineEdit& field, float typed, float held) {
        return field.text() == FloatText(held) ? held : typed;
    };
    const float newMultiplier = asRead(*ui_->multiplierEdit, *multiplier, live.multiplier);
    const float newOffset = asRead(*ui_->offsetEdit, *offset, live.offset);
    const float newZero = asRead(*ui_->zeroEdit, *zero, live.zero);
    pendingSettings_.serialNumber = serial;
    pendingSettings_.multiplier = newMultiplier;
    pendingSettings_.offset = newOffset;
    pendingSettings_.zero = newZero;
    pendingSettings_.calUnits = static_cast<std::uint8_t>(units >= 0 ? units : live.calUnits);

    // The numbers as the 32-bit floats the readout holds, compared exactly.
    int flags = 0;
    if (ui_->initializeCheck->isChecked()) {
        flags |= SET_INITIALIZE;
    }
    if (serial != live.serialNumber) {
        flags |= SET_SERIAL_NUMBER;
    }
    if (newMultiplier != live.multiplier) {
        flags |= SET_MULTIPLIER;
    }
    if (newOffset != live.offset) {
        flags |= SET_OFFSET;
    }
    if (newZero != live.zero) {
        flags |= SET_ZERO;
    }
    // No entry named: the calibration units are left as they are.
    if (units >= 0 && units != live.calUnits) {
        flags |= SET_CAL_UNITS;
    }
    if (flags != 0) {
        // Dropped without notice while the link is busy; the dialog stays as it is.
        context_.link.SubmitSettingsWrite(requester_.Id(), pendingSettings_, flags);
    }
}

void CInitReadoutDlg::ResetBattery() {
    if (AskHostYesNo(this, QString::fromLatin1(kResetBatteryQuestion))) {
        context_.link.SubmitJob(JOB_RESET_BATTERY, requester_.Id());
    }
}

void CInitReadoutDlg::OnLinkResult(const LinkEvent& event) {
    const auto* result = event.As<link_event::JobResult>();
    if (result == nullptr) {
        return;
    }
    const int code = result->result;
    const QString text = QString::fromLatin1(ResultMessage(code));
    if (code > 0) {
        ShowHostMessage(this, text, BoxIcon::Exclamation);
    } else {
        ui_->initializeCheck->setChecked(false);
        // This one box is plain: success here is said without an icon.
        ShowHostMessage(this, text, BoxIcon::Plain);
    }
    LoadFromLink();
    if (statusNeedsRefresh_ != nullptr) {
        *statusNeedsRefresh_ = 1;
    }
}

}  // namespace q417
