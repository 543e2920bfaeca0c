// A soak of the link's worker against the simulated readout on a pseudo-terminal, paced at the
// line's rate, with the faults of a cheap adapter or a loose plug injected at random between
// them (FaultInjectingLine): downloads and uploads in turn for a given time, each upload read
// back, every download compared with what the readout may hold (ReadoutTruth). Reports the
// transfers, the bad records the link accepted, the transfers that hung, the host's memory
// over the run and the faults injected.
//
//   q417soakbench --sim build/q417sim [--seconds 600] [--seed N] [--baud 115200] [--trace FILE]
//
// --trace writes the line as the worker sees it, the worker's states and the faults ("!").

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "CReadoutLink.h"
#include "ChildProcess.h"
#include "FaultInjectingLine.h"
#include "LineTrace.h"
#include "PosixSerialLine.h"
#include "QueuedSink.h"
#include "ReadoutCommands.h"
#include "ReadoutMemory.h"
#include "ReadoutMemoryMap.h"
#include "ReadoutTransport.h"
#include "ReadoutTruth.h"
#include "RssSampler.h"
#include "SoakDriver.h"
#include "SteadyClock.h"
#include "TracingLine.h"
#include "UploadPlan.h"

namespace {

using namespace q417;
using namespace std::chrono_literals;

constexpr int kSites = 40;  // in the simulated readout's start-up table

// The hang time-out: the longest the worker may take, by its own deadlines and retry budget, to
// move a transfer on by a record or to give it up (the transfer then ends, interrupted).
// - One exchange (SendCommand) gives up after its flush and 3 attempts of the reply deadline
//   (1200 ms), each followed by a 10 ms flush.
constexpr std::int64_t kExchangeMs = 1 + 3 * (ReadoutTransport::kReplyDeadlineMs + 10);
// - The check that the readout is still the same one reads its 4 identity bytes, one exchange
//   each.
constexpr std::int64_t kIdentityCheckMs = 4 * kExchangeMs;
// - A failed step is at worst the longer of a record write (the echo's deadline, a 50 ms wait
//   for each further packet's CR, the last packet's reply deadline, and 10 records' packets on
//   the line at 115200 baud) and the file name (a failed byte, then its zero: two exchanges);
//   a record read (2 attempts) is shorter.
constexpr std::int64_t kRecordWriteStepMs =
    1 + 2 * ReadoutTransport::kReplyDeadlineMs +
    (kBlocksPerRecord * kRecordsPerUploadStep - 1) * ReadoutCommands::kPacketAckMs +
    kBlocksPerRecord * kRecordsPerUploadStep * ReadoutCommands::kPacketSize * 10 * 1000 / 115200;
constexpr std::int64_t kFailedStepMs =
    kRecordWriteStepMs > 2 * kExchangeMs ? kRecordWriteStepMs : 2 * kExchangeMs;
// - The worker tries a step 4 times, the readout checked before each try after the first, then
//   pauses 500 ms and recovers: up to 4 tries of a wake-up (500 ms, then a 100 ms flush) and the
//   identity check, 1 s apart. After that it either goes on with the transfer or gives it up.
constexpr std::int64_t kGiveUpMs = 4 * kFailedStepMs + 3 * kIdentityCheckMs + 500;
constexpr std::int64_t kRecoveryMs =
    4 * (ReadoutTransport::kWakeDeadlineMs + 100 + kIdentityCheckMs + 1000);
constexpr std::int64_t kHangTimeoutMs = kGiveUpMs + kRecoveryMs;

struct Options {
    std::string simPath = "build/q417sim";
    int seconds = 600;
    std::uint64_t seed = 0;
    bool seeded = false;
    int baud = 115200;
    std::string tracePath;  // empty: no trace
};

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; i += 2) {
        if (i + 1 >= argc) {
            return false;
        }
        const char* value = argv[i + 1];
        if (std::strcmp(argv[i], "--sim") == 0) {
            o.simPath = value;
        } else if (std::strcmp(argv[i], "--seconds") == 0) {
            o.seconds = std::atoi(value);
        } else if (std::strcmp(argv[i], "--seed") == 0) {
            o.seed = std::strtoull(value, nullptr, 10);
            o.seeded = true;
        } else if (std::strcmp(argv[i], "--baud") == 0) {
            o.baud = std::atoi(value);
        } else if (std::strcmp(argv[i], "--trace") == 0) {
            o.tracePath = value;
        } else {
            return false;
        }
    }
    return o.seconds > 0 && o.baud > 0;
}

// The mean size of the samples taken in [from, to) seconds, of this process or of the other.
double MeanMb(const std::vector<bench::RssSampler::Sample>& samples, double from, double to,
              bool self) {
    double sum = 0;
    int n = 0;
    for (const auto& s : samples) {
        if (s.seconds >= from && s.seconds < to) {
            sum += self ? s.selfMb : s.otherMb;
            ++n;
        }
    }
    return n > 0 ? sum / n : 0;
}

