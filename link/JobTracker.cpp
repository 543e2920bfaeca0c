#include "JobTracker.h"

#include <type_traits>

namespace q417 {

void JobTracker::Observe(const LinkEvent& event) {
    if (event.requester != 0 && event.requester != requester_) {
        return;
    }
    std::visit(
        [this, &event](const auto& e) {
            using E = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<E, link_event::Status>) {
                OnStatus(e.status);
            } else if constexpr (std::is_same_v<E, link_event::TransferBegun> ||
                                 std::is_same_v<E, link_event::Progress>) {
                if (!IsTransfer() || e.transfer != OwnTransfer() || Ended()) {
                    return;
                }
                phase_ = JobPhase::Running;
                records_ = e.records;
                if constexpr (std::is_same_v<E, link_event::Progress>) {
                    recordsDone_ = e.recordsDone;
                }
            } else if constexpr (std::is_same_v<E, link_event::DownloadComplete>) {
                if (kind_ == JobKind::Download && !Ended()) {
                    recordsDone_ = records_;
                    phase_ = JobPhase::Finished;
                }
            } else if constexpr (std::is_same_v<E, link_event::ReadoutGone>) {
                // Comes before an unfinished upload's report, which it explains.
                OnStatus(e.portLost ? LinkStatus::PortNotOpen : LinkStatus::Connecting);
            } else if constexpr (std::is_same_v<E, link_event::ReadoutReady>) {
                if (kind_ == JobKind::Upload && phase_ == JobPhase::Finished) {
                    readBack_ = true;
                }
            } else if constexpr (std::is_same_v<E, link_event::UploadEnded>) {
                if (kind_ == JobKind::Upload && event.requester == requester_) {
                    OnUploadEnded(e.report);
                }
            } else if constexpr (std::is_same_v<E, link_event::JobResult>) {
                if ((kind_ == JobKind::SettingsWrite || kind_ == JobKind::BatteryReset) &&
                    event.requester == requester_ && !Ended()) {
                    result_ = e.result;
                    phase_ = JobPhase::Finished;
                }
            } else if constexpr (std::is_same_v<E, link_event::CaptureResult>) {
                if (kind_ == JobKind::Capture && event.requester == requester_ && !Ended()) {
                    captured_ = e.captured;
                    phase_ = JobPhase::Finished;
                }
            } else if constexpr (std::is_same_v<E, link_event::ClockSynced>) {
                if (kind_ == JobKind::ClockSync && event.requester == requester_ && !Ended()) {
                    clockSet_ = e.set;
                    phase_ = JobPhase::Finished;
                }
            }
        },
        event.what);
}

void JobTracker::OnStatus(LinkStatus status) {
    if (!IsTransfer() || Ended()) {
        return;
    }
    JobInterruption why = JobInterruption::None;
    switch (status) {
        case LinkStatus::CommError:
            phase_ = JobPhase::Recovering;
            return;
        case LinkStatus::Connecting:
            why = JobInterruption::StartedOver;
            break;
        case LinkStatus::PortNotOpen:
            why = JobInterruption::PortLost;
            break;
        case LinkStatus::NewReadout:
            why = JobInterruption::NewReadout;
            break;
        default:
            return;
    }
    if (kind_ == JobKind::Download) {
        Interrupt(why);
    } else if (seenDuringUpload_ == JobInterruption::None) {
        // The upload's own report follows and says how far it came.
        seenDuringUpload_ = why;
    }
}

void JobTracker::OnUploadEnded(const UploadReport& report) {
    if (Ended()) {
        return;
    }
    report_ = report;
    records_ = report.sites;
    recordsDone_ = report.sitesWritten;
    if (report.finished) {
        phase_ = JobPhase::Finished;
    } else {
        Interrupt(seenDuringUpload_ == JobInterruption::None ? JobInterruption::Left
                                                             : seenDuringUpload_);
    }
}

void JobTracker::Stopped(const std::optional<UploadReport>& stoppedUpload) {
    if (kind_ == JobKind::Upload && stoppedUpload) {
        OnUploadEnded(*stoppedUpload);
    }
}

void JobTracker::Interrupt(JobInterruption why) {
    phase_ = JobPhase::Interrupted;
    interruption_ = why;
}

}  // namespace q417
