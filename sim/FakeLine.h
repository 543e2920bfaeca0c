#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "ManualClock.h"
#include "ReadoutEngine.h"
#include "SerialLine.h"

namespace q417::sim {

// A serial line joined in-process to a simulated readout, on a manual clock, for testing the host
// side without a device and without sleeping. What the host writes reaches the engine at once;
// what the engine answers arrives on the clock: at once, or one byte per 10 / paceBaud seconds
// when the engine's fault plan paces the line, after the plan's reply latency. A stall of the
// plan holds the readout's bytes and loses the host's until it is over. Arrival times are kept
// in microseconds; the host sees a byte once the clock's millisecond has reached it.
//
// Every call is serialised by one lock, so a link worker thread may use the line while the test
// thread looks on. Bytes in flight are lost when the port closes.
class FakeLine final : public SerialLine {
  public:
    FakeLine(ManualClock& clock, ReadoutEngine& engine);

    void PortOpen(int portNumber, int baudRate) override;
    [[nodiscard]] bool PortIsOpen() const override;
    void PortClose() override;
    int PortRead(std::uint8_t* buffer, int maxCount) override;
    [[nodiscard]] int PortBytesWaiting() override;
    void PortWrite(const std::uint8_t* buffer, int count) override;
    void PortPutChar(int byte) override;
    // True at once when a byte has arrived. Otherwise, when the next byte arrives within
    // timeoutMs, advances the clock to its arrival and returns true; else advances the clock by
    // timeoutMs and returns false. False at once when the port is not open.
    bool WaitForInput(std::int64_t timeoutMs) override;
    [[nodiscard]] PortOpenFailure LastOpenFailure() const override;

    // Test hooks.
    // When false, PortOpen fails (the device exists but cannot be opened).
    void SetOpenable(bool openable);
    // Every PortOpen fails with failure until it is set to no failure.
    void SetOpenFailure(PortOpenFailure failure);
    // The device goes away as by a hang-up: the port closes, and opens fail until Replug.
    void Unplug();
    void Replug();
    // Sets the fault plan's reply latency (negative values count as 0).
    void SetReplyLatencyMs(std::int64_t ms);
    // Puts bytes on the line towards the host, arriving now (lost when the port is closed).
    void Inject(const std::string& bytes);
    // Runs f on the engine under the line's lock (for tests with a worker thread).
    void WithEngine(const std::function<void(ReadoutEngine&)>& f);

    // (port number, baud rate) of every PortOpen, in order.
    [[nodiscard]] std::vector<std::pair<int, int>> OpenCalls() const;
    // Calls of any of the eight SerialLine operations.
    [[nodiscard]] int TotalCalls() const;
    // Every byte the host passed to PortWrite or PortPutChar, open port or not.
    [[nodiscard]] std::string Written() const;
    void ClearWritten();
    // Bytes on their way to the host that have not arrived yet.
    [[nodiscard]] int BytesInFlight() const;

  private:
    struct PendingByte {
        std::uint8_t byte;
        std::int64_t arrivalUs;
    };

    [[nodiscard]] std::int64_t NowUs() const;
    [[nodiscard]] int ArrivedLocked() const;
    [[nodiscard]] bool StalledAtLocked(std::int64_t us) const;
    void HostBytesLocked(const std::uint8_t* data, int count);
    // Moves the engine's new output onto the line with its arrival times.
    void ScheduleOutputLocked();
    void DropLineLocked();

    ManualClock& clock_;
    ReadoutEngine& engine_;
    mutable std::mutex mutex_;
    bool open_ = false;
    bool openable_ = true;
    PortOpenFailure openFailure_;  // why opens fail while not openable_
    bool unplugged_ = false;
    std::deque<PendingByte> toHost_;  // in arrival order
    std::int64_t lastArrivalUs_ = 0;
    // The readout's stall, [start, end) in microseconds; empty when start == end.
    std::int64_t stallStartUs_ = 0;
    std::int64_t stallEndUs_ = 0;
    std::vector<std::pair<int, int>> openCalls_;
    mutable int totalCalls_ = 0;  // PortIsOpen is const but counts too
    std::string written_;
};

}  // namespace q417::sim
