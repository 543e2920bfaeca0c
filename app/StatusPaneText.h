#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace q417 {

// The texts of the main frame's status panes, apart from the window so they can be checked
// against the link's codes and the clock without one.

// Pane 2 for a status code: the code's text, empty for a positive code without one, nothing
// (the pane keeps its text) for a code of 0 or below.
[[nodiscard]] std::optional<std::string> LinkStatusPaneText(std::int64_t statusCode);
// Pane 3 for the number that comes with a status: a percentage while reading or writing, the
// plain number otherwise; nothing (the pane keeps its text) for 0.
[[nodiscard]] std::optional<std::string> LinkNumberPaneText(std::uint64_t number,
                                                            std::int64_t statusCode);
// Pane 6: the local time as "9:05 AM", "12:30 PM" (12-hour clock, no leading zero).
[[nodiscard]] std::string ClockPaneText(const std::tm& localTime);
// Pane 1 while a row is dragged: the top visible row and the row under the pointer.
[[nodiscard]] std::string DragPaneText(int topRow, int hotRow);

}  // namespace q417
