// The document over an in-memory list: open, save, history, units, merge and upload
// preparation, with the user's answers scripted and the files compared byte for byte.

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <limits>
#include <map>

#include "CQ417HostDoc.h"
#include "MemorySiteList.h"
#include "ReadoutSiteRecord.h"
#include "ScriptedUser.h"
#include "SiteFile.h"
#include "TempDir.h"

namespace q417 {
namespace {

namespace fs = std::filesystem;

const std::string kGolden = GOLDEN_DIR;

using test::ReadFileBytes;
using test::WriteFileBytes;

using test::ScriptedUser;

// Keeps what the document reported, one text per call.
class RecordingObserver : public DocumentObserver {
  public:
    void DocumentModifiedChanged(bool modified) override {
        events.push_back(modified ? "modified" : "unmodified");
    }
    void DocumentPathChanged(const std::string& path, const std::string& title) override {
        events.push_back("path " + path + " | " + title);
    }
    void DocumentUnitChanged(PressureUnit unit) override {
        events.push_back("unit " + PressureUnitName(unit));
    }

    std::vector<std::string> events;
};

using Asked = std::vector<std::pair<Question, std::string>>;
const Asked kClearAsked = {
    {Question::ClearReadings, "Would you like to clear all Q417 data points?"}};
const Asked kUploadAsked = {
    {Question::ConfirmUpload, "Are you sure you want to upload new site info?"}};

ReadoutSiteRecord Record(std::string name, float referenceValue, std::uint32_t referenceTime,
                         std::vector<ReadingEntry> readings = {}) {
    ReadoutSiteRecord r;
    r.name = std::move(name);
    r.referenceValue = referenceValue;
    r.referenceTime = referenceTime;
    r.readingCount = static_cast<int>(readings.size());
    for (std::size_t i = 0; i < readings.size(); ++i) {
        r.readings[i] = readings[i];
    }
    return r;
}

class DocumentTest : public ::testing::Test {
  protected:
    DocumentTest() {
        doc_.SetView(&list_);
        doc_.NewDocument();
    }
    std::string Path(const std::string& name) const { return dir_.Path(name); }

    // What the link holds after an information read and a download of records.
    void LoadReadout(int calUnits, int displayUnits, const std::vector<ReadoutSiteRecord>& records,
                     int recordCount = -1) {
        auto image = std::make_shared<RecordImage>();
        for (std::size_t k = 0; k < records.size(); ++k) {
            records[k].Write(*image, static_cast<int>(k));
        }
        link_.Update([&](ReadoutSettings& s) {
            s.calUnits = static_cast<std::uint8_t>(calUnits);
            s.calUnitsName = PressureUnitName(UnitOfCode(calUnits));
            s.displayUnits = static_cast<std::uint8_t>(displayUnits);
            s.serialNumber = "30303000";
            s.recordCount = recordCount >= 0 ? recordCount : static_cast<int>(records.size());
            s.records = image;
            s.connected = 1;
            s.dataReady = 1;
        });
    }

    // The readout of the golden files: values in kPa, shown in PSI.
    void LoadGoldenReadout() {
        LoadReadout(2, 1,
                    {Record("North Well", 1.0f, 0, {{100.0f, 252460740}, {200.0f, 762525000}}),
                     Record("Dry Hole", 50.0f, 0), Record("Pond", 12.3f, 5184000)});
    }

    // The list's cells, one text per row: "id|location|date|value|units|serial".
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        for (const auto& r : list_.Rows()) {
            rows.push_back(r[0] + "|" + r[1] + "|" + r[2] + "|" + r[3] + "|" + r[4] + "|" + r[5]);
        }
        return rows;
    }

    void AddRow(const SiteListView::Row& row) {
        list_.InsertRow(list_.RowCount(), row);
        doc_.SetSiteCount(doc_.SiteCount() + 1);
    }

    test::TempDir dir_{"q417-doc"};
    SharedSettings link_;
    ScriptedUser user_;
    MemorySiteList list_;
    CQ417HostDoc doc_{link_, user_};
};

TEST_F(DocumentTest, NewDocumentHasColumnsAndNoSiteArray) {
    EXPECT_FALSE(doc_.HasSiteArray());
    EXPECT_FALSE(doc_.HasData());
    EXPECT_EQ(doc_.SiteCount(), 0);
    EXPECT_EQ(doc_.Title(), "Untitled");
    EXPECT_EQ(list_.Columns(), (std::vector<std::string>{"ID   ", "Location", "Date/Time",
                                                         "Latest Data", "Units", "Serial Number"}));
}

TEST_F(DocumentTest, MergeThenSaveWritesTheGoldenFiles) {
    LoadGoldenReadout();
    doc_.MergeReadoutData();
    EXPECT_TRUE(doc_.IsModified());
    EXPECT_EQ(doc_.DocumentUnit(), PressureUnit::Psi);
    EXPECT_EQ(Rows(), (std::vector<std::string>{
                          "1|North Well|02/29/24 12:30|29.007548789|PSI|30303000",
                          "2|Dry Hole||0.000000000|PSI|30303000",
                          "3|Pond|03/01/00 00:00|1.783964278|PSI|30303000",
                      }));
    // The sites keep the readout's values until the next save rebuilds them from the list.
    EXPECT_EQ(doc_.Site(0).latestData, "200.000000000");
    EXPECT_EQ(doc_.Site(0).units, "kPa");
    EXPECT_EQ(doc_.Site(0).readings.readingValues[1], 200.0f);
    EXPECT_EQ(doc_.Site(0).readings.readingTimes[0], 252460740U);

    const std::string path = Path("merged.ini");
    ASSERT_TRUE(doc_.SaveDocument(path).Complete());
    EXPECT_FALSE(doc_.IsModified());
    EXPECT_EQ(doc_.LastSavedPath(), path);
    EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(kGolden + "/merged.ini"));
    EXPECT_EQ(ReadFileBytes(Path("merged.csv")), ReadFileBytes(kGolden + "/merged.csv"));
    EXPECT_TRUE(user_.messages.empty());
}

