#pragma once

#include <cstdint>

#include "ForwardingLine.h"
#include "LineTrace.h"

namespace q417 {

// A line that writes what crosses it, and the port's openings and closings, to a trace. While
// the trace is off it costs one atomic test per call.
class TracingLine final : public ForwardingLine {
  public:
    // trace must outlive the line.
    TracingLine(SerialLine& inner, LineTrace& trace) : ForwardingLine(inner), trace_(trace) {}

    void PortOpen(int portNumber, int baudRate) override;
    void PortClose() override;
    int PortRead(std::uint8_t* buffer, int maxCount) override;
    void PortWrite(const std::uint8_t* buffer, int count) override;
    void PortPutChar(int byte) override;

  private:
    LineTrace& trace_;
};

}  // namespace q417
