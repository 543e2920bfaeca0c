#include "CliOptions.h"

#include <charconv>

namespace q417::cli {
namespace {

bool ParseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && ptr == end;
}

}  // namespace

const char* UsageText() {
    return "usage: q417cli [--device PATH | --port N] [--baud RATE] COMMAND\n"
           "\n"
           "Commands:\n"
           "  probe    wake the readout and print its version, battery, clock and\n"
           "           information area\n"
           "\n"
           "Options:\n"
           "  --device PATH  serial device of the readout (e.g. /dev/ttyUSB0)\n"
           "  --port N       port number 1 to 20, opening /dev/ttyUSB<N-1>; 0 is disabled\n"
           "  --baud RATE    baud rate to switch the readout to (default 115200)\n"
           "\n"
           "Exit codes: 0 done, 1 a command failed, 2 usage, 3 port cannot be opened,\n"
           "4 no readout answered.\n";
}

std::optional<CliOptions> CliOptions::Parse(const std::vector<std::string>& args,
                                            std::string& error) {
    CliOptions options;
    bool deviceGiven = false;
    bool portGiven = false;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) {
            break;
        }
        if (arg == "--help" || arg == "-h") {
            options.command = "help";
            return options;
        }
        if (i + 1 >= args.size()) {
            error = arg + " needs a value";
            return std::nullopt;
        }
        const std::string& value = args[++i];
        if (arg == "--device") {
            options.device = value;
            deviceGiven = true;
        } else if (arg == "--port") {
            if (!ParseInt(value, options.portNumber) || options.portNumber < 0 ||
                options.portNumber > 20) {
                error = "--port takes a number from 0 to 20";
                return std::nullopt;
            }
            portGiven = true;
        } else if (arg == "--baud") {
            if (!ParseInt(value, options.baudRate) || options.baudRate < 1200) {
                error = "--baud takes a baud rate such as 115200";
                return std::nullopt;
            }
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    if (deviceGiven && portGiven && options.portNumber == 0) {
        error = "--device cannot be used with the port disabled (--port 0)";
        return std::nullopt;
    }
    if (i >= args.size()) {
        error = "no command given";
        return std::nullopt;
    }
    options.command = args[i];
    options.arguments.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
    return options;
}

}  // namespace q417::cli
