#include "CPageSetupDlg.h"

#include <QLocale>
#include <QSignalBlocker>

#include "CInitReadoutDlg.h"
#include "CPasswordDlg.h"
#include "CReadoutLink.h"
#include "ComboChoice.h"
#include "ComboEnterFilter.h"
#include "HostMessage.h"
#include "LocalClock.h"
#include "NumberExchange.h"
#include "ReadOnlyFields.h"
#include "ReadoutTables.h"
#include "SettingsChange.h"
#include "ui_CPageSetupDlg.h"

namespace q417 {

namespace {

constexpr int kRefreshMs = 1000;

// The entry of a code, or none when the code lies outside the list.
void Select(QComboBox& combo, int code) {
    combo.setCurrentIndex(code >= 0 && code < combo.count() ? code : -1);
}

LocalDateTime PickerDateTime(const QDate& date, const QTime& time) {
    return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

QString LocalText(std::int64_t clock) {
    const LocalDateTime l = SplitLocal(clock).local;
    return QString::asprintf("%.4d/%.2d/%.2d %.2d:%.2d:%.2d", l.year, l.month, l.day, l.hour,
                             l.minute, l.second);
}

}  // namespace

CPageSetupDlg::CPageSetupDlg(const ReadoutContext& context, QWidget* parent)
    : QWidget(parent),
      context_(context),
      initializeDialog_(std::make_unique<CInitReadoutDlg>(context, this)),
      passwordDialog_(std::make_unique<CPasswordDlg>(this)),
      ui_(std::make_unique<Ui::CPageSetupDlg>()),
      requester_(context.dispatcher, this, [this](const LinkEvent& event) {
          if (const auto* result = event.As<link_event::JobResult>()) {
              OnWriteResult(result->result);
          }
      }) {
    ui_->setupUi(this);
    MarkReadOnlyFields(*this);
    ComboEnterFilter::InstallOn(*this);
    // The pickers show the date in words and the time to the second, as the readout keeps it.
    ui_->datePicker->setDisplayFormat(QLocale().dateFormat(QLocale::LongFormat));
    ui_->timePicker->setDisplayFormat(QStringLiteral("HH:mm:ss"));

    connect(ui_->datePicker, &QDateTimeEdit::dateChanged, this, &CPageSetupDlg::OnPickerEdited);
    connect(ui_->timePicker, &QDateTimeEdit::timeChanged, this, &CPageSetupDlg::OnPickerEdited);
    connect(ui_->useComputerTime, &QCheckBox::clicked, this,
            &CPageSetupDlg::OnUseComputerTimeClicked);
    connect(ui_->advancedButton, &QPushButton::clicked, this, &CPageSetupDlg::OpenAdvanced);
    connect(ui_->updateButton, &QPushButton::clicked, this, &CPageSetupDlg::UpdateReadout);
    refreshTimer_.setInterval(kRefreshMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &CPageSetupDlg::RefreshClock);
    connect(initializeDialog_.get(), &CInitReadoutDlg::readoutWritten, this,
            &CPageSetupDlg::readoutWritten);
}

CPageSetupDlg::~CPageSetupDlg() {
    refreshTimer_.stop();
    // A write still queued or running reports to nobody once the page is gone.
    requester_.Withdraw();
}

void CPageSetupDlg::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!initialized_) {
        initialized_ = true;
        InitPage();
        refreshTimer_.start();
    }
}

void CPageSetupDlg::InitPage() {
    clockEdited_ = false;
    RefreshClock();
    const ReadoutSettings link = context_.link.Settings();
    digitsValue_ = link.displayDigits;
    FillCombo(*ui_->unitsCombo, kUnitNames);
    Select(*ui_->unitsCombo, link.displayUnits);
    Select(*ui_->contrastCombo, link.lcdContrast / kContrastStep);
    FillCombo(*ui_->powerDownCombo, kPowerDownTexts);
    Select(*ui_->powerDownCombo, link.powerDown);
    ui_->digitsEdit->setText(IntText(digitsValue_));
    ui_->displayOnTimeEdit->setText(FloatText(link.displayOnTime));
    ui_->backlightTimeEdit->setText(FloatText(link.backlightTime));
    ui_->sleepTimeEdit->setText(FloatText(link.sleepTime));
    ui_->batteryLifeEdit->setText(FloatText(link.batteryLifeRemaining));
}

void CPageSetupDlg::RefreshClock() {
    if (clockEdited_) {
        return;
    }
    const std::int64_t now = CalendarNow(context_);
    ShowClock(ui_->useComputerTime->isChecked() ? now
                                                : context_.link.Settings().ReadoutClockAt(now));
}

