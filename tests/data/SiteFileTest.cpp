// The site file's lines and the history lines, byte for byte.

#include <gtest/gtest.h>

#include <limits>
#include <span>
#include <string>
#include <vector>

#include "ReadingHistory.h"
#include "SiteFile.h"

namespace q417 {
namespace {

SiteRecord Site(std::string id, std::string location, std::string dateTime, std::string value,
                std::string units, std::string serial) {
    SiteRecord s;
    s.id = std::move(id);
    s.location = std::move(location);
    s.dateTime = std::move(dateTime);
    s.latestData = std::move(value);
    s.units = std::move(units);
    s.serialNumber = std::move(serial);
    return s;
}

// id|location|dateTime|latestData|units|serialNumber of every site parsed.
std::vector<std::string> Fields(const SiteFile::Contents& contents) {
    std::vector<std::string> out;
    for (const SiteRecord& s : contents.sites) {
        out.push_back(s.id + "|" + s.location + "|" + s.dateTime + "|" + s.latestData + "|" +
                      s.units + "|" + s.serialNumber);
    }
    return out;
}

struct ParseCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> sites;
};

class SiteFileParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(SiteFileParseTest, Parses) {
    EXPECT_EQ(Fields(SiteFile::Parse(GetParam().bytes)), GetParam().sites);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SiteFileParseTest,
    ::testing::Values(
        ParseCase{"CrLf",
                  "1,North,12/31/07 23:59,1.5,PSI,30303000\r\n2,South,,,,\r\n3,East,x,y,kPa,",
                  {"1|North|12/31/07 23:59|1.5|PSI|30303000", "2|South||||", "3|East|x|y|kPa|"}},
        ParseCase{
            "LfOnlyAndTrailingBreak", "1,A,d,v,u,s\n2,B,d,v,u,s\n", {"1|A|d|v|u|s", "2|B|d|v|u|s"}},
        ParseCase{
            "LoneCrEndsALine", "1,A,,,,\r2,B,,,,\r3,C,,,,\r", {"1|A||||", "2|B||||", "3|C||||"}},
        ParseCase{"MixedLineEnds",
                  "1,A,,,,\r\n2,B,,,,\r3,C,,,,\n\r4,D,,,,",
                  {"1|A||||", "2|B||||", "3|C||||", "4|D||||"}},
        ParseCase{"EmptyLineIsSkipped", "1,A,,,,\r\n\r\n\r\n2,B,,,,", {"1|A||||", "2|B||||"}},
        ParseCase{"BlankLineEndsTheLoad", "1,A,,,,\r\n   \r\n2,B,,,,", {"1|A||||"}},
        ParseCase{"TwoTextsGiveIdAndSerial", "first,second", {"first|||||second"}},
        ParseCase{"CommaInLocationShifts",
                  "1,Main St, Gate,01/02/03 04:05,2.5,PSI,X1",
                  {"1|Main St| Gate|01/02/03 04:05|2.5|PSI,X1"}},
        ParseCase{
            "LineIsTrimmedButNotItsFields", "  \t1 , A ,d,v,u, s \t\r\n", {"1 | A |d|v|u| s"}},
        ParseCase{"NoCommaAtAll", "lonely", {"|||||lonely"}},
        ParseCase{"EightBitTextsUntouched",
                  "1,Stra\xDF"
                  "e \xE9,,,,",
                  {"1|Stra\xDF"
                   "e \xE9||||"}},
        ParseCase{"Empty", "", {}}, ParseCase{"OnlyEmptyLines", "\r\n\n\r\n", {}},
        ParseCase{"FirstLineBlank", " \r\n1,A,,,,", {}}));

TEST(SiteFileParseTest, KeepsTheFirst177SitesAndCountsTheRest) {
    std::string bytes;
    for (int i = 1; i <= 180; ++i) {
        bytes += std::to_string(i) + ",L" + std::to_string(i) + ",,,,\r\n";
    }
    const SiteFile::Contents contents = SiteFile::Parse(bytes);
    ASSERT_EQ(contents.sites.size(), 177U);
    EXPECT_EQ(contents.sites.back().location, "L177");
    EXPECT_EQ(contents.linesBeyondLimit, 3);
    EXPECT_TRUE(contents.sawSiteLine);
}

TEST(SiteFileStrictTest, FindsTheFirstNonEmptyLineWithoutSixFields) {
    EXPECT_FALSE(SiteFile::FirstLineWithoutSixFields(""));
    EXPECT_FALSE(SiteFile::FirstLineWithoutSixFields("1,A,d,v,u,s\r\n\r\n2,B,,,,\n3,C,,,,"));
    // Line 4 counts the empty line 3; a lone CR ends a line as in the loose reading.
    const auto fault =
        SiteFile::FirstLineWithoutSixFields("1,A,,,,\r2,B,,,,\r\n\n4,Main St, Gate,,,,\r\n5,x");
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->lineNumber, 4);
    EXPECT_EQ(fault->text, "4,Main St, Gate,,,,");
    // A line of blanks, which ends the loose reading, is no site line either.
    const auto blanks = SiteFile::FirstLineWithoutSixFields("1,A,,,,\n  \n2,B,,,,");
    ASSERT_TRUE(blanks);
    EXPECT_EQ(blanks->lineNumber, 2);
    EXPECT_EQ(blanks->text, "  ");
    EXPECT_EQ(SiteFile::FirstLineWithoutSixFields("1,A,,,,\n2,B,,,")->lineNumber, 2);
}

