#pragma once

#include <string>

namespace q417::cli {

// Why a command's arguments were refused.
struct ArgumentFault {
    std::string message;
    // True when the command line as a whole is wrong (an unknown option, nothing to do), so the
    // command's usage line helps; false for one bad value, which the message names.
    bool showUsage = false;
};

}  // namespace q417::cli
