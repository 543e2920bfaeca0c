#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "CReadoutLink.h"
#include "Clock.h"
#include "JobTracker.h"
#include "QueuedSink.h"
#include "SerialLine.h"
#include "UploadPlan.h"
#include "UploadReport.h"

namespace q417::cli {

// How q417cli runs the link.
struct LinkOptions {
    int portNumber = 1;  // 0: disabled
    int desiredBaud = 115200;
    // How long a readout may take to answer, and a transfer to resume after "Comm error".
    std::int64_t timeoutMs = 20000;
    // Set when the user asked to stop (Ctrl-C); every wait ends on it. Nothing when none.
    const std::atomic<bool>* stopRequested = nullptr;
    // The line trace the link's state changes go to (--trace); nothing when none. It must
    // outlive the session.
    LineTrace* trace = nullptr;

    [[nodiscard]] bool StopRequested() const {
        return stopRequested != nullptr && stopRequested->load();
    }
};

// How a wait on the link ended.
enum class LinkOutcome {
    Done,
    PortNotOpen,    // the port did not open within the time-out, or cannot as things stand
    NoReadout,      // the port is open, but no readout woke up within the time-out
    NoInformation,  // a readout woke up, but its information area did not come in time
    NotTaken,       // the link's job slot did not take the job
    CommLost,       // a transfer fell into "Comm error" and did not resume in time
    NewReadout,     // another readout answered in the middle of the transfer
    Interrupted,    // the link left the upload before it was done: UploadEnd says how far it came
    NoResult,       // a job's result did not come within the time-out
    Stopped,        // the user asked to stop
};

// q417cli's front end of the readout link, as the window is another: it starts CReadoutLink on
// the line, takes the worker's events on the calling thread, submits the jobs the window submits
// and follows each with the JobTracker the window uses. The link's retries and recovery are the
// only ones: nothing here talks to the readout itself.
//
// The time-outs run on the link's clock, so tests on a manual clock never sleep for them.
class LinkSession {
  public:
    // Requester of every job the session submits.
    static constexpr RequesterId kRequester = 1;

    // line and clock must outlive the session.
    LinkSession(SerialLine& line, Clock& clock, LinkOptions options);
    ~LinkSession();
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    // Starts the link and waits until it has read the readout's information area.
    [[nodiscard]] LinkOutcome Connect();

    // Downloads every site record. A reconnection in between (after a recovery that failed)
    // starts the download again.
    [[nodiscard]] LinkOutcome Download(std::ostream* progress);
    // Uploads plan, then waits until the link has read the readout afresh.
    [[nodiscard]] LinkOutcome Upload(UploadPlan plan, std::ostream* progress);
    // A settings write; result receives its result code.
    [[nodiscard]] LinkOutcome WriteSettings(const SettingsChange& change, int& result);
    // The battery statistics reset; result receives its result code.
    [[nodiscard]] LinkOutcome ResetBattery(int& result);
    // A calibration capture; captured says whether the readout sent both signals.
    [[nodiscard]] LinkOutcome Capture(bool& captured);
    // Sets the readout's clock to the PC's time; LastJob()->ClockSet() says whether it took it.
    [[nodiscard]] LinkOutcome SyncClock();
    // The job submitted last and what it has come to.
    [[nodiscard]] const std::optional<JobTracker>& LastJob() const { return job_; }

    // Stops the link; the port is closed when it returns. What the link reported before it
    // stopped is taken in, so UploadEnd is final afterwards.
    void Stop();

    [[nodiscard]] ReadoutSettings Settings() const { return link_.Settings(); }
    [[nodiscard]] SharedSettings& LiveSettings() { return link_.LiveSettings(); }
    [[nodiscard]] PortOpenFailure PortFailure() const { return link_.PortFailure(); }
    // The link's last status in words: "Connecting", "Port not open", ...
    [[nodiscard]] std::string LastStatusText() const;
    // How the last upload ended, as the link reported it: nothing while it runs (or when the
    // link never took it). After Stop, an upload the stop cut short is reported interrupted.
    [[nodiscard]] std::optional<UploadReport> UploadEnd() const { return uploadEnd_; }
    // True once the user asked to stop.
    [[nodiscard]] bool StopRequested() const { return options_.StopRequested(); }
    [[nodiscard]] std::int64_t TimeoutMs() const { return options_.timeoutMs; }

  private:
    // What a wait makes of each event: a value ends the wait with it.
    using Handler = std::function<std::optional<LinkOutcome>(const LinkEvent&)>;
    // What a wait checks after each event and when none came, given the link clock's time
    // of that event (or now): a value ends the wait with it.
    using Check = std::function<std::optional<LinkOutcome>(std::int64_t atMs)>;

    // Takes events until handle or check ends the wait.
    [[nodiscard]] LinkOutcome Await(const Handler& handle, const Check& check);
    // Keeps the last status, feeds the running job's tracker, shows a transfer's progress.
    void Observe(const LinkEvent& event);
    // Takes the events already queued, so a wait starts with the job it waits for.
    void Drain();
    // Submits a job that ends with a result for kRequester and waits until its tracker has
    // it: NotTaken, NoResult after the time-out, or Done. The tracker stays in job_.
    [[nodiscard]] LinkOutcome RunJob(JobKind kind, const std::function<bool()>& submit);
    // Follows a transfer's tracker until it ends: "Comm error" or a start-over that lasts the
    // time-out, another readout. A download the link dropped when it started over is submitted
    // again once the readout is back.
    [[nodiscard]] LinkOutcome AwaitTransfer(JobKind kind, const std::function<bool()>& submit,
                                            const Check& check);
    void EndProgress();

    Clock& clock_;
    LinkOptions options_;
    QueuedSink sink_{clock_};
    CReadoutLink link_;  // after sink_: stopped, and so silent, before the sink goes

    int lastStatus_ = 0;
    std::optional<JobTracker> job_;          // the job submitted last
    std::optional<UploadReport> uploadEnd_;  // how the last upload ended
    std::ostream* progress_ = nullptr;       // where the running transfer shows its progress
    bool progressShown_ = false;
};

}  // namespace q417::cli
