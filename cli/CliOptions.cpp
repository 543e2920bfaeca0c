#include "CliOptions.h"

#include "PosixSerialLine.h"
#include "ValueParsing.h"

namespace q417::cli {
namespace {

bool ParseInt(const std::string& text, int& value) {
    return ParseWholeNumber(text, value) == NumberStatus::Ok;
}

}  // namespace

const char* UsageText() {
    return "usage: q417cli [--device PATH | --port N] [--baud RATE] [--timeout S] [--trace FILE]\n"
           "               COMMAND [ARGUMENTS]\n"
           "\n"
           "Commands:\n"
           "  probe          wake the readout and print its version, battery, clock and\n"
           "                 information area\n"
           "  status [--json]\n"
           "                 print the readout's status page (as one JSON object with --json)\n"
           "  set [--display-units NAME] [--digits N] [--power-down CODE]\n"
           "      [--clock now|\"YYYY/MM/DD HH:MM:SS\"]\n"
           "                 write the values given: display units (Volts, PSI, kPa, In H2O,\n"
           "                 Ft H2O, mm H2O, M H2O), display digits 0 to 8, power-down code\n"
           "                 (0: 5, 1: 15, 2: 30, 3: 45, 4: 60 minutes), clock in local time\n"
           "  calibrate --password TEXT [--serial S] [--multiplier M] [--offset O] [--zero Z]\n"
           "            [--cal-units NAME] [--initialize]\n"
           "                 technician: write serial number (at most 8 characters),\n"
           "                 calibration and units; --initialize initialises the readout first\n"
           "  reset-battery --password TEXT\n"
           "                 technician: reset the battery statistics after a battery change\n"
           "  capture --password TEXT\n"
           "                 technician: measure and print the pressure and temperature signals\n"
           "  download --out FILE.ini [--sync-clock]\n"
           "                 read every site of the readout into a site file; their readings\n"
           "                 are added to the history file beside it (FILE.csv); --sync-clock\n"
           "                 then sets the readout's clock to the PC's time\n"
           "  upload FILE.ini [--clear-readings] [--verify]\n"
           "                 write the sites of a site file to the readout, keeping its stored\n"
           "                 readings unless --clear-readings; --verify reads them back\n"
           "  history FILE.csv [--site LOCATION]... [--unit NAME] [--format csv|json]\n"
           "          [--stats]\n"
           "                 print each reading of a history file once, in time order, in\n"
           "                 the unit NAME (else each site's last unit); --site picks sites\n"
           "                 by location; --stats prints each site's count, first and last\n"
           "                 time, minimum, maximum and mean instead. Needs no readout: a\n"
           "                 file that cannot be read or a --site it lacks exits 1\n"
           "\n"
           "Options:\n"
           "  --device PATH  serial device of the readout (e.g. /dev/ttyUSB0)\n"
           "  --port N       port number 1 to 20, opening /dev/ttyUSB<N-1>; 0 is disabled\n"
           "  --baud RATE    baud rate to switch the readout to (default 115200)\n"
           "  --timeout S    seconds to wait for the readout to answer, or for a transfer to\n"
           "                 resume after a communication error (default 20)\n"
           "  --trace FILE   write every exchange with the readout to FILE, with the time in\n"
           "                 ms, for support; a FILE that cannot be written is a usage error\n"
           "  --help         show this text\n"
           "  --version      print the version of q417cli\n"
           "\n"
           "Exit codes: 0 done, 1 a command failed, 2 usage, 3 port cannot be opened,\n"
           "4 no readout answered, 5 wrong technician password.\n";
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
        if (arg == "--version") {
            options.command = "version";
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
        } else if (arg == "--timeout") {
            if (!ParseInt(value, options.timeoutSeconds) || options.timeoutSeconds < 1 ||
                options.timeoutSeconds > 3600) {
                error = "--timeout takes a number of seconds from 1 to 3600";
                return std::nullopt;
            }
        } else if (arg == "--trace") {
            if (value.empty()) {
                error = "--trace takes the name of the file to write the trace to";
                return std::nullopt;
            }
            options.tracePath = value;
        } else if (arg == "--baud") {
            if (!ParseInt(value, options.baudRate) ||
                !PosixSerialLine::SupportsBaudRate(options.baudRate)) {
                error =
                    "--baud takes a baud rate the serial line supports, such as 9600, 57600 "
                    "or 115200";
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
