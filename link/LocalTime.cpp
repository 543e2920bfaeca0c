#include "LocalTime.h"

namespace q417 {

std::optional<std::tm> LocalTime::FromCalendar(std::int64_t calendarSeconds) {
    const auto t = static_cast<std::time_t>(calendarSeconds);
    std::tm fields{};
    if (::localtime_r(&t, &fields) == nullptr) {
        return std::nullopt;
    }
    return fields;
}

std::optional<std::int64_t> LocalTime::ToCalendar(int year, int month, int day, int hour,
                                                  int minute, int second) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;  // the system decides whether daylight saving is in force
    const std::time_t t = std::mktime(&fields);
    if (t == static_cast<std::time_t>(-1)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(t);
}

}  // namespace q417
