#include "ReadoutEngine.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#include "DateTimeFields.h"

namespace q417::sim {
namespace {

constexpr std::uint8_t kCr = 13;
constexpr std::uint8_t kLf = 10;
constexpr char kLineEnd[] = "\r\n";
constexpr int kLastInfoAddress = ReadoutMemory::kInfoAreaSize - 1;
// The clock can be set to any time a reading time stamp can carry under the simple leap rule.
constexpr int kClockFirstYear = 2000;
constexpr int kClockLastYear = 2099;

std::vector<std::string> SplitWords(const std::string& text) {
    std::vector<std::string> words;
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && text[pos] == ' ') {
            ++pos;
        }
        const std::size_t start = pos;
        while (pos < text.size() && text[pos] != ' ') {
            ++pos;
        }
        if (pos > start) {
            words.push_back(text.substr(start, pos - start));
        }
    }
    return words;
}

// 1 to 8 hexadecimal digits, nothing else.
std::optional<std::uint32_t> ParseHex(std::string_view text) {
    if (text.empty() || text.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (char c : text) {
        const int u = std::toupper(static_cast<unsigned char>(c));
        int digit = 0;
        if (u >= '0' && u <= '9') {
            digit = u - '0';
        } else if (u >= 'A' && u <= 'F') {
            digit = u - 'A' + 10;
        } else {
            return std::nullopt;
        }
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::string FormatFloat(const char* format, float value) {
    char text[64];
    std::snprintf(text, sizeof text, format, static_cast<double>(value));
    return text;
}

std::string HexByte(std::uint8_t value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(value));
    return text;
}

std::uint8_t Checksum(const std::uint8_t* data, std::size_t n) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        sum += data[i];
    }
    return static_cast<std::uint8_t>(sum & 0xFF);
}

bool ValidBlockRange(std::uint32_t first, std::uint32_t blockSize, std::uint32_t count) {
    constexpr auto kBlocks = static_cast<std::uint32_t>(ReadoutEngine::kBlockCount);
    return blockSize == static_cast<std::uint32_t>(kTransferBlockSize) && first < kBlocks &&
           count <= kBlocks - first;
}

}  // namespace

ReadoutEngine::ReadoutEngine(ReadoutMemory memory, std::function<std::int64_t()> calendarNowSeconds)
    : memory_(std::move(memory)), calendarNowSeconds_(std::move(calendarNowSeconds)) {
    if (!calendarNowSeconds_) {
        calendarNowSeconds_ = [] {
            using namespace std::chrono;
            return static_cast<std::int64_t>(
                duration_cast<seconds>(system_clock::now().time_since_epoch()).count());
        };
    }
}

void ReadoutEngine::Receive(const std::uint8_t* data, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        ReceiveByte(data[i]);
    }
}

