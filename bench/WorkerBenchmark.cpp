// The communication worker against the simulated readout on a pseudo-terminal: a whole download
// through CReadoutLink compared with the line's own time for it, and how long Stop takes from
// the states where the worker waits longest (a pause, a wake-up of a silent readout, a
// download, the idle poll), and how soon a job submitted to the idle worker reaches the line.
//
//   q417workerbench --sim build/q417sim [--baud 115200] [--records 200]

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchOptions.h"
#include "CReadoutLink.h"
#include "ChildProcess.h"
#include "PosixSerialLine.h"
#include "RecordingSink.h"
#include "SteadyClock.h"
#include "WriteWatchLine.h"

namespace {

using namespace q417;
using namespace std::chrono_literals;
using Ms = std::chrono::duration<double, std::milli>;

struct Rig {
    explicit Rig(const std::string& simPath, std::vector<std::string> simArgs)
        : sim(simPath, std::move(simArgs)),
          device(sim.Device()),
          line([this](int) { return device; }),
          link(line, clock) {}

    test::SimProcess sim;
    std::string device;
    PosixSerialLine line;
    SteadyClock clock;
    CReadoutLink link;
    testing::RecordingSink sink;
};

// Whether event says that at least done records of a download are read.
bool DownloadedAtLeast(const LinkEvent& event, int done) {
    const auto* progress = event.As<link_event::Progress>();
    return progress != nullptr && progress->transfer == Transfer::Download &&
           progress->recordsDone >= done;
}

double TimedStopMs(CReadoutLink& link) {
    const auto start = std::chrono::steady_clock::now();
    link.Stop();
    return Ms(std::chrono::steady_clock::now() - start).count();
}

// From SubmitJob to the job's first byte on the line, with the worker idle: the median of 20
// one-record downloads, each submitted at a random point of the idle pause.
double JobPickupMs(const std::string& simPath) {
    test::SimProcess sim(simPath, {"--sites", "1"});
    const std::string device = sim.Device();
    PosixSerialLine posixLine([&device](int) { return device; });
    testing::WriteWatchLine line(posixLine);
    std::atomic<std::int64_t> lastWriteNs{0};  // steady clock, of the worker's last write
    line.onWrite = [&lastWriteNs] {
        lastWriteNs.store(std::chrono::steady_clock::now().time_since_epoch().count());
    };
    SteadyClock clock;
    CReadoutLink link(line, clock);
    testing::RecordingSink sink;
    link.Start(sink);
    if (!sink.WaitFor(testing::kReadoutReady, 10s)) {
        return -1.0;
    }
    std::mt19937 random(417);
    std::uniform_int_distribution<int> phaseMs(0, 499);
    std::vector<double> pickups;
    for (int i = 0; i < 20; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(phaseMs(random)));
        const std::size_t mark = sink.Count();
        const auto submitted = std::chrono::steady_clock::now();
        const std::int64_t submittedNs = submitted.time_since_epoch().count();
        if (!link.SubmitJob(JOB_DOWNLOAD, 0)) {
            return -1.0;
        }
        while (lastWriteNs.load() < submittedNs) {
            std::this_thread::sleep_for(100us);
        }
        pickups.push_back(static_cast<double>(lastWriteNs.load() - submittedNs) / 1e6);
        if (!sink.WaitFor(testing::kDownloadComplete, 10s, mark)) {
            return -1.0;
        }
    }
    link.Stop();
    std::nth_element(pickups.begin(), pickups.begin() + 10, pickups.end());
    return pickups[10];
}

