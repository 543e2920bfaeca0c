// The link's state machine turned by hand against the simulated readout on a manual clock:
// the messages, their order and their timing for each of the link's typical runs, and its
// answers to every job. Nothing here sleeps.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>

#include "FakeLine.h"
#include "ForwardingLine.h"
#include "JobTracker.h"
#include "LinkWorker.h"
#include "ManualClock.h"
#include "PacketCutLine.h"
#include "ReadoutEngine.h"
#include "ReadoutSiteRecord.h"
#include "RecordingSink.h"
#include "UploadReport.h"

namespace q417 {
namespace {

using testing::Broadcast;
using testing::ForRequester;
using testing::kDownloadComplete;
using testing::kReadoutReady;
using testing::kReadoutWoken;
using testing::ProgressEvent;
using testing::RecordingSink;
using testing::StatusEvent;

constexpr std::int64_t kNow = 1796742245;  // 2026-12-08 15:04:05 UTC

std::vector<LinkEvent> ConnectionEvents() {
    return {StatusEvent(LinkDetail::PortOpen, LinkStatus::PortOpen),
            StatusEvent(LinkDetail::Connecting, LinkStatus::Connecting),
            StatusEvent(LinkDetail::Connected, LinkStatus::Connected),
            kReadoutWoken,
            kReadoutWoken,
            StatusEvent(LinkDetail::ReadingInformation),
            kReadoutReady};
}

// A worker on the in-process line, turned by hand. With cutAfterPackets the readout is cut off
// (unplugged) as the record-write packet after that many goes.
struct WorkerRig {
    explicit WorkerRig(int sites = 3, int cutAfterPackets = -1)
        : engine(MakeMemory(sites), [this] { return clock.CalendarSeconds(); }),
          cutLine(line, cutAfterPackets, testing::PacketCutLine::Cut::Unplug) {
        shared.jobs.Open();
    }

    static sim::ReadoutMemory MakeMemory(int sites) {
        return sim::ReadoutMemory::MakeDefault(sites, kNow);
    }

    // Turns until done() holds; false when it did not within maxTurns.
    bool TurnUntil(const std::function<bool()>& done, int maxTurns = 5000) {
        for (int i = 0; i < maxTurns; ++i) {
            if (done()) {
                return true;
            }
            if (!worker.Turn()) {
                return done();
            }
            states.push_back(worker.State());
        }
        return done();
    }

    bool TurnUntilPosted(const LinkEvent& wanted, std::size_t from = 0) {
        return TurnUntil([&] { return sink.Contains(wanted, from); });
    }

    bool TurnUntilState(LinkState state) {
        return TurnUntil([&] { return worker.State() == state; });
    }

    void Connect() {
        ASSERT_TRUE(TurnUntilPosted(kReadoutReady));
        ASSERT_EQ(worker.State(), LINK_IDLE);
    }

    void Submit(int code, RequesterId requester = 0) {
        ASSERT_TRUE(shared.jobs.Submit({code, requester, {}, 0, {}}));
    }

    void SubmitUpload(UploadPlan plan, RequesterId requester = 0) {
        ASSERT_TRUE(shared.jobs.Submit({JOB_UPLOAD, requester, {}, 0, std::move(plan)}));
    }

    // The upload reports posted since from, as the requester reads them.
    [[nodiscard]] std::vector<UploadReport> UploadReports(std::size_t from = 0) const {
        std::vector<UploadReport> reports;
        for (const LinkEvent& m : sink.Events(from)) {
            if (const auto* ended = m.As<link_event::UploadEnded>()) {
                reports.push_back(ended->report);
            }
        }
        return reports;
    }

    void Engine(const std::function<void(sim::ReadoutEngine&)>& f) { line.WithEngine(f); }

    // The states the worker passed through since `from`, repeats folded.
    [[nodiscard]] std::vector<LinkState> StatesSince(std::size_t from) const {
        std::vector<LinkState> out;
        for (std::size_t i = from; i < states.size(); ++i) {
            if (out.empty() || out.back() != states[i]) {
                out.push_back(states[i]);
            }
        }
        return out;
    }

    sim::ManualClock clock{kNow};
    sim::ReadoutEngine engine;
    sim::FakeLine line{clock, engine};
    testing::PacketCutLine cutLine;
    LinkShared shared;
    RecordingSink sink{&clock};
    LinkWorker worker{shared, cutLine, clock, sink};
    std::vector<LinkState> states;
};

class LinkWorkerTest : public ::testing::Test, public WorkerRig {
  protected:
    explicit LinkWorkerTest(int sites = 3) : WorkerRig(sites) {}
};

TEST_F(LinkWorkerTest, StartWithAReadoutPostsTheConnectionInOrder) {
    Connect();
    EXPECT_EQ(sink.Events(), ConnectionEvents());
    const ReadoutSettings s = shared.settings.Snapshot();
    EXPECT_EQ(s.connected, 1);
    EXPECT_EQ(s.recordCount, 3);
    EXPECT_EQ(s.serialNumber, "30303000");
    // Open, reset, connecting (entered, then awake), information read, idle.
    EXPECT_EQ(StatesSince(0), (std::vector<LinkState>{LINK_OPEN_PORT, LINK_RESET, LINK_CONNECTING,
                                                      LINK_READ_INFO, LINK_IDLE}));

    // The first poll comes after one pause; the next ones about every 6 s.
    const std::size_t mark = sink.Count();
    ASSERT_TRUE(TurnUntil([&] { return sink.Count() >= mark + 6; }));
    const auto entries = sink.Entries();
    EXPECT_EQ(entries[mark].event, StatusEvent(LinkDetail::Polling));
    EXPECT_EQ(entries[mark + 1].event, StatusEvent(LinkDetail::PollAnswered));
    EXPECT_EQ(entries[mark + 2].event, StatusEvent(LinkDetail::Polling));
    const std::int64_t betweenPolls = entries[mark + 2].atMs - entries[mark].atMs;
    EXPECT_GE(betweenPolls, 6000);
    EXPECT_LT(betweenPolls, 6100);
}

TEST_F(LinkWorkerTest, DisabledPortRetriesEveryOneAndAHalfSeconds) {
    shared.portNumber = 0;
    ASSERT_TRUE(TurnUntil([&] { return sink.Count() >= 5; }));
    const auto entries = sink.Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].event, StatusEvent(LinkDetail::PortNotOpen, LinkStatus::PortNotOpen));
        if (i > 0) {
            EXPECT_EQ(entries[i].atMs - entries[i - 1].atMs, 1500);
        }
    }
    EXPECT_EQ(StatesSince(0), std::vector<LinkState>{LINK_OPEN_PORT});
    EXPECT_TRUE(line.OpenCalls().empty());
}

