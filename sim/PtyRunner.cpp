#include "PtyRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace q417::sim {
namespace {

constexpr std::int64_t kNsPerSecond = 1'000'000'000;
constexpr std::int64_t kBitsPerByte = 10;  // start, 8 data, stop
constexpr std::int64_t kNever = INT64_MAX;
// Before a hang-up: how long the host may take to read the last answer, and how often to look.
constexpr std::int64_t kHangupDrainNs = 1'000'000'000;
constexpr std::int64_t kDrainPollNs = 2'000'000;
constexpr std::int64_t kHandOverNs = 20'000'000;

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace

PtyRunner::PtyRunner(ReadoutEngine& engine, int hangupAfter)
    : engine_(engine), hangupAfter_(hangupAfter) {
    if (::pipe2(stopPipe_, O_NONBLOCK | O_CLOEXEC) != 0) {
        stopPipe_[0] = stopPipe_[1] = -1;
    }
}

PtyRunner::~PtyRunner() {
    CloseFd(master_);
    CloseFd(slave_);
    CloseFd(stopPipe_[0]);
    CloseFd(stopPipe_[1]);
}

std::int64_t PtyRunner::NowNs() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * kNsPerSecond + ts.tv_nsec;
}

void PtyRunner::Fail(const std::string& what) {
    lastError_ = what + ": " + std::strerror(errno);
}

bool PtyRunner::Open() {
    if (stopPipe_[0] < 0) {
        Fail("pipe");
        return false;
    }
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) {
        Fail("posix_openpt");
        return false;
    }
    char name[128];
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0) {
        Fail("pseudo-terminal setup");
        CloseFd(master_);
        return false;
    }
    devicePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        Fail(devicePath_);
        CloseFd(master_);
        return false;
    }
    // Raw at once: a cooked terminal would echo the host's bytes back to it and translate CRs
    // before the host has set its own mode.
    termios tio{};
    if (::tcgetattr(slave_, &tio) != 0) {
        Fail("tcgetattr");
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    if (::tcsetattr(slave_, TCSANOW, &tio) != 0) {
        Fail("tcsetattr");
        return false;
    }
    const int flags = ::fcntl(master_, F_GETFL);
    int packetMode = 1;
    if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0 ||
        ::ioctl(master_, TIOCPKT, &packetMode) != 0) {
        Fail("master setup");
        return false;
    }
    return true;
}

void PtyRunner::WatchStopFd(int fd) {
    stopFds_.push_back(fd);
}

void PtyRunner::RequestStop() {
    if (stopPipe_[1] >= 0) {
        const char b = 1;
        [[maybe_unused]] const ssize_t n = ::write(stopPipe_[1], &b, 1);
    }
}

std::int64_t PtyRunner::DueNs(std::int64_t startNs, std::size_t k) const {
    const std::int64_t baud = engine_.Faults().paceBaud;
    if (baud <= 0) {
        return startNs;
    }
    // From the start of the burst, so that rounding does not accumulate over long transfers.
    return startNs + static_cast<std::int64_t>(k + 1) * kBitsPerByte * kNsPerSecond / baud;
}

PtyRunner::StopReason PtyRunner::Run() {
    if (master_ < 0) {
        if (lastError_.empty()) {
            lastError_ = "not open";
        }
        return StopReason::Failed;
    }
    lastInputNs_ = NowNs();
    for (;;) {
        const std::int64_t now = NowNs();
        DeliverDueInput(now);
        CollectOutput(now);
        if (!WriteDueOutput(now)) {
            return StopReason::Failed;
        }
        bool draining = false;
        if (hangupAfter_ >= 0 && engine_.CommandCount() >= hangupAfter_ && toHost_.empty()) {
            // Let the host read the last answer first (a hang-up discards unread input), but
            // not for ever: a host that has stopped reading is simply cut off.
            if (hangupDrainEndNs_ == 0) {
                hangupDrainEndNs_ = now + kHangupDrainNs;
            }
            // The kernel hands written bytes on to the terminal side a little later, so an
            // empty input queue means "read" only once that has surely happened.
            const bool settled = now - lastWriteNs_ >= kHandOverNs;
            if ((settled && UnreadByHost() == 0) || now >= hangupDrainEndNs_) {
                HangUp();
                return StopReason::HungUp;
            }
            draining = true;
        }
        if (engine_.HasPartialInput() && toReadout_.empty() && now - lastInputNs_ >= kIdleResetNs) {
            engine_.LineReset();
        }

        std::int64_t deadline = kNever;
        if (!toReadout_.empty()) {
            deadline = std::min(deadline, toReadout_.front().dueNs);
        }
        if (!toHost_.empty() && !waitWritable_) {
            deadline = std::min(deadline, toHost_.front().dueNs);
        }
        if (engine_.HasPartialInput() && toReadout_.empty()) {
            deadline = std::min(deadline, lastInputNs_ + kIdleResetNs);
        }
        if (draining) {
            deadline = std::min(deadline, now + kDrainPollNs);
        }

        std::vector<pollfd> fds;
        fds.push_back({master_, static_cast<short>(POLLIN | (waitWritable_ ? POLLOUT : 0)), 0});
        fds.push_back({stopPipe_[0], POLLIN, 0});
        for (int fd : stopFds_) {
            fds.push_back({fd, POLLIN, 0});
        }
        timespec timeout{};
        timespec* timeoutPtr = nullptr;
        if (deadline != kNever) {
            const std::int64_t left = std::max<std::int64_t>(deadline - NowNs(), 0);
            timeout.tv_sec = static_cast<time_t>(left / kNsPerSecond);
            timeout.tv_nsec = static_cast<long>(left % kNsPerSecond);
            timeoutPtr = &timeout;
        }
        const int ready = ::ppoll(fds.data(), fds.size(), timeoutPtr, nullptr);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail("ppoll");
            return StopReason::Failed;
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents != 0) {
                return StopReason::Requested;
            }
        }
        const short masterEvents = fds[0].revents;
        if ((masterEvents & (POLLERR | POLLNVAL)) != 0 ||
            ((masterEvents & POLLHUP) != 0 && (masterEvents & POLLIN) == 0)) {
            // Cannot happen while our own terminal descriptor is open; never spin on it.
            errno = EIO;
            Fail("master");
            return StopReason::Failed;
        }
        if ((masterEvents & POLLOUT) != 0) {
            waitWritable_ = false;
        }
        if ((masterEvents & POLLIN) != 0 && !ReadMaster(NowNs())) {
            return StopReason::Failed;
        }
    }
}

