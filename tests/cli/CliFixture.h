#pragma once

// q417cli's commands run in-process against the simulated readout on a manual clock, in UTC.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "CommandContext.h"
#include "CommandTable.h"
#include "FakeLine.h"
#include "ManualClock.h"
#include "ReadoutEngine.h"
#include "RejectingLine.h"
#include "TimeZoneGuard.h"

namespace q417::cli::testing {

inline constexpr std::int64_t kNow = 1796742245;  // 2026-12-08 15:04:05 UTC
inline constexpr const char* kPassword = "KWPmoraglend";
inline constexpr const char* kPortName = "/dev/ttyQ417";
inline constexpr std::int64_t kTimeoutMs = 20000;

class CliFixture : public ::testing::Test {
  protected:
    // The link's worker runs on a thread of its own: its pauses take a hundredth of their time
    // in real time too, so that it keeps pace with the test instead of idling hours ahead.
    CliFixture() { clock.SetRealSleepDivisor(100); }

    // Runs commandLine (the command, then its arguments) as q417cli would, with --device
    // /dev/ttyQ417. Returns the exit code; out and err hold what it printed.
    int Run(const std::vector<std::string>& commandLine) { return RunOn(rejecting, commandLine); }

    // As Run, on a line of the test's own.
    int RunOn(SerialLine& serial, const std::vector<std::string>& commandLine) {
        PortDescription port;
        port.name = kPortName;
        CommandContext context(serial, clock, {1, 115200, kTimeoutMs, &stopRequested}, port, out,
                               err);
        return RunCommand(commandLine.at(0), context, {commandLine.begin() + 1, commandLine.end()});
    }

    // The port cannot be opened, as when the user is not in the dialout group.
    void DenyThePort() {
        line.SetOpenFailure({OpenFailure::PermissionDenied, std::string(kPortName) +
                                                                ": permission denied (is the "
                                                                "user in the dialout group?)"});
    }

    // True when nothing reached the port: not opened, not a byte written, no command received.
    [[nodiscard]] bool PortUntouched() const {
        return line.OpenCalls().empty() && line.Written().empty() && engine.CommandCount() == 0;
    }

    // The command lines the host sent, in order (CR LF and lone CR both end a line).
    [[nodiscard]] std::vector<std::string> SentLines() const {
        std::vector<std::string> lines;
        std::string current;
        for (const char c : line.Written()) {
            if (c == '\r') {
                lines.push_back(current);
                current.clear();
            } else if (c != '\n') {
                current.push_back(c);
            }
        }
        return lines;
    }

    // The lines that change the readout: byte writes, clock, initialise, battery reset.
    [[nodiscard]] std::vector<std::string> SentWrites() const {
        std::vector<std::string> writes;
        for (const std::string& l : SentLines()) {
            if (l.rfind("WE ", 0) == 0 || l.rfind("WT ", 0) == 0 || l == "I" || l == "B 2") {
                writes.push_back(l);
            }
        }
        return writes;
    }

    [[nodiscard]] sim::ReadoutMemory& Memory() { return engine.Memory(); }

    // Set before the engine: the default memory's time stamps are local times.
    sim::testing::TimeZoneGuard zone{"UTC"};
    sim::ManualClock clock{kNow};
    sim::ReadoutEngine engine{sim::ReadoutMemory::MakeDefault(4, kNow),
                              [this] { return clock.CalendarSeconds(); }};
    sim::FakeLine line{clock, engine};
    RejectingLine rejecting{line};
    std::ostringstream out;
    std::ostringstream err;
    // What Ctrl-C sets in the program.
    std::atomic<bool> stopRequested{false};
};

}  // namespace q417::cli::testing
