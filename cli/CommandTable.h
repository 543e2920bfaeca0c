#pragma once

#include <string>
#include <vector>

#include "CommandContext.h"

namespace q417::cli {

// True for the names of q417cli's commands ("probe", "status", ...).
[[nodiscard]] bool IsCommand(const std::string& name);

// Runs the named command with its own arguments and returns the exit code; an unknown name is a
// usage error.
[[nodiscard]] int RunCommand(const std::string& name, CommandContext& context,
                             const std::vector<std::string>& args);

}  // namespace q417::cli
