#include "ReadoutCommands.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "AsciiCase.h"
#include "RecordWriteAcks.h"

namespace q417 {
namespace {

constexpr std::uint8_t kCr = 13;
constexpr std::uint8_t kLf = 10;

// True when records firstBlock/3 .. +recordCount lie inside the record image.
bool RecordRangeValid(int firstBlock, int recordCount) {
    return firstBlock >= 0 && firstBlock % kBlocksPerRecord == 0 && recordCount > 0 &&
           firstBlock / kBlocksPerRecord + recordCount <= kRecordCapacity;
}

// How long a reader may pause while `remaining` bytes are still on their way at `baud`: up to
// 5 ms, and always at least 1 ms less than the line needs for them (10 bits a byte).
std::int64_t GatherPauseMs(std::size_t remaining, int baud) {
    if (baud <= 0) {
        return 0;
    }
    const auto lineMs = static_cast<std::int64_t>(remaining) * 10 * 1000 / baud;
    return std::clamp<std::int64_t>(lineMs - 1, 0, 5);
}

}  // namespace

ReadoutCommands::ReadoutCommands(ReadoutTransport& transport) : transport_(transport) {}

bool ReadoutCommands::Query(const std::string& command, std::size_t from, std::string& answer) {
    std::string reply;
    if (!transport_.SendCommand(command, reply)) {
        return false;
    }
    answer = from < reply.size() ? reply.substr(from) : std::string();
    return true;
}

bool ReadoutCommands::ReadFirmwareVersion(float& version) {
    std::string answer;
    if (!Query("F", 2, answer)) {
        return false;
    }
    version = ParseDecimal(answer);
    return true;
}

bool ReadoutCommands::ReadBatteryVoltage(float& volts) {
    std::string answer;
    if (!Query("B", 2, answer)) {
        return false;
    }
    volts = ParseDecimal(answer);
    return true;
}

bool ReadoutCommands::ReadBatteryStats(BatteryStats& stats) {
    std::string reply;
    if (!transport_.SendCommand("B 1", reply)) {
        return false;
    }
    const auto parsed = ParseBatteryStats(reply);
    if (!parsed) {
        return false;  // acknowledged, but the four numbers are not there
    }
    stats = *parsed;
    return true;
}

bool ReadoutCommands::ResetBatteryStats() {
    std::string reply;
    return transport_.SendCommand("B 2", reply);
}

bool ReadoutCommands::SendInitialize() {
    std::string reply;
    return transport_.SendCommand("I", reply);
}

bool ReadoutCommands::CaptureCalibration(std::string& temperatureText, std::string& pressureText) {
    std::string temperature;
    std::string pressure;
    if (!Query("T", 2, temperature) || !Query("M 5", 4, pressure)) {
        return false;
    }
    // The signals end at the line's CR when the readout sends fewer characters: a CR kept in
    // them would split the calibration file's line.
    temperatureText = temperature.substr(0, std::min<std::size_t>(8, temperature.find('\r')));
    pressureText = pressure.substr(0, std::min<std::size_t>(10, pressure.find('\r')));
    return true;
}

bool ReadoutCommands::ReadClock(std::int64_t& calendarSeconds) {
    std::string reply;
    if (!transport_.SendCommand("RT", reply)) {
        return false;
    }
    const auto fields = ParseClockReply(reply);
    if (!fields || !ValidateClockFields(*fields)) {
        return false;
    }
    calendarSeconds = LocalFieldsToCalendar(*fields);
    return true;
}

bool ReadoutCommands::SetClock(std::int64_t calendarSeconds) {
    std::string reply;
    return transport_.SendCommand(FormatSetClockCommand(calendarSeconds), reply);
}

bool ReadoutCommands::ReadByte(int address, std::uint8_t& value) {
    const std::string command = FormatReadByteCommand(address);
    std::string reply;
    if (!transport_.SendCommand(command, reply)) {
        return false;
    }
    // The echo, one separator, the byte in one or two hex digits, and the CR. A reply that lost
    // its value, a digit of three or the separator on the way still holds the echo, but would
    // read as another value (another readout's identity, to the checks that compare them).
    const std::size_t at = command.size();
    const auto hex = [&reply](std::size_t i) {
        return i < reply.size() && std::isxdigit(static_cast<unsigned char>(reply[i])) != 0;
    };
    if (reply.compare(0, at, command) != 0 || reply.size() <= at + 1 || hex(at) ||
        reply[at] == static_cast<char>(kCr)) {
        return false;
    }
    std::size_t end = at + 1;
    while (hex(end)) {
        ++end;
    }
    const std::size_t digits = end - (at + 1);
    if (digits < 1 || digits > 2 || end >= reply.size() || reply[end] != static_cast<char>(kCr)) {
        return false;
    }
    value = static_cast<std::uint8_t>(ParseHex(std::string_view(reply).substr(at + 1, digits)));
    return true;
}

bool ReadoutCommands::ReadBytes(int address, std::span<std::uint8_t> buffer) {
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        if (!ReadByte(address + static_cast<int>(i), buffer[i])) {
            return false;
        }
    }
    return true;
}

