#include "SoakDriver.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>

#include "LinkJob.h"

namespace q417::bench {
namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kEventWait{20};
// Longest a connection may take: the longest outage of the cable (6 s), the port's retries
// (every 1.5 s), then the wake-up and the information read with their retries; generous.
constexpr std::chrono::seconds kConnectTimeout{60};
constexpr int kMaxUploadSites = 60;

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

}  // namespace

SoakDriver::SoakDriver(CReadoutLink& link, cli::QueuedSink& events, FaultInjectingLine& line,
                       ReadoutTruth& truth, std::uint64_t seed,
                       std::chrono::milliseconds hangTimeout, ReadoutSettings information)
    : link_(link),
      events_(events),
      line_(line),
      truth_(truth),
      random_(seed + 1),  // not the fault line's sequence
      hangTimeout_(hangTimeout),
      information_(std::move(information)) {}

void SoakDriver::Start() {
    link_.Start(events_);
}

void SoakDriver::Stop() {
    link_.Stop();
    while (TakeEvents(0ms)) {
    }
    if (upload_) {
        // Cut short by the stop, or never taken (then nothing of it was written).
        const std::optional<UploadReport> stopped = link_.StoppedUpload();
        UploadEnded(stopped.value_or(UploadReport{false, 0, upload_->recordCount, false}));
    }
    connected_ = false;
}

void SoakDriver::RestartLink() {
    Stop();
    job_.reset();
    link_.Start(events_);
}

bool SoakDriver::TakeEvents(std::chrono::milliseconds wait) {
    std::optional<cli::QueuedSink::Posted> posted = events_.Next(wait);
    if (!posted) {
        return false;
    }
    do {
        Observe(posted->event);
    } while ((posted = events_.Next(0ms)));
    return true;
}

void SoakDriver::Observe(const LinkEvent& event) {
    if (job_) {
        job_->Observe(event);
    }
    if (const auto* status = event.As<link_event::Status>()) {
        switch (status->status) {
            case LinkStatus::CommError:
                ++figures_.commErrors;
                break;
            case LinkStatus::NewReadout:
                ++figures_.newReadout;
                connected_ = false;
                break;
            case LinkStatus::Connecting:
            case LinkStatus::PortNotOpen:
                connected_ = false;
                break;
            default:
                break;
        }
    } else if (const auto* gone = event.As<link_event::ReadoutGone>()) {
        connected_ = false;
        if (gone->portLost) {
            ++figures_.portLost;
        }
    } else if (event.As<link_event::ReadoutReady>() != nullptr) {
        connected_ = true;
        ++figures_.connections;
        CheckInformation();
    } else if (event.As<link_event::Progress>() != nullptr) {
        const auto now = std::chrono::steady_clock::now();
        figures_.longestWithoutProgressS =
            std::max(figures_.longestWithoutProgressS, Seconds(now - lastProgress_));
        lastProgress_ = now;
    } else if (event.As<link_event::DownloadComplete>() != nullptr) {
        // Checked at once: the records are the live settings', which the next connection
        // replaces.
        const ReadoutSettings settings = link_.Settings();
        if (!settings.records || settings.dataReady != 1 || settings.connected != 1) {
            ++figures_.unverified;
            return;
        }
        const ReadoutTruth::Check check = truth_.Download(*settings.records, settings.recordCount);
        figures_.recordsChecked += check.records;
        figures_.badRecords += check.badRecords;
        figures_.refusedKept += check.refusedKept;
        if (check.badRecords > 0) {
            std::fprintf(stderr, "q417soakbench: a download of %d records accepted %d bad ones\n",
                         check.records, check.badRecords);
        }
    } else if (const auto* ended = event.As<link_event::UploadEnded>()) {
        if (upload_ && event.requester == uploadRequester_) {
            UploadEnded(ended->report);
        }
    }
}

void SoakDriver::CheckInformation() {
    const ReadoutSettings s = link_.Settings();
    const ReadoutSettings& i = information_;
    // Floats compared as read: the same four bytes decode the same way.
    const bool unchanged = s.serialNumber == i.serialNumber && s.infoSize == i.infoSize &&
                           s.multiplier == i.multiplier && s.offset == i.offset &&
                           s.calUnits == i.calUnits && s.zero == i.zero &&
                           s.powerDown == i.powerDown && s.displayDigits == i.displayDigits &&
                           s.lcdContrast == i.lcdContrast && s.displayUnits == i.displayUnits &&
                           s.capacity == i.capacity;
    if (unchanged && truth_.CountPossible(s.recordCount) && truth_.FileNamePossible(s.fileName)) {
        return;
    }
    ++figures_.badInformation;
    std::fprintf(stderr,
                 "q417soakbench: an information read the readout cannot have sent: serial %s, "
                 "multiplier %g, %d of %d records, file name %s\n",
                 s.serialNumber.c_str(), static_cast<double>(s.multiplier), s.recordCount,
                 s.capacity, s.fileName.c_str());
}

