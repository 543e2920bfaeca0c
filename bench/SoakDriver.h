#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

#include "CReadoutLink.h"
#include "FaultInjectingLine.h"
#include "JobTracker.h"
#include "QueuedSink.h"
#include "ReadoutSettings.h"
#include "ReadoutTruth.h"
#include "UploadPlan.h"

namespace q417::bench {

// What a soak counted.
struct SoakFigures {
    int downloads = 0;       // downloads finished, read-backs included
    int readBacks = 0;       // of those, the downloads right after an upload
    int uploads = 0;         // uploads finished
    int interrupted = 0;     // transfers the link left undone (it says so)
    int notTaken = 0;        // submissions the job slot refused
    int recordsChecked = 0;  // downloaded records compared with the readout's contents
    int badRecords = 0;      // of those, records the readout cannot hold
    int badInformation = 0;  // information reads with values the readout cannot hold
    // Blocks of uploads the link reported finished that the next download found unchanged: the
    // readout refused their packet (a changed byte) and answered it all the same.
    int refusedKept = 0;
    int unverified = 0;       // finished downloads whose records were gone before the check
    int hangs = 0;            // transfers past the hang time-out without progress or end
    int connectTimeouts = 0;  // waits for the readout past the connection time-out
    int connections = 0;      // information reads (ReadoutReady)
    int commErrors = 0;       // entries into recovery ("Comm error")
    int portLost = 0;         // the port did not open again (ReadoutGone, port lost)
    int newReadout = 0;       // "New Readout": false here, as one readout answers
    double longestTransferS = 0;
    double longestWithoutProgressS = 0;
};

// Runs downloads and uploads one after the other through the link, as a front end does: it
// submits a job, follows it with a JobTracker until it ends, and checks every finished download
// against what the readout may hold. A transfer that neither moves on nor ends within the hang
// time-out is a hang: the link is then stopped and started again, so the soak goes on.
class SoakDriver {
  public:
    SoakDriver(CReadoutLink& link, cli::QueuedSink& events, FaultInjectingLine& line,
               ReadoutTruth& truth, std::uint64_t seed, std::chrono::milliseconds hangTimeout,
               ReadoutSettings information);

    // Starts the link; the readout is then awaited before each transfer.
    void Start();
    // Waits for the end of nothing more: stops the link and settles a cut-short upload.
    void Stop();

    // One download; readBack says it follows an upload.
    void Download(bool readBack);
    // One upload of random sites (the read-back is the caller's next download).
    void Upload();

    [[nodiscard]] const SoakFigures& Figures() const { return figures_; }

  private:
    using SteadyTime = std::chrono::steady_clock::time_point;

    // Waits until the readout is connected; false past the connection time-out (the link is then
    // started again).
    bool AwaitConnected();
    // Takes the events that came within wait; false when none did.
    bool TakeEvents(std::chrono::milliseconds wait);
    void Observe(const LinkEvent& event);
    void CheckInformation();
    void UploadEnded(const UploadReport& report);
    // Follows the submitted transfer until it ends or hangs.
    void FollowTransfer();
    void RestartLink();
    [[nodiscard]] UploadPlan RandomPlan();

    CReadoutLink& link_;
    cli::QueuedSink& events_;
    FaultInjectingLine& line_;
    ReadoutTruth& truth_;
    std::mt19937_64 random_;
    const std::chrono::milliseconds hangTimeout_;
    // The readout's information as it started; the soak writes only the file name and the count.
    const ReadoutSettings information_;

    bool connected_ = false;
    RequesterId lastRequester_ = 0;
    std::optional<JobTracker> job_;
    std::optional<UploadPlan> upload_;  // the upload under way, until its report
    RequesterId uploadRequester_ = 0;
    SteadyTime lastProgress_{};
    SoakFigures figures_;
};

}  // namespace q417::bench
