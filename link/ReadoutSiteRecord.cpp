#include "ReadoutSiteRecord.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "LittleEndian.h"

namespace q417 {

bool IsReading(const ReadingEntry& entry) {
    return std::isfinite(entry.value) && entry.time != kErasedReadoutTime;
}

ReadoutSiteRecord ReadoutSiteRecord::Read(const RecordImage& image, int index) {
    const std::uint8_t* r = image.Record(index);
    ReadoutSiteRecord record;
    const auto* nameBytes = reinterpret_cast<const char*>(r);
    record.name.assign(nameBytes, strnlen(nameBytes, kMaxNameLength));
    record.readingCount = std::min<int>(r[kCountOffset], kMaxReadings);
    record.referenceValue = LoadF32(r + kReferenceValueOffset);
    record.referenceTime = LoadU32(r + kReferenceTimeOffset);
    for (int i = 0; i < kMaxReadings; ++i) {
        const std::uint8_t* entry = r + kReadingsOffset + i * kReadingSize;
        record.readings[static_cast<std::size_t>(i)] = {LoadF32(entry), LoadU32(entry + 4)};
    }
    return record;
}

void ReadoutSiteRecord::Write(RecordImage& image, int index) const {
    WriteName(image, index, name);
    WriteReadingCount(image, index, readingCount);
    WriteReference(image, index, referenceValue, referenceTime);
    std::uint8_t* r = image.Record(index);
    for (int i = 0; i < kMaxReadings; ++i) {
        std::uint8_t* entry = r + kReadingsOffset + i * kReadingSize;
        StoreF32(entry, readings[static_cast<std::size_t>(i)].value);
        StoreU32(entry + 4, readings[static_cast<std::size_t>(i)].time);
    }
}

void ReadoutSiteRecord::WriteName(RecordImage& image, int index, const std::string& name) {
    std::uint8_t* r = image.Record(index);
    std::memset(r, 0, kNameSize);
    std::memcpy(r, name.data(), std::min<std::size_t>(name.size(), kMaxNameLength));
}

void ReadoutSiteRecord::WriteReadingCount(RecordImage& image, int index, int count) {
    image.Record(index)[kCountOffset] =
        static_cast<std::uint8_t>(std::clamp(count, 0, kMaxReadings));
}

void ReadoutSiteRecord::WriteReference(RecordImage& image, int index, float value,
                                       std::uint32_t time) {
    std::uint8_t* r = image.Record(index);
    StoreF32(r + kReferenceValueOffset, value);
    StoreU32(r + kReferenceTimeOffset, time);
}

void ReadoutSiteRecord::CopyReadings(const RecordImage& from, int fromIndex, RecordImage& to,
                                     int toIndex) {
    const std::uint8_t* source = from.Record(fromIndex);
    std::uint8_t* target = to.Record(toIndex);
    target[kCountOffset] = source[kCountOffset];
    std::memcpy(target + kReadingsOffset, source + kReadingsOffset, kMaxReadings * kReadingSize);
}

bool ReadoutSiteRecord::IsErasedSlot(const RecordImage& image, int index) {
    const std::uint8_t* r = image.Record(index);
    const auto erased = [](std::uint8_t b) { return b == 0xFF; };
    if (!std::all_of(r, r + kNameSize, erased) ||
        LoadU32(r + kReferenceTimeOffset) != kErasedReadoutTime) {
        return false;
    }
    const int count = std::min<int>(r[kCountOffset], kMaxReadings);
    for (int i = 0; i < count; ++i) {
        if (LoadU32(r + kReadingsOffset + i * kReadingSize + 4) != kErasedReadoutTime) {
            return false;
        }
    }
    return true;
}

}  // namespace q417