TEST_F(DocumentTest, SavingTwiceAppendsTheHistoryTwice) {
    LoadGoldenReadout();
    doc_.MergeReadoutData();
    ASSERT_TRUE(doc_.SaveDocument(Path("merged.ini")).Complete());
    ASSERT_TRUE(doc_.SaveDocument(Path("merged.ini")).Complete());
    const std::string once = ReadFileBytes(kGolden + "/merged.csv");
    EXPECT_EQ(ReadFileBytes(Path("merged.csv")), once + once);
    EXPECT_EQ(ReadFileBytes(Path("merged.ini")), ReadFileBytes(kGolden + "/merged.ini"));
}

TEST_F(DocumentTest, OpenThenSaveGivesTheGoldenFileAndNoHistoryBeforeAnyReadout) {
    ASSERT_TRUE(doc_.OpenDocument(kGolden + "/field.ini"));
    EXPECT_EQ(Rows(), (std::vector<std::string>{
                          "1|North Well|12/31/07 23:59|1.500000000|PSI|30303000",
                          "2|Stra\xDF"
                          "e|||PSI|",
                          "3|Main St| Gate|01/02/03 04:05|2.5|PSI,X1",
                          "4|Empty Date||3.0|kPa|S",
                      }));
    EXPECT_EQ(doc_.SiteCount(), 4);
    EXPECT_EQ(doc_.DocumentUnit(), PressureUnit::Psi);
    EXPECT_EQ(doc_.Title(), "field.ini");
    EXPECT_FALSE(doc_.IsModified());

    const std::string saved = Path("field.ini");
    ASSERT_TRUE(doc_.SaveDocument(saved).Complete());
    EXPECT_EQ(ReadFileBytes(saved), ReadFileBytes(kGolden + "/field-saved.ini"));
    EXPECT_FALSE(fs::exists(Path("field.csv")));  // the link never read a readout

    // What was saved opens and saves to the same bytes.
    ASSERT_TRUE(doc_.OpenDocument(saved));
    ASSERT_TRUE(doc_.SaveDocument(Path("again.ini")).Complete());
    EXPECT_EQ(ReadFileBytes(Path("again.ini")), ReadFileBytes(kGolden + "/field-saved.ini"));
}

TEST_F(DocumentTest, FilesWithoutASiteLineStartAFreshDocument) {
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"empty lines", "\r\n\n\r\n"},
        {"first line blank", "  \t \r\n1,A,,,,"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(doc_.OpenDocument(kGolden + "/field.ini"));
        user_.messages.clear();
        const std::string path = Path("bad.ini");
        WriteFileBytes(path, c.bytes);
        EXPECT_FALSE(doc_.OpenDocument(path));
        EXPECT_EQ(user_.messages, std::vector<std::string>{"Invalid file."});
        EXPECT_EQ(user_.icons.back(), MessageIcon::Exclamation);
        EXPECT_FALSE(doc_.HasSiteArray());
        EXPECT_FALSE(doc_.HasData());
        EXPECT_EQ(doc_.PathName(), "");
        EXPECT_TRUE(list_.Rows().empty());
        EXPECT_EQ(list_.Columns().size(), 6U);
    }
}

TEST_F(DocumentTest, UnreadableOrOversizedFilesLeaveTheDocumentAsItWas) {
    ASSERT_TRUE(doc_.OpenDocument(kGolden + "/field.ini"));
    const std::vector<std::string> before = Rows();
    const std::string large = Path("large.ini");
    WriteFileBytes(large, std::string(CQ417HostDoc::kMaxFileBytes + 1, 'x'));
    for (const std::string& path : {Path("missing.ini"), dir_.Root().string(), large}) {
        user_.messages.clear();
        EXPECT_FALSE(doc_.OpenDocument(path));
        ASSERT_EQ(user_.messages.size(), 1U);
        EXPECT_NE(user_.messages[0].find(path), std::string::npos) << user_.messages[0];
        EXPECT_EQ(user_.icons.back(), MessageIcon::Error);
        EXPECT_EQ(Rows(), before);
        EXPECT_EQ(doc_.PathName(), kGolden + "/field.ini");
        EXPECT_TRUE(doc_.HasData());
    }
}

TEST_F(DocumentTest, MoreThan177SitesKeepTheFirst177AndSaySo) {
    std::string bytes;
    for (int i = 1; i <= 180; ++i) {
        bytes += std::to_string(i) + ",Site " + std::to_string(i) + ",,,PSI,\r\n";
    }
    const std::string path = Path("many.ini");
    WriteFileBytes(path, bytes);
    ASSERT_TRUE(doc_.OpenDocument(path));
    EXPECT_EQ(doc_.SiteCount(), 177);
    EXPECT_EQ(list_.RowCount(), 177);
    ASSERT_EQ(user_.messages.size(), 1U);
    EXPECT_NE(user_.messages[0].find("first 177"), std::string::npos);

    ASSERT_TRUE(doc_.SaveDocument(path).Complete());
    const SiteFile::Contents back = SiteFile::Parse(ReadFileBytes(path));
    EXPECT_EQ(back.sites.size(), 177U);
    EXPECT_EQ(back.sites.back().location, "Site 177");
}

