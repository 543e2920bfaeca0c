#pragma once

#include <atomic>
#include <thread>

namespace q417::cli {

// Turns Ctrl-C and SIGTERM into a request that the command sees between its steps, so that it
// can stop the link (closing and releasing the port), leave the files as they are and say what
// state the readout may be in. The signals are blocked in every thread and taken by a thread of
// the watch's own, so nothing is interrupted in the middle and no handler runs at a random
// point. A second signal ends the process at once.
//
// Construct it before any other thread starts (threads inherit the blocked signals).
class SignalWatch {
  public:
    // The exit code after a stop by a signal, as shells report one.
    static constexpr int kExitInterrupted = 130;

    SignalWatch();
    ~SignalWatch();
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    // Set once a signal came; never cleared.
    [[nodiscard]] const std::atomic<bool>& Requested() const { return requested_; }

  private:
    void Watch();

    std::atomic<bool> requested_{false};
    std::atomic<bool> ending_{false};  // set by the destructor to end the watching thread
    std::thread watcher_;
};

}  // namespace q417::cli
