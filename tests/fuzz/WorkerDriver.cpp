#include "WorkerDriver.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "FuzzCheck.h"
#include "LinkChecks.h"
#include "LinkJob.h"
#include "LinkShared.h"
#include "LinkWorker.h"
#include "ReadoutMemoryMap.h"
#include "RecordingSink.h"

namespace q417::fuzz {
namespace {

constexpr RequesterId kRequester = 7;
constexpr int kMaxTurns = 400;
// Turns after the readout has said all it will, or the job has ended: enough for a recovery
// to give up and the idle poll to find the readout gone.
constexpr int kTurnsAfterEnd = 40;
constexpr int kStopTurns = 5;
// The longest single turn: the information read with every step timing out, or a recovery.
constexpr std::int64_t kLongestTurnMs = 60'000;

std::shared_ptr<const RecordImage> UploadImage(int records) {
    auto image = std::make_shared<RecordImage>();
    for (std::size_t i = 0; i < static_cast<std::size_t>(records) * kRecordSize; ++i) {
        image->bytes[i] = static_cast<std::uint8_t>(i * 13 + 5);
    }
    return image;
}

LinkJob JobOf(const WorkerPlan& plan, const ReadoutSettings& live, sim::ManualClock& clock,
              std::shared_ptr<const RecordImage> upload) {
    LinkJob job;
    job.requester = kRequester;
    switch (plan.job) {
        case FuzzedJob::None:
            break;
        case FuzzedJob::Download:
            job.code = JOB_DOWNLOAD;
            break;
        case FuzzedJob::Upload:
            job.code = JOB_UPLOAD;
            job.upload = {std::move(upload), plan.uploadRecords, "/home/tech/FUZZ.INI"};
            break;
        case FuzzedJob::WriteSerialNumber:
            job.code = JOB_WRITE_SETTINGS;
            job.request = live;
            job.request.serialNumber = "FZ01";
            job.flags = SET_SERIAL_NUMBER;
            break;
        case FuzzedJob::WriteClock:
            job.code = JOB_WRITE_SETTINGS;
            job.request = live;
            job.request.readoutClock = clock.CalendarSeconds();
            job.flags = SET_CLOCK;
            break;
        case FuzzedJob::Capture:
            job.code = JOB_CAPTURE;
            break;
        case FuzzedJob::SyncClock:
            job.code = JOB_SYNC_CLOCK;
            break;
        case FuzzedJob::ResetBattery:
            job.code = JOB_RESET_BATTERY;
            break;
    }
    return job;
}

// Whether event ends the plan's job for its requester (or, with no job, the connection).
bool EndsJob(FuzzedJob job, const LinkEvent& event) {
    switch (job) {
        case FuzzedJob::None:
            return event.As<link_event::ReadoutReady>() != nullptr;
        case FuzzedJob::Download:
            return event.As<link_event::DownloadComplete>() != nullptr;
        case FuzzedJob::Upload:
            return event.As<link_event::UploadEnded>() != nullptr;
        case FuzzedJob::Capture:
            return event.As<link_event::CaptureResult>() != nullptr;
        case FuzzedJob::SyncClock:
            return event.As<link_event::ClockSynced>() != nullptr;
        default:
            return event.As<link_event::JobResult>() != nullptr;
    }
}

// The records whose every block came in a record-read reply with good checksums, by record.
std::map<int, std::set<std::string>> GoodRecords(const FuzzLine& line) {
    std::map<int, std::set<std::string>> good;
    const auto& sent = line.Sent();
    for (std::size_t k = 0; k < sent.size(); ++k) {
        const std::string& text = sent[k].message.bytes;
        unsigned first = 0;
        unsigned blocks = 0;
        if (sent[k].message.binary ||
            std::sscanf(text.c_str(), "RP %x 40 %x", &first, &blocks) != 2 || blocks != 3 ||
            first % kBlocksPerRecord != 0) {
            continue;
        }
        if (const auto data = GoodRecordData(ReadAfter(line, k), text, 3)) {
            good[static_cast<int>(first) / kBlocksPerRecord].insert(*data);
        }
    }
    return good;
}

void CheckDownloaded(const FuzzLine& line, const ReadoutSettings& live) {
    Require(live.records != nullptr, "a finished download has records");
    const auto good = GoodRecords(line);
    for (int r = 0; r < live.recordCount; ++r) {
        const std::string record(reinterpret_cast<const char*>(live.records->Record(r)),
                                 kRecordSize);
        const auto found = good.find(r);
        Require(found != good.end() && found->second.count(record) == 1,
                "every downloaded record came whole in a reply with good checksums");
    }
}

// No byte write outside the information area, and no record write outside the upload's
// records (none at all without an upload).
void CheckWrites(const FuzzLine& line, const WorkerPlan& plan, const RecordImage* upload) {
    const int uploadBlocks = upload != nullptr ? plan.uploadRecords * kBlocksPerRecord : 0;
    for (const auto& sent : line.Sent()) {
        if (sent.message.binary) {
            continue;
        }
        unsigned address = 0;
        unsigned value = 0;
        unsigned first = 0;
        unsigned blocks = 0;
        const char* text = sent.message.bytes.c_str();
        if (std::sscanf(text, "WE %x %x", &address, &value) == 2) {
            Require(address < static_cast<unsigned>(ReadoutMemoryMap::kInfoAreaSize) && value < 256,
                    "a byte write goes to the information area");
        } else if (std::sscanf(text, "WP %x 40 %x", &first, &blocks) == 2) {
            Require(first + blocks <= static_cast<unsigned>(uploadBlocks),
                    "a record write goes to the upload's records");
        }
    }
    if (upload != nullptr) {
        RequirePacketsOfImage(line, 0, *upload);
    }
}

void CheckEvents(const testing::RecordingSink& sink, const WorkerPlan& plan) {
    int uploadsEnded = 0;
    for (const LinkEvent& event : sink.Events()) {
        if (const auto* progress = event.As<link_event::Progress>()) {
            Require(progress->recordsDone >= 0 && progress->recordsDone <= progress->records &&
                        progress->records <= kRecordCapacity,
                    "progress counts within the transfer");
        }
        if (event.As<link_event::UploadEnded>() != nullptr) {
            Require(event.requester == kRequester, "an upload's end goes to its requester");
            ++uploadsEnded;
        }
    }
    Require(uploadsEnded <= (plan.job == FuzzedJob::Upload ? 1 : 0),
            "an upload ends once, and only an upload ends");
}

}  // namespace

WorkerPlan WorkerPlan::FromInput(std::string_view& input) {
    std::uint8_t bytes[kBytes] = {0, 0, 2, 0xFF, 0};
    for (std::size_t i = 0; i < kBytes && !input.empty(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(input.front());
        input.remove_prefix(1);
    }
    WorkerPlan plan;
    plan.job = static_cast<FuzzedJob>(bytes[0] % kFuzzedJobCount);
    plan.submitTurn = bytes[1];
    plan.uploadRecords = static_cast<std::uint8_t>(1 + bytes[2] % 25);
    plan.pullAtMessage = bytes[3];
    plan.cableOutTenths = bytes[4];
    return plan;
}

void WorkerPlan::AppendTo(std::string& input) const {
    for (const std::uint8_t b :
         {static_cast<std::uint8_t>(job), submitTurn, static_cast<std::uint8_t>(uploadRecords - 1),
          pullAtMessage, cableOutTenths}) {
        input.push_back(static_cast<char>(b));
    }
}

bool RunWorker(const WorkerPlan& plan, FuzzLine& line, sim::ManualClock& clock,
               const std::function<bool()>& exhausted) {
    if (plan.pullAtMessage != 0xFF) {
        line.PullCable(plan.pullAtMessage, plan.cableOutTenths * 100);
    }
    LinkShared shared;
    shared.jobs.Open();
    testing::RecordingSink sink(&clock);
    LinkWorker worker(shared, line, clock, sink);
    const auto upload = plan.job == FuzzedJob::Upload ? UploadImage(plan.uploadRecords) : nullptr;

    bool submitted = plan.job == FuzzedJob::None;
    bool jobEnded = false;
    int endTurns = -1;  // turns left once the script or the job has ended
    std::size_t seen = 0;
    for (int turn = 0; turn < kMaxTurns && endTurns != 0; ++turn) {
        if (!submitted && turn >= plan.submitTurn) {
            submitted = shared.jobs.Submit(JobOf(plan, shared.settings.Snapshot(), clock, upload));
        }
        const std::int64_t before = clock.NowMs();
        Require(worker.Turn(), "the worker runs until it is stopped");
        Require(clock.NowMs() - before <= kLongestTurnMs, "a turn ends within its longest wait");

        const auto events = sink.Events(seen);
        seen += events.size();
        for (const LinkEvent& event : events) {
            if (event.As<link_event::DownloadComplete>() != nullptr) {
                CheckDownloaded(line, shared.settings.Snapshot());
            }
            if (!jobEnded && submitted && EndsJob(plan.job, event)) {
                jobEnded = true;
                endTurns = endTurns < 0 ? kTurnsAfterEnd : endTurns;
            }
        }
        if (endTurns < 0 && exhausted()) {
            endTurns = kTurnsAfterEnd;
        }
        if (endTurns > 0) {
            --endTurns;
        }
    }

    shared.stopRequest.store(true);
    bool stopped = false;
    for (int turn = 0; turn < kStopTurns && !stopped; ++turn) {
        stopped = !worker.Turn();
    }
    Require(stopped && !line.PortIsOpen(), "a stop request closes the port within a few turns");
    CheckWrites(line, plan, upload.get());
    CheckEvents(sink, plan);
    return jobEnded;
}

}  // namespace q417::fuzz
