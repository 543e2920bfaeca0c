#pragma once

#include <string>
#include <vector>

#include "CommandContext.h"

namespace q417::cli {

inline constexpr const char* kResetBatteryUsage =
    "usage: q417cli [options] reset-battery --password TEXT";

// After a battery change: checks the password, connects, reads the information area and resets
// the readout's battery statistics. Prints "Readout updated", or fails with the link's message
// for an unknown error. Returns the exit code.
[[nodiscard]] int RunResetBattery(CommandContext& context, const std::vector<std::string>& args);

}  // namespace q417::cli
