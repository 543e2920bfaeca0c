// set in-process: exactly the writes of the values given, in the readout's memory afterwards,
// and the failing step named when the readout does not take one.

#include <gtest/gtest.h>

#include "CliFixture.h"
#include "ExitCode.h"
#include "TimeZoneGuard.h"

namespace q417::cli {
namespace {

using Lines = std::vector<std::string>;

class SetCommandTest : public testing::CliFixture {};

struct SetCase {
    const char* name;
    std::vector<std::string> args;
    Lines writes;
    int displayUnits;   // in memory afterwards (default: 1, PSI)
    int displayDigits;  // default 3
    int powerDown;      // default 1
};

void PrintTo(const SetCase& c, std::ostream* os) {
    *os << c.name;
}

class SetValueTest : public testing::CliFixture, public ::testing::WithParamInterface<SetCase> {};

TEST_P(SetValueTest, WritesOnlyTheValuesGiven) {
    std::vector<std::string> commandLine = {"set"};
    commandLine.insert(commandLine.end(), GetParam().args.begin(), GetParam().args.end());
    ASSERT_EQ(Run(commandLine), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "Readout updated\n");
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(SentWrites(), GetParam().writes);
    EXPECT_EQ(Memory().DisplayUnits(), GetParam().displayUnits);
    EXPECT_EQ(Memory().DisplayDigits(), GetParam().displayDigits);
    EXPECT_EQ(Memory().PowerDown(), GetParam().powerDown);
    EXPECT_EQ(Memory().ClockOffsetSeconds(), -95);  // the clock untouched
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetValueTest,
    ::testing::Values(
        SetCase{"UnitsAndDigits",
                {"--display-units", "kPa", "--digits", "5"},
                {"WE 37 02", "WE 36 05"},
                2,
                5,
                1},
        SetCase{"DigitsBeforeUnitsOnTheCommandLine",
                {"--digits", "5", "--display-units", "kPa"},
                {"WE 37 02", "WE 36 05"},
                2,
                5,
                1},
        SetCase{"UnitsWithBlank", {"--display-units", "M H2O"}, {"WE 37 06"}, 6, 3, 1},
        SetCase{"UnitsInOtherCase", {"--display-units", "mm h2o"}, {"WE 37 05"}, 5, 3, 1},
        SetCase{"Volts", {"--display-units", "Volts"}, {"WE 37 00"}, 0, 3, 1},
        SetCase{"DigitsZero", {"--digits", "0"}, {"WE 36 00"}, 1, 0, 1},
        SetCase{"DigitsEight", {"--digits", "+8"}, {"WE 36 08"}, 1, 8, 1},
        SetCase{"PowerDownZero", {"--power-down", "0"}, {"WE 34 00"}, 1, 3, 0},
        SetCase{"PowerDownFour", {"--power-down", "4"}, {"WE 34 04"}, 1, 3, 4}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(SetCommandTest, EveryValueInTheReadoutsOrder) {
    ASSERT_EQ(Run({"set", "--power-down", "2", "--clock", "2027/03/04 05:06:07", "--digits", "4",
                   "--display-units", "In H2O"}),
              kExitOk)
        << err.str();
    EXPECT_EQ(out.str(), "Readout updated\n");
    EXPECT_EQ(SentWrites(), (Lines{"WE 37 03", "WE 36 04", "WE 34 02", "WT 2027/03/04 05:06:07"}));
    EXPECT_EQ(Memory().DisplayUnits(), 3);
    EXPECT_EQ(Memory().DisplayDigits(), 4);
    EXPECT_EQ(Memory().PowerDown(), 2);
    // 2027-03-04 05:06:07 UTC, and running since.
    EXPECT_GE(engine.ReadoutClockSeconds(), 1804136767);
    EXPECT_LT(engine.ReadoutClockSeconds(), 1804136767 + 600);
}

TEST_F(SetCommandTest, ClockNowIsThePcsTime) {
    ASSERT_EQ(Run({"set", "--clock", "now"}), kExitOk) << err.str();
    ASSERT_EQ(SentWrites().size(), 1u);
    EXPECT_EQ(SentWrites()[0].rfind("WT 2026/12/08 ", 0), 0u) << SentWrites()[0];
    // The link takes the PC's time as it writes it: no latency between the two.
    EXPECT_EQ(Memory().ClockOffsetSeconds(), 0);  // was 95 s slow
    EXPECT_EQ(engine.ReadoutClockSeconds(), clock.CalendarSeconds());
}

TEST_F(SetCommandTest, ClockIsLocalTime) {
    sim::testing::TimeZoneGuard cet(sim::testing::kZoneWithDaylightSaving);
    ASSERT_EQ(Run({"set", "--clock", "2027/07/04 12:00:00"}), kExitOk) << err.str();
    EXPECT_EQ(SentWrites(), (Lines{"WT 2027/07/04 12:00:00"}));
    // 10:00 UTC in summer time, and running since: an hour off would be 1814691600 or 1814698800.
    EXPECT_GE(engine.ReadoutClockSeconds(), 1814695200);
    EXPECT_LT(engine.ReadoutClockSeconds(), 1814695200 + 600);
}

TEST_F(SetCommandTest, ClockSkippedByDaylightSavingIsRefused) {
    sim::testing::TimeZoneGuard cet(sim::testing::kZoneWithDaylightSaving);
    EXPECT_EQ(Run({"set", "--clock", "2027/03/28 02:30:00"}), kExitUsage);
    EXPECT_NE(err.str().find("does not exist in the local time zone"), std::string::npos)
        << err.str();
    EXPECT_TRUE(PortUntouched());
}

// The last second of 2037 leaves the readout a year of clock this program reads; the next is
// refused before the port opens, typed or as the PC's own clock for "now".
struct ClockLimitCase {
    const char* name;
    std::int64_t pcClock;  // calendar seconds; the fixture runs in UTC
    const char* clock;     // the value of --clock
    int exitCode;
    const char* written;  // the start of the clock line sent, nothing when refused
    std::string error;
};

void PrintTo(const ClockLimitCase& c, std::ostream* os) {
    *os << c.name;
}

class ClockLimitTest : public testing::CliFixture,
                       public ::testing::WithParamInterface<ClockLimitCase> {};

TEST_P(ClockLimitTest, LastYearToSetIs2037) {
    const ClockLimitCase& c = GetParam();
    clock.Advance((c.pcClock - clock.CalendarSeconds()) * 1000);
    ASSERT_EQ(clock.CalendarSeconds(), c.pcClock);
    EXPECT_EQ(Run({"set", "--clock", c.clock}), c.exitCode);
    EXPECT_EQ(err.str(), c.error);
    if (c.written == nullptr) {
        EXPECT_TRUE(PortUntouched()) << line.Written();
        EXPECT_EQ(out.str(), "");
        return;
    }
    EXPECT_EQ(out.str(), "Readout updated\n");
    ASSERT_EQ(SentWrites().size(), 1u);
    EXPECT_EQ(SentWrites()[0].rfind(c.written, 0), 0u) << SentWrites()[0];
}

constexpr std::int64_t kLastSecondOf2037 = 2145916799;  // 2037/12/31 23:59:59 UTC
const std::string kTooLate =
    "The readout's clock can be set only up to the end of 2037: this program cannot read it "
    "after 2038.\n";

INSTANTIATE_TEST_SUITE_P(
    Boundary, ClockLimitTest,
    ::testing::Values(
        ClockLimitCase{"TypedLastSecond", testing::kNow, "2037/12/31 23:59:59", kExitOk,
                       "WT 2037/12/31 23:59:59", ""},
        ClockLimitCase{"TypedFirstRefused", testing::kNow, "2038/01/01 00:00:00", kExitUsage,
                       nullptr, "q417cli: --clock \"2038/01/01 00:00:00\": " + kTooLate},
        ClockLimitCase{"TypedLastReadable", testing::kNow, "2038/12/31 23:59:59", kExitUsage,
                       nullptr, "q417cli: --clock \"2038/12/31 23:59:59\": " + kTooLate},
        // "now" is the link's to take as it writes, a moment after the check; the link keeps
        // to the limit too, so the last minute is left as a margin.
        ClockLimitCase{"NowAMinuteBeforeTheEnd", kLastSecondOf2037 - 60, "now", kExitOk, "WT 20",
                       ""},
        ClockLimitCase{
            "NowFirstRefused", kLastSecondOf2037 + 1, "now", kExitUsage, nullptr,
            "q417cli: --clock now: the PC's clock reads 2038/01/01 00:00:00. " + kTooLate}),
    [](const auto& p) { return std::string(p.param.name); });

// The clock sync after a download keeps to the same limit, checked before the port opens.
class DownloadClockLimitTest : public testing::CliFixture {};

TEST_F(DownloadClockLimitTest, SyncClockRefusedWhenThePcClockIsPast2037) {
    clock.Advance((kLastSecondOf2037 + 1 - clock.CalendarSeconds()) * 1000);
    EXPECT_EQ(Run({"download", "--out", "/tmp/q417-never-written.ini", "--sync-clock"}),
              kExitUsage);
    EXPECT_EQ(err.str(),
              "q417cli: --sync-clock: the PC's clock reads 2038/01/01 00:00:00. " + kTooLate);
    EXPECT_TRUE(PortUntouched()) << line.Written();
}

struct FailureCase {
    const char* name;
    const char* rejected;  // the command the readout refuses
    std::vector<std::string> args;
    const char* message;
    int displayUnits;  // afterwards: steps before the failing one stay done
    int displayDigits;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class SetFailureTest : public testing::CliFixture,
                       public ::testing::WithParamInterface<FailureCase> {};

TEST_P(SetFailureTest, FailingStepIsNamed) {
    rejecting.Reject(GetParam().rejected);
    std::vector<std::string> commandLine = {"set"};
    commandLine.insert(commandLine.end(), GetParam().args.begin(), GetParam().args.end());
    EXPECT_EQ(Run(commandLine), kExitFailed);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), std::string("q417cli: ") + GetParam().message + "\n");
    EXPECT_EQ(Memory().DisplayUnits(), GetParam().displayUnits);
    EXPECT_EQ(Memory().DisplayDigits(), GetParam().displayDigits);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetFailureTest,
    ::testing::Values(
        FailureCase{"Units",
                    "WE 37",
                    {"--display-units", "kPa", "--digits", "5"},
                    "Error writing display units.",
                    1,
                    3},
        FailureCase{"DigitsAfterUnits",
                    "WE 36",
                    {"--display-units", "kPa", "--digits", "5"},
                    "Error writing display digits.",
                    2,
                    3},
        FailureCase{"PowerDown", "WE 34", {"--power-down", "3"}, "Error writing power down.", 1, 3},
        FailureCase{"Clock",
                    "WT",
                    {"--digits", "6", "--clock", "2027/03/04 05:06:07"},
                    "Error writing date time.",
                    1,
                    6}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(SetCommandTest, ReadoutFallingSilentAfterTheInformationRead) {
    // The commands a connection and information read take, counted on a status run.
    ASSERT_EQ(Run({"status"}), kExitOk) << err.str();
    engine.Faults().answerCommands = engine.CommandCount();
    line.ClearWritten();
    out.str("");

    EXPECT_EQ(Run({"set", "--display-units", "kPa"}), kExitFailed);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "q417cli: Error writing display units.\n");
    EXPECT_EQ(Memory().DisplayUnits(), 1);
    EXPECT_FALSE(SentWrites().empty());  // it was tried
}

TEST_F(SetCommandTest, PortThatDoesNotOpen) {
    DenyThePort();
    EXPECT_EQ(Run({"set", "--digits", "5"}), kExitPortNotOpen);
    EXPECT_EQ(err.str(),
              "q417cli: cannot open the port: /dev/ttyQ417: permission denied (is the user in the "
              "dialout group?)\n");
    EXPECT_EQ(line.Written(), "");
    EXPECT_EQ(Memory().DisplayDigits(), 3);
}

}  // namespace
}  // namespace q417::cli
