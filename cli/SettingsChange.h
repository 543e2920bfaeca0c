#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "CommandContext.h"
#include "ReadoutSettings.h"

namespace q417::cli {

// The values one settings write is to change, each already checked. The write's flags are those
// of the values present, no more.
class SettingsChange {
  public:
    std::optional<std::string> serialNumber;
    std::optional<float> multiplier;
    std::optional<float> offset;
    std::optional<std::uint8_t> calUnits;  // unit code
    std::optional<float> zero;
    std::optional<std::uint8_t> displayUnits;  // unit code
    std::optional<std::int8_t> displayDigits;
    std::optional<std::uint8_t> powerDown;  // power-down code
    // The readout clock: calendar seconds, or the PC's time at the moment of writing.
    std::optional<std::int64_t> clockSeconds;
    bool clockNow = false;
    bool initialize = false;

    // SET_* flags of the values present.
    [[nodiscard]] int Flags() const;

    // Puts the values present into request; "now" becomes calendarNowSeconds.
    void ApplyTo(ReadoutSettings& request, std::int64_t calendarNowSeconds) const;

    // Connects, reads the information area, then performs one settings write of these values.
    // Prints "Readout updated" and returns kExitOk when every step was done; otherwise says which
    // step failed and returns the connection's code or kExitFailed.
    [[nodiscard]] int Write(CommandContext& context) const;
};

}  // namespace q417::cli
