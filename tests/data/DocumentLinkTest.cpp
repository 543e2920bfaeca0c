// The document and the readout link together, as the window drives them: the link's worker on
// its own thread against the simulated readout, the document on the test's thread, meeting only
// through the link's events and its shared settings.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <limits>

#include "CQ417HostDoc.h"
#include "CReadoutLink.h"
#include "DefaultSiteFiles.h"
#include "FakeLine.h"
#include "ManualClock.h"
#include "MemorySiteList.h"
#include "ReadoutEngine.h"
#include "ReadoutSiteRecord.h"
#include "RecordingSink.h"
#include "ScriptedUser.h"
#include "TempDir.h"
#include "TimeZoneGuard.h"

namespace q417 {
namespace {

using namespace std::chrono_literals;
using testing::kDownloadComplete;
using testing::kReadoutReady;
using testing::RecordingSink;

constexpr std::int64_t kNow = 1796742245;  // 2026-12-08 15:04:05 UTC

using test::kFourSitesCsv;
using test::kFourSitesIni;

class DocumentLinkTest : public ::testing::Test {
  protected:
    DocumentLinkTest() {
        clock.SetRealSleepDivisor(100);  // the worker's pauses keep pace with the test
        document.SetView(&list);
        document.NewDocument();
    }
    ~DocumentLinkTest() override { link.Stop(); }

    // Waits for the next event after the events seen so far.
    void AwaitEvent(const LinkEvent& event) {
        const std::size_t from = seen;
        ASSERT_TRUE(sink.WaitFor(event, 10s, from)) << ::testing::PrintToString(event);
        seen = sink.Count();
    }

    void ConnectAndDownload() {
        link.Start(sink);
        AwaitEvent(kReadoutReady);
        ASSERT_TRUE(link.SubmitJob(JOB_DOWNLOAD, 0));
        AwaitEvent(kDownloadComplete);
        document.MergeReadoutData();
        ASSERT_EQ(document.SiteCount(), 4);
    }

