#pragma once

#include "Clock.h"
#include "ReadoutCommands.h"
#include "ReadoutTransport.h"
#include "SerialLine.h"

namespace q417::cli {

enum class ConnectResult {
    Connected,
    PortNotOpen,  // the port did not open (or did not reopen at the new baud rate)
    NoReadout,    // the port opened, but no readout woke up
};

// One connection to the readout, made as the link's worker makes it: probe-open the port at
// 115200, wake the readout (reopening between attempts), then switch to the desired baud rate.
class ReadoutSession {
  public:
    ReadoutSession(SerialLine& line, Clock& clock, int portNumber, int desiredBaud);

    // wakeRounds: how many two-try wake-ups to make before giving up.
    [[nodiscard]] ConnectResult Connect(int wakeRounds = 2);

    [[nodiscard]] ReadoutTransport& Transport() { return transport_; }
    [[nodiscard]] ReadoutCommands& Commands() { return commands_; }

  private:
    ReadoutTransport transport_;
    ReadoutCommands commands_;
};

}  // namespace q417::cli
