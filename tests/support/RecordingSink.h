#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <ostream>
#include <vector>

#include "Clock.h"
#include "LinkSink.h"

namespace q417 {

// Readable test failures: "status(33, 13)", "command(enable 32805)", "event(10)".
inline void PrintTo(const LinkMessage& m, std::ostream* os) {
    switch (m.message) {
        case WM_LINK_STATUS:
            *os << "status(" << m.wParam << ", " << m.lParam << ")";
            break;
        case WM_LINK_COMMAND:
            *os << "command(" << (m.wParam == 0 ? "enable " : "disable ") << m.lParam << ")";
            break;
        case WM_LINK_EVENT:
            *os << "event(" << m.wParam << ")";
            break;
        case WM_LINK_RESULT:
            *os << "result(to " << m.requester << ", " << m.lParam << ")";
            break;
        default:
            *os << "message 0x" << std::hex << m.message << std::dec << "(to " << m.requester
                << ")";
    }
}

}  // namespace q417

namespace q417::testing {

// Keeps every message the link posts, with the clock's time when it was posted. Safe to post
// from the worker thread while the test thread waits for a message.
class RecordingSink final : public LinkSink {
  public:
    struct Entry {
        std::int64_t atMs;
        LinkMessage message;
    };

    explicit RecordingSink(const Clock* clock = nullptr) : clock_(clock) {}

    void Post(const LinkMessage& message) override {
        {
            std::lock_guard lock(mutex_);
            entries_.push_back({clock_ != nullptr ? clock_->NowMs() : 0, message});
        }
        posted_.notify_all();
    }

    [[nodiscard]] std::vector<Entry> Entries() const {
        std::lock_guard lock(mutex_);
        return entries_;
    }

    [[nodiscard]] std::vector<LinkMessage> Messages(std::size_t from = 0) const {
        std::lock_guard lock(mutex_);
        std::vector<LinkMessage> out;
        for (std::size_t i = from; i < entries_.size(); ++i) {
            out.push_back(entries_[i].message);
        }
        return out;
    }

    [[nodiscard]] std::size_t Count() const {
        std::lock_guard lock(mutex_);
        return entries_.size();
    }

    [[nodiscard]] bool Contains(const LinkMessage& wanted, std::size_t from = 0) const {
        std::lock_guard lock(mutex_);
        for (std::size_t i = from; i < entries_.size(); ++i) {
            if (entries_[i].message == wanted) {
                return true;
            }
        }
        return false;
    }

    // Waits (real time) until some message at or after index from satisfies match.
    bool WaitUntil(const std::function<bool(const LinkMessage&)>& match,
                   std::chrono::milliseconds timeout, std::size_t from = 0) {
        std::unique_lock lock(mutex_);
        return posted_.wait_for(lock, timeout, [&] {
            for (std::size_t i = from; i < entries_.size(); ++i) {
                if (match(entries_[i].message)) {
                    return true;
                }
            }
            return false;
        });
    }

    // Waits (real time) until wanted has been posted at or after index from.
    bool WaitFor(const LinkMessage& wanted, std::chrono::milliseconds timeout,
                 std::size_t from = 0) {
        std::unique_lock lock(mutex_);
        return posted_.wait_for(lock, timeout, [&] {
            for (std::size_t i = from; i < entries_.size(); ++i) {
                if (entries_[i].message == wanted) {
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

// Shorthands for the messages of the link.
inline LinkMessage StatusMessage(int detail, int code) {
    return {WM_LINK_STATUS, LinkTarget::StatusWindow, 0, detail, code};
}
inline LinkMessage CommandMessage(int enableOrDisable, int commandId) {
    return {WM_LINK_COMMAND, LinkTarget::StatusWindow, 0, enableOrDisable, commandId};
}
inline LinkMessage EventMessage(int event) {
    return {WM_LINK_EVENT, LinkTarget::ViewWindow, 0, event, 0};
}
inline LinkMessage ResultMessageFor(RequesterId requester, int code) {
    return {WM_LINK_RESULT, LinkTarget::Requester, requester, 0, code};
}
inline LinkMessage CaptureMessageFor(RequesterId requester, int outcome) {
    return {WM_LINK_CAPTURE, LinkTarget::Requester, requester, 0, outcome};
}

}  // namespace q417::testing
