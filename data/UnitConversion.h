#pragma once

#include "PressureUnit.h"

namespace q417 {

// Every pressure unit converts through millimetres of water; Volts and unknown codes count as
// 1 on their side. The factor is formed in extended precision (x86-64 long double: a 64-bit
// significand), so that a value converted with ConvertValue is rounded to double only once.
[[nodiscard]] long double ConversionFactor(PressureUnit from, PressureUnit to);

// value in unit from, expressed in unit to: multiplied in extended precision, rounded to double
// once. This is what the list and the history show.
[[nodiscard]] double ConvertValue(double value, PressureUnit from, PressureUnit to);

// The same conversion as the readout receives it: the factor rounded to double first, then
// the product rounded to a 32-bit float.
[[nodiscard]] float ConvertValueForReadout(double value, PressureUnit from, PressureUnit to);

}  // namespace q417
