#include "TracingLine.h"

#include <string>

namespace q417 {

void TracingLine::PortOpen(int portNumber, int baudRate) {
    Inner().PortOpen(portNumber, baudRate);
    if (trace_.Active()) {
        std::string text = "open port " + std::to_string(portNumber) + " at " +
                           std::to_string(baudRate) + " baud: ";
        const PortOpenFailure failure = Inner().LastOpenFailure();
        text += Inner().PortIsOpen()
                    ? "open"
                    : "failed" + (failure.Failed() ? ", " + failure.text : std::string());
        trace_.Event('#', text);
    }
}

void TracingLine::PortClose() {
    Inner().PortClose();
    if (trace_.Active()) {
        trace_.Event('#', "close port");
    }
}

int TracingLine::PortRead(std::uint8_t* buffer, int maxCount) {
    const int n = Inner().PortRead(buffer, maxCount);
    if (n > 0 && trace_.Active()) {
        trace_.Bytes(TraceDirection::FromReadout, buffer, n);
    }
    return n;
}

void TracingLine::PortWrite(const std::uint8_t* buffer, int count) {
    if (trace_.Active()) {
        trace_.Bytes(TraceDirection::ToReadout, buffer, count);
    }
    Inner().PortWrite(buffer, count);
}

void TracingLine::PortPutChar(int byte) {
    if (trace_.Active()) {
        const auto b = static_cast<std::uint8_t>(byte);
        trace_.Bytes(TraceDirection::ToReadout, &b, 1);
    }
    Inner().PortPutChar(byte);
}

}  // namespace q417
