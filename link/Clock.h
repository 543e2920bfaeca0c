#pragma once

#include <cstdint>

namespace q417 {

// Time source of the link. Deadlines use the monotonic milliseconds; the readout clock and the
// PC's own clock use the calendar seconds. Tests inject a manual clock so that protocol deadlines
// and retries run without sleeping.
class Clock {
  public:
    virtual ~Clock() = default;

    // Monotonic milliseconds from an arbitrary origin; never goes backwards.
    [[nodiscard]] virtual std::int64_t NowMs() const = 0;

    // Calendar time: seconds since 1970-01-01 00:00 UTC.
    [[nodiscard]] virtual std::int64_t CalendarSeconds() const = 0;

    // Pause the calling thread for ms milliseconds (0 or less returns at once).
    virtual void SleepMs(std::int64_t ms) = 0;

    // True when the milliseconds are the wall's: a pause may then be a wait that another thread
    // ends early. A manual clock's time moves only by its own pauses.
    [[nodiscard]] virtual bool RealTime() const { return false; }
};

}  // namespace q417
