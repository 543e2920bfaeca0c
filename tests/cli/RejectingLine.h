#pragma once

// A fake line whose readout refuses chosen commands, as a readout that will not take a write.

#include <string>
#include <utility>
#include <vector>

#include "FakeLine.h"
#include "SerialLine.h"

namespace q417::cli::testing {

// Passes everything to a FakeLine, but has its readout reject each command line that equals one
// of the patterns or starts with one followed by a space ("B" takes "B 2" but not "BAUD").
class RejectingLine final : public SerialLine {
  public:
    explicit RejectingLine(sim::FakeLine& line) : line_(line) {}

    void Reject(std::string pattern) { patterns_.push_back(std::move(pattern)); }

    void PortOpen(int portNumber, int baudRate) override { line_.PortOpen(portNumber, baudRate); }
    [[nodiscard]] bool PortIsOpen() const override { return line_.PortIsOpen(); }
    void PortClose() override { line_.PortClose(); }
    int PortRead(std::uint8_t* buffer, int maxCount) override {
        return line_.PortRead(buffer, maxCount);
    }
    [[nodiscard]] int PortBytesWaiting() override { return line_.PortBytesWaiting(); }
    void PortWrite(const std::uint8_t* buffer, int count) override {
        for (int i = 0; i < count; ++i) {
            PortPutChar(buffer[i]);
        }
    }
    void PortPutChar(int byte) override {
        const char c = static_cast<char>(byte & 0xFF);
        if (c != '\r') {
            if (c != '\n') {
                current_.push_back(c);
            }
            line_.PortPutChar(byte);
            return;
        }
        // The readout acts on the CR: reject this one line, then answer again.
        const bool reject = Matches(current_);
        current_.clear();
        line_.WithEngine([reject](sim::ReadoutEngine& e) { e.Faults().rejectAll = reject; });
        line_.PortPutChar(byte);
        line_.WithEngine([](sim::ReadoutEngine& e) { e.Faults().rejectAll = false; });
    }
    bool WaitForInput(std::int64_t timeoutMs) override { return line_.WaitForInput(timeoutMs); }

  private:
    [[nodiscard]] bool Matches(const std::string& command) const {
        for (const std::string& p : patterns_) {
            if (command == p || command.rfind(p + " ", 0) == 0) {
                return true;
            }
        }
        return false;
    }

    sim::FakeLine& line_;
    std::vector<std::string> patterns_;
    std::string current_;
};

}  // namespace q417::cli::testing
