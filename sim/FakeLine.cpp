#include "FakeLine.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace q417::sim {
namespace {

// A byte on the line is 10 bits: start, 8 data, stop.
constexpr std::int64_t kBitsPerByte = 10;
constexpr std::int64_t kMicrosPerSecond = 1'000'000;

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) {
    return (a + b - 1) / b;
}

// When byte k (0-based) of a reply has fully arrived, counted from the reply's start. Computed
// from the start rather than byte by byte so that rounding does not accumulate.
std::int64_t ArrivalOffsetUs(std::size_t k, std::int64_t baud) {
    if (baud <= 0) {
        return 0;
    }
    return CeilDiv(static_cast<std::int64_t>(k + 1) * kBitsPerByte * kMicrosPerSecond, baud);
}

}  // namespace

FakeLine::FakeLine(ManualClock& clock, ReadoutEngine& engine) : clock_(clock), engine_(engine) {}

std::int64_t FakeLine::NowUs() const {
    return clock_.NowMs() * 1000;
}

void FakeLine::PortOpen(int portNumber, int baudRate) {
    std::lock_guard lock(mutex_);
    ++totalCalls_;
    openCalls_.emplace_back(portNumber, baudRate);
    DropLineLocked();
    open_ = openable_ && !unplugged_;
    // A fresh open finds the readout waiting for a new command.
    engine_.LineReset();
}

bool FakeLine::PortIsOpen() const {
    std::lock_guard lock(mutex_);
    ++totalCalls_;
    return open_;
}

void FakeLine::PortClose() {
    std::lock_guard lock(mutex_);
    ++totalCalls_;
    open_ = false;
    DropLineLocked();
}

int FakeLine::PortRead(std::uint8_t* buffer, int maxCount) {
    std::lock_guard lock(mutex_);
    ++totalCalls_;
    if (!open_ || maxCount <= 0) {
        return 0;
    }
    const int n = std::min(ArrivedLocked(), maxCount);
    for (int i = 0; i < n; ++i) {
        buffer[i] = toHost_.front().byte;
        toHost_.pop_front();
    }
    return n;
}

int FakeLine::PortBytesWaiting() {
    std::lock_guard lock(mutex_);
    ++totalCalls_;
    return open_ ? ArrivedLocked() : 0;
}

void FakeLine::PortWrite(const std::uint8_t* buffer, int count) {
    std::lock_guard lock(mutex_);
    ++totalCalls_;
    HostBytesLocked(buffer, count);
}

void FakeLine::PortPutChar(int byte) {
    std::lock_guard lock(mutex_);
    ++totalCalls_;
    const auto b = static_cast<std::uint8_t>(byte & 0xFF);
    HostBytesLocked(&b, 1);
}

bool FakeLine::WaitForInput(std::int64_t timeoutMs) {
    std::lock_guard lock(mutex_);
    ++totalCalls_;
    if (!open_) {
        return false;
    }
    if (ArrivedLocked() > 0) {
        return true;
    }
    if (timeoutMs <= 0) {
        return false;
    }
    const std::int64_t nowMs = clock_.NowMs();
    if (!toHost_.empty()) {
        const std::int64_t arrivalMs = CeilDiv(toHost_.front().arrivalUs, 1000);
        if (arrivalMs - nowMs <= timeoutMs) {
            clock_.Advance(arrivalMs - nowMs);
            return true;
        }
    }
    clock_.Advance(timeoutMs);
    return false;
}

void FakeLine::SetOpenable(bool openable) {
    SetOpenFailure(openable ? PortOpenFailure{}
                            : PortOpenFailure{OpenFailure::Other, "fake line: cannot be opened"});
}

void FakeLine::SetOpenFailure(PortOpenFailure failure) {
    std::lock_guard lock(mutex_);
    openable_ = !failure.Failed();
    openFailure_ = std::move(failure);
}

PortOpenFailure FakeLine::LastOpenFailure() const {
    std::lock_guard lock(mutex_);
    if (open_) {
        return {};
    }
    if (unplugged_) {
        return {OpenFailure::NoSuchDevice, "fake line: no such device"};
    }
    return openFailure_;
}

