// The writing commands as a user runs them: the real q417cli against q417sim on a
// pseudo-terminal, with the readout's memory checked in the state the simulator leaves behind.

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "JsonText.h"
#include "SimStateFixture.h"

namespace q417 {
namespace {

using test::Json;
using test::Latin1;

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

    const Json state = FinalState(sim);
    ASSERT_TRUE(state.contains("displayUnits"));
    EXPECT_EQ(state.at("displayUnits"), 2);  // kPa
    EXPECT_EQ(state.at("displayDigits"), 5);
    EXPECT_EQ(state.at("powerDown"), 1);  // not given, unchanged
    EXPECT_EQ(state.at("calUnits"), 1);
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
    const Json shown = test::ParseJson(status.output);
    ASSERT_FALSE(shown.is_discarded()) << status.output;
    EXPECT_EQ(Latin1(shown.at("serial_number")), "E2E00017");
    EXPECT_EQ(Latin1(shown.at("multiplier")), "2.500000");
    EXPECT_EQ(Latin1(shown.at("calibration_units")), "mm H2O");
    EXPECT_EQ(Latin1(shown.at("site_number")), "3");

    const Json state = FinalState(sim);
    ASSERT_TRUE(state.contains("serialNumber"));
    EXPECT_EQ(Latin1(state.at("serialNumber")), "E2E00017");
    EXPECT_EQ(state.at("multiplier"), 2.5);
    EXPECT_EQ(state.at("zero"), -0.125);
    EXPECT_EQ(state.at("calUnits"), 5);
    EXPECT_EQ(state.at("infoSize"), 1152);
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
