#include "ReadoutSession.h"

namespace q417::cli {

ReadoutSession::ReadoutSession(SerialLine& line, Clock& clock, int portNumber, int desiredBaud)
    : transport_(line, clock), commands_(transport_) {
    transport_.SetPortNumber(portNumber);
    transport_.SetDesiredBaud(desiredBaud);
}

ConnectResult ReadoutSession::Connect(int wakeRounds) {
    if (!transport_.OpenPortProbing()) {
        return ConnectResult::PortNotOpen;
    }
    for (int round = 0; round < wakeRounds; ++round) {
        if (transport_.WakeReadout(2)) {
            // A port that did not open on the probe cannot have its rate changed either.
            if (!transport_.ProbeFlag()) {
                transport_.SetDesiredBaud(transport_.CurrentBaud());
            }
            transport_.SwitchBaud();
            return transport_.Line().PortIsOpen() ? ConnectResult::Connected
                                                  : ConnectResult::PortNotOpen;
        }
        if (!transport_.Line().PortIsOpen()) {
            return ConnectResult::PortNotOpen;  // unplugged while we were waking it
        }
        if (transport_.ProbeFlag() && round + 1 < wakeRounds) {
            transport_.OpenPortAt(ReadoutTransport::kProbeBaud);  // start again at 115200 in case the readout fell back
        }
    }
    return ConnectResult::NoReadout;
}

}  // namespace q417::cli
