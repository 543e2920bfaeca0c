#pragma once

#include <cstdint>

#include "ForwardingLine.h"

namespace q417::bench {

// Passes every call to the real line and counts the bytes that cross it both ways.
class CountingLine final : public ForwardingLine {
  public:
    explicit CountingLine(SerialLine& inner) : ForwardingLine(inner) {}

    [[nodiscard]] std::int64_t BytesWritten() const { return written_; }
    [[nodiscard]] std::int64_t BytesRead() const { return read_; }
    void Reset() { written_ = read_ = 0; }

    int PortRead(std::uint8_t* buffer, int maxCount) override {
        const int n = Inner().PortRead(buffer, maxCount);
        read_ += n > 0 ? n : 0;
        return n;
    }
    void PortWrite(const std::uint8_t* buffer, int count) override {
        Inner().PortWrite(buffer, count);
        written_ += count;
    }
    void PortPutChar(int byte) override {
        Inner().PortPutChar(byte);
        ++written_;
    }

  private:
    std::int64_t written_ = 0;
    std::int64_t read_ = 0;
};

}  // namespace q417::bench
