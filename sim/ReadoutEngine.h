#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FaultPlan.h"
#include "ReadoutMemory.h"

namespace q417::sim {

// The readout's side of the serial protocol, without any I/O: bytes from the host go in with
// Receive, the readout's bytes come out with TakeOutput.
//
// Text commands end with CR; one LF right after a CR is ignored. Every accepted command is
// echoed as received (in upper case) and answered on the same line, which ends with CR LF; a
// malformed, unknown or out-of-range command is answered with its echo and " ?". An empty line
// is the wake-up and is answered with the banner. The record write switches to binary input
// until its packets have arrived.
class ReadoutEngine {
  public:
    // Longest command line kept; longer lines are rejected.
    static constexpr std::size_t kMaxLineLength = 96;
    // Highest block number + 1 of the record transfers (200 records of 3 blocks).
    static constexpr int kBlockCount = kRecordCapacity * kBlocksPerRecord;

    // calendarNowSeconds gives the PC's calendar time (seconds since 1970 UTC); the readout
    // clock is that plus the memory's clock offset. An empty function uses the system clock.
    ReadoutEngine(ReadoutMemory memory, std::function<std::int64_t()> calendarNowSeconds);

    // Bytes from the host to the readout.
    void Receive(const std::uint8_t* data, std::size_t n);
    void Receive(std::string_view bytes);

    // Bytes the readout has sent since the last call, faults applied.
    [[nodiscard]] std::string TakeOutput();
    [[nodiscard]] bool HasOutput() const { return !output_.empty(); }

    [[nodiscard]] ReadoutMemory& Memory() { return memory_; }
    [[nodiscard]] const ReadoutMemory& Memory() const { return memory_; }
    [[nodiscard]] FaultPlan& Faults() { return faults_; }
    [[nodiscard]] const FaultPlan& Faults() const { return faults_; }

    // Command lines received (the empty wake-up line included, answered or not).
    [[nodiscard]] int CommandCount() const { return commandCount_; }
    // Record-write packets stored, and those refused for a wrong checksum.
    [[nodiscard]] int StoredPacketCount() const { return storedPackets_; }
    [[nodiscard]] int BadPacketCount() const { return badPackets_; }
    // Milliseconds of the stall the last bytes received have started, or 0; each stall is
    // reported once. The line holds the readout's bytes for that long and loses the host's.
    [[nodiscard]] int TakeStallMs() { return std::exchange(stallStartedMs_, 0); }
    // True once answerCommands has run out: the readout stays silent from then on.
    [[nodiscard]] bool CablePulled() const { return cablePulled_; }
    // True while part of a command line or of a record-write transfer is pending.
    [[nodiscard]] bool HasPartialInput() const;

    // The readout clock in calendar seconds (PC time plus the memory's offset).
    [[nodiscard]] std::int64_t ReadoutClockSeconds() const;

    // The port was reopened or the line went quiet: forget a partial command line or record
    // transfer, and any bytes not yet taken.
    void LineReset();

  private:
    enum class InputMode { Command, Packets };

    void ReceiveByte(std::uint8_t byte);
    void ReceivePacketByte(std::uint8_t byte);
    // One complete command line; tooLong when bytes past kMaxLineLength were cut off.
    void HandleLine(const std::string& raw, bool tooLong);
    // The full reply to an accepted or rejected command, before line faults.
    [[nodiscard]] std::string Execute(const std::string& echo);
    [[nodiscard]] static std::string Reject(const std::string& echo);
    [[nodiscard]] std::string ReadPackets(int firstBlock, int blocks);
    void StartPacketInput(int firstBlock, int blocks);
    // Sends a reply, cut short when a cut fault is pending.
    void Reply(std::string text);
    // Puts bytes on the line, dropping those a drop fault takes.
    void Emit(std::string_view bytes);

    ReadoutMemory memory_;
    std::function<std::int64_t()> calendarNowSeconds_;
    FaultPlan faults_;

    InputMode mode_ = InputMode::Command;
    std::string line_;
    bool lineTooLong_ = false;
    bool afterCr_ = false;  // the previous byte ended a line: one LF may follow

    int packetBlock_ = 0;  // block the current packet goes to
    int packetsLeft_ = 0;  // packets still expected, the current one included
    std::vector<std::uint8_t> packet_;

    std::string output_;
    std::uint64_t bytesSent_ = 0;  // for the drop fault
    int commandCount_ = 0;
    int storedPackets_ = 0;
    int badPackets_ = 0;
    bool cablePulled_ = false;
    int stallStartedMs_ = 0;
    bool swapAfterStall_ = false;  // another readout answers once the stall is over
};

}  // namespace q417::sim
