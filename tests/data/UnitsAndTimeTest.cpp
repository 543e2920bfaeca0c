// Units, value texts and the readout's calendar, checked against values worked out by hand.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "PressureUnit.h"
#include "ReadoutTime.h"
#include "UnitConversion.h"
#include "ValueText.h"

namespace q417 {
namespace {

using U = PressureUnit;

struct ConversionCase {
    const char* text;
    U from;
    U to;
    const char* expected;
};

class ConversionTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(ConversionTest, ValueTextConvertsToNineDecimals) {
    const ConversionCase& c = GetParam();
    EXPECT_EQ(FormatValue(ConvertValue(ParseValue(c.text), c.from, c.to)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Units, ConversionTest,
    ::testing::Values(ConversionCase{"1", U::Psi, U::KPa, "6.894756998"},
                      ConversionCase{"100", U::KPa, U::Psi, "14.503774394"},
                      ConversionCase{"1", U::InH2O, U::MmH2O, "25.400000000"},
                      ConversionCase{"12.345678912", U::Psi, U::Psi, "12.345678912"},
                      ConversionCase{"1", U::MH2O, U::FtH2O, "3.280839895"},
                      ConversionCase{"2.5", U::FtH2O, U::InH2O, "30.000000000"},
                      ConversionCase{"1", U::Volts, U::KPa, "0.009806434"},
                      ConversionCase{"3.5", U::Volts, U::Volts, "3.500000000"},
                      ConversionCase{"", U::Psi, U::KPa, "0.000000000"},
                      ConversionCase{"-2", U::MmH2O, U::MH2O, "-0.002000000"},
                      ConversionCase{"7", UnitOfCode(9), U::MmH2O, "7.000000000"}));

TEST(ConversionFactorTest, VoltsCountAsOneOnTheirSide) {
    EXPECT_EQ(static_cast<double>(ConversionFactor(U::Volts, U::Psi)), 0.0014223031354672622);
    EXPECT_EQ(ConversionFactor(U::MmH2O, U::Volts), 1.0L);
    EXPECT_EQ(static_cast<double>(ConversionFactor(U::Psi, U::Volts)), 703.085);
    EXPECT_EQ(ConversionFactor(UnitOfCode(-1), UnitOfCode(200)), 1.0L);
}

TEST(ConversionFactorTest, FactorIsFormedBeyondDoublePrecision) {
    // 703.085 x 0.009806434496309585 is not a double; the extended product keeps the bits a
    // double would drop, so rounding it to double changes it.
    const long double factor = ConversionFactor(U::Psi, U::KPa);
    EXPECT_NE(factor, static_cast<long double>(static_cast<double>(factor)));
}

TEST(ConversionFactorTest, ReadoutValuesRoundTheFactorFirstThenToFloat) {
    EXPECT_EQ(ConvertValueForReadout(1.0, U::Psi, U::KPa), 6.894757f);
    EXPECT_EQ(ConvertValueForReadout(0.0, U::Psi, U::KPa), 0.0f);
    EXPECT_EQ(ConvertValueForReadout(12.3, U::Psi, U::Psi), 12.3f);
}

TEST(ValueTextTest, FormatsWithNineDecimalsAndAPoint) {
    EXPECT_EQ(FormatValue(12.3f), "12.300000191");  // the float's own value shows
    EXPECT_EQ(FormatValue(0.0), "0.000000000");
    EXPECT_EQ(FormatValue(-1.5), "-1.500000000");
    EXPECT_EQ(FormatValue(0.0000000004), "0.000000000");
    EXPECT_EQ(FormatValue(0.0000000006), "0.000000001");
    EXPECT_EQ(FormatValue(1e20), "100000000000000000000.000000000");
}

TEST(ValueTextTest, ParsesTheLongestNumericPrefix) {
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"", 0.0},    {"abc", 0.0},   {"  12.5xyz", 12.5}, {"1e3", 1000.0},
        {"+3", 3.0},  {"-0.5", -0.5}, {"6.5 kPa", 6.5},    {"\t7", 7.0},
        {"1,5", 1.0}, {".25", 0.25},  {"-", 0.0},          {"12.300000191", 12.300000191},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseValue(c.text), c.expected) << '"' << c.text << '"';
    }
}

// Whole numbers are taken as ParseValue takes them; a text with anything else in it is none.
TEST(ValueTextTest, WholeValueIsTheTextAndNothingElse) {
    const struct {
        const char* text;
        std::optional<double> expected;
    } cases[] = {
        {"12.300000191", 12.300000191},
        {"0.000000000", 0.0},
        {" -1.5\t", -1.5},
        {"+3", 3.0},
        {"1e3", 1000.0},
        {".25", 0.25},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"12.5xyz", std::nullopt},
        {"6.5 kPa", std::nullopt},
        {"1,5", std::nullopt},
        {"-", std::nullopt},
        {"1.5.2", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseWholeValue(c.text), c.expected) << '"' << c.text << '"';
        if (c.expected) {
            EXPECT_EQ(ParseValue(c.text), *c.expected) << '"' << c.text << '"';
        }
    }
    std::string withZero = "1.5";
    withZero += '\0';
    withZero += "7";
    EXPECT_FALSE(ParseWholeValue(withZero));
    EXPECT_TRUE(std::isnan(ParseWholeValue("nan").value_or(0.0)));  // a number, if no value
}