TEST_F(LinkWorkerTest, WhyThePortDidNotOpenIsSharedBeforePortNotOpen) {
    const PortOpenFailure denied{OpenFailure::PermissionDenied, "/dev/ttyQ: permission denied"};
    line.SetOpenFailure(denied);
    // The reason must be there when the status arrives, not a turn later.
    ASSERT_TRUE(TurnUntil([&] {
        return sink.Contains(StatusEvent(LinkDetail::PortNotOpen, LinkStatus::PortNotOpen)) &&
               shared.portFailure.Get() == denied;
    }));
    EXPECT_EQ(sink.Entries().size(), 1u);
    line.SetOpenFailure({});
    Connect();
    EXPECT_FALSE(shared.portFailure.Get().Failed());
}

TEST_F(LinkWorkerTest, UnopenablePortIsRetriedUntilItOpens) {
    line.SetOpenable(false);
    ASSERT_TRUE(TurnUntil([&] { return sink.Count() >= 3; }));
    line.SetOpenable(true);
    Connect();
    EXPECT_EQ(sink.Events(0)[0], StatusEvent(LinkDetail::PortNotOpen, LinkStatus::PortNotOpen));
}

TEST_F(LinkWorkerTest, DownloadOfThreeRecordsReportsProgressAndCompletes) {
    Connect();
    const std::size_t mark = sink.Count();
    Submit(JOB_DOWNLOAD);
    ASSERT_TRUE(TurnUntilPosted(kDownloadComplete, mark));
    const std::vector<LinkEvent> expected = {
        Broadcast(link_event::TransferBegun{Transfer::Download, 3}),
        ProgressEvent(Transfer::Download, 1, 3),
        ProgressEvent(Transfer::Download, 2, 3),
        ProgressEvent(Transfer::Download, 3, 3),
        StatusEvent(LinkDetail::Connected, LinkStatus::Connected),
        kDownloadComplete};
    EXPECT_EQ(sink.Events(mark), expected);
    const ReadoutSettings s = shared.settings.Snapshot();
    EXPECT_EQ(s.dataReady, 1);
    ASSERT_TRUE(s.records);
    EXPECT_TRUE(std::equal(s.records->bytes.begin(), s.records->bytes.begin() + 3 * kRecordSize,
                           engine.Memory().Records().begin()));
    EXPECT_EQ(s.records->Record(3)[0], 0);  // nothing past the readout's records
    EXPECT_EQ(worker.State(), LINK_IDLE);
}

TEST_F(LinkWorkerTest, DownloadBeforeTheReadoutIsReadIsNotReportedComplete) {
    Engine([](sim::ReadoutEngine& e) { e.Faults().silent = true; });
    ASSERT_TRUE(TurnUntilState(LINK_CONNECTING));
    Submit(JOB_DOWNLOAD);
    ASSERT_TRUE(TurnUntil([&] { return !shared.jobs.Pending(); }));
    EXPECT_FALSE(TurnUntil([&] { return sink.Contains(kDownloadComplete); }, 50));
    EXPECT_NE(worker.State(), LINK_DOWNLOAD);

    // Once the readout answers and is read, a download runs as usual.
    Engine([](sim::ReadoutEngine& e) { e.Faults().silent = false; });
    Connect();
    const std::size_t mark = sink.Count();
    Submit(JOB_DOWNLOAD);
    EXPECT_TRUE(TurnUntilPosted(kDownloadComplete, mark));
}

TEST_F(LinkWorkerTest, DownloadSurvivesACorruptedPacketAndRecoversAfterFourFailures) {
    Connect();
    Engine([](sim::ReadoutEngine& e) { e.Faults().corruptChecksums = 2; });
    std::size_t mark = sink.Count();
    Submit(JOB_DOWNLOAD);
    ASSERT_TRUE(TurnUntilPosted(kDownloadComplete, mark));
    EXPECT_FALSE(
        sink.Contains(StatusEvent(LinkDetail::TransferCommError, LinkStatus::CommError), mark));
    EXPECT_TRUE(std::equal(engine.Memory().Records().begin(),
                           engine.Memory().Records().begin() + 3 * kRecordSize,
                           shared.settings.Snapshot().records->bytes.begin()));

    // Four failed steps within one download (each reads twice) lead to recovery, which
    // resumes the download.
    mark = sink.Count();
    const std::size_t stateMark = states.size();
    Engine([](sim::ReadoutEngine& e) { e.Faults().corruptChecksums = 8; });
    Submit(JOB_DOWNLOAD);
    ASSERT_TRUE(TurnUntilPosted(kDownloadComplete, mark));
    EXPECT_TRUE(
        sink.Contains(StatusEvent(LinkDetail::TransferCommError, LinkStatus::CommError), mark));
    const auto path = StatesSince(stateMark);
    EXPECT_NE(std::find(path.begin(), path.end(), LINK_RECOVER), path.end());
    EXPECT_EQ(std::count(path.begin(), path.end(), LINK_RESET), 0);
}

class EmptyReadoutTest : public LinkWorkerTest {
  protected:
    EmptyReadoutTest() : LinkWorkerTest(0) {}
};

TEST_F(EmptyReadoutTest, DownloadOfNoRecordsCompletesAtOnce) {
    Connect();
    const std::size_t mark = sink.Count();
    Submit(JOB_DOWNLOAD);
    ASSERT_TRUE(TurnUntilPosted(kDownloadComplete, mark));
    EXPECT_EQ(sink.Events(mark),
              (std::vector<LinkEvent>{StatusEvent(LinkDetail::Connected, LinkStatus::Connected),
                                      kDownloadComplete}));
    EXPECT_EQ(shared.settings.Snapshot().dataReady, 1);
}

class UploadTest : public LinkWorkerTest {
  protected:
    UploadTest() : LinkWorkerTest(30) {}
};

