#include "CalibrateCommand.h"

#include <algorithm>

#include "ExitCode.h"
#include "ReadoutMemoryMap.h"
#include "TechnicianPassword.h"
#include "ValueChecks.h"

namespace q417::cli {
namespace {

std::optional<std::string> CheckSerial(const std::string& text, ArgumentFault& fault) {
    // Checked here as well as by the write, so that nothing at all is sent.
    if (text.size() > static_cast<std::size_t>(ReadoutMemoryMap::kMaxSerialLength)) {
        fault.message = "Serial number must less than 9 characters.";
        return std::nullopt;
    }
    const bool printable = std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
    });
    if (!printable) {
        fault.message = "--serial takes printable ASCII characters only";
        return std::nullopt;
    }
    // The serial number becomes a field of every site and history line.
    if (text.empty() || text.find(',') != std::string::npos) {
        fault.message = "--serial takes a serial number of 1 to 8 characters without a comma";
        return std::nullopt;
    }
    return text;
}

}  // namespace

std::optional<SettingsChange> ParseCalibrateArguments(const CommandArguments& arguments,
                                                      ArgumentFault& fault) {
    if (!arguments.Error().empty()) {
        fault = {arguments.Error(), true};
        return std::nullopt;
    }
    SettingsChange change;
    // In command-line order, so the first bad value is the one reported.
    for (const auto& [option, value] : arguments.Given()) {
        bool ok = true;
        if (option == "--serial") {
            change.serialNumber = CheckSerial(value, fault);
            ok = change.serialNumber.has_value();
        } else if (option == "--multiplier") {
            change.multiplier = CheckFloat(option, value, fault);
            ok = change.multiplier.has_value();
            // Compared as the float the readout would hold: "-0" and "1e-50" are zero too.
            if (ok && *change.multiplier == 0.0f) {
                fault.message = "Invalid multiplier.";
                ok = false;
            }
        } else if (option == "--offset") {
            change.offset = CheckFloat(option, value, fault);
            ok = change.offset.has_value();
        } else if (option == "--zero") {
            change.zero = CheckFloat(option, value, fault);
            ok = change.zero.has_value();
        } else if (option == "--cal-units") {
            change.calUnits = CheckUnitName(option, value, fault);
            ok = change.calUnits.has_value();
        } else if (option == "--initialize") {
            change.initialize = true;
        }
        if (!ok) {
            fault.showUsage = false;
            return std::nullopt;
        }
    }
    if (change.Flags() == 0) {
        fault = {"calibrate needs at least one value to write", true};
        return std::nullopt;
    }
    return change;
}

int RunCalibrate(CommandContext& context, const std::vector<std::string>& args) {
    const CommandArguments arguments(
        args, {"--password", "--serial", "--multiplier", "--offset", "--zero", "--cal-units"},
        {"--initialize"});
    if (const int code = CheckTechnicianPassword(context, arguments); code != kExitOk) {
        return code;
    }
    ArgumentFault fault;
    const auto change = ParseCalibrateArguments(arguments, fault);
    if (!change) {
        return fault.showUsage ? context.UsageError(fault.message, kCalibrateUsage)
                               : context.Fail(kExitUsage, fault.message);
    }
    return change->Write(context);
}

}  // namespace q417::cli
