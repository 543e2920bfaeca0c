#include "DetachableSink.h"

namespace q417 {

void DetachableSink::Attach(LinkSink* target) {
    std::lock_guard lock(mutex_);
    target_ = target;
}

void DetachableSink::Detach() {
    Attach(nullptr);
}

void DetachableSink::Post(const LinkEvent& event) {
    std::lock_guard lock(mutex_);
    if (target_ != nullptr) {
        target_->Post(event);
    }
}

}  // namespace q417
