#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace q417 {

// The date and time of a readout time stamp, one byte a field as the site list parses it.
struct DateFields {
    std::uint8_t year = 0;  // years since 2000
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;

    friend bool operator==(const DateFields&, const DateFields&) = default;
};

// Readout time stamps count seconds since 01/01/2000 00:00 in the readout's local time, every
// year divisible by 4 taken as a leap year. They are unsigned 32-bit, so every stamp the
// readout can hold formats (up to the year 2136, shown with three year digits).

// The calendar fields of a stamp; year counts from 2000 and reaches 136.
[[nodiscard]] DateFields ReadoutDateFields(std::uint32_t readoutSeconds);

// "MM/DD/YY hh:mm" of a stamp; seconds are dropped. 0 gives "01/01/00 00:00".
[[nodiscard]] std::string FormatReadoutTime(std::uint32_t readoutSeconds);

// ISO 8601 local date and time of a stamp, "2026-12-09T14:30:00"; 0 gives "2000-01-01T00:00:00".
[[nodiscard]] std::string FormatIsoReadoutTime(std::uint32_t readoutSeconds);

// The fields of a date text of the site list, "MM/DD/YY hh:mm" with blanks around it allowed.
// Each number is read like atoi (leading digits, 0 when there are none) and kept as its low
// byte; a missing separator leaves the later fields 0. Second is always 0.
[[nodiscard]] DateFields ParseSiteDateTime(std::string_view text);

// The strict reading, for callers that show no list to check: the fields of a text that is
// exactly "MM/DD/YY hh:mm", blanks around it aside, each number one or two digits (the year up to
// three, as FormatReadoutTime shows years past 2099), naming a minute of the readout's calendar
// that a time stamp holds. Nothing for any other text, an empty one included. What it accepts,
// ParseSiteDateTime reads the same.
[[nodiscard]] std::optional<DateFields> ParseExactSiteDateTime(std::string_view text);

// Seconds from 1 January of the fields' year to the fields' moment. Months past December count
// as December's end; day 0 counts as day 1.
[[nodiscard]] std::uint32_t SecondsIntoYear(const DateFields& fields);

// The readout time stamp of the fields (modulo 2^32 for years past 2136).
[[nodiscard]] std::uint32_t ReadoutTimeFromDate(const DateFields& fields);

}  // namespace q417
