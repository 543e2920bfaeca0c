#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Clock.h"
#include "SerialLine.h"

namespace q417 {

// The command transport of the link: opens the port, wakes the readout, switches the baud rate
// and runs one text command exchange at a time (echo check, "?" rejection, attempts, deadlines).
// Runs on the link's worker thread only. Every wait blocks in the line's WaitForInput or in the
// clock, never in a spinning loop.
class ReadoutTransport {
  public:
    static constexpr int kProbeBaud = 115200;  // every connection starts at this rate
    static constexpr std::int64_t kReplyDeadlineMs = 1200;
    static constexpr std::int64_t kWakeDeadlineMs = 500;
    static constexpr int kChunkSize = 128;     // bytes taken per ReadAvailable
    static constexpr int kLineCapacity = 255;  // longest line ReadLine stores

    ReadoutTransport(SerialLine& line, Clock& clock);

    // The first open of a connection: opens and closes the port at 115200 to probe it (the
    // probe flag says whether that worked), then opens it at 115200. True when the port is open.
    bool OpenPortProbing();
    // Reopens the port at baudRate (the probe flag stays). True when the port is open.
    bool OpenPortAt(int baudRate);
    // Returns true when a port was open and has been closed.
    bool ClosePort();

    // Takes at most kChunkSize waiting bytes into out (emptied first); returns out's length.
    int ReadAvailable(std::string& out);
    // Waits waitMs milliseconds, then discards everything that has arrived.
    void FlushInput(std::int64_t waitMs);
    // Discards what arrives until quietMs milliseconds pass without a byte: unlike FlushInput it
    // also takes the rest of a reply that is still coming in.
    void DrainInput(std::int64_t quietMs);
    // The text, then CR LF.
    void SendLine(std::string_view text);
    // The text, then CR alone; nothing for an empty text.
    void SendRawLine(std::string_view text);

    // One command exchange. reply receives the last attempt's text: upper case, LFs removed,
    // CR kept. Returns true when the readout echoed the command without "?".
    bool SendCommand(std::string_view command, std::string& reply);
    // Sends empty lines until the readout answers with its banner. Returns true when it did.
    bool WakeReadout(int tries);
    // Asks the readout to change to the desired baud rate and reopens the port at it.
    void SwitchBaud();

    // Reads one line ending in CR within 1500 ms. count is the number of bytes consumed.
    bool ReadLine(std::string& line, int& count);

    // Blocks until input arrives or the deadline (clock milliseconds) passes. False when it has
    // passed or the port is closed, so a read loop can end on it without spinning.
    bool WaitUntil(std::int64_t deadlineMs);

    // Byte deadline shared by the line and block readers: ms milliseconds from now.
    void SetByteDeadlineMs(std::int64_t ms);
    // Milliseconds left before the byte deadline (0 when passed).
    [[nodiscard]] std::int64_t ByteTimeLeftMs() const;

    [[nodiscard]] int PortNumber() const { return portNumber_; }
    void SetPortNumber(int portNumber) { portNumber_ = portNumber; }
    [[nodiscard]] int CurrentBaud() const { return currentBaud_; }
    [[nodiscard]] int DesiredBaud() const { return desiredBaud_; }
    void SetDesiredBaud(int baud) { desiredBaud_ = baud; }
    [[nodiscard]] bool ProbeFlag() const { return probeFlag_; }
    [[nodiscard]] bool PortOpenResult() const { return portOpenResult_; }
    // Why the last open failed; nothing after a good one.
    [[nodiscard]] const PortOpenFailure& LastOpenFailure() const { return openFailure_; }

    [[nodiscard]] SerialLine& Line() { return line_; }
    [[nodiscard]] Clock& Time() { return clock_; }

  private:
    SerialLine& line_;
    Clock& clock_;

    int portNumber_ = 1;  // 0 or less: "Disabled"
    int currentBaud_ = 0;
    int desiredBaud_ = kProbeBaud;
    bool probeFlag_ = false;
    bool portOpenResult_ = false;
    PortOpenFailure openFailure_;
    std::int64_t byteDeadlineMs_ = 0;  // clock milliseconds
};

}  // namespace q417