void FakeLine::Unplug() {
    std::lock_guard lock(mutex_);
    unplugged_ = true;
    open_ = false;
    DropLineLocked();
}

void FakeLine::Replug() {
    std::lock_guard lock(mutex_);
    unplugged_ = false;
}

void FakeLine::SetReplyLatencyMs(std::int64_t ms) {
    std::lock_guard lock(mutex_);
    engine_.Faults().replyLatencyMs = static_cast<int>(std::clamp<std::int64_t>(ms, 0, INT_MAX));
}

void FakeLine::Inject(const std::string& bytes) {
    std::lock_guard lock(mutex_);
    if (!open_) {
        return;
    }
    const std::int64_t now = NowUs();
    // Ahead of any reply byte still on its way, behind those already arrived.
    auto at = std::find_if(toHost_.begin(), toHost_.end(),
                           [now](const PendingByte& p) { return p.arrivalUs > now; });
    for (char c : bytes) {
        at = toHost_.insert(at, PendingByte{static_cast<std::uint8_t>(c), now});
        ++at;
    }
}

void FakeLine::WithEngine(const std::function<void(ReadoutEngine&)>& f) {
    std::lock_guard lock(mutex_);
    f(engine_);
}

std::vector<std::pair<int, int>> FakeLine::OpenCalls() const {
    std::lock_guard lock(mutex_);
    return openCalls_;
}

int FakeLine::TotalCalls() const {
    std::lock_guard lock(mutex_);
    return totalCalls_;
}

std::string FakeLine::Written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

void FakeLine::ClearWritten() {
    std::lock_guard lock(mutex_);
    written_.clear();
}

int FakeLine::BytesInFlight() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(toHost_.size()) - ArrivedLocked();
}

int FakeLine::ArrivedLocked() const {
    const std::int64_t now = NowUs();
    int n = 0;
    for (const PendingByte& p : toHost_) {
        if (p.arrivalUs > now) {
            break;
        }
        ++n;
    }
    return n;
}

void FakeLine::HostBytesLocked(const std::uint8_t* data, int count) {
    if (count <= 0) {
        return;
    }
    written_.append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(count));
    if (!open_) {
        return;  // nothing reaches the readout through a closed port
    }
    // Byte by byte, so that a stall begun by one command loses what follows it at once.
    for (int i = 0; i < count; ++i) {
        if (StalledAtLocked(NowUs())) {
            continue;
        }
        engine_.Receive(data + i, 1);
        if (const int stallMs = engine_.TakeStallMs(); stallMs > 0) {
            ScheduleOutputLocked();  // the reply that came before the stall still goes out
            stallStartUs_ = std::max(NowUs(), lastArrivalUs_);
            stallEndUs_ = stallStartUs_ + static_cast<std::int64_t>(stallMs) * 1000;
        }
    }
    ScheduleOutputLocked();
}

bool FakeLine::StalledAtLocked(std::int64_t us) const {
    return us >= stallStartUs_ && us < stallEndUs_;
}

void FakeLine::ScheduleOutputLocked() {
    const std::string out = engine_.TakeOutput();
    if (out.empty() || !open_) {
        return;
    }
    const FaultPlan& faults = engine_.Faults();
    std::int64_t start =
        std::max(NowUs() + std::max(faults.replyLatencyMs, 0) * std::int64_t{1000}, lastArrivalUs_);
    if (StalledAtLocked(start)) {
        start = stallEndUs_;  // a stalled readout sends nothing
    }
    const std::int64_t baud = faults.paceBaud;
    for (std::size_t k = 0; k < out.size(); ++k) {
        const std::int64_t arrival = start + ArrivalOffsetUs(k, baud);
        toHost_.push_back(PendingByte{static_cast<std::uint8_t>(out[k]), arrival});
        lastArrivalUs_ = arrival;
    }
}

void FakeLine::DropLineLocked() {
    toHost_.clear();
    lastArrivalUs_ = 0;
    (void)engine_.TakeOutput();
}

}  // namespace q417::sim
