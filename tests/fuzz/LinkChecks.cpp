#include "LinkChecks.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "AsciiCase.h"
#include "FuzzCheck.h"

namespace q417::fuzz {
namespace {

constexpr std::size_t kBlockBytes = 64;

// "RP|WP first size blocks" in hexadecimal; nothing for any other line.
struct RecordCommand {
    bool write = false;
    int firstBlock = 0;
    int blocks = 0;
};

std::optional<RecordCommand> ParseRecordCommand(const std::string& line) {
    char verb[3] = {};
    unsigned first = 0;
    unsigned size = 0;
    unsigned blocks = 0;
    if (std::sscanf(line.c_str(), "%2s %x %x %x", verb, &first, &size, &blocks) != 4 ||
        size != kBlockBytes) {
        return std::nullopt;
    }
    const std::string v(verb);
    if (v != "RP" && v != "WP") {
        return std::nullopt;
    }
    return RecordCommand{v == "WP", static_cast<int>(first), static_cast<int>(blocks)};
}

}  // namespace

std::optional<std::string> GoodRecordData(std::string_view reply, const std::string& command,
                                          int blocks) {
    const std::size_t packetBytes = kBlockBytes + 1;
    const std::size_t header = command.size() + 2;
    if (reply.size() < header + packetBytes * static_cast<std::size_t>(blocks) ||
        AsciiUpperText(reply.substr(0, command.size())) != command ||
        reply.substr(command.size(), 2) != "\r\n") {
        return std::nullopt;
    }
    std::string data;
    for (int k = 0; k < blocks; ++k) {
        const std::string_view packet = reply.substr(header + k * packetBytes, packetBytes);
        unsigned sum = 0;
        for (std::size_t i = 0; i < kBlockBytes; ++i) {
            sum += static_cast<std::uint8_t>(packet[i]);
        }
        if ((sum & 0xFF) != static_cast<std::uint8_t>(packet[kBlockBytes])) {
            return std::nullopt;
        }
        data.append(packet.substr(0, kBlockBytes));
    }
    return data;
}

std::string_view ReadAfter(const FuzzLine& line, std::size_t k) {
    const auto& sent = line.Sent();
    const std::size_t from = sent[k].readOffset;
    const std::size_t to = k + 1 < sent.size() ? sent[k + 1].readOffset : line.Read().size();
    return std::string_view(line.Read()).substr(from, to - from);
}

void RequireNoLongWait(const FuzzLine& line, std::int64_t startMs, std::int64_t nowMs) {
    const std::int64_t quietFrom = std::max(startMs, line.LastReadAtMs());
    const auto& sent = line.Sent();
    const auto messages =
        std::count_if(sent.begin(), sent.end(), [&](const auto& m) { return m.atMs >= quietFrom; });
    Require(nowMs - quietFrom <= (messages + 1) * kLongestWaitPerMessageMs,
            "every wait on a silent line ends within its deadline");
}

void RequirePacketsOfImage(const FuzzLine& line, std::size_t fromMessage,
                           const RecordImage& image) {
    const auto& sent = line.Sent();
    std::optional<RecordCommand> write;
    int packets = 0;
    for (std::size_t k = fromMessage; k < sent.size(); ++k) {
        const HostMessage& message = sent[k].message;
        if (!message.binary) {
            write = ParseRecordCommand(message.bytes);
            packets = 0;
            if (write && !write->write) {
                write.reset();
            }
            continue;
        }
        Require(write.has_value(), "a record packet follows a record-write command");
        Require(packets < write->blocks, "no packet beyond the command's blocks");
        const int block = write->firstBlock + packets++;
        Require(block >= 0 && block < kRecordCapacity * kBlocksPerRecord,
                "a packet goes to a block of the record memory");
        const std::string_view data(
            reinterpret_cast<const char*>(image.bytes.data()) + block * kBlockBytes, kBlockBytes);
        Require(message.bytes.size() == kBlockBytes + 1 &&
                    std::string_view(message.bytes).substr(0, kBlockBytes) == data,
                "a packet carries its block of the image");
        unsigned sum = 0;
        for (const char c : data) {
            sum += static_cast<std::uint8_t>(c);
        }
        Require(static_cast<std::uint8_t>(message.bytes.back()) == (sum & 0xFF),
                "a packet carries its block's sum");
    }
}

}  // namespace q417::fuzz
