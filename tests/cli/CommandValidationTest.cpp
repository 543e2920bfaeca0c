// Every refused command line: its exit code and exact message, and not a byte to the readout —
// the port is not even opened.

#include <gtest/gtest.h>

#include "CalibrateCommand.h"
#include "CaptureCommand.h"
#include "CliFixture.h"
#include "CliOptions.h"
#include "ExitCode.h"
#include "ProbeCommand.h"
#include "ResetBatteryCommand.h"
#include "SetCommand.h"
#include "SettingsRefusals.h"
#include "StatusCommand.h"

namespace q417::cli {
namespace {

using testing::kPassword;

struct RefusedCase {
    const char* name;
    std::vector<std::string> commandLine;
    int exitCode;
    std::string message;          // after "q417cli: "
    const char* usage = nullptr;  // the command's usage line that follows, if any
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandValidationTest : public testing::CliFixture,
                              public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(CommandValidationTest, RefusedBeforeThePortOpens) {
    const RefusedCase& c = GetParam();
    EXPECT_EQ(Run(c.commandLine), c.exitCode);
    std::string expected = "q417cli: " + c.message + "\n";
    if (c.usage != nullptr) {
        expected += std::string(c.usage) + "\n";
    }
    EXPECT_EQ(err.str(), expected);
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(PortUntouched()) << line.Written();
}

const std::string kDigits = "Invalid number of display digits./n 0 <= Digits <= 8";
const std::string kUnits =
    "takes a unit name, one of Volts, PSI, kPa, In H2O, Ft H2O, mm H2O, M H2O";
const std::string kPowerDown =
    "--power-down takes a code from 0 to 4 (0: 5  Minutes, 1: 15 Minutes, 2: 30 Minutes, 3: 45 "
    "Minutes, 4: 60 Minutes), not ";
const std::string kClock = "--clock takes now or a local date and time \"YYYY/MM/DD HH:MM:SS\" ";
const std::string kTooLate =
    "The readout's clock can be set only up to the end of 2037: this program cannot read it "
    "after 2038.";
const std::string kDenied = "Password invalid. Access Denied.";
const std::string kNumber = " takes a number such as 12.5 or -0.0625 (not \"";

INSTANTIATE_TEST_SUITE_P(
    Set, CommandValidationTest,
    ::testing::Values(
        RefusedCase{"NothingToSet", {"set"}, 2, "set needs at least one value to write", kSetUsage},
        RefusedCase{"DigitsHuge", {"set", "--digits", "99999999999"}, 2, kDigits},
        RefusedCase{"DigitsWord",
                    {"set", "--digits", "three"},
                    2,
                    "--digits takes a whole number from 0 to 8 (not \"three\")"},
        RefusedCase{"DigitsFraction",
                    {"set", "--digits", "3.5"},
                    2,
                    "--digits takes a whole number from 0 to 8 (not \"3.5\")"},
        RefusedCase{"UnknownUnit",
                    {"set", "--display-units", "bar"},
                    2,
                    "--display-units " + kUnits + " (not \"bar\")"},
        RefusedCase{"UnitWithBlank",
                    {"set", "--display-units", "kPa "},
                    2,
                    "--display-units " + kUnits + " (not \"kPa \")"},
        RefusedCase{"PowerDownFive", {"set", "--power-down", "5"}, 2, kPowerDown + "\"5\""},
        RefusedCase{"PowerDownNegative", {"set", "--power-down", "-1"}, 2, kPowerDown + "\"-1\""},
        RefusedCase{"PowerDownText",
                    {"set", "--power-down", "15 Minutes"},
                    2,
                    kPowerDown + "\"15 Minutes\""},
        RefusedCase{"ClockWord",
                    {"set", "--clock", "yesterday"},
                    2,
                    kClock + "(\"yesterday\": a date and time is written \"YYYY/MM/DD HH:MM:SS\")"},
        RefusedCase{"ClockNoSuchDay",
                    {"set", "--clock", "2027/02/30 10:00:00"},
                    2,
                    kClock + "(\"2027/02/30 10:00:00\": no such date and time for the readout "
                             "(years 2000 to 2037))"},
        RefusedCase{"ClockBeforeTheReadoutsTime",
                    {"set", "--clock", "1999/12/31 23:59:59"},
                    2,
                    "--clock \"1999/12/31 23:59:59\": The readout's clock counts from 2000: it "
                    "cannot be set to an earlier date."},
        RefusedCase{"ClockPastWhatTheReadoutHolds",
                    {"set", "--clock", "2039/01/01 00:00:00"},
                    2,
                    "--clock \"2039/01/01 00:00:00\": " + kTooLate},
        RefusedCase{
            "ClockControlCharacters",
            {"set", "--clock", "\x1B]0;x\x07"},
            2,
            kClock + "(\"\\x1B]0;x\\x07\": a date and time is written \"YYYY/MM/DD HH:MM:SS\")"},
        RefusedCase{
            "SecondValueBad", {"set", "--display-units", "kPa", "--digits", "12"}, 2, kDigits},
        RefusedCase{"MissingValue", {"set", "--digits"}, 2, "--digits needs a value", kSetUsage},
        RefusedCase{"OptionAsValue",
                    {"set", "--display-units", "--digits", "3"},
                    2,
                    "--display-units needs a value",
                    kSetUsage},
        RefusedCase{"Twice",
                    {"set", "--digits", "3", "--digits", "4"},
                    2,
                    "--digits is given twice",
                    kSetUsage},
        RefusedCase{
            "UnknownOption", {"set", "--verbose"}, 2, "unknown option --verbose", kSetUsage},
        RefusedCase{"Positional", {"set", "kPa"}, 2, "unexpected argument kPa", kSetUsage},
        RefusedCase{"NoPasswordHere",
                    {"set", "--password", kPassword, "--digits", "3"},
                    2,
                    "unknown option --password",
                    kSetUsage}),
    [](const auto& p) { return std::string(p.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Calibrate, CommandValidationTest,
    ::testing::Values(
        RefusedCase{"NoPassword", {"calibrate", "--serial", "X1"}, 5, kDenied},
        RefusedCase{"NothingAtAll", {"calibrate"}, 5, kDenied},
        RefusedCase{
            "WrongCase", {"calibrate", "--password", "kwpmoraglend", "--serial", "X1"}, 5, kDenied},
        RefusedCase{"TrailingBlank",
                    {"calibrate", "--password", "KWPmoraglend ", "--serial", "X1"},
                    5,
                    kDenied},
        RefusedCase{"LeadingBlank",
                    {"calibrate", "--password", " KWPmoraglend", "--serial", "X1"},
                    5,
                    kDenied},
        RefusedCase{"EmptyPassword", {"calibrate", "--password", "", "--serial", "X1"}, 5, kDenied},
        RefusedCase{"PasswordBeforeValues",
                    {"calibrate", "--password", "wrong", "--multiplier", "0"},
                    5,
                    kDenied},
        RefusedCase{"PasswordBeforeSyntax", {"calibrate", "--bogus", "--multiplier"}, 5, kDenied},
        RefusedCase{"FirstPasswordCounts",
                    {"calibrate", "--password", "wrong", "--password", kPassword},
                    5,
                    kDenied},
        RefusedCase{"NothingToWrite",
                    {"calibrate", "--password", kPassword},
                    2,
                    "calibrate needs at least one value to write",
                    kCalibrateUsage},
        RefusedCase{"MultiplierWord",
                    {"calibrate", "--password", kPassword, "--multiplier", "abc"},
                    2,
                    "--multiplier" + kNumber + "abc\")"},
        RefusedCase{"MultiplierComma",
                    {"calibrate", "--password", kPassword, "--multiplier", "2,5"},
                    2,
                    "--multiplier" + kNumber + "2,5\")"},
        RefusedCase{"MultiplierNan",
                    {"calibrate", "--password", kPassword, "--multiplier", "nan"},
                    2,
                    "--multiplier" + kNumber + "nan\")"},
        RefusedCase{"MultiplierHuge",
                    {"calibrate", "--password", kPassword, "--multiplier", "1e39"},
                    2,
                    "--multiplier 1e39 is too large for the readout (a 32-bit float)"},
        RefusedCase{"OffsetWord",
                    {"calibrate", "--password", kPassword, "--offset", "x"},
                    2,
                    "--offset" + kNumber + "x\")"},
        RefusedCase{"ZeroInfinite",
                    {"calibrate", "--password", kPassword, "--zero", "-inf"},
                    2,
                    "--zero" + kNumber + "-inf\")"},
        RefusedCase{"CalUnits",
                    {"calibrate", "--password", kPassword, "--cal-units", "bar"},
                    2,
                    "--cal-units " + kUnits + " (not \"bar\")"},
        RefusedCase{"BadValueAfterGoodOnes",
                    {"calibrate", "--password", kPassword, "--serial", "X1", "--multiplier", "0"},
                    2,
                    "Invalid multiplier."},
        RefusedCase{"InitializeTakesNoValue",
                    {"calibrate", "--password", kPassword, "--initialize", "yes"},
                    2,
                    "unexpected argument yes",
                    kCalibrateUsage},
        RefusedCase{"PasswordTwice",
                    {"calibrate", "--password", kPassword, "--password", kPassword, "--zero", "1"},
                    2,
                    "--password is given twice",
                    kCalibrateUsage}),
    [](const auto& p) { return std::string(p.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Others, CommandValidationTest,
    ::testing::Values(
        RefusedCase{"ResetNoPassword", {"reset-battery"}, 5, kDenied},
        RefusedCase{"ResetWrongPassword", {"reset-battery", "--password", "nope"}, 5, kDenied},
        RefusedCase{"ResetExtra",
                    {"reset-battery", "--password", kPassword, "--now"},
                    2,
                    "unknown option --now",
                    kResetBatteryUsage},
        RefusedCase{"CaptureNoPassword", {"capture"}, 5, kDenied},
        RefusedCase{"CaptureWrongPassword", {"capture", "--password", "KWP"}, 5, kDenied},
        RefusedCase{"CaptureExtra",
                    {"capture", "--password", kPassword, "now"},
                    2,
                    "unexpected argument now",
                    kCaptureUsage},
        RefusedCase{
            "StatusUnknownOption", {"status", "--xml"}, 2, "unknown option --xml", kStatusUsage},
        RefusedCase{"StatusJsonTwice",
                    {"status", "--json", "--json"},
                    2,
                    "--json is given twice",
                    kStatusUsage},
        RefusedCase{"ProbeArgument", {"probe", "x"}, 2, "probe takes no arguments", kProbeUsage}),
    [](const auto& p) { return std::string(p.param.name); });

// The values the readout windows refuse, refused here with the same texts.
class SharedRefusalTest : public testing::CliFixture,
                          public ::testing::WithParamInterface<test::SettingRefusal> {};

TEST_P(SharedRefusalTest, SameTextAsTheWindows) {
    const test::SettingRefusal& c = GetParam();
    std::vector<std::string> commandLine = {"calibrate", "--password", kPassword};
    switch (c.field) {
        case test::SettingField::SerialNumber:
            commandLine.insert(commandLine.end(), {"--serial", c.typed});
            break;
        case test::SettingField::Multiplier:
            commandLine.insert(commandLine.end(), {"--multiplier", c.typed});
            break;
        case test::SettingField::DisplayDigits:
            commandLine = {"set", "--digits", c.typed};
            break;
    }
    EXPECT_EQ(Run(commandLine), kExitUsage);
    EXPECT_EQ(err.str(), "q417cli: " + std::string(c.refusal) + "\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(PortUntouched()) << line.Written();
}

INSTANTIATE_TEST_SUITE_P(Shared, SharedRefusalTest, ::testing::ValuesIn(test::kSettingRefusals),
                         [](const auto& p) { return std::string(p.param.name); });

class UnknownCommandTest : public testing::CliFixture {};

TEST_F(UnknownCommandTest, UsageAndNothingSent) {
    EXPECT_EQ(Run({"frobnicate", "--digits", "3"}), kExitUsage);
    EXPECT_EQ(err.str(), std::string("q417cli: unknown command frobnicate\n\n") + UsageText());
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(PortUntouched());
}

}  // namespace
}  // namespace q417::cli
