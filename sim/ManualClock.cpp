#include "ManualClock.h"

#include <chrono>
#include <thread>

namespace q417::sim {

ManualClock::ManualClock(std::int64_t calendarStartSeconds)
    : calendarStartSeconds_(calendarStartSeconds) {}

std::int64_t ManualClock::NowMs() const {
    return nowMs_.load();
}

std::int64_t ManualClock::CalendarSeconds() const {
    return calendarStartSeconds_ + nowMs_.load() / 1000;
}

void ManualClock::SleepMs(std::int64_t ms) {
    sleepCalls_.fetch_add(1);
    if (ms > 0) {
        sleptMs_.fetch_add(ms);
        nowMs_.fetch_add(ms);
        if (const int divisor = realSleepDivisor_.load(); divisor > 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(ms * 1000 / divisor));
        }
    }
}

void ManualClock::Advance(std::int64_t ms) {
    if (ms > 0) {
        nowMs_.fetch_add(ms);
    }
}

std::int64_t ManualClock::SleptMs() const {
    return sleptMs_.load();
}

int ManualClock::SleepCalls() const {
    return sleepCalls_.load();
}

}  // namespace q417::sim
