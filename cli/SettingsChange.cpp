#include "SettingsChange.h"

#include "ExitCode.h"
#include "ReadoutMemoryMap.h"
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
    SharedSettings live;
    if (const int code = context.ConnectAndReadInformation(live); code != kExitOk) {
        return code;
    }
    ReadoutSettings request = live.Snapshot();
    // "now" is taken at the last moment, after the connection and the information read.
    ApplyTo(request, context.Time().CalendarSeconds());
    ReadoutMemoryMap map(context.Session().Commands(), context.Time());
    const int result = map.WriteSettings(request, Flags(), live);
    if (result != kResultDone) {
        return context.Fail(kExitFailed, ResultMessage(result));
    }
    context.Out() << ResultMessage(kResultDone) << '\n';
    return kExitOk;
}

}  // namespace q417::cli
