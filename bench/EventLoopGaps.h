#pragma once

#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <functional>

namespace q417::bench {

// The longest time between two turns of the event loop, from a timer that asks for every
// millisecond: how long a window would have been deaf to the user.
class GapMeter {
  public:
    using WallClock = std::chrono::steady_clock;

    GapMeter() {
        timer_.setInterval(1);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    }
    void Start() {
        longestMs_ = 0;
        last_ = WallClock::now();
        timer_.start();
    }
    // The longest gap, the time since the last turn included.
    double Stop() {
        Tick();
        timer_.stop();
        return longestMs_;
    }

  private:
    void Tick() {
        const auto now = WallClock::now();
        longestMs_ =
            std::max(longestMs_, std::chrono::duration<double, std::milli>(now - last_).count());
        last_ = now;
    }
    QTimer timer_;
    WallClock::time_point last_;
    double longestMs_ = 0;
};

// Runs the event loop until done() holds; false after timeoutMs.
inline bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done() || std::chrono::steady_clock::now() > deadline) {
            loop.quit();
        }
    });
    poll.start();
    if (!done()) {
        loop.exec();
    }
    return done();
}

// Runs the event loop for ms with nothing of the benchmark's own waking it.
inline void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace q417::bench
