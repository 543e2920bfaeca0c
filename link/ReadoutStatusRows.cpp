#include "ReadoutStatusRows.h"

#include <cstdio>
#include <ctime>

#include "LocalTime.h"

namespace q417 {
namespace {

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

StatusRow Answered(const char* label, bool answered, std::string value) {
    return {label, answered ? std::move(value) : std::string(kNoAnswer), answered};
}

}  // namespace

std::string FormatLocalDateTime(std::int64_t calendarSeconds) {
    const std::optional<std::tm> fields = LocalTime::FromCalendar(calendarSeconds);
    if (!fields) {
        return {};
    }
    char text[64];
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &*fields);
    return text;
}

std::string ReadoutClockText(const ReadoutSettings& s, std::int64_t calendarNowSeconds) {
    // Without an answer the clock fields hold no readout time: advanced, they would show the
    // PC's own clock as the readout's.
    if (!s.answered.clock) {
        return kNoAnswer;
    }
    return FormatLocalDateTime(s.ReadoutClockAt(calendarNowSeconds));
}

std::vector<StatusRow> ReadoutStatusRows(const ReadoutSettings& s,
                                         std::int64_t calendarNowSeconds) {
    const StatusAnswers& a = s.answered;
    return {
        {"Serial Number :", s.serialNumber},
        Answered("Firmware Version :", a.firmwareVersion, Format("%.3f", s.firmwareVersion)),
        Answered("Battery :", a.batteryVoltage, Format("%.3f Volts", s.batteryVolts)),
        {"Multiplier :", Format("%3f", s.multiplier)},
        {"Offset :", Format("%3f", s.offset)},
        {"Calibration Units :", s.calUnitsName},
        {"Display Units :", s.displayUnitsName},
        {"Display Digits :", std::to_string(static_cast<int>(s.displayDigits))},
        {"Power Down :", s.powerDownText},
        {"Readout Date Time :", ReadoutClockText(s, calendarNowSeconds), a.clock},
        {"Site Number :", std::to_string(s.recordCount)},
        {"Filename :", s.fileName},
    };
}

}  // namespace q417
