#include "ReadoutClockLimit.h"

#include "LocalTime.h"

namespace q417 {

bool ClockYearSettable(int localYear) {
    return localYear <= kLastSettableClockYear;
}

bool ClockSettable(std::int64_t calendarSeconds) {
    const std::optional<std::tm> fields = LocalTime::FromCalendar(calendarSeconds);
    if (!fields) {
        return false;  // beyond any calendar the readout has
    }
    return ClockYearSettable(fields->tm_year + 1900);
}

std::string ClockTooLateMessage() {
    return "The readout's clock can be set only up to the end of " +
           std::to_string(kLastSettableClockYear) + ": this program cannot read it after " +
           std::to_string(kLastReadableClockYear) + ".";
}

}  // namespace q417
