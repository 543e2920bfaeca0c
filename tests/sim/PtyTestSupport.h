#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "PosixSerialLine.h"

namespace q417::sim::testing {

// Host-side helpers for the tests that talk to a simulated readout on a pseudo-terminal through
// the production serial line. Every wait is bounded by a real-time deadline.

inline void WriteText(PosixSerialLine& line, std::string_view text) {
    line.PortWrite(reinterpret_cast<const std::uint8_t*>(text.data()),
                   static_cast<int>(text.size()));
}

// Reads until the text received contains `until`, the deadline passes or the port closes.
inline std::string ReadUntil(PosixSerialLine& line, std::string_view until, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string got;
    while (got.find(until) == std::string::npos && line.PortIsOpen()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            break;
        }
        if (!line.WaitForInput(left)) {
            continue;
        }
        std::uint8_t buffer[256];
        const int n = line.PortRead(buffer, sizeof buffer);
        if (n > 0) {
            got.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
        }
    }
    return got;
}

// One command line with CR LF, and the answer up to its CR LF.
inline std::string Ask(PosixSerialLine& line, std::string_view command, int timeoutMs = 2000) {
    WriteText(line, std::string(command) + "\r\n");
    return ReadUntil(line, "\r\n", timeoutMs);
}

}  // namespace q417::sim::testing
