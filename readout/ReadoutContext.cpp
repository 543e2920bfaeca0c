#include "ReadoutContext.h"

#include <ctime>

namespace q417 {

std::int64_t CalendarNow(const ReadoutContext& context) {
    return context.calendarNow ? context.calendarNow()
                               : static_cast<std::int64_t>(std::time(nullptr));
}

}  // namespace q417
