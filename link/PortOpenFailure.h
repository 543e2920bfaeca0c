#pragma once

#include <string>

namespace q417 {

// Why a port did not open, in the terms a technician can act on.
enum class OpenFailure {
    None,
    Disabled,          // the port number is "Disabled": nothing is opened
    NoSuchDevice,      // ENOENT, ENODEV, ENXIO: nothing plugged in under that name
    PermissionDenied,  // EACCES, EPERM: usually not in the dialout group
    Busy,              // EBUSY or locked: another program holds the port
    NotATerminal,      // the path is not a serial device
    UnsupportedBaud,   // no termios speed for the requested rate
    Other,
};

// The reason in a few words ("permission denied (is the user in the dialout group?)").
[[nodiscard]] const char* OpenFailureText(OpenFailure failure);

// The outcome of the last open of a port: why it failed, and one line for the user that names
// the device ("/dev/ttyUSB0: no such device"). Both empty after a good open.
struct PortOpenFailure {
    OpenFailure reason = OpenFailure::None;
    std::string text;

    [[nodiscard]] bool Failed() const { return reason != OpenFailure::None; }
    // Waiting does not mend these: the user has to change something first.
    [[nodiscard]] bool Lasting() const {
        return reason == OpenFailure::Disabled || reason == OpenFailure::PermissionDenied ||
               reason == OpenFailure::NotATerminal || reason == OpenFailure::UnsupportedBaud;
    }

    friend bool operator==(const PortOpenFailure&, const PortOpenFailure&) = default;
};

}  // namespace q417
