#include "LinkWorker.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "ReadoutClockLimit.h"

namespace q417 {
namespace {

constexpr int kFailuresBeforeGivingUp = 3;  // the fourth failure in a row gives up
constexpr int kIdlePausesBetweenPolls = 10;

// Pauses in ms, and countdowns in steps of kCountdownStepMs.
constexpr std::int64_t kAfterPortOpenPauseMs = 500;
constexpr std::int64_t kReadInfoRetryPauseMs = 1000;
constexpr std::int64_t kCommErrorPauseMs = 500;
constexpr std::int64_t kIdlePauseMs = 500;
constexpr std::int64_t kBeforePollPauseMs = 500;
constexpr std::int64_t kNewReadoutPauseMs = 2000;
constexpr std::int64_t kRecoverRetryPauseMs = 1000;
constexpr std::int64_t kCountdownStepMs = 100;
constexpr int kPortRetryCountdown = 15;
constexpr int kProbeRateWakeCountdown = 5;
constexpr int kWakeRetryCountdown = 10;

// The trace's name of a state: LINK_IDLE is "IDLE".
std::string StateName(LinkState state) {
    switch (state) {
        case LINK_RESET:
            return "RESET";
        case LINK_OPEN_PORT:
            return "OPEN_PORT";
        case LINK_CONNECTING:
            return "CONNECTING";
        case LINK_READ_INFO:
            return "READ_INFO";
        case LINK_DOWNLOAD:
            return "DOWNLOAD";
        case LINK_UPLOAD:
            return "UPLOAD";
        case LINK_IDLE:
            return "IDLE";
        case LINK_NEW_READOUT:
            return "NEW_READOUT";
        case LINK_DISCONNECT:
            return "DISCONNECT";
        case LINK_RECOVER:
            return "RECOVER";
        case LINK_STOP:
            return "STOP";
    }
    return std::to_string(static_cast<int>(state));
}

}  // namespace

bool ReadoutAwake(LinkState state) {
    switch (state) {
        case LINK_RESET:
        case LINK_OPEN_PORT:
        case LINK_CONNECTING:
            return false;
        case LINK_READ_INFO:
        case LINK_DOWNLOAD:
        case LINK_UPLOAD:
        case LINK_IDLE:
        case LINK_NEW_READOUT:
        case LINK_DISCONNECT:
        case LINK_RECOVER:
        case LINK_STOP:
            return true;
    }
    return true;  // a stray value starts over, but past the connection
}

LinkWorker::LinkWorker(LinkShared& shared, SerialLine& line, Clock& clock, LinkSink& sink)
    : shared_(shared),
      clock_(clock),
      sink_(sink),
      transport_(line, clock),
      commands_(transport_),
      memoryMap_(commands_, clock) {}

bool LinkWorker::Turn() {
    if (stopped_) {
        return false;
    }
    // The port dialog changes these before it submits its job; read them fresh every turn.
    transport_.SetPortNumber(shared_.portNumber.load());
    transport_.SetDesiredBaud(shared_.desiredBaud.load());

    if (shared_.stopRequest.load()) {
        state_ = LINK_STOP;
    } else if (const auto job = shared_.jobs.Pending()) {
        TakeJob(*job);
        shared_.jobs.Finish();
    }

    const LinkState thisState = state_;
    switch (state_) {
        case LINK_RESET:
            OnReset();
            break;
        case LINK_OPEN_PORT:
            OnOpenPort();
            break;
        case LINK_CONNECTING:
            OnConnecting();
            break;
        case LINK_READ_INFO:
            OnReadInfo();
            break;
        case LINK_DOWNLOAD:
            OnDownload();
            break;
        case LINK_UPLOAD:
            OnUpload();
            break;
        case LINK_IDLE:
            OnIdle();
            break;
        case LINK_NEW_READOUT:
            OnNewReadout();
            break;
        case LINK_DISCONNECT:
            OnDisconnect();
            break;
        case LINK_RECOVER:
            OnRecover();
            break;
        case LINK_STOP:
            next_ = LINK_STOP;
            TraceStates(thisState);  // the stop shows in a trace before the port closes
            OnStop();
            return false;
        default:  // 6 and any stray value start over
            next_ = LINK_RESET;
            break;
    }
    PublishPortFailure();
    stateChanged_ = next_ != thisState;
    TraceStates(thisState);
    state_ = next_;
    return true;
}

void LinkWorker::TraceStates(LinkState thisState) {
    LineTrace* trace = shared_.trace.load();
    // Also while no trace runs, so that one started later shows only the changes it saw.
    for (const LinkState state : {thisState, next_}) {
        if (state != tracedState_ && trace != nullptr) {
            trace->Event('=', StateName(tracedState_) + " -> " + StateName(state));
        }
        tracedState_ = state;
    }
}

void LinkWorker::PublishPortFailure() {
    const PortOpenFailure& failure = transport_.LastOpenFailure();
    if (!(failure == publishedPortFailure_)) {
        publishedPortFailure_ = failure;
        shared_.portFailure.Set(failure);
    }
}

void LinkWorker::TakeJob(const LinkJob& job) {
    failures_ = 0;
    idlePolls_ = 0;
    countdown_ = 0;
    switch (job.code) {
        case JOB_OPEN_PORT:
        case JOB_OPEN_PORT_AND_BAUD:
            EndUpload(false);  // another port: the readout being written is left as it is
            state_ = next_ = LINK_OPEN_PORT;
            stateChanged_ = true;
            break;
        case JOB_CHANGE_BAUD:
            // Only an awake readout can change its rate now; otherwise the next wake-up uses it.
            if (ReadoutAwake(state_)) {
                if (!transport_.ProbeFlag()) {
                    shared_.desiredBaud.store(transport_.CurrentBaud());
                    transport_.SetDesiredBaud(transport_.CurrentBaud());
                } else {
                    transport_.SwitchBaud();
                }
                Broadcast(link_event::ReadoutWoken{});
            }
            break;
        case JOB_WRITE_SETTINGS: {
            const int result = memoryMap_.WriteSettings(job.request, job.flags, shared_.settings);
            if (result != kResultDone) {
                // The failed step may have been carried out in part (a serial number half
                // written) or in full without its answer: the windows are to show what the
                // readout holds, not what was asked for or what it held before.
                memoryMap_.RereadInformation(shared_.settings, (job.flags & SET_CLOCK) != 0);
            }
            Post(job.requester, link_event::JobResult{result});
            break;
        }
        case JOB_UPLOAD:
            TakeUpload(job.upload, job.requester);
            state_ = next_ = LINK_UPLOAD;
            stateChanged_ = true;
            break;
        case JOB_RECONNECT:
            state_ = next_ = LINK_RESET;
            stateChanged_ = true;
            break;
        case JOB_CAPTURE: {
            std::string temperature;
            std::string pressure;
            const bool captured = commands_.CaptureCalibration(temperature, pressure);
            if (captured) {
                shared_.settings.Update([&](ReadoutSettings& s) {
                    s.calTemperatureText = temperature;
                    s.calPressureText = pressure;
                });
            }
            Post(job.requester, link_event::CaptureResult{captured});
            break;
        }
        case JOB_RESET_BATTERY: {
            const int result = commands_.ResetBatteryStats() ? kResultDone : kResultInitialize;
            Post(job.requester, link_event::JobResult{result});
            break;
        }
        case JOB_DOWNLOAD:
            // Only a readout whose information is read can be downloaded: its record count says
            // what to read. A job that raced the readout's loss finds nothing to download, and
            // must not report an empty or stale download as complete.
            if (shared_.settings.Snapshot().connected != 1) {
                break;
            }
            // The current handler still runs this turn; in the idle state it skips its pause.
            EndUpload(false);
            downloadBlock_ = 0;
            downloadBegun_ = false;
            transferFailed_ = false;
            if (state_ == LINK_RECOVER) {
                // The readout still counts as connected, so a window may ask for this now. The
                // recovery goes on and leads to the download once the readout answers; had it
                // led back to where it came from, nobody would ever hear of the job.
                resumeState_ = LINK_DOWNLOAD;
            } else {
                next_ = LINK_DOWNLOAD;
            }
            break;
        case JOB_SYNC_CLOCK:
            Post(job.requester, link_event::ClockSynced{SyncClock()});
            break;
        default:
            break;
    }
}

void LinkWorker::TakeUpload(const UploadPlan& plan, RequesterId requester) {
    EndUpload(false);  // one still underway is replaced, not finished
    uploadBlock_ = 0;
    uploadBegun_ = false;
    uploadFileNameWritten_ = false;
    transferFailed_ = false;
    upload_ = plan;
    uploadRequester_ = requester;
    upload_.recordCount = std::clamp(plan.recordCount, 0, kRecordCapacity);
    if (!upload_.records) {
        upload_.records = std::make_shared<const RecordImage>();  // the zeros a fresh image holds
    }
    // From now on the live settings show what is being written, as the readout will hold it.
    shared_.settings.Update([this](ReadoutSettings& s) {
        s.records = upload_.records;
        s.recordCount = upload_.recordCount;
        s.fileName = upload_.fileName;
        s.dataReady = 1;
    });
}

void LinkWorker::EndUpload(bool finished) {
    if (!UploadUnderway()) {
        return;
    }
    Post(uploadRequester_, link_event::UploadEnded{CurrentUploadReport(finished)});
    upload_ = {};
    uploadRequester_ = 0;
    uploadBlock_ = 0;
    uploadBegun_ = false;
    uploadFileNameWritten_ = false;
}

UploadReport LinkWorker::CurrentUploadReport(bool finished) const {
    return {finished, uploadBlock_ / kBlocksPerRecord, upload_.recordCount, uploadFileNameWritten_};
}

void LinkWorker::PortLost() {
    if (!readoutOffered_) {
        return;
    }
    // Without a port, not even adding readout data or reconnecting can reach a readout.
    MarkDisconnected(true);
}

bool LinkWorker::SyncClock() {
    // "Auto sync date time" promises the readout the PC's time; only an awake readout can take it.
    if (!ReadoutAwake(state_) || shared_.settings.Snapshot().connected == 0) {
        return false;
    }
    const std::int64_t now = clock_.CalendarSeconds();
    // A PC clock past the last settable year would leave the readout a clock this program soon
    // could not read: the readout keeps its own.
    if (!ClockSettable(now)) {
        return false;
    }
    if (!commands_.SetClock(now)) {
        return false;
    }
    shared_.settings.Update([now](ReadoutSettings& s) {
        s.readoutClock = now;
        s.readTime = now;
        s.answered.clock = true;
    });
    return true;
}

void LinkWorker::OnReset() {
    identityChanged_ = 0;
    failures_ = 0;
    idlePolls_ = kIdlePausesBetweenPolls;
    EndUpload(false);  // an upload that did not finish is not resumed after a new connection
    downloadBlock_ = 0;
    uploadBlock_ = 0;
    uploadFileNameWritten_ = false;
    transferFailed_ = false;
    countdown_ = 0;
    next_ = LINK_CONNECTING;
}

void LinkWorker::OnOpenPort() {
    if (stateChanged_) {
        return;
    }
    if (countdown_ > 0) {
        CountdownStep();
        return;
    }
    if (transport_.OpenPortProbing()) {
        PublishPortFailure();
        Status(LinkDetail::PortOpen, LinkStatus::PortOpen);
        next_ = LINK_RESET;
        Pause(kAfterPortOpenPauseMs);
    } else {
        PortLost();
        PublishPortFailure();  // before the status, so that it can be shown with it
        Status(LinkDetail::PortNotOpen, LinkStatus::PortNotOpen);
        countdown_ = kPortRetryCountdown;  // the next attempt 1.5 s later
    }
}

void LinkWorker::OnConnecting() {
    if (stateChanged_) {
        Status(LinkDetail::Connecting, LinkStatus::Connecting);
        return;
    }
    if (countdown_ > 0) {
        if (countdown_ == 1) {
            Status(LinkDetail::Connecting);
        }
        CountdownStep();
        return;
    }
    if (transport_.WakeReadout(2)) {
        next_ = LINK_READ_INFO;
        Status(LinkDetail::Connected, LinkStatus::Connected);
        Broadcast(link_event::ReadoutWoken{});
        if (!transport_.ProbeFlag()) {
            shared_.desiredBaud.store(transport_.CurrentBaud());
            transport_.SetDesiredBaud(transport_.CurrentBaud());
        }
        transport_.SwitchBaud();
        Broadcast(link_event::ReadoutWoken{});
    } else if (transport_.ProbeFlag()) {
        transport_.OpenPortAt(
            ReadoutTransport::kProbeBaud);  // the readout may have fallen back to the probing rate
        countdown_ = kProbeRateWakeCountdown;
    } else {
        Status(LinkDetail::NotAwake);
        countdown_ = kWakeRetryCountdown;
    }
}

void LinkWorker::OnReadInfo() {
    Status(LinkDetail::ReadingInformation);
    if (countdown_ > 0) {
        CountdownStep();
        return;
    }
    if (memoryMap_.ReadInformation(shared_.settings)) {
        shared_.settings.Update([](ReadoutSettings& s) { s.connected = 1; });
        readoutOffered_ = true;
        next_ = LINK_IDLE;
        Broadcast(link_event::ReadoutReady{});
    } else if (failures_ < kFailuresBeforeGivingUp) {
        ++failures_;
        Status(LinkDetail::InformationRetry);
        Pause(kReadInfoRetryPauseMs);
    } else {
        failures_ = 0;
        next_ = LINK_RESET;
    }
}

void LinkWorker::TransferFailed(LinkState resumeState) {
    transferFailed_ = true;
    if (failures_ < kFailuresBeforeGivingUp) {
        ++failures_;  // the next turn tries the same records again
        return;
    }
    failures_ = 0;
    resumeState_ = resumeState;
    next_ = LINK_RECOVER;
    Status(LinkDetail::TransferCommError, LinkStatus::CommError);
    Pause(kCommErrorPauseMs);
}

bool LinkWorker::SameReadoutAfterFailure(LinkState resumeState) {
    if (!transferFailed_) {
        return true;
    }
    bool same = true;
    if (!memoryMap_.CheckSameReadout(same)) {
        if (resumeState == LINK_UPLOAD && failures_ >= kFailuresBeforeGivingUp) {
            // A readout that lost packets of a record write takes whatever comes as packets and
            // answers no question until the write is sent again. So the last try before
            // recovery is the write itself; the write after it is asked about again.
            return true;
        }
        TransferFailed(resumeState);
        return false;
    }
    if (!same) {
        identityChanged_ = 1;
        next_ = LINK_NEW_READOUT;
        return false;
    }
    transferFailed_ = false;
    return true;
}

void LinkWorker::OnDownload() {
    const int recordCount = std::min(shared_.settings.Snapshot().recordCount, kRecordCapacity);
    if (downloadBlock_ + 1 < kBlocksPerRecord * recordCount) {
        if (!std::exchange(downloadBegun_, true)) {
            Broadcast(link_event::TransferBegun{Transfer::Download, recordCount});
        }
        if (commands_.ReadRecords(downloadBlock_, 1, downloadImage_)) {
            shared_.settings.StoreRecords(downloadBlock_ / kBlocksPerRecord, 1, downloadImage_);
            downloadBlock_ += kBlocksPerRecord;
            Broadcast(link_event::Progress{Transfer::Download, downloadBlock_ / kBlocksPerRecord,
                                           recordCount});
        } else {
            TransferFailed(LINK_DOWNLOAD);
        }
        return;
    }
    // Records read before and after an outage may be of two readouts: not one of them is merged
    // unless the readout is still the one the download began with.
    if (!SameReadoutAfterFailure(LINK_DOWNLOAD)) {
        return;
    }
    shared_.settings.Update([](ReadoutSettings& s) { s.dataReady = 1; });
    Status(LinkDetail::Connected, LinkStatus::Connected);
    Broadcast(link_event::DownloadComplete{});
    next_ = LINK_IDLE;
}

void LinkWorker::OnUpload() {
    if (!upload_.records) {
        next_ = LINK_IDLE;  // only an upload job leads here, and it brings its records
        return;
    }
    // Another readout plugged in during an outage would take the rest of this one's sites.
    if (!SameReadoutAfterFailure(LINK_UPLOAD)) {
        return;
    }
    const int recordCount = upload_.recordCount;
    const int done = uploadBlock_ / kBlocksPerRecord;
    if (done < recordCount) {
        if (!std::exchange(uploadBegun_, true)) {
            Broadcast(link_event::TransferBegun{Transfer::Upload, recordCount});
        }
        const int n = std::min(kRecordsPerUploadStep, recordCount - done);
        if (commands_.WriteRecords(uploadBlock_, n, *upload_.records)) {
            uploadBlock_ += kBlocksPerRecord * n;
            Broadcast(link_event::Progress{Transfer::Upload, uploadBlock_ / kBlocksPerRecord,
                                           recordCount});
            failures_ = 0;
        } else {
            TransferFailed(LINK_UPLOAD);
        }
        return;
    }
    // The file name and the count are steps like the records: a readout that did not take one
    // is retried and recovered, never left with new records under the old count.
    if (!uploadFileNameWritten_) {
        if (!memoryMap_.WriteFileName(upload_.fileName, shared_.settings.Snapshot().infoSize)) {
            TransferFailed(LINK_UPLOAD);
            return;
        }
        uploadFileNameWritten_ = true;
    }
    if (!memoryMap_.WriteRecordCount(recordCount)) {
        TransferFailed(LINK_UPLOAD);
        return;
    }
    EndUpload(true);
    next_ = LINK_DISCONNECT;
}

void LinkWorker::OnIdle() {
    if (idlePolls_++ <= kIdlePausesBetweenPolls) {
        // A job submitted now ends the pause and is taken at the next turn; one taken at this
        // turn that leads on (a download) starts at the next turn without a pause.
        if (next_ == LINK_IDLE) {
            PauseUnlessJob(kIdlePauseMs);
        }
        return;
    }
    Status(LinkDetail::Polling);
    Pause(kBeforePollPauseMs);
    if (memoryMap_.CheckIdentity(shared_.settings.Snapshot().serialNumber, identityChanged_)) {
        Status(LinkDetail::PollAnswered);
        idlePolls_ = 0;
    } else if (failures_ < kFailuresBeforeGivingUp) {
        Status(LinkDetail::PollUnanswered);
        ++failures_;
    } else {
        Pause(kCommErrorPauseMs);
        failures_ = 0;
        resumeState_ = LINK_IDLE;
        next_ = LINK_RECOVER;
        Status(LinkDetail::IdleCommError, LinkStatus::CommError);
    }
}

void LinkWorker::OnNewReadout() {
    Status(LinkDetail::NewReadout, LinkStatus::NewReadout);
    EndUpload(false);  // the rest is not written to another readout
    Pause(kNewReadoutPauseMs);
    next_ = LINK_DISCONNECT;
}

void LinkWorker::OnDisconnect() {
    MarkDisconnected(false);
    next_ = LINK_RESET;
}

void LinkWorker::MarkDisconnected(bool portLost) {
    shared_.settings.Update([](ReadoutSettings& s) {
        s.connected = 0;
        s.dataReady = 0;
    });
    if (portLost) {
        readoutOffered_ = false;
    }
    Broadcast(link_event::ReadoutGone{portLost});
}

void LinkWorker::OnRecover() {
    if (transport_.WakeReadout(1) &&
        memoryMap_.CheckIdentity(shared_.settings.Snapshot().serialNumber, identityChanged_)) {
        next_ = identityChanged_ != 0 ? LINK_NEW_READOUT : resumeState_;
        return;
    }
    if (failures_ < kFailuresBeforeGivingUp) {
        ++failures_;
        Pause(kRecoverRetryPauseMs);
    } else {
        // The readout is gone (a pulled cable, a switched-off unit): say so before starting
        // over, so the windows no longer offer what needs it and the readout sheet closes.
        next_ = LINK_DISCONNECT;
    }
}

void LinkWorker::OnStop() {
    if (UploadUnderway()) {
        // The sink is detached by now: the link keeps the report for whoever stopped it.
        shared_.stoppedUpload.Set(CurrentUploadReport(false));
        upload_ = {};
    }
    transport_.ClosePort();
    stopped_ = true;
}

void LinkWorker::CountdownStep() {
    --countdown_;
    Pause(kCountdownStepMs);
}

void LinkWorker::Status(LinkDetail detail, LinkStatus status) {
    Broadcast(link_event::Status{status, detail});
}

void LinkWorker::Broadcast(LinkEventKind event) {
    sink_.Post(LinkEvent{0, std::move(event)});
}

void LinkWorker::Post(RequesterId requester, LinkEventKind event) {
    if (requester == 0) {
        return;  // nobody asked for this result
    }
    sink_.Post(LinkEvent{requester, std::move(event)});
}

}  // namespace q417
