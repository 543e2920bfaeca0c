// q417sim: a simulated Q417 readout on a pseudo-terminal, for trying and testing the host
// without the hardware. The first line of standard output is the device to open.

#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "PtyRunner.h"
#include "Q417Version.h"
#include "ReadoutEngine.h"
#include "ReadoutMemory.h"
#include "SimOptions.h"
#include "StateWriter.h"

namespace {

using q417::sim::PtyRunner;
using q417::sim::ReadoutEngine;
using q417::sim::ReadoutMemory;
using q417::sim::SimOptions;
using q417::sim::StateWriter;

constexpr int kExitUsage = 2;

// Points path at target, replacing an old symbolic link but never a real file.
bool MakeLink(const std::string& path, const std::string& target) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            std::fprintf(stderr, "q417sim: %s exists and is not a symbolic link\n", path.c_str());
            return false;
        }
        ::unlink(path.c_str());
    }
    if (::symlink(target.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "q417sim: %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

// Removes the link only while it still points at our device (another simulator may own it now).
void RemoveLink(const std::string& path, const std::string& target) {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
    if (n > 0 && std::string(buffer, static_cast<std::size_t>(n)) == target) {
        ::unlink(path.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = SimOptions::Parse(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fprintf(stderr, "q417sim: %s\n%s", error.c_str(), SimOptions::Usage().c_str());
        return kExitUsage;
    }
    if (options->help) {
        std::fputs(SimOptions::Usage().c_str(), stdout);
        return 0;
    }
    if (options->version) {
        std::printf("q417sim %s\n", q417::kVersion);
        return 0;
    }

    // The stop signals are taken through a descriptor, so the event loop sees them like input.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    if (::sigprocmask(SIG_BLOCK, &stopSignals, nullptr) != 0) {
        std::perror("q417sim: sigprocmask");
        return 1;
    }
    const int signalFd = ::signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signalFd < 0) {
        std::perror("q417sim: signalfd");
        return 1;
    }
    ::signal(SIGPIPE, SIG_IGN);  // a reader that closed our stdout must not end the simulation

    ReadoutMemory memory =
        ReadoutMemory::MakeDefault(options->sites, static_cast<std::int64_t>(std::time(nullptr)));
    if (!options->serial.empty()) {
        memory.SetSerialNumber(options->serial);
    }
    options->ApplyMemoryFaults(memory);
    ReadoutEngine engine(std::move(memory), nullptr);
    engine.Faults() = options->faults;

    PtyRunner runner(engine, options->hangupAfter);
    if (!runner.Open()) {
        std::fprintf(stderr, "q417sim: %s\n", runner.LastError().c_str());
        return 1;
    }
    const std::string& device = runner.DevicePath();
    if (!options->linkPath.empty() && !MakeLink(options->linkPath, device)) {
        return 1;
    }
    std::printf("%s\n", device.c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "q417sim: readout %s with %d sites on %s%s%s\n",
                 engine.Memory().SerialNumber().c_str(), engine.Memory().RecordCount(),
                 device.c_str(), options->linkPath.empty() ? "" : " as ",
                 options->linkPath.c_str());

    runner.WatchStopFd(signalFd);
    const PtyRunner::StopReason reason = runner.Run();
    if (reason == PtyRunner::StopReason::Failed) {
        std::fprintf(stderr, "q417sim: %s\n", runner.LastError().c_str());
    }

    int status = reason == PtyRunner::StopReason::Failed ? 1 : 0;
    if (!options->stateOut.empty() &&
        !StateWriter::WriteAtomically(options->stateOut, StateWriter::ToJson(engine), error)) {
        std::fprintf(stderr, "q417sim: %s\n", error.c_str());
        status = 1;
    }
    if (!options->linkPath.empty()) {
        RemoveLink(options->linkPath, device);
    }
    ::close(signalFd);
    return status;
}
