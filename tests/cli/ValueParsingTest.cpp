// The pieces under the commands' checks: numbers, unit names, local date and time, argument
// scanning and the escaping of texts that come from the readout.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CommandArguments.h"
#include "TextEscaping.h"
#include "TimeZoneGuard.h"
#include "ValueChecks.h"
#include "ValueParsing.h"

namespace q417::cli {
namespace {

struct WholeCase {
    const char* text;
    NumberStatus status;
    int value;
};

void PrintTo(const WholeCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class WholeNumberTest : public ::testing::TestWithParam<WholeCase> {};

TEST_P(WholeNumberTest, Parse) {
    int value = -12345;
    EXPECT_EQ(ParseWholeNumber(GetParam().text, value), GetParam().status);
    EXPECT_EQ(value, GetParam().status == NumberStatus::Ok ? GetParam().value : -12345);
}

INSTANTIATE_TEST_SUITE_P(Cases, WholeNumberTest,
                         ::testing::Values(WholeCase{"3", NumberStatus::Ok, 3},
                                           WholeCase{"+8", NumberStatus::Ok, 8},
                                           WholeCase{"-1", NumberStatus::Ok, -1},
                                           WholeCase{"007", NumberStatus::Ok, 7},
                                           WholeCase{"99999999999", NumberStatus::OutOfRange, 0},
                                           WholeCase{"", NumberStatus::NotANumber, 0},
                                           WholeCase{"+", NumberStatus::NotANumber, 0},
                                           WholeCase{"+-3", NumberStatus::NotANumber, 0},
                                           WholeCase{" 3", NumberStatus::NotANumber, 0},
                                           WholeCase{"3 ", NumberStatus::NotANumber, 0},
                                           WholeCase{"3.0", NumberStatus::NotANumber, 0},
                                           WholeCase{"0x3", NumberStatus::NotANumber, 0},
                                           WholeCase{"three", NumberStatus::NotANumber, 0}));

struct FloatCase {
    const char* text;
    NumberStatus status;
    float value;
};

void PrintTo(const FloatCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class FloatNumberTest : public ::testing::TestWithParam<FloatCase> {};

TEST_P(FloatNumberTest, Parse) {
    float value = -7.0f;
    EXPECT_EQ(ParseFloatNumber(GetParam().text, value), GetParam().status);
    if (GetParam().status == NumberStatus::Ok) {
        EXPECT_EQ(value, GetParam().value);  // exact: the float the text names
        EXPECT_EQ(std::signbit(value), std::signbit(GetParam().value));
    } else {
        EXPECT_EQ(value, -7.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FloatNumberTest,
    ::testing::Values(
        FloatCase{"2.5", NumberStatus::Ok, 2.5f}, FloatCase{"12.4873", NumberStatus::Ok, 12.4873f},
        FloatCase{"-0.0625", NumberStatus::Ok, -0.0625f},
        FloatCase{"+1e3", NumberStatus::Ok, 1000.0f}, FloatCase{".5", NumberStatus::Ok, 0.5f},
        FloatCase{"0", NumberStatus::Ok, 0.0f}, FloatCase{"-0", NumberStatus::Ok, -0.0f},
        FloatCase{"1e-50", NumberStatus::Ok, 0.0f},  // below the smallest float
        FloatCase{"-1e-50", NumberStatus::Ok, -0.0f}, FloatCase{"1e-40", NumberStatus::Ok, 1e-40f},
        FloatCase{"1e39", NumberStatus::OutOfRange, 0},
        FloatCase{"-1e39", NumberStatus::OutOfRange, 0},
        FloatCase{"1e999", NumberStatus::OutOfRange, 0},
        FloatCase{"1,5", NumberStatus::NotANumber, 0},  // never the locale's comma
        FloatCase{"inf", NumberStatus::NotANumber, 0},
        FloatCase{"nan", NumberStatus::NotANumber, 0}, FloatCase{"", NumberStatus::NotANumber, 0},
        FloatCase{" 1", NumberStatus::NotANumber, 0},
        FloatCase{"1.5V", NumberStatus::NotANumber, 0},
        FloatCase{"0x10", NumberStatus::NotANumber, 0}));

// The code the writing commands take for a unit name typed on the command line.
std::optional<std::uint8_t> TypedUnit(const std::string& text) {
    ArgumentFault fault;
    const std::optional<std::uint8_t> code = CheckUnitName("--units", text, fault);
    EXPECT_EQ(fault.message.empty(), code.has_value()) << '"' << text << '"';
    return code;
}

TEST(UnitNameTest, ExactNamesThenAnyLetterCase) {
    EXPECT_EQ(TypedUnit("Volts"), 0);
    EXPECT_EQ(TypedUnit("PSI"), 1);
    EXPECT_EQ(TypedUnit("kPa"), 2);
    EXPECT_EQ(TypedUnit("In H2O"), 3);
    EXPECT_EQ(TypedUnit("Ft H2O"), 4);
    EXPECT_EQ(TypedUnit("mm H2O"), 5);
    EXPECT_EQ(TypedUnit("M H2O"), 6);
    EXPECT_EQ(TypedUnit("KPA"), 2);
    EXPECT_EQ(TypedUnit("m h2o"), 6);
    EXPECT_EQ(TypedUnit("MM H2O"), 5);
    EXPECT_EQ(TypedUnit("psi "), std::nullopt);
    EXPECT_EQ(TypedUnit("mmH2O"), std::nullopt);
    EXPECT_EQ(TypedUnit(""), std::nullopt);
    EXPECT_EQ(UnitNameList(), "Volts, PSI, kPa, In H2O, Ft H2O, mm H2O, M H2O");
}

TEST(UnitNameTest, RefusalNamesTheOptionAndTheUnits) {
    ArgumentFault fault;
    EXPECT_EQ(CheckUnitName("--display-units", "bar", fault), std::nullopt);
    EXPECT_EQ(fault.message,
              "--display-units takes a unit name, one of Volts, PSI, kPa, In H2O, Ft H2O, mm H2O, "
              "M H2O (not \"bar\")");
}

struct DateTimeCase {
    const char* text;
    std::optional<std::int64_t> seconds;  // UTC
};

void PrintTo(const DateTimeCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class LocalDateTimeTest : public ::testing::TestWithParam<DateTimeCase> {};

TEST_P(LocalDateTimeTest, ParseInUtc) {
    sim::testing::TimeZoneGuard zone("UTC");
    std::string error;
    DateTimeFault fault = DateTimeFault::None;
    EXPECT_EQ(ParseLocalDateTime(GetParam().text, error, fault), GetParam().seconds);
    EXPECT_EQ(error.empty(), GetParam().seconds.has_value()) << error;
    EXPECT_EQ(fault == DateTimeFault::None, GetParam().seconds.has_value());
}

INSTANTIATE_TEST_SUITE_P(Cases, LocalDateTimeTest,
                         ::testing::Values(DateTimeCase{"2027/03/04 05:06:07", 1804136767},
                                           DateTimeCase{"2027/3/4 5:6:7", 1804136767},
                                           DateTimeCase{"2028/02/29 00:00:00", 1835395200},
                                           DateTimeCase{"2027/02/29 00:00:00", std::nullopt},
                                           DateTimeCase{"2027/04/31 00:00:00", std::nullopt},
                                           DateTimeCase{"2027/13/01 00:00:00", std::nullopt},
                                           DateTimeCase{"2027/00/01 00:00:00", std::nullopt},
                                           DateTimeCase{"2027/01/01 24:00:00", std::nullopt},
                                           DateTimeCase{"2027/01/01 23:60:00", std::nullopt},
                                           DateTimeCase{"2027/01/01 23:59:60", std::nullopt},
                                           DateTimeCase{"2039/01/01 00:00:00", std::nullopt},
                                           DateTimeCase{"2037/12/31 23:59:59", 2145916799},
                                           DateTimeCase{"2038/01/01 00:00:00", std::nullopt},
                                           DateTimeCase{"1969/12/31 23:59:59", std::nullopt},
                                           DateTimeCase{"1999/12/31 23:59:59", std::nullopt},
                                           DateTimeCase{"2000/01/01 00:00:00", 946684800},
                                           DateTimeCase{"27/03/04 05:06:07", std::nullopt},
                                           DateTimeCase{"2027-03-04 05:06:07", std::nullopt},
                                           DateTimeCase{"2027/03/04T05:06:07", std::nullopt},
                                           DateTimeCase{"2027/03/04 05:06", std::nullopt},
                                           DateTimeCase{"2027/03/04 05:06:07 ", std::nullopt},
                                           DateTimeCase{"2027/003/04 05:06:07", std::nullopt},
                                           DateTimeCase{"", std::nullopt}));

TEST(LocalDateTimeZoneTest, LocalTimeWithDaylightSaving) {
    sim::testing::TimeZoneGuard zone(sim::testing::kZoneWithDaylightSaving);
    std::string error;
    DateTimeFault fault = DateTimeFault::None;
    EXPECT_EQ(ParseLocalDateTime("2027/07/04 12:00:00", error, fault), 1814695200);  // 10:00 UTC
    // 02:30 on the last Sunday of March is skipped in Central Europe.
    EXPECT_EQ(ParseLocalDateTime("2027/03/28 02:30:00", error, fault), std::nullopt);
    EXPECT_NE(error.find("daylight-saving"), std::string::npos) << error;
    EXPECT_EQ(fault, DateTimeFault::NoSuchTime);
}

TEST(TextEscapingTest, TerminalTextShowsOtherBytesInHex) {
    EXPECT_EQ(TerminalText("SITES.INI"), "SITES.INI");
    EXPECT_EQ(TerminalText(std::string("A\x1B[2J\x7F\xE9\0Z", 9)), "A\\x1B[2J\\x7F\\xE9\\x00Z");
    EXPECT_EQ(TerminalText(""), "");
}

TEST(CommandArgumentsTest, ValuesAndFlagsInOrder) {
    const CommandArguments a({"--digits", "3", "--json", "--clock", "2027/03/04 05:06:07"},
                             {"--digits", "--clock"}, {"--json"});
    EXPECT_EQ(a.Error(), "");
    EXPECT_FALSE(a.Empty());
    EXPECT_EQ(a.Value("--digits"), "3");
    EXPECT_EQ(a.Value("--json"), "");
    EXPECT_EQ(a.Value("--clock"), "2027/03/04 05:06:07");
    EXPECT_EQ(a.Value("--zero"), std::nullopt);
    ASSERT_EQ(a.Given().size(), 3u);
    EXPECT_EQ(a.Given()[1].first, "--json");
}

struct ArgumentsCase {
    std::vector<std::string> args;
    const char* error;
    const char* password;  // found despite the fault; nullptr: none
};

void PrintTo(const ArgumentsCase& c, std::ostream* os) {
    *os << c.error;
}

class CommandArgumentsFaultTest : public ::testing::TestWithParam<ArgumentsCase> {};

TEST_P(CommandArgumentsFaultTest, FirstFaultAndThePasswordAfterIt) {
    const CommandArguments a(GetParam().args, {"--password", "--serial"}, {"--initialize"});
    EXPECT_EQ(a.Error(), GetParam().error);
    const auto password = a.Value("--password");
    EXPECT_EQ(password.has_value(), GetParam().password != nullptr);
    if (password && GetParam().password != nullptr) {
        EXPECT_EQ(*password, GetParam().password);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandArgumentsFaultTest,
    ::testing::Values(
        ArgumentsCase{{"--bogus", "--password", "pw"}, "unknown option --bogus", "pw"},
        ArgumentsCase{{"extra", "--password", "pw"}, "unexpected argument extra", "pw"},
        ArgumentsCase{{"--serial", "--password", "pw"}, "--serial needs a value", "pw"},
        ArgumentsCase{{"--password"}, "--password needs a value", nullptr},
        ArgumentsCase{{"--password", "a", "--password", "b"}, "--password is given twice", "a"},
        ArgumentsCase{{"--initialize", "yes"}, "unexpected argument yes", nullptr},
        ArgumentsCase{
            {"--serial", "1", "--serial", "2", "--bogus"}, "--serial is given twice", nullptr}));

}  // namespace
}  // namespace q417::cli
