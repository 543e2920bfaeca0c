// The checks of a settings change: each bad value refused with its one text and nothing taken,
// and the write's flags those of the values taken, no more.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>

#include "SettingsChange.h"
#include "SettingsRefusals.h"
#include "TimeZoneGuard.h"

namespace q417 {
namespace {

using test::SettingField;
using test::SettingRefusal;
using Setter = std::function<std::optional<std::string>(SettingsChange&)>;

constexpr std::int64_t kLastSecondOf2037 = 2145916799;  // 2037/12/31 23:59:59 UTC
constexpr float kInfinity = std::numeric_limits<float>::infinity();

// The typed text as the front ends read it.
std::optional<std::string> Apply(const SettingRefusal& c, SettingsChange& change) {
    switch (c.field) {
        case SettingField::SerialNumber:
            return change.SetSerialNumber(c.typed);
        case SettingField::Multiplier:
            return change.SetMultiplier(std::strtof(c.typed, nullptr));
        case SettingField::DisplayDigits:
            return change.SetDisplayDigits(std::stoi(c.typed));
    }
    return std::nullopt;
}

class SharedRefusalTest : public ::testing::TestWithParam<SettingRefusal> {};

TEST_P(SharedRefusalTest, RefusedWithItsTextAndNothingTaken) {
    SettingsChange change;
    EXPECT_EQ(Apply(GetParam(), change), std::string(GetParam().refusal));
    EXPECT_TRUE(change.Empty());
    EXPECT_EQ(change.Flags(), 0);
}

INSTANTIATE_TEST_SUITE_P(FrontEnds, SharedRefusalTest, ::testing::ValuesIn(test::kSettingRefusals),
                         [](const auto& p) { return std::string(p.param.name); });

struct LinkRefusal {
    const char* name;
    Setter set;
    std::string refusal;
};

void PrintTo(const LinkRefusal& c, std::ostream* os) {
    *os << c.name;
}

class LinkRefusalTest : public ::testing::TestWithParam<LinkRefusal> {};

// Values the front ends cannot give (their lists and number parsing stop them first).
TEST_P(LinkRefusalTest, RefusedWithItsText) {
    sim::testing::TimeZoneGuard utc("UTC");
    SettingsChange change;
    EXPECT_EQ(GetParam().set(change), GetParam().refusal);
    EXPECT_TRUE(change.Empty());
}

constexpr std::int64_t kLastSecondOf1999 = 946684799;  // 1999/12/31 23:59:59 UTC
const std::string kTooLate =
    "The readout's clock can be set only up to the end of 2037: this program cannot read it after "
    "2038.";

INSTANTIATE_TEST_SUITE_P(
    Values, LinkRefusalTest,
    ::testing::Values(
        LinkRefusal{"MultiplierInfinite", [](auto& c) { return c.SetMultiplier(kInfinity); },
                    "Invalid multiplier."},
        LinkRefusal{"OffsetNan", [](auto& c) { return c.SetOffset(std::nanf("")); },
                    "Invalid offset."},
        LinkRefusal{"ZeroInfinite", [](auto& c) { return c.SetZero(-kInfinity); },
                    "Invalid zero readout."},
        LinkRefusal{"CalUnitsPastList", [](auto& c) { return c.SetCalUnits(7); },
                    "Invalid calibration units."},
        LinkRefusal{"DisplayUnitsNegative", [](auto& c) { return c.SetDisplayUnits(-1); },
                    "Invalid display units."},
        LinkRefusal{"PowerDownPastList", [](auto& c) { return c.SetPowerDown(5); },
                    "Invalid power down."},
        LinkRefusal{"ContrastPastByte", [](auto& c) { return c.SetLcdContrast(256); },
                    "Invalid LCD Contrast."},
        LinkRefusal{"ClockPast2037", [](auto& c) { return c.SetClock(kLastSecondOf2037 + 1); },
                    kTooLate},
        LinkRefusal{"PcTimePast2037",
                    [](auto& c) { return c.SetClockToPcTime(kLastSecondOf2037 + 1); }, kTooLate},
        // The readout counts from 2000: a clock set before it would wrap.
        LinkRefusal{"ClockBefore2000", [](auto& c) { return c.SetClock(kLastSecondOf1999); },
                    "The readout's clock counts from 2000: it cannot be set to an earlier date."}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(SettingsChangeTest, FlagsAreThoseOfTheValuesTaken) {
    sim::testing::TimeZoneGuard utc("UTC");
    SettingsChange change;
    EXPECT_EQ(change.SetSerialNumber("ABCD 234"), std::nullopt);
    EXPECT_EQ(change.SetMultiplier(-1.0f), std::nullopt);
    EXPECT_EQ(change.SetCalUnits(6), std::nullopt);
    EXPECT_EQ(change.SetDisplayDigits(8), std::nullopt);
    EXPECT_EQ(change.SetPowerDown(4), std::nullopt);
    EXPECT_EQ(change.SetClock(kLastSecondOf2037), std::nullopt);
    // A refused value leaves the one taken before.
    EXPECT_NE(change.SetDisplayDigits(9), std::nullopt);
    EXPECT_EQ(change.Flags(), SET_SERIAL_NUMBER | SET_MULTIPLIER | SET_CAL_UNITS |
                                  SET_DISPLAY_DIGITS | SET_POWER_DOWN | SET_CLOCK);
    const ReadoutSettings& r = change.Request();
    EXPECT_EQ(r.serialNumber, "ABCD 234");
    EXPECT_EQ(r.multiplier, -1.0f);
    EXPECT_EQ(r.calUnits, 6);
    EXPECT_EQ(r.displayDigits, 8);
    EXPECT_EQ(r.powerDown, 4);
    EXPECT_EQ(r.readoutClock, kLastSecondOf2037);
}

// The PC's time is set by the clock sync after the write, not by the write.
TEST(SettingsChangeTest, PcTimeLeavesTheClockOutOfTheWrite) {
    sim::testing::TimeZoneGuard utc("UTC");
    SettingsChange change;
    EXPECT_EQ(change.SetClock(kLastSecondOf2037 - 60), std::nullopt);
    EXPECT_EQ(change.SetClockToPcTime(kLastSecondOf2037 - 60), std::nullopt);
    EXPECT_EQ(change.Flags(), 0);
    EXPECT_TRUE(change.ClockToPcTime());
    EXPECT_FALSE(change.Empty());
    change.SetInitialize();
    EXPECT_EQ(change.Flags(), SET_INITIALIZE);
}

}  // namespace
}  // namespace q417