bool ReadoutCommands::WriteByte(int address, std::uint8_t value) {
    std::string reply;
    return transport_.SendCommand(FormatWriteByteCommand(address, value), reply);
}

bool ReadoutCommands::WriteBytes(int address, std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (!WriteByte(address + static_cast<int>(i), bytes[i])) {
            return false;
        }
    }
    return true;
}

bool ReadoutCommands::ReadBlock(int first, int last, std::span<std::uint8_t> buffer) {
    if (first < 0 || last < first) {
        return false;
    }
    const auto count = static_cast<std::size_t>(last - first + 1);
    if (buffer.size() < count) {
        return false;
    }
    SerialLine& line = transport_.Line();
    transport_.FlushInput(10);
    const std::string command = FormatReadBlockCommand(first, last);
    transport_.SendRawLine(command);

    // Without our echo in time, what comes next cannot be told from the data: a late reply
    // would shift its own echo into the block. Let the readout finish talking, clear the line
    // for the next attempt, and fail.
    std::string echo;
    int consumed = 0;
    if (!transport_.ReadLine(echo, consumed) ||
        AsciiUpperText(echo).compare(0, command.size(), command) != 0) {
        transport_.Time().SleepMs(kWrongEchoPauseMs);
        transport_.DrainInput(10);
        return false;
    }

    // Raw 8-bit data follows the echo's CR; the echo's LF may come first and is skipped once.
    // One byte after the data (the readout's line end) is consumed and discarded.
    transport_.SetByteDeadlineMs(kBlockByteMs);
    std::size_t received = 0;
    bool lfSkipped = false;
    bool complete = false;
    bool lineEnd = true;  // no byte after the data, or the readout's CR
    std::uint8_t chunk[ReadoutTransport::kChunkSize];
    while (!complete) {
        const int waiting = line.PortBytesWaiting();
        if (waiting <= 0) {
            if (!transport_.WaitUntil(transport_.Time().NowMs() + transport_.ByteTimeLeftMs())) {
                break;
            }
            continue;
        }
        // Never take more than the data and its one trailing byte, so what follows stays put.
        const int wanted = static_cast<int>(std::min<std::size_t>(
            {static_cast<std::size_t>(waiting), sizeof chunk, count - received + 1}));
        const int n = line.PortRead(chunk, wanted);
        for (int i = 0; i < n && !complete; ++i) {
            const std::uint8_t byte = chunk[i];
            if (received == 0 && !lfSkipped && byte == kLf) {
                lfSkipped = true;
            } else if (received == count) {
                complete = true;
                lineEnd = byte == kCr;
            } else {
                buffer[received++] = byte;
            }
        }
        if (n > 0) {
            transport_.SetByteDeadlineMs(kBlockByteMs);
        }
    }
    // A reply that lost a byte on the way still fills the buffer, its CR in place of the last
    // data byte and its LF after it: anything but a CR right after the data shows the shift.
    // Data with nothing after them are taken once the byte gap has passed, unless they end in
    // the CR LF of a reply that lost two.
    const bool lineEndInData = count >= 2 && buffer[count - 2] == kCr && buffer[count - 1] == kLf;
    return received == count && lineEnd && (complete || !lineEndInData);
}