bool PtyRunner::ReadMaster(std::int64_t nowNs) {
    std::uint8_t buffer[4097];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                return true;
            }
            Fail("read master");
            return false;
        }
        if (n == 0) {
            return true;
        }
        // Packet mode: a leading 0 marks data, anything else is a status byte alone.
        if (buffer[0] != TIOCPKT_DATA) {
            if ((buffer[0] & (TIOCPKT_FLUSHREAD | TIOCPKT_FLUSHWRITE)) != 0) {
                OnHostReopened();
            }
            continue;
        }
        const std::int64_t start = std::max(nowNs, lastToReadoutDueNs_);
        for (ssize_t i = 1; i < n; ++i) {
            const std::int64_t due = DueNs(start, static_cast<std::size_t>(i - 1));
            toReadout_.push_back(TimedByte{buffer[i], due});
            lastToReadoutDueNs_ = due;
        }
    }
}

void PtyRunner::OnHostReopened() {
    engine_.LineReset();
    toReadout_.clear();
    toHost_.clear();
    lastToReadoutDueNs_ = 0;
    lastToHostDueNs_ = 0;
    waitWritable_ = false;
    // The host may have made the terminal exclusive. Our descriptor keeps the terminal open, so
    // that mode would outlive the host's close and refuse its next open; clear it.
    ::ioctl(slave_, TIOCNXCL);
}

bool PtyRunner::StalledAt(std::int64_t ns) const {
    return ns >= stallStartNs_ && ns < stallEndNs_;
}

void PtyRunner::DeliverDueInput(std::int64_t nowNs) {
    // Byte by byte, so that a stall begun by one command loses what reaches the readout after it.
    while (!toReadout_.empty() && toReadout_.front().dueNs <= nowNs) {
        const TimedByte b = toReadout_.front();
        toReadout_.pop_front();
        if (StalledAt(b.dueNs)) {
            continue;
        }
        engine_.Receive(&b.byte, 1);
        lastInputNs_ = nowNs;
        if (const int stallMs = engine_.TakeStallMs(); stallMs > 0) {
            CollectOutput(nowNs);  // the reply that came before the stall still goes out
            stallStartNs_ = std::max(b.dueNs, lastToHostDueNs_);
            stallEndNs_ = stallStartNs_ + static_cast<std::int64_t>(stallMs) * 1'000'000;
        }
    }
}

void PtyRunner::CollectOutput(std::int64_t nowNs) {
    const std::string out = engine_.TakeOutput();
    if (out.empty()) {
        return;
    }
    const std::int64_t latencyNs =
        static_cast<std::int64_t>(std::max(engine_.Faults().replyLatencyMs, 0)) * 1'000'000;
    std::int64_t start = std::max(nowNs + latencyNs, lastToHostDueNs_);
    if (StalledAt(start)) {
        start = stallEndNs_;  // a stalled readout sends nothing
    }
    for (std::size_t k = 0; k < out.size(); ++k) {
        const std::int64_t due = DueNs(start, k);
        toHost_.push_back(TimedByte{static_cast<std::uint8_t>(out[k]), due});
        lastToHostDueNs_ = due;
    }
}

bool PtyRunner::WriteDueOutput(std::int64_t nowNs) {
    if (waitWritable_) {
        return true;
    }
    std::string due;
    for (const TimedByte& b : toHost_) {
        if (b.dueNs > nowNs) {
            break;
        }
        due.push_back(static_cast<char>(b.byte));
    }
    std::size_t written = 0;
    while (written < due.size()) {
        const ssize_t n = ::write(master_, due.data() + written, due.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            lastWriteNs_ = nowNs;
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            waitWritable_ = true;  // the host is not reading; wait for room
            break;
        }
        Fail("write master");
        return false;
    }
    toHost_.erase(toHost_.begin(), toHost_.begin() + static_cast<std::ptrdiff_t>(written));
    return true;
}

int PtyRunner::UnreadByHost() const {
    // Our own descriptor of the terminal side sees the same input queue as the host's.
    int waiting = 0;
    if (::ioctl(slave_, FIONREAD, &waiting) != 0) {
        return 0;
    }
    return waiting;
}

void PtyRunner::HangUp() {
    // Closing the master hangs up every open descriptor of the terminal side.
    CloseFd(master_);
    CloseFd(slave_);
}

}  // namespace q417::sim
