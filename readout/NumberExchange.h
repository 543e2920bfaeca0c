#pragma once

#include <QString>
#include <optional>

class QLineEdit;

namespace q417 {

// How the readout windows exchange numbers with their fields: floats in general format with 6
// significant digits, integers in decimal. Reading takes at most the first 31 characters and
// allows blanks around the number; anything else is not a number.
[[nodiscard]] QString FloatText(float value);
[[nodiscard]] QString IntText(int value);
[[nodiscard]] std::optional<float> ParseFloat(const QString& text);
[[nodiscard]] std::optional<int> ParseInt(const QString& text);

// The field's number, or nothing after telling the user "Please enter a number." (or
// "Please enter an integer.") and putting the focus back into the field.
[[nodiscard]] std::optional<float> ReadFloatField(QLineEdit& field);
[[nodiscard]] std::optional<int> ReadIntField(QLineEdit& field);

inline constexpr const char* kEnterNumberMessage = "Please enter a number.";
inline constexpr const char* kEnterIntegerMessage = "Please enter an integer.";

}  // namespace q417
