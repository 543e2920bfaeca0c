// history in-process: the CSV and JSON listings and summaries of one small history against golden
// files, and every refusal with its exit code and message. No port is ever opened.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "CliFixture.h"
#include "ExitCode.h"
#include "HistoryCommand.h"
#include "JsonText.h"
#include "TempDir.h"
#include "TextEscaping.h"

namespace q417::cli {
namespace {

// Three saves as a history builds up, each with its own line ends: the second repeats the first
// (LF), a line between them is no history line, and the third (lone CR, no end at the last line)
// renumbers Well 1 and writes it in kPa. "Tank" is a site of two readouts; the Latin-1 location
// holds quotes; Spare's reading stands at the readout's epoch.
const std::string kFirstSave =
    "1,Well 1,03/01/26 08:00,12.500000000,PSI,Q417A01\r\n"
    "1,Well 1,03/02/26 08:00,12.750000000,PSI,Q417A01\r\n"
    "2,Caf\xE9 \"Nord\",03/01/26 09:30,1.000000000,M H2O,Q417A01\r\n"
    "3,Tank,03/01/26 10:00,4.000000000,PSI,Q417A01\r\n";
const std::string kHistory = kFirstSave + "1,Well 1,03/01/26 08:00,12.500000000,PSI,Q417A01\n" +
                             "1,Well 1,03/02/26 08:00,12.750000000,PSI,Q417A01\n" +
                             "2,Caf\xE9 \"Nord\",03/01/26 09:30,1.000000000,M H2O,Q417A01\n" +
                             "3,Tank,03/01/26 10:00,4.000000000,PSI,Q417A01\n" +
                             "not a history line\n" +
                             "4,Well 1,03/09/26 08:00,90.000000000,kPa,Q417A01\r" +
                             "5,Tank,03/08/26 10:00,4.250000000,PSI,Q417B02\r" +
                             "6,Spare,01/01/00 00:00,0.000000000,PSI,Q417B02";

const std::string kSkipWarning =
    "q417cli: warning: DIR/sites.csv: left out 1 line that is not a history line (line 9)\n";

class HistoryCommandTest : public testing::CliFixture {
  protected:
    HistoryCommandTest() { q417::test::WriteFileBytes(dir_.Path("sites.csv"), kHistory); }

    // Runs history with its arguments ("FILE" stands for the history above); out and err show
    // the folder as "DIR".
    int RunHistory(std::vector<std::string> args) {
        for (std::string& arg : args) {
            arg = arg == "FILE" ? dir_.Path("sites.csv") : Placed(arg);
        }
        args.insert(args.begin(), "history");
        const int code = Run(args);
        out.str(Shown(out.str()));
        err.str(Shown(err.str()));
        return code;
    }

    [[nodiscard]] std::string Placed(std::string text) const {
        const std::string dir = "DIR";
        if (text.rfind(dir, 0) == 0) {
            text.replace(0, dir.size(), dir_.Root().string());
        }
        return text;
    }
    [[nodiscard]] std::string Shown(std::string text) const {
        const std::string root = dir_.Root().string();
        for (std::size_t at = text.find(root); at != std::string::npos; at = text.find(root)) {
            text.replace(at, root.size(), "DIR");
        }
        return text;
    }

