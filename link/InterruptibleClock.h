#pragma once

#include <atomic>
#include <cstdint>

#include "Clock.h"

namespace q417 {

// The worker's clock: the same time, but a pause ends within one slice of a stop request, and
// at once when the stop was requested before it began.
class InterruptibleClock final : public Clock {
  public:
    static constexpr std::int64_t kSleepSliceMs = 50;

    InterruptibleClock(Clock& clock, const std::atomic<bool>& stop);

    [[nodiscard]] std::int64_t NowMs() const override { return clock_.NowMs(); }
    [[nodiscard]] std::int64_t CalendarSeconds() const override { return clock_.CalendarSeconds(); }
    void SleepMs(std::int64_t ms) override;
    [[nodiscard]] bool RealTime() const override { return clock_.RealTime(); }

  private:
    Clock& clock_;
    const std::atomic<bool>& stop_;
};

}  // namespace q417