TEST_F(UploadTest, UploadOfTwentyFiveRecordsWritesTenTenFiveThenNameCountAndReconnects) {
    Connect();
    auto image = std::make_shared<RecordImage>();
    for (int r = 0; r < 25; ++r) {
        ReadoutSiteRecord record;
        record.name = "Site " + std::to_string(r);
        record.readingCount = r % 21;
        record.referenceValue = static_cast<float>(r) * 1.5f;
        record.referenceTime = static_cast<std::uint32_t>(800000000 + r);
        record.Write(*image, r);
    }
    const std::size_t mark = sink.Count();
    const std::size_t stateMark = states.size();
    SubmitUpload({image, 25, "/home/tech/ROUTE9.INI"});
    ASSERT_TRUE(TurnUntilPosted(kReadoutReady, mark));

    std::vector<LinkEvent> expected = {
        Broadcast(link_event::TransferBegun{Transfer::Upload, 25}),
        ProgressEvent(Transfer::Upload, 10, 25), ProgressEvent(Transfer::Upload, 20, 25),
        ProgressEvent(Transfer::Upload, 25, 25), Broadcast(link_event::ReadoutGone{false})};
    // Then a full reconnection (the port stays open).
    const auto connection = ConnectionEvents();
    expected.insert(expected.end(), connection.begin() + 1, connection.end());
    EXPECT_EQ(sink.Events(mark), expected);
    EXPECT_EQ(StatesSince(stateMark),
              (std::vector<LinkState>{LINK_UPLOAD, LINK_DISCONNECT, LINK_RESET, LINK_CONNECTING,
                                      LINK_READ_INFO, LINK_IDLE}));

    EXPECT_TRUE(std::equal(image->bytes.begin(), image->bytes.begin() + 25 * kRecordSize,
                           engine.Memory().Records().begin()));
    EXPECT_EQ(engine.Memory().InfoText(144, 100), "/home/tech/ROUTE9.INI");
    EXPECT_EQ(engine.Memory().InfoU16(61), 25);
    const ReadoutSettings s = shared.settings.Snapshot();
    EXPECT_EQ(s.recordCount, 25);
    EXPECT_EQ(s.fileName, "/home/tech/ROUTE9.INI");
    EXPECT_EQ(s.dataReady, 0);  // the reconnection read the readout afresh
}

