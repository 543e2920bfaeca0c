#include "ProbeCommand.h"

#include <array>
#include <cstdio>
#include <string>

#include "ExitCode.h"
#include "HexDump.h"
#include "ReadoutCommands.h"
#include "ReadoutStatusRows.h"
#include "ReadoutTransport.h"

namespace q417::cli {
namespace {

constexpr int kInfoFirst = 0x0000;
constexpr int kInfoLast = 0x047F;  // 1152 bytes

std::string Number(float value, const char* unit = "") {
    char text[48];
    std::snprintf(text, sizeof text, "%g%s", static_cast<double>(value), unit);
    return text;
}

// probe shows the raw exchange, so it is the one command that talks to the readout without
// the link's worker. It connects as the worker does: a probing open at 115200, wake-ups with
// the port reopened at 115200 between them, then the switch to the desired rate.
int ConnectDirectly(CommandContext& context, ReadoutTransport& transport) {
    constexpr int kWakeRounds = 2;
    transport.SetPortNumber(context.LinkSettings().portNumber);
    transport.SetDesiredBaud(context.LinkSettings().desiredBaud);
    const auto portNotOpen = [&] { return context.FailPortNotOpen(transport.LastOpenFailure()); };
    if (!transport.OpenPortProbing()) {
        return portNotOpen();
    }
    for (int round = 0; round < kWakeRounds; ++round) {
        if (transport.WakeReadout(2)) {
            // A port that did not open on the probe cannot have its rate changed either.
            if (!transport.ProbeFlag()) {
                transport.SetDesiredBaud(transport.CurrentBaud());
            }
            transport.SwitchBaud();
            return transport.Line().PortIsOpen() ? kExitOk : portNotOpen();
        }
        if (!transport.Line().PortIsOpen()) {
            return portNotOpen();  // unplugged while we were waking it
        }
        if (transport.ProbeFlag() && round + 1 < kWakeRounds) {
            transport.OpenPortAt(ReadoutTransport::kProbeBaud);  // in case the readout fell back
        }
    }
    return context.Fail(kExitNoReadout, "no readout answered on " + context.Port().name +
                                            " (is it connected and switched on?)");
}

void Row(std::ostream& out, const char* label, const std::string& value) {
    char text[40];
    std::snprintf(text, sizeof text, "%-25s", label);
    out << text << value << '\n';
}

}  // namespace

int RunProbe(CommandContext& context, const std::vector<std::string>& args) {
    if (!args.empty()) {
        return context.UsageError("probe takes no arguments", kProbeUsage);
    }
    ReadoutTransport transport(context.Line(), context.Time());
    ReadoutCommands commands(transport);
    // The port is closed however probe ends, as the worker closes it when it stops.
    struct PortCloser {
        ReadoutTransport& transport;
        ~PortCloser() { transport.ClosePort(); }
    } closer{transport};
    if (const int code = ConnectDirectly(context, transport); code != kExitOk) {
        return code;
    }
    std::ostream& out = context.Out();
    bool allAnswered = true;
    auto answer = [&](bool ok, const std::string& text) {
        allAnswered = allAnswered && ok;
        return ok ? text : std::string(kNoAnswer);
    };

    Row(out, "Port:", context.Port().name);
    Row(out, "Baud rate:", std::to_string(transport.CurrentBaud()));

    float version = 0;
    const bool versionOk = commands.ReadFirmwareVersion(version);
    Row(out, "Firmware version:", answer(versionOk, Number(version)));

    float volts = 0;
    const bool voltsOk = commands.ReadBatteryVoltage(volts);
    Row(out, "Battery voltage:", answer(voltsOk, Number(volts, " V")));

    BatteryStats stats;
    const bool statsOk = commands.ReadBatteryStats(stats);
    Row(out, "Display on time:", answer(statsOk, Number(stats.displayOnTime)));
    Row(out, "Backlight time:", answer(statsOk, Number(stats.backlightTime)));
    Row(out, "Sleep time:", answer(statsOk, Number(stats.sleepTime)));
    Row(out, "Battery life remaining:", answer(statsOk, Number(stats.batteryLifeRemaining, " %")));

    std::int64_t clock = 0;
    const bool clockOk = commands.ReadClock(clock);
    Row(out, "Readout clock:", answer(clockOk, FormatLocalDateTime(clock)));

    std::array<std::uint8_t, kInfoLast - kInfoFirst + 1> info{};
    if (commands.ReadBlock(kInfoFirst, kInfoLast, info)) {
        out << "Information area (" << info.size() << " bytes):\n" << HexDump(info, kInfoFirst);
    } else {
        allAnswered = false;
        out << "Information area: " << kNoAnswer << '\n';
    }

    if (!allAnswered) {
        return context.Fail(kExitFailed, "the readout did not answer every command");
    }
    return kExitOk;
}

}  // namespace q417::cli
