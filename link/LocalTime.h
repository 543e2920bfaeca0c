#pragma once

#include <cstdint>
#include <ctime>
#include <optional>

namespace q417 {

// The PC's local time, by the system's time-zone rules (TZ): the one conversion each way that
// every part of the program uses.
class LocalTime {
  public:
    // The local date and time of a calendar second, with the UTC offset then in tm_gmtoff;
    // nothing when the system cannot represent it.
    [[nodiscard]] static std::optional<std::tm> FromCalendar(std::int64_t calendarSeconds);

    // The calendar second of a local date and time (month 1..12; out-of-range fields carry over
    // as in mktime), the system deciding whether daylight saving is in force: of a time that
    // occurs twice it picks one, and a time skipped by a change comes back as the system
    // normalises it (read with the offset before the change: 02:30 becomes 03:30 when the
    // clocks go from 02:00 to 03:00). Callers that must not take such a time compare
    // FromCalendar of the result with what they asked for. Nothing when the system cannot
    // represent it.
    [[nodiscard]] static std::optional<std::int64_t> ToCalendar(int year, int month, int day,
                                                                int hour, int minute, int second);
};

}  // namespace q417
