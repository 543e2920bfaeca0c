#include "LocalClock.h"

#include <algorithm>
#include <ctime>
#include <vector>

#include "LocalTime.h"

namespace q417 {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// The calendar second at which a UTC clock would show these fields.
std::int64_t AsIfUtc(const LocalDateTime& local) {
    std::tm fields{};
    fields.tm_year = local.year - 1900;
    fields.tm_mon = local.month - 1;
    fields.tm_mday = local.day;
    fields.tm_hour = local.hour;
    fields.tm_min = local.minute;
    fields.tm_sec = local.second;
    return static_cast<std::int64_t>(::timegm(&fields));
}

// Every calendar second whose local time is exactly `local`, earliest first.
std::vector<std::int64_t> Instances(const LocalDateTime& local, std::int64_t asIfUtc,
                                    long offsetBefore, long offsetAfter) {
    std::vector<std::int64_t> candidates = {asIfUtc - offsetBefore, asIfUtc - offsetAfter};
    if (const std::optional<std::int64_t> system = LocalTime::ToCalendar(
            local.year, local.month, local.day, local.hour, local.minute, local.second)) {
        candidates.push_back(*system);
    }
    std::vector<std::int64_t> instances;
    for (const std::int64_t candidate : candidates) {
        if (SplitLocal(candidate).local == local &&
            std::find(instances.begin(), instances.end(), candidate) == instances.end()) {
            instances.push_back(candidate);
        }
    }
    std::sort(instances.begin(), instances.end());
    return instances;
}

}  // namespace

LocalSplit SplitLocal(std::int64_t calendarSeconds) {
    const std::tm parts = LocalTime::FromCalendar(calendarSeconds).value_or(std::tm{});
    return {{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min,
             parts.tm_sec},
            parts.tm_gmtoff};
}

ClockToWrite ClockFromPickers(const PickedClock& picked) {
    const std::int64_t asIfUtc = AsIfUtc(picked.local);
    // A local time can occur twice or never only where the offset changes; a day either side
    // lies beyond any such change.
    const long offsetBefore = SplitLocal(asIfUtc - kSecondsPerDay).utcOffsetSeconds;
    const long offsetAfter = SplitLocal(asIfUtc + kSecondsPerDay).utcOffsetSeconds;
    const std::vector<std::int64_t> instances =
        Instances(picked.local, asIfUtc, offsetBefore, offsetAfter);

    if (instances.empty()) {
        return {asIfUtc - offsetBefore, LocalTimeKind::Skipped};
    }
    const LocalTimeKind kind =
        instances.size() > 1 ? LocalTimeKind::Repeated : LocalTimeKind::Unique;
    const LocalSplit shown = SplitLocal(picked.shownClock);
    if (!picked.edited && shown.local == picked.local) {
        return {picked.shownClock, kind};
    }
    for (const std::int64_t instance : instances) {
        if (SplitLocal(instance).utcOffsetSeconds == shown.utcOffsetSeconds) {
            return {instance, kind};
        }
    }
    return {instances.front(), kind};
}

}  // namespace q417
