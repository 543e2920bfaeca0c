#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "ReadoutEngine.h"

namespace q417::sim {

// Serves a simulated readout on a pseudo-terminal, so the host opens it like any serial device.
//
// The runner keeps its own descriptor of the terminal side open: otherwise the host closing the
// port would hang up the pair and the master would poll readable for ever. It watches the master
// in packet mode, where the flush that the host's open performs shows up as a status byte; that
// is taken as a reopened port and resets the readout's input.
//
// With a pace rate in the engine's fault plan, bytes move in both directions no faster than a
// line at that rate carries them (10 bits per byte). The plan's reply latency delays each reply,
// and its stall loses the host's bytes and holds the readout's while it lasts. All waiting is in
// ppoll.
class PtyRunner {
  public:
    enum class StopReason {
        Requested,  // RequestStop or a watched descriptor became readable
        HungUp,     // hangupAfter commands were served and the line was hung up
        Failed,     // the pseudo-terminal could not be served (see LastError)
    };

    // Line quiet this long in the middle of a command or record transfer: the host gave up on it.
    static constexpr std::int64_t kIdleResetNs = 3'000'000'000;

    // hangupAfter: -1 never; otherwise once that many commands have been answered (and the host
    // has read the answers, or a second has passed) the runner closes the master, so the host
    // sees the device hang up, and stops.
    explicit PtyRunner(ReadoutEngine& engine, int hangupAfter = -1);
    ~PtyRunner();
    PtyRunner(const PtyRunner&) = delete;
    PtyRunner& operator=(const PtyRunner&) = delete;

    // Creates the pseudo-terminal with its terminal side raw. False on failure (see LastError).
    bool Open();
    // The terminal device the host opens, e.g. /dev/pts/3 (empty before Open).
    [[nodiscard]] const std::string& DevicePath() const { return devicePath_; }
    [[nodiscard]] const std::string& LastError() const { return lastError_; }

    // Run stops when fd becomes readable (e.g. a signalfd). Call before Run.
    void WatchStopFd(int fd);
    // Makes Run return. Safe from another thread and from a signal handler.
    void RequestStop();

    // Serves the readout until a stop, a hang-up or a failure.
    StopReason Run();

  private:
    struct TimedByte {
        std::uint8_t byte;
        std::int64_t dueNs;  // CLOCK_MONOTONIC
    };

    [[nodiscard]] static std::int64_t NowNs();
    // Due time of byte k (0-based) of a burst starting at startNs; startNs itself when unpaced.
    [[nodiscard]] std::int64_t DueNs(std::int64_t startNs, std::size_t k) const;
    [[nodiscard]] bool StalledAt(std::int64_t ns) const;
    bool ReadMaster(std::int64_t nowNs);
    void OnHostReopened();
    void DeliverDueInput(std::int64_t nowNs);
    void CollectOutput(std::int64_t nowNs);
    bool WriteDueOutput(std::int64_t nowNs);
    // Bytes written to the host that it has not read yet.
    [[nodiscard]] int UnreadByHost() const;
    void HangUp();
    void Fail(const std::string& what);

    ReadoutEngine& engine_;
    const int hangupAfter_;
    int master_ = -1;
    int slave_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::vector<int> stopFds_;
    std::string devicePath_;
    std::string lastError_;

    std::deque<TimedByte> toReadout_;
    std::deque<TimedByte> toHost_;
    std::int64_t lastToReadoutDueNs_ = 0;
    std::int64_t lastToHostDueNs_ = 0;
    std::int64_t lastInputNs_ = 0;
    // The readout's stall, [start, end) on CLOCK_MONOTONIC; empty when start == end.
    std::int64_t stallStartNs_ = 0;
    std::int64_t stallEndNs_ = 0;
    bool waitWritable_ = false;
    std::int64_t hangupDrainEndNs_ = 0;
    std::int64_t lastWriteNs_ = 0;
};

}  // namespace q417::sim
