#pragma once

#include <QObject>
#include <array>
#include <csignal>

class QSocketNotifier;

namespace q417 {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal of the window thread, so that the program
// ends the way closing its window ends it: never in the middle of a save (which runs on the
// window thread, so no temporary file is left beside a site file), and with the link stopped
// rather than cut. The handler only writes the signal's number to a pipe that the window
// thread's event loop watches.
//
// One watch at a time (the handlers are the process's); the previous handlers come back when it
// goes. Window thread only.
class StopSignalWatch : public QObject {
    Q_OBJECT

  public:
    explicit StopSignalWatch(QObject* parent = nullptr);
    ~StopSignalWatch() override;
    StopSignalWatch(const StopSignalWatch&) = delete;
    StopSignalWatch& operator=(const StopSignalWatch&) = delete;

    // False when the pipe could not be made: the signals keep their default action.
    [[nodiscard]] bool Watching() const { return notifier_ != nullptr; }

    static constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

  Q_SIGNALS:
    void stopRequested(int signalNumber);

  private:
    static void OnSignal(int signalNumber);
    void ReadPipe();

    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    std::array<struct sigaction, kSignals.size()> previous_{};
};

}  // namespace q417
