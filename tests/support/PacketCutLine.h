#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "FakeLine.h"
#include "ForwardingLine.h"
#include "ReadoutCommands.h"

namespace q417::testing {

// A line to the simulated readout that lets the first `packets` record-write packets through and
// cuts the readout off as the next one goes, in the middle of that write, as a cable pulled at
// that moment does:
// - Cut::Unplug: the device goes away (the fake line is unplugged until Replug).
// - Cut::Hold: nothing more moves and no time passes on the line until the link stops it (each
//   wait sleeps a real millisecond): an upload held in its middle, for as long as a test needs.
// Used by the link's worker thread; the test thread may look at Cut() meanwhile.
class PacketCutLine final : public ForwardingLine {
  public:
    enum class Cut { Unplug, Hold };

    PacketCutLine(sim::FakeLine& line, int packets, Cut cut)
        : ForwardingLine(line), line_(line), packets_(packets), cut_(cut) {}

    // True once the readout has been cut off.
    [[nodiscard]] bool CutMade() const { return made_.load(); }

    void PortWrite(const std::uint8_t* buffer, int count) override {
        if (count == ReadoutCommands::kPacketSize && !made_.load() && passed_++ == packets_) {
            made_.store(true);
            if (cut_ == Cut::Unplug) {
                line_.Unplug();
            }
        }
        if (!Holding()) {
            Inner().PortWrite(buffer, count);
        }
    }
    void PortPutChar(int byte) override {
        if (!Holding()) {
            Inner().PortPutChar(byte);
        }
    }
    int PortRead(std::uint8_t* buffer, int maxCount) override {
        return Holding() ? 0 : Inner().PortRead(buffer, maxCount);
    }
    [[nodiscard]] int PortBytesWaiting() override {
        return Holding() ? 0 : Inner().PortBytesWaiting();
    }
    bool WaitForInput(std::int64_t timeoutMs) override {
        if (Holding()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return false;
        }
        return Inner().WaitForInput(timeoutMs);
    }

  private:
    [[nodiscard]] bool Holding() const { return cut_ == Cut::Hold && made_.load(); }

    sim::FakeLine& line_;
    const int packets_;
    const Cut cut_;
    int passed_ = 0;  // worker thread only
    std::atomic<bool> made_{false};
};

}  // namespace q417::testing
