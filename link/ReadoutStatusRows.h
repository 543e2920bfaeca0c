#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ReadoutSettings.h"

namespace q417 {

// The readout's status as twelve label and value rows, in the order and formats every front end
// shows them. The readout clock row is the clock advanced to calendarNowSeconds, in local time.
struct StatusRow {
    std::string label;
    std::string value;
};

[[nodiscard]] std::vector<StatusRow> ReadoutStatusRows(const ReadoutSettings& settings,
                                                       std::int64_t calendarNowSeconds);

// "%Y/%m/%d %H:%M:%S" of calendar seconds in local time.
[[nodiscard]] std::string FormatLocalDateTime(std::int64_t calendarSeconds);

}  // namespace q417
