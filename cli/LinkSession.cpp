#include "LinkSession.h"

#include <chrono>
#include <utility>

#include "LinkJob.h"
#include "ReadoutTables.h"

namespace q417::cli {
namespace {

// How long one look at the queue waits (real time) before the time-outs are checked.
constexpr std::chrono::milliseconds kWaitSlice{20};

bool IsStatus(const LinkMessage& m, int code) {
    return m.message == WM_LINK_STATUS && m.lParam == code;
}

bool IsEvent(const LinkMessage& m, int event) {
    return m.message == WM_LINK_EVENT && m.wParam == event;
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
        if (!uploadEnd_) {
            uploadEnd_ = link_.StoppedUpload();
        }
    }
    EndProgress();
}

std::string LinkSession::LastStatusText() const {
    const std::string text = StatusText(lastStatus_);
    return text.empty() ? std::string("no status yet") : text;
}

void LinkSession::Observe(const LinkMessage& m) {
    if (m.requester == kRequester) {
        if (const auto report = UploadReport::FromMessage(m)) {
            uploadEnd_ = report;
        }
    }
    if (m.message != WM_LINK_STATUS || m.lParam == 0) {
        return;  // details without a status code leave the shown status as it is
    }
    lastStatus_ = static_cast<int>(m.lParam);
    if (m.lParam == STATUS_READING || m.lParam == STATUS_WRITING) {
        lastProgress_ = static_cast<int>(m.wParam);
        if (progress_ != nullptr) {
            *progress_ << '\r' << StatusText(lastStatus_) << ' ' << lastProgress_ << '%'
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
        Observe(posted->message);
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
            lastPostedAtMs_ = posted->atMs;
            Observe(posted->message);
            if (const auto outcome = handle(posted->message)) {
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
        [&](const LinkMessage& m) -> std::optional<LinkOutcome> {
            if (IsStatus(m, STATUS_PORT_OPEN)) {
                portOpened = true;
            } else if (IsStatus(m, STATUS_CONNECTED)) {
                awake = true;
            } else if (IsStatus(m, STATUS_PORT_NOT_OPEN) && link_.PortFailure().Lasting()) {
                return LinkOutcome::PortNotOpen;  // waiting would not change it
            } else if (IsEvent(m, kEventInformationRead)) {
                return LinkOutcome::Done;
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

LinkOutcome LinkSession::AwaitTransfer(int progressCode, const Handler& handle,
                                       const Check& check) {
    // From the first "Comm error" until the transfer shows progress again.
    std::optional<std::int64_t> commErrorAtMs;
    const LinkOutcome outcome = Await(
        [&](const LinkMessage& m) -> std::optional<LinkOutcome> {
            if (IsStatus(m, progressCode)) {
                commErrorAtMs.reset();
            } else if (IsStatus(m, STATUS_COMM_ERROR) && !commErrorAtMs) {
                commErrorAtMs = lastPostedAtMs_;
            } else if (IsStatus(m, STATUS_NEW_READOUT)) {
                return LinkOutcome::NewReadout;
            }
            return handle(m);
        },
        [&](std::int64_t atMs) -> std::optional<LinkOutcome> {
            if (commErrorAtMs && atMs - *commErrorAtMs >= options_.timeoutMs) {
                return LinkOutcome::CommLost;
            }
            return check(atMs);
        });
    EndProgress();
    return outcome;
}

LinkOutcome LinkSession::Download(std::ostream* progress) {
    Drain();
    if (!link_.SubmitJob(JOB_DOWNLOAD, kRequester)) {
        return LinkOutcome::NotTaken;
    }
    progress_ = progress;
    return AwaitTransfer(
        STATUS_READING,
        [this](const LinkMessage& m) -> std::optional<LinkOutcome> {
            if (IsEvent(m, kEventDownloadComplete)) {
                return LinkOutcome::Done;
            }
            // The link gave up recovering and connected afresh: the download went with it.
            if (IsEvent(m, kEventInformationRead) && !link_.SubmitJob(JOB_DOWNLOAD, kRequester)) {
                return LinkOutcome::NotTaken;
            }
            return std::nullopt;
        },
        [](std::int64_t) { return std::optional<LinkOutcome>(); });
}

LinkOutcome LinkSession::Upload(UploadPlan plan, std::ostream* progress) {
    Drain();
    uploadEnd_.reset();
    lastProgress_ = 0;
    if (!link_.SubmitUpload(kRequester, std::move(plan))) {
        return LinkOutcome::NotTaken;
    }
    progress_ = progress;
    // The link reports how the upload ended. Once finished, it disconnects and reads the readout
    // afresh: the upload is done when that read comes in. A fresh read after any other end means
    // the link started over in the middle of the upload.
    bool finished = false;
    std::int64_t finishedAtMs = 0;
    return AwaitTransfer(
        STATUS_WRITING,
        [&](const LinkMessage& m) -> std::optional<LinkOutcome> {
            if (m.requester == kRequester && UploadReport::FromMessage(m)) {
                finished = uploadEnd_->finished;
                finishedAtMs = lastPostedAtMs_;
                EndProgress();
            } else if (IsEvent(m, kEventInformationRead)) {
                return finished ? LinkOutcome::Done : LinkOutcome::Interrupted;
            }
            return std::nullopt;
        },
        [&](std::int64_t atMs) -> std::optional<LinkOutcome> {
            if (finished && atMs - finishedAtMs >= options_.timeoutMs) {
                return LinkOutcome::NoReadout;  // written, but not read back
            }
            return std::nullopt;
        });
}

LinkOutcome LinkSession::RunJob(const std::function<bool()>& submit, int message,
                                std::int64_t& lParam) {
    Drain();
    if (!submit()) {
        return LinkOutcome::NotTaken;
    }
    const std::int64_t deadline = clock_.NowMs() + options_.timeoutMs;
    return Await(
        [&](const LinkMessage& m) -> std::optional<LinkOutcome> {
            if (m.message == message && m.requester == kRequester) {
                lParam = m.lParam;
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

LinkOutcome LinkSession::WriteSettings(const ReadoutSettings& request, int flags, int& result) {
    std::int64_t code = 0;
    const LinkOutcome outcome =
        RunJob([&] { return link_.SubmitSettingsWrite(kRequester, request, flags); },
               WM_LINK_RESULT, code);
    result = static_cast<int>(code);
    return outcome;
}

LinkOutcome LinkSession::ResetBattery(int& result) {
    std::int64_t code = 0;
    const LinkOutcome outcome = RunJob(
        [this] { return link_.SubmitJob(JOB_RESET_BATTERY, kRequester); }, WM_LINK_RESULT, code);
    result = static_cast<int>(code);
    return outcome;
}

LinkOutcome LinkSession::Capture(bool& captured) {
    std::int64_t code = kCaptureFailed;
    const LinkOutcome outcome =
        RunJob([this] { return link_.SubmitJob(JOB_CAPTURE, kRequester); }, WM_LINK_CAPTURE, code);
    captured = code == kCaptureDone;
    return outcome;
}

LinkOutcome LinkSession::SyncClock() {
    Drain();
    if (!link_.SubmitJob(JOB_SYNC_CLOCK, kRequester)) {
        return LinkOutcome::NotTaken;
    }
    // The sync posts nothing; the job slot empties once it has run.
    const std::int64_t deadline = clock_.NowMs() + options_.timeoutMs;
    return Await([](const LinkMessage&) { return std::optional<LinkOutcome>(); },
                 [&](std::int64_t atMs) -> std::optional<LinkOutcome> {
                     if (!link_.JobPending()) {
                         return LinkOutcome::Done;
                     }
                     if (atMs >= deadline) {
                         return LinkOutcome::NoResult;
                     }
                     return std::nullopt;
                 });
}

}  // namespace q417::cli
