#include "CommandContext.h"

#include <unistd.h>

#include <iostream>
#include <utility>

#include "ExitCode.h"
#include "SignalWatch.h"

namespace q417::cli {

CommandContext::CommandContext(SerialLine& line, Clock& clock, LinkOptions link,
                               PortDescription port, std::ostream& out, std::ostream& err)
    : line_(line), clock_(clock), link_(link), port_(std::move(port)), out_(out), err_(err) {}

LinkSession& CommandContext::Session() {
    if (!session_) {
        session_ = std::make_unique<LinkSession>(line_, clock_, link_);
    }
    return *session_;
}

std::string CommandContext::Seconds() const {
    return std::to_string(link_.timeoutMs / 1000) + " s";
}

int CommandContext::Connect() {
    LinkSession& session = Session();
    const LinkOutcome outcome = session.Connect();
    switch (outcome) {
        case LinkOutcome::Done:
            return kExitOk;
        case LinkOutcome::PortNotOpen:
            return FailPortNotOpen(session.PortFailure());
        case LinkOutcome::NoInformation:
            return Fail(kExitFailed,
                        "the readout did not send its information area within " + Seconds());
        default:
            break;
    }
    std::string message =
        "no readout answered on " + port_.name + " within " + Seconds() +
        " (is it connected and switched on?); last status: " + session.LastStatusText();
    if (const PortOpenFailure failure = session.PortFailure(); failure.Failed()) {
        message += "; the port could not be opened again: " + failure.text;
    }
    return Fail(kExitNoReadout, message);
}

int CommandContext::FailJob(LinkOutcome outcome, const std::string& what,
                            const std::string& consequence) {
    const std::string after = consequence.empty() ? std::string() : "; " + consequence;
    LinkSession& session = Session();
    switch (outcome) {
        case LinkOutcome::Done:
            return kExitOk;
        case LinkOutcome::NotTaken:
            return Fail(kExitFailed, what +
                                         ": the link was busy with another job and did not "
                                         "take it" +
                                         after);
        case LinkOutcome::CommLost:
            return Fail(kExitFailed,
                        what + ": \"Comm error\" and no progress for " + Seconds() + after);
        case LinkOutcome::NewReadout:
            return Fail(kExitFailed, what + ": another readout answered in the middle of it");
        case LinkOutcome::Interrupted:
            return Fail(kExitFailed, what + ": the link left it before it was done" + after);
        case LinkOutcome::NoResult:
            return Fail(kExitFailed, what + ": no answer within " + Seconds() + after);
        case LinkOutcome::Stopped:
            return Fail(SignalWatch::kExitInterrupted, what + " was interrupted" + after);
        case LinkOutcome::PortNotOpen:
        case LinkOutcome::NoReadout:
        case LinkOutcome::NoInformation:
            break;
    }
    return Fail(kExitFailed, what + ": the readout was not read again within " + Seconds() +
                                 "; last status: " + session.LastStatusText() + after);
}

int CommandContext::FailPortNotOpen(const PortOpenFailure& failure) {
    if (port_.disabled) {
        return Fail(kExitPortNotOpen, "the port is disabled (--port 0)");
    }
    return Fail(kExitPortNotOpen,
                "cannot open the port: " +
                    (failure.Failed() ? failure.text : port_.name + ": closed by the device"));
}

int CommandContext::Fail(int code, const std::string& message) {
    err_ << "q417cli: " << message << '\n';
    return code;
}

int CommandContext::UsageError(const std::string& message, const char* commandUsage) {
    err_ << "q417cli: " << message << '\n' << commandUsage << '\n';
    return kExitUsage;
}

std::ostream* CommandContext::Progress() {
    return &err_ == &std::cerr && ::isatty(STDERR_FILENO) == 1 ? &err_ : nullptr;
}

}  // namespace q417::cli
