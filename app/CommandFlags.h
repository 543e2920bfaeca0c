#pragma once

#include "LinkEvent.h"

namespace q417 {

// Which of the window's commands that depend on the readout or the selection are offered.
struct CommandFlags {
    bool reconnect = false;
    bool status = false;
    bool calibration = false;
    bool upload = false;
    bool addData = false;
    bool edit = false;

    // The commands offered after the link reported event: a ready readout offers all five; a
    // transfer withdraws those that would talk to the readout in the middle of it (a download
    // also the status, which it would read), a finished download gives them back; a readout gone
    // withdraws those that need it, a lost port also adding its data and reconnecting.
    [[nodiscard]] CommandFlags After(const LinkEventKind& event) const;

    friend bool operator==(const CommandFlags&, const CommandFlags&) = default;
};

}  // namespace q417
