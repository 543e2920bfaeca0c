// calibrate, reset-battery and capture in-process, with the technician password: the bytes they
// leave in the readout's memory, their output, and the failing step.

#include <gtest/gtest.h>

#include "CliFixture.h"
#include "ExitCode.h"

namespace q417::cli {
namespace {

using testing::kPassword;
using Lines = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

struct CalibrateCase {
    const char* name;
    std::vector<std::string> args;
    Lines writes;
    int address;     // where to look in the information area afterwards
    Bytes expected;  // what must be there
};

void PrintTo(const CalibrateCase& c, std::ostream* os) {
    *os << c.name;
}

class CalibrateTest : public testing::CliFixture,
                      public ::testing::WithParamInterface<CalibrateCase> {};

TEST_P(CalibrateTest, WritesTheValuesGiven) {
    std::vector<std::string> commandLine = {"calibrate", "--password", kPassword};
    commandLine.insert(commandLine.end(), GetParam().args.begin(), GetParam().args.end());
    ASSERT_EQ(Run(commandLine), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "Readout updated\n");
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(SentWrites(), GetParam().writes);
    const auto& info = Memory().Info();
    const auto first = info.begin() + GetParam().address;
    EXPECT_EQ(Bytes(first, first + static_cast<std::ptrdiff_t>(GetParam().expected.size())),
              GetParam().expected);
    EXPECT_EQ(Memory().InfoSize(), 1152);  // never touched by a serial number
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CalibrateTest,
    ::testing::Values(CalibrateCase{"Serial",
                                    {"--serial", "AB12"},
                                    {"WE B 41", "WE C 42", "WE D 31", "WE E 32", "WE F 00"},
                                    11,
                                    {'A', 'B', '1', '2', 0}},
                      CalibrateCase{"LongestSerial",
                                    {"--serial", "Q4170012"},
                                    {"WE B 51", "WE C 34", "WE D 31", "WE E 37", "WE F 30",
                                     "WE 10 30", "WE 11 31", "WE 12 32", "WE 13 00"},
                                    11,
                                    {'Q', '4', '1', '7', '0', '0', '1', '2', 0, 0x80, 0x04}},
                      CalibrateCase{"Multiplier",
                                    {"--multiplier", "2.5"},
                                    {"WE 20 00", "WE 21 00", "WE 22 20", "WE 23 40"},
                                    32,
                                    {0x00, 0x00, 0x20, 0x40}},
                      CalibrateCase{"Offset",
                                    {"--offset", "-1.25"},
                                    {"WE 24 00", "WE 25 00", "WE 26 A0", "WE 27 BF"},
                                    36,
                                    {0x00, 0x00, 0xA0, 0xBF}},
                      CalibrateCase{"Zero",
                                    {"--zero", "0.5"},
                                    {"WE 30 00", "WE 31 00", "WE 32 00", "WE 33 3F"},
                                    48,
                                    {0x00, 0x00, 0x00, 0x3F}},
                      CalibrateCase{"CalUnits", {"--cal-units", "kPa"}, {"WE 28 02"}, 40, {0x02}},
                      CalibrateCase{"Initialize", {"--initialize"}, {"I"}, 40, {0x01}},
                      CalibrateCase{
                          "AllInTheReadoutsOrder",
                          {"--zero", "0.5", "--cal-units", "Ft H2O", "--initialize", "--multiplier",
                           "-4", "--serial", "X9"},
                          {"I", "WE B 58", "WE C 39", "WE D 00", "WE 20 00", "WE 21 00", "WE 22 80",
                           "WE 23 C0", "WE 28 04", "WE 30 00", "WE 31 00", "WE 32 00", "WE 33 3F"},
                          32,
                          {0x00, 0x00, 0x80, 0xC0, 0x00, 0x00, 0x80, 0xBD, 0x04}}),
    [](const auto& p) { return std::string(p.param.name); });

class TechnicianCommandsTest : public testing::CliFixture {};

TEST_F(TechnicianCommandsTest, CalibrateValuesReadBack) {
    ASSERT_EQ(Run({"calibrate", "--password", kPassword, "--serial", "S-42", "--multiplier",
                   "12.4875", "--cal-units", "In H2O", "--initialize"}),
              kExitOk)
        << err.str();
    EXPECT_EQ(Memory().SerialNumber(), "S-42");
    EXPECT_EQ(Memory().Multiplier(), 12.4875f);
    EXPECT_EQ(Memory().CalUnits(), 3);
    EXPECT_EQ(Memory().InitializeCount(), 1);
    EXPECT_EQ(Memory().Offset(), -0.0625f);  // not given, not written
}

TEST_F(TechnicianCommandsTest, CalibrateFailingStepIsNamed) {
    rejecting.Reject("WE 20");
    EXPECT_EQ(Run({"calibrate", "--password", kPassword, "--serial", "AB", "--multiplier", "2"}),
              kExitFailed);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "q417cli: Error writing multiplier.\n");
    EXPECT_EQ(Memory().SerialNumber(), "AB");  // the step before stays done
    EXPECT_EQ(Memory().Multiplier(), 12.4873f);
}

TEST_F(TechnicianCommandsTest, CalibrateInitializeRefused) {
    rejecting.Reject("I");
    EXPECT_EQ(Run({"calibrate", "--password", kPassword, "--initialize", "--serial", "AB"}),
              kExitFailed);
    EXPECT_EQ(err.str(), "q417cli: Unknown error occurred\n");
    EXPECT_EQ(SentWrites().back(), "I");  // nothing after the refused initialisation
    EXPECT_EQ(Memory().SerialNumber(), "30303000");
}

TEST_F(TechnicianCommandsTest, ResetBattery) {
    ASSERT_GT(Memory().DisplayOnTime(), 0.0f);
    ASSERT_EQ(Run({"reset-battery", "--password", kPassword}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "Readout updated\n");
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(SentWrites(), (Lines{"B 2"}));
    EXPECT_EQ(Memory().BatteryResetCount(), 1);
    EXPECT_EQ(Memory().DisplayOnTime(), 0.0f);
}

TEST_F(TechnicianCommandsTest, ResetBatteryRefused) {
    rejecting.Reject("B 2");
    EXPECT_EQ(Run({"reset-battery", "--password", kPassword}), kExitFailed);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "q417cli: Unknown error occurred\n");
    EXPECT_EQ(Memory().BatteryResetCount(), 0);
}

TEST_F(TechnicianCommandsTest, Capture) {
    ASSERT_EQ(Run({"capture", "--password", kPassword}), kExitOk) << err.str();
    EXPECT_EQ(out.str(),
              "Pressure Reading: 2.04761839 Volts\n"
              "Temperature Reading: 0.734615 Volts\n");
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(SentWrites(), Lines{});
}

TEST_F(TechnicianCommandsTest, CaptureDropsTheLeadingBlanks) {
    ASSERT_TRUE(Memory().SetTemperatureSignal("  0.7346"));
    ASSERT_TRUE(Memory().SetPressureSignal("   2.04761"));
    ASSERT_EQ(Run({"capture", "--password", kPassword}), kExitOk) << err.str();
    EXPECT_EQ(out.str(),
              "Pressure Reading: 2.04761 Volts\n"
              "Temperature Reading: 0.7346 Volts\n");
}

TEST_F(TechnicianCommandsTest, CaptureNotAnswered) {
    rejecting.Reject("M");
    EXPECT_EQ(Run({"capture", "--password", kPassword}), kExitFailed);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "q417cli: the readout did not answer the calibration capture\n");
}

TEST_F(TechnicianCommandsTest, SilentReadout) {
    engine.Faults().silent = true;
    EXPECT_EQ(Run({"capture", "--password", kPassword}), kExitNoReadout);
    EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace q417::cli
