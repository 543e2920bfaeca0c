#pragma once

#include <cstdint>

#include "SerialLine.h"

namespace q417::bench {

// Passes every call to the real line and counts the bytes that cross it both ways.
class CountingLine final : public SerialLine {
  public:
    explicit CountingLine(SerialLine& inner) : inner_(inner) {}

    [[nodiscard]] std::int64_t BytesWritten() const { return written_; }
    [[nodiscard]] std::int64_t BytesRead() const { return read_; }
    void Reset() { written_ = read_ = 0; }

    void PortOpen(int portNumber, int baudRate) override { inner_.PortOpen(portNumber, baudRate); }
    [[nodiscard]] bool PortIsOpen() const override { return inner_.PortIsOpen(); }
    void PortClose() override { inner_.PortClose(); }
    int PortRead(std::uint8_t* buffer, int maxCount) override {
        const int n = inner_.PortRead(buffer, maxCount);
        read_ += n > 0 ? n : 0;
        return n;
    }
    [[nodiscard]] int PortBytesWaiting() override { return inner_.PortBytesWaiting(); }
    void PortWrite(const std::uint8_t* buffer, int count) override {
        inner_.PortWrite(buffer, count);
        written_ += count;
    }
    void PortPutChar(int byte) override {
        inner_.PortPutChar(byte);
        ++written_;
    }
    bool WaitForInput(std::int64_t timeoutMs) override { return inner_.WaitForInput(timeoutMs); }

  private:
    SerialLine& inner_;
    std::int64_t written_ = 0;
    std::int64_t read_ = 0;
};

}  // namespace q417::bench
