#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include "Clock.h"
#include "DetachableSink.h"
#include "LinkEvent.h"
#include "LinkJob.h"
#include "LinkShared.h"
#include "ReadoutSettings.h"
#include "SerialLine.h"
#include "SettingsChange.h"
#include "UploadReport.h"

namespace q417 {

// The communication engine: one worker thread that runs the link's state machine over the
// serial line, a one-entry job slot, and the live ReadoutSettings with the record image.
//
// Start, Stop and the submissions are called on the window thread. The worker reports only
// through the sink given to Start; after Stop has returned the sink is never called again.
// Nothing here blocks on the serial line: Stop ends the worker within one wait slice of any
// exchange, so it returns well inside half a second.
class CReadoutLink {
  public:
    // line and clock must outlive the link; the worker is their only user while it runs.
    CReadoutLink(SerialLine& line, Clock& clock);
    virtual ~CReadoutLink();

    CReadoutLink(const CReadoutLink&) = delete;
    CReadoutLink& operator=(const CReadoutLink&) = delete;

    // Starts the worker, which reports to sink (nothing when already running).
    void Start(LinkSink& sink);
    // Ends the worker and releases the record image (nothing when not running).
    void Stop();
    [[nodiscard]] bool Running() const { return running_.load(); }

    // Queues a job for requester; dropped while another job is pending or the link is stopped.
    // Returns whether the job slot took it. JOB_UPLOAD needs its records: use SubmitUpload.
    bool SubmitJob(int code, RequesterId requester);
    // A settings write of change's values, the job holding its own copy; dropped as SubmitJob
    // drops jobs. Returns whether the job slot took it. A clock to the PC's time is not part of
    // the write: JOB_SYNC_CLOCK after it sets it.
    bool SubmitSettingsWrite(RequesterId requester, const SettingsChange& change);
    // JOB_UPLOAD of plan, which the job carries; dropped as SubmitJob drops jobs. Returns
    // whether the job slot took it.
    bool SubmitUpload(RequesterId requester, UploadPlan plan);
    // True from a submission the slot took until the worker has acted on the job.
    [[nodiscard]] bool JobPending() const { return shared_.jobs.Busy(); }

    // A consistent copy of the live settings.
    [[nodiscard]] ReadoutSettings Settings() const { return shared_.settings.Snapshot(); }
    // The live settings, which the document reads when it merges a download.
    [[nodiscard]] SharedSettings& LiveSettings() { return shared_.settings; }
    // Why the port last failed to open; nothing while it is open or before the first try.
    [[nodiscard]] PortOpenFailure PortFailure() const { return shared_.portFailure.Get(); }
    // The upload that the last Stop cut short (never finished); nothing when none was running.
    // Its requester hears of it only here, since nothing is posted after Stop.
    [[nodiscard]] std::optional<UploadReport> StoppedUpload() const {
        return shared_.stoppedUpload.Get();
    }

    // Set by the port dialog before it submits JOB_OPEN_PORT or JOB_CHANGE_BAUD.
    void SetPortNumber(int portNumber) { shared_.portNumber.store(portNumber); }
    [[nodiscard]] int PortNumber() const { return shared_.portNumber.load(); }
    void SetDesiredBaud(int baud) { shared_.desiredBaud.store(baud); }
    [[nodiscard]] int DesiredBaud() const { return shared_.desiredBaud.load(); }

    // From the worker's next turn on, its state changes go to trace as well, until StopTrace.
    // The bytes are traced by the line (TracingLine). Both may be called while the link runs;
    // trace must outlive the link.
    void StartTrace(LineTrace& trace) { shared_.trace.store(&trace); }
    void StopTrace() { shared_.trace.store(nullptr); }

  private:
    void Run();

    SerialLine& line_;
    Clock& clock_;
    LinkShared shared_;
    DetachableSink sink_;
    std::atomic<bool> running_{false};
    std::thread worker_;  // window thread only: started by Start, joined by Stop
};

}  // namespace q417
