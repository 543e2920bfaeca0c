#include "CalibrateCommand.h"

#include "ExitCode.h"
#include "SettingsWrite.h"
#include "TechnicianPassword.h"
#include "ValueChecks.h"

namespace q417::cli {
namespace {

// Puts one option's value into change; false with fault set when it is refused.
bool TakeValue(const std::string& option, const std::string& value, SettingsChange& change,
               ArgumentFault& fault) {
    std::optional<std::string> refusal;
    if (option == "--serial") {
        // Refused here, before the port opens, so that nothing at all is sent.
        refusal = change.SetSerialNumber(value);
    } else if (option == "--multiplier" || option == "--offset" || option == "--zero") {
        // A text that is no number, or none a float can hold, is refused by its parsing.
        const std::optional<float> number = CheckFloat(option, value, fault);
        if (!number) {
            return false;
        }
        refusal = option == "--multiplier" ? change.SetMultiplier(*number)
                  : option == "--offset"   ? change.SetOffset(*number)
                                           : change.SetZero(*number);
    } else if (option == "--cal-units") {
        const std::optional<std::uint8_t> code = CheckUnitName(option, value, fault);
        if (!code) {
            return false;
        }
        refusal = change.SetCalUnits(*code);
    } else if (option == "--initialize") {
        change.SetInitialize();
    }
    if (refusal) {
        fault.message = *refusal;
        return false;
    }
    return true;
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
        if (!TakeValue(option, value, change, fault)) {
            fault.showUsage = false;
            return std::nullopt;
        }
    }
    if (change.Empty()) {
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
    return WriteSettingsChange(context, *change);
}

}  // namespace q417::cli
