// Writes the seed corpora of the link's fuzz targets from real exchanges with the simulated
// readout: each command, and the worker with each job, run against the readout's engine, with
// the engine's replies kept as the script a fuzzer then varies. Run it again when the protocol
// changes, and commit what it writes:
//
//   q417fuzzseeds tests/fuzz/corpus

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CommandDriver.h"
#include "FuzzLine.h"
#include "ManualClock.h"
#include "ReadoutEngine.h"
#include "ReadoutMemory.h"
#include "ReplyScript.h"
#include "UtcTime.h"
#include "WorkerDriver.h"

namespace {

using namespace q417;
using namespace q417::fuzz;
namespace fs = std::filesystem;

constexpr int kSites = 4;

// The simulated readout on the other end of a line, its every reply kept as a frame.
struct EngineReadout {
    sim::ManualClock clock;
    sim::ReadoutEngine engine{sim::ReadoutMemory::MakeDefault(kSites, clock.CalendarSeconds()),
                              [this] { return clock.CalendarSeconds(); }};
    std::string script;
    std::vector<std::string> replies;  // in order, for the parsers' seeds

    FuzzLine::ReplySource Source() {
        return [this](const HostMessage& message) {
            engine.Receive(message.binary ? message.bytes : message.bytes + "\r");
            std::string out = engine.TakeOutput();
            ReplyScript::AppendFrame(script, out);
            replies.push_back(out);
            return ReplyFrame{0, out};
        };
    }
};

bool Write(const fs::path& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) {
        std::fprintf(stderr, "%s: cannot be written\n", path.c_str());
        return false;
    }
    return true;
}

// The first reply that starts with prefix, from its echo on.
std::string ReplyTo(const std::vector<std::string>& replies, const std::string& prefix) {
    for (const std::string& reply : replies) {
        if (reply.rfind(prefix, 0) == 0) {
            return reply;
        }
    }
    return {};
}

bool RecordCommands(const fs::path& folder, std::vector<std::string>& replies) {
    struct Seed {
        const char* name;
        CommandCase test;
    };
    const Seed seeds[] = {
        {"wake", {FuzzedCommand::Wake, 0}},
        {"identity", {FuzzedCommand::Identity, 0}},
        {"information", {FuzzedCommand::Information, 0}},
        {"record-read-1", {FuzzedCommand::RecordRead, 0}},
        {"record-read-3", {FuzzedCommand::RecordRead, 2}},
        {"record-write-1", {FuzzedCommand::RecordWrite, 3}},
        {"record-write-3", {FuzzedCommand::RecordWrite, 5}},
        {"clock-read", {FuzzedCommand::ClockRead, 0}},
        {"capture", {FuzzedCommand::Capture, 0}},
        {"battery-stats", {FuzzedCommand::BatteryStats, 0}},
    };
    for (const Seed& seed : seeds) {
        EngineReadout readout;
        FuzzLine line(readout.clock, readout.Source());
        RunCommand(seed.test, line, readout.clock);
        std::string input;
        seed.test.AppendTo(input);
        input += readout.script;
        if (!Write(folder / seed.name, input)) {
            return false;
        }
        replies.insert(replies.end(), readout.replies.begin(), readout.replies.end());
    }
    return true;
}

bool RecordWorker(const fs::path& folder) {
    struct Seed {
        const char* name;
        FuzzedJob job;
    };
    const Seed seeds[] = {
        {"connect", FuzzedJob::None},
        {"download", FuzzedJob::Download},
        {"upload", FuzzedJob::Upload},
        {"write-serial-number", FuzzedJob::WriteSerialNumber},
        {"write-clock", FuzzedJob::WriteClock},
        {"capture", FuzzedJob::Capture},
        {"sync-clock", FuzzedJob::SyncClock},
        {"reset-battery", FuzzedJob::ResetBattery},
    };
    for (const Seed& seed : seeds) {
        WorkerPlan plan;
        plan.job = seed.job;
        plan.submitTurn = 12;  // the readout is connected by then
        plan.uploadRecords = 3;
        EngineReadout readout;
        FuzzLine line(readout.clock, readout.Source());
        if (!RunWorker(plan, line, readout.clock, [] { return false; })) {
            std::fprintf(stderr, "worker seed %s: the job did not end\n", seed.name);
            return false;
        }
        std::string input;
        plan.AppendTo(input);
        input += readout.script;
        if (!Write(folder / seed.name, input)) {
            return false;
        }
    }
    return true;
}

// The parsers' seeds: the readout's own replies, each behind the byte that picks its parser.
bool RecordReplies(const fs::path& folder, const std::vector<std::string>& replies) {
    const std::string record = ReplyTo(replies, "RP 0 40 3");
    const std::string info = ReplyTo(replies, "REB 0000-047F");
    const std::string echo = "WP 0 40 3\r\n";
    // Packet, echo chunk, three packets each answered 40 ms later.
    std::string acks = std::string(1, '\0') + static_cast<char>(0x80 | echo.size()) + echo;
    for (int k = 0; k < 2; ++k) {
        acks += std::string("\x02\x81\r", 3) + std::string(1, '\0');
    }
    acks += std::string("\x02\x81\r", 3);
    struct Seed {
        const char* name;
        char parser;
        std::string bytes;
    };
    // The first record's data, its packets' checksums left out, behind its index.
    std::string site(1, '\0');
    for (std::size_t at = 11; at + 65 <= record.size(); at += 65) {
        site += record.substr(at, 64);
    }
    const Seed seeds[] = {
        {"firmware", 0, ReplyTo(replies, "F ").substr(2)},
        {"clock", 1, ReplyTo(replies, "RT ")},
        {"battery", 2, ReplyTo(replies, "B 1 ")},
        {"write-acks", 3, acks},
        {"site-record", 4, site},
        {"information", 5, info.size() > 15 ? info.substr(15) : info},
    };
    for (const Seed& seed : seeds) {
        if (seed.bytes.empty()) {
            std::fprintf(stderr, "reply seed %s: the readout gave no such reply\n", seed.name);
            return false;
        }
        if (!Write(folder / seed.name, std::string(1, seed.parser) + seed.bytes)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    UseUtc();
    const fs::path root = argv[1];
    for (const char* target : {"command_fuzz", "worker_fuzz", "reply_fuzz"}) {
        fs::create_directories(root / target);
    }
    std::vector<std::string> replies;
    const bool ok = RecordCommands(root / "command_fuzz", replies) &&
                    RecordWorker(root / "worker_fuzz") &&
                    RecordReplies(root / "reply_fuzz", replies);
    return ok ? 0 : 1;
}
