#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace q417::cli {

// Values typed on the command line. Numbers are read the same in every locale ("." before the
// fraction); the whole text must be the number, an optional leading "+" aside.

enum class NumberStatus {
    Ok,
    NotANumber,  // not a number at all (or not a finite one)
    OutOfRange,  // a number, but too large for the type
};

[[nodiscard]] NumberStatus ParseWholeNumber(std::string_view text, int& value);
// A finite 32-bit float. A number too small for a float reads as zero of its sign, as the
// readout would hold it.
[[nodiscard]] NumberStatus ParseFloatNumber(std::string_view text, float& value);

// "Volts, PSI, ..." for messages.
[[nodiscard]] std::string UnitNameList();

// Why a date and time for the readout's clock was refused.
enum class DateTimeFault {
    None,
    Shape,       // not "YYYY/MM/DD HH:MM:SS"
    NoSuchTime,  // no date and time of the readout's clock, or none in local time
    TooLate,     // past the last year the readout's clock may be set to
    TooEarly,    // before the readout's clock begins
};

// "YYYY/MM/DD HH:MM:SS" in the PC's local time to calendar seconds. Fields may have one digit
// (the year four); the date must be valid for the readout's clock, leave it a year that can
// still be read, and exist in local time. On failure returns nothing and sets error to the
// reason (ClockTooLateMessage for a clock too late) and fault to its kind.
[[nodiscard]] std::optional<std::int64_t> ParseLocalDateTime(std::string_view text,
                                                             std::string& error,
                                                             DateTimeFault& fault);

}  // namespace q417::cli