TEST(UnitNamesTest, NamesAndColumnTexts) {
    const char* names[] = {"Volts", "PSI", "kPa", "In H2O", "Ft H2O", "mm H2O", "M H2O"};
    for (int code = 0; code <= 6; ++code) {
        EXPECT_EQ(PressureUnitName(UnitOfCode(code)), names[code]);
        EXPECT_EQ(UnitsColumnName(UnitOfCode(code)), names[code]);
        EXPECT_EQ(UnitOfName(names[code]), UnitOfCode(code));
    }
    EXPECT_EQ(PressureUnitName(UnitOfCode(7)), "");
    EXPECT_EQ(UnitsColumnName(UnitOfCode(7)), "Volts");
    EXPECT_EQ(UnitsColumnName(UnitOfCode(-1)), "Volts");
    EXPECT_FALSE(UnitOfName("psi").has_value());
    EXPECT_FALSE(UnitOfName("PSI ").has_value());
    EXPECT_FALSE(UnitOfName("").has_value());
}

TEST(UnitNamesTest, TypedNamesMayDifferInLetterCase) {
    const char* names[] = {"Volts", "PSI", "kPa", "In H2O", "Ft H2O", "mm H2O", "M H2O"};
    for (int code = 0; code <= 6; ++code) {
        EXPECT_EQ(UnitOfNameAnyCase(names[code]), UnitOfCode(code));
    }
    EXPECT_EQ(UnitOfNameAnyCase("psi"), PressureUnit::Psi);
    EXPECT_EQ(UnitOfNameAnyCase("KPA"), PressureUnit::KPa);
    EXPECT_EQ(UnitOfNameAnyCase("in h2o"), PressureUnit::InH2O);
    EXPECT_EQ(UnitOfNameAnyCase("MM H2O"), PressureUnit::MmH2O);
    EXPECT_EQ(UnitOfNameAnyCase("m h2o"), PressureUnit::MH2O);
    EXPECT_FALSE(UnitOfNameAnyCase("psi ").has_value());
    EXPECT_FALSE(UnitOfNameAnyCase("mmH2O").has_value());
    EXPECT_FALSE(UnitOfNameAnyCase("").has_value());
}

struct StampCase {
    std::uint32_t seconds;
    const char* text;
    const char* iso;
};

class FormatReadoutTimeTest : public ::testing::TestWithParam<StampCase> {};

TEST_P(FormatReadoutTimeTest, Formats) {
    EXPECT_EQ(FormatReadoutTime(GetParam().seconds), GetParam().text);
    EXPECT_EQ(FormatIsoReadoutTime(GetParam().seconds), GetParam().iso);
}

INSTANTIATE_TEST_SUITE_P(
    Calendar, FormatReadoutTimeTest,
    ::testing::Values(StampCase{0, "01/01/00 00:00", "2000-01-01T00:00:00"},
                      StampCase{59, "01/01/00 00:00", "2000-01-01T00:00:59"},
                      StampCase{86399, "01/01/00 23:59", "2000-01-01T23:59:59"},
                      StampCase{59 * 86400, "02/29/00 00:00", "2000-02-29T00:00:00"},
                      StampCase{60 * 86400, "03/01/00 00:00", "2000-03-01T00:00:00"},
                      StampCase{31622400 - 1, "12/31/00 23:59", "2000-12-31T23:59:59"},
                      StampCase{31622400, "01/01/01 00:00", "2001-01-01T00:00:00"},
                      StampCase{252460740, "12/31/07 23:59", "2007-12-31T23:59:00"},
                      StampCase{762525000, "02/29/24 12:30", "2024-02-29T12:30:00"},
                      StampCase{3155759940U, "12/31/99 23:59", "2099-12-31T23:59:00"},
                      // Past 2^31 the stamp is still a date (it is unsigned) ...
                      StampCase{2147483648U, "01/19/68 03:14", "2068-01-19T03:14:08"},
                      // ... up to the last one, where the year needs three digits and 2100
                      // counts as a leap year.
                      StampCase{4294967295U, "02/06/136 06:28", "2136-02-06T06:28:15"}));

struct ParseCase {
    const char* text;
    DateFields fields;
};

class ParseSiteDateTimeTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseSiteDateTimeTest, Parses) {
    const DateFields f = ParseSiteDateTime(GetParam().text);
    const DateFields& e = GetParam().fields;
    EXPECT_EQ(f, e) << '"' << GetParam().text << "\" gave " << int(f.month) << '/' << int(f.day)
                    << '/' << int(f.year) << ' ' << int(f.hour) << ':' << int(f.minute);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseSiteDateTimeTest,
    ::testing::Values(ParseCase{"12/31/07 23:59", {7, 12, 31, 23, 59, 0}},
                      ParseCase{"  1/2/3 4:5 \t", {3, 1, 2, 4, 5, 0}},
                      ParseCase{"01/01/00 00:00", {0, 1, 1, 0, 0, 0}},
                      ParseCase{"", {0, 0, 0, 0, 0, 0}}, ParseCase{"12/31", {0, 12, 31, 0, 0, 0}},
                      ParseCase{"ab/cd/ef gh:ij", {0, 0, 0, 0, 0, 0}},
                      ParseCase{"300/1/1 1:1", {1, 44, 1, 1, 1, 0}},  // kept as its low byte
                      ParseCase{"-1/1/1 1:1", {1, 255, 1, 1, 1, 0}},
                      ParseCase{"99999999999999999999999/2/3 4:5", {3, 255, 2, 4, 5, 0}},
                      ParseCase{"06/15/24 7:08pm", {24, 6, 15, 7, 8, 0}},
                      ParseCase{"6/15/24", {24, 6, 15, 0, 0, 0}}));

struct ExactCase {
    const char* text;
    std::optional<DateFields> fields;
};

void PrintTo(const ExactCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class ParseExactSiteDateTimeTest : public ::testing::TestWithParam<ExactCase> {};

// What the strict reading takes, the loose one reads the same.
TEST_P(ParseExactSiteDateTimeTest, TakesOnlyADateOfTheReadoutsCalendar) {
    const std::optional<DateFields> f = ParseExactSiteDateTime(GetParam().text);
    EXPECT_EQ(f, GetParam().fields);
    if (f) {
        EXPECT_EQ(*f, ParseSiteDateTime(GetParam().text));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseExactSiteDateTimeTest,
    ::testing::Values(
        ExactCase{"12/31/07 23:59", DateFields{7, 12, 31, 23, 59, 0}},
        ExactCase{"01/01/00 00:00", DateFields{0, 1, 1, 0, 0, 0}},
        ExactCase{"  1/2/3 4:5 \t", DateFields{3, 1, 2, 4, 5, 0}},
        ExactCase{"02/29/24 12:30", DateFields{24, 2, 29, 12, 30, 0}},
        ExactCase{"02/06/136 06:28", DateFields{136, 2, 6, 6, 28, 0}},  // the last stamp's
        ExactCase{"02/06/136 06:29", std::nullopt},                     // past it
        ExactCase{"02/29/23 12:30", std::nullopt}, ExactCase{"04/31/26 08:00", std::nullopt},
        ExactCase{"13/45/99 25:61", std::nullopt}, ExactCase{"00/10/26 08:00", std::nullopt},
        ExactCase{"12/00/26 08:00", std::nullopt}, ExactCase{"12/01/26 24:00", std::nullopt},
        ExactCase{"12/01/26 23:60", std::nullopt}, ExactCase{"12/01/2026 08:30", std::nullopt},
        ExactCase{"12/01/26", std::nullopt}, ExactCase{"12/01/26 08:30:15", std::nullopt},
        ExactCase{"06/15/24 7:08pm", std::nullopt}, ExactCase{"12-01-26 08:30", std::nullopt},
        ExactCase{"12/01/26  08:30", std::nullopt}, ExactCase{"+1/01/26 08:30", std::nullopt},
        ExactCase{"ab/cd/ef gh:ij", std::nullopt}, ExactCase{"", std::nullopt}));

TEST(ReadoutTimeFromDateTest, KnownDates) {
    const struct {
        const char* text;
        std::uint32_t stamp;
    } cases[] = {
        {"01/01/00 00:00", 0},           {"01/01/01 00:00", 31622400},
        {"03/01/00 00:00", 5184000},     {"12/31/07 23:59", 252460740},
        {"02/29/24 12:30", 762525000},   {"03/01/23 00:00", 730944000},
        {"12/31/99 23:59", 3155759940U},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadoutTimeFromDate(ParseSiteDateTime(c.text)), c.stamp) << c.text;
        EXPECT_EQ(FormatReadoutTime(c.stamp), c.text);
    }
}

TEST(ReadoutTimeFromDateTest, OutOfRangeFieldsStayWithinTheMonthTable) {
    DateFields f;
    f.month = 255;  // counts as the end of December
    f.year = 1;
    EXPECT_EQ(SecondsIntoYear(f), 365U * 86400U);
    f.year = 4;
    EXPECT_EQ(SecondsIntoYear(f), 366U * 86400U);
    DateFields dayZero{0, 3, 0, 0, 0, 0};
    DateFields dayOne{0, 3, 1, 0, 0, 0};
    EXPECT_EQ(SecondsIntoYear(dayZero), SecondsIntoYear(dayOne));
}

TEST(ReadoutTimeFromDateTest, EveryMinuteOfALeapDayRoundTrips) {
    for (std::uint32_t minute = 0; minute < 24 * 60; minute += 7) {
        const std::uint32_t stamp = 762480000U + minute * 60U;  // 02/29/24 00:00 onwards
        const std::string text = FormatReadoutTime(stamp);
        EXPECT_EQ(ReadoutTimeFromDate(ParseSiteDateTime(text)), stamp) << text;
    }
}

}  // namespace
}  // namespace q417
