#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "HistoryReader.h"
#include "ReadingHistory.h"
#include "ReadoutTime.h"
#include "TempDir.h"

namespace q417 {
namespace {

// "Well A/Q1: 12/01/26 10:00 1.5 PSI" for each reading of each site, "+unsaved" marked.
std::vector<std::string> Describe(const HistoryData& data) {
    std::vector<std::string> lines;
    for (const HistorySite& site : data.sites) {
        for (const HistoryReading& reading : site.readings) {
            char value[64];
            std::snprintf(value, sizeof value, "%.9g", reading.value);
            lines.push_back(site.location + "/" + site.serialNumber + ": " +
                            FormatReadoutTime(reading.readoutTime) + " " + value + " " +
                            PressureUnitName(reading.Unit()) +
                            (reading.origin == ReadingOrigin::Unsaved ? " +unsaved" : ""));
        }
    }
    return lines;
}

// Reads text fed whole and again a byte at a time, so every line break straddles two chunks
// once; both readings must agree.
HistoryData Read(std::string_view text, std::string_view unsaved = {}) {
    HistoryReader whole;
    whole.Feed(text);
    whole.EndSource(ReadingOrigin::Unsaved);
    whole.Feed(unsaved);
    HistoryData data = whole.Finish();

    HistoryReader bytewise;
    for (const char c : text) {
        bytewise.Feed(std::string_view(&c, 1));
    }
    bytewise.EndSource(ReadingOrigin::Unsaved);
    bytewise.Feed(unsaved);
    const HistoryData again = bytewise.Finish();
    EXPECT_EQ(Describe(again), Describe(data));
    EXPECT_EQ(again.repeatedReadings, data.repeatedReadings);
    EXPECT_EQ(again.skipped.Total(), data.skipped.Total());
    return data;
}

struct FileCase {
    const char* name;
    std::string text;
    std::vector<std::string> readings;
    std::uint64_t repeated = 0;
};

class HistoryReaderFileTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(HistoryReaderFileTest, KeepsEachReadingOnceInTimeOrder) {
    const HistoryData data = Read(GetParam().text);
    EXPECT_EQ(Describe(data), GetParam().readings);
    EXPECT_EQ(data.repeatedReadings, GetParam().repeated);
    EXPECT_EQ(data.skipped.Total(), 0U);
}

const std::string kFirst = "1,Well A,12/01/26 10:00,1.500000000,PSI,Q1";
const std::string kSecond = "1,Well A,12/02/26 10:00,1.750000000,PSI,Q1";
const std::vector<std::string> kBoth = {"Well A/Q1: 12/01/26 10:00 1.5 PSI",
                                        "Well A/Q1: 12/02/26 10:00 1.75 PSI"};

INSTANTIATE_TEST_SUITE_P(
    Files, HistoryReaderFileTest,
    ::testing::Values(
        FileCase{"CrLf", kFirst + "\r\n" + kSecond + "\r\n", kBoth},
        FileCase{"Lf", kFirst + "\n" + kSecond + "\n", kBoth},
        FileCase{"LoneCr", kFirst + "\r" + kSecond + "\r", kBoth},
        FileCase{"MixedAndNoLastBreak", "\r\n" + kFirst + "\n\n\r" + kSecond, kBoth},
        // Each save writes every stored reading again.
        FileCase{"RepeatedSaves",
                 kFirst + "\r\n" + kSecond + "\r\n" + kFirst + "\r\n" + kSecond + "\r\n" + kFirst +
                     "\r\n",
                 kBoth, 3},
        // A later save may hold an earlier reading that an earlier save missed.
        FileCase{"TimeOrderAcrossSaves", kSecond + "\r\n" + kFirst + "\r\n", kBoth},
        // Rows moved between saves: the ID changed, the site did not.
        FileCase{
            "IdChanges",
            kFirst + "\r\n" + "9,Well A,12/02/26 10:00,1.750000000,PSI,Q1\r\n" + kFirst + "\r\n",
            kBoth, 1},
        // Another readout's site of the same name is another site.
        FileCase{"SameLocationOtherSerial",
                 kFirst + "\r\n" + "1,Well A,12/01/26 10:00,1.500000000,PSI,Q2\r\n",
                 {"Well A/Q1: 12/01/26 10:00 1.5 PSI", "Well A/Q2: 12/01/26 10:00 1.5 PSI"}},
        // Two values at one time are both kept, the later line last.
        FileCase{
            "SameTimeOtherValue",
            kFirst + "\r\n" + "1,Well A,12/01/26 10:00,1.400000000,PSI,Q1\r\n" + kFirst + "\r\n",
            {"Well A/Q1: 12/01/26 10:00 1.5 PSI", "Well A/Q1: 12/01/26 10:00 1.4 PSI"},
            1},
        // The list was switched to kPa between two saves of the same stored reading.
        FileCase{"UnitChangedBetweenSaves",
                 "1,Well A,12/01/26 10:00,100.000000000,kPa,Q1\r\n"
                 "1,Well A,12/01/26 10:00,14.503774394,PSI,Q1\r\n",
                 {"Well A/Q1: 12/01/26 10:00 100 kPa"},
                 1},
        // The readout's epoch is a time like any other here; the plot decides what to show.
        FileCase{"Epoch",
                 "1,Well A,01/01/00 00:00,0.000000000,PSI,Q1\n",
                 {"Well A/Q1: 01/01/00 00:00 0 PSI"}},
        // 8-bit texts are kept as they are.
        FileCase{"EightBitLocation",
                 "1,Br\xfc"
                 "cke,12/01/26 10:00,1.5,mm H2O,Q1\n",
                 {"Br\xfc"
                  "cke/Q1: 12/01/26 10:00 1.5 mm H2O"}}),
    [](const ::testing::TestParamInfo<FileCase>& param) { return std::string(param.param.name); });

struct SkipCase {
    const char* line;
    std::uint64_t HistorySkips::*counter;
};

TEST(HistoryReaderTest, LinesThatAreNotHistoryLinesAreCountedByReason) {
    const std::array<SkipCase, 11> cases = {{
        {"Location,Date,Value", &HistorySkips::notSixFields},
        {"1,Well A,12/01/26 10:00,1.5,PSI,Q1,extra", &HistorySkips::notSixFields},
        {"   ", &HistorySkips::notSixFields},
        {"1,Well A,13/01/26 10:00,1.5,PSI,Q1", &HistorySkips::badDate},
        {"1,Well A,02/30/26 10:00,1.5,PSI,Q1", &HistorySkips::badDate},
        {"1,Well A,,1.5,PSI,Q1", &HistorySkips::badDate},
        {"1,Well A,12/01/26 10:00,1.5x,PSI,Q1", &HistorySkips::badValue},
        {"1,Well A,12/01/26 10:00,,PSI,Q1", &HistorySkips::badValue},
        {"1,Well A,12/01/26 10:00,nan,PSI,Q1", &HistorySkips::notFinite},
        {"1,Well A,12/01/26 10:00,-inf,PSI,Q1", &HistorySkips::notFinite},
        {"1,Well A,12/01/26 10:00,1.5,psi,Q1", &HistorySkips::unknownUnit},
    }};
    for (const SkipCase& c : cases) {
        SCOPED_TRACE(c.line);
        const HistoryData data = Read(kFirst + "\r\n\r\n" + c.line + "\r\n" + kSecond);
        EXPECT_EQ(data.skipped.*c.counter, 1U);
        EXPECT_EQ(data.skipped.Total(), 1U);
        EXPECT_EQ(data.skipped.firstLineNumber, 3U);  // the empty line counts as a line
        EXPECT_EQ(data.linesRead, 3U);
        EXPECT_EQ(Describe(data), kBoth);  // the lines around it are kept
    }
}

TEST(HistoryReaderTest, WhatTheNextSaveAddsIsUnsavedUnlessTheFileHoldsIt) {
    const HistoryData data =
        Read(kFirst + "\r\n",
             kFirst + "\r\n" + kSecond + "\r\n" + kSecond + "\r\n");  // saved twice ahead
    EXPECT_EQ(Describe(data), (std::vector<std::string>{"Well A/Q1: 12/01/26 10:00 1.5 PSI",
                                                        "Well A/Q1: 12/02/26 10:00 1.75 PSI "
                                                        "+unsaved"}));
    EXPECT_EQ(data.linesRead, 1U);  // lines of the file
}

TEST(HistoryReaderTest, SiteKeepsTheLatestIdAndUnit) {
    const HistoryData data = Read(kFirst + "\n4,Well A,12/03/26 10:00,10.0,kPa,Q1\n");
    ASSERT_EQ(data.sites.size(), 1U);
    EXPECT_EQ(data.sites[0].id, "4");
    EXPECT_EQ(data.sites[0].LastUnit(), PressureUnit::KPa);
    EXPECT_NEAR(data.sites[0].readings.back().ValueIn(PressureUnit::Psi), 1.45037743943, 1e-11);
    EXPECT_EQ(data.ReadingCount(), 2U);
    EXPECT_EQ(data.SitesAt("Well A").size(), 1U);
    EXPECT_EQ(data.Find("Well A", "Q2"), nullptr);
}

TEST(HistoryReaderTest, ReadsBackWhatASaveAppends) {
    test::TempDir dir{"q417-history-reader"};
    SiteRecord site;
    site.id = "3";
    site.location = "Pier 7";
    site.serialNumber = "Q417A01";
    site.units = "In H2O";
    const std::array<ReadingEntry, 3> stored = {
        {{12.3F, 846000000U}, {12.5F, 846086400U}, {-0.25F, 846172800U}}};
    const std::string lines =
        ReadingHistory::Lines(site, stored, PressureUnit::KPa, PressureUnit::InH2O);
    const std::string path = dir.Path("sites.csv");
    std::ofstream(path, std::ios::binary) << lines << lines;

    const HistoryFileResult result = ReadHistoryFile(path);
    ASSERT_EQ(result.status, HistoryFileStatus::Read);
    ASSERT_EQ(result.data.sites.size(), 1U);
    const HistorySite& read = result.data.sites[0];
    ASSERT_EQ(read.readings.size(), stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        EXPECT_EQ(read.readings[i].readoutTime, stored[i].time - stored[i].time % 60);
        EXPECT_EQ(read.readings[i].Unit(), PressureUnit::InH2O);
        EXPECT_NEAR(read.readings[i].ValueIn(PressureUnit::KPa), stored[i].value, 1e-6);
    }
    EXPECT_EQ(result.data.repeatedReadings, stored.size());
}

TEST(HistoryReaderTest, AMissingOrUnreadableFileStillGivesTheUnsavedReadings) {
    test::TempDir dir{"q417-history-reader"};
    const HistoryFileResult missing = ReadHistoryFile(dir.Path("none.csv"), kFirst + "\r\n");
    EXPECT_EQ(missing.status, HistoryFileStatus::Missing);
    EXPECT_EQ(missing.error, "No such file or directory");
    EXPECT_EQ(Describe(missing.data),
              std::vector<std::string>{"Well A/Q1: 12/01/26 10:00 1.5 PSI +unsaved"});

    const HistoryFileResult folder = ReadHistoryFile(dir.Root().string(), kFirst + "\r\n");
    EXPECT_EQ(folder.status, HistoryFileStatus::Unreadable);
    EXPECT_EQ(folder.error, "Is a directory");
    EXPECT_EQ(folder.data.ReadingCount(), 1U);
}

TEST(HistoryReaderTest, ReadingsFarOutOfOrderStillComeOutInOrderOnce) {
    // A readout whose clock was set back: 2000 readings, then 1500 older ones, each of which
    // would move all 2000, then every older one again and a second value at one time.
    const auto line = [](std::uint32_t minute, int value) {
        return "1,Well A," + FormatReadoutTime(846000000U + minute * 60U) + "," +
               std::to_string(value) + ".000000000,PSI,Q1\n";
    };
    std::string text;
    for (std::uint32_t m = 5000; m < 7000; ++m) {
        text += line(m, static_cast<int>(m));
    }
    for (int pass = 0; pass < 2; ++pass) {
        for (std::uint32_t m = 0; m < 3000; m += 2) {
            text += line(m, static_cast<int>(m));
        }
    }
    text += line(10, -1);
    HistoryReader reader;
    reader.Feed(text);
    const HistoryData data = reader.Finish();
    ASSERT_EQ(data.sites.size(), 1U);
    const std::vector<HistoryReading>& readings = data.sites[0].readings;
    ASSERT_EQ(readings.size(), 2000U + 1500U + 1U);
    EXPECT_EQ(data.repeatedReadings, 1500U);
    EXPECT_TRUE(std::is_sorted(readings.begin(), readings.end(),
                               [](const HistoryReading& a, const HistoryReading& b) {
                                   return a.readoutTime < b.readoutTime;
                               }));
    EXPECT_EQ(readings[5].value, 10);  // the first line of its time first
    EXPECT_EQ(readings[6].value, -1);
    EXPECT_EQ(readings[6].readoutTime, readings[5].readoutTime);
}

}  // namespace
}  // namespace q417