bool ReadoutCommands::WriteRecords(int firstBlock, int recordCount, const RecordImage& image) {
    if (!RecordRangeValid(firstBlock, recordCount)) {
        return false;
    }
    SerialLine& line = transport_.Line();
    Clock& clock = transport_.Time();
    const int blocks = kBlocksPerRecord * recordCount;
    const std::string command = FormatRecordCommand("WP", firstBlock, kBlockSize, blocks);
    constexpr std::int64_t kDeadlineMs = ReadoutTransport::kReplyDeadlineMs;

    RecordWriteAcks acks(kDeadlineMs);
    auto sendPacket = [&](int k) {
        const int block = firstBlock + k;
        const std::uint8_t* data =
            image.Record(block / kBlocksPerRecord) + (block % kBlocksPerRecord) * kBlockSize;
        std::uint8_t packet[kPacketSize];
        std::memcpy(packet, data, kBlockSize);
        packet[kBlockSize] = PacketChecksum({data, static_cast<std::size_t>(kBlockSize)});
        acks.PacketSent(clock.NowMs());
        line.PortWrite(packet, kPacketSize);
    };
    // Takes everything waiting; false when nothing was.
    auto pump = [&] {
        std::string chunk;
        bool any = false;
        while (transport_.ReadAvailable(chunk) > 0) {
            acks.Take(chunk, clock.NowMs());
            any = true;
        }
        return any;
    };

    transport_.FlushInput(1);
    transport_.SendLine(command);
    sendPacket(0);  // at once: the readout takes the first packet without a pause

    // The echo line, for at most the reply deadline.
    const std::int64_t echoDeadline = clock.NowMs() + kDeadlineMs;
    while (!acks.EchoEnded()) {
        if (!pump() && !transport_.WaitUntil(echoDeadline)) {
            break;
        }
    }

    // Each further packet goes after a CR, or after 50 ms without one.
    for (int k = 1; k < blocks; ++k) {
        const std::int64_t deadline = clock.NowMs() + kPacketAckMs;
        while (true) {
            pump();
            if (acks.CrUnspent() || !transport_.WaitUntil(deadline)) {
                break;
            }
        }
        acks.SpendCr();
        sendPacket(k);
    }

    // Done only once the readout has answered every packet: until then it may still be taking
    // them, and the next command or the file name would land among them.
    while (acks.Answered() < blocks) {
        if (!pump() && !transport_.WaitUntil(acks.AnswerDeadlineMs())) {
            break;
        }
    }
    return acks.Sound(command, blocks);
}

bool ReadoutCommands::ReadRecords(int firstBlock, int recordCount, RecordImage& image) {
    if (!RecordRangeValid(firstBlock, recordCount)) {
        return false;
    }
    SerialLine& line = transport_.Line();
    Clock& clock = transport_.Time();
    const int blocks = kBlocksPerRecord * recordCount;
    const std::string command = FormatRecordCommand("RP", firstBlock, kBlockSize, blocks);
    const std::size_t echoLength = command.size();
    const std::size_t expected = echoLength + 2 + static_cast<std::size_t>(kPacketSize) * blocks;
    std::vector<std::uint8_t> received(expected);  // sized to the reply: nothing can overrun

    // True when the reply is the echo, CR LF, and packets whose checksums all match.
    auto replySound = [&]() {
        const std::string echo(received.begin(), received.begin() + echoLength);
        if (AsciiUpperText(echo) != command || received[echoLength] != kCr ||
            received[echoLength + 1] != kLf) {
            return false;
        }
        for (int k = 0; k < blocks; ++k) {
            const std::uint8_t* packet = received.data() + echoLength + 2 + k * kPacketSize;
            if (PacketChecksum({packet, static_cast<std::size_t>(kBlockSize)}) !=
                packet[kBlockSize]) {
                return false;
            }
        }
        return true;
    };

    transport_.FlushInput(1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        transport_.SendLine(command);
        std::size_t got = 0;
        std::int64_t deadline = clock.NowMs() + ReadoutTransport::kReplyDeadlineMs;
        while (got < expected) {
            const int want = static_cast<int>(std::min<std::size_t>(expected - got, 2000));
            const int n = line.PortRead(received.data() + got, want);
            if (n > 0) {
                got += static_cast<std::size_t>(n);
                deadline = clock.NowMs() + ReadoutTransport::kReplyDeadlineMs;
                // Let the rest gather while the line still needs time to carry it, instead of
                // waking for every few bytes; the wake comes before the last byte is due.
                clock.SleepMs(GatherPauseMs(expected - got, transport_.CurrentBaud()));
                continue;
            }
            if (!transport_.WaitUntil(deadline)) {
                break;
            }
        }
        if (got == expected && replySound()) {
            const int firstRecord = firstBlock / kBlocksPerRecord;
            for (int k = 0; k < blocks; ++k) {
                const std::uint8_t* data = received.data() + echoLength + 2 + k * kPacketSize;
                std::memcpy(image.Record(firstRecord + k / kBlocksPerRecord) +
                                (k % kBlocksPerRecord) * kBlockSize,
                            data, kBlockSize);
            }
            return true;
        }
        if (got == expected) {
            transport_.FlushInput(10);  // a garbled reply: let any rest of it pass first
        }
    }
    return false;
}

}  // namespace q417
