#include <gtest/gtest.h>

#include <thread>

#include "ManualClock.h"

namespace q417::sim {
namespace {

TEST(ManualClockTest, StartsAtZeroOnTheGivenCalendarTime) {
    const ManualClock byDefault;
    EXPECT_EQ(byDefault.NowMs(), 0);
    EXPECT_EQ(byDefault.CalendarSeconds(), 1767225600);  // 2026-01-01 00:00:00 UTC

    const ManualClock chosen(1000);
    EXPECT_EQ(chosen.NowMs(), 0);
    EXPECT_EQ(chosen.CalendarSeconds(), 1000);
}

TEST(ManualClockTest, AdvanceAndSleepMoveBothClocks) {
    ManualClock clock(1000);
    clock.Advance(1500);
    EXPECT_EQ(clock.NowMs(), 1500);
    EXPECT_EQ(clock.CalendarSeconds(), 1001);  // whole seconds only

    clock.SleepMs(600);
    EXPECT_EQ(clock.NowMs(), 2100);
    EXPECT_EQ(clock.CalendarSeconds(), 1002);
    EXPECT_EQ(clock.SleptMs(), 600);
    EXPECT_EQ(clock.SleepCalls(), 1);
}

TEST(ManualClockTest, NeverGoesBackwards) {
    ManualClock clock;
    clock.Advance(10);
    clock.Advance(-5);
    clock.Advance(0);
    clock.SleepMs(-3);
    clock.SleepMs(0);
    EXPECT_EQ(clock.NowMs(), 10);
    EXPECT_EQ(clock.SleptMs(), 0);
    EXPECT_EQ(clock.SleepCalls(), 2);  // the calls are counted even when they do not wait
}

TEST(ManualClockTest, AdvancesFromTwoThreadsAreAllKept) {
    ManualClock clock;
    constexpr int kSteps = 20000;
    auto advance = [&clock] {
        for (int i = 0; i < kSteps; ++i) {
            clock.Advance(1);
        }
    };
    std::thread other(advance);
    advance();
    other.join();
    EXPECT_EQ(clock.NowMs(), 2 * kSteps);
}

}  // namespace
}  // namespace q417::sim
