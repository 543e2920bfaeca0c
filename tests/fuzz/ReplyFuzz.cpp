// Feeds arbitrary bytes to the link's parsers of what the readout sends, none of which does any
// I/O: number fields, the battery and clock replies, the record-write acknowledgements, a site
// record and the information area. The first byte picks the parser.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "ReadoutMemoryMap.h"
#include "ReadoutSiteRecord.h"
#include "RecordImage.h"
#include "RecordWriteAcks.h"
#include "ReplyParsing.h"
#include "UtcTime.h"

namespace {

using namespace q417;
using q417::fuzz::Require;

bool HasDigit(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void CheckNumbers(std::string_view text) {
    const float decimal = ParseDecimal(text);
    Require(decimal == 0.0F || std::isnan(decimal) || std::isinf(decimal) || HasDigit(text),
            "a decimal number comes from digits");
    const bool hexStart = !text.empty() && std::isxdigit(static_cast<unsigned char>(text[0]));
    Require(hexStart || ParseHex(text) == 0, "a hex number starts at the first character");
}

void CheckClock(std::string_view text) {
    const auto fields = ParseClockReply(text);
    if (!fields || !ValidateClockFields(*fields)) {
        return;
    }
    // In UTC every valid clock is one second, which the set-clock command spells back.
    const std::int64_t seconds = LocalFieldsToCalendar(*fields);
    char expected[48];
    std::snprintf(expected, sizeof expected, "WT %04d/%02d/%02d %02d:%02d:%02d", fields->year,
                  fields->month, fields->day, fields->hour, fields->minute, fields->second);
    Require(FormatSetClockCommand(seconds) == expected, "a valid clock reads back as it was sent");
}

void CheckBattery(std::string_view text) {
    if (ParseBatteryStats(text)) {
        Require(text.size() >= 4 && text.find('%') != std::string_view::npos,
                "battery statistics end in a percent sign");
    }
}

// Bytes as a record write's traffic: 0x00 sends a packet, 0x01..0x7F lets that many
// milliseconds pass, a byte with the top bit set takes the next (byte & 0x7F) bytes as a chunk
// from the readout.
void CheckWriteAcks(std::string_view bytes) {
    constexpr std::int64_t kDeadlineMs = 1200;
    RecordWriteAcks acks(kDeadlineMs);
    std::int64_t now = 0;
    int sent = 0;
    while (!bytes.empty()) {
        const auto op = static_cast<std::uint8_t>(bytes.front());
        bytes.remove_prefix(1);
        if (op == 0) {
            acks.PacketSent(now);
            ++sent;
        } else if (op < 0x80) {
            now += op * 20;
        } else {
            const std::size_t n = std::min<std::size_t>(op & 0x7F, bytes.size());
            acks.Take(bytes.substr(0, n), now);
            bytes.remove_prefix(n);
        }
        Require(acks.Answered() <= sent, "no packet is answered before it is sent");
    }
    const std::string command = "WP 0 40 3";
    if (acks.Sound(command, sent)) {
        Require(acks.Answered() == sent, "a sound write had every packet answered");
    }
}

void CheckSiteRecord(std::string_view bytes) {
    RecordImage image;
    std::fill(image.bytes.begin(), image.bytes.end(), 0xA5);
    if (bytes.empty()) {
        return;
    }
    const int index = static_cast<std::uint8_t>(bytes.front()) % kRecordCapacity;
    bytes.remove_prefix(1);
    const std::size_t n = std::min<std::size_t>(bytes.size(), kRecordSize);
    std::copy_n(bytes.begin(), n, image.Record(index));
    const ReadoutSiteRecord site = ReadoutSiteRecord::Read(image, index);
    Require(site.name.size() <= ReadoutSiteRecord::kMaxNameLength &&
                site.name.find('\0') == std::string::npos,
            "a site name stops at its zero or its field");
    Require(site.readingCount >= 0 && site.readingCount <= ReadoutSiteRecord::kMaxReadings,
            "the reading count is clamped");

    // Written into a fresh image and read again, it writes the same bytes: what the host
    // uploads of a site it downloaded is what it read.
    RecordImage once;
    site.Write(once, index);
    RecordImage twice;
    ReadoutSiteRecord::Read(once, index).Write(twice, index);
    Require(once.bytes == twice.bytes, "a site record read and written is a fixed point");
    for (int r = 0; r < kRecordCapacity; ++r) {
        if (r != index) {
            Require(std::all_of(once.Record(r), once.Record(r) + kRecordSize,
                                [](std::uint8_t b) { return b == 0; }),
                    "a site record writes only its own record");
        }
    }
}

void CheckInformation(std::string_view bytes) {
    ReadoutMemoryMap::InfoImage image{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), image.size()), image.begin());
    ReadoutSettings settings;
    ReadoutMemoryMap::DecodeInformation(image, settings);
    Require(settings.serialNumber.size() <= ReadoutMemoryMap::kSerialFieldLength &&
                settings.serialNumber.find('\0') == std::string::npos,
            "the serial number stays in its field");
    Require(settings.recordCount >= 0 &&
                settings.recordCount <= std::min(settings.capacity, kRecordCapacity),
            "the record count is within the capacity and the memory");
    Require(
        settings.fileName.size() <= static_cast<std::size_t>(ReadoutMemoryMap::kInfoAreaSize -
                                                             ReadoutMemoryMap::kFileNameAddress) &&
            settings.fileName.find('\0') == std::string::npos,
        "the file name stays in the information area");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    q417::fuzz::UseUtc();
    std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.empty()) {
        return 0;
    }
    const auto parser = static_cast<std::uint8_t>(input.front()) % 6;
    input.remove_prefix(1);
    switch (parser) {
        case 0:
            CheckNumbers(input);
            break;
        case 1:
            CheckClock(input);
            break;
        case 2:
            CheckBattery(input);
            break;
        case 3:
            CheckWriteAcks(input);
            break;
        case 4:
            CheckSiteRecord(input);
            break;
        default:
            CheckInformation(input);
            break;
    }
    return 0;
}
