#include "ValueText.h"

#include <locale.h>

#include <charconv>
#include <cstdlib>

#include "SiteText.h"

namespace q417 {
namespace {

// The "C" locale, so that a window toolkit's locale never turns "." into ",". Created once and
// never changed, so sharing it between threads is safe.
locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

}  // namespace

std::string FormatValue(double value) {
    // Up to 309 integer digits, the sign, the point and nine decimals.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 9);
    return std::string(buffer, result.ptr);
}

double ParseValue(std::string_view text) {
    const std::string terminated(text);  // strtod needs the terminating zero
    return strtod_l(terminated.c_str(), nullptr, CLocale());
}

std::optional<double> ParseWholeValue(std::string_view text) {
    const std::string terminated(TrimBlanks(text));
    if (terminated.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = strtod_l(terminated.c_str(), &end, CLocale());
    // A zero byte inside the text ends strtod's reading early, so it is refused as well.
    if (end != terminated.c_str() + terminated.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace q417
