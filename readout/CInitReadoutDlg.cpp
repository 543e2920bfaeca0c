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
#include "ReadoutTables.h"
#include "SettingsChange.h"
#include "ui_CInitReadoutDlg.h"

namespace q417 {

CInitReadoutDlg::CInitReadoutDlg(const ReadoutContext& context, QWidget* parent)
    : QDialog(parent),
      context_(context),
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
    const ReadoutSettings live = context_.link.Settings();
    SettingsChange change;
    // Only what differs from the link's values is checked and written.
    const auto refused = [this](const std::optional<std::string>& refusal, QWidget& field) {
        return ShowRefusal(this, refusal, field);
    };
    // A character beyond ASCII becomes bytes from 0x80 up, which the check refuses; toLatin1
    // would make "?" of one beyond Latin-1, and write it.
    const QString serial = ui_->serialEdit->text();
    if (serial != QString::fromLatin1(live.serialNumber) &&
        refused(change.SetSerialNumber(serial.toUtf8().toStdString()), *ui_->serialEdit)) {
        return;
    }
    // A field still showing the readout's value stands for that value itself: the six digits
    // shown must not overwrite a calibration constant's seventh on an unrelated update. The
    // numbers are compared as the 32-bit floats the readout holds, exactly.
    const auto asRead = [](const QLineEdit& field, float typed, float held) {
        return field.text() == FloatText(held) ? held : typed;
    };
    if (const float value = asRead(*ui_->multiplierEdit, *multiplier, live.multiplier);
        value != live.multiplier && refused(change.SetMultiplier(value), *ui_->multiplierEdit)) {
        return;
    }
    if (const float value = asRead(*ui_->offsetEdit, *offset, live.offset);
        value != live.offset && refused(change.SetOffset(value), *ui_->offsetEdit)) {
        return;
    }
    if (const float value = asRead(*ui_->zeroEdit, *zero, live.zero);
        value != live.zero && refused(change.SetZero(value), *ui_->zeroEdit)) {
        return;
    }
    // Typed text counts only when it is an entry exactly; with none named the calibration units
    // are left as they are.
    if (const int units = ChosenEntry(*ui_->unitsCombo);
        units >= 0 && units != live.calUnits &&
        refused(change.SetCalUnits(units), *ui_->unitsCombo)) {
        return;
    }
    if (ui_->initializeCheck->isChecked()) {
        change.SetInitialize();
    }
    if (!change.Empty()) {
        // Dropped without notice while the link is busy; the dialog stays as it is.
        context_.link.SubmitSettingsWrite(requester_.Id(), change);
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
    Q_EMIT readoutWritten();
}

}  // namespace q417
