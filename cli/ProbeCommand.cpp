#include "ProbeCommand.h"

#include <array>
#include <cstdio>
#include <string>

#include "ExitCode.h"
#include "HexDump.h"
#include "ReadoutStatusRows.h"
#include "ReportText.h"

namespace q417::cli {
namespace {

constexpr int kInfoFirst = 0x0000;
constexpr int kInfoLast = 0x047F;  // 1152 bytes

std::string Number(float value, const char* unit = "") {
    char text[48];
    std::snprintf(text, sizeof text, "%g%s", static_cast<double>(value), unit);
    return text;
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
    if (const int code = context.Connect(); code != kExitOk) {
        return code;
    }

    ReadoutSession& session = context.Session();
    std::ostream& out = context.Out();
    ReadoutCommands& commands = session.Commands();
    bool allAnswered = true;
    auto answer = [&](bool ok, const std::string& text) {
        allAnswered = allAnswered && ok;
        return ok ? text : std::string(kNoAnswer);
    };

    Row(out, "Port:", context.Port().name);
    Row(out, "Baud rate:", std::to_string(session.Transport().CurrentBaud()));

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
