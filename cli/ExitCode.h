#pragma once

namespace q417::cli {

// Exit codes of q417cli; scripts rely on these numbers.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;        // the readout answered, but a command failed
inline constexpr int kExitUsage = 2;         // bad command line
inline constexpr int kExitPortNotOpen = 3;   // the serial port cannot be opened
inline constexpr int kExitNoReadout = 4;     // the port opened, but no readout answered
inline constexpr int kExitAccessDenied = 5;  // technician command without the right password

}  // namespace q417::cli
