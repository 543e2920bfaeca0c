// Local time both ways where daylight saving changes: the behaviour every caller relies on.

#include <gtest/gtest.h>

#include "LocalTime.h"
#include "TimeZoneGuard.h"

namespace q417 {
namespace {

struct Case {
    const char* name;
    int day, month, hour, minute;  // of 2026, local
    int shownHour, shownMinute;    // what the calendar second converts back to
    long offsetSeconds;            // UTC offset then
};

const Case kCases[] = {
    {"winter", 15, 1, 12, 0, 12, 0, 3600},
    {"summer", 15, 7, 12, 0, 12, 0, 7200},
    {"skipped: read with the offset before", 29, 3, 2, 30, 3, 30, 7200},
    {"repeated", 25, 10, 2, 30, 2, 30, 0},  // either offset: checked below
};

TEST(LocalTimeTest, ConvertsBothWaysAcrossDaylightSaving) {
    const sim::testing::TimeZoneGuard zone(sim::testing::kZoneWithDaylightSaving);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const std::optional<std::int64_t> seconds =
            LocalTime::ToCalendar(2026, c.month, c.day, c.hour, c.minute, 0);
        ASSERT_TRUE(seconds);
        const std::optional<std::tm> back = LocalTime::FromCalendar(*seconds);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->tm_year, 126);
        EXPECT_EQ(back->tm_mon + 1, c.month);
        EXPECT_EQ(back->tm_mday, c.day);
        EXPECT_EQ(back->tm_hour, c.shownHour);
        EXPECT_EQ(back->tm_min, c.shownMinute);
        if (c.offsetSeconds != 0) {
            EXPECT_EQ(back->tm_gmtoff, c.offsetSeconds);
        } else {
            EXPECT_TRUE(back->tm_gmtoff == 3600 || back->tm_gmtoff == 7200);
        }
    }
    // Out-of-range fields carry over as mktime's do.
    EXPECT_EQ(LocalTime::ToCalendar(2026, 1, 32, 0, 0, 0),
              LocalTime::ToCalendar(2026, 2, 1, 0, 0, 0));
}

}  // namespace
}  // namespace q417
