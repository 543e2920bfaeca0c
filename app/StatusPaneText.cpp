#include "StatusPaneText.h"

#include <cstdio>

#include "ReadoutTables.h"

namespace q417 {

std::optional<std::string> LinkStatusPaneText(LinkStatus status) {
    if (status == LinkStatus::None) {
        return std::nullopt;
    }
    return StatusText(static_cast<int>(status));
}

LinkPaneTexts LinkPaneTextsAfter(const LinkEventKind& event) {
    if (const auto* status = std::get_if<link_event::Status>(&event)) {
        return {LinkStatusPaneText(status->status),
                std::to_string(static_cast<int>(status->detail))};
    }
    if (const auto* progress = std::get_if<link_event::Progress>(&event)) {
        const LinkStatus shown =
            progress->transfer == Transfer::Download ? LinkStatus::Reading : LinkStatus::Writing;
        const int percent =
            progress->records > 0 ? progress->recordsDone * 100 / progress->records : 0;
        // The first records of a long transfer come to less than one percent: the pane waits.
        return {
            LinkStatusPaneText(shown),
            percent > 0 ? std::optional<std::string>(std::to_string(percent) + "%") : std::nullopt};
    }
    return {};
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
