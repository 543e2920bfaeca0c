#include "DocumentCommands.h"

#include <QApplication>

#include "CCalibrationDlg.h"
#include "CMainFrame.h"
#include "COptionsDlg.h"
#include "CPortDlg.h"
#include "CQ417HostDoc.h"
#include "CQ417HostView.h"
#include "CReadoutLink.h"
#include "CSheet.h"
#include "DocumentUser.h"
#include "HostSettings.h"
#include "LinkDispatcher.h"
#include "LinkJob.h"
#include "LinkSink.h"
#include "UiActivity.h"

namespace q417 {

DocumentCommands::DocumentCommands(const Context& context)
    : settings_(context.settings),
      link_(context.link),
      document_(context.document),
      frame_(context.frame),
      view_(context.view),
      user_(context.user),
      activity_(context.activity),
      devices_(context.devices),
      dispatcher_(context.dispatcher),
      calendarNow_(context.calendarNow) {}

ReadoutContext DocumentCommands::ReadoutWindows() const {
    return {link_, dispatcher_, calendarNow_};
}

DocumentCommands::~DocumentCommands() = default;

CPortDlg& DocumentCommands::PortDialog() {
    if (portDialog_ == nullptr) {
        portDialog_ = std::make_unique<CPortDlg>(devices_, &frame_);
    }
    return *portDialog_;
}

COptionsDlg& DocumentCommands::OptionsDialog() {
    if (optionsDialog_ == nullptr) {
        optionsDialog_ = std::make_unique<COptionsDlg>(&frame_);
    }
    return *optionsDialog_;
}

int DocumentCommands::Port() {
    CPortDlg& dialog = PortDialog();
    dialog.portIndex = settings_.portNum;
    dialog.baudRate = settings_.baudRate;
    UiActivity::Scope busy(activity_);
    if (dialog.exec() != QDialog::Accepted) {
        return 0;
    }
    return ApplyPortChoice(dialog.portIndex, dialog.baudRate);
}

int DocumentCommands::ApplyPortChoice(int portIndex, int baudRate) {
    int job = 0;
    if (portIndex != settings_.portNum) {
        settings_.portNum = portIndex;
        link_.SetPortNumber(portIndex);
        job = JOB_OPEN_PORT;
    }
    if (baudRate != settings_.baudRate) {
        settings_.baudRate = baudRate;
        link_.SetDesiredBaud(baudRate);
        job += JOB_CHANGE_BAUD;
    }
    if (job != 0) {
        link_.SubmitJob(job, 0);
    }
    return job;
}

void DocumentCommands::Options() {
    COptionsDlg& dialog = OptionsDialog();
    dialog.autoOpenCheck = settings_.autoOpen;
    dialog.autoSyncCheck = settings_.autoSync;
    UiActivity::Scope busy(activity_);
    if (dialog.exec() == QDialog::Accepted) {
        settings_.autoOpen = dialog.autoOpenCheck;
        settings_.autoSync = dialog.autoSyncCheck;
    }
}

void DocumentCommands::ReadoutStatus() {
    UiActivity::Scope busy(activity_);
    // The Site Data page only when the link holds a complete set of the readout's records.
    CSheet sheet(QStringLiteral("Readout Status"), ReadoutWindows(),
                 link_.Settings().dataReady != 0, &frame_);
    sheet.exec();
}

void DocumentCommands::Reconnect() {
    link_.SubmitJob(JOB_RECONNECT, 0);
}

void DocumentCommands::AddReadoutData() {
    link_.SubmitJob(JOB_DOWNLOAD, view_.Requester());
}

void DocumentCommands::Calibration() {
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr) {
        owner = &frame_;
    }
    UiActivity::Scope busy(activity_);
    CCalibrationDlg dialog(ReadoutWindows(), owner);
    dialog.exec();
}

bool DocumentCommands::UploadSiteInfo() {
    UiActivity::Scope busy(activity_);
    if (!document_.ConfirmUpload()) {
        return false;
    }
    const CommandFlags before = frame_.Flags();
    frame_.DisableCommands();
    const bool clearReadings = document_.AskClearReadings();
    if (!clearReadings && document_.ReadoutRecordsNeeded()) {
        // Records are written whole: their readings can be kept only as the readout holds them
        // now, so those are read first, and the upload follows when they are in.
        if (!link_.SubmitJob(JOB_DOWNLOAD, view_.Requester())) {
            frame_.RestoreFlags(before);
            user_.ShowMessage(kLinkBusyUploadMessage, MessageIcon::Exclamation);
            return false;
        }
        flagsBeforeUpload_ = before;
        view_.ClaimNextDownload([this] { UploadAfterRecordsRead(); });
        return true;
    }
    return SubmitUpload(document_.PrepareSiteUpload(clearReadings), before);
}

bool DocumentCommands::UploadAwaitingRecords() const {
    return view_.DownloadClaimed();
}

void DocumentCommands::UploadAfterRecordsRead() {
    UiActivity::Scope busy(activity_);
    frame_.DisableCommands();
    document_.ShowRenamedReadingsNotice();
    SubmitUpload(document_.PrepareSiteUpload(false), flagsBeforeUpload_);
}

bool DocumentCommands::SubmitUpload(std::optional<UploadPlan> plan, const CommandFlags& before) {
    if (!plan) {
        frame_.RestoreFlags(before);
        return false;
    }
    const UploadPlan submitted = *plan;  // shares its records with the job's copy
    if (!link_.SubmitUpload(view_.Requester(), std::move(*plan))) {
        frame_.RestoreFlags(before);
        user_.ShowMessage(kLinkBusyUploadMessage, MessageIcon::Exclamation);
        return false;
    }
    document_.UploadSubmitted(submitted);
    uploadRunning_ = true;
    return true;
}

void DocumentCommands::OnUploadEnd(const UploadReport& report) {
    if (!uploadRunning_) {
        return;  // said already (the window stopped the link itself)
    }
    uploadRunning_ = false;
    if (!report.finished) {
        user_.ShowMessage(report.InterruptedText(ReportForm::Sentences), MessageIcon::Exclamation);
    }
}

void DocumentCommands::EndUploadBeforeClosing() {
    if (!uploadRunning_) {
        return;
    }
    link_.Stop();
    // What the worker posted before it stopped comes first: the upload may have ended already.
    dispatcher_.DeliverPosted();
    if (!uploadRunning_) {
        return;
    }
    if (const std::optional<UploadReport> report = link_.StoppedUpload()) {
        OnUploadEnd(*report);
    } else {
        uploadRunning_ = false;  // the link never took the job: nothing was written
    }
}

void DocumentCommands::OnLinkStatus(std::int64_t code) {
    // The read that an upload waits for ends with "Connected" when all records are in; the
    // link starting over, a lost port or another readout end it without them.
    if (view_.DownloadClaimed() &&
        (code == STATUS_CONNECTING || code == STATUS_PORT_NOT_OPEN || code == STATUS_NEW_READOUT)) {
        view_.ClaimNextDownload({});
        user_.ShowMessage(kRecordsNotReadUploadMessage, MessageIcon::Exclamation);
    }
}

}  // namespace q417
