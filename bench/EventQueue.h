#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "LinkEvent.h"

namespace q417::bench {

// Hands the link worker's events to the soak's own thread, in order, and keeps none once taken:
// a soak of many minutes must not grow by what it has already read.
class EventQueue final : public LinkSink {
  public:
    void Post(const LinkEvent& event) override {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(event);
        }
        posted_.notify_one();
    }

    // The oldest event, or nothing when none came within wait.
    [[nodiscard]] std::optional<LinkEvent> Next(std::chrono::milliseconds wait) {
        std::unique_lock lock(mutex_);
        if (!posted_.wait_for(lock, wait, [this] { return !queue_.empty(); })) {
            return std::nullopt;
        }
        LinkEvent event = queue_.front();
        queue_.pop_front();
        return event;
    }

  private:
    std::mutex mutex_;  // guards queue_
    std::condition_variable posted_;
    std::deque<LinkEvent> queue_;
};

}  // namespace q417::bench
