#pragma once

#include <optional>

#include "LinkEvent.h"
#include "UploadReport.h"

namespace q417 {

enum class JobKind { Download, Upload, SettingsWrite, BatteryReset, Capture, ClockSync };

enum class JobPhase {
    Submitted,    // the job slot took it; nothing of it heard yet
    Running,      // a transfer's records are going over the line
    Recovering,   // a transfer step gave up ("Comm error"): the link is looking for the readout
    Finished,     // carried out; the kind's result says how
    Interrupted,  // the link left it undone; Interruption() says why
};

enum class JobInterruption {
    None,
    StartedOver,  // the link gave up on the readout and is connecting afresh
    PortLost,     // the port did not open again
    NewReadout,   // another readout answered in the middle of it
    Left,         // an upload the link left for another job, or at Stop
};

// What one submitted job has come to, from the link's events: the one reading of a download,
// an upload, a settings write, a battery reset, a capture and a clock sync that every front end
// shares. Feed it every event the front end receives, in order, from the submission on; events
// for other requesters are passed over. Qt-free, no I/O, single-threaded.
class JobTracker {
  public:
    JobTracker(JobKind kind, RequesterId requester) : kind_(kind), requester_(requester) {}

    void Observe(const LinkEvent& event);
    // The link was stopped: an upload it cut short is reported here (it posts nothing then).
    void Stopped(const std::optional<UploadReport>& stoppedUpload);

    [[nodiscard]] JobKind Kind() const { return kind_; }
    [[nodiscard]] JobPhase Phase() const { return phase_; }
    [[nodiscard]] bool Ended() const {
        return phase_ == JobPhase::Finished || phase_ == JobPhase::Interrupted;
    }
    [[nodiscard]] JobInterruption Interruption() const { return interruption_; }
    // Records of a transfer done, of Records(); 0 of 0 before its first step.
    [[nodiscard]] int RecordsDone() const { return recordsDone_; }
    [[nodiscard]] int Records() const { return records_; }
    // An upload's report, once it ended.
    [[nodiscard]] const std::optional<UploadReport>& Report() const { return report_; }
    // A finished upload: the link has since read the readout afresh, as it does after each one.
    [[nodiscard]] bool ReadBack() const { return readBack_; }
    // A settings write's or battery reset's kResult* code, once finished.
    [[nodiscard]] int Result() const { return result_; }
    // A finished capture: whether the readout sent both signals.
    [[nodiscard]] bool Captured() const { return captured_; }
    // A finished clock sync: whether the readout's clock now holds the PC's time.
    [[nodiscard]] bool ClockSet() const { return clockSet_; }

  private:
    [[nodiscard]] bool IsTransfer() const {
        return kind_ == JobKind::Download || kind_ == JobKind::Upload;
    }
    [[nodiscard]] Transfer OwnTransfer() const {
        return kind_ == JobKind::Upload ? Transfer::Upload : Transfer::Download;
    }
    void OnStatus(LinkStatus status);
    void OnUploadEnded(const UploadReport& report);
    void Interrupt(JobInterruption why);

    JobKind kind_;
    RequesterId requester_;
    JobPhase phase_ = JobPhase::Submitted;
    JobInterruption interruption_ = JobInterruption::None;
    // What an upload's transfer met before its report came: the reason the report is for.
    JobInterruption seenDuringUpload_ = JobInterruption::None;
    int recordsDone_ = 0;
    int records_ = 0;
    std::optional<UploadReport> report_;
    bool readBack_ = false;
    int result_ = 0;
    bool captured_ = false;
    bool clockSet_ = false;
};

}  // namespace q417
