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

// "YYYY/MM/DD HH:MM:SS" in the PC's local time to calendar seconds. Fields may have one digit
// (the year four); the date must be valid for the readout's clock and exist in local time. On
// failure returns nothing and sets error to the reason.
[[nodiscard]] std::optional<std::int64_t> ParseLocalDateTime(std::string_view text,
                                                             std::string& error);

}  // namespace q417::cli
