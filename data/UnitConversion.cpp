#include "UnitConversion.h"

#include <array>

namespace q417 {
namespace {

// Millimetres of water per unit, and units per millimetre of water (each the double nearest
// to 1 / A). Indexed by unit code.
constexpr std::array<double, 7> kMmH2OPerUnit = {
    1.0, 703.085, 101.9738622, 25.4, 304.8, 1.0, 1000.0,
};
constexpr std::array<double, 7> kUnitsPerMmH2O = {
    1.0,
    0.0014223031354672622,
    0.009806434496309585,
    0.03937007874015748,
    0.0032808398950131233,
    1.0,
    0.001,
};

double TableValue(const std::array<double, 7>& table, PressureUnit unit) {
    const int code = CodeOfUnit(unit);
    return code >= 0 && code < static_cast<int>(table.size())
               ? table[static_cast<std::size_t>(code)]
               : 1.0;
}

}  // namespace

long double ConversionFactor(PressureUnit from, PressureUnit to) {
    return static_cast<long double>(TableValue(kMmH2OPerUnit, from)) *
           static_cast<long double>(TableValue(kUnitsPerMmH2O, to));
}

double ConvertValue(double value, PressureUnit from, PressureUnit to) {
    return static_cast<double>(static_cast<long double>(value) * ConversionFactor(from, to));
}

float ConvertValueForReadout(double value, PressureUnit from, PressureUnit to) {
    const auto factor = static_cast<double>(ConversionFactor(from, to));
    return static_cast<float>(value * factor);
}

}  // namespace q417
