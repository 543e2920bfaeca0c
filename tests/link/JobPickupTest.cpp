// A job submitted while the worker pauses idle reaches the line at once. Manual clock: the
// clock's time at the job's first byte tells.

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "FakeLine.h"
#include "LinkWorker.h"
#include "ManualClock.h"
#include "ReadoutEngine.h"
#include "RecordingSink.h"
#include "WriteWatchLine.h"

namespace q417 {
namespace {

// The manual clock, with a hook run after every pause slice (where a job may be submitted).
class HookedClock final : public Clock {
  public:
    explicit HookedClock(sim::ManualClock& clock) : clock_(clock) {}
    [[nodiscard]] std::int64_t NowMs() const override { return clock_.NowMs(); }
    [[nodiscard]] std::int64_t CalendarSeconds() const override { return clock_.CalendarSeconds(); }
    void SleepMs(std::int64_t ms) override {
        clock_.SleepMs(ms);
        if (afterSleep) {
            afterSleep();
        }
    }
    std::function<void()> afterSleep;

  private:
    sim::ManualClock& clock_;
};

struct PickupRig {
    PickupRig() {
        shared.jobs.Open();
        line.onWrite = [this] {
            if (!firstWriteMs) {
                firstWriteMs = clock.NowMs();
            }
        };
    }

    // Turns until the worker has connected and posted its first idle poll's status.
    void ConnectAndPoll() {
        for (int i = 0; i < 500 && !sink.Contains(testing::StatusEvent(LinkDetail::PollAnswered));
             ++i) {
            worker.Turn();
        }
        ASSERT_TRUE(sink.Contains(testing::StatusEvent(LinkDetail::PollAnswered)));
        ASSERT_EQ(worker.State(), LINK_IDLE);
    }

    // Submits job after the given number of pause slices from now; returns the clock's time of
    // the submission and of the job's first byte.
    std::pair<std::int64_t, std::int64_t> JobSubmittedAfterSlices(int job, int slices) {
        std::int64_t submittedMs = -1;
        clock.afterSleep = [&, job, slices]() mutable {
            if (--slices == 0) {
                submittedMs = clock.NowMs();
                firstWriteMs.reset();
                EXPECT_TRUE(shared.jobs.Submit({job, 0, {}, 0, {}}));
            }
        };
        for (int i = 0; i < 100 && !(submittedMs >= 0 && firstWriteMs); ++i) {
            worker.Turn();
        }
        clock.afterSleep = nullptr;
        return {submittedMs, firstWriteMs.value_or(-1)};
    }

    sim::ManualClock manual{1796742245};
    HookedClock clock{manual};
    sim::ReadoutEngine engine{sim::ReadoutMemory::MakeDefault(3, 1796742245),
                              [this] { return manual.CalendarSeconds(); }};
    sim::FakeLine fake{manual, engine};
    testing::WriteWatchLine line{fake};
    std::optional<std::int64_t> firstWriteMs;  // the clock's time of the first byte since reset
    LinkShared shared;
    testing::RecordingSink sink{&clock};
    LinkWorker worker{shared, line, clock, sink};
};

class JobPickupTest : public ::testing::TestWithParam<int> {};

TEST_P(JobPickupTest, JobSubmittedInTheIdlePauseReachesTheLineAtOnce) {
    PickupRig rig;
    rig.ConnectAndPoll();
    // Three slices into the first idle pause after the poll: within the pause, and the job's
    // first byte within a slice of it.
    const std::int64_t pauseStart = rig.manual.NowMs();
    const auto [submitted, firstByte] = rig.JobSubmittedAfterSlices(GetParam(), 3);
    ASSERT_GE(submitted, 0);
    EXPECT_LT(submitted - pauseStart, 100);
    ASSERT_GE(firstByte, submitted);
    EXPECT_LE(firstByte - submitted, JobSlot::kJobWaitSliceMs);
}

// A download is taken in one turn and starts in the next; the others run as they are taken.
INSTANTIATE_TEST_SUITE_P(Jobs, JobPickupTest,
                         ::testing::Values(JOB_DOWNLOAD, JOB_SYNC_CLOCK, JOB_RESET_BATTERY));

}  // namespace
}  // namespace q417
