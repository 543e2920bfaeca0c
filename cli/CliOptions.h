#pragma once

#include <optional>
#include <string>
#include <vector>

namespace q417::cli {

// The command line: global options, then a command and its own arguments.
struct CliOptions {
    std::string device;  // --device: overrides the device of the port
    int portNumber = 1;  // --port: 0 is "Disabled"
    int baudRate = 115200;
    // --timeout: how long to wait for a readout, and for a transfer to resume after an error.
    int timeoutSeconds = 20;
    std::string tracePath;  // --trace: a line trace of the run goes here; empty: none
    std::string command;
    std::vector<std::string> arguments;  // what follows the command

    // Parses argv; on a usage error returns nothing and sets error to a one-line reason.
    [[nodiscard]] static std::optional<CliOptions> Parse(const std::vector<std::string>& args,
                                                         std::string& error);
};

[[nodiscard]] const char* UsageText();

}  // namespace q417::cli
