#pragma once

#include <ostream>

#include "ReadoutSession.h"

namespace q417::cli {

// Connects, then reads and prints the firmware version, battery voltage and statistics, the
// clock and the information area (as a hex dump). Returns the exit code. portText names the
// port for the messages. When the port does not open nothing is printed: the caller holds the
// line and so the reason.
[[nodiscard]] int RunProbe(ReadoutSession& session, const std::string& portText, std::ostream& out,
                           std::ostream& err);

}  // namespace q417::cli
