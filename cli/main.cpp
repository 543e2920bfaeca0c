// q417cli: the readout from the command line, on the same link code as the window.

#include <iostream>
#include <string>
#include <vector>

#include "CliOptions.h"
#include "CommandContext.h"
#include "CommandTable.h"
#include "ExitCode.h"
#include "PortDevice.h"
#include "PosixSerialLine.h"
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
    if (!IsCommand(options->command)) {
        std::cerr << "q417cli: unknown command " << options->command << "\n\n" << UsageText();
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

    PortDescription port;
    port.disabled = options->portNumber == 0;
    port.name =
        port.disabled ? std::string("(disabled)") : PortDevicePath(options->portNumber, devices);
    port.openFailureText = [&line] { return line.LastOpenFailureText(); };
    CommandContext context(session, port, std::cout, std::cerr);
    return RunCommand(options->command, context, options->arguments);
}
