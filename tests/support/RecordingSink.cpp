#include "RecordingSink.h"

#include <type_traits>

namespace q417 {

void PrintTo(const LinkEvent& event, std::ostream* os) {
    if (event.requester != 0) {
        *os << "to " << event.requester << ": ";
    }
    const auto transfer = [](Transfer t) {
        return t == Transfer::Download ? "download" : "upload";
    };
    std::visit(
        [&](const auto& e) {
            using E = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<E, link_event::Status>) {
                *os << "status(" << static_cast<int>(e.status) << ", detail "
                    << static_cast<int>(e.detail) << ")";
            } else if constexpr (std::is_same_v<E, link_event::TransferBegun>) {
                *os << "begun(" << transfer(e.transfer) << " of " << e.records << ")";
            } else if constexpr (std::is_same_v<E, link_event::Progress>) {
                *os << "progress(" << transfer(e.transfer) << " " << e.recordsDone << "/"
                    << e.records << ")";
            } else if constexpr (std::is_same_v<E, link_event::ReadoutWoken>) {
                *os << "woken";
            } else if constexpr (std::is_same_v<E, link_event::ReadoutReady>) {
                *os << "ready";
            } else if constexpr (std::is_same_v<E, link_event::ReadoutGone>) {
                *os << (e.portLost ? "gone(port lost)" : "gone");
            } else if constexpr (std::is_same_v<E, link_event::DownloadComplete>) {
                *os << "download complete";
            } else if constexpr (std::is_same_v<E, link_event::UploadEnded>) {
                *os << "upload " << (e.report.finished ? "finished " : "interrupted ")
                    << e.report.sitesWritten << "/" << e.report.sites;
            } else if constexpr (std::is_same_v<E, link_event::JobResult>) {
                *os << "result(" << e.result << ")";
            } else if constexpr (std::is_same_v<E, link_event::CaptureResult>) {
                *os << "capture(" << (e.captured ? "done" : "failed") << ")";
            } else if constexpr (std::is_same_v<E, link_event::ClockSynced>) {
                *os << "clock " << (e.set ? "set" : "left");
            }
        },
        event.what);
}

}  // namespace q417
