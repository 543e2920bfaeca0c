#pragma once

// A fake line whose readout refuses chosen commands, as a readout that will not take a write.

#include <string>
#include <utility>
#include <vector>

#include "FakeLine.h"
#include "ForwardingLine.h"

namespace q417::cli::testing {

// Passes everything to a FakeLine, but has its readout reject each command line that equals one
// of the patterns or starts with one followed by a space ("B" takes "B 2" but not "BAUD").
class RejectingLine final : public ForwardingLine {
  public:
    explicit RejectingLine(sim::FakeLine& line) : ForwardingLine(line), line_(line) {}

    void Reject(std::string pattern) { patterns_.push_back(std::move(pattern)); }

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

  private:
    [[nodiscard]] bool Matches(const std::string& command) const {
        for (const std::string& p : patterns_) {
            if (command == p || command.rfind(p + " ", 0) == 0) {
                return true;
            }
        }
        return false;
    }

    sim::FakeLine& line_;  // the same line as Inner(), for its engine
    std::vector<std::string> patterns_;
    std::string current_;
};

}  // namespace q417::cli::testing
