#pragma once

#include <functional>

#include "ForwardingLine.h"

namespace q417::testing {

// Passes every call to the real line and runs onWrite (on the writing thread) just before each
// write, so a test or a benchmark can see when bytes go out.
class WriteWatchLine final : public ForwardingLine {
  public:
    explicit WriteWatchLine(SerialLine& inner) : ForwardingLine(inner) {}

    void PortWrite(const std::uint8_t* buffer, int count) override {
        Watch();
        Inner().PortWrite(buffer, count);
    }
    void PortPutChar(int byte) override {
        Watch();
        Inner().PortPutChar(byte);
    }

    std::function<void()> onWrite;  // set before the writer starts

  private:
    void Watch() {
        if (onWrite) {
            onWrite();
        }
    }
};

}  // namespace q417::testing
