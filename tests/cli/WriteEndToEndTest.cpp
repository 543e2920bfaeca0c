// The writing commands as a user runs them: the real q417cli against q417sim on a
// pseudo-terminal, with the readout's memory checked in the state the simulator leaves behind.

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "MiniJson.h"
#include "SimStateFixture.h"

namespace q417 {
namespace {

using sim::testing::JsonReader;
using sim::testing::JsonValue;

const std::string kCli = Q417CLI_PATH;
const std::string kSim = Q417SIM_PATH;

class WriteEndToEndTest : public cli::testing::SimStateFixture {
  protected:
    WriteEndToEndTest() : SimStateFixture("q417cli-e2e") {}
};

TEST_F(WriteEndToEndTest, SetDisplayUnitsAndDigits) {
    test::SimProcess sim(kSim, {"--sites", "3", "--state-out", state_});
    ASSERT_FALSE(sim.Device().empty());
    const auto result = Cli(sim, {"set", "--display-units", "kPa", "--digits", "5"});
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(result.output, "Readout updated\n");
    EXPECT_EQ(result.errors, "");

    const JsonValue state = FinalState(sim);
    ASSERT_TRUE(state.Has("displayUnits"));
    EXPECT_EQ(state["displayUnits"].number, 2);  // kPa
    EXPECT_EQ(state["displayDigits"].number, 5);
    EXPECT_EQ(state["powerDown"].number, 1);  // not given, unchanged
    EXPECT_EQ(state["calUnits"].number, 1);
}

TEST_F(WriteEndToEndTest, CalibrateThenStatusShowsTheNewValues) {
    test::SimProcess sim(kSim, {"--sites", "3", "--state-out", state_});
    ASSERT_FALSE(sim.Device().empty());
    const auto calibrate =
        Cli(sim, {"calibrate", "--password", "KWPmoraglend", "--serial", "E2E00017", "--multiplier",
                  "2.5", "--zero", "-0.125", "--cal-units", "mm H2O"});
    EXPECT_EQ(calibrate.exitCode, 0) << calibrate.errors;
    EXPECT_EQ(calibrate.output, "Readout updated\n");

    const auto status = Cli(sim, {"status", "--json"});
    EXPECT_EQ(status.exitCode, 0) << status.errors;
    const auto shown = JsonReader::Parse(status.output);
    ASSERT_TRUE(shown.has_value()) << status.output;
    EXPECT_EQ((*shown)["serialNumber"].text, "E2E00017");
    EXPECT_EQ((*shown)["multiplier"].text, "2.500000");
    EXPECT_EQ((*shown)["calibrationUnits"].text, "mm H2O");
    EXPECT_EQ((*shown)["siteNumber"].text, "3");

    const JsonValue state = FinalState(sim);
    ASSERT_TRUE(state.Has("serialNumber"));
    EXPECT_EQ(state["serialNumber"].text, "E2E00017");
    EXPECT_EQ(state["multiplier"].number, 2.5);
    EXPECT_EQ(state["zero"].number, -0.125);
    EXPECT_EQ(state["calUnits"].number, 5);
    EXPECT_EQ(state["infoSize"].number, 1152);
}

TEST(TechnicianEndToEndTest, WrongPasswordNeverOpensThePort) {
    // A port that cannot open would exit with 3: 5 shows it was not even tried.
    const auto result = test::RunProgram(
        kCli, {"--device", "/dev/q417-missing", "calibrate", "--password", "guess", "--zero", "1"});
    EXPECT_EQ(result.exitCode, 5);
    EXPECT_EQ(result.errors, "q417cli: Password invalid. Access Denied.\n");
    EXPECT_EQ(result.output, "");
}

}  // namespace
}  // namespace q417