void PrintStop(const char* where, double ms) {
    std::printf("Stop in %s: %.1f ms\n", where, ms);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const auto options = bench::BenchOptions::Parse(argc, argv);
    const std::string& simPath = options.simPath;
    const int baud = options.baud;
    const int records = options.records;
    if (baud <= 0 || records <= 0 || records > kRecordCapacity) {
        std::fprintf(stderr,
                     "usage: q417workerbench --sim PATH [--baud RATE] [--records 1..200]\n");
        return 2;
    }
    const std::vector<std::string> paced = {"--pace", std::to_string(baud), "--sites",
                                            std::to_string(records)};

    // A whole download through the worker. The line bound counts the command and its reply:
    // 11 bytes out and 3 packets of 65 bytes with the echo and CR LF back, per record.
    {
        Rig rig(simPath, paced);
        rig.link.SetDesiredBaud(baud);
        rig.link.Start(rig.sink);
        if (!rig.sink.WaitFor(testing::kReadoutReady, 10s)) {
            std::fprintf(stderr, "q417workerbench: the simulated readout did not connect\n");
            return 1;
        }
        // The job waits for the idle pause it arrives in, and the turn that takes it pauses
        // once more; the transfer itself is timed from its first record on.
        const std::size_t mark = rig.sink.Count();
        const auto submitted = std::chrono::steady_clock::now();
        rig.link.SubmitJob(JOB_DOWNLOAD, 0);
        rig.sink.WaitUntil([](const LinkEvent& e) { return DownloadedAtLeast(e, 1); }, 10s, mark);
        const auto firstRecord = std::chrono::steady_clock::now();
        if (!rig.sink.WaitFor(testing::kDownloadComplete, 120s, mark)) {
            std::fprintf(stderr, "q417workerbench: the download did not complete\n");
            return 1;
        }
        const auto done = std::chrono::steady_clock::now();
        const double wall = std::chrono::duration<double>(done - firstRecord).count();
        // The first record's time is in the start, so the bound counts the others.
        const double bytes = (records - 1) * (11.0 + 11.0 + 3 * 65.0 + 2.0);
        const double bound = bytes * 10.0 / baud;
        std::printf(
            "Download via worker: records=%d start=%.0f ms transfer=%.3fs bound=%.3fs "
            "ratio=%.3f\n",
            records, Ms(firstRecord - submitted).count(), wall, bound, wall / bound);
        std::fflush(stdout);
        // Halfway through a second download.
        const std::size_t again = rig.sink.Count();
        rig.link.SubmitJob(JOB_DOWNLOAD, 0);
        rig.sink.WaitUntil(
            [records](const LinkEvent& e) { return DownloadedAtLeast(e, (records + 1) / 2); }, 60s,
            again);
        PrintStop("a download", TimedStopMs(rig.link));

        // In the idle poll's pause and exchange.
        rig.link.Start(rig.sink);
        const std::size_t idle = rig.sink.Count();
        rig.sink.WaitFor(testing::kReadoutReady, 10s, idle);
        rig.sink.WaitFor(testing::StatusEvent(LinkDetail::Polling), 10s, idle);
        PrintStop("an idle poll", TimedStopMs(rig.link));

        // In the pause after the port opened.
        rig.link.Start(rig.sink);
        rig.sink.WaitFor(testing::StatusEvent(LinkDetail::PortOpen, LinkStatus::PortOpen), 10s,
                         rig.sink.Count());
        PrintStop("the pause after opening", TimedStopMs(rig.link));
    }
    {
        const double pickup = JobPickupMs(simPath);
        if (pickup < 0) {
            std::fprintf(stderr, "q417workerbench: the job pickup runs did not complete\n");
            return 1;
        }
        std::printf("job_pickup_ms: %.1f (median of 20, goal <= 20)\n", pickup);
        std::fflush(stdout);
    }
    // Waking a readout that does not answer: the worker waits on the line.
    {
        Rig rig(simPath, {"--silent"});
        rig.link.Start(rig.sink);
        rig.sink.WaitFor(testing::StatusEvent(LinkDetail::Connecting, LinkStatus::Connecting), 10s);
        std::this_thread::sleep_for(300ms);  // well inside the first wake-up's wait
        PrintStop("a wake-up of a silent readout", TimedStopMs(rig.link));
    }
    return 0;
}