// The largest size of this process among the samples taken in [from, to) seconds.
double PeakMb(const std::vector<bench::RssSampler::Sample>& samples, double from, double to) {
    double peak = 0;
    for (const auto& s : samples) {
        if (s.seconds >= from && s.seconds < to) {
            peak = std::max(peak, s.selfMb);
        }
    }
    return peak;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: q417soakbench --sim PATH [--seconds N] [--seed N] [--baud RATE] "
                     "[--trace FILE]\n");
        return 2;
    }
    if (!options.seeded) {
        std::random_device device;
        options.seed = (static_cast<std::uint64_t>(device()) << 32) | device();
    }
    std::printf("soak_seed: %" PRIu64 "\n", options.seed);
    std::printf("soak_hang_timeout_s: %.1f\n", static_cast<double>(kHangTimeoutMs) / 1000.0);
    std::fflush(stdout);

    // The start-up table's time stamps follow the second the simulator started in.
    const std::int64_t before = std::time(nullptr);
    test::SimProcess sim(options.simPath, {"--pace", std::to_string(options.baud), "--sites",
                                           std::to_string(kSites)});
    const std::int64_t after = std::time(nullptr);
    if (sim.Device().empty()) {
        std::fprintf(stderr, "q417soakbench: cannot start %s\n", options.simPath.c_str());
        return 1;
    }
    std::vector<RecordImage> starts;
    ReadoutSettings information;
    for (std::int64_t t = before - 1; t <= after + 1; ++t) {
        const sim::ReadoutMemory memory = sim::ReadoutMemory::MakeDefault(kSites, t);
        RecordImage image;
        std::copy(memory.Records().begin(), memory.Records().begin() + image.bytes.size(),
                  image.bytes.begin());
        starts.push_back(image);
        ReadoutMemoryMap::InfoImage info{};
        std::copy(memory.Info().begin(), memory.Info().end(), info.begin());
        ReadoutMemoryMap::DecodeInformation(info, information);
    }
    bench::ReadoutTruth truth(starts, information.recordCount, information.fileName);

    const std::string device = sim.Device();
    PosixSerialLine port([&device](int) { return device; });
    SteadyClock clock;
    bench::FaultInjectingLine line(port, clock, options.seed, bench::FaultRates{});
    LineTrace trace(clock);
    TracingLine traced(line, trace);
    if (!options.tracePath.empty()) {
        std::string error;
        if (!trace.Start(options.tracePath, error)) {
            std::fprintf(stderr, "q417soakbench: %s\n", error.c_str());
            return 1;
        }
        line.SetTrace(&trace);
    }
    CReadoutLink link(traced, clock);
    link.StartTrace(trace);
    link.SetDesiredBaud(options.baud);
    cli::QueuedSink events(clock);
    bench::SoakDriver driver(link, events, line, truth, options.seed,
                             std::chrono::milliseconds(kHangTimeoutMs), information);

    bench::RssSampler rss(sim.Process().Pid(), 1s, static_cast<std::size_t>(options.seconds) + 600);
    rss.Start();
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::seconds(options.seconds);
    driver.Start();
    while (std::chrono::steady_clock::now() < end) {
        driver.Download(false);
        if (std::chrono::steady_clock::now() >= end) {
            break;
        }
        driver.Upload();
        driver.Download(true);  // the read-back, whatever the time
    }
    driver.Stop();
    const double ranS =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rss.Stop();

    const bench::SoakFigures& f = driver.Figures();
    const auto& samples = rss.Samples();
    const double peak = PeakMb(samples, 0, ranS + 1);
    const double tenth = ranS / 10.0;
    const double firstMb = MeanMb(samples, 0, tenth, true);
    const double lastMb = MeanMb(samples, ranS - tenth, ranS + 1, true);
    const double simFirstMb = MeanMb(samples, 0, tenth, false);
    const double simLastMb = MeanMb(samples, ranS - tenth, ranS + 1, false);
    std::printf("soak_seconds: %.1f\n", ranS);
    std::printf("soak_transfers: %d\n", f.downloads + f.uploads);
    std::printf("soak_bad_records_accepted: %d (goal 0)\n", f.badRecords);
    std::printf("soak_hangs: %d (goal 0)\n", f.hangs);
    std::printf("soak_peak_rss_mb: %.1f\n", peak);
    std::printf(
        "soak_rss_growth_mb: %.2f (mean of the last tenth %.2f - of the first %.2f; peaks %.2f "
        "and %.2f)\n",
        lastMb - firstMb, lastMb, firstMb, PeakMb(samples, ranS - tenth, ranS + 1),
        PeakMb(samples, 0, tenth));
    std::printf("soak_downloads: %d\n", f.downloads);
    std::printf("soak_read_backs: %d\n", f.readBacks);
    std::printf("soak_uploads: %d\n", f.uploads);
    std::printf("soak_interrupted_transfers: %d\n", f.interrupted);
    std::printf("soak_records_checked: %d\n", f.recordsChecked);
    std::printf("soak_bad_information_accepted: %d (goal 0)\n", f.badInformation);
    std::printf("soak_upload_blocks_not_written: %d\n", f.refusedKept);
    std::printf("soak_unverified_downloads: %d\n", f.unverified);
    std::printf("soak_jobs_not_taken: %d\n", f.notTaken);
    std::printf("soak_connect_timeouts: %d\n", f.connectTimeouts);
    std::printf("soak_connections: %d\n", f.connections);
    std::printf("soak_recoveries: %d\n", f.commErrors);
    std::printf("soak_port_lost: %d\n", f.portLost);
    std::printf("soak_new_readout_false: %d\n", f.newReadout);
    std::printf("soak_longest_transfer_s: %.1f\n", f.longestTransferS);
    std::printf("soak_longest_without_progress_s: %.1f\n", f.longestWithoutProgressS);
    for (int k = 0; k < bench::kFaultKinds; ++k) {
        const auto kind = static_cast<bench::FaultKind>(k);
        std::printf("soak_faults_%s: %d\n", bench::FaultName(kind), line.Injected(kind));
    }
    std::printf("soak_sim_rss_growth_mb: %.2f\n", simLastMb - simFirstMb);
    return f.badRecords == 0 && f.hangs == 0 && f.badInformation == 0 ? 0 : 1;
}
