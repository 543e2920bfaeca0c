// q417cli: the readout from the command line. Like the window, it is a front end of the
// readout link (CReadoutLink and its worker); only probe talks to the readout directly.

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "CliOptions.h"
#include "CommandContext.h"
#include "CommandTable.h"
#include "ExitCode.h"
#include "LineTrace.h"
#include "PortDevice.h"
#include "PosixSerialLine.h"
#include "Q417Version.h"
#include "SignalWatch.h"
#include "SteadyClock.h"
#include "TracingLine.h"

int main(int argc, char** argv) {
    using namespace q417;
    using namespace q417::cli;

    // Before any thread starts: Ctrl-C and SIGTERM become a request the command acts on.
    SignalWatch signals;
    // A file size limit makes a write fail (EFBIG), which the files handle, instead of
    // killing the program in the middle of it.
    std::signal(SIGXFSZ, SIG_IGN);

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
    if (options->command == "version") {
        std::cout << "q417cli " << kVersion << '\n';
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
    PosixSerialLine posixLine([&devices](int port) { return PortDevicePath(port, devices); });
    SteadyClock clock;
    // Every command's traffic, the link's and probe's own, passes the trace; off, it costs a test.
    LineTrace trace(clock);
    TracingLine line(posixLine, trace);
    if (!options->tracePath.empty()) {
        // As an unusable --out file is: nothing is sent before the command line is sound.
        if (std::string traceError; !trace.Start(options->tracePath, traceError)) {
            std::cerr << "q417cli: --trace: cannot write the trace file " << traceError << '\n';
            return kExitUsage;
        }
    }
    const LinkOptions link{options->portNumber, options->baudRate,
                           static_cast<std::int64_t>(options->timeoutSeconds) * 1000,
                           &signals.Requested(), trace.Active() ? &trace : nullptr};

    PortDescription port;
    port.disabled = options->portNumber == 0;
    port.name =
        port.disabled ? std::string("(disabled)") : PortDevicePath(options->portNumber, devices);
    CommandContext context(line, clock, link, port, std::cout, std::cerr);
    return RunCommand(options->command, context, options->arguments);
}
