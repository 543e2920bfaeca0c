#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ReadoutSettings.h"

namespace q417 {

// The values one settings write changes, each taken only through a setter that checks it. A
// setter returns nothing when it took the value, or the text that refuses it (the same in every
// front end) and leaves the change as it was. The write's flags are those of the values taken.
class SettingsChange {
  public:
    // 1 to 8 printable ASCII characters, no comma.
    [[nodiscard]] std::optional<std::string> SetSerialNumber(std::string_view serial);
    // Finite; the multiplier not zero either.
    [[nodiscard]] std::optional<std::string> SetMultiplier(float multiplier);
    [[nodiscard]] std::optional<std::string> SetOffset(float offset);
    [[nodiscard]] std::optional<std::string> SetZero(float zero);
    // Unit codes, power-down codes: the index of an entry of their list.
    [[nodiscard]] std::optional<std::string> SetCalUnits(int code);
    [[nodiscard]] std::optional<std::string> SetDisplayUnits(int code);
    [[nodiscard]] std::optional<std::string> SetDisplayDigits(int digits);  // 0 to 8
    [[nodiscard]] std::optional<std::string> SetPowerDown(int code);
    // The readout's 8-bit level. No step of the write stores it: the write only reports done.
    [[nodiscard]] std::optional<std::string> SetLcdContrast(int level);
    // Calendar seconds, at most the end of the last settable year in local time.
    [[nodiscard]] std::optional<std::string> SetClock(std::int64_t calendarSeconds);
    // The PC's time as the clock is written, checked as pcCalendarSeconds (the PC's clock now).
    // The write itself leaves the clock out: whoever submits it follows it with the link's
    // clock sync, which takes the PC's time as it writes, after the other values.
    [[nodiscard]] std::optional<std::string> SetClockToPcTime(std::int64_t pcCalendarSeconds);
    void SetInitialize() { flags_ |= SET_INITIALIZE; }

    // Nothing to write, and no clock to sync.
    [[nodiscard]] bool Empty() const { return flags_ == 0 && !clockToPcTime_; }
    [[nodiscard]] bool ClockToPcTime() const { return clockToPcTime_; }

    // The worker's request: the values taken, and their SET_* flags.
    [[nodiscard]] const ReadoutSettings& Request() const { return request_; }
    [[nodiscard]] int Flags() const { return flags_; }

  private:
    ReadoutSettings request_;
    int flags_ = 0;
    bool clockToPcTime_ = false;
};

}  // namespace q417
