// The writing commands as a user runs them: the real q417cli against q417sim on a
// pseudo-terminal, with the readout's memory checked in the state the simulator leaves behind.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ChildProcess.h"
#include "MiniJson.h"

namespace q417 {
namespace {

using sim::testing::JsonReader;
using sim::testing::JsonValue;

const std::string kCli = Q417CLI_PATH;
const std::string kSim = Q417SIM_PATH;

class WriteEndToEndTest : public ::testing::Test {
  protected:
    WriteEndToEndTest()
        : dir_(std::filesystem::temp_directory_path() /
               ("q417cli-e2e-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name())),
          state_((dir_ / "state.json").string()) {
        std::filesystem::create_directories(dir_);
    }
    ~WriteEndToEndTest() override { std::filesystem::remove_all(dir_); }

    // Stops the simulator and reads the memory it wrote on the way out.
    JsonValue FinalState(test::SimProcess& sim) {
        EXPECT_EQ(sim.Stop(), 0);
        std::ifstream in(state_);
        std::stringstream text;
        text << in.rdbuf();
        const auto json = JsonReader::Parse(text.str());
        EXPECT_TRUE(json.has_value()) << text.str().substr(0, 300);
        return json.value_or(JsonValue{});
    }

    std::filesystem::path dir_;
    std::string state_;
};

TEST_F(WriteEndToEndTest, SetDisplayUnitsAndDigits) {
    test::SimProcess sim(kSim, {"--sites", "3", "--state-out", state_});
    ASSERT_FALSE(sim.Device().empty());
    const auto result = test::RunProgram(
        kCli, {"--device", sim.Device(), "set", "--display-units", "kPa", "--digits", "5"});
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
    const auto calibrate = test::RunProgram(
        kCli, {"--device", sim.Device(), "calibrate", "--password", "KWPmoraglend", "--serial",
               "E2E00017", "--multiplier", "2.5", "--zero", "-0.125", "--cal-units", "mm H2O"});
    EXPECT_EQ(calibrate.exitCode, 0) << calibrate.errors;
    EXPECT_EQ(calibrate.output, "Readout updated\n");

    const auto status = test::RunProgram(kCli, {"--device", sim.Device(), "status", "--json"});
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
