#include "SignalWatch.h"

#include <csignal>
#include <cstdlib>
#include <ctime>

namespace q417::cli {
namespace {

sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

SignalWatch::SignalWatch() {
    const sigset_t set = StopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    watcher_ = std::thread([this] { Watch(); });
}

SignalWatch::~SignalWatch() {
    ending_.store(true);
    watcher_.join();
}

void SignalWatch::Watch() {
    const sigset_t set = StopSignals();
    // A short wait, so that the destructor is noticed without a signal of its own.
    const timespec slice{0, 100'000'000};
    while (!ending_.load()) {
        if (sigtimedwait(&set, nullptr, &slice) < 0) {
            continue;  // the slice passed (or EINTR)
        }
        if (requested_.exchange(true)) {
            std::_Exit(kExitInterrupted);  // asked twice: the user wants out now
        }
    }
}

}  // namespace q417::cli
