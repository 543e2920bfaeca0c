#include "InterruptibleLine.h"

#include <algorithm>

namespace q417 {

InterruptibleLine::InterruptibleLine(SerialLine& line, const std::atomic<bool>& stop)
    : line_(line), stop_(stop) {}

void InterruptibleLine::PortOpen(int portNumber, int baudRate) {
    if (!Stopped()) {
        line_.PortOpen(portNumber, baudRate);
    }
}

bool InterruptibleLine::PortIsOpen() const {
    return !Stopped() && line_.PortIsOpen();
}

void InterruptibleLine::PortClose() {
    line_.PortClose();
}

int InterruptibleLine::PortRead(std::uint8_t* buffer, int maxCount) {
    return Stopped() ? 0 : line_.PortRead(buffer, maxCount);
}

int InterruptibleLine::PortBytesWaiting() {
    return Stopped() ? 0 : line_.PortBytesWaiting();
}

void InterruptibleLine::PortWrite(const std::uint8_t* buffer, int count) {
    if (!Stopped()) {
        line_.PortWrite(buffer, count);
    }
}

void InterruptibleLine::PortPutChar(int byte) {
    if (!Stopped()) {
        line_.PortPutChar(byte);
    }
}

bool InterruptibleLine::WaitForInput(std::int64_t timeoutMs) {
    std::int64_t left = timeoutMs;
    for (;;) {
        if (Stopped() || !line_.PortIsOpen()) {
            return false;
        }
        const std::int64_t slice = std::min(left, kWaitSliceMs);
        if (line_.WaitForInput(slice)) {
            return true;
        }
        left -= slice;
        if (left <= 0) {
            return false;
        }
    }
}

}  // namespace q417
