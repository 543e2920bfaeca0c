#pragma once

#include <cstdint>
#include <variant>

#include "UploadReport.h"

namespace q417 {

// Who submitted a job, as the window side numbers its requesters; 0 is nobody, and a result for
// nobody is not posted.
using RequesterId = std::uint64_t;

// The link's status, as the status bar names it (ReadoutTables holds the texts). None leaves the
// shown status as it is.
enum class LinkStatus : int {
    None = 0,
    PortOpen = 1,
    PortNotOpen = 2,
    Connecting = 3,
    Connected = 5,
    NewReadout = 9,
    CommError = 12,
    Reading = 13,
    Writing = 14,
};

// What the worker is doing, beside its status: the status bar shows the number.
enum class LinkDetail : int {
    PortOpen = 1,
    PortNotOpen = 2,
    Connecting = 3,  // also: the next wake-up comes now
    NotAwake = 4,    // a wake-up went unanswered
    Connected = 5,
    ReadingInformation = 6,
    InformationRetry = 7,  // the information read failed, again
    PollAnswered = 8,
    NewReadout = 9,
    Polling = 10,
    PollUnanswered = 11,
    IdleCommError = 12,      // the idle poll gave up
    TransferCommError = 15,  // a download or upload step gave up
};

enum class Transfer { Download, Upload };

namespace link_event {

struct Status {
    LinkStatus status = LinkStatus::None;
    LinkDetail detail = LinkDetail::Connecting;
    friend bool operator==(const Status&, const Status&) = default;
};
// A transfer goes to the line: a download reads the records, an upload writes them. Until it
// ends the readout answers nothing else.
struct TransferBegun {
    Transfer transfer = Transfer::Download;
    int records = 0;
    friend bool operator==(const TransferBegun&, const TransferBegun&) = default;
};
// Records of the transfer done so far (each a whole record the readout answered).
struct Progress {
    Transfer transfer = Transfer::Download;
    int recordsDone = 0;
    int records = 0;
    friend bool operator==(const Progress&, const Progress&) = default;
};
// The readout woke up, or changed its rate: the link talks at DesiredBaud now.
struct ReadoutWoken {
    friend bool operator==(const ReadoutWoken&, const ReadoutWoken&) = default;
};
// The readout's information area is read: the live settings hold it, its commands may be used.
struct ReadoutReady {
    friend bool operator==(const ReadoutReady&, const ReadoutReady&) = default;
};
// The readout can no longer be reached: the link disconnected (after an upload, another
// readout, a recovery that gave up), or the port itself was lost.
struct ReadoutGone {
    bool portLost = false;
    friend bool operator==(const ReadoutGone&, const ReadoutGone&) = default;
};
// Every site record is in the live settings.
struct DownloadComplete {
    friend bool operator==(const DownloadComplete&, const DownloadComplete&) = default;
};
// To the upload's requester: how it ended. Every upload taken ends with exactly one.
struct UploadEnded {
    UploadReport report;
    friend bool operator==(const UploadEnded&, const UploadEnded&) = default;
};
// To the requester of a settings write or a battery reset: a kResult* code.
struct JobResult {
    int result = 0;
    friend bool operator==(const JobResult&, const JobResult&) = default;
};
// To the requester of a capture: whether the readout sent both signals. After a failed capture
// the settings hold the previous capture's texts, which must not pass for new ones.
struct CaptureResult {
    bool captured = false;
    friend bool operator==(const CaptureResult&, const CaptureResult&) = default;
};
// To the requester of a clock sync: whether the readout's clock was set to the PC's time. It is
// left when the readout is not awake, the PC's clock is past the settable range, or the write
// failed.
struct ClockSynced {
    bool set = false;
    friend bool operator==(const ClockSynced&, const ClockSynced&) = default;
};

}  // namespace link_event

using LinkEventKind =
    std::variant<link_event::Status, link_event::TransferBegun, link_event::Progress,
                 link_event::ReadoutWoken, link_event::ReadoutReady, link_event::ReadoutGone,
                 link_event::DownloadComplete, link_event::UploadEnded, link_event::JobResult,
                 link_event::CaptureResult, link_event::ClockSynced>;

// One report of the link's worker. Those for a requester reach only that requester's window;
// the others reach every window that follows the link.
struct LinkEvent {
    RequesterId requester = 0;  // 0: for every window
    LinkEventKind what;

    template <class T>
    [[nodiscard]] const T* As() const {
        return std::get_if<T>(&what);
    }
    friend bool operator==(const LinkEvent&, const LinkEvent&) = default;
};

// Where the link's worker reports.
class LinkSink {
  public:
    virtual ~LinkSink() = default;
    // Called on the worker thread. Never waits for the receiving thread: it queues the event
    // and returns. The link holds a lock while it posts, which Stop takes too, so a delivery that
    // waited for the window thread would deadlock a Stop called from it.
    virtual void Post(const LinkEvent& event) = 0;
};

}  // namespace q417
