#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <ostream>
#include <vector>

#include "Clock.h"
#include "LinkEvent.h"

namespace q417 {

// Readable test failures: "status(Connected 5)", "progress(download 3/4)", "ready".
void PrintTo(const LinkEvent& event, std::ostream* os);

}  // namespace q417

namespace q417::testing {

// Keeps every event the link posts, with the clock's time when it was posted. Safe to post
// from the worker thread while the test thread waits for an event.
class RecordingSink final : public LinkSink {
  public:
    struct Entry {
        std::int64_t atMs;
        LinkEvent event;
    };

    explicit RecordingSink(const Clock* clock = nullptr) : clock_(clock) {}

    void Post(const LinkEvent& event) override {
        {
            std::lock_guard lock(mutex_);
            entries_.push_back({clock_ != nullptr ? clock_->NowMs() : 0, event});
        }
        posted_.notify_all();
    }

    [[nodiscard]] std::vector<Entry> Entries() const {
        std::lock_guard lock(mutex_);
        return entries_;
    }

    [[nodiscard]] std::vector<LinkEvent> Events(std::size_t from = 0) const {
        std::lock_guard lock(mutex_);
        std::vector<LinkEvent> out;
        for (std::size_t i = from; i < entries_.size(); ++i) {
            out.push_back(entries_[i].event);
        }
        return out;
    }

    [[nodiscard]] std::size_t Count() const {
        std::lock_guard lock(mutex_);
        return entries_.size();
    }

    [[nodiscard]] bool Contains(const LinkEvent& wanted, std::size_t from = 0) const {
        std::lock_guard lock(mutex_);
        for (std::size_t i = from; i < entries_.size(); ++i) {
            if (entries_[i].event == wanted) {
                return true;
            }
        }
        return false;
    }

    // Waits (real time) until some event at or after index from satisfies match.
    bool WaitUntil(const std::function<bool(const LinkEvent&)>& match,
                   std::chrono::milliseconds timeout, std::size_t from = 0) {
        std::unique_lock lock(mutex_);
        return posted_.wait_for(lock, timeout, [&] {
            for (std::size_t i = from; i < entries_.size(); ++i) {
                if (match(entries_[i].event)) {
                    return true;
                }
            }
            return false;
        });
    }

    // Waits (real time) until wanted has been posted at or after index from.
    bool WaitFor(const LinkEvent& wanted, std::chrono::milliseconds timeout, std::size_t from = 0) {
        std::unique_lock lock(mutex_);
        return posted_.wait_for(lock, timeout, [&] {
            for (std::size_t i = from; i < entries_.size(); ++i) {
                if (entries_[i].event == wanted) {
                    return true;
                }
            }
            return false;
        });
    }

  private:
    const Clock* clock_;
    mutable std::mutex mutex_;  // guards entries_
    std::condition_variable posted_;
    std::vector<Entry> entries_;
};

// Shorthands for the link's events.
inline LinkEvent StatusEvent(LinkDetail detail, LinkStatus status = LinkStatus::None) {
    return {0, link_event::Status{status, detail}};
}
inline LinkEvent Broadcast(LinkEventKind event) {
    return {0, std::move(event)};
}
inline LinkEvent ForRequester(RequesterId requester, LinkEventKind event) {
    return {requester, std::move(event)};
}
inline LinkEvent ProgressEvent(Transfer transfer, int recordsDone, int records) {
    return {0, link_event::Progress{transfer, recordsDone, records}};
}
inline const LinkEvent kReadoutReady{0, link_event::ReadoutReady{}};
inline const LinkEvent kDownloadComplete{0, link_event::DownloadComplete{}};
inline const LinkEvent kReadoutWoken{0, link_event::ReadoutWoken{}};

}  // namespace q417::testing
