#include "SetCommand.h"

#include <limits>

#include "ExitCode.h"
#include "ReadoutStatusRows.h"
#include "ReadoutTables.h"
#include "SettingsWrite.h"
#include "TextEscaping.h"
#include "ValueChecks.h"
#include "ValueParsing.h"

namespace q417::cli {
namespace {

// The digits as a number; a number too large for an int is out of range as much as 9 is.
std::optional<int> ParseDigits(const std::string& text, ArgumentFault& fault) {
    int digits = 0;
    switch (ParseWholeNumber(text, digits)) {
        case NumberStatus::Ok:
            return digits;
        case NumberStatus::OutOfRange:
            return std::numeric_limits<int>::max();
        case NumberStatus::NotANumber:
            break;
    }
    fault.message =
        "--digits takes a whole number from 0 to 8 (not \"" + TerminalText(text) + "\")";
    return std::nullopt;
}

// A code of the list, or nothing with fault naming them all.
std::optional<int> ParsePowerDown(const std::string& text, ArgumentFault& fault) {
    int code = 0;
    if (ParseWholeNumber(text, code) == NumberStatus::Ok && code >= 0 &&
        code < static_cast<int>(kPowerDownTexts.size())) {
        return code;
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

// Puts one option's value into change; false with fault set when it is refused.
bool TakeValue(const std::string& option, const std::string& value, std::int64_t pcCalendarSeconds,
               SettingsChange& change, ArgumentFault& fault) {
    std::optional<std::string> refusal;
    if (option == "--display-units") {
        const std::optional<std::uint8_t> code = CheckUnitName(option, value, fault);
        if (!code) {
            return false;
        }
        refusal = change.SetDisplayUnits(*code);
    } else if (option == "--digits") {
        const std::optional<int> digits = ParseDigits(value, fault);
        if (!digits) {
            return false;
        }
        refusal = change.SetDisplayDigits(*digits);
    } else if (option == "--power-down") {
        const std::optional<int> code = ParsePowerDown(value, fault);
        if (!code) {
            return false;
        }
        refusal = change.SetPowerDown(*code);
    } else if (option == "--clock" && value == "now") {
        if (refusal = change.SetClockToPcTime(pcCalendarSeconds); refusal) {
            // "now" is taken by the link as it writes; a PC whose own clock is already too late
            // would set the readout's clock to a time it soon could not be read at.
            fault.message = "--clock now: the PC's clock reads " +
                            FormatLocalDateTime(pcCalendarSeconds) + ". " + *refusal;
            return false;
        }
    } else if (option == "--clock") {
        std::string reason;
        DateTimeFault kind = DateTimeFault::None;
        const std::optional<std::int64_t> clock = ParseLocalDateTime(value, reason, kind);
        // Out of the readout's years: refused with the settings change's own text below.
        if (!clock && kind != DateTimeFault::TooLate && kind != DateTimeFault::TooEarly) {
            fault.message = "--clock takes now or a local date and time " +
                            std::string("\"YYYY/MM/DD HH:MM:SS\" (\"") + TerminalText(value) +
                            "\": " + reason + ")";
            return false;
        }
        refusal = clock ? change.SetClock(*clock) : reason;
        if (refusal) {
            fault.message = "--clock \"" + TerminalText(value) + "\": " + *refusal;
            return false;
        }
    }
    if (refusal) {
        fault.message = *refusal;
        return false;
    }
    return true;
}

}  // namespace

std::optional<SettingsChange> ParseSetArguments(const CommandArguments& arguments,
                                                std::int64_t pcCalendarSeconds,
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
        if (!TakeValue(option, value, pcCalendarSeconds, change, fault)) {
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
    const auto change = ParseSetArguments(arguments, context.Time().CalendarSeconds(), fault);
    if (!change) {
        return fault.showUsage ? context.UsageError(fault.message, kSetUsage)
                               : context.Fail(kExitUsage, fault.message);
    }
    return WriteSettingsChange(context, *change);
}

}  // namespace q417::cli
