#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "ForwardingLine.h"

namespace q417::bench {

// Passes every call to the real line and keeps the steady-clock time (ns) of the last write, so
// another thread can see when a byte went out.
class WriteStampLine final : public ForwardingLine {
  public:
    explicit WriteStampLine(SerialLine& inner) : ForwardingLine(inner) {}

    [[nodiscard]] std::int64_t LastWriteNs() const { return lastWriteNs_.load(); }

    void PortWrite(const std::uint8_t* buffer, int count) override {
        Stamp();
        Inner().PortWrite(buffer, count);
    }
    void PortPutChar(int byte) override {
        Stamp();
        Inner().PortPutChar(byte);
    }

  private:
    void Stamp() {
        lastWriteNs_.store(std::chrono::steady_clock::now().time_since_epoch().count());
    }

    std::atomic<std::int64_t> lastWriteNs_{0};
};

}  // namespace q417::bench
