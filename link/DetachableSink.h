#pragma once

#include <mutex>

#include "LinkEvent.h"

namespace q417 {

// Passes the worker's events on to the window side's sink until detached. Post and Detach
// share one lock, so once Detach has returned no event can reach the old sink, even from a
// worker still finishing an exchange.
class DetachableSink final : public LinkSink {
  public:
    void Attach(LinkSink* target);
    void Detach();
    void Post(const LinkEvent& event) override;

  private:
    std::mutex mutex_;  // guards target_, and is held while an event is handed over
    LinkSink* target_ = nullptr;
};

}  // namespace q417
