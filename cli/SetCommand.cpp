#include "SetCommand.h"

#include "ExitCode.h"
#include "ReadoutClockLimit.h"
#include "ReadoutStatusRows.h"
#include "ReadoutTables.h"
#include "TextEscaping.h"
#include "ValueChecks.h"
#include "ValueParsing.h"

namespace q417::cli {
namespace {

constexpr int kMaxDisplayDigits = 8;

std::optional<std::int8_t> CheckDigits(const std::string& text, ArgumentFault& fault) {
    int digits = 0;
    const NumberStatus status = ParseWholeNumber(text, digits);
    if (status == NumberStatus::NotANumber) {
        fault.message =
            "--digits takes a whole number from 0 to 8 (not \"" + TerminalText(text) + "\")";
        return std::nullopt;
    }
    if (status == NumberStatus::OutOfRange || digits < 0 || digits > kMaxDisplayDigits) {
        // The readout tool's own words, "/n" included.
        fault.message = "Invalid number of display digits./n 0 <= Digits <= 8";
        return std::nullopt;
    }
    return static_cast<std::int8_t>(digits);
}

std::optional<std::uint8_t> CheckPowerDown(const std::string& text, ArgumentFault& fault) {
    int code = 0;
    if (ParseWholeNumber(text, code) == NumberStatus::Ok && code >= 0 &&
        code < static_cast<int>(kPowerDownTexts.size())) {
        return static_cast<std::uint8_t>(code);
    }
    std::string codes;
    for (std::size_t i = 0; i < kPowerDownTexts.size(); ++i) {
        codes += (i > 0 ? ", " : "") + std::to_string(i) + ": " + kPowerDownTexts[i];
    }
    fault.message = "--power-down takes a code from 0 to " +
                    std::to_string(kPowerDownTexts.size() - 1) + " (" + codes + "), not \"" +
                    TerminalText(text) + "\"";
    return std::nullopt;
}

}  // namespace

std::optional<SettingsChange> ParseSetArguments(const CommandArguments& arguments,
                                                ArgumentFault& fault) {
    if (!arguments.Error().empty()) {
        fault = {arguments.Error(), true};
        return std::nullopt;
    }
    if (arguments.Empty()) {
        fault = {"set needs at least one value to write", true};
        return std::nullopt;
    }
    SettingsChange change;
    // In command-line order, so the first bad value is the one reported.
    for (const auto& [option, value] : arguments.Given()) {
        bool ok = true;
        if (option == "--display-units") {
            change.displayUnits = CheckUnitName(option, value, fault);
            ok = change.displayUnits.has_value();
        } else if (option == "--digits") {
            change.displayDigits = CheckDigits(value, fault);
            ok = change.displayDigits.has_value();
        } else if (option == "--power-down") {
            change.powerDown = CheckPowerDown(value, fault);
            ok = change.powerDown.has_value();
        } else if (option == "--clock") {
            if (value == "now") {
                change.clockNow = true;
            } else {
                std::string reason;
                DateTimeFault kind = DateTimeFault::None;
                change.clockSeconds = ParseLocalDateTime(value, reason, kind);
                ok = change.clockSeconds.has_value();
                if (kind == DateTimeFault::TooLate) {
                    fault.message = "--clock \"" + TerminalText(value) + "\": " + reason;
                } else if (!ok) {
                    fault.message = "--clock takes now or a local date and time " +
                                    std::string("\"YYYY/MM/DD HH:MM:SS\" (\"") +
                                    TerminalText(value) + "\": " + reason + ")";
                }
            }
        }
        if (!ok) {
            fault.showUsage = false;
            return std::nullopt;
        }
    }
    return change;
}

int RunSet(CommandContext& context, const std::vector<std::string>& args) {
    const CommandArguments arguments(args,
                                     {"--display-units", "--digits", "--power-down", "--clock"});
    ArgumentFault fault;
    const auto change = ParseSetArguments(arguments, fault);
    if (!change) {
        return fault.showUsage ? context.UsageError(fault.message, kSetUsage)
                               : context.Fail(kExitUsage, fault.message);
    }
    // "now" is taken by the link as it writes; a PC whose own clock is already too late would
    // set the readout's clock to a time it soon could not be read at.
    if (change->clockNow) {
        if (const std::int64_t now = context.Time().CalendarSeconds(); !ClockSettable(now)) {
            return context.Fail(kExitUsage, "--clock now: the PC's clock reads " +
                                                FormatLocalDateTime(now) + ". " +
                                                ClockTooLateMessage());
        }
    }
    return change->Write(context);
}

}  // namespace q417::cli
