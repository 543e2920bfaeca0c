#pragma once

// Values that both front ends take as typed text, each with the text that refuses it: the link's
// checks, the readout windows and q417cli must refuse each alike.

namespace q417::test {

enum class SettingField {
    SerialNumber,   // Initialize Readout, calibrate --serial
    Multiplier,     // Initialize Readout, calibrate --multiplier
    DisplayDigits,  // Setup page, set --digits
};

struct SettingRefusal {
    const char* name;
    SettingField field;
    const char* typed;  // Latin-1 bytes, as typed into the field or given on the command line
    const char* refusal;
};

inline constexpr const char* kSerialTooLong = "Serial number must less than 9 characters.";
inline constexpr const char* kSerialNotPrintable =
    "A serial number takes printable ASCII characters only.";
inline constexpr const char* kInvalidMultiplier = "Invalid multiplier.";
inline constexpr const char* kInvalidDigits =
    "Invalid number of display digits./n 0 <= Digits <= 8";

inline constexpr SettingRefusal kSettingRefusals[] = {
    {"SerialOfNine", SettingField::SerialNumber, "123456789", kSerialTooLong},
    {"SerialOfTen", SettingField::SerialNumber, "ABCD123456", kSerialTooLong},
    {"SerialEmpty", SettingField::SerialNumber, "", "A serial number cannot be empty."},
    {"SerialComma", SettingField::SerialNumber, "AB,12",
     "A serial number cannot hold a comma: it is written into every line of the site file."},
    {"SerialEscape", SettingField::SerialNumber, "A\x1B[2J", kSerialNotPrintable},
    {"SerialTab", SettingField::SerialNumber, "A\tB", kSerialNotPrintable},
    {"SerialDelete", SettingField::SerialNumber, "AB\x7F", kSerialNotPrintable},
    {"SerialEightBit", SettingField::SerialNumber, "AB\xE9", kSerialNotPrintable},
    {"MultiplierZero", SettingField::Multiplier, "0", kInvalidMultiplier},
    {"MultiplierZeroPointZero", SettingField::Multiplier, "0.0", kInvalidMultiplier},
    {"MultiplierMinusZero", SettingField::Multiplier, "-0", kInvalidMultiplier},
    {"MultiplierBelowFloat", SettingField::Multiplier, "1e-50", kInvalidMultiplier},
    {"DigitsNine", SettingField::DisplayDigits, "9", kInvalidDigits},
    {"DigitsNegative", SettingField::DisplayDigits, "-1", kInvalidDigits},
};

}  // namespace q417::test
