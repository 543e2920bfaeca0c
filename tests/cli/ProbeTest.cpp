// The probe command in-process against the simulated readout on a manual clock: the whole
// printout compared with a golden file, and the exit codes of its failure paths.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <fstream>
#include <sstream>

#include "CommandContext.h"
#include "ExitCode.h"
#include "FakeLine.h"
#include "ManualClock.h"
#include "ProbeCommand.h"
#include "ReadoutEngine.h"

namespace q417::cli {
namespace {

constexpr std::int64_t kNow = 1796742245;  // 2026-12-08 15:04:05 UTC

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class ProbeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
    }

    int Probe(int desiredBaud = 115200) {
        PortDescription port;
        port.name = "/dev/ttyQ417";
        CommandContext context(line, clock, {1, desiredBaud, 20000}, port, out, err);
        return RunProbe(context, {});
    }

    sim::ManualClock clock{kNow};
    sim::ReadoutEngine engine{sim::ReadoutMemory::MakeDefault(4, kNow),
                              [this] { return clock.CalendarSeconds(); }};
    sim::FakeLine line{clock, engine};
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(ProbeTest, PrintoutMatchesTheGoldenFile) {
    ASSERT_EQ(Probe(), kExitOk) << err.str();
    const std::string golden = std::string(GOLDEN_DIR) + "/probe.txt";
    if (getenv("Q417_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(golden, std::ios::binary) << out.str();
    }
    EXPECT_EQ(out.str(), ReadFile(golden));
    EXPECT_EQ(err.str(), "");
}

TEST_F(ProbeTest, SwitchesToTheDesiredBaudRate) {
    ASSERT_EQ(Probe(57600), kExitOk);
    EXPECT_EQ(line.OpenCalls().back(), std::make_pair(1, 57600));
    EXPECT_NE(out.str().find("Baud rate:               57600\n"), std::string::npos);
}

TEST_F(ProbeTest, SilentReadoutIsNoReadout) {
    engine.Faults().silent = true;
    EXPECT_EQ(Probe(), kExitNoReadout);
    EXPECT_EQ(err.str(),
              "q417cli: no readout answered on /dev/ttyQ417 (is it connected and switched on?)\n");
    EXPECT_EQ(out.str(), "");
    // The probing open and the open, then two rounds of two wake-ups with the port reopened
    // at 115200 between them.
    EXPECT_EQ(line.OpenCalls(),
              (std::vector<std::pair<int, int>>{{1, 115200}, {1, 115200}, {1, 115200}}));
    EXPECT_EQ(line.Written(), "\r\n\r\n\r\n\r\n");
}

TEST_F(ProbeTest, PortThatDoesNotOpen) {
    line.SetOpenFailure({OpenFailure::PermissionDenied, "/dev/ttyQ417: permission denied"});
    EXPECT_EQ(Probe(), kExitPortNotOpen);
    EXPECT_EQ(line.Written(), "");
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "q417cli: cannot open the port: /dev/ttyQ417: permission denied\n");
}

TEST_F(ProbeTest, RejectingReadoutReportsEachMissingAnswer) {
    engine.Faults().rejectAll = true;
    EXPECT_EQ(Probe(), kExitFailed);
    EXPECT_NE(out.str().find("Firmware version:        (no answer)\n"), std::string::npos);
    EXPECT_NE(out.str().find("Information area: (no answer)\n"), std::string::npos);
    EXPECT_NE(err.str().find("did not answer every command"), std::string::npos);
}

TEST_F(ProbeTest, CorruptedRepliesAreRetriedToTheSameResult) {
    engine.Faults().cutReplies = 1;  // the wake-up banner comes short: the second try answers
    ASSERT_EQ(Probe(), kExitOk) << err.str();
    EXPECT_EQ(out.str(), ReadFile(std::string(GOLDEN_DIR) + "/probe.txt"));
}

}  // namespace
}  // namespace q417::cli
