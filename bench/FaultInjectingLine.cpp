#include "FaultInjectingLine.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <utility>

#include "ReadoutCommands.h"

namespace q417::bench {
namespace {

constexpr int kPacketSize = ReadoutCommands::kPacketSize;
constexpr std::int64_t kBannerLength = 27;  // "ORVANE Q417 READOUT V2.14" CR LF

// How many bytes the readout's reply to command holds, as far as the faults need to know where
// to strike: the echo, CR LF and what follows it.
std::int64_t ReplyLength(const std::string& command) {
    unsigned first = 0;
    unsigned second = 0;
    unsigned blocks = 0;
    const auto echo = static_cast<std::int64_t>(command.size());
    if (std::sscanf(command.c_str(), "RP %x %x %x", &first, &second, &blocks) == 3) {
        return echo + 2 + static_cast<std::int64_t>(blocks) * kPacketSize;
    }
    if (std::sscanf(command.c_str(), "REB %x-%x", &first, &second) == 2 && second >= first) {
        return echo + 2 + (second - first + 1) + 2;
    }
    if (std::sscanf(command.c_str(), "WP %x %x %x", &first, &second, &blocks) == 3) {
        return echo + 2 + blocks;  // a CR for each packet
    }
    if (command.empty()) {
        return kBannerLength;
    }
    return echo + 8;  // the echo, a short answer and the line end
}

std::int64_t Between(std::mt19937_64& random, std::int64_t low, std::int64_t high) {
    return std::uniform_int_distribution<std::int64_t>(low, std::max(low, high))(random);
}

bool Chance(std::mt19937_64& random, double p) {
    return std::uniform_real_distribution<double>(0.0, 1.0)(random) < p;
}

// Exponentially distributed: the faults come at random moments, meanMs apart on average.
std::int64_t Gap(std::mt19937_64& random, std::int64_t meanMs) {
    std::exponential_distribution<double> gap(
        1.0 / static_cast<double>(std::max<std::int64_t>(meanMs, 1)));
    return std::max<std::int64_t>(std::llround(gap(random)), 1);
}

}  // namespace

const char* FaultName(FaultKind kind) {
    switch (kind) {
        case FaultKind::DroppedByte:
            return "dropped_byte";
        case FaultKind::CorruptReadPacket:
            return "corrupt_read_packet";
        case FaultKind::CorruptWritePacket:
            return "corrupt_write_packet";
        case FaultKind::CutReply:
            return "cut_reply";
        case FaultKind::Stall:
            return "stall";
        case FaultKind::Latency:
            return "latency";
        case FaultKind::CablePull:
            return "cable_pull";
    }
    return "unknown";
}

FaultInjectingLine::FaultInjectingLine(SerialLine& inner, Clock& clock, std::uint64_t seed,
                                       FaultRates rates)
    : ForwardingLine(inner),
      clock_(clock),
      rates_(rates),
      random_(seed),
      schedule_(seed ^ 0x9E3779B97F4A7C15ULL) {
    const std::int64_t now = clock_.NowMs();
    nextStallMs_ = now + Gap(schedule_, rates_.stallMeanGapMs);
    nextPullMs_ = now + Gap(schedule_, rates_.pullMeanGapMs);
}

void FaultInjectingLine::Count(FaultKind kind, const std::string& what) {
    injected_[static_cast<std::size_t>(kind)].fetch_add(1);
    if (trace_ != nullptr) {
        trace_->Event('!', std::string(FaultName(kind)) + (what.empty() ? "" : " " + what));
    }
}

void FaultInjectingLine::Advance(std::int64_t nowMs) {
    if (!pulled_ && nowMs >= nextPullMs_) {
        // The adapter goes: the port hangs up with whatever was on its way.
        pulled_ = true;
        outageEndMs_ = nowMs + Between(schedule_, rates_.outageMinMs, rates_.outageMaxMs);
        ForwardingLine::PortClose();
        held_.clear();
        Count(FaultKind::CablePull, std::to_string(outageEndMs_ - nowMs) + " ms");
    }
    if (pulled_ && nowMs >= outageEndMs_) {
        pulled_ = false;  // plugged in again: the next open finds the device
        nextPullMs_ = nowMs + Gap(schedule_, rates_.pullMeanGapMs);
    }
    if (nowMs >= nextStallMs_) {
        if (!pulled_) {
            stallEndMs_ = nowMs + Between(schedule_, rates_.stallMinMs, rates_.stallMaxMs);
            Count(FaultKind::Stall, std::to_string(stallEndMs_ - nowMs) + " ms");
        }
        nextStallMs_ = std::max(stallEndMs_, nowMs) + Gap(schedule_, rates_.stallMeanGapMs);
    }
}

void FaultInjectingLine::PortOpen(int portNumber, int baudRate) {
    const std::int64_t now = clock_.NowMs();
    Advance(now);
    held_.clear();
    command_.clear();
    dropAt_ = cutAt_ = corruptAt_ = -1;
    latencyMs_ = 0;
    writePacketsLeft_ = 0;
    if (pulled_) {
        openFailure_ = {OpenFailure::NoSuchDevice, "cable pulled: no such device"};
        return;
    }
    openFailure_ = {};
    ForwardingLine::PortOpen(portNumber, baudRate);
}

bool FaultInjectingLine::PortIsOpen() const {
    return !pulled_ && ForwardingLine::PortIsOpen();
}

void FaultInjectingLine::PortClose() {
    ForwardingLine::PortClose();
    held_.clear();
}

PortOpenFailure FaultInjectingLine::LastOpenFailure() const {
    return openFailure_.Failed() ? openFailure_ : ForwardingLine::LastOpenFailure();
}

void FaultInjectingLine::Pump(std::int64_t nowMs) {
    if (!PortIsOpen()) {
        return;
    }
    std::uint8_t chunk[256];
    for (;;) {
        const int waiting = Inner().PortBytesWaiting();
        if (waiting <= 0) {
            return;
        }
        const int n = Inner().PortRead(chunk, std::min<int>(waiting, sizeof chunk));
        if (n <= 0) {
            return;
        }
        for (int i = 0; i < n; ++i) {
            Receive(chunk[i], nowMs);
        }
    }
}

void FaultInjectingLine::Receive(std::uint8_t byte, std::int64_t nowMs) {
    const std::int64_t at = replyBytes_++;
    if (cutAt_ >= 0 && at >= cutAt_) {
        if (at == cutAt_) {
            Count(FaultKind::CutReply, "after " + std::to_string(at) + " bytes");
        }
        return;
    }
    if (at == dropAt_) {
        Count(FaultKind::DroppedByte, "byte " + std::to_string(at));
        return;
    }
    if (at == corruptAt_ && delivered_ - lastCorruptDelivered_ >= 2 * kPacketSize) {
        byte ^= corruptMask_;
        lastCorruptDelivered_ = delivered_;
        Count(FaultKind::CorruptReadPacket, "byte " + std::to_string(at));
    }
    ++delivered_;
    std::int64_t visible = nowMs;
    if (latencyMs_ > 0) {
        visible += latencyMs_;
        if (!latencyCounted_) {
            latencyCounted_ = true;
            Count(FaultKind::Latency, std::to_string(latencyMs_) + " ms");
        }
    }
    if (Stalled(nowMs)) {
        visible = std::max(visible, stallEndMs_);  // a stalled readout sends nothing meanwhile
    }
    visible = std::max(visible, lastVisibleMs_);
    lastVisibleMs_ = visible;
    held_.push_back({byte, visible});
}

int FaultInjectingLine::Visible(std::int64_t nowMs) const {
    int n = 0;
    for (const HeldByte& b : held_) {
        if (b.visibleAtMs > nowMs) {
            break;
        }
        ++n;
    }
    return n;
}

int FaultInjectingLine::PortRead(std::uint8_t* buffer, int maxCount) {
    const std::int64_t now = clock_.NowMs();
    Advance(now);
    Pump(now);
    int n = 0;
    while (n < maxCount && !held_.empty() && held_.front().visibleAtMs <= now) {
        buffer[n++] = held_.front().byte;
        held_.pop_front();
    }
    return n;
}

int FaultInjectingLine::PortBytesWaiting() {
    const std::int64_t now = clock_.NowMs();
    Advance(now);
    Pump(now);
    return Visible(now);
}

bool FaultInjectingLine::WaitForInput(std::int64_t timeoutMs) {
    const std::int64_t deadline = clock_.NowMs() + std::max<std::int64_t>(timeoutMs, 0);
    for (;;) {
        const std::int64_t now = clock_.NowMs();
        Advance(now);
        Pump(now);
        if (!PortIsOpen()) {
            return false;
        }
        if (Visible(now) > 0) {
            return true;
        }
        if (now >= deadline) {
            return false;
        }
        // Wake for the next held byte and for the next fault as well as for new input.
        std::int64_t until = std::min(deadline, nextStallMs_);
        if (!pulled_) {
            until = std::min(until, nextPullMs_);
        }
        if (!held_.empty()) {
            until = std::min(until, held_.front().visibleAtMs);
        }
        Inner().WaitForInput(std::max<std::int64_t>(until - now, 1));
    }
}

void FaultInjectingLine::PortPutChar(int byte) {
    const std::int64_t now = clock_.NowMs();
    Advance(now);
    Pump(now);  // what came before belongs to the reply before
    TrackCommand(static_cast<std::uint8_t>(byte & 0xFF));
    if (!PortIsOpen() || Stalled(now)) {
        return;  // lost
    }
    Inner().PortPutChar(byte);
}

void FaultInjectingLine::PortWrite(const std::uint8_t* buffer, int count) {
    const std::int64_t now = clock_.NowMs();
    Advance(now);
    Pump(now);
    const bool packet = count == kPacketSize && writePacketsLeft_ > 0;
    const int block = writeBlock_;
    if (packet) {
        ++writeBlock_;
        --writePacketsLeft_;
    }
    if (!PortIsOpen() || Stalled(now)) {
        return;  // lost
    }
    if (packet) {
        if (packetsSinceCorrupt_ >= 2 && Chance(random_, rates_.corruptPerWritePacket)) {
            std::uint8_t changed[kPacketSize];
            std::copy(buffer, buffer + kPacketSize, changed);
            const auto at = Between(random_, 0, kPacketSize - 1);
            changed[at] ^= static_cast<std::uint8_t>(Between(random_, 1, 255));
            packetsSinceCorrupt_ = 0;
            {
                std::lock_guard lock(writeBlocksMutex_);
                corruptedWriteBlocks_.push_back(block);
            }
            Count(FaultKind::CorruptWritePacket, "block " + std::to_string(block));
            Inner().PortWrite(changed, kPacketSize);
            return;
        }
        ++packetsSinceCorrupt_;
    }
    Inner().PortWrite(buffer, count);
}

std::vector<int> FaultInjectingLine::TakeCorruptedWriteBlocks() {
    std::lock_guard lock(writeBlocksMutex_);
    return std::exchange(corruptedWriteBlocks_, {});
}

void FaultInjectingLine::TrackCommand(std::uint8_t byte) {
    if (byte == '\r') {
        CommandSent(command_);
        command_.clear();
    } else if (byte != '\n' && command_.size() < 64) {
        command_.push_back(static_cast<char>(std::toupper(byte)));
    }
}

void FaultInjectingLine::CommandSent(const std::string& command) {
    replyBytes_ = 0;
    dropAt_ = cutAt_ = corruptAt_ = -1;
    latencyMs_ = 0;
    latencyCounted_ = false;
    writePacketsLeft_ = 0;
    unsigned first = 0;
    unsigned blockSize = 0;
    unsigned blocks = 0;
    if (std::sscanf(command.c_str(), "WP %x %x %x", &first, &blockSize, &blocks) == 3) {
        writeBlock_ = static_cast<int>(first);
        writePacketsLeft_ = static_cast<int>(blocks);
    }
    const bool recordRead =
        std::sscanf(command.c_str(), "RP %x %x %x", &first, &blockSize, &blocks) == 3 && blocks > 0;

    if (Chance(random_, rates_.latencyPerCommand)) {
        latencyMs_ = Between(random_, rates_.latencyMinMs, rates_.latencyMaxMs);
    }
    // At most one fault that loses or changes bytes in a reply.
    const std::int64_t length = ReplyLength(command);
    double roll = std::uniform_real_distribution<double>(0.0, 1.0)(random_);
    if (recordRead) {
        if (roll < rates_.corruptPerRecordRead) {
            const auto echo = static_cast<std::int64_t>(command.size());
            corruptAt_ =
                echo + 2 + Between(random_, 0, static_cast<std::int64_t>(blocks) * kPacketSize - 1);
            corruptMask_ = static_cast<std::uint8_t>(Between(random_, 1, 255));
            return;
        }
        roll -= rates_.corruptPerRecordRead;
    }
    if (roll < rates_.dropPerCommand) {
        dropAt_ = Between(random_, 0, length - 1);
    } else if (roll < rates_.dropPerCommand + rates_.cutPerCommand) {
        cutAt_ = Between(random_, 1, length - 1);
    }
}

}  // namespace q417::bench
