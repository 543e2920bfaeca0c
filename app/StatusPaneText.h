#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "LinkEvent.h"

namespace q417 {

// The texts of the main frame's status panes, apart from the window so they can be checked
// against the link's events and the clock without one.

// Pane 2 for a status: its text; nothing (the pane keeps its text) for LinkStatus::None.
[[nodiscard]] std::optional<std::string> LinkStatusPaneText(LinkStatus status);

// Panes 2 and 3 after a link event: the status and the number that comes with it (the detail,
// or a transfer's progress in percent). Nothing where the pane keeps its text.
struct LinkPaneTexts {
    std::optional<std::string> status;
    std::optional<std::string> number;
};
[[nodiscard]] LinkPaneTexts LinkPaneTextsAfter(const LinkEventKind& event);

// Pane 6: the local time as "9:05 AM", "12:30 PM" (12-hour clock, no leading zero).
[[nodiscard]] std::string ClockPaneText(const std::tm& localTime);

// Pane 1 while a row is dragged: the top visible row and the row under the pointer.
[[nodiscard]] std::string DragPaneText(int topRow, int hotRow);

}  // namespace q417
