#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ArgumentFault.h"

namespace q417::cli {

// Parsing of single option values shared by the writing commands. Each returns the value, or
// nothing with fault set to a message that names the option and the values it takes. Whether the
// readout may be given the value is SettingsChange's to say.

[[nodiscard]] std::optional<std::uint8_t> CheckUnitName(const std::string& option,
                                                        const std::string& text,
                                                        ArgumentFault& fault);
[[nodiscard]] std::optional<float> CheckFloat(const std::string& option, const std::string& text,
                                              ArgumentFault& fault);

}  // namespace q417::cli
