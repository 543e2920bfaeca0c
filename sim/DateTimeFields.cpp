#include "DateTimeFields.h"

#include <cstdint>
#include <cstdio>
#include <ctime>

#include "LocalTime.h"

namespace q417::sim {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// Four readout years: one leap year and three common years.
constexpr std::int64_t kDaysPerCycle = 4 * 365 + 1;

bool IsReadoutLeapYear(int year) {
    return year % 4 == 0;
}

int DaysInYear(int year) {
    return IsReadoutLeapYear(year) ? 366 : 365;
}

// Reads 1 to maxDigits decimal digits from text at pos; advances pos.
std::optional<int> ReadNumber(std::string_view text, std::size_t& pos, std::size_t maxDigits) {
    int value = 0;
    std::size_t digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < maxDigits) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++digits;
    }
    if (digits == 0) {
        return std::nullopt;
    }
    return value;
}

bool Expect(std::string_view text, std::size_t& pos, char c) {
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

}  // namespace

int DateTimeFields::DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    if (month == 2 && IsReadoutLeapYear(year)) {
        return 29;
    }
    return kDays[month - 1];
}

bool DateTimeFields::IsValid() const {
    return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month) && hour >= 0 &&
           hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

DateTimeFields DateTimeFields::FromReadoutStamp(std::uint32_t stamp) {
    DateTimeFields f;
    std::int64_t days = stamp / kSecondsPerDay;
    std::int64_t rest = stamp % kSecondsPerDay;
    f.hour = static_cast<int>(rest / 3600);
    f.minute = static_cast<int>(rest % 3600 / 60);
    f.second = static_cast<int>(rest % 60);
    f.year = kStampFirstYear + static_cast<int>(days / kDaysPerCycle) * 4;
    days %= kDaysPerCycle;
    while (days >= DaysInYear(f.year)) {
        days -= DaysInYear(f.year);
        ++f.year;
    }
    f.month = 1;
    while (days >= DaysInMonth(f.year, f.month)) {
        days -= DaysInMonth(f.year, f.month);
        ++f.month;
    }
    f.day = static_cast<int>(days) + 1;
    return f;
}

std::optional<std::uint32_t> DateTimeFields::ToReadoutStamp() const {
    if (!IsValid() || year < kStampFirstYear || year > kStampLastYear) {
        return std::nullopt;
    }
    std::int64_t days = (year - kStampFirstYear) / 4 * kDaysPerCycle;
    for (int y = year - (year - kStampFirstYear) % 4; y < year; ++y) {
        days += DaysInYear(y);
    }
    for (int m = 1; m < month; ++m) {
        days += DaysInMonth(year, m);
    }
    days += day - 1;
    const std::int64_t seconds = days * kSecondsPerDay + hour * 3600 + minute * 60 + second;
    if (seconds > static_cast<std::int64_t>(UINT32_MAX)) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(seconds);
}

DateTimeFields DateTimeFields::FromCalendarLocal(std::int64_t calendarSeconds) {
    const std::tm tm = LocalTime::FromCalendar(calendarSeconds).value_or(std::tm{});
    return DateTimeFields{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                          tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

std::optional<std::int64_t> DateTimeFields::ToCalendarLocal() const {
    if (!IsValid()) {
        return std::nullopt;
    }
    return LocalTime::ToCalendar(year, month, day, hour, minute, second);
}

std::string DateTimeFields::Format() const {
    char text[48];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", year, month, day, hour,
                  minute, second);
    return text;
}

std::optional<DateTimeFields> DateTimeFields::Parse(std::string_view text) {
    DateTimeFields f;
    std::size_t pos = 0;
    const auto year = ReadNumber(text, pos, 4);
    if (!year || !Expect(text, pos, '/')) {
        return std::nullopt;
    }
    const auto month = ReadNumber(text, pos, 2);
    if (!month || !Expect(text, pos, '/')) {
        return std::nullopt;
    }
    const auto day = ReadNumber(text, pos, 2);
    if (!day || !Expect(text, pos, ' ')) {
        return std::nullopt;
    }
    const auto hour = ReadNumber(text, pos, 2);
    if (!hour || !Expect(text, pos, ':')) {
        return std::nullopt;
    }
    const auto minute = ReadNumber(text, pos, 2);
    if (!minute || !Expect(text, pos, ':')) {
        return std::nullopt;
    }
    const auto second = ReadNumber(text, pos, 2);
    if (!second || pos != text.size()) {
        return std::nullopt;
    }
    f.year = *year;
    f.month = *month;
    f.day = *day;
    f.hour = *hour;
    f.minute = *minute;
    f.second = *second;
    return f;
}

}  // namespace q417::sim
