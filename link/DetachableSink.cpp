#include "DetachableSink.h"

namespace q417 {

void DetachableSink::Attach(LinkSink* target) {
    std::lock_guard lock(mutex_);
    target_ = target;
}

void DetachableSink::Detach() {
    Attach(nullptr);
}

void DetachableSink::Post(const LinkMessage& message) {
    std::lock_guard lock(mutex_);
    if (target_ != nullptr) {
        target_->Post(message);
    }
}

}  // namespace q417
