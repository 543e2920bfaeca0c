#include "ReadoutMemory.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "DateTimeFields.h"

namespace q417::sim {
namespace {

constexpr std::uint32_t kSecondsPerDay = 86400;

// Places for the default site names; with "MW-09 " in front, the longest fills all 20 characters.
constexpr std::string_view kPlaces[] = {
    "NORTH FIELD", "PUMP HOUSE", "EAST BERM",  "CREEK XING",     "LANDFILL C2",
    "SOUTH GATE",  "TANK FARM",  "OLD QUARRY", "LEACHATE CELL4", "RIVER ROAD",
    "WEST LAGOON", "SUBSTATION", "WELLHEAD 7",
};

std::uint32_t LoadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void StoreU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

bool IsPrintable(unsigned char c) {
    return c >= 0x20 && c <= 0x7E;
}

bool IsSignalText(std::string_view text, std::size_t length) {
    return text.size() == length && std::all_of(text.begin(), text.end(), [](char c) {
               return IsPrintable(static_cast<unsigned char>(c)) && c != '?';
           });
}

}  // namespace

ReadoutMemory::ReadoutMemory() = default;

std::uint8_t ReadoutMemory::InfoByte(int address) const {
    if (address < 0 || address >= kInfoAreaSize) {
        return 0;
    }
    return info_[static_cast<std::size_t>(address)];
}

void ReadoutMemory::SetInfoByte(int address, std::uint8_t value) {
    if (address >= 0 && address < kInfoAreaSize) {
        info_[static_cast<std::size_t>(address)] = value;
    }
}

std::uint16_t ReadoutMemory::InfoU16(int address) const {
    return static_cast<std::uint16_t>(InfoByte(address) | InfoByte(address + 1) << 8);
}

void ReadoutMemory::SetInfoU16(int address, std::uint16_t value) {
    SetInfoByte(address, static_cast<std::uint8_t>(value & 0xFF));
    SetInfoByte(address + 1, static_cast<std::uint8_t>(value >> 8));
}

float ReadoutMemory::InfoF32(int address) const {
    const std::uint8_t bytes[4] = {InfoByte(address), InfoByte(address + 1), InfoByte(address + 2),
                                   InfoByte(address + 3)};
    return std::bit_cast<float>(LoadU32(bytes));
}

void ReadoutMemory::SetInfoF32(int address, float value) {
    std::uint8_t bytes[4];
    StoreU32(bytes, std::bit_cast<std::uint32_t>(value));
    for (int i = 0; i < 4; ++i) {
        SetInfoByte(address + i, bytes[i]);
    }
}

std::string ReadoutMemory::InfoText(int address, int maxLength) const {
    std::string text;
    for (int a = address; a >= 0 && a < kInfoAreaSize && static_cast<int>(text.size()) < maxLength;
         ++a) {
        const std::uint8_t c = info_[static_cast<std::size_t>(a)];
        if (c == 0) {
            break;
        }
        text.push_back(static_cast<char>(c));
    }
    return text;
}

std::string ReadoutMemory::SerialNumber() const {
    // Bounded by the information-area size field that follows the serial text.
    return InfoText(kSerialNumberAddress, kInfoSizeAddress - kSerialNumberAddress);
}

bool ReadoutMemory::SetSerialNumber(std::string_view serial) {
    if (static_cast<int>(serial.size()) > kMaxSerialLength) {
        return false;
    }
    int address = kSerialNumberAddress;
    for (char c : serial) {
        SetInfoByte(address++, static_cast<std::uint8_t>(c));
    }
    SetInfoByte(address, 0);
    return true;
}

ReadoutMemory::IdentityBytes ReadoutMemory::Identity() const {
    return {InfoByte(kIdentityAddress), InfoByte(kIdentityAddress + 1),
            InfoByte(kIdentityAddress + 2), InfoByte(kIdentityAddress + 3)};
}

void ReadoutMemory::SetIdentity(const IdentityBytes& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        SetInfoByte(kIdentityAddress + static_cast<int>(i), bytes[i]);
    }
}

std::string ReadoutMemory::IdentityHex() const {
    std::string hex;
    for (std::uint8_t b : Identity()) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", b);
        hex += digits;
    }
    return hex;
}

int ReadoutMemory::DisplayDigits() const {
    return static_cast<std::int8_t>(InfoByte(kDisplayDigitsAddress));
}

