#include "ReplyParsing.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <ctime>

#include "LocalTime.h"
#include "ReadoutClockLimit.h"

namespace q417 {

float ParseDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    if (i < text.size() && text[i] == '+') {
        ++i;  // from_chars takes no plus sign
    }
    float value = 0;
    const auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), value);
    (void)end;
    return error == std::errc() ? value : 0.0F;
}

std::uint32_t ParseHex(std::string_view text) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    (void)end;
    return error == std::errc() ? value : 0;
}

std::optional<BatteryStats> ParseBatteryStats(std::string_view reply) {
    if (reply.size() < 4) {
        return std::nullopt;
    }
    std::string_view rest = reply.substr(4);
    while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.back()))) {
        rest.remove_suffix(1);
    }
    float values[4] = {};
    for (int field = 0; field < 4; ++field) {
        const char separator = field < 3 ? ' ' : '%';
        const std::size_t at = rest.find(separator);
        if (at == std::string_view::npos) {
            return std::nullopt;
        }
        values[field] = ParseDecimal(rest.substr(0, at));
        rest.remove_prefix(at + 1);
    }
    return BatteryStats{values[0], values[1], values[2], values[3]};
}

std::optional<ClockFields> ParseClockReply(std::string_view reply) {
    const std::string text(reply);
    char echo[16];  // bounded: a long first word cannot overrun it
    ClockFields f;
    const int converted = std::sscanf(text.c_str(), "%15s %d/%d/%d %d:%d:%d", echo, &f.year,
                                      &f.month, &f.day, &f.hour, &f.minute, &f.second);
    if (converted < 7) {
        return std::nullopt;
    }
    return f;
}

bool ValidateClockFields(const ClockFields& f) {
    static constexpr int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (f.year < 1970 || f.year > kLastReadableClockYear || f.month < 1 || f.month > 12) {
        return false;
    }
    const int monthDays = (f.month == 2 && f.year % 4 == 0) ? 29 : kDaysInMonth[f.month - 1];
    return f.day >= 1 && f.day <= monthDays && f.hour >= 0 && f.hour <= 23 && f.minute >= 0 &&
           f.minute <= 59 && f.second >= 0 && f.second <= 59;
}

std::int64_t LocalFieldsToCalendar(const ClockFields& f) {
    // -1 when the system cannot represent the time, as mktime says it.
    return LocalTime::ToCalendar(f.year, f.month, f.day, f.hour, f.minute, f.second).value_or(-1);
}

std::string FormatSetClockCommand(std::int64_t calendarSeconds) {
    const std::tm tm = LocalTime::FromCalendar(calendarSeconds).value_or(std::tm{});
    char text[48];
    const std::size_t n = std::strftime(text, sizeof text, "WT %Y/%m/%d %H:%M:%S", &tm);
    return std::string(text, n);
}

std::uint8_t PacketChecksum(std::span<const std::uint8_t> data) {
    unsigned sum = 0;
    for (std::uint8_t b : data) {
        sum += b;
    }
    return static_cast<std::uint8_t>(sum & 0xFF);
}

std::string FormatReadByteCommand(int address) {
    char text[32];
    std::snprintf(text, sizeof text, "RE %X", static_cast<unsigned>(address));
    return text;
}

std::string FormatWriteByteCommand(int address, int value) {
    char text[40];
    std::snprintf(text, sizeof text, "WE %X %.2X", static_cast<unsigned>(address),
                  static_cast<unsigned>(value & 0xFF));
    return text;
}

std::string FormatReadBlockCommand(int first, int last) {
    char text[40];
    std::snprintf(text, sizeof text, "REB %.4X-%.4X", static_cast<unsigned>(first),
                  static_cast<unsigned>(last));
    return text;
}

std::string FormatRecordCommand(const char* verb, int firstBlock, int blockSize, int blocks) {
    char text[64];
    std::snprintf(text, sizeof text, "%s %X %X %X", verb, static_cast<unsigned>(firstBlock),
                  static_cast<unsigned>(blockSize), static_cast<unsigned>(blocks));
    return text;
}

}  // namespace q417
