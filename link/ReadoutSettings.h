#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "RecordImage.h"

namespace q417 {

// Flags of a settings write. WriteSettings tests them in this order, not in the order of their
// values: initialise, serial number, multiplier, offset, calibration units, zero, display
// units, display digits, power down, clock.
inline constexpr int SET_SERIAL_NUMBER = 0x4;
inline constexpr int SET_MULTIPLIER = 0x8;
inline constexpr int SET_OFFSET = 0x10;
inline constexpr int SET_ZERO = 0x20;
inline constexpr int SET_CAL_UNITS = 0x40;
inline constexpr int SET_DISPLAY_UNITS = 0x80;
inline constexpr int SET_DISPLAY_DIGITS = 0x100;
inline constexpr int SET_POWER_DOWN = 0x200;
inline constexpr int SET_CLOCK = 0x400;
inline constexpr int SET_INITIALIZE = 0x2000;
inline constexpr int SET_LCD_CONTRAST = 0x20000;  // accepted, but no step writes the contrast

// Result codes of a settings write (ResultMessage gives their texts). The failing step's code
// names it; 0 means every requested step was done.
inline constexpr int kResultDone = 0;
inline constexpr int kResultSerialNumber = 1;
inline constexpr int kResultMultiplier = 2;
inline constexpr int kResultOffset = 3;
inline constexpr int kResultCalUnits = 4;
inline constexpr int kResultDisplayUnits = 5;
inline constexpr int kResultDisplayDigits = 6;
inline constexpr int kResultPowerDown = 7;
inline constexpr int kResultZero = 8;
inline constexpr int kResultClock = 9;
inline constexpr int kResultInitialize = 11;  // shown as "Unknown error occurred"

// Which of the status queries after the information block the readout answered at the last
// information read. One it left unanswered keeps its field's previous value, worth nothing. A
// clock written since counts as answered: the readout holds the clock that was written.
struct StatusAnswers {
    bool firmwareVersion = false;
    bool batteryVoltage = false;
    bool batteryStats = false;
    bool clock = false;
};

// The host's copy of the readout's parameters and status. The link keeps the live one; the
// windows hold copies of the same type to say what a settings write should write.
//
// The record image is shared, never changed in place: whoever changes records publishes a new
// image, so a copy of these settings can be read on any thread while the link goes on working.
struct ReadoutSettings {
    std::string calTemperatureText;  // temperature signal of the last capture
    std::string calPressureText;     // pressure signal of the last capture
    std::int32_t connected = 0;      // 1 after a successful information read
    std::int32_t dataReady = 0;      // 1 while records hold a complete download or upload
    std::int32_t infoSize = 0;       // size of the information area; bounds the file name
    std::string serialNumber;
    float multiplier = 0;
    float offset = 0;
    std::uint8_t calUnits = 0;  // unit code
    std::string calUnitsName;
    float zero = 0;
    std::uint8_t powerDown = 0;  // power-down code
    std::string powerDownText;
    std::int32_t lcdContrast = 0;  // the readout's 8-bit contrast level
    std::int8_t displayDigits = 0;
    std::uint8_t displayUnits = 0;  // unit code
    std::string displayUnitsName;
    std::int32_t capacity = 0;     // most site records the readout holds
    std::int32_t recordCount = 0;  // site records stored (never above capacity or 200)
    float batteryVolts = 0;
    float firmwareVersion = 0;
    std::string fileName;           // data file whose sites were last uploaded
    std::int64_t readoutClock = 0;  // calendar seconds: the readout clock when read or written
    std::int64_t readTime = 0;      // calendar seconds: the PC's clock at that moment
    float displayOnTime = 0;
    float backlightTime = 0;
    float sleepTime = 0;
    float batteryLifeRemaining = 0;  // percent
    StatusAnswers answered;
    std::shared_ptr<const RecordImage> records;  // empty until the first information read

    // The readout clock now: the clock as read, advanced by the PC time since.
    [[nodiscard]] std::int64_t ReadoutClockAt(std::int64_t calendarNowSeconds) const {
        return readoutClock + (calendarNowSeconds - readTime);
    }
};

}  // namespace q417
