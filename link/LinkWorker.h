#pragma once

#include <cstdint>

#include "Clock.h"
#include "LinkShared.h"
#include "LinkSink.h"
#include "ReadoutCommands.h"
#include "ReadoutMemoryMap.h"
#include "ReadoutTransport.h"
#include "RecordImage.h"
#include "SerialLine.h"

namespace q417 {

// Worker states.
inline constexpr int LINK_RESET = 0;
inline constexpr int LINK_OPEN_PORT = 1;
inline constexpr int LINK_CONNECTING = 2;
inline constexpr int LINK_READ_INFO = 3;
inline constexpr int LINK_DOWNLOAD = 4;
inline constexpr int LINK_UPLOAD = 5;
inline constexpr int LINK_IDLE = 7;
inline constexpr int LINK_NEW_READOUT = 8;
inline constexpr int LINK_DISCONNECT = 9;
inline constexpr int LINK_RECOVER = 10;
inline constexpr int LINK_STOP = 11;

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

    [[nodiscard]] int State() const { return state_; }
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

    // A transfer step that failed: counted, and the fourth within a transfer leads to recovery.
    void TransferFailed(int resumeState);
    void SyncClock();

    void Pause(std::int64_t ms) { clock_.SleepMs(ms); }
    void CountdownStep();
    void Status(int detail, int code);
    void Command(int enableOrDisable, int commandId);
    void Event(int event);
    void Post(LinkMessage message);

    LinkShared& shared_;
    Clock& clock_;
    LinkSink& sink_;
    ReadoutTransport transport_;
    ReadoutCommands commands_;
    ReadoutMemoryMap memoryMap_;
    // Worker-thread only: a download lands here before it is published record by record.
    RecordImage downloadImage_;

    int state_ = LINK_OPEN_PORT;
    int next_ = LINK_OPEN_PORT;
    bool stateChanged_ = true;  // the state of this turn was entered at the previous turn's end
    int countdown_ = 0;         // 100 ms pauses left
    int failures_ = 0;
    int idlePolls_ = 0;
    int identityChanged_ = 0;
    int resumeState_ = LINK_IDLE;
    int downloadBlock_ = 0;
    int uploadBlock_ = 0;
    bool stopped_ = false;
};

}  // namespace q417
