#include "JobSlot.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace q417 {

bool JobSlot::Submit(LinkJob job) {
    {
        std::lock_guard lock(mutex_);
        if (!open_ || pending_) {
            return false;
        }
        job_ = std::move(job);
        pending_ = true;
    }
    changed_.notify_all();
    return true;
}

std::optional<LinkJob> JobSlot::Pending() const {
    std::lock_guard lock(mutex_);
    if (!pending_) {
        return std::nullopt;
    }
    return job_;
}

void JobSlot::Finish() {
    std::lock_guard lock(mutex_);
    pending_ = false;
    job_ = LinkJob{};
}

bool JobSlot::Busy() const {
    std::lock_guard lock(mutex_);
    return pending_;
}

bool JobSlot::PauseUnlessSubmitted(Clock& clock, std::int64_t ms) const {
    if (clock.RealTime()) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(std::max<std::int64_t>(ms, 0)),
                          [this] { return pending_ || !open_; });
        return pending_;
    }
    // Sliced on the given clock, so a manual clock in tests runs it without sleeping.
    while (!Busy()) {
        if (ms <= 0) {
            return false;
        }
        const std::int64_t slice = std::min(ms, kJobWaitSliceMs);
        clock.SleepMs(slice);
        ms -= slice;
    }
    return true;
}

void JobSlot::Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    pending_ = false;
    job_ = LinkJob{};
}

void JobSlot::Close() {
    {
        std::lock_guard lock(mutex_);
        open_ = false;
        pending_ = false;
        job_ = LinkJob{};
    }
    changed_.notify_all();
}

}  // namespace q417
