#include "SettingsChange.h"

#include "ExitCode.h"
#include "ReadoutTables.h"

namespace q417::cli {

int SettingsChange::Flags() const {
    int flags = 0;
    flags |= initialize ? SET_INITIALIZE : 0;
    flags |= serialNumber ? SET_SERIAL_NUMBER : 0;
    flags |= multiplier ? SET_MULTIPLIER : 0;
    flags |= offset ? SET_OFFSET : 0;
    flags |= calUnits ? SET_CAL_UNITS : 0;
    flags |= zero ? SET_ZERO : 0;
    flags |= displayUnits ? SET_DISPLAY_UNITS : 0;
    flags |= displayDigits ? SET_DISPLAY_DIGITS : 0;
    flags |= powerDown ? SET_POWER_DOWN : 0;
    flags |= (clockSeconds || clockNow) ? SET_CLOCK : 0;
    return flags;
}

void SettingsChange::ApplyTo(ReadoutSettings& request, std::int64_t calendarNowSeconds) const {
    if (serialNumber) {
        request.serialNumber = *serialNumber;
    }
    if (multiplier) {
        request.multiplier = *multiplier;
    }
    if (offset) {
        request.offset = *offset;
    }
    if (calUnits) {
        request.calUnits = *calUnits;
        request.calUnitsName = UnitName(*calUnits);
    }
    if (zero) {
        request.zero = *zero;
    }
    if (displayUnits) {
        request.displayUnits = *displayUnits;
        request.displayUnitsName = UnitName(*displayUnits);
    }
    if (displayDigits) {
        request.displayDigits = *displayDigits;
    }
    if (powerDown) {
        request.powerDown = *powerDown;
        request.powerDownText = PowerDownText(*powerDown);
    }
    if (clockNow) {
        request.readoutClock = calendarNowSeconds;
    } else if (clockSeconds) {
        request.readoutClock = *clockSeconds;
    }
}

int SettingsChange::Write(CommandContext& context) const {
    if (const int code = context.Connect(); code != kExitOk) {
        return code;
    }
    LinkSession& session = context.Session();
    ReadoutSettings request = session.Settings();
    ApplyTo(request, 0);
    // The clock comes last in a settings write. "now" is left to the link, which takes the PC's
    // time as it writes it, as it does to keep the clock in step after a download.
    const int flags = clockNow ? Flags() & ~SET_CLOCK : Flags();
    int result = kResultDone;
    if (const LinkOutcome outcome = session.WriteSettings(request, flags, result);
        outcome != LinkOutcome::Done) {
        return context.FailJob(outcome, "the settings write",
                               "the readout may hold some of the new values");
    }
    if (result != kResultDone) {
        return context.Fail(kExitFailed, ResultMessage(result));
    }
    if (clockNow) {
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
