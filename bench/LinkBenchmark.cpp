// Record download and upload against the simulated readout on a pseudo-terminal, paced at the
// line's baud rate. Compares the wall time with what the line itself needs for the bytes (10
// bits a byte, both directions) and reports the host's CPU use over the run.
//
//   q417bench --sim build/q417sim [--baud 115200] [--records 200]

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "BenchOptions.h"
#include "ChildProcess.h"
#include "CountingLine.h"
#include "PosixSerialLine.h"
#include "ReadoutCommands.h"
#include "ReadoutTransport.h"
#include "RecordImage.h"
#include "SteadyClock.h"

namespace {

using namespace q417;

double Seconds(clockid_t id) {
    timespec ts{};
    clock_gettime(id, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Measure {
    const char* name;
    int baud;
    bench::CountingLine& line;

    // Runs step() over the records and prints one line; false when a step failed.
    bool Run(const std::function<bool()>& step) {
        line.Reset();
        const double wall0 = Seconds(CLOCK_MONOTONIC);
        const double cpu0 = Seconds(CLOCK_PROCESS_CPUTIME_ID);
        const bool ok = step();
        const double wall = Seconds(CLOCK_MONOTONIC) - wall0;
        const double cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
        const double bound =
            static_cast<double>(line.BytesWritten() + line.BytesRead()) * 10.0 / baud;
        std::printf("%s: wall=%.3fs bound=%.3fs ratio=%.3f cpu=%.1f%%%s\n", name, wall, bound,
                    wall / bound, 100.0 * cpu / wall, ok ? "" : " (FAILED)");
        std::fflush(stdout);
        return ok;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const auto options = bench::BenchOptions::Parse(argc, argv);
    const std::string& simPath = options.simPath;
    const int baud = options.baud;
    const int records = options.records;
    if (baud <= 0 || records <= 0 || records > kRecordCapacity || records % 10 != 0) {
        std::fprintf(stderr, "usage: q417bench --sim PATH [--baud RATE] [--records 10..200]\n");
        return 2;
    }

    test::SimProcess sim(simPath,
                         {"--pace", std::to_string(baud), "--sites", std::to_string(records)});
    if (sim.Device().empty()) {
        std::fprintf(stderr, "q417bench: cannot start %s\n", simPath.c_str());
        return 1;
    }
    const std::string device = sim.Device();
    PosixSerialLine posixLine([&device](int) { return device; });
    bench::CountingLine line(posixLine);
    SteadyClock clock;
    ReadoutTransport transport(line, clock);
    ReadoutCommands commands(transport);
    transport.SetDesiredBaud(baud);
    if (!transport.OpenPortAt(baud) || !transport.WakeReadout(2)) {
        std::fprintf(stderr, "q417bench: the simulated readout on %s did not answer\n",
                     device.c_str());
        return 1;
    }

    RecordImage image;
    bool ok = Measure{"ReadRecords", baud, line}.Run([&] {
        for (int r = 0; r < records; ++r) {
            if (!commands.ReadRecords(r * kBlocksPerRecord, 1, image)) {
                return false;
            }
        }
        return true;
    });
    ok = Measure{"WriteRecords", baud, line}.Run([&] {
        for (int r = 0; r < records; r += 10) {
            if (!commands.WriteRecords(r * kBlocksPerRecord, 10, image)) {
                return false;
            }
        }
        return true;
    }) && ok;
    return ok ? 0 : 1;
}
