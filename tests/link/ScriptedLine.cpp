#include "ScriptedLine.h"

#include <algorithm>

namespace q417::test {

void ScriptedLine::Deliver(const std::string& bytes, std::int64_t delayMs) {
    const std::int64_t at = clock_.NowMs() + delayMs;
    auto it = std::find_if(arrivals_.begin(), arrivals_.end(),
                           [at](const Arrival& a) { return a.atMs > at; });
    arrivals_.insert(it, Arrival{at, bytes});
}

std::size_t ScriptedLine::Pending() const {
    std::size_t n = 0;
    for (const auto& a : arrivals_) {
        n += a.bytes.size();
    }
    return n;
}

void ScriptedLine::PortOpen(int portNumber, int baudRate) {
    ++calls_;
    opens_.emplace_back(portNumber, baudRate);
    open_ = openable_;
}

bool ScriptedLine::PortIsOpen() const {
    ++calls_;
    return open_;
}

void ScriptedLine::PortClose() {
    ++calls_;
    open_ = false;
}

int ScriptedLine::PortRead(std::uint8_t* buffer, int maxCount) {
    ++calls_;
    int n = 0;
    while (open_ && n < maxCount && !arrivals_.empty() &&
           arrivals_.front().atMs <= clock_.NowMs()) {
        std::string& bytes = arrivals_.front().bytes;
        const int take = std::min<int>(maxCount - n, static_cast<int>(bytes.size()));
        std::copy_n(bytes.begin(), take, buffer + n);
        bytes.erase(0, static_cast<std::size_t>(take));
        n += take;
        if (bytes.empty()) {
            arrivals_.pop_front();
        }
    }
    return n;
}

int ScriptedLine::PortBytesWaiting() {
    ++calls_;
    if (!open_) {
        return 0;
    }
    int n = 0;
    for (const auto& a : arrivals_) {
        if (a.atMs > clock_.NowMs()) {
            break;
        }
        n += static_cast<int>(a.bytes.size());
    }
    return n;
}

void ScriptedLine::PortWrite(const std::uint8_t* buffer, int count) {
    ++calls_;
    const std::string bytes(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(count));
    written_ += bytes;
    if (onWrite) {
        onWrite(bytes);
    }
}

void ScriptedLine::PortPutChar(int byte) {
    ++calls_;
    const char c = static_cast<char>(byte);
    written_ += c;
    if (c == '\r') {
        const std::string line = currentLine_;
        currentLine_.clear();
        if (onLine) {
            onLine(line);
        }
    } else if (c != '\n') {
        currentLine_ += c;
    }
}

bool ScriptedLine::WaitForInput(std::int64_t timeoutMs) {
    ++calls_;
    if (!open_) {
        return false;
    }
    const std::int64_t now = clock_.NowMs();
    if (!arrivals_.empty() && arrivals_.front().atMs <= now + timeoutMs) {
        clock_.Advance(std::max<std::int64_t>(arrivals_.front().atMs - now, 0));
        return true;
    }
    clock_.Advance(std::max<std::int64_t>(timeoutMs, 0));
    return false;
}

}  // namespace q417::test
