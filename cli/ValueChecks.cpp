#include "ValueChecks.h"

#include "PressureUnit.h"
#include "TextEscaping.h"
#include "ValueParsing.h"

namespace q417::cli {

std::optional<std::uint8_t> CheckUnitName(const std::string& option, const std::string& text,
                                          ArgumentFault& fault) {
    const std::optional<PressureUnit> unit = UnitOfNameAnyCase(text);
    if (!unit) {
        fault.message = option + " takes a unit name, one of " + UnitNameList() + " (not \"" +
                        TerminalText(text) + "\")";
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(CodeOfUnit(*unit));
}

std::optional<float> CheckFloat(const std::string& option, const std::string& text,
                                ArgumentFault& fault) {
    float value = 0;
    switch (ParseFloatNumber(text, value)) {
        case NumberStatus::Ok:
            return value;
        case NumberStatus::OutOfRange:
            fault.message = option + " " + TerminalText(text) +
                            " is too large for the readout (a 32-bit float)";
            return std::nullopt;
        case NumberStatus::NotANumber:
            break;
    }
    fault.message =
        option + " takes a number such as 12.5 or -0.0625 (not \"" + TerminalText(text) + "\")";
    return std::nullopt;
}

}  // namespace q417::cli
