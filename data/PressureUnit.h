#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace q417 {

// The units of the readout's values. The codes are the readout's own, so a code read from its
// memory converts with a cast; codes outside 0..6 can arrive from the readout and are kept.
enum class PressureUnit : std::int32_t {
    Volts = 0,
    Psi = 1,
    KPa = 2,
    InH2O = 3,
    FtH2O = 4,
    MmH2O = 5,
    MH2O = 6,
};

[[nodiscard]] constexpr PressureUnit UnitOfCode(int code) {
    return static_cast<PressureUnit>(code);
}
[[nodiscard]] constexpr int CodeOfUnit(PressureUnit unit) {
    return static_cast<int>(unit);
}

// "PSI", "kPa", ...; empty for a code outside the table.
[[nodiscard]] std::string PressureUnitName(PressureUnit unit);
// The text of the Units column: as PressureUnitName, but "Volts" for every code outside 1..6.
[[nodiscard]] std::string UnitsColumnName(PressureUnit unit);
// The unit whose name is text, compared exactly (case matters); nothing when none matches.
[[nodiscard]] std::optional<PressureUnit> UnitOfName(std::string_view text);
// As UnitOfName, but a name typed by a person may differ from the exact name in letter case
// ("KPA", "m h2o"); exact names are tried first.
[[nodiscard]] std::optional<PressureUnit> UnitOfNameAnyCase(std::string_view text);

}  // namespace q417
