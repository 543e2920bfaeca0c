// Feeds arbitrary bytes to the date text readers of the site list and to the value text
// readers, and checks that what the formatters write reads back to the same time stamp and the
// same value text, and that the strict readers take nothing the loose ones read otherwise.

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "ReadoutTime.h"
#include "ValueText.h"

namespace {

using q417::DateFields;
using q417::fuzz::Require;

// A date the readout can have shown: years 2000 to 2099, in which every fourth year is a leap
// year whichever calendar rule is applied.
bool IsValidDate(const DateFields& fields) {
    constexpr std::array<int, 12> kMonthDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (fields.year >= 100 || fields.month < 1 || fields.month > 12 || fields.hour >= 24 ||
        fields.minute >= 60) {
        return false;
    }
    const int days = kMonthDays[fields.month - 1U] + (fields.month == 2 && fields.year % 4 == 0);
    return fields.day >= 1 && fields.day <= days;
}

// The time stamp of a valid date by the standard calendar, independently of the readout code.
std::uint32_t CalendarSeconds(const DateFields& fields) {
    using namespace std::chrono;
    const sys_days date{year{2000 + fields.year} / month{fields.month} / day{fields.day}};
    const sys_days epoch{year{2000} / January / 1};
    const auto seconds =
        (date - epoch).count() * 86400L + fields.hour * 3600L + fields.minute * 60L;
    return static_cast<std::uint32_t>(seconds);
}

std::string DateText(const DateFields& fields) {
    char text[32];
    std::snprintf(text, sizeof text, "%02u/%02u/%02u %02u:%02u", unsigned{fields.month},
                  unsigned{fields.day}, unsigned{fields.year}, unsigned{fields.hour},
                  unsigned{fields.minute});
    return text;
}

// Every stamp formats to a text that reads back to the stamp, less its seconds.
void CheckStamp(std::uint32_t stamp) {
    const std::string text = q417::FormatReadoutTime(stamp);
    Require(text.size() == 14 || text.size() == 15, "a stamp formats as MM/DD/YY(Y) hh:mm");
    const DateFields fields = q417::ParseSiteDateTime(text);
    Require(IsValidDate(fields) || fields.year >= 100, "a formatted stamp is a calendar date");
    Require(q417::ReadoutTimeFromDate(fields) == stamp - stamp % 60,
            "a formatted stamp reads back to its minute");
    Require(q417::ParseExactSiteDateTime(text) == fields,
            "a formatted stamp reads the same strictly, so a downloaded file uploads");
}

void CheckDate(std::string_view bytes) {
    const DateFields fields = q417::ParseSiteDateTime(bytes);
    if (const auto strict = q417::ParseExactSiteDateTime(bytes)) {
        Require(*strict == fields, "what the strict reading takes, the loose one reads the same");
        Require(IsValidDate(fields) || fields.year >= 100, "a strictly read date is a date");
        Require(q417::ParseSiteDateTime(
                    q417::FormatReadoutTime(q417::ReadoutTimeFromDate(fields))) == fields,
                "a strictly read date keeps its fields through its stamp");
    }
    Require(fields.second == 0, "a date text has no seconds");
    const std::uint32_t stamp = q417::ReadoutTimeFromDate(fields);
    CheckStamp(stamp);
    if (!IsValidDate(fields)) {
        return;
    }
    Require(stamp == CalendarSeconds(fields), "a valid date counts as the calendar does");
    const std::string text = q417::FormatReadoutTime(stamp);
    Require(text == DateText(fields), "a valid date formats as its own fields");
    const DateFields again = q417::ParseSiteDateTime(text);
    Require(again == fields, "a formatted date reads back to its fields");
    Require(q417::ReadoutTimeFromDate(again) == stamp, "a formatted date keeps its stamp");
}

// "-digits.nine digits", the only shape a finite value takes.
bool IsFixedNineText(const std::string& text) {
    std::string_view rest = text;
    if (!rest.empty() && rest.front() == '-') {
        rest.remove_prefix(1);
    }
    const std::size_t point = rest.find('.');
    if (point == std::string_view::npos || point == 0 || rest.size() - point != 10) {
        return false;
    }
    const auto digits = [](std::string_view part) {
        return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    return digits(rest.substr(0, point)) && digits(rest.substr(point + 1));
}

void CheckValue(double value) {
    const std::string text = q417::FormatValue(value);
    if (!std::isfinite(value)) {
        return;
    }
    Require(IsFixedNineText(text), "a finite value formats with nine decimals");
    Require(q417::ParseWholeValue(text).has_value(), "a value text reads strictly");
    const double read = q417::ParseValue(text);
    Require(q417::FormatValue(read) == text, "a value text reads back to the same text");
    // The text is within half a unit of the ninth decimal and the value read is the double
    // nearest to it, so neither is further from the text than the original value.
    Require(std::fabs(read - value) <= 1e-9, "a value text reads back within 1e-9");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckDate(bytes);
    CheckValue(q417::ParseValue(bytes));
    if (const auto strict = q417::ParseWholeValue(bytes)) {
        const double loose = q417::ParseValue(bytes);
        Require(*strict == loose || (std::isnan(*strict) && std::isnan(loose)),
                "what the strict value reading takes, the loose one reads the same");
    }
    // The leading bytes taken as a stamp and as a double reach values no text gives.
    if (size >= sizeof(std::uint32_t)) {
        std::uint32_t stamp = 0;
        std::memcpy(&stamp, data, sizeof stamp);
        CheckStamp(stamp);
    }
    if (size >= sizeof(double)) {
        double value = 0;
        std::memcpy(&value, data, sizeof value);
        CheckValue(value);
    }
    return 0;
}
