#pragma once

#include <functional>
#include <mutex>

#include "ReadoutSettings.h"
#include "RecordImage.h"

namespace q417 {

// The link's live ReadoutSettings, shared by the worker (which writes them as it learns from the
// readout) and the windows (which read them and prepare uploads). Every access is one short
// critical section, so a reader never sees half of a write and the window thread never waits
// on the serial line.
class SharedSettings {
  public:
    // A consistent copy. The record image is shared with the live settings but never changed
    // in place, so the copy stays valid whatever the link does next.
    [[nodiscard]] ReadoutSettings Snapshot() const;

    // Runs edit on the live settings under the lock. edit must be short and must not call back
    // into this object.
    void Update(const std::function<void(ReadoutSettings&)>& edit);

    // Publishes a new record image whose records first..first+count-1 come from source and
    // whose other records are those of the current image (zeros when there is none).
    void StoreRecords(int firstRecord, int count, const RecordImage& source);

  private:
    mutable std::mutex mutex_;  // guards settings_, including which image `records` points to
    ReadoutSettings settings_;
};

}  // namespace q417
