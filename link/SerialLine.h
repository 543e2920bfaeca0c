#pragma once

#include <cstdint>

#include "PortOpenFailure.h"

namespace q417 {

// The serial line as the transport sees it: one port at a time, so no operation takes a handle.
// Reads never block; WaitForInput is the only call that waits, so no loop above it has to spin.
class SerialLine {
  public:
    virtual ~SerialLine() = default;

    // Opens the numbered port (1-based) at baudRate. Never called while a port is open.
    virtual void PortOpen(int portNumber, int baudRate) = 0;

    // True when the last PortOpen succeeded and the port has not been closed or hung up since.
    [[nodiscard]] virtual bool PortIsOpen() const = 0;

    virtual void PortClose() = 0;

    // Copies at most maxCount bytes that have already arrived; returns the count (0: nothing).
    virtual int PortRead(std::uint8_t* buffer, int maxCount) = 0;

    // Number of received bytes waiting to be read.
    [[nodiscard]] virtual int PortBytesWaiting() = 0;

    // Queues all bytes for transmission, in order.
    virtual void PortWrite(const std::uint8_t* buffer, int count) = 0;

    // Queues one byte (the low 8 bits of byte).
    virtual void PortPutChar(int byte) = 0;

    // Blocks until input is waiting or timeoutMs milliseconds have passed. Returns true when
    // input is waiting. Returns false at once when the port is not open.
    virtual bool WaitForInput(std::int64_t timeoutMs) = 0;

    // Why the last PortOpen failed; nothing after a good open, or when the line cannot tell.
    [[nodiscard]] virtual PortOpenFailure LastOpenFailure() const { return {}; }
};

}  // namespace q417
