#pragma once

#include <atomic>
#include <cstdint>

#include "Clock.h"

namespace q417::sim {

// A clock that moves only when told to, so protocol deadlines and retries run in tests without
// sleeping. SleepMs advances it instead of blocking. Atomic: a link worker thread may advance it
// while the test thread reads it.
class ManualClock final : public Clock {
  public:
    // 1767225600 is 2026-01-01 00:00:00 UTC.
    explicit ManualClock(std::int64_t calendarStartSeconds = 1767225600);

    [[nodiscard]] std::int64_t NowMs() const override;
    // The start value plus the whole seconds elapsed since construction.
    [[nodiscard]] std::int64_t CalendarSeconds() const override;
    // Advances the clock by ms (0 or less: no change) and returns at once.
    void SleepMs(std::int64_t ms) override;

    // Moves time forward by ms; 0 or less leaves it unchanged (the clock is monotonic).
    void Advance(std::int64_t ms);

    // From now on SleepMs also sleeps ms / divisor real milliseconds (0: not at all), so that a
    // worker thread pausing on this clock cannot race hours ahead of the thread that drives it.
    void SetRealSleepDivisor(int divisor) { realSleepDivisor_.store(divisor); }

    // Milliseconds and calls spent in SleepMs, so tests can see how long the host slept.
    [[nodiscard]] std::int64_t SleptMs() const;
    [[nodiscard]] int SleepCalls() const;

  private:
    const std::int64_t calendarStartSeconds_;
    std::atomic<std::int64_t> nowMs_{0};
    std::atomic<std::int64_t> sleptMs_{0};
    std::atomic<int> sleepCalls_{0};
    std::atomic<int> realSleepDivisor_{0};
};

}  // namespace q417::sim