TEST_F(UploadTest, ReadoutStallingMidUploadEndsWithExactlyWhatWasSent) {
    Connect();
    auto image = std::make_shared<RecordImage>();
    for (std::size_t i = 0; i < 25 * kRecordSize; ++i) {
        image->bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    // The second record write is echoed, then the readout hears nothing for 1.5 s.
    Engine([](sim::ReadoutEngine& e) {
        e.Faults().stallAfterCommands = 2;
        e.Faults().stallMs = 1500;
    });
    const std::size_t mark = sink.Count();
    SubmitUpload({image, 25, "/home/tech/STALL.INI"});
    ASSERT_TRUE(TurnUntilPosted(kReadoutReady, mark));
    const std::string written = line.Written();
    std::size_t stalledWrites = 0;  // the stalled write was sent again
    for (std::size_t at = written.find("WP 1E 40 1E\r"); at != std::string::npos;
         at = written.find("WP 1E 40 1E\r", at + 1)) {
        ++stalledWrites;
    }
    EXPECT_GE(stalledWrites, 2u);
    EXPECT_TRUE(std::equal(image->bytes.begin(), image->bytes.begin() + 25 * kRecordSize,
                           engine.Memory().Records().begin()));
    EXPECT_EQ(engine.Memory().InfoText(144, 100), "/home/tech/STALL.INI");
    EXPECT_EQ(engine.Memory().InfoU16(61), 25);
    EXPECT_EQ(shared.settings.Snapshot().recordCount, 25);
}

TEST_F(UploadTest, RefusedFileNameIsRetriedAndRecoveredNotReportedDone) {
    Connect();
    auto image = std::make_shared<RecordImage>();
    const std::size_t mark = sink.Count();
    SubmitUpload({image, 25, "/home/tech/NEW.INI"});
    ASSERT_TRUE(TurnUntilPosted(ProgressEvent(Transfer::Upload, 25, 25), mark));
    // The readout takes the records but refuses everything after them for a while.
    Engine([](sim::ReadoutEngine& e) { e.Faults().rejectAll = true; });
    ASSERT_TRUE(
        TurnUntilPosted(StatusEvent(LinkDetail::TransferCommError, LinkStatus::CommError), mark));
    EXPECT_EQ(worker.State(), LINK_RECOVER);
    EXPECT_NE(engine.Memory().InfoU16(61), 25);
    Engine([](sim::ReadoutEngine& e) { e.Faults().rejectAll = false; });
    ASSERT_TRUE(TurnUntilState(LINK_DISCONNECT));
    EXPECT_EQ(engine.Memory().InfoText(144, 100), "/home/tech/NEW.INI");
    EXPECT_EQ(engine.Memory().InfoU16(61), 25);
}

TEST_F(LinkWorkerTest, CablePulledWhileIdleFailsFourPollsThenRecoversAndResets) {
    Connect();
    std::size_t mark = sink.Count();
    const std::size_t stateMark = states.size();
    Engine([](sim::ReadoutEngine& e) { e.Faults().silent = true; });
    ASSERT_TRUE(
        TurnUntilPosted(StatusEvent(LinkDetail::IdleCommError, LinkStatus::CommError), mark));
    std::vector<LinkEvent> polls;
    for (int i = 0; i < 3; ++i) {
        polls.push_back(StatusEvent(LinkDetail::Polling));
        polls.push_back(StatusEvent(LinkDetail::PollUnanswered));
    }
    polls.push_back(StatusEvent(LinkDetail::Polling));
    polls.push_back(StatusEvent(LinkDetail::IdleCommError, LinkStatus::CommError));
    auto seen = sink.Events(mark);
    // The last good poll may come first.
    while (!seen.empty() && seen.front() != StatusEvent(LinkDetail::Polling)) {
        seen.erase(seen.begin());
    }
    if (seen.size() > polls.size()) {
        seen.erase(seen.begin(), seen.end() - static_cast<std::ptrdiff_t>(polls.size()));
    }
    EXPECT_EQ(seen, polls);

    // Four recovery attempts about a second apart; then the readout counts as gone, and the
    // link starts over with wake-ups.
    ASSERT_TRUE(TurnUntilPosted(StatusEvent(LinkDetail::Connecting, LinkStatus::Connecting), mark));
    EXPECT_EQ(StatesSince(stateMark),
              (std::vector<LinkState>{LINK_IDLE, LINK_RECOVER, LINK_DISCONNECT, LINK_RESET,
                                      LINK_CONNECTING}));
    EXPECT_EQ(shared.settings.Snapshot().connected, 0);
    EXPECT_TRUE(sink.Contains(Broadcast(link_event::ReadoutGone{false}), mark));

    // The readout comes back: a full reconnection.
    mark = sink.Count();
    ASSERT_TRUE(
        TurnUntil([&] { return worker.State() == LINK_CONNECTING && sink.Count() > mark + 3; }));
    Engine([](sim::ReadoutEngine& e) { e.Faults().silent = false; });
    ASSERT_TRUE(TurnUntilPosted(kReadoutReady, mark));
    // Between wake attempts the port is reopened at 115200.
    const auto opens = line.OpenCalls();
    EXPECT_GE(std::count(opens.begin(), opens.end(), std::make_pair(1, 115200)), 3);
}

TEST_F(LinkWorkerTest, RecoveryWithTheSameReadoutResumesWhereItStopped) {
    Connect();
    const std::size_t mark = sink.Count();
    Engine([](sim::ReadoutEngine& e) { e.Faults().silent = true; });
    ASSERT_TRUE(
        TurnUntilPosted(StatusEvent(LinkDetail::IdleCommError, LinkStatus::CommError), mark));
    ASSERT_EQ(worker.State(), LINK_RECOVER);
    Engine([](sim::ReadoutEngine& e) { e.Faults().silent = false; });
    ASSERT_TRUE(worker.Turn());
    EXPECT_EQ(worker.State(), LINK_IDLE);
}

// The link still counts as connected while it recovers from unanswered polls, so a window may
// ask for a download then: it comes once the readout answers, however many tries that takes.
TEST(LinkWorkerRecoveryTest, DownloadAskedForDuringRecoveryRunsWhenTheReadoutAnswers) {
    for (const int silentTries : {0, 2}) {
        SCOPED_TRACE(silentTries);
        WorkerRig t;
        t.Connect();
        const std::size_t mark = t.sink.Count();
        t.Engine([](sim::ReadoutEngine& e) { e.Faults().silent = true; });
        ASSERT_TRUE(
            t.TurnUntilPosted(StatusEvent(LinkDetail::IdleCommError, LinkStatus::CommError), mark));
        ASSERT_EQ(t.worker.State(), LINK_RECOVER);
        t.Submit(JOB_DOWNLOAD, 5);
        for (int i = 0; i < silentTries; ++i) {
            ASSERT_TRUE(t.worker.Turn());
            EXPECT_EQ(t.worker.State(), LINK_RECOVER);  // not a download from a silent readout
        }
        t.Engine([](sim::ReadoutEngine& e) { e.Faults().silent = false; });
        ASSERT_TRUE(t.TurnUntilPosted(kDownloadComplete, mark));
        EXPECT_TRUE(t.sink.Contains(ProgressEvent(Transfer::Download, 3, 3), mark));
    }
}

TEST_F(LinkWorkerTest, ADifferentReadoutFoundDuringRecoveryIsReconnectedInFull) {
    Connect();
    std::size_t mark = sink.Count();
    Engine([](sim::ReadoutEngine& e) { e.Faults().silent = true; });
    ASSERT_TRUE(
        TurnUntilPosted(StatusEvent(LinkDetail::IdleCommError, LinkStatus::CommError), mark));
    Engine([](sim::ReadoutEngine& e) {
        e.Faults().silent = false;
        e.Memory().SetIdentity({0x12, 0x34, 0xAB, 0x00});
    });
    mark = sink.Count();
    const std::size_t stateMark = states.size();
    ASSERT_TRUE(TurnUntilPosted(kReadoutReady, mark));
    const auto messages = sink.Events(mark);
    ASSERT_GE(messages.size(), 4u);
    EXPECT_EQ(messages[0], StatusEvent(LinkDetail::NewReadout, LinkStatus::NewReadout));
    EXPECT_EQ(messages[1], Broadcast(link_event::ReadoutGone{false}));
    EXPECT_EQ(StatesSince(stateMark),
              (std::vector<LinkState>{LINK_NEW_READOUT, LINK_DISCONNECT, LINK_RESET,
                                      LINK_CONNECTING, LINK_READ_INFO, LINK_IDLE}));
    EXPECT_EQ(sink.Entries()[mark + 1].atMs - sink.Entries()[mark].atMs, 2000);
}

TEST_F(LinkWorkerTest, SettingsWriteAnswersItsRequesterOnly) {
    Connect();
    std::size_t mark = sink.Count();
    line.ClearWritten();
    ASSERT_TRUE(shared.jobs.Submit({JOB_WRITE_SETTINGS, 7, {}, 0, {}}));
    ASSERT_TRUE(worker.Turn());
    EXPECT_EQ(sink.Events(mark), std::vector<LinkEvent>{ForRequester(7, link_event::JobResult{0})});
    EXPECT_EQ(line.Written(), "");  // flags 0: no exchange
    EXPECT_FALSE(shared.jobs.Pending());

    ReadoutSettings request;
    request.displayUnits = 2;
    request.displayDigits = 4;
    mark = sink.Count();
    ASSERT_TRUE(shared.jobs.Submit(
        {JOB_WRITE_SETTINGS, 8, request, SET_DISPLAY_UNITS | SET_DISPLAY_DIGITS, {}}));
    ASSERT_TRUE(worker.Turn());
    EXPECT_EQ(sink.Events(mark), std::vector<LinkEvent>{ForRequester(8, link_event::JobResult{0})});
    EXPECT_EQ(shared.settings.Snapshot().displayUnitsName, "kPa");
    EXPECT_EQ(engine.Memory().InfoByte(55), 2);
    EXPECT_EQ(engine.Memory().InfoByte(54), 4);

    // Nobody asked: nothing is posted, but the write is done.
    mark = sink.Count();
    request.displayDigits = 5;
    ASSERT_TRUE(shared.jobs.Submit({JOB_WRITE_SETTINGS, 0, request, SET_DISPLAY_DIGITS, {}}));
    ASSERT_TRUE(worker.Turn());
    EXPECT_EQ(engine.Memory().InfoByte(54), 5);
    for (const auto& m : sink.Events(mark)) {
        EXPECT_EQ(m.As<link_event::JobResult>(), nullptr);
    }
}

TEST_F(LinkWorkerTest, BatteryResetAndCaptureReportToTheirRequester) {
    Connect();
    engine.Memory().SetPressureSignal("  0.512345");
    engine.Memory().SetTemperatureSignal(" 1.23456");
    std::size_t mark = sink.Count();
    Submit(JOB_RESET_BATTERY, 4);
    ASSERT_TRUE(worker.Turn());
    EXPECT_EQ(sink.Events(mark), std::vector<LinkEvent>{ForRequester(4, link_event::JobResult{0})});
    EXPECT_EQ(engine.Memory().BatteryResetCount(), 1);

    mark = sink.Count();
    Submit(JOB_CAPTURE, 5);
    ASSERT_TRUE(worker.Turn());
    EXPECT_EQ(sink.Events(mark),
              std::vector<LinkEvent>{ForRequester(5, link_event::CaptureResult{true})});
    ReadoutSettings s = shared.settings.Snapshot();
    EXPECT_EQ(s.calPressureText, "  0.512345");
    EXPECT_EQ(s.calTemperatureText, " 1.23456");

    // Refused: the battery reset reports 11, a failed capture keeps the old texts.
    Engine([](sim::ReadoutEngine& e) { e.Faults().rejectAll = true; });
    mark = sink.Count();
    Submit(JOB_RESET_BATTERY, 4);
    ASSERT_TRUE(worker.Turn());
    Submit(JOB_CAPTURE, 5);
    ASSERT_TRUE(worker.Turn());
    const auto messages = sink.Events(mark);
    EXPECT_NE(
        std::find(messages.begin(), messages.end(), ForRequester(4, link_event::JobResult{11})),
        messages.end());
    EXPECT_NE(std::find(messages.begin(), messages.end(),
                        ForRequester(5, link_event::CaptureResult{false})),
              messages.end());
    s = shared.settings.Snapshot();
    EXPECT_EQ(s.calPressureText, "  0.512345");
}

TEST_F(LinkWorkerTest, SyncClockSetsTheReadoutToThePcTime) {
    Connect();
    ASSERT_NE(engine.ReadoutClockSeconds(), clock.CalendarSeconds());  // 95 s behind
    Submit(JOB_SYNC_CLOCK);
    ASSERT_TRUE(worker.Turn());
    EXPECT_LE(std::abs(engine.ReadoutClockSeconds() - clock.CalendarSeconds()), 1);
    const ReadoutSettings s = shared.settings.Snapshot();
    EXPECT_EQ(s.readoutClock, s.readTime);
    EXPECT_LE(std::abs(s.readTime - clock.CalendarSeconds()), 1);
}

TEST_F(LinkWorkerTest, SyncClockLeavesTheReadoutsClockWhenThePcIsPast2037) {
    Connect();
    const std::int64_t mid2038 = 2158963200;  // 2038/06/01 in every time zone
    clock.Advance((mid2038 - clock.CalendarSeconds()) * 1000);
    const std::string before = line.Written();
    Submit(JOB_SYNC_CLOCK);
    ASSERT_TRUE(worker.Turn());
    EXPECT_EQ(line.Written().find("WT", before.size()), std::string::npos);
    EXPECT_EQ(engine.ReadoutClockSeconds(), clock.CalendarSeconds() - 95);  // still its own
}

TEST_F(LinkWorkerTest, SyncClockBeforeConnectingTalksToNobody) {
    Submit(JOB_SYNC_CLOCK);
    ASSERT_TRUE(worker.Turn());
    EXPECT_EQ(line.Written(), "");
    EXPECT_FALSE(shared.jobs.Pending());
}

TEST_F(LinkWorkerTest, BaudChangeBeforeWakingWaitsForTheConnection) {
    shared.desiredBaud = 57600;
    Submit(JOB_CHANGE_BAUD);
    ASSERT_TRUE(worker.Turn());
    EXPECT_EQ(sink.Count(), 0u);  // no event: nothing to switch yet
    Connect();
    EXPECT_EQ(line.OpenCalls().back(), std::make_pair(1, 57600));
    EXPECT_EQ(worker.Transport().CurrentBaud(), 57600);

    // Awake: the switch happens at once, and the view hears of it.
    shared.desiredBaud = 38400;
    const std::size_t mark = sink.Count();
    Submit(JOB_CHANGE_BAUD);
    ASSERT_TRUE(worker.Turn());
    EXPECT_EQ(line.OpenCalls().back(), std::make_pair(1, 38400));
    EXPECT_EQ(sink.Events(mark).front(), kReadoutWoken);
}

TEST_F(LinkWorkerTest, ReconnectAndPortChangeStartOver) {
    Connect();
    std::size_t mark = sink.Count();
    Submit(JOB_RECONNECT);
    ASSERT_TRUE(TurnUntilPosted(kReadoutReady, mark));
    EXPECT_EQ(sink.Events(mark)[0], StatusEvent(LinkDetail::Connecting, LinkStatus::Connecting));

    mark = sink.Count();
    const std::size_t opens = line.OpenCalls().size();
    shared.portNumber = 2;
    Submit(JOB_OPEN_PORT);
    ASSERT_TRUE(TurnUntilPosted(kReadoutReady, mark));
    EXPECT_EQ(sink.Events(mark)[0], StatusEvent(LinkDetail::PortOpen, LinkStatus::PortOpen));
    EXPECT_EQ(line.OpenCalls()[opens].first, 2);
}

TEST(LinkWorkerStopTest, StopIsCarriedOutAtTheNextTurnFromEveryState) {
    struct Case {
        const char* name;
        std::function<void(WorkerRig&)> reach;
        LinkState state;
    };
    const Case cases[] = {
        {"open port", [](WorkerRig&) {}, LINK_OPEN_PORT},
        {"connecting",
         [](WorkerRig& t) {
             t.Engine([](sim::ReadoutEngine& e) { e.Faults().silent = true; });
             ASSERT_TRUE(t.TurnUntilState(LINK_CONNECTING));
         },
         LINK_CONNECTING},
        {"read info",
         [](WorkerRig& t) {
             t.Engine([](sim::ReadoutEngine& e) { e.Faults().answerCommands = 1; });
             ASSERT_TRUE(t.TurnUntilState(LINK_READ_INFO));
             ASSERT_TRUE(t.worker.Turn());
         },
         LINK_READ_INFO},
        {"idle", [](WorkerRig& t) { t.Connect(); }, LINK_IDLE},
        {"download",
         [](WorkerRig& t) {
             t.Connect();
             t.Submit(JOB_DOWNLOAD);
             ASSERT_TRUE(t.TurnUntilState(LINK_DOWNLOAD));
         },
         LINK_DOWNLOAD},
        {"upload",
         [](WorkerRig& t) {
             t.Connect();
             t.SubmitUpload({nullptr, 2, "X.INI"});
             ASSERT_TRUE(t.TurnUntilState(LINK_UPLOAD));
         },
         LINK_UPLOAD},
        {"recover",
         [](WorkerRig& t) {
             t.Connect();
             t.Engine([](sim::ReadoutEngine& e) { e.Faults().silent = true; });
             ASSERT_TRUE(t.TurnUntilState(LINK_RECOVER));
         },
         LINK_RECOVER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WorkerRig t;
        c.reach(t);
        ASSERT_EQ(t.worker.State(), c.state);
        const std::size_t mark = t.sink.Count();
        t.shared.stopRequest = true;
        EXPECT_FALSE(t.worker.Turn());
        EXPECT_FALSE(t.worker.Turn());
        EXPECT_EQ(t.sink.Count(), mark);
        EXPECT_FALSE(t.line.PortIsOpen());
    }
}

// ---- how an upload ends ----

constexpr int kOldSites = 30;  // the readout's sites before the upload
constexpr int kNewSites = 25;  // the upload's
constexpr RequesterId kUploader = 7;

// kNewSites records unlike any of the readout's: every byte of record r is 0x40 + r.
std::shared_ptr<const RecordImage> NewSites() {
    auto image = std::make_shared<RecordImage>();
    for (int r = 0; r < kNewSites; ++r) {
        std::fill_n(image->bytes.begin() + r * kRecordSize, kRecordSize,
                    static_cast<std::uint8_t>(0x40 + r));
    }
    return image;
}

// Which blocks of record r the readout holds from the upload (true) or as before (false).
std::array<bool, kBlocksPerRecord> NewBlocks(const sim::ReadoutMemory& memory, int r) {
    std::array<bool, kBlocksPerRecord> blocks{};
    for (int b = 0; b < kBlocksPerRecord; ++b) {
        const auto* block = memory.Records().data() + r * kRecordSize + b * kTransferBlockSize;
        blocks[static_cast<std::size_t>(b)] = std::all_of(
            block, block + kTransferBlockSize, [r](std::uint8_t byte) { return byte == 0x40 + r; });
    }
    return blocks;
}

struct UploadEndCase {
    const char* name;
    int cutAfterPackets;  // -1: the cable stays in
    // Acts once the first write step (sites 1 to 10) is done; may be empty.
    std::function<void(WorkerRig&)> interrupt;
    // Turned until this holds.
    std::function<bool(WorkerRig&)> over;
    UploadReport expected;
    int sitesNew;  // records the readout holds whole from the upload afterwards
    int count;     // the record count it holds afterwards
};

TEST(UploadEndTest, TheRequesterHearsOnceHowTheUploadEnded) {
    constexpr UploadReport kAfterTen{false, 10, kNewSites};
    auto reported = [](WorkerRig& t) { return !t.UploadReports().empty(); };
    const UploadEndCase cases[] = {
        {"finished",
         -1,
         {},
         [](WorkerRig& t) { return t.sink.Contains(kReadoutReady, 8); },
         UploadReport{true, kNewSites, kNewSites, true},
         kNewSites,
         kNewSites},
        // 30 packets of the first step and 16 of the second go: records 11 to 15 and the first
        // block of record 16 are new, the rest as before. Recovery gives up, the link starts over.
        {"cable pulled in the second write", 46, {}, reported, kAfterTen, 15, kOldSites},
        {"reconnect", -1, [](WorkerRig& t) { t.Submit(JOB_RECONNECT); }, reported, kAfterTen, 10,
         kOldSites},
        {"port disabled", -1,
         [](WorkerRig& t) {
             t.shared.portNumber = 0;
             t.Submit(JOB_OPEN_PORT);
         },
         reported, kAfterTen, 10, kOldSites},
        {"download", -1, [](WorkerRig& t) { t.Submit(JOB_DOWNLOAD); }, reported, kAfterTen, 10,
         kOldSites},
        {"another upload", -1,
         [](WorkerRig& t) {
             t.SubmitUpload({NewSites(), 1, "/tmp/ONE.INI"}, kUploader + 1);
         },
         [](WorkerRig& t) { return t.UploadReports().size() == 2; }, kAfterTen, 10, 1},
    };
    for (const UploadEndCase& c : cases) {
        SCOPED_TRACE(c.name);
        WorkerRig t(kOldSites, c.cutAfterPackets);
        t.Connect();
        const std::size_t mark = t.sink.Count();
        t.SubmitUpload({NewSites(), kNewSites, "/home/tech/NEW.INI"}, kUploader);
        ASSERT_TRUE(t.TurnUntilPosted(ProgressEvent(Transfer::Upload, 10, kNewSites), mark));
        if (c.interrupt) {
            c.interrupt(t);
        }
        ASSERT_TRUE(t.TurnUntil([&] { return c.over(t); }));
        // Some turns more: nothing else is said about this upload.
        for (int i = 0; i < 200 && t.worker.Turn(); ++i) {
        }
        const auto messages = t.sink.Events(mark);
        const LinkEvent report = ForRequester(kUploader, link_event::UploadEnded{c.expected});
        EXPECT_EQ(std::count(messages.begin(), messages.end(), report), 1);
        const auto reports = t.UploadReports(mark);
        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(reports.front(), c.expected);
        if (!c.expected.finished) {
            // Said before the link goes on to anything else.
            const auto at = std::find(messages.begin(), messages.end(), report);
            EXPECT_EQ(std::find(messages.begin(), at,
                                StatusEvent(LinkDetail::Connecting, LinkStatus::Connecting)),
                      at);
            EXPECT_EQ(std::find(messages.begin(), at,
                                StatusEvent(LinkDetail::PortNotOpen, LinkStatus::PortNotOpen)),
                      at);
        }

        const sim::ReadoutMemory& memory = t.engine.Memory();
        for (int r = 0; r < kOldSites; ++r) {
            const bool whole = r < c.sitesNew;
            const std::array<bool, 3> expectedBlocks =
                whole ? std::array<bool, 3>{true, true, true}
                : (c.cutAfterPackets >= 0 && r == c.sitesNew)
                    ? std::array<bool, 3>{true, false, false}  // the write was cut in it
                    : std::array<bool, 3>{false, false, false};
            EXPECT_EQ(NewBlocks(memory, r), expectedBlocks) << "record " << r + 1;
        }
        // The count and the name are written only after every record.
        EXPECT_EQ(memory.InfoU16(61), c.count);
        EXPECT_EQ(memory.InfoText(144, 100) == "/home/tech/NEW.INI", c.expected.finished);
    }
}

TEST(UploadEndTest, AStoppedUploadIsKeptForWhoeverStoppedIt) {
    WorkerRig t(kOldSites);
    t.Connect();
    const std::size_t mark = t.sink.Count();
    t.SubmitUpload({NewSites(), kNewSites, "/home/tech/NEW.INI"}, kUploader);
    ASSERT_TRUE(t.TurnUntilPosted(ProgressEvent(Transfer::Upload, 10, kNewSites), mark));
    EXPECT_FALSE(t.shared.stoppedUpload.Get());
    t.shared.stopRequest = true;
    EXPECT_FALSE(t.worker.Turn());
    EXPECT_TRUE(t.UploadReports(mark).empty());  // nothing is posted once stopped
    EXPECT_EQ(t.shared.stoppedUpload.Get(), (UploadReport{false, 10, kNewSites}));

    // A stop with no upload running keeps nothing.
    WorkerRig idle(kOldSites);
    idle.Connect();
    idle.shared.stopRequest = true;
    EXPECT_FALSE(idle.worker.Turn());
    EXPECT_FALSE(idle.shared.stoppedUpload.Get());
}

// ---- the port turned off ----

TEST(PortOffTest, APortThatDoesNotOpenClosesTheLineAndWithdrawsTheReadoutCommands) {
    const struct {
        const char* name;
        std::function<void(WorkerRig&)> choose;
    } cases[] = {
        {"Disabled", [](WorkerRig& t) { t.shared.portNumber = 0; }},
        {"a port that does not open",
         [](WorkerRig& t) {
             t.line.SetOpenable(false);
             t.shared.portNumber = 5;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WorkerRig t;
        t.Connect();
        ASSERT_TRUE(t.line.PortIsOpen());
        c.choose(t);
        const std::size_t mark = t.sink.Count();
        t.Submit(JOB_OPEN_PORT);
        ASSERT_TRUE(
            t.TurnUntilPosted(StatusEvent(LinkDetail::PortNotOpen, LinkStatus::PortNotOpen), mark));
        EXPECT_FALSE(t.line.PortIsOpen());
        EXPECT_EQ(t.sink.Events(mark),
                  (std::vector<LinkEvent>{
                      Broadcast(link_event::ReadoutGone{true}),
                      StatusEvent(LinkDetail::PortNotOpen, LinkStatus::PortNotOpen)}));
        const ReadoutSettings s = t.shared.settings.Snapshot();
        EXPECT_EQ(s.connected, 0);
        EXPECT_EQ(s.dataReady, 0);

        // Withdrawn once: then only "Port not open" every 1.5 s, and the port stays closed.
        const std::size_t later = t.sink.Count();
        ASSERT_TRUE(t.TurnUntil([&] { return t.sink.Count() >= later + 3; }));
        for (const LinkEvent& m : t.sink.Events(later)) {
            EXPECT_EQ(m, StatusEvent(LinkDetail::PortNotOpen, LinkStatus::PortNotOpen));
        }
        EXPECT_FALSE(t.line.PortIsOpen());
    }
}

// ---- another readout after a short outage ----

// The cable is out for 3 s after `after` more commands; with swap another readout answers then.
void ShortOutage(WorkerRig& t, int after, bool swap) {
    t.Engine([after, swap](sim::ReadoutEngine& e) {
        e.Faults().stallAfterCommands = after;
        e.Faults().stallMs = 3000;
        e.Faults().newIdentityAfterStall = swap;
    });
}

TEST(ShortOutageTest, ADownloadFromAnotherReadoutIsNotReportedComplete) {
    for (const bool swap : {false, true}) {
        SCOPED_TRACE(swap ? "another readout" : "the same readout");
        WorkerRig t(6);
        t.Connect();
        ShortOutage(t, 3, swap);  // the fourth record's question is lost
        const std::size_t mark = t.sink.Count();
        const std::size_t stateMark = t.states.size();
        t.Submit(JOB_DOWNLOAD);
        ASSERT_TRUE(t.TurnUntil([&] {
            return t.sink.Contains(kDownloadComplete, mark) || t.sink.Contains(kReadoutReady, mark);
        }));
        // The download went on by retries alone: no recovery came between.
        ASSERT_TRUE(t.sink.Contains(ProgressEvent(Transfer::Download, 6, 6), mark));
        const auto path = t.StatesSince(stateMark);
        EXPECT_EQ(std::find(path.begin(), path.end(), LINK_RECOVER), path.end());
        EXPECT_EQ(t.sink.Contains(kDownloadComplete, mark), !swap);
        EXPECT_EQ(
            t.sink.Contains(StatusEvent(LinkDetail::NewReadout, LinkStatus::NewReadout), mark),
            swap);
        if (swap) {
            // As in recovery: disconnect, and the new readout is read in full.
            EXPECT_NE(std::find(path.begin(), path.end(), LINK_NEW_READOUT), path.end());
            EXPECT_EQ(t.shared.settings.Snapshot().serialNumber, t.engine.Memory().SerialNumber());
            EXPECT_NE(t.engine.Memory().SerialNumber(), "30303000");
            EXPECT_EQ(t.shared.settings.Snapshot().dataReady, 0);
        } else {
            EXPECT_EQ(t.shared.settings.Snapshot().dataReady, 1);
        }
    }
}

TEST(ShortOutageTest, AnUploadStopsBeforeItWritesToAnotherReadout) {
    for (const bool swap : {false, true}) {
        SCOPED_TRACE(swap ? "another readout" : "the same readout");
        WorkerRig t(kOldSites);
        t.Connect();
        ShortOutage(t, 2, swap);  // the second record write is echoed, then the cable is out
        const std::size_t mark = t.sink.Count();
        t.SubmitUpload({NewSites(), kNewSites, "/home/tech/NEW.INI"}, kUploader);
        ASSERT_TRUE(t.TurnUntilPosted(kReadoutReady, mark));
        const auto reports = t.UploadReports(mark);
        ASSERT_EQ(reports.size(), 1u);
        const sim::ReadoutMemory& memory = t.engine.Memory();
        if (swap) {
            EXPECT_EQ(reports.front(), (UploadReport{false, 10, kNewSites}));
            EXPECT_TRUE(
                t.sink.Contains(StatusEvent(LinkDetail::NewReadout, LinkStatus::NewReadout), mark));
            // Nothing of the first readout's upload reached the other one.
            for (int r = 10; r < kOldSites; ++r) {
                EXPECT_EQ(NewBlocks(memory, r), (std::array<bool, 3>{})) << "record " << r + 1;
            }
            EXPECT_EQ(memory.InfoU16(61), kOldSites);
        } else {
            EXPECT_EQ(reports.front(), (UploadReport{true, kNewSites, kNewSites, true}));
            for (int r = 0; r < kNewSites; ++r) {
                EXPECT_EQ(NewBlocks(memory, r), (std::array<bool, 3>{true, true, true}))
                    << "record " << r + 1;
            }
            EXPECT_EQ(memory.InfoU16(61), kNewSites);
        }
    }
}

// ---- a settings write that fails ----

// A line on which the readout never hears the command lines that start with prefix.
class DeafLine final : public ForwardingLine {
  public:
    DeafLine(SerialLine& line, std::string prefix)
        : ForwardingLine(line), prefix_(std::move(prefix)) {}

    void PortPutChar(int byte) override {
        const char c = static_cast<char>(byte & 0xFF);
        if (c == '\n') {
            if (!dropped_) {
                Inner().PortPutChar(byte);
            }
            return;
        }
        pending_.push_back(c);
        if (c != '\r') {
            return;
        }
        dropped_ = pending_.rfind(prefix_, 0) == 0;
        if (!dropped_) {
            for (char p : pending_) {
                Inner().PortPutChar(static_cast<unsigned char>(p));
            }
        }
        pending_.clear();
    }

  private:
    std::string prefix_;
    std::string pending_;   // the command line being sent, up to its CR
    bool dropped_ = false;  // the last line was not heard, nor its LF
};

// What the requester finds in the live settings when the result reaches it.
class ResultSnapshotSink final : public LinkSink {
  public:
    explicit ResultSnapshotSink(const SharedSettings& settings) : settings_(settings) {}
    void Post(const LinkEvent& event) override {
        if (const auto* result = event.As<link_event::JobResult>()) {
            results.push_back(result->result);
            atResult.push_back(settings_.Snapshot());
        }
    }
    std::vector<std::int64_t> results;
    std::vector<ReadoutSettings> atResult;

  private:
    const SharedSettings& settings_;
};

TEST(FailedSettingsWriteTest, TheWindowsHearOfTheResultWithWhatTheReadoutHolds) {
    const struct {
        const char* name;
        const char* deafTo;  // command lines the readout does not hear
        int cutReplies;      // replies the readout starts but does not finish
        int flags;
        int result;
        std::string serial;  // what the readout holds afterwards
        int displayUnits;
    } cases[] = {
        // Characters 1 to 3 are written, the fourth is not heard; the zero ends the text.
        {"serial number half written", "WE E ", 0, SET_SERIAL_NUMBER, kResultSerialNumber,
         "ABC03000", 1},
        // Carried out each time, but every answer stops halfway.
        {"display units taken without an answer", "", 3, SET_DISPLAY_UNITS, kResultDisplayUnits,
         "30303000", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ManualClock clock{kNow};
        sim::ReadoutEngine engine{sim::ReadoutMemory::MakeDefault(3, kNow),
                                  [&clock] { return clock.CalendarSeconds(); }};
        sim::FakeLine fake{clock, engine};
        DeafLine line(fake, c.deafTo[0] != '\0' ? c.deafTo : "\x01");
        LinkShared shared;
        shared.jobs.Open();
        ResultSnapshotSink sink(shared.settings);
        LinkWorker worker(shared, line, clock, sink);
        for (int i = 0; i < 100 && shared.settings.Snapshot().connected == 0; ++i) {
            ASSERT_TRUE(worker.Turn());
        }
        ASSERT_EQ(shared.settings.Snapshot().connected, 1);
        ASSERT_EQ(shared.settings.Snapshot().displayUnits, 1);  // PSI

        ReadoutSettings request;
        request.serialNumber = "ABCDEFGH";
        request.displayUnits = 2;
        engine.Faults().cutReplies = c.cutReplies;
        ASSERT_TRUE(shared.jobs.Submit({JOB_WRITE_SETTINGS, 9, request, c.flags, {}}));
        ASSERT_TRUE(worker.Turn());
        ASSERT_EQ(sink.results, std::vector<std::int64_t>{c.result});
        EXPECT_EQ(engine.Memory().SerialNumber(), c.serial);
        EXPECT_EQ(engine.Memory().InfoByte(55), c.displayUnits);
        const ReadoutSettings& seen = sink.atResult.front();
        EXPECT_EQ(seen.serialNumber, c.serial);
        EXPECT_EQ(seen.displayUnits, c.displayUnits);
        EXPECT_EQ(seen.connected, 1);
    }
}

}  // namespace
}  // namespace q417

namespace q417 {
namespace {

// Each job as both front ends read it, against the simulated readout: the tracker fed the
// worker's events ends the way the readout's memory says the job went.
TEST(JobTrackerOnTheReadoutTest, EachJobEndsAsTheReadoutSaysItWent) {
    constexpr RequesterId kMe = 9;
    const struct {
        const char* name;
        JobKind kind;
        std::function<void(WorkerRig&)> submit;
        int cutAfterPackets;
        JobPhase phase;
        int recordsDone;
    } cases[] = {
        {"download", JobKind::Download, [](WorkerRig& t) { t.Submit(JOB_DOWNLOAD, kMe); }, -1,
         JobPhase::Finished, kOldSites},
        {"upload", JobKind::Upload,
         [](WorkerRig& t) {
             t.SubmitUpload({NewSites(), kNewSites, "/tmp/NEW.INI"}, kMe);
         },
         -1, JobPhase::Finished, kNewSites},
        {"upload cut off in its second write", JobKind::Upload,
         [](WorkerRig& t) {
             t.SubmitUpload({NewSites(), kNewSites, "/tmp/NEW.INI"}, kMe);
         },
         46, JobPhase::Interrupted, 10},
        {"settings write", JobKind::SettingsWrite,
         [](WorkerRig& t) {
             ReadoutSettings request;
             request.displayDigits = 3;
             ASSERT_TRUE(
                 t.shared.jobs.Submit({JOB_WRITE_SETTINGS, kMe, request, SET_DISPLAY_DIGITS, {}}));
         },
         -1, JobPhase::Finished, 0},
        {"capture", JobKind::Capture, [](WorkerRig& t) { t.Submit(JOB_CAPTURE, kMe); }, -1,
         JobPhase::Finished, 0},
        {"clock sync", JobKind::ClockSync, [](WorkerRig& t) { t.Submit(JOB_SYNC_CLOCK, kMe); }, -1,
         JobPhase::Finished, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WorkerRig t(kOldSites, c.cutAfterPackets);
        t.Connect();
        const std::size_t mark = t.sink.Count();
        c.submit(t);
        JobTracker job(c.kind, kMe);
        std::size_t fed = mark;
        ASSERT_TRUE(t.TurnUntil([&] {
            const auto events = t.sink.Events(fed);
            fed += events.size();
            for (const LinkEvent& e : events) {
                job.Observe(e);
            }
            return job.Ended();
        }));
        EXPECT_EQ(job.Phase(), c.phase);
        EXPECT_EQ(job.RecordsDone(), c.recordsDone);
        switch (c.kind) {
            case JobKind::Upload:
                ASSERT_TRUE(job.Report());
                EXPECT_EQ(t.engine.Memory().RecordCount(),
                          c.phase == JobPhase::Finished ? kNewSites : kOldSites);
                break;
            case JobKind::SettingsWrite:
                EXPECT_EQ(job.Result(), kResultDone);
                EXPECT_EQ(t.engine.Memory().InfoByte(54), 3);
                break;
            case JobKind::Capture:
                EXPECT_TRUE(job.Captured());
                break;
            case JobKind::ClockSync:
                EXPECT_TRUE(job.ClockSet());
                EXPECT_EQ(t.shared.settings.Snapshot().readoutClock,
                          t.shared.settings.Snapshot().readTime);
                break;
            default:
                break;
        }
    }
}

}  // namespace
}  // namespace q417
