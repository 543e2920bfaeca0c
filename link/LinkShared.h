#pragma once

#include <atomic>
#include <optional>

#include "Guarded.h"
#include "JobSlot.h"
#include "LineTrace.h"
#include "PortOpenFailure.h"
#include "SharedSettings.h"
#include "UploadReport.h"

namespace q417 {

// What the link's worker shares with the window thread. Each member carries its own guard.
struct LinkShared {
    SharedSettings settings;
    JobSlot jobs;
    // Plain values the port dialog sets before it submits its job; the worker reads them at
    // every turn and writes the desired baud back when it must fall back to the current one.
    std::atomic<int> portNumber{1};   // 1..20; 0 or less: "Disabled"
    std::atomic<int> desiredBaud{0};  // 0: stay at the probing rate
    std::atomic<bool> stopRequest{false};
    // Why the port last failed to open (nothing while it is open), written by the worker before
    // it posts "Port not open", so the window never has to look at the line the worker uses.
    Guarded<PortOpenFailure> portFailure;
    // The upload a stop cut short, written by the worker as it ends: no message can carry it then.
    Guarded<std::optional<UploadReport>> stoppedUpload;
    // Where the worker writes its state changes; nothing while no trace runs. Set by the window
    // thread, which keeps the trace alive for as long as the link.
    std::atomic<LineTrace*> trace{nullptr};
};

}  // namespace q417
