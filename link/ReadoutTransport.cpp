#include "ReadoutTransport.h"

#include <algorithm>
#include <string>

#include "AsciiCase.h"

namespace q417 {
namespace {

constexpr std::uint8_t kCr = 13;
constexpr std::uint8_t kLf = 10;
constexpr char kBanner[] = "ORVANE";
// A flush stops after this much even when the line keeps talking.
constexpr std::size_t kFlushLimitBytes = 64 * 1024;

}  // namespace

ReadoutTransport::ReadoutTransport(SerialLine& line, Clock& clock) : line_(line), clock_(clock) {}

bool ReadoutTransport::OpenPortProbing() {
    if (portNumber_ <= 0) {
        return OpenPortAt(kProbeBaud);  // refused the same way, without opening anything
    }
    ClosePort();
    line_.PortOpen(portNumber_, kProbeBaud);
    probeFlag_ = ClosePort();
    return OpenPortAt(kProbeBaud);
}

bool ReadoutTransport::OpenPortAt(int baudRate) {
    // Whatever was open before is closed first, also for "Disabled": the device is released
    // and no readout stays reachable through a port the user has turned off.
    ClosePort();
    if (portNumber_ <= 0) {
        portOpenResult_ = false;
        openFailure_ = {OpenFailure::Disabled, "the port is disabled"};
        return false;
    }
    line_.PortOpen(portNumber_, baudRate);
    const bool result = line_.PortIsOpen();
    currentBaud_ = baudRate;
    portOpenResult_ = result;
    openFailure_ = result ? PortOpenFailure{} : line_.LastOpenFailure();
    if (!result && !openFailure_.Failed()) {
        openFailure_ = {OpenFailure::Other, "port " + std::to_string(portNumber_) + ": " +
                                                OpenFailureText(OpenFailure::Other)};
    }
    return result;
}

bool ReadoutTransport::ClosePort() {
    if (!line_.PortIsOpen()) {
        return false;
    }
    line_.PortClose();
    return true;
}

int ReadoutTransport::ReadAvailable(std::string& out) {
    out.clear();
    const int waiting = line_.PortBytesWaiting();
    if (waiting > 0) {
        std::uint8_t chunk[kChunkSize];
        const int n = line_.PortRead(chunk, std::min(waiting, kChunkSize));
        for (int i = 0; i < n; ++i) {
            out.push_back(static_cast<char>(chunk[i]));
        }
    }
    return static_cast<int>(out.size());
}

void ReadoutTransport::FlushInput(std::int64_t waitMs) {
    clock_.SleepMs(waitMs);
    std::string discarded;
    std::size_t total = 0;
    while (total < kFlushLimitBytes && ReadAvailable(discarded) > 0) {
        total += discarded.size();
    }
}

void ReadoutTransport::DrainInput(std::int64_t quietMs) {
    std::string discarded;
    std::size_t total = 0;
    std::int64_t quietUntil = clock_.NowMs() + quietMs;
    while (total < kFlushLimitBytes) {
        if (ReadAvailable(discarded) > 0) {
            total += discarded.size();
            quietUntil = clock_.NowMs() + quietMs;
        } else if (!WaitUntil(quietUntil)) {
            return;
        }
    }
}

void ReadoutTransport::SendLine(std::string_view text) {
    for (char c : text) {
        line_.PortPutChar(static_cast<unsigned char>(c));
    }
    line_.PortPutChar(kCr);
    line_.PortPutChar(kLf);
}

void ReadoutTransport::SendRawLine(std::string_view text) {
    if (text.empty()) {
        return;
    }
    for (char c : text) {
        line_.PortPutChar(static_cast<unsigned char>(c));
    }
    line_.PortPutChar(kCr);
}

bool ReadoutTransport::WaitUntil(std::int64_t deadlineMs) {
    const std::int64_t left = deadlineMs - clock_.NowMs();
    if (left <= 0 || !line_.PortIsOpen()) {
        return false;  // a closed port cannot answer: give up at once rather than spin
    }
    line_.WaitForInput(left);
    return true;
}

bool ReadoutTransport::SendCommand(std::string_view command, std::string& reply) {
    FlushInput(1);
    int attemptLimit = 2;  // three once the readout has sent anything at all
    bool acknowledged = false;
    std::string accumulator;
    std::string chunk;
    for (int attempt = 0; attempt < attemptLimit && !acknowledged; ++attempt) {
        accumulator.clear();
        SendLine(command);
        const std::int64_t deadline = clock_.NowMs() + kReplyDeadlineMs;
        for (;;) {
            if (ReadAvailable(chunk) == 0) {
                if (!WaitUntil(deadline)) {
                    break;  // silent past the deadline
                }
                continue;
            }
            attemptLimit = 3;
            for (char c : chunk) {
                if (c != static_cast<char>(kLf)) {
                    accumulator.push_back(AsciiUpperChar(c));
                }
            }
            if (accumulator.find(static_cast<char>(kCr)) == std::string::npos) {
                continue;
            }
            acknowledged = accumulator.find(command) != std::string::npos &&
                           accumulator.find('?') == std::string::npos;
            break;
        }
        if (!acknowledged) {
            FlushInput(10);
        }
    }
    reply = accumulator;
    return acknowledged;
}

bool ReadoutTransport::WakeReadout(int tries) {
    std::string accumulator;  // kept across tries: the banner may straddle them
    std::string chunk;
    bool awake = false;
    for (int attempt = 0; attempt < tries && !awake; ++attempt) {
        SendLine("");
        const std::int64_t deadline = clock_.NowMs() + kWakeDeadlineMs;
        while (!awake) {
            if (ReadAvailable(chunk) == 0) {
                if (!WaitUntil(deadline)) {
                    break;
                }
                continue;
            }
            for (char c : chunk) {
                if (c == static_cast<char>(kLf) ||
                    (c == static_cast<char>(kCr) && accumulator.empty())) {
                    continue;
                }
                accumulator.push_back(AsciiUpperChar(c));
            }
            awake = accumulator.find(static_cast<char>(kCr)) != std::string::npos &&
                    accumulator.find(kBanner) != std::string::npos;
        }
    }
    FlushInput(100);
    return awake;
}

void ReadoutTransport::SwitchBaud() {
    // 0 is "stay at the probing rate"; 1 is no baud rate either.
    if (currentBaud_ == desiredBaud_ || desiredBaud_ <= 1) {
        return;
    }
    std::string reply;
    if (SendCommand("BAUD", reply)) {
        OpenPortAt(desiredBaud_);
    }
}

void ReadoutTransport::SetByteDeadlineMs(std::int64_t ms) {
    byteDeadlineMs_ = clock_.NowMs() + ms;
}

std::int64_t ReadoutTransport::ByteTimeLeftMs() const {
    const std::int64_t left = byteDeadlineMs_ - clock_.NowMs();
    return (left > 0 && left <= 10000) ? left : 0;
}

bool ReadoutTransport::ReadLine(std::string& line, int& count) {
    line.clear();
    count = 0;
    SetByteDeadlineMs(1500);
    for (;;) {
        std::uint8_t byte = 0;
        if (line_.PortBytesWaiting() > 0 && line_.PortRead(&byte, 1) == 1) {
            ++count;
            if (byte == kCr) {
                if (!line.empty()) {
                    return true;
                }
                continue;
            }
            // A zero cannot stand in a zero-terminated line; it is consumed like an LF.
            if (byte != kLf && byte != 0 && static_cast<int>(line.size()) < kLineCapacity) {
                line.push_back(static_cast<char>(byte));
            }
            continue;
        }
        if (!WaitUntil(clock_.NowMs() + ByteTimeLeftMs())) {
            return false;
        }
    }
}

}  // namespace q417