void ReadoutEngine::Receive(std::string_view bytes) {
    Receive(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string ReadoutEngine::TakeOutput() {
    return std::exchange(output_, std::string());
}

bool ReadoutEngine::HasPartialInput() const {
    return mode_ == InputMode::Packets || !line_.empty() || lineTooLong_;
}

std::int64_t ReadoutEngine::ReadoutClockSeconds() const {
    return calendarNowSeconds_() + memory_.ClockOffsetSeconds();
}

void ReadoutEngine::LineReset() {
    mode_ = InputMode::Command;
    line_.clear();
    lineTooLong_ = false;
    afterCr_ = false;
    packet_.clear();
    packetsLeft_ = 0;
    output_.clear();
}

void ReadoutEngine::ReceiveByte(std::uint8_t byte) {
    if (swapAfterStall_) {
        // Nothing reaches the readout during a stall: this is the first byte after it, and
        // another readout takes it, waiting for a command whatever the first one was doing.
        swapAfterStall_ = false;
        LineReset();
        memory_.SetIdentity(faults_.otherIdentity);
    }
    if (mode_ == InputMode::Packets) {
        ReceivePacketByte(byte);
        return;
    }
    if (byte == kLf) {
        // The LF of a CR LF line end; a stray LF elsewhere is line noise and ignored as well.
        afterCr_ = false;
        return;
    }
    afterCr_ = false;
    if (byte == kCr) {
        const std::string raw = std::move(line_);
        const bool tooLong = lineTooLong_;
        line_.clear();
        lineTooLong_ = false;
        afterCr_ = true;
        HandleLine(raw, tooLong);
        return;
    }
    if (line_.size() < kMaxLineLength) {
        line_.push_back(static_cast<char>(byte));
    } else {
        lineTooLong_ = true;
    }
}

void ReadoutEngine::ReceivePacketByte(std::uint8_t byte) {
    if (afterCr_) {
        // The command line ended with CR LF; the packets start after the LF.
        afterCr_ = false;
        if (byte == kLf) {
            return;
        }
    }
    packet_.push_back(byte);
    if (packet_.size() < static_cast<std::size_t>(kTransferBlockSize) + 1) {
        return;
    }
    if (Checksum(packet_.data(), kTransferBlockSize) == packet_[kTransferBlockSize]) {
        std::memcpy(
            memory_.Records().data() + static_cast<std::size_t>(packetBlock_) * kTransferBlockSize,
            packet_.data(), kTransferBlockSize);
        ++storedPackets_;
    } else {
        ++badPackets_;  // acknowledged all the same, but never stored
    }
    packet_.clear();
    ++packetBlock_;
    if (--packetsLeft_ == 0) {
        mode_ = InputMode::Command;
    }
    Emit("\r");
}

void ReadoutEngine::HandleLine(const std::string& raw, bool tooLong) {
    ++commandCount_;
    if (faults_.changeIdentityAfter == 0) {
        memory_.SetIdentity(faults_.otherIdentity);
        faults_.changeIdentityAfter = -1;
    } else if (faults_.changeIdentityAfter > 0) {
        --faults_.changeIdentityAfter;
    }
    if (faults_.stallAfterCommands >= 0) {
        const bool lost = faults_.stallAfterCommands == 0;  // arrived as the stall began
        if (lost || --faults_.stallAfterCommands == 0) {
            faults_.stallAfterCommands = -1;
            stallStartedMs_ = std::max(faults_.stallMs, 0);
            if (faults_.newIdentityAfterStall) {
                faults_.newIdentityAfterStall = false;
                swapAfterStall_ = true;
            }
        }
        if (lost) {
            return;
        }
    }
    if (cablePulled_ || faults_.silent) {
        return;
    }
    if (faults_.answerCommands == 0) {
        cablePulled_ = true;
        return;
    }
    if (faults_.answerCommands > 0) {
        --faults_.answerCommands;
    }

    std::string echo = raw;
    std::transform(echo.begin(), echo.end(), echo.begin(), [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
    const bool wakeUp = !tooLong && echo.find_first_not_of(' ') == std::string::npos;
    if (tooLong || (faults_.rejectAll && !wakeUp)) {
        Reply(Reject(echo));
        return;
    }
    Reply(Execute(echo));
}

std::string ReadoutEngine::Reject(const std::string& echo) {
    return echo + " ?" + kLineEnd;
}

std::string ReadoutEngine::Execute(const std::string& echo) {
    const std::vector<std::string> words = SplitWords(echo);
    if (words.empty()) {
        return FormatFloat("ORVANE Q417 READOUT V%.2f\r\n", memory_.FirmwareVersion());
    }
    const std::string& command = words[0];
    const std::size_t args = words.size() - 1;
    const std::string ack = echo + kLineEnd;

    if (command == "BAUD" && args == 0) {
        return ack;  // the line rate is the line's business; the simulation ignores it
    }
    if (command == "I" && args == 0) {
        memory_.CountInitialize();
        return ack;
    }
    if (command == "F" && args == 0) {
        return echo + FormatFloat(" %.2f", memory_.FirmwareVersion()) + kLineEnd;
    }
    if (command == "B" && args == 0) {
        return echo + FormatFloat(" %.2f", memory_.BatteryVolts()) + kLineEnd;
    }
    if (command == "B" && args == 1 && words[1] == "1") {
        return echo + FormatFloat(" %g", memory_.DisplayOnTime()) +
               FormatFloat(" %g", memory_.BacklightTime()) +
               FormatFloat(" %g", memory_.SleepTime()) +
               FormatFloat(" %g%%", memory_.BatteryLifeRemaining()) + kLineEnd;
    }
    if (command == "B" && args == 1 && words[1] == "2") {
        memory_.ResetBatteryStats();
        memory_.CountBatteryReset();
        return ack;
    }
    if (command == "T" && args == 0) {
        return echo + " " + memory_.TemperatureSignal() + kLineEnd;
    }
    if (command == "M" && args == 1 && words[1] == "5") {
        return echo + " " + memory_.PressureSignal() + kLineEnd;
    }
    if (command == "RT" && args == 0) {
        return echo + " " + DateTimeFields::FromCalendarLocal(ReadoutClockSeconds()).Format() +
               kLineEnd;
    }
    if (command == "WT" && args == 2) {
        const auto fields = DateTimeFields::Parse(words[1] + " " + words[2]);
        if (!fields || !fields->IsValid() || fields->year < kClockFirstYear ||
            fields->year > kClockLastYear) {
            return Reject(echo);
        }
        const auto calendar = fields->ToCalendarLocal();
        if (!calendar) {
            return Reject(echo);
        }
        memory_.SetClockOffsetSeconds(*calendar - calendarNowSeconds_());
        return ack;
    }
    if (command == "RE" && args == 1) {
        const auto address = ParseHex(words[1]);
        if (!address || *address > kLastInfoAddress) {
            return Reject(echo);
        }
        return echo + " " + HexByte(memory_.InfoByte(static_cast<int>(*address))) + kLineEnd;
    }
    if (command == "WE" && args == 2) {
        const auto address = ParseHex(words[1]);
        const auto value = ParseHex(words[2]);
        if (!address || !value || *address > kLastInfoAddress || *value > 0xFF) {
            return Reject(echo);
        }
        memory_.SetInfoByte(static_cast<int>(*address), static_cast<std::uint8_t>(*value));
        return ack;
    }
    if (command == "REB" && args == 1) {
        const std::string& range = words[1];
        const std::size_t dash = range.find('-');
        if (dash == std::string::npos) {
            return Reject(echo);
        }
        const auto first = ParseHex(std::string_view(range).substr(0, dash));
        const auto last = ParseHex(std::string_view(range).substr(dash + 1));
        if (!first || !last || *first > *last || *last > kLastInfoAddress) {
            return Reject(echo);
        }
        std::string reply = ack;
        reply.append(reinterpret_cast<const char*>(memory_.Info().data()) + *first,
                     *last - *first + 1);
        return reply + kLineEnd;
    }
    if ((command == "RP" || command == "WP") && args == 3) {
        const auto first = ParseHex(words[1]);
        const auto blockSize = ParseHex(words[2]);
        const auto count = ParseHex(words[3]);
        if (!first || !blockSize || !count || !ValidBlockRange(*first, *blockSize, *count)) {
            return Reject(echo);
        }
        if (command == "RP") {
            return ack + ReadPackets(static_cast<int>(*first), static_cast<int>(*count));
        }
        StartPacketInput(static_cast<int>(*first), static_cast<int>(*count));
        return ack;
    }
    return Reject(echo);
}

std::string ReadoutEngine::ReadPackets(int firstBlock, int blocks) {
    std::string packets;
    packets.reserve(static_cast<std::size_t>(blocks) * (kTransferBlockSize + 1));
    for (int b = firstBlock; b < firstBlock + blocks; ++b) {
        const std::uint8_t* data =
            memory_.Records().data() + static_cast<std::size_t>(b) * kTransferBlockSize;
        packets.append(reinterpret_cast<const char*>(data), kTransferBlockSize);
        packets.push_back(static_cast<char>(Checksum(data, kTransferBlockSize)));
    }
    if (faults_.corruptChecksums > 0 && blocks > 0) {
        --faults_.corruptChecksums;
        packets.back() = static_cast<char>(packets.back() + 1);
    }
    return packets;
}

void ReadoutEngine::StartPacketInput(int firstBlock, int blocks) {
    packet_.clear();
    packetBlock_ = firstBlock;
    packetsLeft_ = blocks;
    if (blocks > 0) {
        mode_ = InputMode::Packets;
    }
}

void ReadoutEngine::Reply(std::string text) {
    if (faults_.cutReplies > 0 && !text.empty()) {
        --faults_.cutReplies;
        text.resize(text.size() / 2);
    }
    Emit(text);
}

void ReadoutEngine::Emit(std::string_view bytes) {
    if (faults_.silent || cablePulled_) {
        return;
    }
    for (char c : bytes) {
        ++bytesSent_;
        if (faults_.dropEveryNthByte > 0 &&
            bytesSent_ % static_cast<std::uint64_t>(faults_.dropEveryNthByte) == 0) {
            continue;
        }
        output_.push_back(c);
    }
}

}  // namespace q417::sim
