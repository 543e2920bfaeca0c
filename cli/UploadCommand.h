#pragma once

#include <string>
#include <vector>

#include "CommandContext.h"
#include "ReadoutSettings.h"
#include "RecordImage.h"
#include "UploadPlan.h"

namespace q417::cli {

inline constexpr const char* kUploadUsage =
    "usage: q417cli [options] upload FILE.ini [--clear-readings] [--verify]";

// The differences between the site records sent (records 0..siteCount-1 of sent) and those read
// back, one line each ("site 12: name \"X\" sent, \"Y\" read back"): name, reference value (bit
// for bit), reference time, reading count, and the readings the count covers. Empty when the
// readout holds what was sent.
[[nodiscard]] std::vector<std::string> CompareSiteRecords(const RecordImage& sent,
                                                          const RecordImage& readBack,
                                                          int siteCount);

// The differences between the file name and site count sent and those the readout reports after
// reconnecting, one line each.
[[nodiscard]] std::vector<std::string> CompareInformation(const UploadPlan& sent,
                                                          const ReadoutSettings& readBack);

// Opens a site file and uploads its sites to the readout: names, and latest values and dates as
// reference values. The readout's stored readings are kept (downloaded first, so that they go
// back with the records) unless --clear-readings clears them. Then reconnects and checks the
// file name and site count the readout reports; --verify also reads every record back and
// compares it with what was sent. A file that cannot be opened or holds no site is refused
// before the port is touched. Returns the exit code.
[[nodiscard]] int RunUpload(CommandContext& context, const std::vector<std::string>& args);

}  // namespace q417::cli
