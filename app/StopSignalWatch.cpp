#include "StopSignalWatch.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>

namespace q417 {
namespace {

// The write end of the pipe. A signal handler is handed nothing but the signal's number, so this
// one value has to be reachable from anywhere, as the handlers themselves are; -1 while no watch
// is installed. Lock-free, so the handler may read it.
std::atomic<int>& HandlerPipe() {
    static std::atomic<int> fd{-1};
    return fd;
}

}  // namespace

StopSignalWatch::StopSignalWatch(QObject* parent) : QObject(parent) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipe_[0] = pipe_[1] = -1;
        return;
    }
    HandlerPipe().store(pipe_[1]);
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &StopSignalWatch::ReadPipe);

    struct sigaction action {};
    action.sa_handler = &StopSignalWatch::OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // a save in progress is not disturbed by EINTR
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &action, &previous_[i]);
    }
}

StopSignalWatch::~StopSignalWatch() {
    if (notifier_ == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &previous_[i], nullptr);
    }
    HandlerPipe().store(-1);
    delete notifier_;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void StopSignalWatch::OnSignal(int signalNumber) {
    const int saved = errno;
    const int fd = HandlerPipe().load();
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(signalNumber);
        // A full pipe already holds a request; nothing is lost by dropping this one.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = saved;
}

void StopSignalWatch::ReadPipe() {
    unsigned char byte = 0;
    while (::read(pipe_[0], &byte, 1) == 1) {
        Q_EMIT stopRequested(byte);
    }
}

}  // namespace q417
