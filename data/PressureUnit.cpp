#include "PressureUnit.h"

#include "AsciiCase.h"
#include "ReadoutTables.h"

namespace q417 {

std::string PressureUnitName(PressureUnit unit) {
    return UnitName(CodeOfUnit(unit));
}

std::string UnitsColumnName(PressureUnit unit) {
    const int code = CodeOfUnit(unit);
    return code >= 1 && code <= 6 ? UnitName(code) : std::string("Volts");
}

std::optional<PressureUnit> UnitOfName(std::string_view text) {
    for (std::size_t code = 0; code < kUnitNames.size(); ++code) {
        if (text == kUnitNames[code]) {
            return UnitOfCode(static_cast<int>(code));
        }
    }
    return std::nullopt;
}

std::optional<PressureUnit> UnitOfNameAnyCase(std::string_view text) {
    if (const std::optional<PressureUnit> exact = UnitOfName(text)) {
        return exact;
    }
    for (std::size_t code = 0; code < kUnitNames.size(); ++code) {
        if (EqualIgnoringAsciiCase(text, kUnitNames[code])) {
            return UnitOfCode(static_cast<int>(code));
        }
    }
    return std::nullopt;
}

}  // namespace q417
