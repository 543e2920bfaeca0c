#pragma once

#include <string>
#include <vector>

#include "CommandContext.h"

namespace q417::cli {

inline constexpr const char* kProbeUsage = "usage: q417cli [options] probe";

// Connects, then reads and prints the firmware version, battery voltage and statistics, the
// clock and the information area (as a hex dump). Returns the exit code.
[[nodiscard]] int RunProbe(CommandContext& context, const std::vector<std::string>& args);

}  // namespace q417::cli
