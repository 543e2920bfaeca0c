#pragma once

#include <cstdint>

namespace q417 {

// A date and time of day on the PC's local clock, as the date and time pickers hold them.
struct LocalDateTime {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// The local date and time of a calendar second, and the offset from UTC in force then.
struct LocalSplit {
    LocalDateTime local;
    long utcOffsetSeconds = 0;
};
[[nodiscard]] LocalSplit SplitLocal(std::int64_t calendarSeconds);

// How often a local date and time occurs on the calendar where daylight saving changes.
enum class LocalTimeKind {
    Unique,    // once
    Repeated,  // twice: the hour the clocks are put back
    Skipped,   // never: the hour the clocks are put forward
};

// What the pickers say when the clock is about to be written.
struct PickedClock {
    LocalDateTime local;
    std::int64_t shownClock = 0;  // the calendar second the last refresh put into the pickers
    bool edited = false;          // the user has changed a picker since
};

struct ClockToWrite {
    std::int64_t clock = 0;  // calendar seconds
    LocalTimeKind kind = LocalTimeKind::Unique;
};

// The calendar second to write for what the pickers show, decided by the system's local-time
// rules. An hour never slips unnoticed: pickers left as the refresh filled them give that very
// second; a repeated time takes the instance with the offset the pickers were showing, else the
// earlier one; a skipped time is read with the offset in force before the change (02:30 becomes
// 03:30 when the clocks go from 02:00 to 03:00) and is reported as Skipped so the user can be
// told before it is written.
[[nodiscard]] ClockToWrite ClockFromPickers(const PickedClock& picked);

}  // namespace q417
