#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace q417::sim {

// A date and time of day as the readout keeps it: local time, no time zone. Converts to and from
// the readout's reading time stamps (unsigned 32-bit seconds since 2000-01-01 00:00:00, every
// year divisible by 4 a leap year) and to and from calendar seconds through the system's local
// time rules.
struct DateTimeFields {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..length of the month
    int hour = 0;
    int minute = 0;
    int second = 0;

    // First and last year a readout time stamp can hold.
    static constexpr int kStampFirstYear = 2000;
    static constexpr int kStampLastYear = 2136;

    // Days in the month under the readout's rule (February has 29 days when year % 4 == 0).
    [[nodiscard]] static int DaysInMonth(int year, int month);

    // True when every field lies in range for its neighbours (hour 0..23, minute and second
    // 0..59, day within the month by the readout's leap rule).
    [[nodiscard]] bool IsValid() const;

    [[nodiscard]] static DateTimeFields FromReadoutStamp(std::uint32_t stamp);
    // Empty when the fields are invalid or outside what 32 unsigned bits from 2000 can hold.
    [[nodiscard]] std::optional<std::uint32_t> ToReadoutStamp() const;

    // Local time of a calendar instant (seconds since 1970-01-01 00:00 UTC).
    [[nodiscard]] static DateTimeFields FromCalendarLocal(std::int64_t calendarSeconds);
    // The calendar instant of these local fields, daylight saving decided by the system. Empty
    // when the fields are invalid or the system cannot represent them.
    [[nodiscard]] std::optional<std::int64_t> ToCalendarLocal() const;

    // "YYYY/MM/DD HH:MM:SS", the form of the clock commands.
    [[nodiscard]] std::string Format() const;
    // Parses exactly "Y/M/D H:M:S": decimal fields, the year of up to 4 digits and the others of
    // up to 2, one space between date and time. Ranges are not checked here; see IsValid.
    [[nodiscard]] static std::optional<DateTimeFields> Parse(std::string_view text);

    friend bool operator==(const DateTimeFields&, const DateTimeFields&) = default;
};

}  // namespace q417::sim
