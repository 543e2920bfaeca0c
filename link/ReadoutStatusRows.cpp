#include "ReadoutStatusRows.h"

#include <cstdio>
#include <ctime>

#include "LocalTime.h"

namespace q417 {
namespace {

using Settings = ReadoutSettings;

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// One row: its value from the settings, and whether the readout answered the query behind it
// (none: the value comes with the information area, which every connection reads).
struct RowSource {
    const char* key;
    const char* label;
    std::string (*value)(const Settings& s, std::int64_t now);
    bool (*answered)(const Settings& s);
};

// A new status query adds its row here, and nowhere else.
constexpr RowSource kRows[] = {
    {"serial_number",
     "Serial Number :", [](const Settings& s, std::int64_t) { return s.serialNumber; }, nullptr},
    {"firmware_version", "Firmware Version :",
     [](const Settings& s, std::int64_t) { return Format("%.3f", s.firmwareVersion); },
     [](const Settings& s) { return s.answered.firmwareVersion; }},
    {"battery", "Battery :",
     [](const Settings& s, std::int64_t) { return Format("%.3f Volts", s.batteryVolts); },
     [](const Settings& s) { return s.answered.batteryVoltage; }},
    {"multiplier", "Multiplier :",
     [](const Settings& s, std::int64_t) { return Format("%3f", s.multiplier); }, nullptr},
    {"offset", "Offset :", [](const Settings& s, std::int64_t) { return Format("%3f", s.offset); },
     nullptr},
    {"calibration_units", "Calibration Units :",
     [](const Settings& s, std::int64_t) { return s.calUnitsName; }, nullptr},
    {"display_units", "Display Units :",
     [](const Settings& s, std::int64_t) { return s.displayUnitsName; }, nullptr},
    {"display_digits", "Display Digits :",
     [](const Settings& s, std::int64_t) {
         return std::to_string(static_cast<int>(s.displayDigits));
     },
     nullptr},
    {"power_down", "Power Down :", [](const Settings& s, std::int64_t) { return s.powerDownText; },
     nullptr},
    {kClockRowKey, "Readout Date Time :",
     [](const Settings& s, std::int64_t now) { return ReadoutClockText(s, now); },
     [](const Settings& s) { return s.answered.clock; }},
    {"site_number", "Site Number :",
     [](const Settings& s, std::int64_t) { return std::to_string(s.recordCount); }, nullptr},
    {"file_name", "Filename :", [](const Settings& s, std::int64_t) { return s.fileName; },
     nullptr},
};

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

std::string ReadoutClockText(const Settings& s, std::int64_t calendarNowSeconds) {
    // Without an answer the clock fields hold no readout time: advanced, they would show the
    // PC's own clock as the readout's.
    if (!s.answered.clock) {
        return kNoAnswer;
    }
    return FormatLocalDateTime(s.ReadoutClockAt(calendarNowSeconds));
}

std::vector<StatusRow> ReadoutStatusRows(const Settings& s, std::int64_t calendarNowSeconds) {
    std::vector<StatusRow> rows;
    rows.reserve(std::size(kRows));
    for (const RowSource& source : kRows) {
        const bool answered = source.answered == nullptr || source.answered(s);
        rows.push_back({source.key, source.label,
                        answered ? source.value(s, calendarNowSeconds) : std::string(kNoAnswer),
                        answered});
    }
    return rows;
}

}  // namespace q417
