#include "ReadoutTime.h"

#include <array>
#include <cstdio>
#include <limits>

#include "SiteText.h"

namespace q417 {
namespace {

constexpr std::uint32_t kSecondsPerDay = 86400;
constexpr std::array<std::uint32_t, 12> kMonthDays = {31, 28, 31, 30, 31, 30,
                                                      31, 31, 30, 31, 30, 31};

constexpr bool IsLeap(std::uint32_t yearsSince2000) {
    return yearsSince2000 % 4 == 0;
}

constexpr std::uint32_t MonthSeconds(std::size_t monthIndex, bool leap) {
    const std::uint32_t days = kMonthDays[monthIndex] + (monthIndex == 1 && leap ? 1 : 0);
    return days * kSecondsPerDay;
}

// atoi's reading of text, kept as its low byte: blanks, a sign, then digits. Large numbers
// saturate as strtol does instead of overflowing.
std::uint8_t LeadingNumberByte(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 10;
    std::int64_t value = 0;
    bool saturated = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value >= kLimit) {
            saturated = true;
            continue;
        }
        value = value * 10 + (text[i] - '0');
    }
    if (saturated) {
        value = negative ? std::numeric_limits<std::int64_t>::min()
                         : std::numeric_limits<std::int64_t>::max();
    } else if (negative) {
        value = -value;
    }
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) & 0xFF);
}

// One to maxDigits decimal digits at pos, nothing else.
bool Digits(std::string_view text, std::size_t& pos, std::size_t maxDigits, unsigned& value) {
    const std::size_t start = pos;
    value = 0;
    while (pos < text.size() && pos - start < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + static_cast<unsigned>(text[pos] - '0');
        ++pos;
    }
    return pos > start;
}

bool Separator(std::string_view text, std::size_t& pos, char separator) {
    if (pos >= text.size() || text[pos] != separator) {
        return false;
    }
    ++pos;
    return true;
}

// The time stamp of fields without the wrap of 32 bits.
std::uint64_t WideReadoutTime(const DateFields& fields) {
    // The days from 01/01/2000 to 1 January of the year: 2000 and every fourth year after it
    // has 366 days.
    const std::uint64_t year = fields.year;
    const std::uint64_t leapYearsBefore = (year + 3) / 4;
    const std::uint64_t days = year * 365 + leapYearsBefore;
    return days * kSecondsPerDay + SecondsIntoYear(fields);
}

// The text before separator (all of text when there is none); text keeps what follows it.
std::string_view TakeUntil(std::string_view& text, char separator) {
    const std::size_t at = text.find(separator);
    if (at == std::string_view::npos) {
        const std::string_view all = text;
        text = {};
        return all;
    }
    const std::string_view field = text.substr(0, at);
    text.remove_prefix(at + 1);
    return field;
}

}  // namespace

DateFields ReadoutDateFields(std::uint32_t readoutSeconds) {
    std::uint32_t seconds = readoutSeconds;
    std::uint32_t year = 0;
    for (;;) {
        const std::uint32_t yearSeconds = (IsLeap(year) ? 366U : 365U) * kSecondsPerDay;
        if (seconds < yearSeconds) {
            break;
        }
        seconds -= yearSeconds;
        ++year;
    }
    std::size_t month = 0;
    while (month < kMonthDays.size() && seconds >= MonthSeconds(month, IsLeap(year))) {
        seconds -= MonthSeconds(month, IsLeap(year));
        ++month;
    }
    DateFields fields;
    fields.year = static_cast<std::uint8_t>(year);
    fields.month = static_cast<std::uint8_t>(month + 1);
    fields.day = static_cast<std::uint8_t>(seconds / kSecondsPerDay + 1);
    fields.hour = static_cast<std::uint8_t>(seconds % kSecondsPerDay / 3600);
    fields.minute = static_cast<std::uint8_t>(seconds % 3600 / 60);
    fields.second = static_cast<std::uint8_t>(seconds % 60);
    return fields;
}

std::string FormatReadoutTime(std::uint32_t readoutSeconds) {
    const DateFields f = ReadoutDateFields(readoutSeconds);
    char text[48];
    std::snprintf(text, sizeof text, "%.2u/%.2u/%.2u %.2u:%.2u", unsigned{f.month}, unsigned{f.day},
                  unsigned{f.year}, unsigned{f.hour}, unsigned{f.minute});
    return text;
}

std::string FormatIsoReadoutTime(std::uint32_t readoutSeconds) {
    const DateFields f = ReadoutDateFields(readoutSeconds);
    char text[48];
    std::snprintf(text, sizeof text, "%.4u-%.2u-%.2uT%.2u:%.2u:%.2u", 2000U + f.year,
                  unsigned{f.month}, unsigned{f.day}, unsigned{f.hour}, unsigned{f.minute},
                  unsigned{f.second});
    return text;
}

DateFields ParseSiteDateTime(std::string_view text) {
    text = TrimBlanks(text);
    DateFields fields;
    fields.month = LeadingNumberByte(TakeUntil(text, '/'));
    fields.day = LeadingNumberByte(TakeUntil(text, '/'));
    fields.year = LeadingNumberByte(TakeUntil(text, ' '));
    fields.hour = LeadingNumberByte(TakeUntil(text, ':'));
    fields.minute = LeadingNumberByte(text);
    fields.second = 0;
    return fields;
}

std::uint32_t SecondsIntoYear(const DateFields& fields) {
    const bool leap = IsLeap(fields.year);
    std::uint32_t seconds = 0;
    for (std::size_t m = 0; m + 1 < fields.month && m < kMonthDays.size(); ++m) {
        seconds += MonthSeconds(m, leap);
    }
    if (fields.day >= 2) {
        seconds += (fields.day - 1U) * kSecondsPerDay;
    }
    return seconds + fields.hour * 3600U + fields.minute * 60U + fields.second;
}

std::uint32_t ReadoutTimeFromDate(const DateFields& fields) {
    return static_cast<std::uint32_t>(WideReadoutTime(fields));
}

std::optional<DateFields> ParseExactSiteDateTime(std::string_view text) {
    text = TrimBlanks(text);
    constexpr std::size_t kFieldDigits = 2;
    constexpr std::size_t kYearDigits = 3;
    unsigned month = 0;
    unsigned day = 0;
    unsigned year = 0;
    unsigned hour = 0;
    unsigned minute = 0;
    std::size_t pos = 0;
    const bool shaped = Digits(text, pos, kFieldDigits, month) && Separator(text, pos, '/') &&
                        Digits(text, pos, kFieldDigits, day) && Separator(text, pos, '/') &&
                        Digits(text, pos, kYearDigits, year) && Separator(text, pos, ' ') &&
                        Digits(text, pos, kFieldDigits, hour) && Separator(text, pos, ':') &&
                        Digits(text, pos, kFieldDigits, minute) && pos == text.size();
    if (!shaped || year > std::numeric_limits<std::uint8_t>::max() || month < 1 || month > 12 ||
        day < 1 || day * kSecondsPerDay > MonthSeconds(month - 1, IsLeap(year)) || hour > 23 ||
        minute > 59) {
        return std::nullopt;
    }
    const DateFields fields{static_cast<std::uint8_t>(year),   static_cast<std::uint8_t>(month),
                            static_cast<std::uint8_t>(day),    static_cast<std::uint8_t>(hour),
                            static_cast<std::uint8_t>(minute), 0};
    if (WideReadoutTime(fields) > std::numeric_limits<std::uint32_t>::max()) {
        return std::nullopt;  // past the last stamp the readout holds
    }
    return fields;
}

}  // namespace q417
