#include "ResetBatteryCommand.h"

#include "CommandArguments.h"
#include "ExitCode.h"
#include "ReadoutSettings.h"
#include "ReadoutTables.h"
#include "TechnicianPassword.h"

namespace q417::cli {

int RunResetBattery(CommandContext& context, const std::vector<std::string>& args) {
    const CommandArguments arguments(args, {"--password"});
    if (const int code = CheckTechnicianPassword(context, arguments); code != kExitOk) {
        return code;
    }
    if (!arguments.Error().empty()) {
        return context.UsageError(arguments.Error(), kResetBatteryUsage);
    }
    if (const int code = context.Connect(); code != kExitOk) {
        return code;
    }
    int result = kResultDone;
    if (const LinkOutcome outcome = context.Session().ResetBattery(result);
        outcome != LinkOutcome::Done) {
        return context.FailJob(outcome, "the battery reset");
    }
    if (result != kResultDone) {
        // The reset has no message of its own: code 11, "Unknown error occurred".
        return context.Fail(kExitFailed, ResultMessage(kResultInitialize));
    }
    context.Out() << ResultMessage(kResultDone) << '\n';
    return kExitOk;
}

}  // namespace q417::cli
