#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ReadoutSettings.h"

namespace q417 {

// Shown in place of a value the readout did not answer, so a report keeps every row.
inline constexpr char kNoAnswer[] = "(no answer)";

// The readout's status as twelve label and value rows, in the order and formats every front end
// shows them. The readout clock row is the clock advanced to calendarNowSeconds, in local time.
// A row whose query the readout left unanswered shows kNoAnswer: its field holds nothing the
// readout said.
struct StatusRow {
    std::string label;
    std::string value;
    bool answered = true;
};

[[nodiscard]] std::vector<StatusRow> ReadoutStatusRows(const ReadoutSettings& settings,
                                                       std::int64_t calendarNowSeconds);

// The value of the clock row: the readout's clock advanced to calendarNowSeconds, or kNoAnswer
// while its clock is not known (never read nor written since the connection).
[[nodiscard]] std::string ReadoutClockText(const ReadoutSettings& settings,
                                           std::int64_t calendarNowSeconds);

// "%Y/%m/%d %H:%M:%S" of calendar seconds in local time.
[[nodiscard]] std::string FormatLocalDateTime(std::int64_t calendarSeconds);

}  // namespace q417
