#pragma once

#include <cstdint>

#include "Clock.h"
#include "LinkEvent.h"
#include "LinkShared.h"
#include "ReadoutCommands.h"
#include "ReadoutMemoryMap.h"
#include "ReadoutTransport.h"
#include "RecordImage.h"
#include "SerialLine.h"
#include "UploadPlan.h"
#include "UploadReport.h"

namespace q417 {

// Worker states, with the numbers the readout tools have always used for them (6 has no state
// of its own). Code tests states by name, never by their numeric order.
enum class LinkState : int {
    LINK_RESET = 0,
    LINK_OPEN_PORT = 1,
    LINK_CONNECTING = 2,
    LINK_READ_INFO = 3,
    LINK_DOWNLOAD = 4,
    LINK_UPLOAD = 5,
    LINK_IDLE = 7,
    LINK_NEW_READOUT = 8,
    LINK_DISCONNECT = 9,
    LINK_RECOVER = 10,
    LINK_STOP = 11,
};
using enum LinkState;

// True in the states where the readout has been woken: a baud change or a clock sync can be
// carried out at once. Before that they wait for, or are not needed by, the next connection.
[[nodiscard]] bool ReadoutAwake(LinkState state);

// The link's state machine: opens the port, wakes the readout, reads its information, polls it
// while idle, recovers from errors and runs the submitted jobs. One Turn is one step of it.
// It owns no thread: CReadoutLink runs it on the worker thread, and tests turn it by hand on a
// manual clock. It talks to the window side only through shared (guarded) and sink.
class LinkWorker {
  public:
    LinkWorker(LinkShared& shared, SerialLine& line, Clock& clock, LinkSink& sink);

    // Takes a pending job, runs the current state's handler and moves to the next state.
    // Returns false once the stop request has been carried out (the port is closed).
    bool Turn();

    [[nodiscard]] LinkState State() const { return state_; }
    [[nodiscard]] ReadoutTransport& Transport() { return transport_; }

  private:
    void TakeJob(const LinkJob& job);

    void OnReset();
    void OnOpenPort();
    void OnConnecting();
    void OnReadInfo();
    void OnDownload();
    void OnUpload();
    void OnIdle();
    void OnNewReadout();
    void OnDisconnect();
    void OnRecover();
    void OnStop();
    // The readout is no longer there: the settings no longer connected, the windows told.
    void MarkDisconnected(bool portLost);

    // A transfer step that failed: counted, and the fourth within a transfer leads to recovery.
    void TransferFailed(LinkState resumeState);
    // Before a transfer goes on (or reports its end) after a failed step: true when the readout
    // on the line is still the one it began with. A different one leads to "New Readout"; no
    // answer counts as another failed step (an upload's last try before recovery is its write).
    bool SameReadoutAfterFailure(LinkState resumeState);
    // Sets the readout's clock to the PC's time; false when it was left as it is.
    [[nodiscard]] bool SyncClock();
    void TakeUpload(const UploadPlan& plan, RequesterId requester);
    [[nodiscard]] bool UploadUnderway() const { return upload_.records != nullptr; }
    // Tells the upload's requester how it ended, once, and forgets the upload.
    void EndUpload(bool finished);
    [[nodiscard]] UploadReport CurrentUploadReport(bool finished) const;
    // The port did not open: a readout offered since the last information read is gone.
    void PortLost();
    // Publishes why the port last failed to open, when that changed.
    void PublishPortFailure();

    void Pause(std::int64_t ms) { clock_.SleepMs(ms); }
    // A pause that a submitted job ends early: the next turn takes the job.
    void PauseUnlessJob(std::int64_t ms) { shared_.jobs.PauseUnlessSubmitted(clock_, ms); }
    // The changes from the last state seen to thisState and on to next_, to the trace if any.
    void TraceStates(LinkState thisState);
    void CountdownStep();
    void Status(LinkDetail detail, LinkStatus status = LinkStatus::None);
    // An event for every window that follows the link.
    void Broadcast(LinkEventKind event);
    // An event for requester alone; nothing when nobody asked.
    void Post(RequesterId requester, LinkEventKind event);

    LinkShared& shared_;
    Clock& clock_;
    LinkSink& sink_;
    ReadoutTransport transport_;
    ReadoutCommands commands_;
    ReadoutMemoryMap memoryMap_;
    // Worker-thread only: a download lands here before it is published record by record.
    RecordImage downloadImage_;
    // Worker-thread only: what the upload job carried, written step by step.
    UploadPlan upload_;
    RequesterId uploadRequester_ = 0;
    bool uploadFileNameWritten_ = false;
    // A step of the running download or upload failed since the readout was last known to be the
    // same one: a short outage may have brought another readout, which retries alone would miss.
    bool transferFailed_ = false;
    // A readout was reported ready since the port was last lost.
    bool readoutOffered_ = false;
    // The running transfer has been announced (TransferBegun) to the windows.
    bool downloadBegun_ = false;
    bool uploadBegun_ = false;
    PortOpenFailure publishedPortFailure_;

    LinkState state_ = LINK_OPEN_PORT;
    LinkState next_ = LINK_OPEN_PORT;
    bool stateChanged_ = true;  // the state of this turn was entered at the previous turn's end
    int countdown_ = 0;         // 100 ms pauses left
    int failures_ = 0;
    int idlePolls_ = 0;
    int identityChanged_ = 0;
    LinkState resumeState_ = LINK_IDLE;
    int downloadBlock_ = 0;
    int uploadBlock_ = 0;
    bool stopped_ = false;
    LinkState tracedState_ = LINK_OPEN_PORT;  // the state the trace last showed
};

}  // namespace q417
