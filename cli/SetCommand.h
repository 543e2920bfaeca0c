#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ArgumentFault.h"
#include "CommandArguments.h"
#include "CommandContext.h"
#include "SettingsChange.h"

namespace q417::cli {

inline constexpr const char* kSetUsage =
    "usage: q417cli [options] set [--display-units NAME] [--digits N] [--power-down CODE]\n"
    "                             [--clock now|\"YYYY/MM/DD HH:MM:SS\"]";

// The user's settings: display units, display digits, power-down time and clock ("now" checked
// against pcCalendarSeconds, the PC's clock). Returns the change, or nothing with fault set.
[[nodiscard]] std::optional<SettingsChange> ParseSetArguments(const CommandArguments& arguments,
                                                              std::int64_t pcCalendarSeconds,
                                                              ArgumentFault& fault);

// Checks the arguments before touching the port, then writes the values given in one settings
// write and prints its result. Returns the exit code.
[[nodiscard]] int RunSet(CommandContext& context, const std::vector<std::string>& args);

}  // namespace q417::cli
