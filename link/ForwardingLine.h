#pragma once

#include <cstdint>

#include "SerialLine.h"

namespace q417 {

// A line that passes every call to another one. Lines that watch or change the traffic of a
// real line (counting bytes, injecting noise, refusing commands) derive from it and override
// only what they change.
class ForwardingLine : public SerialLine {
  public:
    explicit ForwardingLine(SerialLine& inner) : inner_(inner) {}

    void PortOpen(int portNumber, int baudRate) override { inner_.PortOpen(portNumber, baudRate); }
    [[nodiscard]] bool PortIsOpen() const override { return inner_.PortIsOpen(); }
    void PortClose() override { inner_.PortClose(); }
    int PortRead(std::uint8_t* buffer, int maxCount) override {
        return inner_.PortRead(buffer, maxCount);
    }
    [[nodiscard]] int PortBytesWaiting() override { return inner_.PortBytesWaiting(); }
    void PortWrite(const std::uint8_t* buffer, int count) override {
        inner_.PortWrite(buffer, count);
    }
    void PortPutChar(int byte) override { inner_.PortPutChar(byte); }
    bool WaitForInput(std::int64_t timeoutMs) override { return inner_.WaitForInput(timeoutMs); }
    [[nodiscard]] PortOpenFailure LastOpenFailure() const override {
        return inner_.LastOpenFailure();
    }

  protected:
    [[nodiscard]] SerialLine& Inner() { return inner_; }

  private:
    SerialLine& inner_;
};

}  // namespace q417
