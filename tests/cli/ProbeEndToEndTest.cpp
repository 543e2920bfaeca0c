// q417cli as a user runs it, against q417sim on a pseudo-terminal.

#include <gtest/gtest.h>

#include "ChildProcess.h"

namespace q417 {
namespace {

const std::string kCli = Q417CLI_PATH;
const std::string kSim = Q417SIM_PATH;

TEST(ProbeEndToEndTest, PrintsTheReadoutsValues) {
    test::SimProcess sim(kSim, {"--sites", "5"});
    ASSERT_FALSE(sim.Device().empty());
    const auto result = test::RunProgram(kCli, {"--device", sim.Device(), "probe"});
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_NE(result.output.find("Firmware version:        2.14\n"), std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("Baud rate:               115200\n"), std::string::npos);
    EXPECT_NE(result.output.find("Information area (1152 bytes):\n0000  "), std::string::npos);
    EXPECT_NE(result.output.find("0470  "), std::string::npos);  // the last row
    EXPECT_EQ(result.output.find("(no answer)"), std::string::npos);
}

TEST(ProbeEndToEndTest, SilentReadoutExitsWithFour) {
    test::SimProcess sim(kSim, {"--silent"});
    ASSERT_FALSE(sim.Device().empty());
    const auto result = test::RunProgram(kCli, {"--device", sim.Device(), "probe"});
    EXPECT_EQ(result.exitCode, 4);
    EXPECT_NE(result.errors.find("no readout answered on " + sim.Device()), std::string::npos)
        << result.errors;
}

struct FailureCase {
    const char* name;
    std::vector<std::string> args;
    int exitCode;
    const char* message;
};

class ProbeFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ProbeFailureTest, ExitCodeAndMessage) {
    const auto result = test::RunProgram(kCli, GetParam().args);
    EXPECT_EQ(result.exitCode, GetParam().exitCode);
    EXPECT_NE(result.errors.find(GetParam().message), std::string::npos) << result.errors;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProbeFailureTest,
    ::testing::Values(
        FailureCase{"MissingDevice",
                    {"--device", "/dev/q417-missing", "probe"},
                    3,
                    "cannot open the port: /dev/q417-missing: no such device"},
        FailureCase{"NotATerminal",
                    {"--device", "/dev/null", "probe"},
                    3,
                    "/dev/null: not a serial device"},
        FailureCase{"Disabled", {"--port", "0", "probe"}, 3, "the port is disabled"},
        FailureCase{"ExtraArgument", {"probe", "extra"}, 2, "probe takes no arguments"},
        FailureCase{"UnknownCommand", {"frobnicate"}, 2, "unknown command frobnicate"},
        FailureCase{"BadPort", {"--port", "99", "probe"}, 2, "--port takes a number from 0 to 20"},
        FailureCase{"NoCommand", {}, 2, "no command given"}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace q417
