#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ReadoutSettings.h"

namespace q417 {

// Shown in place of a value the readout did not answer, so a report keeps every row.
inline constexpr char kNoAnswer[] = "(no answer)";

// One fact of the readout's status, as every front end shows it.
struct StatusRow {
    // Stable snake_case name that scripts read ("serial_number"): it never follows the label.
    std::string key;
    std::string label;  // as the Status page shows it ("Serial Number :")
    std::string value;  // kNoAnswer when the readout left the query unanswered
    bool answered = true;
};

// The key of the row whose value runs on with the readout's clock.
inline constexpr char kClockRowKey[] = "readout_date_time";

// The readout's status rows in the order every front end shows them; the only list of them. The
// clock row is the clock advanced to calendarNowSeconds, in local time. A row whose query the
// readout left unanswered shows kNoAnswer: its field holds nothing the readout said.
[[nodiscard]] std::vector<StatusRow> ReadoutStatusRows(const ReadoutSettings& settings,
                                                       std::int64_t calendarNowSeconds);

// The value of the clock row: the readout's clock advanced to calendarNowSeconds, or kNoAnswer
// while its clock is not known (never read nor written since the connection).
[[nodiscard]] std::string ReadoutClockText(const ReadoutSettings& settings,
                                           std::int64_t calendarNowSeconds);

// "%Y/%m/%d %H:%M:%S" of calendar seconds in local time.
[[nodiscard]] std::string FormatLocalDateTime(std::int64_t calendarSeconds);

}  // namespace q417