TEST_F(DocumentTest, RowsBeyondTheArrayAreNeverStored) {
    for (int i = 0; i < 179; ++i) {
        AddRow({std::to_string(i + 1), "L", "", "", "PSI", ""});
    }
    ASSERT_TRUE(doc_.SaveDocument(Path("rows.ini")).Complete());
    EXPECT_EQ(doc_.SiteCount(), 177);
    EXPECT_EQ(SiteFile::Parse(ReadFileBytes(Path("rows.ini"))).sites.size(), 177U);
    ASSERT_EQ(user_.messages.size(), 1U);
    EXPECT_NE(user_.messages[0].find("first 177"), std::string::npos);
}

TEST_F(DocumentTest, FreshDocumentGetsItsArrayAtTheFirstSave) {
    AddRow({"1", "Well", "", "4.5", "PSI", ""});  // a value without a date is no reading
    EXPECT_FALSE(doc_.HasSiteArray());
    ASSERT_TRUE(doc_.SaveDocument(Path("new.ini")).Complete());
    EXPECT_TRUE(doc_.HasSiteArray());
    EXPECT_TRUE(doc_.HasData());
    EXPECT_EQ(ReadFileBytes(Path("new.ini")), "1,Well,01/01/00 00:00,0.000000000,PSI,");
    ASSERT_TRUE(doc_.OpenDocument(Path("new.ini")));
    EXPECT_EQ(Rows(), std::vector<std::string>{"1|Well|||PSI|"});
}

TEST_F(DocumentTest, EmptyListSavesAnEmptyFileThatDoesNotOpen) {
    ASSERT_TRUE(doc_.SaveDocument(Path("none.ini")).Complete());
    EXPECT_EQ(ReadFileBytes(Path("none.ini")), "");
    EXPECT_FALSE(doc_.OpenDocument(Path("none.ini")));
    EXPECT_EQ(user_.messages, std::vector<std::string>{"Invalid file."});
}

TEST_F(DocumentTest, FailedSaveKeepsTheOldFileAndTheModifiedFlag) {
    LoadGoldenReadout();
    doc_.MergeReadoutData();
    const std::string path = Path("missing-folder/sites.ini");
    const SaveResult result = doc_.SaveDocument(path);
    EXPECT_FALSE(result.saved);
    EXPECT_FALSE(result.historyFailed);  // nothing was saved, so no history was tried
    EXPECT_TRUE(doc_.IsModified());
    EXPECT_EQ(doc_.PathName(), "");
    ASSERT_EQ(user_.messages.size(), 1U);
    EXPECT_NE(user_.messages[0].find("could not be saved"), std::string::npos);
    EXPECT_FALSE(fs::exists(Path("missing-folder")));
}

TEST_F(DocumentTest, FailedHistoryIsReportedWhileTheSiteFileIsSaved) {
    LoadGoldenReadout();
    doc_.MergeReadoutData();
    fs::create_directories(Path("merged.csv"));  // a folder where the history file belongs
    const SaveResult result = doc_.SaveDocument(Path("merged.ini"));
    EXPECT_TRUE(result.saved);
    EXPECT_TRUE(result.historyFailed);
    EXPECT_FALSE(result.Complete());
    EXPECT_EQ(ReadFileBytes(Path("merged.ini")), ReadFileBytes(kGolden + "/merged.ini"));
    EXPECT_FALSE(doc_.IsModified());
    ASSERT_EQ(user_.messages.size(), 1U);
    EXPECT_NE(user_.messages[0].find("history file"), std::string::npos);
    EXPECT_NE(user_.messages[0].find("merged.csv"), std::string::npos);
}

TEST_F(DocumentTest, ObserverHearsEachRealChangeOfPathAndModifiedFlagOnce) {
    RecordingObserver observer;
    doc_.SetObserver(&observer);
    const std::string field = kGolden + "/field.ini";
    doc_.SetModified(true);
    doc_.SetModified(true);
    ASSERT_TRUE(doc_.OpenDocument(field));
    ASSERT_TRUE(doc_.OpenDocument(field));  // the same file again: nothing changes
    ASSERT_TRUE(doc_.SaveDocument(Path("copy.ini")).Complete());  // save as
    list_.AddSiteRow(-1);
    list_.AddSiteRow(0);
    ASSERT_TRUE(doc_.SaveDocument(Path("copy.ini")).Complete());
    list_.DeleteSiteRows({0});
    EXPECT_FALSE(doc_.SaveDocument(Path("missing/copy.ini")).saved);  // keeps path and flag
    doc_.NewDocument();
    EXPECT_EQ(observer.events, (std::vector<std::string>{
                                   "modified",
                                   "unmodified",
                                   "path " + field + " | field.ini",
                                   "path " + Path("copy.ini") + " | copy.ini",
                                   "modified",
                                   "unmodified",
                                   "modified",
                                   "path  | Untitled",
                                   "unmodified",
                               }));

    doc_.SetObserver(nullptr);
    doc_.SetModified(true);
    EXPECT_EQ(observer.events.size(), 9U);
}

TEST_F(DocumentTest, ObserverHearsTheUnitOnceWhenMergesAndUnitCommandsChangeIt) {
    RecordingObserver observer;
    doc_.SetObserver(&observer);
    LoadGoldenReadout();  // values in kPa, shown in PSI: the unit stays PSI throughout
    doc_.MergeReadoutData();
    LoadReadout(3, 3, {Record("Only", 1.0f, 60)});
    doc_.MergeReadoutData();
    list_.ApplyUnitCommand(PressureUnit::KPa);
    list_.ApplyUnitCommand(PressureUnit::KPa);
    EXPECT_EQ(observer.events, (std::vector<std::string>{"modified", "unit In H2O", "unit kPa"}));
}

TEST_F(DocumentTest, HistoryIsNamedAfterTheFileNameNotTheFolder) {
    LoadGoldenReadout();
    doc_.MergeReadoutData();
    fs::create_directories(Path("v1.2"));
    ASSERT_TRUE(doc_.SaveDocument(Path("v1.2/north.sites.ini")).Complete());
    EXPECT_EQ(ReadFileBytes(Path("v1.2/north.csv")), ReadFileBytes(kGolden + "/merged.csv"));
}

