#pragma once

#include "CommandContext.h"
#include "SettingsChange.h"

namespace q417::cli {

// Connects, reads the information area, then performs one settings write of change, and syncs
// the clock after it when change sets it to the PC's time. Prints "Readout updated" and returns
// kExitOk when every step was done; otherwise says which step failed and returns the
// connection's code or kExitFailed.
[[nodiscard]] int WriteSettingsChange(CommandContext& context, const SettingsChange& change);

}  // namespace q417::cli
