#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ManualClock.h"
#include "ReplyScript.h"
#include "SerialLine.h"

namespace q417::fuzz {

// A serial line whose readout answers each host message with a frame from a source: the
// fuzzer's script, or the simulated readout when seeds are recorded. Time is the manual clock,
// so every deadline passes without waiting. It keeps what the host sent and what it read, in
// order, for the targets' invariants.
class FuzzLine final : public SerialLine {
  public:
    using ReplySource = std::function<ReplyFrame(const HostMessage&)>;

    // One message the host sent, with where the host's reads stood then.
    struct SentMessage {
        HostMessage message;
        std::size_t readOffset = 0;  // bytes the host had read before it
        std::int64_t atMs = 0;
    };

    FuzzLine(sim::ManualClock& clock, ReplySource source);

    // The cable comes out as the host's message number `message` (0-based) ends, and the port
    // cannot be opened again for outMs. A negative message: never.
    void PullCable(int message, std::int64_t outMs);

    [[nodiscard]] const std::vector<SentMessage>& Sent() const { return sent_; }
    // Every byte the host read, in order.
    [[nodiscard]] const std::string& Read() const { return read_; }
    // Clock milliseconds of the last read that returned bytes (0: none yet).
    [[nodiscard]] std::int64_t LastReadAtMs() const { return lastReadAtMs_; }
    // Every byte the host wrote, in order, open port or not.
    [[nodiscard]] const std::string& Written() const { return written_; }

    void PortOpen(int portNumber, int baudRate) override;
    [[nodiscard]] bool PortIsOpen() const override { return open_; }
    void PortClose() override;
    int PortRead(std::uint8_t* buffer, int maxCount) override;
    [[nodiscard]] int PortBytesWaiting() override;
    void PortWrite(const std::uint8_t* buffer, int count) override;
    void PortPutChar(int byte) override;
    bool WaitForInput(std::int64_t timeoutMs) override;

  private:
    struct Arrival {
        std::int64_t atMs;
        std::string bytes;
    };

    void EndMessage(HostMessage message);

    sim::ManualClock& clock_;
    ReplySource source_;
    std::deque<Arrival> arrivals_;  // in arrival order
    std::string line_;              // the text line being sent
    std::vector<SentMessage> sent_;
    std::string read_;
    std::string written_;
    std::int64_t lastReadAtMs_ = 0;
    bool open_ = false;
    int pullAtMessage_ = -1;
    std::int64_t pullOutMs_ = 0;
    std::int64_t unpluggedUntilMs_ = -1;  // opens fail before this
};

}  // namespace q417::fuzz
