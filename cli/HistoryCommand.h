#pragma once

#include <string>
#include <vector>

#include "CommandContext.h"

namespace q417::cli {

inline constexpr const char* kHistoryUsage =
    "usage: q417cli [options] history FILE.csv [--site LOCATION]... [--unit NAME]\n"
    "                                 [--format csv|json] [--stats]";

// Reads a history file (the one beside a site file that every save appends to) and prints each
// site's readings once, in time order, as CSV or one JSON object; --stats prints a summary of
// each site instead. Sites print in the order of their first line, or of --site. Values are in
// --unit, else in the unit of each site's last line. Touches no port. A file that cannot be read
// or a --site it does not hold fails before anything is printed (kExitFailed); skipped lines and
// an empty history are said on the error stream and are no failure. Returns the exit code.
[[nodiscard]] int RunHistory(CommandContext& context, const std::vector<std::string>& args);

}  // namespace q417::cli
