#include "ReadoutSiteRecord.h"

#include <algorithm>
#include <cstring>

#include "LittleEndian.h"

namespace q417 {

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

}  // namespace q417
