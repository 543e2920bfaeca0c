#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ArgumentFault.h"

namespace q417::cli {

// Checks of single option values shared by the writing commands. Each returns the value, or
// nothing with fault set to a message that names the option and the values it takes.

[[nodiscard]] std::optional<std::uint8_t> CheckUnitName(const std::string& option,
                                                        const std::string& text,
                                                        ArgumentFault& fault);
[[nodiscard]] std::optional<float> CheckFloat(const std::string& option, const std::string& text,
                                              ArgumentFault& fault);

}  // namespace q417::cli
