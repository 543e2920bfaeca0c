#pragma once

#include <string>
#include <vector>

#include "CommandContext.h"

namespace q417::cli {

inline constexpr const char* kStatusUsage = "usage: q417cli [options] status [--json]";

// Connects, reads the information area and status, and prints the readout's status rows as the
// Status page shows them: aligned "label value" lines, or with --json one object with each row's
// stable key. The clock is the readout's, advanced to now. Queries the readout did not answer
// show as "(no answer)" (null in JSON) and make the exit code kExitFailed.
[[nodiscard]] int RunStatus(CommandContext& context, const std::vector<std::string>& args);

}  // namespace q417::cli