    test::TempDir dir{"q417-document-link"};
    sim::testing::TimeZoneGuard zone{"UTC"};  // before the engine: its memory holds local times
    sim::ManualClock clock{kNow};
    sim::ReadoutEngine engine{sim::ReadoutMemory::MakeDefault(4, kNow),
                              [this] { return clock.CalendarSeconds(); }};
    sim::FakeLine line{clock, engine};
    RecordingSink sink;
    std::size_t seen = 0;
    CReadoutLink link{line, clock};
    test::ScriptedUser user;
    MemorySiteList list;
    CQ417HostDoc document{link.LiveSettings(), user};
};

TEST_F(DocumentLinkTest, DownloadSaveEditAndUploadThroughTheWorker) {
    ConnectAndDownload();
    const std::string ini = dir.Path("route.ini");
    ASSERT_TRUE(document.SaveDocument(ini).Complete());
    EXPECT_EQ(test::ReadFileBytes(ini), kFourSitesIni);
    EXPECT_EQ(test::ReadFileBytes(dir.Path("route.csv")), kFourSitesCsv);

    // The technician renames a site and moves the last one to the top.
    list.SetCellText(1, SiteListView::kLocation, "MW-02 NEW PUMP");
    list.MoveSiteRow(3, 0);
    ASSERT_TRUE(document.SaveDocument(ini).Complete());
    const std::optional<UploadPlan> plan = document.PrepareSiteUpload();  // readings kept
    ASSERT_TRUE(plan);
    ASSERT_TRUE(link.SubmitUpload(0, *plan));
    // The link writes, disconnects and reads the readout afresh.
    AwaitEvent(kReadoutReady);
    const ReadoutSettings fresh = link.Settings();
    link.Stop();  // the readout's memory is the test's alone again

    const sim::ReadoutMemory& memory = engine.Memory();
    EXPECT_EQ(memory.RecordCount(), 4);
    EXPECT_EQ(memory.FileName(), ini);
    EXPECT_EQ(memory.SiteName(0), "MW-04 CREEK XING");
    EXPECT_EQ(memory.SiteName(1), "MW-01 NORTH FIELD");
    EXPECT_EQ(memory.SiteName(2), "MW-02 NEW PUMP");
    // Readings go with their site to its new place.
    EXPECT_EQ(memory.ReadingCount(0), 3);
    EXPECT_EQ(memory.ReadingCount(1), 0);
    EXPECT_EQ(memory.ReadingCount(3), 2);
    EXPECT_EQ(fresh.fileName, ini);
    EXPECT_EQ(fresh.recordCount, 4);
    EXPECT_EQ(fresh.dataReady, 0);
}

TEST_F(DocumentLinkTest, AReconnectionBetweenPreparationAndUploadChangesNothingWritten) {
    ConnectAndDownload();
    list.SetCellText(0, SiteListView::kLocation, "RENAMED");
    ASSERT_TRUE(document.SaveDocument(dir.Path("race.ini")).Complete());
    const std::optional<UploadPlan> plan = document.PrepareSiteUpload();
    ASSERT_TRUE(plan);

    // The link reads the readout afresh before the upload is submitted: its record image is
    // zeros again, and would wipe every reading were it what the upload writes.
    ASSERT_TRUE(link.SubmitJob(JOB_RECONNECT, 0));
    AwaitEvent(kReadoutReady);
    ASSERT_EQ(link.Settings().dataReady, 0);

    ASSERT_TRUE(link.SubmitUpload(0, *plan));
    AwaitEvent(kReadoutReady);
    link.Stop();
    const sim::ReadoutMemory& memory = engine.Memory();
    EXPECT_EQ(memory.SiteName(0), "RENAMED");
    EXPECT_EQ(memory.ReadingCount(3), 3);
    EXPECT_TRUE(std::equal(plan->records->bytes.begin(),
                           plan->records->bytes.begin() + 4 * kRecordSize,
                           memory.Records().begin()));
}

// The readings of record r of memory, oldest first.
std::vector<sim::ReadoutMemory::Reading> ReadingsOf(const sim::ReadoutMemory& memory, int r) {
    std::vector<sim::ReadoutMemory::Reading> readings;
    for (int i = 0; i < memory.ReadingCount(r); ++i) {
        readings.push_back(memory.ReadingAt(r, i));
    }
    return readings;
}

TEST_F(DocumentLinkTest, TheReadoutReceivesTheListAsShownWithEachSitesOwnReadings) {
    const sim::ReadoutMemory original = sim::ReadoutMemory::MakeDefault(4, kNow);
    ConnectAndDownload();
    list.DeleteSiteRows({0});  // MW-02 PZ-03 MW-04
    list.MoveSiteRow(2, 0);    // MW-04 MW-02 PZ-03
    list.AddSiteRow(1);        // MW-04 (new) MW-02 PZ-03
    list.SetCellText(1, SiteListView::kLocation, "NEW WELL");
    // "No" at the save prompt: nothing is written, and the readout gets the rows all the same.
    user.saveChoice = SaveChoice::Discard;
    user.answers[Question::ConfirmUpload] = true;
    ASSERT_TRUE(document.ConfirmUpload());
    const std::optional<UploadPlan> plan = document.PrepareSiteUpload(false);  // readings kept
    ASSERT_TRUE(plan);
    ASSERT_TRUE(link.SubmitUpload(0, *plan));
    AwaitEvent(kReadoutReady);
    link.Stop();

    const sim::ReadoutMemory& memory = engine.Memory();
    ASSERT_EQ(memory.RecordCount(), 4);
    const struct {
        std::string name;
        int from;  // the record whose readings the site had, -1 for none
    } expected[] = {
        {"MW-04 CREEK XING", 3}, {"NEW WELL", -1}, {"MW-02 PUMP HOUSE", 1}, {"PZ-03 EAST BERM", 2}};
    for (int r = 0; r < 4; ++r) {
        const auto& e = expected[r];
        EXPECT_EQ(memory.SiteName(r), e.name);
        EXPECT_EQ(ReadingsOf(memory, r), e.from < 0 ? std::vector<sim::ReadoutMemory::Reading>{}
                                                    : ReadingsOf(original, e.from))
            << e.name;
    }
    EXPECT_TRUE(document.IsModified());
    EXPECT_TRUE(std::filesystem::is_empty(dir.Root()));
}

TEST_F(DocumentLinkTest, ErasedRecordsAndNaNReadingsOfTheReadoutNeverReachTheFiles) {
    engine.Memory().EraseRecord(1);
    const int last = engine.Memory().ReadingCount(3) - 1;
    engine.Memory().SetReading(3, last, {std::numeric_limits<float>::quiet_NaN(), 1});
    link.Start(sink);
    AwaitEvent(kReadoutReady);
    ASSERT_TRUE(link.SubmitJob(JOB_DOWNLOAD, 0));
    AwaitEvent(kDownloadComplete);
    document.MergeReadoutData();
    ASSERT_EQ(document.SiteCount(), 3);
    EXPECT_EQ(user.messages, std::vector<std::string>{
                                 "The readout held 1 empty record (erased memory) and 1 reading "
                                 "that was not a number or had no time; left out of the site "
                                 "list."});
    const std::string ini = dir.Path("erased.ini");
    ASSERT_TRUE(document.SaveDocument(ini).Complete());
    for (const std::string& bytes :
         {test::ReadFileBytes(ini), test::ReadFileBytes(dir.Path("erased.csv"))}) {
        EXPECT_EQ(bytes.find("nan"), std::string::npos) << bytes;
        EXPECT_EQ(bytes.find('\xFF'), std::string::npos) << bytes;
    }
    // The newest good reading stands for MW-04 now.
    EXPECT_EQ(list.CellText(2, SiteListView::kLocation), "MW-04 CREEK XING");
    EXPECT_EQ(list.CellText(2, SiteListView::kLatestData), "12.322500229");
}

TEST(LinkSubmissionTest, SubmissionsSayWhetherTheSlotTookThem) {
    sim::ManualClock clock{kNow};
    sim::ReadoutEngine engine{sim::ReadoutMemory::MakeDefault(1, kNow), {}};
    sim::FakeLine line{clock, engine};
    CReadoutLink link{line, clock};
    EXPECT_FALSE(link.SubmitJob(JOB_DOWNLOAD, 0));  // not running
    EXPECT_FALSE(link.SubmitUpload(0, {}));
    RecordingSink sink;
    link.Start(sink);
    EXPECT_FALSE(link.SubmitJob(JOB_UPLOAD, 0));  // an upload needs its records
    EXPECT_TRUE(link.SubmitJob(JOB_RECONNECT, 0));
    link.Stop();
    EXPECT_FALSE(link.SubmitJob(JOB_RECONNECT, 0));
}

}  // namespace
}  // namespace q417
