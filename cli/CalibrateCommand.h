#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ArgumentFault.h"
#include "CommandArguments.h"
#include "CommandContext.h"
#include "SettingsChange.h"

namespace q417::cli {

inline constexpr const char* kCalibrateUsage =
    "usage: q417cli [options] calibrate --password TEXT [--serial S] [--multiplier M]\n"
    "                 [--offset O] [--zero Z] [--cal-units NAME] [--initialize]";

// The technician's settings: serial number, calibration (multiplier, offset, zero, units) and
// the initialisation. Returns the change, or nothing with fault set. The password is not checked
// here.
[[nodiscard]] std::optional<SettingsChange> ParseCalibrateArguments(
    const CommandArguments& arguments, ArgumentFault& fault);

// Checks the password, then the values, both before touching the port; then writes the values
// given in one settings write and prints its result. Returns the exit code.
[[nodiscard]] int RunCalibrate(CommandContext& context, const std::vector<std::string>& args);

}  // namespace q417::cli
