#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "DateTimeFields.h"
#include "TestNames.h"
#include "TimeZoneGuard.h"

namespace q417::sim {
namespace {

struct StampCase {
    std::uint32_t stamp;
    DateTimeFields fields;
};

void PrintTo(const StampCase& c, std::ostream* os) {
    *os << c.stamp << " = " << c.fields.Format();
}

std::string StampName(const ::testing::TestParamInfo<StampCase>& test) {
    return "stamp" + std::to_string(test.param.stamp);
}

class ReadoutStampTest : public ::testing::TestWithParam<StampCase> {};

TEST_P(ReadoutStampTest, ConvertsBothWays) {
    const StampCase& c = GetParam();
    EXPECT_EQ(DateTimeFields::FromReadoutStamp(c.stamp), c.fields) << c.fields.Format();
    ASSERT_TRUE(c.fields.ToReadoutStamp().has_value()) << c.fields.Format();
    EXPECT_EQ(*c.fields.ToReadoutStamp(), c.stamp) << c.fields.Format();
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadoutStampTest,
    ::testing::Values(StampCase{0, {2000, 1, 1, 0, 0, 0}},
                      StampCase{86399, {2000, 1, 1, 23, 59, 59}},
                      // 2000 is a leap year: day 59 is 29 February, day 60 is 1 March.
                      StampCase{59 * 86400, {2000, 2, 29, 0, 0, 0}},
                      StampCase{60 * 86400, {2000, 3, 1, 0, 0, 0}},
                      StampCase{366 * 86400, {2001, 1, 1, 0, 0, 0}},
                      StampCase{(366 + 365 + 365 + 31 + 28) * 86400, {2003, 3, 1, 0, 0, 0}},
                      StampCase{1461 * 86400, {2004, 1, 1, 0, 0, 0}},
                      // 26 years with 7 leap days (2000, 2004, ..., 2024).
                      StampCase{820540800, {2026, 1, 1, 0, 0, 0}},
                      StampCase{820540800 + 3723, {2026, 1, 1, 1, 2, 3}},
                      // Every fourth year is a leap year, 2100 included, so the last second falls
                      // one day before the Gregorian 2136-02-07 06:28:15.
                      StampCase{UINT32_MAX, {2136, 2, 6, 6, 28, 15}}),
    StampName);

TEST(DateTimeFieldsTest, RefusesStampsItCannotHold) {
    EXPECT_FALSE((DateTimeFields{1999, 12, 31, 23, 59, 59}.ToReadoutStamp()));
    EXPECT_FALSE((DateTimeFields{2136, 2, 6, 6, 28, 16}.ToReadoutStamp()));
    EXPECT_FALSE((DateTimeFields{2001, 2, 29, 0, 0, 0}.ToReadoutStamp()));
    EXPECT_FALSE((DateTimeFields{2026, 13, 1, 0, 0, 0}.ToReadoutStamp()));
    EXPECT_FALSE((DateTimeFields{2026, 1, 1, 24, 0, 0}.ToReadoutStamp()));
}

struct ValidityCase {
    DateTimeFields fields;
    bool valid;
};

void PrintTo(const ValidityCase& c, std::ostream* os) {
    *os << c.fields.Format() << (c.valid ? " valid" : " invalid");
}

class DateTimeValidityTest : public ::testing::TestWithParam<ValidityCase> {};

TEST_P(DateTimeValidityTest, ChecksEveryField) {
    EXPECT_EQ(GetParam().fields.IsValid(), GetParam().valid) << GetParam().fields.Format();
}

INSTANTIATE_TEST_SUITE_P(
    Table, DateTimeValidityTest,
    ::testing::Values(
        ValidityCase{{2024, 2, 29, 10, 0, 0}, true}, ValidityCase{{2023, 2, 29, 10, 0, 0}, false},
        ValidityCase{{2100, 2, 29, 0, 0, 0}, true}, ValidityCase{{2026, 4, 31, 0, 0, 0}, false},
        ValidityCase{{2026, 12, 31, 23, 59, 59}, true}, ValidityCase{{2026, 0, 1, 0, 0, 0}, false},
        ValidityCase{{2026, 1, 0, 0, 0, 0}, false}, ValidityCase{{2026, 1, 1, 24, 0, 0}, false},
        ValidityCase{{2026, 1, 1, 0, 60, 0}, false}, ValidityCase{{2026, 1, 1, 0, 0, 60}, false},
        ValidityCase{{2026, 1, 1, -1, 0, 0}, false}),
    [](const auto& test) { return testing::SafeName(test.param.fields.Format(), test.index); });

TEST(DateTimeFieldsTest, FormatsWithLeadingZeros) {
    EXPECT_EQ((DateTimeFields{2024, 2, 9, 1, 2, 3}.Format()), "2024/02/09 01:02:03");
}

TEST(DateTimeFieldsTest, ParsesTheClockCommandForm) {
    const auto f = DateTimeFields::Parse("2024/02/29 10:07:05");
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(*f, (DateTimeFields{2024, 2, 29, 10, 7, 5}));
    EXPECT_EQ(DateTimeFields::Parse("2024/2/9 1:2:3"), (DateTimeFields{2024, 2, 9, 1, 2, 3}));
}

TEST(DateTimeFieldsTest, RefusesOtherForms) {
    for (const char* text : {"", "2024-02-29 10:00:00", "2024/02/29 10:00", "2024/02/29  10:00:00",
                             "2024/02/29 10:00:00 ", "2024/02/29T10:00:00", "20240/02/29 10:00:00",
                             "2024/002/29 10:00:00", "2024/02/29 10:00:0x", "/02/29 10:00:00"}) {
        EXPECT_FALSE(DateTimeFields::Parse(text).has_value()) << '"' << text << '"';
    }
}

TEST(DateTimeFieldsTest, LocalTimeInUtc) {
    testing::TimeZoneGuard zone("UTC0");
    EXPECT_EQ(DateTimeFields::FromCalendarLocal(1767225600), (DateTimeFields{2026, 1, 1, 0, 0, 0}));
    EXPECT_EQ((DateTimeFields{2026, 1, 1, 0, 0, 0}.ToCalendarLocal()), 1767225600);
}

TEST(DateTimeFieldsTest, LocalTimeFollowsDaylightSaving) {
    testing::TimeZoneGuard zone(testing::kZoneWithDaylightSaving);
    // 2026-07-01 12:00:00 UTC is 14:00 summer time; 2026-01-01 00:00 UTC is 01:00 winter time.
    EXPECT_EQ(DateTimeFields::FromCalendarLocal(1782907200),
              (DateTimeFields{2026, 7, 1, 14, 0, 0}));
    EXPECT_EQ(DateTimeFields::FromCalendarLocal(1767225600), (DateTimeFields{2026, 1, 1, 1, 0, 0}));
    EXPECT_EQ((DateTimeFields{2026, 7, 1, 14, 0, 0}.ToCalendarLocal()), 1782907200);
    EXPECT_FALSE((DateTimeFields{2026, 2, 30, 0, 0, 0}.ToCalendarLocal()).has_value());
}

}  // namespace
}  // namespace q417::sim