void CPageSetupDlg::ShowClock(std::int64_t clock) {
    shownClock_ = clock;
    const LocalDateTime local = SplitLocal(clock).local;
    // Only the user's changes count as edits.
    const QSignalBlocker dateBlocker(ui_->datePicker);
    const QSignalBlocker timeBlocker(ui_->timePicker);
    ui_->datePicker->setDate(QDate(local.year, local.month, local.day));
    ui_->timePicker->setTime(QTime(local.hour, local.minute, local.second));
}

void CPageSetupDlg::OnPickerEdited() {
    clockEdited_ = true;
    ui_->useComputerTime->setChecked(false);
}

void CPageSetupDlg::OnUseComputerTimeClicked(bool checked) {
    if (checked) {
        clockEdited_ = false;
    }
}

void CPageSetupDlg::UpdateReadout() {
    // A field without an integer has been refused already; the previous value goes on.
    if (const std::optional<int> digits = ReadIntField(*ui_->digitsEdit)) {
        digitsValue_ = *digits;
    }
    const ReadoutSettings link = context_.link.Settings();
    SettingsChange change;
    const auto refused = [this](const std::optional<std::string>& refusal, QWidget& control) {
        return ShowRefusal(this, refusal, control);
    };
    // Only what differs from the link's values is checked and written. A combo box standing on
    // no entry of its list (typed text, a code the list lacks) writes nothing for its value.
    if (digitsValue_ != link.displayDigits &&
        refused(change.SetDisplayDigits(digitsValue_), *ui_->digitsEdit)) {
        return;
    }
    if (const int units = ChosenEntry(*ui_->unitsCombo);
        units >= 0 && units != link.displayUnits &&
        refused(change.SetDisplayUnits(units), *ui_->unitsCombo)) {
        return;
    }
    if (const int powerDown = ChosenEntry(*ui_->powerDownCombo);
        powerDown >= 0 && powerDown != link.powerDown &&
        refused(change.SetPowerDown(powerDown), *ui_->powerDownCombo)) {
        return;
    }
    // The control is disabled and the write stores no contrast, but a level between two entries
    // still makes the update a write that reports "Readout updated".
    if (const int contrast = ChosenEntry(*ui_->contrastCombo);
        contrast >= 0 && contrast * kContrastStep != link.lcdContrast &&
        refused(change.SetLcdContrast(contrast * kContrastStep), *ui_->contrastCombo)) {
        return;
    }
    if (clockEdited_ || ui_->useComputerTime->isChecked()) {
        const ClockToWrite clock =
            ClockFromPickers({PickerDateTime(ui_->datePicker->date(), ui_->timePicker->time()),
                              shownClock_, clockEdited_});
        if (refused(change.SetClock(clock.clock), *ui_->datePicker)) {
            return;
        }
        if (clock.kind == LocalTimeKind::Skipped &&
            !AskHostYesNo(this,
                          QStringLiteral("The time chosen does not occur on this computer: its "
                                         "clock skips that hour for daylight saving.\nSet the "
                                         "readout clock to %1?")
                              .arg(LocalText(clock.clock)))) {
            ui_->timePicker->setFocus();
            return;
        }
    }
    if (!change.Empty()) {
        // Refused without a trace while the link is busy with another job.
        (void)context_.link.SubmitSettingsWrite(requester_.Id(), change);
    }
}

void CPageSetupDlg::OnWriteResult(int code) {
    const QString text = QString::fromLatin1(ResultMessage(code).c_str());
    BoxIcon icon = BoxIcon::Exclamation;
    if (code <= 0) {
        icon = BoxIcon::Default;  // none asked for, so "Readout updated" has the exclamation
        clockEdited_ = false;     // the pickers follow the clock again
    }
    ShowHostMessage(this, text, icon);
    Q_EMIT readoutWritten();
    SelectFromLink();
}

void CPageSetupDlg::SelectFromLink() {
    // What the readout holds now: the values written before a failure, the old ones after.
    const ReadoutSettings link = context_.link.Settings();
    digitsValue_ = link.displayDigits;  // the field keeps the text the user typed
    Select(*ui_->unitsCombo, link.displayUnits);
    Select(*ui_->powerDownCombo, link.powerDown);
}

void CPageSetupDlg::OpenAdvanced() {
    passwordDialog_->accepted = 0;
    passwordDialog_->exec();
    if (passwordDialog_->accepted != 0) {
        initializeDialog_->exec();
    } else {
        ShowHostMessage(this, QStringLiteral("Password invalid. Access Denied."), BoxIcon::Default);
    }
}

}  // namespace q417
