#pragma once

#include <string>

namespace q417::cli {

// The serial port as the messages name it.
struct PortDescription {
    std::string name;       // the device path, or "(disabled)"
    bool disabled = false;  // --port 0
};

}  // namespace q417::cli
