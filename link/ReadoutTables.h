#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace q417 {

// The readout's code tables. The unit code is also the index of its entry in every unit list, and
// the power-down code the index in the power-down list, so the windows fill their lists from
// these arrays in order.
inline constexpr std::array<const char*, 7> kUnitNames = {"Volts",  "PSI",    "kPa",  "In H2O",
                                                          "Ft H2O", "mm H2O", "M H2O"};
inline constexpr std::array<const char*, 5> kPowerDownTexts = {
    "5  Minutes", "15 Minutes", "30 Minutes", "45 Minutes", "60 Minutes"};

// Name of a unit code; empty for codes outside the table.
[[nodiscard]] std::string UnitName(int code);
// Text of a power-down code; empty for codes outside the table.
[[nodiscard]] std::string PowerDownText(int code);
// Message of a settings-write result code (0: "Readout updated").
[[nodiscard]] std::string ResultMessage(int code);
// True when text is the technician password exactly (case-sensitive, nothing trimmed).
[[nodiscard]] bool CalibrationPasswordAccepted(std::string_view text);
// Status bar text of a link status code; empty for 0 and codes without a text.
[[nodiscard]] std::string StatusText(int statusCode);

}  // namespace q417
