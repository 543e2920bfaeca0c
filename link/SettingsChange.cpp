#include "SettingsChange.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "ReadoutClockLimit.h"
#include "ReadoutMemoryMap.h"
#include "ReadoutTables.h"

namespace q417 {

namespace {

constexpr int kMaxDisplayDigits = 8;
constexpr int kMaxContrastLevel = 0xFF;  // one byte of the information area

template <std::size_t N>
bool InList(int code, const std::array<const char*, N>& list) {
    return code >= 0 && code < static_cast<int>(list.size());
}

}  // namespace

std::optional<std::string> SettingsChange::SetSerialNumber(std::string_view serial) {
    // A ninth character would put the text's zero on the information area's size.
    if (serial.size() > static_cast<std::size_t>(ReadoutMemoryMap::kMaxSerialLength)) {
        return "Serial number must less than 9 characters.";
    }
    const bool printable = std::all_of(serial.begin(), serial.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
    });
    if (!printable) {
        return "A serial number takes printable ASCII characters only.";
    }
    // The serial number becomes a field of every site and history line the host writes.
    if (serial.empty()) {
        return "A serial number cannot be empty.";
    }
    if (serial.find(',') != std::string_view::npos) {
        return "A serial number cannot hold a comma: it is written into every line of the site "
               "file.";
    }
    request_.serialNumber = serial;
    flags_ |= SET_SERIAL_NUMBER;
    return std::nullopt;
}

std::optional<std::string> SettingsChange::SetMultiplier(float multiplier) {
    // Compared as the float the readout holds: -0 and what rounds to zero are zero too.
    if (!std::isfinite(multiplier) || multiplier == 0.0f) {
        return "Invalid multiplier.";
    }
    request_.multiplier = multiplier;
    flags_ |= SET_MULTIPLIER;
    return std::nullopt;
}

std::optional<std::string> SettingsChange::SetOffset(float offset) {
    if (!std::isfinite(offset)) {
        return "Invalid offset.";
    }
    request_.offset = offset;
    flags_ |= SET_OFFSET;
    return std::nullopt;
}

std::optional<std::string> SettingsChange::SetZero(float zero) {
    if (!std::isfinite(zero)) {
        return "Invalid zero readout.";
    }
    request_.zero = zero;
    flags_ |= SET_ZERO;
    return std::nullopt;
}

std::optional<std::string> SettingsChange::SetCalUnits(int code) {
    if (!InList(code, kUnitNames)) {
        return "Invalid calibration units.";
    }
    request_.calUnits = static_cast<std::uint8_t>(code);
    flags_ |= SET_CAL_UNITS;
    return std::nullopt;
}

std::optional<std::string> SettingsChange::SetDisplayUnits(int code) {
    if (!InList(code, kUnitNames)) {
        return "Invalid display units.";
    }
    request_.displayUnits = static_cast<std::uint8_t>(code);
    flags_ |= SET_DISPLAY_UNITS;
    return std::nullopt;
}

std::optional<std::string> SettingsChange::SetDisplayDigits(int digits) {
    if (digits < 0 || digits > kMaxDisplayDigits) {
        // The readout tool's own words, "/n" included.
        return "Invalid number of display digits./n 0 <= Digits <= " +
               std::to_string(kMaxDisplayDigits);
    }
    request_.displayDigits = static_cast<std::int8_t>(digits);
    flags_ |= SET_DISPLAY_DIGITS;
    return std::nullopt;
}

std::optional<std::string> SettingsChange::SetPowerDown(int code) {
    if (!InList(code, kPowerDownTexts)) {
        return "Invalid power down.";
    }
    request_.powerDown = static_cast<std::uint8_t>(code);
    flags_ |= SET_POWER_DOWN;
    return std::nullopt;
}

std::optional<std::string> SettingsChange::SetLcdContrast(int level) {
    if (level < 0 || level > kMaxContrastLevel) {
        return "Invalid LCD Contrast.";
    }
    request_.lcdContrast = level;
    flags_ |= SET_LCD_CONTRAST;
    return std::nullopt;
}

std::optional<std::string> SettingsChange::SetClock(std::int64_t calendarSeconds) {
    if (std::optional<std::string> refusal = ClockRefusal(calendarSeconds)) {
        return refusal;
    }
    request_.readoutClock = calendarSeconds;
    flags_ |= SET_CLOCK;
    clockToPcTime_ = false;
    return std::nullopt;
}

std::optional<std::string> SettingsChange::SetClockToPcTime(std::int64_t pcCalendarSeconds) {
    if (std::optional<std::string> refusal = ClockRefusal(pcCalendarSeconds)) {
        return refusal;
    }
    flags_ &= ~SET_CLOCK;
    clockToPcTime_ = true;
    return std::nullopt;
}

}  // namespace q417
