#pragma once

#include <string>
#include <vector>

#include "CommandContext.h"

namespace q417::cli {

inline constexpr const char* kCaptureUsage = "usage: q417cli [options] capture --password TEXT";

// Calibration capture: checks the password, connects, reads the information area, then has the
// readout measure its pressure and temperature signals and prints them in volts. Returns the
// exit code.
[[nodiscard]] int RunCapture(CommandContext& context, const std::vector<std::string>& args);

}  // namespace q417::cli
