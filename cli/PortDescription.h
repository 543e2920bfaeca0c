#pragma once

#include <functional>
#include <string>

namespace q417::cli {

// The serial port as the messages name it.
struct PortDescription {
    std::string name;       // the device path, or "(disabled)"
    bool disabled = false;  // --port 0
    // Why the last open failed, in words ("" when the line cannot tell).
    std::function<std::string()> openFailureText;
};

}  // namespace q417::cli
