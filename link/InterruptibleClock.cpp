#include "InterruptibleClock.h"

#include <algorithm>

namespace q417 {

InterruptibleClock::InterruptibleClock(Clock& clock, const std::atomic<bool>& stop)
    : clock_(clock), stop_(stop) {}

void InterruptibleClock::SleepMs(std::int64_t ms) {
    while (ms > 0 && !stop_.load()) {
        const std::int64_t slice = std::min(ms, kSleepSliceMs);
        clock_.SleepMs(slice);
        ms -= slice;
    }
}

}  // namespace q417
