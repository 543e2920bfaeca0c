#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "Clock.h"
#include "ForwardingLine.h"
#include "LineTrace.h"
#include "PortOpenFailure.h"

namespace q417::bench {

// The faults a cheap USB adapter or a loose plug brings to the line.
enum class FaultKind : int {
    DroppedByte,         // one byte of a reply lost (receiver overrun, framing error)
    CorruptReadPacket,   // one byte of a record-read reply changed (noise)
    CorruptWritePacket,  // one byte of a record-write packet changed on its way out (noise)
    CutReply,            // the rest of a reply lost (contact gone for a moment)
    Stall,               // nothing gets through for a while: the host's bytes are lost
    Latency,             // a reply comes late
    CablePull,           // the port hangs up and the device is gone for a few seconds
};
inline constexpr int kFaultKinds = 7;

// Name of a fault in the benchmark's output: "dropped_byte".
[[nodiscard]] const char* FaultName(FaultKind kind);

// How often the faults come: per command sent, per record packet, or on average every so many
// milliseconds; the lengths are drawn evenly from their ranges.
struct FaultRates {
    double latencyPerCommand = 0.01;
    std::int64_t latencyMinMs = 20;
    std::int64_t latencyMaxMs = 1500;
    double dropPerCommand = 0.01;
    double cutPerCommand = 0.005;
    double corruptPerRecordRead = 0.02;
    double corruptPerWritePacket = 0.002;
    std::int64_t stallMeanGapMs = 20000;
    std::int64_t stallMinMs = 300;
    std::int64_t stallMaxMs = 3000;
    std::int64_t pullMeanGapMs = 60000;
    std::int64_t outageMinMs = 2000;
    std::int64_t outageMaxMs = 6000;
};

// A line between the link's worker and the real port that injects faults at random, from a
// seeded generator, as the traffic goes. It keeps the readout's bytes itself so that it can
// delay, drop or change them; what the worker reads are only the bytes whose time has come.
//
// A changed byte is never within two packets' length of the changed byte before it, so no
// record packet carries two: the 8-bit sum the packets carry always catches one.
//
// Used on the link's worker thread only, except Injected and TakeCorruptedWriteBlocks, which
// any thread may call.
class FaultInjectingLine final : public ForwardingLine {
  public:
    FaultInjectingLine(SerialLine& inner, Clock& clock, std::uint64_t seed, FaultRates rates);

    void PortOpen(int portNumber, int baudRate) override;
    [[nodiscard]] bool PortIsOpen() const override;
    void PortClose() override;
    int PortRead(std::uint8_t* buffer, int maxCount) override;
    [[nodiscard]] int PortBytesWaiting() override;
    void PortWrite(const std::uint8_t* buffer, int count) override;
    void PortPutChar(int byte) override;
    bool WaitForInput(std::int64_t timeoutMs) override;
    [[nodiscard]] PortOpenFailure LastOpenFailure() const override;

    // From now on each fault, as it takes effect, goes to trace too (nothing: no more). Call
    // before the worker starts; trace must outlive the line.
    void SetTrace(LineTrace* trace) { trace_ = trace; }

    // Faults of kind that took effect so far.
    [[nodiscard]] int Injected(FaultKind kind) const {
        return injected_[static_cast<std::size_t>(kind)].load();
    }
    // The record blocks whose write packet went out with a changed byte since the last call:
    // the readout refuses such a packet (its sum is wrong) and keeps the block it held.
    [[nodiscard]] std::vector<int> TakeCorruptedWriteBlocks();

  private:
    struct HeldByte {
        std::uint8_t byte;
        std::int64_t visibleAtMs;  // clock milliseconds from which the worker may read it
    };

    // Counts a fault that took effect, and traces it with what it did.
    void Count(FaultKind kind, const std::string& what = {});
    // Starts and ends the stalls and the outages whose time has come.
    void Advance(std::int64_t nowMs);
    [[nodiscard]] bool Stalled(std::int64_t nowMs) const { return nowMs < stallEndMs_; }
    // Takes every byte the port has into held_, with the faults of the current reply.
    void Pump(std::int64_t nowMs);
    void Receive(std::uint8_t byte, std::int64_t nowMs);
    [[nodiscard]] int Visible(std::int64_t nowMs) const;
    // The host's byte: a CR ends a command, whose reply then draws its faults.
    void TrackCommand(std::uint8_t byte);
    void CommandSent(const std::string& command);

    Clock& clock_;
    const FaultRates rates_;
    LineTrace* trace_ = nullptr;
    // Two streams, so that the faults drawn for the traffic and the timed ones (stalls, pulls)
    // each come in the same order for a seed, however the two interleave in a run.
    std::mt19937_64 random_;    // what the traffic meets
    std::mt19937_64 schedule_;  // when stalls and pulls come, and how long they last
    std::array<std::atomic<int>, kFaultKinds> injected_{};
    std::mutex writeBlocksMutex_;  // guards corruptedWriteBlocks_
    std::vector<int> corruptedWriteBlocks_;

    std::deque<HeldByte> held_;
    std::int64_t lastVisibleMs_ = 0;
    std::int64_t delivered_ = 0;  // bytes put into held_ since the start
    std::int64_t lastCorruptDelivered_ = INT64_MIN / 2;

    // The reply to the last command: its bytes so far and the faults drawn for it (-1: none).
    std::string command_;
    std::int64_t replyBytes_ = 0;
    std::int64_t dropAt_ = -1;
    std::int64_t cutAt_ = -1;
    std::int64_t corruptAt_ = -1;
    std::uint8_t corruptMask_ = 0;
    std::int64_t latencyMs_ = 0;
    bool latencyCounted_ = false;

    // The record write under way: the block of its next packet and the packets still to come.
    int writeBlock_ = 0;
    int writePacketsLeft_ = 0;
    int packetsSinceCorrupt_ = 2;

    std::int64_t stallEndMs_ = 0;
    std::int64_t nextStallMs_ = 0;
    bool pulled_ = false;
    std::int64_t outageEndMs_ = 0;
    std::int64_t nextPullMs_ = 0;
    PortOpenFailure openFailure_;  // set while an open fails for the pulled cable
};

}  // namespace q417::bench
