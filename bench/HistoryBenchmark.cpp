// How fast and in how little memory a ten-year history is read: 177 sites saved weekly, every
// save repeating each site's 20 stored readings (about 1.8 million lines). The read is timed
// against `sort -u` of the same file, the least a tool must do to drop the repeats, and its peak
// memory against the size of what it keeps. Fails when the reader keeps another number of
// readings than the history holds.
//
// q417historybench [--folder PATH]
// q417historybench --read-peak FILE   (the child that measures one read's peak memory)

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>

#include "HistoryReader.h"
#include "TenYearHistory.h"

namespace {

using namespace q417;
using Clock = std::chrono::steady_clock;

constexpr double kMiB = 1024.0 * 1024.0;

// The peak resident set (VmHWM of /proc/self/status) in MiB; 0 when unreadable.
double PeakResidentMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;  // kB
        }
    }
    return 0;
}

// The shortest of five runs, in seconds: this machine is shared, and both sides get as many.
double BestOfFive(const std::function<void()>& run) {
    double best = std::numeric_limits<double>::infinity();
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// The child: how far one read of path raises this fresh process's peak memory, in MiB.
int ReadPeak(const char* path) {
    const double before = PeakResidentMb();
    const HistoryFileResult result = ReadHistoryFile(path);
    const double after = PeakResidentMb();
    if (result.status != HistoryFileStatus::Read) {
        std::fprintf(stderr, "cannot read %s: %s\n", path, result.error.c_str());
        return 1;
    }
    std::printf("%.1f\n", after - before);
    return 0;
}

// Runs this program as a child measuring the peak of one read; negative when it failed.
double ChildReadPeakMb(const std::string& path) {
    // Resolved here: in the shell, /proc/self/exe would be the shell.
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command = ShellQuoted(self) + " --read-peak " + ShellQuoted(path);
    std::FILE* child = ::popen(command.c_str(), "r");
    if (child == nullptr) {
        return -1;
    }
    double growth = -1;
    if (std::fscanf(child, "%lf", &growth) != 1) {
        growth = -1;
    }
    const int status = ::pclose(child);
    return status == 0 ? growth : -1;
}

// What the reader must keep at least: each reading once, and each site's texts.
double DedupMb(const HistoryData& data) {
    std::uint64_t bytes = data.ReadingCount() * sizeof(HistoryReading);
    for (const HistorySite& site : data.sites) {
        bytes += site.location.size() + site.serialNumber.size() + site.id.size();
    }
    return static_cast<double>(bytes) / kMiB;
}

int Measure(const std::filesystem::path& dir) {
    const std::string path = (dir / "history.csv").string();
    std::printf("writing a ten-year history in %s\n", dir.string().c_str());
    std::fflush(stdout);
    const bench::TenYearHistoryFile file = bench::WriteTenYearHistory(path);
    std::printf("history_lines: %ju\nhistory_bytes: %ju\n", static_cast<std::uintmax_t>(file.lines),
                static_cast<std::uintmax_t>(file.bytes));

    HistoryFileResult result;
    const double readSeconds = BestOfFive([&] { result = ReadHistoryFile(path); });
    if (result.status != HistoryFileStatus::Read) {
        std::printf("FAIL: cannot read %s: %s\n", path.c_str(), result.error.c_str());
        return 1;
    }
    const HistoryData& data = result.data;
    std::printf("history_read_s: %.3f\n", readSeconds);

    const std::string sort = "LC_ALL=C sort -u " + ShellQuoted(path) + " > /dev/null";
    bool sorted = true;
    const double sortSeconds =
        BestOfFive([&] { sorted = sorted && std::system(sort.c_str()) == 0; });
    if (!sorted) {
        std::printf("FAIL: %s failed\n", sort.c_str());
        return 1;
    }
    std::printf("history_sort_u_s: %.3f\n", sortSeconds);
    std::printf("history_read_vs_sort_u: %.2f (goal <= 0.5)\n", readSeconds / sortSeconds);

    const double peakMb = ChildReadPeakMb(path);
    if (peakMb < 0) {
        std::printf("FAIL: the child reading %s did not report its peak memory\n", path.c_str());
        return 1;
    }
    const double dedupMb = DedupMb(data);
    std::printf("history_read_peak_mb: %.1f\n", peakMb);
    std::printf("history_dedup_mb: %.1f\n", dedupMb);
    std::printf("history_read_peak_vs_dedup: %.2f (goal <= 3)\n", peakMb / dedupMb);

    std::printf(
        "history_sites: %zu\nhistory_lines_read: %ju\nhistory_repeated_readings: %ju\n"
        "history_skipped_lines: %ju\n",
        data.sites.size(), static_cast<std::uintmax_t>(data.linesRead),
        static_cast<std::uintmax_t>(data.repeatedReadings),
        static_cast<std::uintmax_t>(data.skipped.Total()));
    const std::uint64_t kept = data.ReadingCount();
    std::printf("history_readings_kept: %ju (distinct in the file: %ju)\n",
                static_cast<std::uintmax_t>(kept),
                static_cast<std::uintmax_t>(file.distinctReadings));
    if (kept != file.distinctReadings) {
        std::printf("FAIL: the reader kept %ju readings of %ju distinct ones\n",
                    static_cast<std::uintmax_t>(kept),
                    static_cast<std::uintmax_t>(file.distinctReadings));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path folder = std::filesystem::temp_directory_path();
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--read-peak") == 0) {
            return ReadPeak(argv[i + 1]);
        }
        if (std::strcmp(argv[i], "--folder") == 0) {
            folder = argv[i + 1];
        }
    }
    const std::filesystem::path dir = folder / ("q417-historybench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    int code = 1;
    try {
        code = Measure(dir);
    } catch (const std::exception& error) {
        std::printf("FAIL: %s\n", error.what());
    }
    std::filesystem::remove_all(dir);
    return code;
}