void SoakDriver::UploadEnded(const UploadReport& report) {
    const std::vector<int> refused = line_.TakeCorruptedWriteBlocks();
    if (report.finished) {
        truth_.UploadFinished(*upload_, refused);
    } else {
        truth_.UploadInterrupted(*upload_, report, refused);
    }
    upload_.reset();
    uploadRequester_ = 0;
}

bool SoakDriver::AwaitConnected() {
    while (TakeEvents(0ms)) {
    }
    const auto deadline = std::chrono::steady_clock::now() + kConnectTimeout;
    while (!connected_ || link_.JobPending()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ++figures_.connectTimeouts;
            std::fprintf(stderr, "q417soakbench: no readout within %lld s; the link starts again\n",
                         static_cast<long long>(kConnectTimeout.count()));
            RestartLink();
            return false;
        }
        TakeEvents(kEventWait);
    }
    return true;
}

void SoakDriver::FollowTransfer() {
    const auto start = std::chrono::steady_clock::now();
    lastProgress_ = start;
    while (!job_->Ended()) {
        TakeEvents(kEventWait);
        if (job_->Ended()) {
            break;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - lastProgress_ > hangTimeout_) {
            ++figures_.hangs;
            std::fprintf(stderr,
                         "q417soakbench: a %s made no progress for %.0f s (phase %d, %d of %d "
                         "records); the link starts again\n",
                         job_->Kind() == JobKind::Upload ? "upload" : "download",
                         Seconds(now - lastProgress_), static_cast<int>(job_->Phase()),
                         job_->RecordsDone(), job_->Records());
            RestartLink();
            return;
        }
    }
    const auto end = std::chrono::steady_clock::now();
    figures_.longestTransferS = std::max(figures_.longestTransferS, Seconds(end - start));
    figures_.longestWithoutProgressS =
        std::max(figures_.longestWithoutProgressS, Seconds(end - lastProgress_));
    if (job_->Phase() == JobPhase::Interrupted) {
        ++figures_.interrupted;
    }
}

void SoakDriver::Download(bool readBack) {
    if (!AwaitConnected()) {
        return;
    }
    const RequesterId requester = ++lastRequester_;
    job_.emplace(JobKind::Download, requester);
    if (!link_.SubmitJob(JOB_DOWNLOAD, requester)) {
        ++figures_.notTaken;
        job_.reset();
        return;
    }
    FollowTransfer();
    if (job_ && job_->Phase() == JobPhase::Finished) {
        ++figures_.downloads;
        figures_.readBacks += readBack ? 1 : 0;
    }
    job_.reset();
}

void SoakDriver::Upload() {
    if (!AwaitConnected()) {
        return;
    }
    UploadPlan plan = RandomPlan();
    (void)line_.TakeCorruptedWriteBlocks();  // none can be this upload's yet
    const RequesterId requester = ++lastRequester_;
    job_.emplace(JobKind::Upload, requester);
    upload_ = plan;
    uploadRequester_ = requester;
    if (!link_.SubmitUpload(requester, std::move(plan))) {
        ++figures_.notTaken;
        job_.reset();
        upload_.reset();
        uploadRequester_ = 0;
        return;
    }
    FollowTransfer();
    if (job_ && job_->Phase() == JobPhase::Finished) {
        ++figures_.uploads;
    }
    job_.reset();
}

UploadPlan SoakDriver::RandomPlan() {
    auto image = std::make_shared<RecordImage>();
    const int sites = std::uniform_int_distribution<int>(1, kMaxUploadSites)(random_);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < sites * kRecordSize; ++i) {
        image->bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(byte(random_));
    }
    char name[16];
    std::snprintf(name, sizeof name, "SOAK%04d.INI",
                  std::uniform_int_distribution<int>(0, 9999)(random_));
    UploadPlan plan;
    plan.records = std::move(image);
    plan.recordCount = sites;
    plan.fileName = name;
    return plan;
}

}  // namespace q417::bench
