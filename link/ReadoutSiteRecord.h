#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "RecordImage.h"

namespace q417 {

// One stored reading: value in the readout's calibration units, time stamp in readout seconds
// since 2000-01-01 00:00 (unsigned).
struct ReadingEntry {
    float value = 0;
    std::uint32_t time = 0;
};

// A time stamp of memory the readout never wrote, or erased.
inline constexpr std::uint32_t kErasedReadoutTime = 0xFFFFFFFFU;

// Whether an entry is a reading at all: erased memory holds a NaN value and an erased time, and
// a faulty readout may store an infinite or NaN value that no unit conversion can carry.
[[nodiscard]] bool IsReading(const ReadingEntry& entry);

// One site record of the readout's record memory (192 bytes):
//   0  name, 21 bytes: at most 20 characters and a zero
//   21 reading count, 0..20; the newest reading is entry count - 1
//   22 two bytes the host leaves alone
//   24 reference value (f32), 28 reference time (u32)
//   32 20 readings of 8 bytes: value (f32), time (u32)
struct ReadoutSiteRecord {
    static constexpr int kNameSize = 21;
    static constexpr int kMaxNameLength = kNameSize - 1;
    static constexpr int kMaxReadings = 20;
    static constexpr int kCountOffset = 21;
    static constexpr int kReferenceValueOffset = 24;
    static constexpr int kReferenceTimeOffset = 28;
    static constexpr int kReadingsOffset = 32;
    static constexpr int kReadingSize = 8;

    std::string name;
    int readingCount = 0;  // clamped to 0..20 when read from an image
    float referenceValue = 0;
    std::uint32_t referenceTime = 0;
    std::array<ReadingEntry, kMaxReadings> readings{};

    // Record index of image (0..199). The name stops at its zero or after 20 characters, and a
    // reading count above 20 reads as 20, so nothing from the readout runs past the record.
    [[nodiscard]] static ReadoutSiteRecord Read(const RecordImage& image, int index);

    // Writes every field into record index of image: the name cut to 20 characters and
    // zero-padded, the count clamped to 0..20. Bytes 22 and 23 keep their value.
    void Write(RecordImage& image, int index) const;

    // Field writers for the upload, which changes some fields and keeps the others.
    static void WriteName(RecordImage& image, int index, const std::string& name);
    static void WriteReadingCount(RecordImage& image, int index, int count);
    static void WriteReference(RecordImage& image, int index, float value, std::uint32_t time);
    // The reading count and the 20 readings of record fromIndex of from, byte for byte, into
    // record toIndex of to: the readings of a site that moved in the list go with it.
    static void CopyReadings(const RecordImage& from, int fromIndex, RecordImage& to, int toIndex);

    // An empty slot: name bytes and time stamps all erased (0xFF), as memory that was never
    // written or was erased reads. Such a record holds no site.
    [[nodiscard]] static bool IsErasedSlot(const RecordImage& image, int index);
};

}  // namespace q417