struct ReadingCase {
    const char* name;
    const char* bytes;
    int lineNumber;  // 0: every line reads
    const char* text;
    SiteFile::ReadingField field;
};

class SiteFileReadingTest : public ::testing::TestWithParam<ReadingCase> {};

TEST_P(SiteFileReadingTest, NamesTheFirstLineWhoseReadingDoesNotRead) {
    const ReadingCase& c = GetParam();
    const auto fault = SiteFile::FirstLineWithUnreadableReading(c.bytes);
    if (c.lineNumber == 0) {
        EXPECT_FALSE(fault) << fault->lineNumber;
        return;
    }
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->lineNumber, c.lineNumber);
    EXPECT_EQ(fault->text, c.text);
    EXPECT_EQ(fault->field, c.field);
}

constexpr auto kDate = SiteFile::ReadingField::DateTime;
constexpr auto kValue = SiteFile::ReadingField::LatestData;

INSTANTIATE_TEST_SUITE_P(
    Lines, SiteFileReadingTest,
    ::testing::Values(
        ReadingCase{"Readings", "1,A,12/01/26 08:30,1.5,PSI,X\r\n2,B,02/29/24 23:59,-2e-3,,", 0, "",
                    kDate},
        ReadingCase{"NoReadingEitherWay",
                    "1,A,01/01/00 00:00,0.000000000,PSI,X\r\n2,B,,0.000000000,PSI,X\n3,C,,,,", 0,
                    "", kDate},
        ReadingCase{"ValueAbc", "1,A,12/01/26 08:30,1.5,PSI,X\r\n\r\n2,B,12/01/26 08:30,abc,PSI,X",
                    3, "2,B,12/01/26 08:30,abc,PSI,X", kValue},
        ReadingCase{"ValueWithUnit", "1,A,12/01/26 08:30,6.5 kPa,kPa,X", 1,
                    "1,A,12/01/26 08:30,6.5 kPa,kPa,X", kValue},
        ReadingCase{"ValueOfBlanksOnly", " 1,A,12/01/26 08:30, ,PSI,X ", 0, "", kDate},
        ReadingCase{"DateOutOfEveryRange", "1,A,13/45/99 25:61,1.5,PSI,X", 1,
                    "1,A,13/45/99 25:61,1.5,PSI,X", kDate},
        ReadingCase{"DateWithFourDigitYear", "1,A,12/01/26 08:30,1,,\r2,B,12/01/2026 08:30,1,,", 2,
                    "2,B,12/01/2026 08:30,1,,", kDate},
        ReadingCase{"DateBeforeValue", "1,A,x,y,PSI,X", 1, "1,A,x,y,PSI,X", kDate},
        ReadingCase{"LinesAfterTheLoadsEndAreNotRead", "1,A,,,,\n  \n2,B,x,y,,", 0, "", kDate}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(SiteFileTextTest, CrLfBetweenLinesAndNoneAfterTheLast) {
    const SiteRecord sites[] = {
        Site("1", "North", "12/31/07 23:59", "1.500000000", "PSI", "30303000"),
        Site("2", "South", "01/01/00 00:00", "0.000000000", "PSI", ""),
        Site("3", "East, Gate", "02/29/24 12:30", "-2.000000000", "", "X"),
    };
    EXPECT_EQ(SiteFile::Text(sites, 3),
              "1,North,12/31/07 23:59,1.500000000,PSI,30303000\r\n"
              "2,South,01/01/00 00:00,0.000000000,PSI,\r\n"
              "3,East, Gate,02/29/24 12:30,-2.000000000,,X");
    EXPECT_EQ(SiteFile::Text(sites, 1), "1,North,12/31/07 23:59,1.500000000,PSI,30303000");
    EXPECT_EQ(SiteFile::Text(sites, 0), "");
}

TEST(SiteFileTextTest, WrittenSitesParseBack) {
    const SiteRecord sites[] = {
        Site("1", "North", "12/31/07 23:59", "1.500000000", "PSI", "30303000"),
        Site("7",
             "S\xFC"
             "d",
             "01/01/00 00:00", "0.000000000", "kPa", ""),
    };
    const SiteFile::Contents back = SiteFile::Parse(SiteFile::Text(sites, 2));
    ASSERT_EQ(back.sites.size(), 2U);
    EXPECT_EQ(back.sites[0], sites[0]);
    EXPECT_EQ(back.sites[1], sites[1]);
}

TEST(ReadingHistoryTest, FileNameIsCutAtTheFirstDotOfTheFileName) {
    const struct {
        const char* data;
        const char* history;
    } cases[] = {
        {"/home/tech/sites.ini", "/home/tech/sites.csv"},
        {"/home/tech/v1.2/sites.ini", "/home/tech/v1.2/sites.csv"},
        {"/home/tech/north.2024.ini", "/home/tech/north.csv"},
        {"/home/tech/noext", "/home/tech/noext.csv"},
        {"/home/tech/.ini", "/home/tech/Untitled.csv"},
        {"sites.ini", "sites.csv"},
        {"./sites.ini", "./sites.csv"},
        {".ini", "Untitled.csv"},
        {"", "Untitled.csv"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadingHistory::PathFor(c.data), c.history) << c.data;
    }
}

TEST(ReadingHistoryTest, SiteWithoutReadingsGivesItsOwnLineWhenDated) {
    const SiteRecord dated = Site("4", "Well", "03/04/05 06:07", "1.250000000", "PSI", "S1");
    const SiteRecord undated = Site("5", "Dry", "01/01/00 00:00", "0.000000000", "PSI", "S1");
    // Entries that are no readings (erased memory, a value that is not a number) count as none.
    const std::vector<ReadingEntry> noReadings = {
        {std::numeric_limits<float>::quiet_NaN(), 60},
        {std::numeric_limits<float>::infinity(), 60},
        {1.0f, kErasedReadoutTime},
    };
    for (const std::span<const ReadingEntry> readings :
         {std::span<const ReadingEntry>(), std::span<const ReadingEntry>(noReadings)}) {
        EXPECT_EQ(ReadingHistory::Lines(dated, readings, PressureUnit::Psi, PressureUnit::Psi),
                  "4,Well,03/04/05 06:07,1.250000000,PSI,S1\r\n");
        EXPECT_EQ(ReadingHistory::Lines(undated, readings, PressureUnit::Psi, PressureUnit::Psi),
                  "");
    }
}

TEST(ReadingHistoryTest, OneLinePerReadingConvertedToTheDocumentUnit) {
    const SiteRecord site = Site("2", "Pond", "09/09/09 09:09", "9.000000000", "PSI", "SN");
    const std::vector<ReadingEntry> readings = {
        {100.0f, 0},
        {std::numeric_limits<float>::quiet_NaN(), 100},  // not a reading: left out
        {12.3f, 252460740},
        {-1.0f, 86399},
    };
    EXPECT_EQ(ReadingHistory::Lines(site, readings, PressureUnit::KPa, PressureUnit::Psi),
              "2,Pond,01/01/00 00:00,14.503774394,PSI,SN\r\n"
              "2,Pond,12/31/07 23:59,1.783964278,PSI,SN\r\n"
              "2,Pond,01/01/00 23:59,-0.145037744,PSI,SN\r\n");
    EXPECT_EQ(ReadingHistory::Lines(site, readings, PressureUnit::Psi, PressureUnit::Psi),
              "2,Pond,01/01/00 00:00,100.000000000,PSI,SN\r\n"
              "2,Pond,12/31/07 23:59,12.300000191,PSI,SN\r\n"
              "2,Pond,01/01/00 23:59,-1.000000000,PSI,SN\r\n");
}

}  // namespace
}  // namespace q417