    q417::test::TempDir dir_{"q417cli-history"};
};

struct GoldenCase {
    const char* golden;
    std::vector<std::string> args;
};

void PrintTo(const GoldenCase& c, std::ostream* os) {
    *os << c.golden;
}

class HistoryGoldenTest : public HistoryCommandTest,
                          public ::testing::WithParamInterface<GoldenCase> {};

TEST_P(HistoryGoldenTest, MatchesTheGoldenFile) {
    ASSERT_EQ(RunHistory(GetParam().args), kExitOk) << err.str();
    const std::string golden = std::string(GOLDEN_DIR) + "/" + GetParam().golden;
    if (std::getenv("Q417_UPDATE_GOLDEN") != nullptr) {
        q417::test::WriteFileBytes(golden, out.str());
    }
    EXPECT_EQ(out.str(), q417::test::ReadFileBytes(golden));
    EXPECT_EQ(err.str(), kSkipWarning);
    if (std::string(GetParam().golden).ends_with(".json")) {
        // Written a site at a time, laid out as the JSON library lays out the whole.
        EXPECT_EQ(out.str(), test::ParseJson(out.str()).dump(2, ' ', true) + "\n");
    }
    EXPECT_TRUE(PortUntouched());
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, HistoryGoldenTest,
    ::testing::Values(GoldenCase{"history.csv", {"FILE"}},
                      GoldenCase{"history.json", {"--format", "json", "FILE"}},
                      GoldenCase{"history-stats.csv", {"FILE", "--stats"}},
                      GoldenCase{"history-stats.json", {"FILE", "--stats", "--format", "json"}},
                      // --site order, a location of two readouts, a location typed in UTF-8
                      // and in Latin-1, the same site twice, a unit name in other letters.
                      GoldenCase{
                          "history-sites.csv",
                          {"FILE", "--site", "Tank", "--site", "Caf\xC3\xA9 \"Nord\"", "--site",
                           "Tank", "--site", "Caf\xE9 \"Nord\"", "--unit", "in h2o"}}),
    [](const auto& test) {
        std::string name = test.param.golden;
        std::erase_if(name, [](char c) { return c == '-' || c == '.'; });
        return name;
    });

struct SadCase {
    const char* name;
    std::vector<std::string> args;
    int exitCode;
    std::string err;
    std::string out = {};  // what may be printed despite the notice
};

void PrintTo(const SadCase& c, std::ostream* os) {
    *os << c.name;
}

class HistorySadPathTest : public HistoryCommandTest,
                           public ::testing::WithParamInterface<SadCase> {};

TEST_P(HistorySadPathTest, SaysWhyOnTheErrorStream) {
    q417::test::WriteFileBytes(dir_.Path("empty.csv"), "");
    q417::test::WriteFileBytes(dir_.Path("blank.csv"), "\r\n\n");
    q417::test::WriteFileBytes(dir_.Path("junk.csv"), "[Sites]\r\nCount=1\r\n");
    EXPECT_EQ(RunHistory(GetParam().args), GetParam().exitCode);
    EXPECT_EQ(err.str(), GetParam().err);
    EXPECT_EQ(out.str(), GetParam().out);
    EXPECT_TRUE(PortUntouched());
}

const std::string kUsage = std::string(kHistoryUsage) + "\n";
const std::string kCsvHeader = "location,serial_number,time,value,unit\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, HistorySadPathTest,
    ::testing::Values(
        SadCase{
            "NoFile", {}, kExitUsage, "q417cli: history needs the history file to read\n" + kUsage},
        SadCase{"TwoFiles",
                {"FILE", "other.csv"},
                kExitUsage,
                "q417cli: unexpected argument other.csv (history reads one file)\n" + kUsage},
        SadCase{"EmptyName", {""}, kExitUsage, "q417cli: the history file name is empty\n"},
        SadCase{"SiteWithoutName",
                {"FILE", "--site"},
                kExitUsage,
                "q417cli: --site needs a value\n" + kUsage},
        SadCase{"UnknownUnit",
                {"FILE", "--unit", "bar"},
                kExitUsage,
                "q417cli: --unit takes a unit name, one of Volts, PSI, kPa, In H2O, Ft H2O, mm "
                "H2O, M H2O (not \"bar\")\n"},
        SadCase{"UnknownFormat",
                {"FILE", "--format", "xml"},
                kExitUsage,
                "q417cli: --format takes csv or json (not \"xml\")\n"},
        SadCase{"Missing",
                {"DIR/none.csv"},
                kExitFailed,
                "q417cli: cannot read history DIR/none.csv: No such file or directory\n"},
        SadCase{
            "Folder", {"DIR"}, kExitFailed, "q417cli: cannot read history DIR: Is a directory\n"},
        SadCase{"SiteNotThere",
                {"FILE", "--site", "Tank", "--site", "Well 9", "--site", "\x1B[2J"},
                kExitFailed,
                kSkipWarning +
                    "q417cli: no sites \"Well 9\", \"\\x1B[2J\" in the history DIR/sites.csv\n"},
        SadCase{"SiteNotExact",
                {"FILE", "--site", "well 1"},
                kExitFailed,
                kSkipWarning + "q417cli: no site \"well 1\" in the history DIR/sites.csv\n"},
        SadCase{"Empty",
                {"DIR/empty.csv"},
                kExitOk,
                "q417cli: the history DIR/empty.csv holds no readings\n",
                kCsvHeader},
        SadCase{"BlankLinesOnly",
                {"DIR/blank.csv", "--stats"},
                kExitOk,
                "q417cli: the history DIR/blank.csv holds no readings\n",
                "location,serial_number,count,first,last,minimum,maximum,mean,unit\n"},
        SadCase{"NoHistoryLine",
                {"DIR/junk.csv", "--format", "json"},
                kExitOk,
                "q417cli: warning: DIR/junk.csv: left out 2 lines that are not history lines (the "
                "first is line 1)\nq417cli: the history DIR/junk.csv holds no readings\n",
                "{\n  \"file\": \"DIR/junk.csv\",\n  \"unit\": null,\n  \"sites\": [],\n  "
                "\"skipped_lines\": 2,\n  \"repeated_readings\": 0\n}\n"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(HistoryTextTest, CsvFieldsQuotedOnlyWhenTheyMustBe) {
    EXPECT_EQ(CsvField("Well 1"), "Well 1");
    EXPECT_EQ(CsvField("Caf\xE9\x1B"), "Caf\xE9\x1B");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("a\rb\n"), "\"a\rb\n\"");
    EXPECT_EQ(CsvField(""), "");
}

TEST(HistoryTextTest, FileNamesKeepUtf8AndReadOtherBytesAsLatin1) {
    EXPECT_EQ(FileNameUtf8("/home/j\xC3\xB6rg/sites.csv"), "/home/j\xC3\xB6rg/sites.csv");
    EXPECT_EQ(FileNameUtf8("\xF0\x9F\x93\x88.csv"), "\xF0\x9F\x93\x88.csv");
    EXPECT_EQ(FileNameUtf8("j\xF6rg.csv"), "j\xC3\xB6rg.csv");
    EXPECT_EQ(FileNameUtf8("\xC0\xAF"), "\xC3\x80\xC2\xAF");              // overlong "/"
    EXPECT_EQ(FileNameUtf8("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xC2\x80");  // a surrogate
    EXPECT_EQ(FileNameUtf8("\xC3"), "\xC3\x83");                          // cut short
}

}  // namespace
}  // namespace q417::cli
