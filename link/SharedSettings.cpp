#include "SharedSettings.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace q417 {

ReadoutSettings SharedSettings::Snapshot() const {
    std::lock_guard lock(mutex_);
    return settings_;
}

void SharedSettings::Update(const std::function<void(ReadoutSettings&)>& edit) {
    std::lock_guard lock(mutex_);
    edit(settings_);
}

void SharedSettings::StoreRecords(int firstRecord, int count, const RecordImage& source) {
    const int first = std::clamp(firstRecord, 0, kRecordCapacity);
    const int end = std::clamp(firstRecord + count, first, kRecordCapacity);
    // A 38400-byte copy takes microseconds, so it is made under the lock: no other writer (an
    // upload being prepared) can publish in between and be lost.
    std::lock_guard lock(mutex_);
    auto next = settings_.records ? std::make_shared<RecordImage>(*settings_.records)
                                  : std::make_shared<RecordImage>();
    std::memcpy(next->Record(first), source.Record(first),
                static_cast<std::size_t>(end - first) * kRecordSize);
    settings_.records = std::move(next);
}

}  // namespace q417
