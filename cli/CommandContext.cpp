#include "CommandContext.h"

#include <cmath>
#include <limits>
#include <utility>

#include "ExitCode.h"
#include "ReadoutMemoryMap.h"

namespace q417::cli {
namespace {

// No PC clock reads this: it marks a readout clock that was never read.
constexpr std::int64_t kNoReadTime = std::numeric_limits<std::int64_t>::min();

}  // namespace

CommandContext::CommandContext(ReadoutSession& session, PortDescription port, std::ostream& out,
                               std::ostream& err)
    : session_(session), port_(std::move(port)), out_(out), err_(err) {}

int CommandContext::Connect() {
    switch (session_.Connect()) {
        case ConnectResult::Connected:
            return kExitOk;
        case ConnectResult::NoReadout:
            return Fail(kExitNoReadout, "no readout answered on " + port_.name +
                                            " (is it connected and switched on?)");
        case ConnectResult::PortNotOpen:
            break;
    }
    if (port_.disabled) {
        return Fail(kExitPortNotOpen, "the port is disabled (--port 0)");
    }
    const std::string reason = port_.openFailureText ? port_.openFailureText() : std::string();
    return Fail(kExitPortNotOpen,
                "cannot open the port: " +
                    (reason.empty() ? port_.name + ": closed by the device" : reason));
}

int CommandContext::ConnectAndReadInformation(SharedSettings& settings, Answered* answered) {
    if (const int code = Connect(); code != kExitOk) {
        return code;
    }
    // The information read keeps the old value of every query the readout leaves unanswered.
    // Values no answer can produce tell those apart afterwards.
    settings.Update([](ReadoutSettings& s) {
        s.firmwareVersion = std::numeric_limits<float>::quiet_NaN();
        s.batteryVolts = std::numeric_limits<float>::quiet_NaN();
        s.readTime = kNoReadTime;
    });
    ReadoutMemoryMap map(session_.Commands(), Time());
    if (!map.ReadInformation(settings)) {
        return Fail(kExitFailed, "the readout did not send its information area");
    }
    if (answered != nullptr) {
        const ReadoutSettings s = settings.Snapshot();
        answered->firmwareVersion = !std::isnan(s.firmwareVersion);
        answered->batteryVoltage = !std::isnan(s.batteryVolts);
        answered->clock = s.readTime != kNoReadTime;
    }
    return kExitOk;
}

int CommandContext::Fail(int code, const std::string& message) {
    err_ << "q417cli: " << message << '\n';
    return code;
}

int CommandContext::UsageError(const std::string& message, const char* commandUsage) {
    err_ << "q417cli: " << message << '\n' << commandUsage << '\n';
    return kExitUsage;
}

}  // namespace q417::cli
