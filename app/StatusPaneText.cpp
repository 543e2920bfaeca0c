#include "StatusPaneText.h"

#include <cstdio>

#include "LinkSink.h"
#include "ReadoutTables.h"

namespace q417 {

std::optional<std::string> LinkStatusPaneText(std::int64_t statusCode) {
    if (statusCode <= 0) {
        return std::nullopt;
    }
    return statusCode > 0x7fffffff ? std::string() : StatusText(static_cast<int>(statusCode));
}

std::optional<std::string> LinkNumberPaneText(std::uint64_t number, std::int64_t statusCode) {
    if (number == 0) {
        return std::nullopt;
    }
    // The number travels as an unsigned word and is shown as the signed 32-bit value it holds.
    const auto value = static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
    const bool percent = statusCode == STATUS_READING || statusCode == STATUS_WRITING;
    char text[24];
    std::snprintf(text, sizeof text, percent ? "%d%%" : "%d", value);
    return std::string(text);
}

std::string ClockPaneText(const std::tm& localTime) {
    // Written out rather than through strftime's %p, which is empty in many locales.
    const int hour12 = localTime.tm_hour % 12 == 0 ? 12 : localTime.tm_hour % 12;
    char text[16];
    std::snprintf(text, sizeof text, "%d:%.2d %s", hour12, localTime.tm_min % 60,
                  localTime.tm_hour < 12 ? "AM" : "PM");
    return text;
}

std::string DragPaneText(int topRow, int hotRow) {
    return std::to_string(topRow) + " " + std::to_string(hotRow);
}

}  // namespace q417
