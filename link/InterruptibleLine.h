#pragma once

#include <atomic>
#include <cstdint>

#include "SerialLine.h"

namespace q417 {

// The worker's view of the serial line. Once stop is set, the port looks closed: reads find
// nothing, writes go nowhere and waits return at once, so whatever exchange is running ends
// within one wait slice, and no loop can spin on it. Closing still reaches the real line.
class InterruptibleLine final : public SerialLine {
  public:
    // Longest single wait on the real line, and so the longest a stop waits to be noticed.
    static constexpr std::int64_t kWaitSliceMs = 50;

    InterruptibleLine(SerialLine& line, const std::atomic<bool>& stop);

    void PortOpen(int portNumber, int baudRate) override;
    [[nodiscard]] bool PortIsOpen() const override;
    void PortClose() override;
    int PortRead(std::uint8_t* buffer, int maxCount) override;
    [[nodiscard]] int PortBytesWaiting() override;
    void PortWrite(const std::uint8_t* buffer, int count) override;
    void PortPutChar(int byte) override;
    bool WaitForInput(std::int64_t timeoutMs) override;
    [[nodiscard]] PortOpenFailure LastOpenFailure() const override {
        return line_.LastOpenFailure();
    }

  private:
    [[nodiscard]] bool Stopped() const { return stop_.load(); }

    SerialLine& line_;
    const std::atomic<bool>& stop_;
};

}  // namespace q417
