#pragma once

#include <mutex>

#include "LinkSink.h"

namespace q417 {

// Passes the worker's messages on to the window side's sink until detached. Post and Detach
// share one lock, so once Detach has returned no message can reach the old sink, even from a
// worker still finishing an exchange.
class DetachableSink final : public LinkSink {
  public:
    void Attach(LinkSink* target);
    void Detach();
    void Post(const LinkMessage& message) override;

  private:
    std::mutex mutex_;  // guards target_, and is held while a message is handed over
    LinkSink* target_ = nullptr;
};

}  // namespace q417
