#include "CommandFlags.h"

namespace q417 {

CommandFlags CommandFlags::After(const LinkEventKind& event) const {
    CommandFlags next = *this;
    if (std::holds_alternative<link_event::ReadoutReady>(event)) {
        next.status = next.reconnect = next.addData = next.calibration = next.upload = true;
    } else if (const auto* begun = std::get_if<link_event::TransferBegun>(&event)) {
        next.upload = next.addData = next.calibration = false;
        if (begun->transfer == Transfer::Download) {
            next.status = false;
        }
    } else if (std::holds_alternative<link_event::DownloadComplete>(event)) {
        next.upload = next.calibration = next.status = next.addData = true;
    } else if (const auto* gone = std::get_if<link_event::ReadoutGone>(&event)) {
        next.status = next.calibration = next.upload = false;
        if (gone->portLost) {
            next.addData = next.reconnect = false;
        }
    }
    return next;
}

}  // namespace q417
