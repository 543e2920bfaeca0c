#pragma once

#include <string>
#include <vector>

#include "CommandContext.h"

namespace q417::cli {

inline constexpr const char* kDownloadUsage =
    "usage: q417cli [options] download --out FILE.ini [--sync-clock]";

// Why path cannot take a downloaded site file (its folder missing or not writable, a folder or
// other non-file in its place, or a name that is its own history file); empty when it can.
[[nodiscard]] std::string CheckSiteFileTarget(const std::string& path);

// Reads every site record of the readout and saves them as a site file, appending their
// readings to the history file beside it. The arguments and the file's place are checked before
// the port is touched, and nothing is written unless every record arrived. --sync-clock then sets
// the readout's clock to the PC's time. Returns the exit code.
[[nodiscard]] int RunDownload(CommandContext& context, const std::vector<std::string>& args);

}  // namespace q417::cli
