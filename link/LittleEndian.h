#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace q417 {

// The readout stores every multi-byte value little-endian; floats are IEEE-754 single precision.
// These helpers read and write through memcpy so nothing depends on alignment or on the host's
// byte order.

[[nodiscard]] inline std::uint16_t LoadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

[[nodiscard]] inline std::uint32_t LoadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

[[nodiscard]] inline float LoadF32(const std::uint8_t* p) {
    return std::bit_cast<float>(LoadU32(p));
}

inline void StoreU32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

inline void StoreF32(std::uint8_t* p, float value) {
    StoreU32(p, std::bit_cast<std::uint32_t>(value));
}

}  // namespace q417
