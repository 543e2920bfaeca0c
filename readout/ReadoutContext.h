#pragma once

#include <cstdint>
#include <functional>

namespace q417 {

class CReadoutLink;
class LinkDispatcher;

// What the readout sheet, its pages and the technician's dialogs work with: the document's
// link (not owned), the dispatcher that brings the link's results back to the window that asked,
// and the PC's clock. Window thread only.
struct ReadoutContext {
    CReadoutLink& link;
    LinkDispatcher& dispatcher;
    // The PC's clock in calendar seconds; the tests set it.
    std::function<std::int64_t()> calendarNow;
};

// The context's clock, or the system's when none is set.
[[nodiscard]] std::int64_t CalendarNow(const ReadoutContext& context);

}  // namespace q417