void ReadoutMemory::SetDisplayDigits(int digits) {
    SetInfoByte(kDisplayDigitsAddress, static_cast<std::uint8_t>(digits & 0xFF));
}

std::string ReadoutMemory::FileName() const {
    const int end = std::min(InfoSize(), kInfoAreaSize);
    std::string name;
    for (int a = kFileNameAddress; a < end; ++a) {
        const std::uint8_t c = info_[static_cast<std::size_t>(a)];
        if (!IsPrintable(c)) {
            break;
        }
        name.push_back(static_cast<char>(c));
    }
    return name;
}

int ReadoutMemory::SetFileName(std::string_view name) {
    // The zero must land at the last address of the area at the latest.
    const int lastAddress = std::min(InfoSize(), kInfoAreaSize) - 1;
    const int room = std::max(lastAddress - kFileNameAddress, 0);
    const int n = std::min(static_cast<int>(name.size()), room);
    for (int i = 0; i < n; ++i) {
        SetInfoByte(kFileNameAddress + i, static_cast<std::uint8_t>(name[i]));
    }
    SetInfoByte(kFileNameAddress + n, 0);
    return n;
}

bool ReadoutMemory::ValidRecord(int record) {
    return record >= 0 && record < kRecordCapacity;
}

std::size_t ReadoutMemory::RecordBase(int record) const {
    return static_cast<std::size_t>(record) * kRecordSize;
}

std::string ReadoutMemory::SiteName(int record) const {
    if (!ValidRecord(record)) {
        return {};
    }
    const std::uint8_t* p = records_.data() + RecordBase(record);
    std::string name;
    for (int i = 0; i < kSiteNameLength && p[i] != 0; ++i) {
        name.push_back(static_cast<char>(p[i]));
    }
    return name;
}

void ReadoutMemory::SetSiteName(int record, std::string_view name) {
    if (!ValidRecord(record)) {
        return;
    }
    std::uint8_t* p = records_.data() + RecordBase(record);
    std::memset(p, 0, kSiteNameLength + 1);
    const std::size_t n = std::min<std::size_t>(name.size(), kSiteNameLength);
    std::memcpy(p, name.data(), n);
}

int ReadoutMemory::ReadingCount(int record) const {
    return ValidRecord(record) ? records_[RecordBase(record) + kReadingCountOffset] : 0;
}

void ReadoutMemory::SetReadingCount(int record, int count) {
    if (ValidRecord(record)) {
        records_[RecordBase(record) + kReadingCountOffset] = static_cast<std::uint8_t>(count);
    }
}

float ReadoutMemory::ReferenceValue(int record) const {
    if (!ValidRecord(record)) {
        return 0.0f;
    }
    return std::bit_cast<float>(
        LoadU32(records_.data() + RecordBase(record) + kReferenceValueOffset));
}

void ReadoutMemory::SetReferenceValue(int record, float value) {
    if (ValidRecord(record)) {
        StoreU32(records_.data() + RecordBase(record) + kReferenceValueOffset,
                 std::bit_cast<std::uint32_t>(value));
    }
}

std::uint32_t ReadoutMemory::ReferenceTime(int record) const {
    return ValidRecord(record)
               ? LoadU32(records_.data() + RecordBase(record) + kReferenceTimeOffset)
               : 0;
}

void ReadoutMemory::SetReferenceTime(int record, std::uint32_t stamp) {
    if (ValidRecord(record)) {
        StoreU32(records_.data() + RecordBase(record) + kReferenceTimeOffset, stamp);
    }
}

ReadoutMemory::Reading ReadoutMemory::ReadingAt(int record, int index) const {
    if (!ValidRecord(record) || index < 0 || index >= kMaxReadings) {
        return {};
    }
    const std::uint8_t* p = records_.data() + RecordBase(record) + kReadingsOffset +
                            static_cast<std::size_t>(index) * kReadingEntrySize;
    return {std::bit_cast<float>(LoadU32(p)), LoadU32(p + 4)};
}

void ReadoutMemory::EraseRecord(int record) {
    if (ValidRecord(record)) {
        std::fill_n(records_.begin() + static_cast<std::ptrdiff_t>(RecordBase(record)), kRecordSize,
                    std::uint8_t{0xFF});
    }
}

