#include "CaptureCommand.h"

#include "CommandArguments.h"
#include "ExitCode.h"
#include "TechnicianPassword.h"
#include "TextEscaping.h"

namespace q417::cli {
namespace {

// A signal may come padded on the left to its fixed width.
std::string WithoutLeadingBlanks(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first);
}

}  // namespace

int RunCapture(CommandContext& context, const std::vector<std::string>& args) {
    const CommandArguments arguments(args, {"--password"});
    if (const int code = CheckTechnicianPassword(context, arguments); code != kExitOk) {
        return code;
    }
    if (!arguments.Error().empty()) {
        return context.UsageError(arguments.Error(), kCaptureUsage);
    }
    if (const int code = context.Connect(); code != kExitOk) {
        return code;
    }
    bool done = false;
    if (const LinkOutcome outcome = context.Session().Capture(done); outcome != LinkOutcome::Done) {
        return context.FailJob(outcome, "the calibration capture");
    }
    if (!done) {
        return context.Fail(kExitFailed, "the readout did not answer the calibration capture");
    }
    const ReadoutSettings captured = context.Session().Settings();
    context.Out() << "Pressure Reading: "
                  << TerminalText(WithoutLeadingBlanks(captured.calPressureText)) << " Volts\n"
                  << "Temperature Reading: "
                  << TerminalText(WithoutLeadingBlanks(captured.calTemperatureText)) << " Volts\n";
    return kExitOk;
}

}  // namespace q417::cli
