#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace q417 {

// Geometry of the readout's record memory: 200 site records of 192 bytes, moved in packets of
// one 64-byte block each. Record r is blocks 3r, 3r+1 and 3r+2.
inline constexpr int kRecordSize = 192;
inline constexpr int kRecordCapacity = 200;
inline constexpr int kTransferBlockSize = 64;
inline constexpr int kBlocksPerRecord = kRecordSize / kTransferBlockSize;

// The host's copy of the readout's record memory. Starts zero-filled.
struct RecordImage {
    std::array<std::uint8_t, static_cast<std::size_t>(kRecordSize) * kRecordCapacity> bytes{};

    [[nodiscard]] std::uint8_t* Record(int index) { return bytes.data() + index * kRecordSize; }
    [[nodiscard]] const std::uint8_t* Record(int index) const {
        return bytes.data() + index * kRecordSize;
    }
};

}  // namespace q417