void ReadoutMemory::SetReading(int record, int index, const Reading& reading) {
    if (!ValidRecord(record) || index < 0 || index >= kMaxReadings) {
        return;
    }
    std::uint8_t* p = records_.data() + RecordBase(record) + kReadingsOffset +
                      static_cast<std::size_t>(index) * kReadingEntrySize;
    StoreU32(p, std::bit_cast<std::uint32_t>(reading.value));
    StoreU32(p + 4, reading.time);
}

void ReadoutMemory::ResetBatteryStats() {
    displayOnTime_ = 0.0f;
    backlightTime_ = 0.0f;
    sleepTime_ = 0.0f;
    batteryLifeRemaining_ = 100.0f;
}

bool ReadoutMemory::SetTemperatureSignal(std::string_view text) {
    if (!IsSignalText(text, kTemperatureSignalLength)) {
        return false;
    }
    temperatureSignal_ = text;
    return true;
}

bool ReadoutMemory::SetPressureSignal(std::string_view text) {
    if (!IsSignalText(text, kPressureSignalLength)) {
        return false;
    }
    pressureSignal_ = text;
    return true;
}

ReadoutMemory ReadoutMemory::MakeDefault(int siteCount, std::int64_t nowCalendarSeconds) {
    ReadoutMemory m;
    // Addresses the readout does not use read as erased memory, so a host that reads the wrong
    // address gets an implausible value rather than a harmless zero.
    m.info_.fill(0xFF);
    m.SetSerialNumber(kSelfConsistentSerial);
    m.SetInfoSize(kInfoAreaSize);
    m.SetMultiplier(12.4873f);
    m.SetOffset(-0.0625f);
    m.SetCalUnits(1);  // PSI
    m.SetZero(0.0137f);
    m.SetPowerDown(1);  // 15 minutes
    m.SetValue53(2);
    m.SetDisplayDigits(3);
    m.SetDisplayUnits(1);  // PSI
    m.SetCapacity(kRecordCapacity);
    m.SetValue60(1);
    const int sites = std::clamp(siteCount, 0, kRecordCapacity);
    m.SetRecordCount(sites);
    m.SetBlockSize(kTransferBlockSize);
    m.SetLcdContrast(96);
    m.SetFileName("SITES.INI");

    m.firmwareVersion_ = 2.14f;
    m.batteryVolts_ = 3.62f;
    m.displayOnTime_ = 41.5f;
    m.backlightTime_ = 6.25f;
    m.sleepTime_ = 1630.75f;
    m.batteryLifeRemaining_ = 78.0f;
    m.clockOffsetSeconds_ = -95;  // the readout runs a minute and a half slow
    m.temperatureSignal_ = "0.734615";
    m.pressureSignal_ = "2.04761839";

    // Every stamp below lies at most ~50 days before now; keep now far enough from the epoch.
    constexpr std::uint32_t kEarliestNow = 100 * kSecondsPerDay;
    const std::uint32_t now =
        std::max(DateTimeFields::FromCalendarLocal(nowCalendarSeconds).ToReadoutStamp().value_or(0),
                 kEarliestNow);
    constexpr int kPlaceCount = static_cast<int>(std::size(kPlaces));
    for (int i = 0; i < sites; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "%s-%02d %s", i % 3 == 2 ? "PZ" : "MW", i + 1,
                      std::string(kPlaces[i % kPlaceCount]).c_str());
        m.SetSiteName(i, name);

        const int count = i % (kMaxReadings + 1);
        const float base =
            4.0f + 2.75f * static_cast<float>(i % 9) + 0.125f * static_cast<float>(i / 9);
        // Daily readings, the newest two hours (plus a minute per site) before now.
        const std::uint32_t newest = now - 7200 - static_cast<std::uint32_t>(i) * 60;
        for (int j = 0; j < count; ++j) {
            const auto daysBack = static_cast<std::uint32_t>(count - 1 - j);
            const float value = base + 0.0625f * static_cast<float>((j * 5 + i) % 7) +
                                0.01f * static_cast<float>(j);
            m.SetReading(i, j, {value, newest - daysBack * kSecondsPerDay});
        }
        m.SetReadingCount(i, count);
        const std::uint32_t oldest =
            newest - static_cast<std::uint32_t>(std::max(count - 1, 0)) * kSecondsPerDay;
        m.SetReferenceValue(i, base - 0.5f);
        m.SetReferenceTime(i, oldest - 30 * kSecondsPerDay);
    }
    return m;
}

}  // namespace q417::sim
