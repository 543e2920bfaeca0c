#include "FuzzLine.h"

#include <algorithm>
#include <utility>

namespace q417::fuzz {

FuzzLine::FuzzLine(sim::ManualClock& clock, ReplySource source)
    : clock_(clock), source_(std::move(source)) {}

void FuzzLine::PullCable(int message, std::int64_t outMs) {
    pullAtMessage_ = message;
    pullOutMs_ = outMs;
}

void FuzzLine::PortOpen(int, int) {
    open_ = clock_.NowMs() >= unpluggedUntilMs_;
    arrivals_.clear();
    line_.clear();
}

void FuzzLine::PortClose() {
    open_ = false;
    arrivals_.clear();  // bytes in flight are lost with the port
}

int FuzzLine::PortBytesWaiting() {
    if (!open_) {
        return 0;
    }
    std::size_t waiting = 0;
    for (const Arrival& arrival : arrivals_) {
        if (arrival.atMs > clock_.NowMs()) {
            break;
        }
        waiting += arrival.bytes.size();
    }
    return static_cast<int>(std::min<std::size_t>(waiting, 1 << 20));
}

int FuzzLine::PortRead(std::uint8_t* buffer, int maxCount) {
    int n = 0;
    while (open_ && n < maxCount && !arrivals_.empty() &&
           arrivals_.front().atMs <= clock_.NowMs()) {
        std::string& bytes = arrivals_.front().bytes;
        const auto take =
            std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(maxCount - n));
        std::copy_n(bytes.begin(), take, buffer + n);
        read_.append(bytes, 0, take);
        bytes.erase(0, take);
        n += static_cast<int>(take);
        if (bytes.empty()) {
            arrivals_.pop_front();
        }
    }
    if (n > 0) {
        lastReadAtMs_ = clock_.NowMs();
    }
    return n;
}

void FuzzLine::PortWrite(const std::uint8_t* buffer, int count) {
    const std::string bytes(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(count));
    written_ += bytes;
    if (open_) {
        EndMessage({bytes, true});
    }
}

void FuzzLine::PortPutChar(int byte) {
    const auto c = static_cast<char>(byte & 0xFF);
    written_.push_back(c);
    if (!open_) {
        return;
    }
    if (c == '\r') {
        EndMessage({std::exchange(line_, {}), false});
    } else if (c != '\n') {
        line_.push_back(c);
    }
}

bool FuzzLine::WaitForInput(std::int64_t timeoutMs) {
    if (!open_) {
        return false;
    }
    if (PortBytesWaiting() > 0) {
        return true;
    }
    const std::int64_t now = clock_.NowMs();
    const std::int64_t wait = std::max<std::int64_t>(timeoutMs, 0);
    if (!arrivals_.empty() && arrivals_.front().atMs <= now + wait) {
        clock_.Advance(arrivals_.front().atMs - now);
        return true;
    }
    clock_.Advance(wait);
    return false;
}

void FuzzLine::EndMessage(HostMessage message) {
    const std::int64_t now = clock_.NowMs();
    ReplyFrame frame = source_(message);
    sent_.push_back({std::move(message), read_.size(), now});
    if (static_cast<int>(sent_.size()) - 1 == pullAtMessage_) {
        PortClose();
        unpluggedUntilMs_ = now + pullOutMs_;
        return;
    }
    if (!frame.bytes.empty()) {
        // Frames never overtake each other: a reply sent later arrives no earlier.
        const std::int64_t at =
            std::max(now + frame.delayMs, arrivals_.empty() ? now : arrivals_.back().atMs);
        arrivals_.push_back({at, std::move(frame.bytes)});
    }
}

}  // namespace q417::fuzz
