#include "ValueParsing.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <limits>

#include "LocalTime.h"
#include "ReadoutClockLimit.h"
#include "ReadoutTables.h"
#include "ReplyParsing.h"

namespace q417::cli {
namespace {

// Drops one leading "+", which from_chars does not take, unless a second sign follows.
std::string_view WithoutPlus(std::string_view text) {
    if (text.size() > 1 && text[0] == '+' && text[1] != '+' && text[1] != '-') {
        text.remove_prefix(1);
    }
    return text;
}

// Reads minDigits..maxDigits decimal digits at pos.
bool Digits(std::string_view text, std::size_t& pos, std::size_t minDigits, std::size_t maxDigits,
            int& value) {
    const std::size_t start = pos;
    value = 0;
    while (pos < text.size() && pos - start < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    return pos - start >= minDigits;
}

bool Separator(std::string_view text, std::size_t& pos, char separator) {
    if (pos >= text.size() || text[pos] != separator) {
        return false;
    }
    ++pos;
    return true;
}

}  // namespace

NumberStatus ParseWholeNumber(std::string_view text, int& value) {
    text = WithoutPlus(text);
    int parsed = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, parsed);
    if (ptr != end || text.empty()) {
        return NumberStatus::NotANumber;
    }
    if (error == std::errc::result_out_of_range) {
        return NumberStatus::OutOfRange;
    }
    if (error != std::errc()) {
        return NumberStatus::NotANumber;
    }
    value = parsed;
    return NumberStatus::Ok;
}

NumberStatus ParseFloatNumber(std::string_view text, float& value) {
    text = WithoutPlus(text);
    const char* end = text.data() + text.size();
    float parsed = 0;
    const auto [ptr, error] = std::from_chars(text.data(), end, parsed);
    if (ptr != end || text.empty()) {
        return NumberStatus::NotANumber;
    }
    if (error == std::errc::result_out_of_range) {
        // Too large, or so small it rounds to zero: the latter is a zero of the number's sign.
        double wide = 0;
        const auto [widePtr, wideError] = std::from_chars(text.data(), end, wide);
        if (wideError == std::errc() && widePtr == end &&
            std::fabs(wide) < std::numeric_limits<float>::min()) {
            value = std::signbit(wide) ? -0.0f : 0.0f;
            return NumberStatus::Ok;
        }
        return NumberStatus::OutOfRange;
    }
    if (error != std::errc() || !std::isfinite(parsed)) {
        return NumberStatus::NotANumber;  // "inf" and "nan" are no values for the readout
    }
    value = parsed;
    return NumberStatus::Ok;
}

std::string UnitNameList() {
    std::string list;
    for (const char* name : kUnitNames) {
        list += list.empty() ? "" : ", ";
        list += name;
    }
    return list;
}

std::optional<std::int64_t> ParseLocalDateTime(std::string_view text, std::string& error,
                                               DateTimeFault& fault) {
    fault = DateTimeFault::None;
    ClockFields f;
    std::size_t pos = 0;
    const bool shaped = Digits(text, pos, 4, 4, f.year) && Separator(text, pos, '/') &&
                        Digits(text, pos, 1, 2, f.month) && Separator(text, pos, '/') &&
                        Digits(text, pos, 1, 2, f.day) && Separator(text, pos, ' ') &&
                        Digits(text, pos, 1, 2, f.hour) && Separator(text, pos, ':') &&
                        Digits(text, pos, 1, 2, f.minute) && Separator(text, pos, ':') &&
                        Digits(text, pos, 1, 2, f.second) && pos == text.size();
    if (!shaped) {
        fault = DateTimeFault::Shape;
        error = "a date and time is written \"YYYY/MM/DD HH:MM:SS\"";
        return std::nullopt;
    }
    if (f.year > kLastSettableClockYear) {
        fault = DateTimeFault::TooLate;
        error = ClockTooLateMessage();
        return std::nullopt;
    }
    if (f.year < kFirstSettableClockYear) {
        fault = DateTimeFault::TooEarly;
        error = ClockTooEarlyMessage();
        return std::nullopt;
    }
    if (!ValidateClockFields(f) || !ClockYearSettable(f.year)) {
        fault = DateTimeFault::NoSuchTime;
        error = "no such date and time for the readout (years " +
                std::to_string(kFirstSettableClockYear) + " to " +
                std::to_string(kLastSettableClockYear) + ")";
        return std::nullopt;
    }
    const std::int64_t seconds = LocalFieldsToCalendar(f);
    // A time skipped by a daylight-saving change comes back as another time: refuse it rather
    // than set the readout to something that was not asked for.
    const std::optional<std::tm> back = LocalTime::FromCalendar(seconds);
    if (!back || back->tm_year != f.year - 1900 || back->tm_mon != f.month - 1 ||
        back->tm_mday != f.day || back->tm_hour != f.hour || back->tm_min != f.minute ||
        back->tm_sec != f.second) {
        fault = DateTimeFault::NoSuchTime;
        error = "that time does not exist in the local time zone (daylight-saving change)";
        return std::nullopt;
    }
    return seconds;
}

}  // namespace q417::cli
