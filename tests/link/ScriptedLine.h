#pragma once

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ManualClock.h"
#include "SerialLine.h"

namespace q417::test {

// A serial line whose readout side is a script: the test answers each line the host sends
// (onLine) and each raw write (onWrite) by scheduling bytes with Deliver. Time is the manual
// clock, so deadlines pass without sleeping; every byte the host sends is logged.
class ScriptedLine final : public SerialLine {
  public:
    explicit ScriptedLine(sim::ManualClock& clock) : clock_(clock) {}

    // Called with the text of each line the host ends with CR (CR and LF not included).
    std::function<void(const std::string& line)> onLine;
    // Called with the bytes of each PortWrite (the binary packets).
    std::function<void(const std::string& bytes)> onWrite;

    // Bytes that arrive delayMs from now, as one chunk (after any chunk due no later).
    void Deliver(const std::string& bytes, std::int64_t delayMs = 0);

    void SetOpenable(bool openable) { openable_ = openable; }
    void Unplug() { open_ = false; }

    [[nodiscard]] const std::string& Written() const { return written_; }
    void ClearWritten() { written_.clear(); }
    [[nodiscard]] const std::vector<std::pair<int, int>>& Opens() const { return opens_; }
    [[nodiscard]] int Calls() const { return calls_; }
    // Bytes delivered and not yet read, arrived or not.
    [[nodiscard]] std::size_t Pending() const;

    void PortOpen(int portNumber, int baudRate) override;
    [[nodiscard]] bool PortIsOpen() const override;
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

    sim::ManualClock& clock_;
    std::deque<Arrival> arrivals_;
    std::string written_;
    std::string currentLine_;
    std::vector<std::pair<int, int>> opens_;
    bool openable_ = true;
    bool open_ = false;
    mutable int calls_ = 0;
};

}  // namespace q417::test