TEST_F(DocumentTest, HistoryPairsSitesWithRecordsByIndexAndIgnoresUnfilledRecords) {
    // The readout holds one site; the list has two, the second dated. Record 1 lies past the
    // record count: whatever it holds is not a reading.
    LoadReadout(1, 1,
                {Record("A", 1.0f, 0, {{2.0f, 86400}}), Record("B", 0, 0, {{9.0f, 1}, {9.0f, 2}})},
                1);
    AddRow({"1", "A", "01/02/00 00:00", "2.000000000", "PSI", "S"});
    AddRow({"2", "B", "05/06/07 08:09", "3.000000000", "PSI", "S"});
    ASSERT_TRUE(doc_.SaveDocument(Path("pair.ini")).Complete());
    EXPECT_EQ(ReadFileBytes(Path("pair.csv")),
              "1,A,01/02/00 00:00,2.000000000,PSI,S\r\n"
              "2,B,05/06/07 08:09,3.000000000,PSI,S\r\n");
}

TEST_F(DocumentTest, UnitCommandsConvertTheListOnly) {
    ASSERT_TRUE(doc_.OpenDocument(kGolden + "/field.ini"));
    list_.ApplyUnitCommand(PressureUnit::KPa);
    EXPECT_EQ(doc_.DocumentUnit(), PressureUnit::KPa);
    EXPECT_FALSE(doc_.IsModified());
    EXPECT_EQ(Rows(), (std::vector<std::string>{
                          "1|North Well|12/31/07 23:59|10.342135497|kPa|30303000",
                          "2|Stra\xDF"
                          "e||0.000000000|kPa|",
                          "3|Main St| Gate|6.894756998|kPa|PSI,X1",
                          "4|Empty Date||20.684270994|kPa|S",
                      }));
    EXPECT_EQ(doc_.Site(0).latestData, "1.500000000");
    list_.ApplyUnitCommand(PressureUnit::KPa);  // the same unit again: factor 1
    EXPECT_EQ(list_.CellText(0, 3), "10.342135497");
    list_.ApplyUnitCommand(UnitOfCode(0));
    EXPECT_EQ(list_.CellText(0, 4), "Volts");
    EXPECT_EQ(list_.CellText(0, 3), "1054.627500025");
}

TEST_F(DocumentTest, UnitCommandWithoutSiteArrayChangesNothing) {
    AddRow({"1", "A", "01/02/00 00:00", "1.0", "PSI", ""});
    list_.ApplyUnitCommand(PressureUnit::KPa);
    EXPECT_EQ(doc_.DocumentUnit(), PressureUnit::Psi);
    EXPECT_EQ(list_.CellText(0, 3), "1.0");
    EXPECT_EQ(list_.CellText(0, 4), "PSI");
}

TEST_F(DocumentTest, DocumentUnitFollowsTheFirstSiteExactly) {
    const struct {
        const char* firstUnits;
        PressureUnit expected;
    } cases[] = {
        {"kPa", PressureUnit::KPa},     {"M H2O", PressureUnit::MH2O},
        {"Volts", PressureUnit::Volts}, {"psi", PressureUnit::FtH2O},  // no match: unchanged
        {"", PressureUnit::FtH2O},
    };
    for (const auto& c : cases) {
        doc_.SetDocumentUnit(PressureUnit::FtH2O);
        const std::string path = Path("units.ini");
        WriteFileBytes(path, std::string("1,A,,,") + c.firstUnits + ",\r\n2,B,,,kPa,");
        ASSERT_TRUE(doc_.OpenDocument(path));
        EXPECT_EQ(doc_.DocumentUnit(), c.expected) << c.firstUnits;
    }
}

TEST_F(DocumentTest, MergeShowsReadoutValuesAsTheyAre) {
    LoadReadout(1, 1, {Record("Twelve", 12.3f, 762525000), Record("Zero", 0, 0)});
    doc_.MergeReadoutData();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1|Twelve|02/29/24 12:30|12.300000191|PSI|30303000",
                                                "2|Zero|||PSI|30303000"}));
    EXPECT_EQ(doc_.DocumentUnit(), PressureUnit::Psi);
}

TEST_F(DocumentTest, ReadoutTextsThatWouldSplitALineBecomeBlanks) {
    using namespace std::string_literals;
    // A zero ends a name in the record, so "AB" arrives whole and is no fault.
    LoadReadout(1, 1,
                {Record("North,Gate", 1.0f, 60, {{2.0f, 120}}), Record("AB\0CD"s, 0, 0),
                 Record("Pond\rX\nY", 3.0f, 180)});
    link_.Update([](ReadoutSettings& s) {
        s.serialNumber =
            "30,3\0"s
            "1";
    });
    doc_.MergeReadoutData();
    EXPECT_EQ(user_.messages,
              std::vector<std::string>{
                  "Sites 1 and 3 had names with characters a site file cannot hold (commas, line "
                  "ends or zero bytes), and so had the readout's serial number; they were "
                  "replaced by blanks."});
    EXPECT_EQ(user_.icons, std::vector<MessageIcon>{MessageIcon::Exclamation});

    ASSERT_TRUE(doc_.SaveDocument(Path("split.ini")).Complete());
    EXPECT_EQ(ReadFileBytes(Path("split.ini")),
              "1,North Gate,01/01/00 00:02,2.000000000,PSI,30 3 1\r\n"
              "2,AB,01/01/00 00:00,0.000000000,PSI,30 3 1\r\n"
              "3,Pond X Y,01/01/00 00:03,3.000000000,PSI,30 3 1");
    EXPECT_EQ(ReadFileBytes(Path("split.csv")),
              "1,North Gate,01/01/00 00:02,2.000000000,PSI,30 3 1\r\n"
              "3,Pond X Y,01/01/00 00:03,3.000000000,PSI,30 3 1\r\n");
}

