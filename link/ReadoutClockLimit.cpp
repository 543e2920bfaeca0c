#include "ReadoutClockLimit.h"

#include "LocalTime.h"

namespace q417 {

bool ClockYearSettable(int localYear) {
    return localYear >= kFirstSettableClockYear && localYear <= kLastSettableClockYear;
}

bool ClockSettable(std::int64_t calendarSeconds) {
    return !ClockRefusal(calendarSeconds);
}

std::optional<std::string> ClockRefusal(std::int64_t calendarSeconds) {
    const std::optional<std::tm> fields = LocalTime::FromCalendar(calendarSeconds);
    if (!fields) {
        return ClockTooLateMessage();  // beyond any calendar the readout has
    }
    const int year = fields->tm_year + 1900;
    if (year < kFirstSettableClockYear) {
        return ClockTooEarlyMessage();
    }
    if (year > kLastSettableClockYear) {
        return ClockTooLateMessage();
    }
    return std::nullopt;
}

std::string ClockTooLateMessage() {
    return "The readout's clock can be set only up to the end of " +
           std::to_string(kLastSettableClockYear) + ": this program cannot read it after " +
           std::to_string(kLastReadableClockYear) + ".";
}

std::string ClockTooEarlyMessage() {
    return "The readout's clock counts from " + std::to_string(kFirstSettableClockYear) +
           ": it cannot be set to an earlier date.";
}

}  // namespace q417
