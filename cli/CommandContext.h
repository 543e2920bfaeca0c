#pragma once

#include <ostream>
#include <string>

#include "Clock.h"
#include "PortDescription.h"
#include "ReadoutSession.h"
#include "SharedSettings.h"

namespace q417::cli {

// What a command runs with: the session to the readout, the streams it prints on and the port as
// the messages name it. Connection failures are reported here, in the same words for every
// command.
class CommandContext {
  public:
    // Which of the status queries after the information block the readout answered. Those it did
    // not answer keep no value worth showing.
    struct Answered {
        bool firmwareVersion = false;
        bool batteryVoltage = false;
        bool clock = false;

        [[nodiscard]] bool All() const { return firmwareVersion && batteryVoltage && clock; }
    };

    CommandContext(ReadoutSession& session, PortDescription port, std::ostream& out,
                   std::ostream& err);

    // Connects to the readout. Returns kExitOk, or kExitPortNotOpen / kExitNoReadout after saying
    // why on the error stream.
    [[nodiscard]] int Connect();

    // Connects, then reads the information area and the readout's status into settings. Returns
    // kExitOk, Connect's code, or kExitFailed (with a message) when the information area did not
    // come. answered, when given, says which status queries were answered.
    [[nodiscard]] int ConnectAndReadInformation(SharedSettings& settings,
                                                Answered* answered = nullptr);

    // "q417cli: message" on the error stream; returns code.
    int Fail(int code, const std::string& message);
    // A bad command line: the message, then the command's usage line. Returns kExitUsage.
    int UsageError(const std::string& message, const char* commandUsage);

    [[nodiscard]] ReadoutSession& Session() { return session_; }
    // The PC's clock, the one the session runs on.
    [[nodiscard]] Clock& Time() { return session_.Transport().Time(); }
    [[nodiscard]] std::ostream& Out() { return out_; }
    [[nodiscard]] std::ostream& Err() { return err_; }
    [[nodiscard]] const PortDescription& Port() const { return port_; }

  private:
    ReadoutSession& session_;
    PortDescription port_;
    std::ostream& out_;
    std::ostream& err_;
};

}  // namespace q417::cli
