#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "Clock.h"
#include "LinkSession.h"
#include "PortDescription.h"
#include "SerialLine.h"

namespace q417::cli {

// What a command runs with: the line and clock of the readout, how to run the link on them, the
// streams it prints on and the port as the messages name it. Connection failures are reported
// here, in the same words for every command.
class CommandContext {
  public:
    // line and clock must outlive the context.
    CommandContext(SerialLine& line, Clock& clock, LinkOptions link, PortDescription port,
                   std::ostream& out, std::ostream& err);

    // Starts the link and waits until it has read the readout's information area and status.
    // Returns kExitOk, or kExitPortNotOpen / kExitNoReadout / kExitFailed after saying why on
    // the error stream.
    [[nodiscard]] int Connect();
    // The link, started by Connect (and stopped with the context).
    [[nodiscard]] LinkSession& Session();

    // The failure of a link job, in words, on the error stream ("q417cli: what: why; and
    // consequence"); returns the exit code for it.
    int FailJob(LinkOutcome outcome, const std::string& what, const std::string& consequence = {});

    // Why the port did not open, on the error stream; returns kExitPortNotOpen.
    int FailPortNotOpen(const PortOpenFailure& failure);
    // "q417cli: message" on the error stream; returns code.
    int Fail(int code, const std::string& message);
    // A bad command line: the message, then the command's usage line. Returns kExitUsage.
    int UsageError(const std::string& message, const char* commandUsage);

    // True once the user asked to stop (Ctrl-C or SIGTERM).
    [[nodiscard]] bool StopRequested() const { return link_.StopRequested(); }

    // The line and clock, for probe's direct exchange.
    [[nodiscard]] SerialLine& Line() { return line_; }
    [[nodiscard]] Clock& Time() { return clock_; }
    [[nodiscard]] const LinkOptions& LinkSettings() const { return link_; }
    [[nodiscard]] std::ostream& Out() { return out_; }
    [[nodiscard]] std::ostream& Err() { return err_; }
    [[nodiscard]] const PortDescription& Port() const { return port_; }
    // The error stream when it is a terminal, else nothing: progress is for a person
    // watching, not for a log or a pipe.
    [[nodiscard]] std::ostream* Progress();

  private:
    [[nodiscard]] std::string Seconds() const;

    SerialLine& line_;
    Clock& clock_;
    LinkOptions link_;
    PortDescription port_;
    std::ostream& out_;
    std::ostream& err_;
    std::unique_ptr<LinkSession> session_;
};

}  // namespace q417::cli
