#include "QueuedSink.h"

namespace q417::cli {

void QueuedSink::Post(const LinkEvent& event) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({event, clock_.NowMs()});
    }
    posted_.notify_one();
}

std::optional<QueuedSink::Posted> QueuedSink::Next(std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    if (!posted_.wait_for(lock, wait, [this] { return !queue_.empty(); })) {
        return std::nullopt;
    }
    Posted posted = queue_.front();
    queue_.pop_front();
    return posted;
}

}  // namespace q417::cli
