#include "SimOptions.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <functional>
#include <limits>
#include <map>

#include "ReadoutMemory.h"

namespace q417::sim {
namespace {

std::optional<int> ParseInt(const std::string& text, int min, int max) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

bool ValidSerial(const std::string& serial) {
    if (serial.empty() || static_cast<int>(serial.size()) > ReadoutMemory::kMaxSerialLength) {
        return false;
    }
    for (char c : serial) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x21 || b > 0x7E || c == '?') {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string SimOptions::Usage() {
    return "usage: q417sim [options]\n"
           "Serves a simulated Q417 readout on a pseudo-terminal and prints its device path as\n"
           "the first line of standard output.\n"
           "  --sites N              sites in the record memory, 0..200 (default 12)\n"
           "  --serial TEXT          serial number, 1..8 characters (default 30303000)\n"
           "  --link PATH            also reach the device through a symbolic link PATH\n"
           "  --state-out FILE       write the readout's final state as JSON on exit\n"
           "  --pace BAUD            move bytes no faster than a line at BAUD (default: instant)\n"
           "  --latency MS           answer each command and packet MS milliseconds late\n"
           "  --silent               answer nothing\n"
           "  --reject               answer every command with \"?\" (the banner still comes)\n"
           "  --drop-every N         lose every Nth byte the readout sends\n"
           "  --bad-checksum N       the next N record reads carry a wrong packet checksum\n"
           "  --cut-replies N        the next N replies stop halfway\n"
           "  --pull-after K         answer K more commands, then fall silent for good\n"
           "  --hangup-after K       hang up the line after K commands\n"
           "  --new-identity-after K after K commands, show another readout's identity bytes\n"
           "  --stall-after K        answer K more commands, then stall: lose what comes in and\n"
           "                         send nothing for the --stall-ms time\n"
           "  --stall-ms N           length of that stall in milliseconds (default 1000)\n"
           "  --erased-records N     the last N site records read as erased memory (0xFF)\n"
           "  --nan-readings N       the newest stored reading of the first N sites that hold\n"
           "                         readings is not a number\n"
           "  --swap-after K         answer K more commands, stall as above, then answer as\n"
           "                         another readout (other identity bytes)\n"
           "  --help                 show this text\n"
           "  --version              print the version of q417sim\n"
           "SIGTERM or SIGINT ends the simulation (exit status 0).\n";
}

std::optional<SimOptions> SimOptions::Parse(const std::vector<std::string>& args,
                                            std::string& error) {
    SimOptions o;
    using Flag = std::function<void()>;
    using Valued = std::function<bool(const std::string&)>;
    auto count = [](int& target, int min) {
        return [&target, min](const std::string& v) {
            const auto n = ParseInt(v, min, INT_MAX);
            if (n) {
                target = *n;
            }
            return n.has_value();
        };
    };
    const std::map<std::string, Flag> flags = {
        {"--silent", [&] { o.faults.silent = true; }},
        {"--reject", [&] { o.faults.rejectAll = true; }},
        {"--help", [&] { o.help = true; }},
        {"--version", [&] { o.version = true; }},
    };
    const std::map<std::string, Valued> valued = {
        {"--sites",
         [&](const std::string& v) {
             const auto n = ParseInt(v, 0, kRecordCapacity);
             if (n) {
                 o.sites = *n;
             }
             return n.has_value();
         }},
        {"--serial",
         [&](const std::string& v) {
             o.serial = v;
             return ValidSerial(v);
         }},
        {"--link",
         [&](const std::string& v) {
             o.linkPath = v;
             return !v.empty();
         }},
        {"--state-out",
         [&](const std::string& v) {
             o.stateOut = v;
             return !v.empty();
         }},
        {"--pace", count(o.faults.paceBaud, 1)},
        {"--drop-every", count(o.faults.dropEveryNthByte, 1)},
        {"--bad-checksum", count(o.faults.corruptChecksums, 0)},
        {"--cut-replies", count(o.faults.cutReplies, 0)},
        {"--pull-after", count(o.faults.answerCommands, 0)},
        {"--hangup-after", count(o.hangupAfter, 0)},
        {"--new-identity-after", count(o.faults.changeIdentityAfter, 0)},
        {"--latency", count(o.faults.replyLatencyMs, 0)},
        {"--stall-after", count(o.faults.stallAfterCommands, 0)},
        {"--stall-ms", count(o.faults.stallMs, 1)},
        {"--erased-records", count(o.erasedRecords, 0)},
        {"--nan-readings", count(o.nanReadings, 0)},
        {"--swap-after",
         [&](const std::string& v) {
             o.faults.newIdentityAfterStall = true;
             return count(o.faults.stallAfterCommands, 0)(v);
         }},
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        if (const auto f = flags.find(name); f != flags.end()) {
            if (value) {
                error = name + " takes no value";
                return std::nullopt;
            }
            f->second();
            continue;
        }
        const auto v = valued.find(name);
        if (v == valued.end()) {
            error = "unknown option " + args[i];
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return std::nullopt;
            }
            value = args[++i];
        }
        if (!v->second(*value)) {
            error = "bad value for " + name + ": " + *value;
            return std::nullopt;
        }
    }
    return o;
}

void SimOptions::ApplyMemoryFaults(ReadoutMemory& memory) const {
    const int sites = memory.RecordCount();
    for (int r = std::max(0, sites - erasedRecords); r < sites; ++r) {
        memory.EraseRecord(r);
    }
    int spoiled = 0;
    for (int r = 0; r < sites && spoiled < nanReadings; ++r) {
        const int count = memory.ReadingCount(r);
        if (count > 0 && count <= ReadoutMemory::kMaxReadings) {
            ReadoutMemory::Reading newest = memory.ReadingAt(r, count - 1);
            newest.value = std::numeric_limits<float>::quiet_NaN();
            memory.SetReading(r, count - 1, newest);
            ++spoiled;
        }
    }
}

}  // namespace q417::sim
