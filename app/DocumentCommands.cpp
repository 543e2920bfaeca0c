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
#include "LinkEvent.h"
#include "LinkJob.h"
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
        recordsRead_.emplace(JobKind::Download, view_.Requester());
        view_.ClaimNextDownload([this] {
            recordsRead_.reset();
            UploadAfterRecordsRead();
        });
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
    upload_.emplace(JobKind::Upload, view_.Requester());
    return true;
}

void DocumentCommands::ReportUploadEnd() {
    const JobTracker ended = *std::exchange(upload_, std::nullopt);
    if (ended.Phase() == JobPhase::Interrupted && ended.Report()) {
        user_.ShowMessage(ended.Report()->InterruptedText(ReportForm::Sentences),
                          MessageIcon::Exclamation);
    }
}

void DocumentCommands::EndUploadBeforeClosing() {
    if (!UploadRunning()) {
        return;
    }
    link_.Stop();
    // What the worker posted before it stopped comes first: the upload may have ended already.
    dispatcher_.DeliverPosted();
    if (!UploadRunning()) {
        return;
    }
    upload_->Stopped(link_.StoppedUpload());
    if (upload_->Ended()) {
        ReportUploadEnd();
    } else {
        upload_.reset();  // the link never took the job: nothing was written
    }
}

void DocumentCommands::OnLinkEvent(const LinkEvent& event) {
    if (recordsRead_ && view_.DownloadClaimed()) {
        recordsRead_->Observe(event);
        // The link starting over, a lost port or another readout end the read without them.
        if (recordsRead_->Phase() == JobPhase::Interrupted) {
            recordsRead_.reset();
            view_.ClaimNextDownload({});
            user_.ShowMessage(kRecordsNotReadUploadMessage, MessageIcon::Exclamation);
        }
    }
    if (UploadRunning()) {
        upload_->Observe(event);
        if (upload_->Ended()) {
            ReportUploadEnd();
        }
    }
}

}  // namespace q417