TEST_F(DocumentTest, MergeReplacesTheListAndRenumbers) {
    ASSERT_TRUE(doc_.OpenDocument(kGolden + "/field.ini"));
    list_.SetCellText(0, 0, "40");
    doc_.SetModified(true);
    LoadReadout(3, 3, {Record("Only", 1.0f, 60)});
    doc_.MergeReadoutData();  // the user answers No: the edits are dropped
    EXPECT_EQ(user_.saveQuestions, std::vector<std::string>{"field.ini"});
    EXPECT_EQ(Rows(),
              std::vector<std::string>{"1|Only|01/01/00 00:01|1.000000000|In H2O|30303000"});
    EXPECT_EQ(doc_.DocumentUnit(), PressureUnit::InH2O);
    EXPECT_EQ(doc_.PathName(), kGolden + "/field.ini");
    EXPECT_TRUE(doc_.IsModified());
}

TEST_F(DocumentTest, CancelAtTheSavePromptKeepsEverything) {
    ASSERT_TRUE(doc_.OpenDocument(kGolden + "/field.ini"));
    doc_.SetModified(true);
    const std::vector<std::string> before = Rows();
    user_.saveChoice = SaveChoice::Cancel;
    LoadGoldenReadout();
    doc_.MergeReadoutData();
    EXPECT_EQ(Rows(), before);
    EXPECT_EQ(doc_.SiteCount(), 4);
}

TEST_F(DocumentTest, SaveAtThePromptAsksForAPathWhenUntitled) {
    AddRow({"1", "Kept", "", "", "", ""});
    doc_.SetModified(true);
    user_.saveChoice = SaveChoice::Save;
    user_.savePath = Path("chosen.ini");
    LoadGoldenReadout();
    doc_.MergeReadoutData();
    EXPECT_EQ(ReadFileBytes(Path("chosen.ini")), "1,Kept,01/01/00 00:00,0.000000000,,");
    EXPECT_EQ(doc_.SiteCount(), 3);

    // Cancelling the path dialog cancels the merge.
    doc_.NewDocument();
    AddRow({"1", "Edited", "", "", "", ""});
    doc_.SetModified(true);
    user_.savePath.reset();
    doc_.MergeReadoutData();
    EXPECT_EQ(Rows(), std::vector<std::string>{"1|Edited||||"});
}

TEST_F(DocumentTest, ReadoutWithMoreThan177SitesFillsTheListAndSaysSo) {
    std::vector<ReadoutSiteRecord> records;
    for (int k = 0; k < 200; ++k) {
        records.push_back(Record("R" + std::to_string(k + 1), static_cast<float>(k), 0));
    }
    LoadReadout(1, 1, records);
    doc_.MergeReadoutData();
    EXPECT_EQ(doc_.SiteCount(), 177);
    EXPECT_EQ(list_.RowCount(), 177);
    EXPECT_EQ(list_.CellText(176, 1), "R177");
    ASSERT_EQ(user_.messages.size(), 1U);
    EXPECT_NE(user_.messages[0].find("200 sites"), std::string::npos);
}

TEST_F(DocumentTest, UploadPreparationFillsTheRecordImage) {
    LoadReadout(2, 2,
                {Record("Old 1", 0, 0, {{5.0f, 10}, {6.0f, 20}}),
                 Record("Old 2", 0, 0, {{7.0f, 30}}), Record("Old 3", 0, 0)});
    AddRow({"1", "New North", "12/31/07 23:59", "1.000000000", "PSI", ""});
    AddRow({"2", "A location far longer than twenty", "", "", "PSI", ""});
    ASSERT_TRUE(doc_.SaveDocument(Path("upload.ini")).Complete());
    doc_.SetDocumentUnit(PressureUnit::Psi);

    const ReadoutSettings before = link_.Snapshot();
    const std::optional<UploadPlan> s = doc_.PrepareSiteUpload();  // "No" to clearing
    ASSERT_TRUE(s);
    EXPECT_EQ(user_.questions, kClearAsked);
    EXPECT_EQ(s->recordCount, 2);
    EXPECT_EQ(s->fileName, Path("upload.ini"));
    // The plan goes with the upload job; the link's own image stays as the readout sent it.
    EXPECT_EQ(link_.Snapshot().records, before.records);
    const ReadoutSiteRecord r0 = ReadoutSiteRecord::Read(*s->records, 0);
    EXPECT_EQ(r0.name, "New North");
    EXPECT_EQ(r0.referenceTime, 252460740U);
    EXPECT_EQ(r0.referenceValue, 6.894757f);  // PSI in the list, kPa in the readout
    EXPECT_EQ(r0.readingCount, 2);  // the readings the readout holds stay, paired by index
    EXPECT_EQ(r0.readings[1].value, 6.0f);
    const ReadoutSiteRecord r1 = ReadoutSiteRecord::Read(*s->records, 1);
    EXPECT_EQ(r1.name, "A location far longe");  // cut to the readout's 20 characters
    EXPECT_EQ(r1.referenceTime, 0U);
    EXPECT_EQ(r1.referenceValue, 0.0f);
    EXPECT_EQ(r1.readingCount, 1);
    EXPECT_EQ(ReadoutSiteRecord::Read(*s->records, 2).name, "Old 3");  // not uploaded

    user_.answers[Question::ClearReadings] = true;
    const std::optional<UploadPlan> cleared = doc_.PrepareSiteUpload();
    ASSERT_TRUE(cleared);
    EXPECT_EQ(ReadoutSiteRecord::Read(*cleared->records, 0).readingCount, 0);
    EXPECT_EQ(ReadoutSiteRecord::Read(*cleared->records, 1).readingCount, 0);
    // The first plan still holds the image it was prepared with.
    EXPECT_EQ(ReadoutSiteRecord::Read(*s->records, 0).readingCount, 2);
}

