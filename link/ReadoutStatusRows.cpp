#include "ReadoutStatusRows.h"

#include <cstdio>
#include <ctime>

namespace q417 {
namespace {

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

std::string FormatLocalDateTime(std::int64_t calendarSeconds) {
    const auto t = static_cast<std::time_t>(calendarSeconds);
    std::tm fields{};
    if (localtime_r(&t, &fields) == nullptr) {
        return {};
    }
    char text[64];
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &fields);
    return text;
}

std::vector<StatusRow> ReadoutStatusRows(const ReadoutSettings& s,
                                         std::int64_t calendarNowSeconds) {
    return {
        {"Serial Number :", s.serialNumber},
        {"Firmware Version :", Format("%.3f", s.firmwareVersion)},
        {"Battery :", Format("%.3f Volts", s.batteryVolts)},
        {"Multiplier :", Format("%3f", s.multiplier)},
        {"Offset :", Format("%3f", s.offset)},
        {"Calibration Units :", s.calUnitsName},
        {"Display Units :", s.displayUnitsName},
        {"Display Digits :", std::to_string(static_cast<int>(s.displayDigits))},
        {"Power Down :", s.powerDownText},
        {"Readout Date Time :", FormatLocalDateTime(s.ReadoutClockAt(calendarNowSeconds))},
        {"Site Number :", std::to_string(s.recordCount)},
        {"Filename :", s.fileName},
    };
}

}  // namespace q417
