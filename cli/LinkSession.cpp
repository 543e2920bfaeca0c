#include "LinkSession.h"

#include <chrono>
#include <utility>

#include "LinkJob.h"
#include "ReadoutTables.h"

namespace q417::cli {
namespace {

// How long one look at the queue waits (real time) before the time-outs are checked.
constexpr std::chrono::milliseconds kWaitSlice{20};

int Percent(const link_event::Progress& p) {
    return p.records > 0 ? p.recordsDone * 100 / p.records : 0;
}

}  // namespace

LinkSession::LinkSession(SerialLine& line, Clock& clock, LinkOptions options)
    : clock_(clock), options_(options), link_(line, clock) {
    if (options_.trace != nullptr) {
        link_.StartTrace(*options_.trace);
    }
}

LinkSession::~LinkSession() {
    Stop();
}

void LinkSession::Stop() {
    const bool wasRunning = link_.Running();
    link_.Stop();
    if (wasRunning) {
        Drain();  // what the worker posted before it stopped: an upload's report among it
        const std::optional<UploadReport> cutShort = link_.StoppedUpload();
        if (job_) {
            job_->Stopped(cutShort);
        }
        if (!uploadEnd_) {
            uploadEnd_ = cutShort;
        }
    }
    EndProgress();
}

std::string LinkSession::LastStatusText() const {
    const std::string text = StatusText(lastStatus_);
    return text.empty() ? std::string("no status yet") : text;
}

void LinkSession::Observe(const LinkEvent& event) {
    if (job_) {
        job_->Observe(event);
    }
    if (event.requester == kRequester) {
        if (const auto* ended = event.As<link_event::UploadEnded>()) {
            uploadEnd_ = ended->report;
            EndProgress();
        }
    }
    if (const auto* status = event.As<link_event::Status>()) {
        // Details without a status leave the shown status as it is.
        if (status->status != LinkStatus::None) {
            lastStatus_ = static_cast<int>(status->status);
        }
    } else if (const auto* progress = event.As<link_event::Progress>()) {
        const LinkStatus shown =
            progress->transfer == Transfer::Download ? LinkStatus::Reading : LinkStatus::Writing;
        lastStatus_ = static_cast<int>(shown);
        if (progress_ != nullptr) {
            *progress_ << '\r' << StatusText(lastStatus_) << ' ' << Percent(*progress) << '%'
                       << std::flush;
            progressShown_ = true;
        }
    }
}

void LinkSession::EndProgress() {
    if (progressShown_) {
        *progress_ << '\n' << std::flush;
        progressShown_ = false;
    }
    progress_ = nullptr;
}

void LinkSession::Drain() {
    while (const auto posted = sink_.Next(std::chrono::milliseconds(0))) {
        Observe(posted->event);
    }
}

LinkOutcome LinkSession::Await(const Handler& handle, const Check& check) {
    for (;;) {
        if (StopRequested()) {
            Drain();  // what the link reported up to now, the last progress among it
            return LinkOutcome::Stopped;
        }
        std::int64_t atMs = 0;
        if (const auto posted = sink_.Next(kWaitSlice)) {
            Observe(posted->event);
            if (const auto outcome = handle(posted->event)) {
                return *outcome;
            }
            atMs = posted->atMs;
        } else {
            atMs = clock_.NowMs();
        }
        if (const auto outcome = check(atMs)) {
            return *outcome;
        }
    }
}

LinkOutcome LinkSession::Connect() {
    link_.SetPortNumber(options_.portNumber);
    link_.SetDesiredBaud(options_.desiredBaud);
    link_.Start(sink_);
    const std::int64_t deadline = clock_.NowMs() + options_.timeoutMs;
    bool portOpened = false;
    bool awake = false;
    return Await(
        [&](const LinkEvent& event) -> std::optional<LinkOutcome> {
            if (event.As<link_event::ReadoutReady>() != nullptr) {
                return LinkOutcome::Done;
            }
            const auto* status = event.As<link_event::Status>();
            if (status == nullptr) {
                return std::nullopt;
            }
            if (status->status == LinkStatus::PortOpen) {
                portOpened = true;
            } else if (status->status == LinkStatus::Connected) {
                awake = true;
            } else if (status->status == LinkStatus::PortNotOpen && link_.PortFailure().Lasting()) {
                return LinkOutcome::PortNotOpen;  // waiting would not change it
            }
            return std::nullopt;
        },
        [&](std::int64_t atMs) -> std::optional<LinkOutcome> {
            if (atMs < deadline) {
                return std::nullopt;
            }
            if (!portOpened) {
                return LinkOutcome::PortNotOpen;
            }
            return awake ? LinkOutcome::NoInformation : LinkOutcome::NoReadout;
        });
}

LinkOutcome LinkSession::AwaitTransfer(JobKind kind, const std::function<bool()>& submit,
                                       const Check& check) {
    Drain();
    job_.emplace(kind, kRequester);
    if (!submit()) {
        EndProgress();
        return LinkOutcome::NotTaken;
    }
    // From a "Comm error" or a start-over until the transfer goes on.
    std::optional<std::int64_t> stalledSinceMs;
    const LinkOutcome outcome = Await(
        [&](const LinkEvent& event) -> std::optional<LinkOutcome> {
            if (job_->Phase() != JobPhase::Interrupted) {
                return std::nullopt;
            }
            if (job_->Interruption() == JobInterruption::NewReadout) {
                return LinkOutcome::NewReadout;
            }
            if (kind == JobKind::Upload) {
                return LinkOutcome::Interrupted;
            }
            // The download went with the connection: once the readout is back, again.
            if (event.As<link_event::ReadoutReady>() != nullptr) {
                job_.emplace(kind, kRequester);
                if (!submit()) {
                    return LinkOutcome::NotTaken;
                }
            }
            return std::nullopt;
        },
        [&](std::int64_t atMs) -> std::optional<LinkOutcome> {
            const JobPhase phase = job_->Phase();
            if (phase != JobPhase::Recovering && phase != JobPhase::Interrupted) {
                stalledSinceMs.reset();
            } else if (!stalledSinceMs) {
                stalledSinceMs = atMs;
            } else if (atMs - *stalledSinceMs >= options_.timeoutMs) {
                return LinkOutcome::CommLost;
            }
            return check(atMs);
        });
    EndProgress();
    return outcome;
}

LinkOutcome LinkSession::Download(std::ostream* progress) {
    progress_ = progress;
    return AwaitTransfer(
        JobKind::Download, [this] { return link_.SubmitJob(JOB_DOWNLOAD, kRequester); },
        [this](std::int64_t) -> std::optional<LinkOutcome> {
            if (job_->Phase() == JobPhase::Finished) {
                return LinkOutcome::Done;
            }
            return std::nullopt;
        });
}

LinkOutcome LinkSession::Upload(UploadPlan plan, std::ostream* progress) {
    uploadEnd_.reset();
    progress_ = progress;
    // Once finished, the link disconnects and reads the readout afresh: the upload is done when
    // that read comes in.
    std::optional<std::int64_t> finishedAtMs;
    return AwaitTransfer(
        JobKind::Upload, [&] { return link_.SubmitUpload(kRequester, plan); },
        [&](std::int64_t atMs) -> std::optional<LinkOutcome> {
            if (job_->Phase() != JobPhase::Finished) {
                return std::nullopt;
            }
            if (job_->ReadBack()) {
                return LinkOutcome::Done;
            }
            if (!finishedAtMs) {
                finishedAtMs = atMs;
            } else if (atMs - *finishedAtMs >= options_.timeoutMs) {
                return LinkOutcome::NoReadout;  // written, but not read back
            }
            return std::nullopt;
        });
}

LinkOutcome LinkSession::RunJob(JobKind kind, const std::function<bool()>& submit) {
    Drain();
    job_.emplace(kind, kRequester);
    if (!submit()) {
        return LinkOutcome::NotTaken;
    }
    const std::int64_t deadline = clock_.NowMs() + options_.timeoutMs;
    return Await(
        [this](const LinkEvent&) -> std::optional<LinkOutcome> {
            if (job_->Ended()) {
                return LinkOutcome::Done;
            }
            return std::nullopt;
        },
        [&](std::int64_t atMs) -> std::optional<LinkOutcome> {
            if (atMs >= deadline) {
                return LinkOutcome::NoResult;
            }
            return std::nullopt;
        });
}

LinkOutcome LinkSession::WriteSettings(const SettingsChange& change, int& result) {
    const LinkOutcome outcome = RunJob(
        JobKind::SettingsWrite, [&] { return link_.SubmitSettingsWrite(kRequester, change); });
    result = job_->Result();
    return outcome;
}

LinkOutcome LinkSession::ResetBattery(int& result) {
    const LinkOutcome outcome = RunJob(
        JobKind::BatteryReset, [this] { return link_.SubmitJob(JOB_RESET_BATTERY, kRequester); });
    result = job_->Result();
    return outcome;
}

LinkOutcome LinkSession::Capture(bool& captured) {
    const LinkOutcome outcome =
        RunJob(JobKind::Capture, [this] { return link_.SubmitJob(JOB_CAPTURE, kRequester); });
    captured = job_->Captured();
    return outcome;
}

LinkOutcome LinkSession::SyncClock() {
    return RunJob(JobKind::ClockSync,
                  [this] { return link_.SubmitJob(JOB_SYNC_CLOCK, kRequester); });
}

}  // namespace q417::cli
