#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace q417::cli {

// Classic dump: four hex digits of address, 16 bytes in hex, then the printable characters.
[[nodiscard]] std::string HexDump(std::span<const std::uint8_t> bytes, int baseAddress = 0);

}  // namespace q417::cli
