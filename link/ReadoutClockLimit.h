#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace q417 {

// The clock reply is read only for years up to this one (ValidateClockFields): from the first
// second after its end this program can no longer read the readout's clock.
inline constexpr int kLastReadableClockYear = 2038;

// A clock is set only when it leaves the readout at least a year of clock that can still be read:
// its local year must not be past this one.
inline constexpr int kLastSettableClockYear = kLastReadableClockYear - 1;

// The readout counts its time from the start of this year: an earlier clock would wrap.
inline constexpr int kFirstSettableClockYear = 2000;

// Whether a clock in this local year may be set.
[[nodiscard]] bool ClockYearSettable(int localYear);
// Whether the clock at calendarSeconds, in the PC's local time as it is written, may be set.
[[nodiscard]] bool ClockSettable(std::int64_t calendarSeconds);
// Why the clock at calendarSeconds may not be set; nothing when it may.
[[nodiscard]] std::optional<std::string> ClockRefusal(std::int64_t calendarSeconds);

// Why a clock past the last settable year is refused, naming that year.
[[nodiscard]] std::string ClockTooLateMessage();
// Why a clock before the readout's first year is refused.
[[nodiscard]] std::string ClockTooEarlyMessage();

}  // namespace q417
