#pragma once

#include <string>
#include <vector>

#include "CommandContext.h"

namespace q417::cli {

inline constexpr const char* kStatusUsage = "usage: q417cli [options] status [--json]";

// Connects, reads the information area and status, and prints the readout's Status page: twelve
// aligned "label value" lines, or with --json one object with a stable key per row. The clock is
// the readout's, advanced to now. Queries the readout did not answer show as "(no answer)"
// (null in JSON) and make the exit code kExitFailed.
[[nodiscard]] int RunStatus(CommandContext& context, const std::vector<std::string>& args);

// The JSON key of a Status page row label ("Serial Number :" -> "serialNumber").
[[nodiscard]] std::string StatusKey(const std::string& label);

}  // namespace q417::cli
