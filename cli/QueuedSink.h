#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "Clock.h"
#include "LinkEvent.h"

namespace q417::cli {

// Hands the link worker's events to q417cli's own thread, in order: Post queues and returns at
// once; Next takes the oldest, waiting a little for one when there is none. Each event keeps
// the link clock's time of its posting, so that time-outs are judged by when things happened,
// not by when the reader got round to them.
class QueuedSink final : public LinkSink {
  public:
    struct Posted {
        LinkEvent event;
        std::int64_t atMs = 0;  // the link clock's milliseconds when it was posted
    };

    // clock must outlive the sink.
    explicit QueuedSink(const Clock& clock) : clock_(clock) {}

    void Post(const LinkEvent& event) override;

    // The oldest event, or nothing when none came within wait (real time).
    [[nodiscard]] std::optional<Posted> Next(std::chrono::milliseconds wait);

  private:
    const Clock& clock_;
    std::mutex mutex_;  // guards queue_
    std::condition_variable posted_;
    std::deque<Posted> queue_;
};

}  // namespace q417::cli