TEST_F(DocumentTest, UploadFirstTellsWhichSitesWithReadingsGetANewName) {
    const std::vector<ReadingEntry> twenty(20, ReadingEntry{1.0f, 60});
    LoadReadout(1, 1,
                {Record("INTAKE 03", 0, 0, twenty), Record("Same", 0, 0, {{1.0f, 60}}),
                 Record("No readings", 0, 0), Record("Twenty characters ab", 0, 0, {{1.0f, 60}}),
                 Record("Moved", 0, 0, {{1.0f, 60}}), Record("Not uploaded", 0, 0, {{1.0f, 60}})});
    AddRow({"1", "INTAKE 04", "", "", "PSI", ""});
    AddRow({"2", "Same", "", "", "PSI", ""});
    AddRow({"3", "Renamed", "", "", "PSI", ""});
    AddRow({"4", "Twenty characters abc, cut", "", "", "PSI", ""});  // the same once cut
    AddRow({"5", "Other", "", "", "PSI", ""});
    ASSERT_TRUE(doc_.SaveDocument(Path("upload.ini")).Complete());

    ASSERT_TRUE(doc_.PrepareSiteUpload());
    EXPECT_EQ(user_.messages,
              std::vector<std::string>{
                  "The readout keeps readings in the place of their site, so unless they are "
                  "cleared, this upload gives sites that hold readings a new name: site 1 "
                  "'INTAKE 03' becomes 'INTAKE 04'; its 20 readings stay with it, and site 5 "
                  "'Moved' becomes 'Other'; its 1 reading stays with it."});
    EXPECT_EQ(user_.icons, std::vector<MessageIcon>{MessageIcon::Information});
    EXPECT_EQ(user_.messagesAtQuestion, std::vector<std::size_t>{1});  // told before asked

    list_.SetCellText(0, 1, "INTAKE 03");
    list_.SetCellText(4, 1, "Moved");
    ASSERT_TRUE(doc_.SaveDocument(Path("upload.ini")).Complete());
    user_.messages.clear();
    ASSERT_TRUE(doc_.PrepareSiteUpload());
    EXPECT_TRUE(user_.messages.empty());
    EXPECT_EQ(user_.questions.size(), 2U);
}

TEST_F(DocumentTest, KeepingReadingsThatWereNeverDownloadedIsRefused) {
    // After the information read the image is all zeros: uploading it would clear every
    // reading the readout holds although the user asked to keep them.
    LoadReadout(1, 1, {});
    link_.Update([](ReadoutSettings& s) {
        s.recordCount = 3;
        s.dataReady = 0;
        s.fileName = "SITES.INI";
    });
    ASSERT_TRUE(doc_.OpenDocument(kGolden + "/field.ini"));
    EXPECT_FALSE(doc_.PrepareSiteUpload());
    EXPECT_EQ(user_.messages, std::vector<std::string>{kReadingsNotDownloadedMessage});
    const ReadoutSettings s = link_.Snapshot();
    EXPECT_EQ(s.recordCount, 3);
    EXPECT_EQ(s.fileName, "SITES.INI");
    EXPECT_EQ(s.dataReady, 0);

    user_.answers[Question::ClearReadings] = true;  // clearing needs no download
    const std::optional<UploadPlan> plan = doc_.PrepareSiteUpload();
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->recordCount, 4);
}

TEST_F(DocumentTest, UntitledDocumentUploadsAnEmptyFileName) {
    LoadReadout(1, 1, {Record("Old", 0, 0)});
    doc_.MergeReadoutData();
    link_.Update([](ReadoutSettings& s) { s.fileName = "SITES.INI"; });
    const std::optional<UploadPlan> plan = doc_.PrepareSiteUpload();
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->fileName, "");
}

TEST_F(DocumentTest, UploadNeedsConfirmationAndASiteArray) {
    EXPECT_FALSE(doc_.ConfirmUpload());  // "No" to the question
    EXPECT_EQ(user_.questions, kUploadAsked);
    EXPECT_TRUE(user_.messages.empty());

    user_.answers[Question::ConfirmUpload] = true;
    EXPECT_FALSE(doc_.ConfirmUpload());  // nothing loaded, merged or saved
    ASSERT_EQ(user_.messages.size(), 1U);

    ASSERT_TRUE(doc_.OpenDocument(kGolden + "/field.ini"));
    EXPECT_TRUE(doc_.ConfirmUpload());
    doc_.SetModified(true);
    user_.saveChoice = SaveChoice::Cancel;
    EXPECT_FALSE(doc_.ConfirmUpload());
}

TEST_F(DocumentTest, FinishedDownloadOpensTheReadoutsFileThenMerges) {
    const std::string path = Path("readout.ini");
    WriteFileBytes(path, "1,From File,,,PSI,");
    LoadReadout(1, 1, {Record("From Readout", 2.0f, 60)});
    link_.Update([&](ReadoutSettings& s) { s.fileName = path; });

    EXPECT_TRUE(doc_.AcceptDownload(true).syncClock);
    EXPECT_EQ(doc_.PathName(), path);
    EXPECT_EQ(Rows(),
              std::vector<std::string>{"1|From Readout|01/01/00 00:01|2.000000000|PSI|30303000"});
    EXPECT_TRUE(doc_.IsModified());
}

