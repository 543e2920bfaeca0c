// What a job has come to, read from the link's events: the one reading both front ends share.

#include <gtest/gtest.h>

#include <vector>

#include "JobTracker.h"
#include "RecordingSink.h"

namespace q417 {
namespace {

using testing::Broadcast;
using testing::ForRequester;
using testing::kDownloadComplete;
using testing::kReadoutReady;
using testing::ProgressEvent;
using testing::StatusEvent;

constexpr RequesterId kMe = 3;
constexpr RequesterId kOther = 4;

const LinkEvent kCommError = StatusEvent(LinkDetail::TransferCommError, LinkStatus::CommError);
const LinkEvent kConnecting = StatusEvent(LinkDetail::Connecting, LinkStatus::Connecting);
const LinkEvent kNewReadout = StatusEvent(LinkDetail::NewReadout, LinkStatus::NewReadout);
const LinkEvent kGone = Broadcast(link_event::ReadoutGone{false});
const LinkEvent kPortLost = Broadcast(link_event::ReadoutGone{true});

LinkEvent UploadEnd(bool finished, int written, RequesterId to = kMe) {
    return ForRequester(to, link_event::UploadEnded{{finished, written, 25, finished}});
}

TEST(JobTrackerTest, EachKindEndsAsItsEventsSay) {
    const struct {
        const char* name;
        JobKind kind;
        std::vector<LinkEvent> events;
        JobPhase phase;
        JobInterruption why;
        int recordsDone;
    } cases[] = {
        {"download runs",
         JobKind::Download,
         {Broadcast(link_event::TransferBegun{Transfer::Download, 4}),
          ProgressEvent(Transfer::Download, 2, 4)},
         JobPhase::Running,
         JobInterruption::None,
         2},
        {"download completes",
         JobKind::Download,
         {ProgressEvent(Transfer::Download, 4, 4), kDownloadComplete},
         JobPhase::Finished,
         JobInterruption::None,
         4},
        {"download recovers, then goes on",
         JobKind::Download,
         {ProgressEvent(Transfer::Download, 1, 4), kCommError,
          ProgressEvent(Transfer::Download, 2, 4)},
         JobPhase::Running,
         JobInterruption::None,
         2},
        {"download stalls",
         JobKind::Download,
         {ProgressEvent(Transfer::Download, 1, 4), kCommError},
         JobPhase::Recovering,
         JobInterruption::None,
         1},
        {"download: the link starts over",
         JobKind::Download,
         {kCommError, kGone, kConnecting},
         JobPhase::Interrupted,
         JobInterruption::StartedOver,
         0},
        {"download: another readout",
         JobKind::Download,
         {kNewReadout, kGone, kConnecting},
         JobPhase::Interrupted,
         JobInterruption::NewReadout,
         0},
        {"download: the port is lost",
         JobKind::Download,
         {kPortLost},
         JobPhase::Interrupted,
         JobInterruption::PortLost,
         0},
        {"an upload's progress is not a download's",
         JobKind::Download,
         {ProgressEvent(Transfer::Upload, 10, 25)},
         JobPhase::Submitted,
         JobInterruption::None,
         0},
        {"upload finished",
         JobKind::Upload,
         {ProgressEvent(Transfer::Upload, 25, 25), UploadEnd(true, 25), kGone, kConnecting},
         JobPhase::Finished,
         JobInterruption::None,
         25},
        {"upload cut short by a start-over",
         JobKind::Upload,
         {ProgressEvent(Transfer::Upload, 10, 25), kCommError, kGone, UploadEnd(false, 10)},
         JobPhase::Interrupted,
         JobInterruption::StartedOver,
         10},
        {"upload cut short by another readout",
         JobKind::Upload,
         {kCommError, kNewReadout, UploadEnd(false, 20), kGone},
         JobPhase::Interrupted,
         JobInterruption::NewReadout,
         20},
        {"upload left for another job",
         JobKind::Upload,
         {UploadEnd(false, 0)},
         JobPhase::Interrupted,
         JobInterruption::Left,
         0},
        {"another requester's upload",
         JobKind::Upload,
         {UploadEnd(true, 25, kOther)},
         JobPhase::Submitted,
         JobInterruption::None,
         0},
        {"settings write",
         JobKind::SettingsWrite,
         {ForRequester(kMe, link_event::JobResult{2})},
         JobPhase::Finished,
         JobInterruption::None,
         0},
        {"another requester's result",
         JobKind::SettingsWrite,
         {ForRequester(kOther, link_event::JobResult{0})},
         JobPhase::Submitted,
         JobInterruption::None,
         0},
        {"a start-over does not end a settings write",
         JobKind::SettingsWrite,
         {kConnecting},
         JobPhase::Submitted,
         JobInterruption::None,
         0},
        {"capture",
         JobKind::Capture,
         {ForRequester(kMe, link_event::CaptureResult{false})},
         JobPhase::Finished,
         JobInterruption::None,
         0},
        {"clock sync",
         JobKind::ClockSync,
         {ForRequester(kMe, link_event::ClockSynced{true})},
         JobPhase::Finished,
         JobInterruption::None,
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        JobTracker job(c.kind, kMe);
        for (const LinkEvent& e : c.events) {
            job.Observe(e);
        }
        EXPECT_EQ(job.Phase(), c.phase);
        EXPECT_EQ(job.Interruption(), c.why);
        EXPECT_EQ(job.RecordsDone(), c.recordsDone);
    }
}

TEST(JobTrackerTest, AFinishedUploadIsReadBackWhenTheReadoutIsReadAfresh) {
    JobTracker job(JobKind::Upload, kMe);
    job.Observe(kReadoutReady);  // before the upload ended: not its read-back
    job.Observe(UploadEnd(true, 25));
    EXPECT_FALSE(job.ReadBack());
    for (const LinkEvent& e : {kGone, kConnecting, kReadoutReady}) {
        job.Observe(e);
    }
    EXPECT_TRUE(job.ReadBack());
    ASSERT_TRUE(job.Report());
    EXPECT_TRUE(job.Report()->finished);
}

TEST(JobTrackerTest, AnUploadTheLinkKeptAtStopEndsIt) {
    JobTracker job(JobKind::Upload, kMe);
    job.Stopped(std::nullopt);  // the link never took it
    EXPECT_FALSE(job.Ended());
    job.Stopped(UploadReport{false, 10, 25, false});
    EXPECT_EQ(job.Phase(), JobPhase::Interrupted);
    EXPECT_EQ(job.Interruption(), JobInterruption::Left);
    EXPECT_EQ(job.RecordsDone(), 10);
}

TEST(UploadReportTest, AnInterruptedUploadSaysWhereItStoppedAndWhatToDo) {
    const struct {
        UploadReport report;
        ReportForm form;
        const char* text;
    } cases[] = {
        {{false, 10, 25},
         ReportForm::Sentences,
         "The upload was interrupted after site 10 of 25: the readout may hold a mix of old and "
         "new sites. Upload again."},
        {{false, 90, 150},
         ReportForm::Clause,
         "the upload was interrupted after site 90 of 150: the readout may hold a mix of old and "
         "new sites; upload again"},
        // Before the first step was answered the readout was taking site 1.
        {{false, 0, 25},
         ReportForm::Sentences,
         "The upload was interrupted at site 1 of 25: the readout may hold a mix of old and new "
         "sites. Upload again."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.report.InterruptedText(c.form), c.text);
    }
}

}  // namespace
}  // namespace q417
