#pragma once

#include "Clock.h"

namespace q417 {

// The production clock: std::chrono::steady_clock for deadlines, system_clock for the calendar.
class SteadyClock final : public Clock {
  public:
    [[nodiscard]] std::int64_t NowMs() const override;
    [[nodiscard]] std::int64_t CalendarSeconds() const override;
    void SleepMs(std::int64_t ms) override;
    [[nodiscard]] bool RealTime() const override { return true; }
};

}  // namespace q417
