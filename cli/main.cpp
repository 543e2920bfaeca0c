// q417cli: the readout from the command line, on the same link code as the window.

#include <iostream>
#include <string>
#include <vector>

#include "CliOptions.h"
#include "ExitCode.h"
#include "PortDevice.h"
#include "PosixSerialLine.h"
#include "ProbeCommand.h"
#include "ReadoutSession.h"
#include "SteadyClock.h"

int main(int argc, char** argv) {
    using namespace q417;
    using namespace q417::cli;

    std::string error;
    const auto options = CliOptions::Parse(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "q417cli: " << error << "\n\n" << UsageText();
        return kExitUsage;
    }
    if (options->command == "help") {
        std::cout << UsageText();
        return kExitOk;
    }
    if (options->command != "probe") {
        std::cerr << "q417cli: unknown command " << options->command << "\n\n" << UsageText();
        return kExitUsage;
    }
    if (!options->arguments.empty()) {
        std::cerr << "q417cli: probe takes no arguments\n\n" << UsageText();
        return kExitUsage;
    }

    // --device names the device of the chosen port for this run only.
    PortDeviceTable devices;
    if (!options->device.empty()) {
        devices[options->portNumber] = options->device;
    }
    PosixSerialLine line([&devices](int port) { return PortDevicePath(port, devices); });
    SteadyClock clock;
    ReadoutSession session(line, clock, options->portNumber, options->baudRate);

    const std::string portText = options->portNumber == 0
                                     ? std::string("(disabled)")
                                     : PortDevicePath(options->portNumber, devices);
    const int code = RunProbe(session, portText, std::cout, std::cerr);
    if (code == kExitPortNotOpen) {
        if (options->portNumber == 0) {
            std::cerr << "q417cli: the port is disabled (--port 0)\n";
        } else {
            const std::string reason = line.LastOpenFailureText();
            std::cerr << "q417cli: cannot open the port: "
                      << (reason.empty() ? portText + ": closed by the device" : reason) << '\n';
        }
    }
    return code;
}
