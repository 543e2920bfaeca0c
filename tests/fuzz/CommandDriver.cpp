#include "CommandDriver.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "AsciiCase.h"
#include "FuzzCheck.h"
#include "LinkChecks.h"
#include "ReadoutCommands.h"
#include "ReadoutMemoryMap.h"
#include "ReadoutTransport.h"
#include "SharedSettings.h"

namespace q417::fuzz {
namespace {

constexpr int kPort = 1;

// Records first..first+count-1 picked by the parameter: up to three, anywhere in the memory.
struct RecordRange {
    int first = 0;
    int count = 1;
};

RecordRange RangeOf(std::uint8_t parameter) {
    const int count = 1 + parameter % 3;
    const int first = std::min(parameter / 3 * 3, kRecordCapacity - count);
    return {first, count};
}

// An image whose every byte differs from its neighbours', so that a byte copied to the wrong
// place shows.
RecordImage PatternImage(std::uint8_t seed) {
    RecordImage image;
    for (std::size_t i = 0; i < image.bytes.size(); ++i) {
        image.bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
    }
    return image;
}

std::string RecordCommandText(const char* verb, const RecordRange& range) {
    char text[32];
    std::snprintf(text, sizeof text, "%s %X %X %X", verb, range.first * kBlocksPerRecord,
                  kTransferBlockSize, range.count * kBlocksPerRecord);
    return text;
}

// The last message the host sent that is command, if any.
std::optional<std::size_t> LastMessage(const FuzzLine& line, const std::string& command) {
    const auto& sent = line.Sent();
    for (std::size_t k = sent.size(); k-- > 0;) {
        if (!sent[k].message.binary && sent[k].message.bytes == command) {
            return k;
        }
    }
    return std::nullopt;
}

void CheckRecordRead(ReadoutCommands& commands, const FuzzLine& line, std::uint8_t parameter) {
    const RecordRange range = RangeOf(parameter);
    const RecordImage before = PatternImage(parameter);
    RecordImage image = before;
    const bool read = commands.ReadRecords(range.first * kBlocksPerRecord, range.count, image);

    const std::size_t from = static_cast<std::size_t>(range.first) * kRecordSize;
    const std::size_t to = from + static_cast<std::size_t>(range.count) * kRecordSize;
    Require(std::equal(before.bytes.begin(), before.bytes.begin() + from, image.bytes.begin()) &&
                std::equal(before.bytes.begin() + to, before.bytes.end(), image.bytes.begin() + to),
            "a record read writes nothing outside its records");
    if (!read) {
        Require(image.bytes == before.bytes, "a failed record read leaves the image untouched");
        return;
    }
    const std::string command = RecordCommandText("RP", range);
    const auto k = LastMessage(line, command);
    Require(k.has_value(), "an accepted record read sent its command");
    const auto data = GoodRecordData(ReadAfter(line, *k), command, range.count * kBlocksPerRecord);
    Require(data.has_value(), "an accepted record read came with its echo and good checksums");
    Require(std::equal(data->begin(), data->end(),
                       reinterpret_cast<const char*>(image.bytes.data()) + from),
            "an accepted record read holds the packets' data");
}

void CheckRecordWrite(ReadoutCommands& commands, const FuzzLine& line, std::uint8_t parameter) {
    const RecordRange range = RangeOf(parameter);
    const RecordImage image = PatternImage(parameter);
    const std::size_t firstMessage = line.Sent().size();
    const bool written = commands.WriteRecords(range.first * kBlocksPerRecord, range.count, image);

    RequirePacketsOfImage(line, firstMessage, image);
    const auto& sent = line.Sent();
    const auto packets = std::count_if(sent.begin() + static_cast<std::ptrdiff_t>(firstMessage),
                                       sent.end(), [](const auto& m) { return m.message.binary; });
    // Every packet goes, answered or not: the readout counts them to know where the data ends.
    Require(packets == range.count * kBlocksPerRecord, "a record write sends every packet once");
    if (written) {
        const std::string command = RecordCommandText("WP", range);
        const auto k = LastMessage(line, command);
        Require(k.has_value(), "an accepted record write sent its command");
        std::string replies;
        for (std::size_t m = *k; m < sent.size(); ++m) {
            replies.append(ReadAfter(line, m));
        }
        Require(replies.find('?') == std::string::npos, "an accepted record write had no \"?\"");
        Require(std::count(replies.begin(), replies.end(), '\r') >= packets,
                "an accepted record write had a CR for every packet");
    }
}

void CheckClockRead(ReadoutCommands& commands) {
    std::int64_t seconds = -1;
    if (!commands.ReadClock(seconds)) {
        return;
    }
    // Local time is UTC in these runs: every valid clock maps to one second and back.
    const std::string back = FormatSetClockCommand(seconds);
    int year = 0;
    Require(std::sscanf(back.c_str(), "WT %d/", &year) == 1 && year >= 1970 && year <= 2038,
            "an accepted clock lies in the years the readout can hold");
}

}  // namespace

CommandCase CommandCase::FromInput(std::string_view& input) {
    CommandCase test;
    if (!input.empty()) {
        test.command = static_cast<FuzzedCommand>(static_cast<std::uint8_t>(input.front()) %
                                                  kFuzzedCommandCount);
        input.remove_prefix(1);
    }
    if (!input.empty()) {
        test.parameter = static_cast<std::uint8_t>(input.front());
        input.remove_prefix(1);
    }
    return test;
}

void CommandCase::AppendTo(std::string& input) const {
    input.push_back(static_cast<char>(command));
    input.push_back(static_cast<char>(parameter));
}

void RunCommand(const CommandCase& test, FuzzLine& line, sim::ManualClock& clock) {
    ReadoutTransport transport(line, clock);
    transport.SetPortNumber(kPort);
    Require(transport.OpenPortAt(ReadoutTransport::kProbeBaud), "the fuzzed line opens");
    ReadoutCommands commands(transport);
    ReadoutMemoryMap memoryMap(commands, clock);
    const std::int64_t startMs = clock.NowMs();

    switch (test.command) {
        case FuzzedCommand::Wake:
            if (transport.WakeReadout(3)) {
                // The banner in any case, LFs aside: the readout's line ends may fall anywhere.
                std::string heard;
                for (const char c : line.Read()) {
                    if (c != '\n') {
                        heard.push_back(AsciiUpperChar(c));
                    }
                }
                Require(heard.find("ORVANE") != std::string::npos,
                        "a readout is awake only after its banner");
            }
            break;
        case FuzzedCommand::Identity: {
            int changed = -1;
            const bool read = memoryMap.CheckIdentity("1234ABCD", changed);
            Require(changed == 0 || (read && changed == 1), "an identity unread is unchanged");
            break;
        }
        case FuzzedCommand::Information: {
            SharedSettings settings;
            if (memoryMap.ReadInformation(settings)) {
                const ReadoutSettings s = settings.Snapshot();
                Require(s.connected == 1 && s.records != nullptr,
                        "an information read connects and publishes an image");
                Require(
                    s.recordCount >= 0 && s.recordCount <= std::min(s.capacity, kRecordCapacity),
                    "the record count is within the capacity and the memory");
                Require(s.serialNumber.size() <= ReadoutMemoryMap::kSerialFieldLength,
                        "the serial number stays inside its field");
                Require(s.fileName.size() < ReadoutMemoryMap::kInfoAreaSize,
                        "the file name stays inside the information area");
            } else {
                Require(settings.Snapshot().connected == 0,
                        "a failed information read connects nothing");
            }
            break;
        }
        case FuzzedCommand::RecordRead:
            CheckRecordRead(commands, line, test.parameter);
            break;
        case FuzzedCommand::RecordWrite:
            CheckRecordWrite(commands, line, test.parameter);
            break;
        case FuzzedCommand::ClockRead:
            CheckClockRead(commands);
            break;
        case FuzzedCommand::Capture: {
            std::string temperature = "unchanged";
            std::string pressure = "unchanged";
            if (commands.CaptureCalibration(temperature, pressure)) {
                Require(temperature.size() <= 8 && pressure.size() <= 10 &&
                            temperature.find('\r') == std::string::npos &&
                            pressure.find('\r') == std::string::npos,
                        "captured signals fit their fields and hold no line end");
            } else {
                Require(temperature == "unchanged" && pressure == "unchanged",
                        "a failed capture leaves its outputs");
            }
            break;
        }
        case FuzzedCommand::BatteryStats: {
            BatteryStats stats;
            (void)commands.ReadBatteryStats(stats);
            break;
        }
    }
    RequireNoLongWait(line, startMs, clock.NowMs());
}

}  // namespace q417::fuzz