TEST_F(DocumentTest, FinishedDownloadWithoutItsFileMergesIntoTheCurrentDocument) {
    ASSERT_TRUE(doc_.OpenDocument(kGolden + "/field.ini"));
    LoadReadout(1, 1, {Record("From Readout", 2.0f, 60)});
    link_.Update([&](ReadoutSettings& s) { s.fileName = "C:\\DATA\\SITES.INI"; });
    EXPECT_FALSE(doc_.AcceptDownload(true).syncClock);  // no clock sync after this one
    EXPECT_EQ(doc_.PathName(), kGolden + "/field.ini");
    EXPECT_EQ(list_.CellText(0, 1), "From Readout");
}

TEST_F(DocumentTest, FinishedDownloadWithoutAutoOpenChangesNothing) {
    ASSERT_TRUE(doc_.OpenDocument(kGolden + "/field.ini"));
    const std::vector<std::string> before = Rows();
    LoadReadout(1, 1, {Record("From Readout", 2.0f, 60)});
    EXPECT_TRUE(doc_.AcceptDownload(false).syncClock);
    EXPECT_EQ(Rows(), before);
    EXPECT_FALSE(doc_.IsModified());
}

TEST_F(DocumentTest, AZeroByteEndsItsFieldAndTheFileReadsOn) {
    using namespace std::string_literals;
    const struct {
        const char* name;
        std::string bytes;
        std::vector<std::string> rows;
    } cases[] = {
        {"in a location",
         "1,North\0junk,03/04/05 06:07,1.5,PSI,SN\r\n2,South,,,PSI,SN"s,
         {"1|North|03/04/05 06:07|1.5|PSI|SN", "2|South|||PSI|SN"}},
        {"after the serial number", "1,A,,,PSI,S1\0\0\0\r\n"s, {"1|A|||PSI|S1"}},
        {"a line of its own",
         "1,A,,,PSI,S1\r\n\0\x01\x02\r\n2,B,,,PSI,S2"s,
         {"1|A|||PSI|S1", "|||||", "2|B|||PSI|S2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        user_.messages.clear();
        const std::string path = Path("zero.ini");
        WriteFileBytes(path, c.bytes);
        EXPECT_TRUE(doc_.OpenDocument(path));
        EXPECT_TRUE(user_.messages.empty());
        EXPECT_EQ(doc_.PathName(), path);
        EXPECT_EQ(Rows(), c.rows);
    }
}

// Writes raw bytes over record index of the link's image, as erased or faulty memory reads.
void PatchRecord(SharedSettings& link, int index, int offset,
                 const std::vector<std::uint8_t>& bytes) {
    link.Update([&](ReadoutSettings& s) {
        auto image = std::make_shared<RecordImage>(*s.records);
        std::copy(bytes.begin(), bytes.end(), image->Record(index) + offset);
        s.records = image;
    });
}

std::vector<std::uint8_t> Erased(int size) {
    return std::vector<std::uint8_t>(static_cast<std::size_t>(size), 0xFF);
}

TEST_F(DocumentTest, ErasedRecordsAndReadingsThatAreNoNumbersAreLeftOut) {
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    constexpr float kInf = std::numeric_limits<float>::infinity();
    LoadReadout(1, 1,
                {Record("Good", 1.0f, 60, {{2.0f, 120}}), Record("", 0, 0),
                 Record("Mixed", 0, 0, {{kNaN, 60}, {5.0f, 86400}, {1.0f, kErasedReadoutTime}}),
                 Record("Bad reference", kInf, 60), Record("Last", 3.0f, 60)});
    PatchRecord(link_, 1, 0, Erased(kRecordSize));  // never written

    doc_.MergeReadoutData();
    EXPECT_EQ(Rows(), (std::vector<std::string>{
                          "1|Good|01/01/00 00:02|2.000000000|PSI|30303000",
                          "2|Mixed|01/02/00 00:00|5.000000000|PSI|30303000",
                          "3|Bad reference|||PSI|30303000",
                          "4|Last|01/01/00 00:01|3.000000000|PSI|30303000",
                      }));
    EXPECT_EQ(user_.messages, std::vector<std::string>{
                                  "The readout held 1 empty record (erased memory) and 3 readings "
                                  "that were not numbers or had no time; left out of the site "
                                  "list."});
    // Nothing that is not a reading reaches the files, so the site file uploads again.
    ASSERT_TRUE(doc_.SaveDocument(Path("erased.ini")).Complete());
    EXPECT_EQ(ReadFileBytes(Path("erased.csv")),
              "1,Good,01/01/00 00:02,2.000000000,PSI,30303000\r\n"
              "2,Mixed,01/02/00 00:00,5.000000000,PSI,30303000\r\n"
              "4,Last,01/01/00 00:01,3.000000000,PSI,30303000\r\n");
}

TEST_F(DocumentTest, AReadoutOfErasedMemoryGivesNoSites) {
    LoadReadout(1, 1, {Record("", 0, 0), Record("", 0, 0), Record("", 0, 0)});
    for (int r = 0; r < 3; ++r) {
        PatchRecord(link_, r, 0, Erased(kRecordSize));
    }
    doc_.MergeReadoutData();
    EXPECT_EQ(doc_.SiteCount(), 0);
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(user_.messages, std::vector<std::string>{
                                  "The readout held 3 empty records (erased memory); left out of "
                                  "the site list."});
}

TEST_F(DocumentTest, OnlyASiteFileIsOpenedAsTheDataFileTheReadoutNames) {
    const std::string notes = Path("notes.txt");
    WriteFileBytes(notes, "Pump 3 leaks.\r\nCall Anna.\r\n");
    const std::string sites = Path("sites.ini");
    WriteFileBytes(sites, "1,A,,,PSI,S1\r\n\r\n2,B,,,PSI,S1");
    WriteFileBytes(Path("empty.ini"), "\r\n");
    fs::create_directory(Path("folder.ini"));
    const struct {
        std::string path;
        std::string refusal;
    } cases[] = {
        {"", "the readout names no data file"},
        {"../../x.ini", "../../x.ini is not an absolute path"},
        {"SITES.INI", "SITES.INI is not an absolute path"},
        {notes, notes + ": line 1 is not a site line"},
        {Path("empty.ini"), Path("empty.ini") + " holds no site line"},
        {Path("missing.ini"), Path("missing.ini") + ": No such file or directory"},
        {Path("folder.ini"), Path("folder.ini") + ": Is a directory"},
        {"/dev/null", "/dev/null: not a regular file"},
        {sites, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CQ417HostDoc::DataFileRefusal(c.path), c.refusal) << c.path;
    }

    // A refused file is merged into the document as it stands, and stays as it was.
    ASSERT_TRUE(doc_.OpenDocument(kGolden + "/field.ini"));
    LoadReadout(1, 1, {Record("From Readout", 2.0f, 60)});
    link_.Update([&](ReadoutSettings& s) { s.fileName = notes; });
    const CQ417HostDoc::DownloadAcceptance accepted = doc_.AcceptDownload(true);
    EXPECT_FALSE(accepted.syncClock);
    EXPECT_EQ(accepted.notOpened,
              "Data file not opened: " + notes + ": line 1 is not a site line.");
    EXPECT_EQ(doc_.PathName(), kGolden + "/field.ini");
    EXPECT_EQ(list_.CellText(0, 1), "From Readout");
    EXPECT_EQ(ReadFileBytes(notes), "Pump 3 leaks.\r\nCall Anna.\r\n");
}

TEST_F(DocumentTest, NoAtTheSavePromptUploadsTheListAsShownAndWritesNoFile) {
    LoadReadout(1, 1,
                {Record("One", 1.0f, 60), Record("Two", 2.0f, 60), Record("Three", 3.0f, 60)});
    doc_.MergeReadoutData();
    ASSERT_EQ(list_.DeleteSiteRows({0}), 0);
    list_.SetCellText(1, SiteListView::kLocation, "Three renamed");
    user_.saveChoice = SaveChoice::Discard;
    user_.answers[Question::ConfirmUpload] = true;
    ASSERT_TRUE(doc_.ConfirmUpload());
    EXPECT_EQ(user_.saveQuestions, std::vector<std::string>{"Untitled"});
    const std::optional<UploadPlan> plan = doc_.PrepareSiteUpload(true);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->recordCount, 2);
    EXPECT_EQ(ReadoutSiteRecord::Read(*plan->records, 0).name, "Two");
    EXPECT_EQ(ReadoutSiteRecord::Read(*plan->records, 1).name, "Three renamed");
    EXPECT_EQ(ReadoutSiteRecord::Read(*plan->records, 1).referenceValue, 3.0f);
    EXPECT_TRUE(doc_.IsModified());
    EXPECT_TRUE(fs::is_empty(dir_.Root()));
}

TEST_F(DocumentTest, ReadingsFollowTheirSiteThroughMovesDeletesAndInserts) {
    LoadReadout(1, 1,
                {Record("A", 0, 0, {{1.0f, 60}}), Record("B", 0, 0, {{2.0f, 60}, {2.5f, 120}}),
                 Record("C", 0, 0, {{3.0f, 60}}), Record("D", 0, 0)});
    doc_.MergeReadoutData();
    list_.MoveSiteRow(2, 0);    // C A B D
    list_.DeleteSiteRows({1});  // C B D
    list_.AddSiteRow(1);        // C new B D
    list_.SetCellText(1, SiteListView::kLocation, "New");
    ASSERT_TRUE(doc_.SaveDocument(Path("moved.ini")).Complete());
    EXPECT_EQ(ReadFileBytes(Path("moved.csv")),
              "1,C,01/01/00 00:01,3.000000000,PSI,30303000\r\n"
              "3,B,01/01/00 00:01,2.000000000,PSI,30303000\r\n"
              "3,B,01/01/00 00:02,2.500000000,PSI,30303000\r\n");

    // Kept readings are written with their site, as the readout holds them now.
    const std::optional<UploadPlan> plan = doc_.PrepareSiteUpload(false);
    ASSERT_TRUE(plan);
    const std::vector<std::pair<std::string, std::vector<float>>> expected = {
        {"C", {3.0f}}, {"New", {}}, {"B", {2.0f, 2.5f}}, {"D", {}}};
    ASSERT_EQ(plan->recordCount, 4);
    for (int k = 0; k < 4; ++k) {
        const ReadoutSiteRecord r = ReadoutSiteRecord::Read(*plan->records, k);
        std::vector<float> values;
        for (int i = 0; i < r.readingCount; ++i) {
            values.push_back(r.readings[static_cast<std::size_t>(i)].value);
        }
        EXPECT_EQ(r.name, expected[static_cast<std::size_t>(k)].first);
        EXPECT_EQ(values, expected[static_cast<std::size_t>(k)].second) << r.name;
    }
    EXPECT_TRUE(user_.messages.empty());  // no site gets another's readings: nothing to tell

    // Once the link took the upload, the sites stand at their new places, and the readout
    // read afresh there pairs them again.
    doc_.UploadSubmitted(*plan);
    link_.Update([&](ReadoutSettings& s) { s.records = plan->records; });
    list_.MoveSiteRow(0, 4);  // New B D C
    ASSERT_TRUE(doc_.SaveDocument(Path("moved.ini")).Complete());
    const std::optional<UploadPlan> synced = doc_.PrepareSiteUpload(false);
    ASSERT_TRUE(synced);
    EXPECT_EQ(ReadoutSiteRecord::Read(*synced->records, 3).name, "C");
    EXPECT_EQ(ReadoutSiteRecord::Read(*synced->records, 3).readingCount, 1);
    EXPECT_EQ(ReadoutSiteRecord::Read(*synced->records, 0).readingCount, 0);
}

}  // namespace
}  // namespace q417
