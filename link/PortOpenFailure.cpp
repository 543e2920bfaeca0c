#include "PortOpenFailure.h"

namespace q417 {

const char* OpenFailureText(OpenFailure failure) {
    switch (failure) {
        case OpenFailure::None:
            return "open";
        case OpenFailure::Disabled:
            return "disabled";
        case OpenFailure::NoSuchDevice:
            return "no such device";
        case OpenFailure::PermissionDenied:
            return "permission denied (is the user in the dialout group?)";
        case OpenFailure::Busy:
            return "busy (another program is using it)";
        case OpenFailure::NotATerminal:
            return "not a serial device";
        case OpenFailure::UnsupportedBaud:
            return "baud rate not supported";
        case OpenFailure::Other:
            break;
    }
    return "cannot be opened";
}

}  // namespace q417
