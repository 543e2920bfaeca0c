#include "SettingsWrite.h"

#include "ExitCode.h"
#include "ReadoutTables.h"

namespace q417::cli {

int WriteSettingsChange(CommandContext& context, const SettingsChange& change) {
    if (const int code = context.Connect(); code != kExitOk) {
        return code;
    }
    LinkSession& session = context.Session();
    int result = kResultDone;
    if (const LinkOutcome outcome = session.WriteSettings(change, result);
        outcome != LinkOutcome::Done) {
        return context.FailJob(outcome, "the settings write",
                               "the readout may hold some of the new values");
    }
    if (result != kResultDone) {
        return context.Fail(kExitFailed, ResultMessage(result));
    }
    // The clock comes last, as in a settings write, taken by the link as it writes it.
    if (change.ClockToPcTime()) {
        if (const LinkOutcome outcome = session.SyncClock(); outcome != LinkOutcome::Done) {
            return context.FailJob(outcome, "setting the clock");
        }
        const ReadoutSettings after = session.Settings();
        if (after.readoutClock != after.readTime) {
            return context.Fail(kExitFailed, ResultMessage(kResultClock));
        }
    }
    context.Out() << ResultMessage(kResultDone) << '\n';
    return kExitOk;
}

}  // namespace q417::cli
