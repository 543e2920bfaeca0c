#pragma once

#include <cstdint>

namespace q417 {

// Who submitted a job, as the window side numbers its requesters; 0 is nobody, and a result for
// nobody is not posted.
using RequesterId = std::uint64_t;

// The link's messages and their numbers, as the windows know them.
inline constexpr int WM_LINK_STATUS = 0x464;   // status window; wParam detail, lParam status code
inline constexpr int WM_LINK_COMMAND = 0x465;  // status window; wParam 0 enable / 2 disable
inline constexpr int WM_LINK_EVENT = 0x466;    // view window; wParam the event
inline constexpr int WM_LINK_RESULT = 0x468;   // requester; lParam the result code
inline constexpr int WM_LINK_CAPTURE = 0x46A;  // requester
// Requester of an upload: how it ended. UploadReport reads and writes its parameters.
inline constexpr int WM_LINK_UPLOAD = 0x46C;

inline constexpr int kCommandEnable = 0;
inline constexpr int kCommandDisable = 2;

// Events of WM_LINK_EVENT.
inline constexpr int kEventConnected = 5;
inline constexpr int kEventInformationRead = 10;
inline constexpr int kEventDownloadComplete = 13;

// lParam of WM_LINK_CAPTURE: whether the readout sent both signals. After a failed capture the
// settings hold the previous capture's texts, which must not pass for new ones.
inline constexpr int kCaptureFailed = 0;
inline constexpr int kCaptureDone = 1;

// Status codes of WM_LINK_STATUS (0 and others: no text).
inline constexpr int STATUS_PORT_OPEN = 1;
inline constexpr int STATUS_PORT_NOT_OPEN = 2;
inline constexpr int STATUS_CONNECTING = 3;
inline constexpr int STATUS_CONNECTED = 5;
inline constexpr int STATUS_NEW_READOUT = 9;
inline constexpr int STATUS_COMM_ERROR = 12;
inline constexpr int STATUS_READING = 13;
inline constexpr int STATUS_WRITING = 14;

// Details of WM_LINK_STATUS (wParam): what the worker is doing. Reading and writing carry
// their progress in percent instead.
inline constexpr int kDetailPortOpen = 1;
inline constexpr int kDetailPortNotOpen = 2;
inline constexpr int kDetailConnecting = 3;  // also: the next wake-up comes now
inline constexpr int kDetailNotAwake = 4;    // a wake-up went unanswered
inline constexpr int kDetailConnected = 5;
inline constexpr int kDetailReadingInformation = 6;
inline constexpr int kDetailInformationRetry = 7;  // the information read failed, again
inline constexpr int kDetailPollAnswered = 8;
inline constexpr int kDetailNewReadout = 9;
inline constexpr int kDetailPolling = 10;
inline constexpr int kDetailPollUnanswered = 11;
inline constexpr int kDetailIdleCommError = 12;      // the idle poll gave up
inline constexpr int kDetailTransferCommError = 15;  // a download or upload step gave up

// Command identifiers the link enables and disables.
inline constexpr int kCommandReadoutStatus = 32779;
inline constexpr int kCommandReconnect = 32783;
inline constexpr int kCommandAddReadoutData = 32786;
inline constexpr int kCommandCalibration = 32787;
inline constexpr int kCommandUploadSiteInfo = 32805;

enum class LinkTarget {
    StatusWindow,  // the main frame
    ViewWindow,    // the site view
    Requester,     // the window that submitted the job
};

struct LinkMessage {
    int message = 0;  // WM_LINK_*
    LinkTarget target = LinkTarget::StatusWindow;
    RequesterId requester = 0;  // set for LinkTarget::Requester
    std::int64_t wParam = 0;
    std::int64_t lParam = 0;

    friend bool operator==(const LinkMessage&, const LinkMessage&) = default;
};

// Where the link's worker reports.
class LinkSink {
  public:
    virtual ~LinkSink() = default;
    // Called on the worker thread. Never waits for the receiving thread: it queues the message
    // and returns. The link holds a lock while it posts, which Stop takes too, so a delivery that
    // waited for the window thread would deadlock a Stop called from it.
    virtual void Post(const LinkMessage& message) = 0;
};

}  // namespace q417
