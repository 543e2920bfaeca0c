#include "ReadoutMemoryMap.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "LittleEndian.h"
#include "ReadoutTables.h"

namespace q417 {
namespace {

bool Printable(std::uint8_t c) {
    return c >= 0x20 && c <= 0x7E;
}

}  // namespace

ReadoutMemoryMap::ReadoutMemoryMap(ReadoutCommands& commands, Clock& clock)
    : commands_(commands), clock_(clock) {}

void ReadoutMemoryMap::DecodeInformation(const InfoImage& image, ReadoutSettings& s) {
    const std::uint8_t* p = image.data();
    // The serial number ends at its zero, or where its field ends should there be none.
    std::string serial;
    for (int a = kSerialNumberAddress; a < kInfoSizeAddress && p[a] != 0; ++a) {
        serial.push_back(static_cast<char>(p[a]));
    }
    s.serialNumber = serial;
    s.infoSize = LoadU16(p + kInfoSizeAddress);
    s.multiplier = LoadF32(p + kMultiplierAddress);
    s.offset = LoadF32(p + kOffsetAddress);
    s.calUnits = p[kCalUnitsAddress];
    s.calUnitsName = UnitName(s.calUnits);
    s.zero = LoadF32(p + kZeroAddress);
    s.powerDown = p[kPowerDownAddress];
    s.powerDownText = PowerDownText(s.powerDown);
    s.displayDigits = static_cast<std::int8_t>(p[kDisplayDigitsAddress]);
    s.lcdContrast = p[kLcdContrastAddress];
    s.displayUnits = p[kDisplayUnitsAddress];
    s.displayUnitsName = UnitName(s.displayUnits);
    s.capacity = LoadU16(p + kCapacityAddress);
    // Never more records than the readout says it holds, nor than the host's image has room for.
    s.recordCount =
        std::min({static_cast<int>(LoadU16(p + kRecordCountAddress)), s.capacity, kRecordCapacity});
    std::string name;
    for (int a = kFileNameAddress;
         a < kInfoAreaSize && static_cast<int>(name.size()) < s.infoSize && Printable(p[a]); ++a) {
        name.push_back(static_cast<char>(p[a]));
    }
    s.fileName = name;
}

bool ReadoutMemoryMap::ReadInformation(SharedSettings& settings) {
    InfoImage image{};
    if (!commands_.ReadBlock(0, kInfoAreaSize - 1, image)) {
        return false;
    }
    settings.Update([&image](ReadoutSettings& s) {
        s.records.reset();
        DecodeInformation(image, s);
    });
    knownIdentity_.emplace();
    std::copy_n(image.begin() + kIdentityAddress, kIdentitySize, knownIdentity_->begin());

    StatusAnswers answered;
    float version = 0;
    answered.firmwareVersion = commands_.ReadFirmwareVersion(version);
    if (answered.firmwareVersion) {
        settings.Update([version](ReadoutSettings& s) { s.firmwareVersion = version; });
    }
    float volts = 0;
    answered.batteryVoltage = commands_.ReadBatteryVoltage(volts);
    if (answered.batteryVoltage) {
        settings.Update([volts](ReadoutSettings& s) { s.batteryVolts = volts; });
    }
    BatteryStats stats;
    answered.batteryStats = commands_.ReadBatteryStats(stats);
    if (answered.batteryStats) {
        settings.Update([&stats](ReadoutSettings& s) {
            s.displayOnTime = stats.displayOnTime;
            s.backlightTime = stats.backlightTime;
            s.sleepTime = stats.sleepTime;
            s.batteryLifeRemaining = stats.batteryLifeRemaining;
        });
    }
    answered.clock = ReadClockInto(settings);

    settings.Update([answered](ReadoutSettings& s) {
        s.connected = 1;
        s.answered = answered;
        // A fresh image holds none of the readout's records until a download fills it.
        s.records = std::make_shared<const RecordImage>();
        s.dataReady = 0;
    });
    return true;
}

bool ReadoutMemoryMap::ReadClockInto(SharedSettings& settings) {
    // The PC time is taken before the question, but kept only with the answer: a readout clock
    // paired with a later PC time would run behind on every page that advances it.
    const std::int64_t readTime = clock_.CalendarSeconds();
    std::int64_t readoutClock = 0;
    if (!commands_.ReadClock(readoutClock)) {
        return false;
    }
    settings.Update([readTime, readoutClock](ReadoutSettings& s) {
        s.readTime = readTime;
        s.readoutClock = readoutClock;
    });
    return true;
}

bool ReadoutMemoryMap::RereadInformation(SharedSettings& settings, bool withClock) {
    InfoImage image{};
    if (!commands_.ReadBlock(0, kInfoAreaSize - 1, image)) {
        return false;
    }
    settings.Update([&image](ReadoutSettings& s) {
        const int recordCount = s.recordCount;
        DecodeInformation(image, s);
        if (s.recordCount != recordCount) {
            s.dataReady = 0;
        }
    });
    knownIdentity_.emplace();
    std::copy_n(image.begin() + kIdentityAddress, kIdentitySize, knownIdentity_->begin());
    if (withClock) {
        ReadClockInto(settings);
    }
    return true;
}

bool ReadoutMemoryMap::ReadIdentity(Identity& identity,
                                    const std::function<bool(const Identity&)>& isExpected) {
    if (!commands_.ReadBytes(kIdentityAddress, identity)) {
        return false;
    }
    if (isExpected(identity)) {
        return true;
    }
    Identity again{};
    if (!commands_.ReadBytes(kIdentityAddress, again)) {
        return false;
    }
    if (isExpected(again)) {
        identity = again;
        return true;
    }
    return again == identity;
}

bool ReadoutMemoryMap::CheckSameReadout(bool& same) {
    same = true;
    Identity identity{};
    const auto known = [this](const Identity& read) {
        return !knownIdentity_ || *knownIdentity_ == read;
    };
    if (!ReadIdentity(identity, known)) {
        return false;
    }
    same = known(identity);
    return true;
}

bool ReadoutMemoryMap::CheckIdentity(const std::string& serialNumber, int& changed) {
    changed = 0;
    const auto digitsOf = [](const Identity& identity) {
        char digits[2 * kIdentitySize + 1];
        std::snprintf(digits, sizeof digits, "%.2X%.2X%.2X%.2X", identity[0], identity[1],
                      identity[2], identity[3]);
        return std::string(digits);
    };
    Identity identity{};
    if (!ReadIdentity(identity,
                      [&](const Identity& read) { return digitsOf(read) == serialNumber; })) {
        return false;
    }
    changed = digitsOf(identity) == serialNumber ? 0 : 1;
    return true;
}

int ReadoutMemoryMap::WriteSettings(const ReadoutSettings& request, int flags,
                                    SharedSettings& live) {
    // One step a flag, in this order whatever the flags' values. Each step's new value reaches
    // the live settings as soon as the step succeeds, so a later failure leaves it there.
    struct Step {
        int flag;
        int failureCode;
        std::function<bool()> write;
        std::function<void(ReadoutSettings&)> keep;
    };
    const ReadoutSettings& r = request;
    const Step steps[] = {
        {SET_INITIALIZE, kResultInitialize, [&] { return commands_.SendInitialize(); },
         [](ReadoutSettings&) {}},
        {SET_SERIAL_NUMBER, kResultSerialNumber, [&] { return WriteSerialNumber(r.serialNumber); },
         [&](ReadoutSettings& s) { s.serialNumber = r.serialNumber; }},
        {SET_MULTIPLIER, kResultMultiplier,
         [&] { return WriteFloat(kMultiplierAddress, r.multiplier); },
         [&](ReadoutSettings& s) { s.multiplier = r.multiplier; }},
        {SET_OFFSET, kResultOffset, [&] { return WriteFloat(kOffsetAddress, r.offset); },
         [&](ReadoutSettings& s) { s.offset = r.offset; }},
        {SET_CAL_UNITS, kResultCalUnits,
         [&] { return commands_.WriteByte(kCalUnitsAddress, r.calUnits); },
         [&](ReadoutSettings& s) {
             s.calUnits = r.calUnits;
             s.calUnitsName = UnitName(r.calUnits);
         }},
        {SET_ZERO, kResultZero, [&] { return WriteFloat(kZeroAddress, r.zero); },
         [&](ReadoutSettings& s) { s.zero = r.zero; }},
        {SET_DISPLAY_UNITS, kResultDisplayUnits,
         [&] { return commands_.WriteByte(kDisplayUnitsAddress, r.displayUnits); },
         [&](ReadoutSettings& s) {
             s.displayUnits = r.displayUnits;
             s.displayUnitsName = UnitName(r.displayUnits);
         }},
        {SET_DISPLAY_DIGITS, kResultDisplayDigits,
         [&] {
             return commands_.WriteByte(kDisplayDigitsAddress,
                                        static_cast<std::uint8_t>(r.displayDigits));
         },
         [&](ReadoutSettings& s) { s.displayDigits = r.displayDigits; }},
        {SET_POWER_DOWN, kResultPowerDown,
         [&] { return commands_.WriteByte(kPowerDownAddress, r.powerDown); },
         [&](ReadoutSettings& s) {
             s.powerDown = r.powerDown;
             s.powerDownText = PowerDownText(r.powerDown);
         }},
        {SET_CLOCK, kResultClock, [&] { return commands_.SetClock(r.readoutClock); },
         [&](ReadoutSettings& s) {
             s.readoutClock = r.readoutClock;
             s.readTime = clock_.CalendarSeconds();
             s.answered.clock = true;
         }},
    };
    for (const Step& step : steps) {
        if ((flags & step.flag) == 0) {
            continue;
        }
        if (!step.write()) {
            return step.failureCode;
        }
        live.Update(step.keep);
    }
    return kResultDone;
}

bool ReadoutMemoryMap::WriteText(int address, std::string_view text) {
    std::size_t written = 0;
    while (written < text.size() && WriteInfoByte(address + static_cast<int>(written),
                                                  static_cast<std::uint8_t>(text[written]))) {
        ++written;
    }
    // The zero goes where the whole text would have ended, as the readout expects it there.
    const bool zeroWritten = WriteInfoByte(address + static_cast<int>(text.size()), 0);
    // A text that lost a character is not written, however the zero went.
    return written == text.size() && zeroWritten;
}

bool ReadoutMemoryMap::WriteInfoByte(int address, std::uint8_t value) {
    if (!commands_.WriteByte(address, value)) {
        return false;
    }
    // A serial number runs over the identity bytes: the readout stays the same one.
    if (knownIdentity_ && address >= kIdentityAddress &&
        address < kIdentityAddress + kIdentitySize) {
        (*knownIdentity_)[static_cast<std::size_t>(address - kIdentityAddress)] = value;
    }
    return true;
}

bool ReadoutMemoryMap::WriteFloat(int address, float value) {
    std::array<std::uint8_t, 4> bytes{};
    StoreF32(bytes.data(), value);
    return commands_.WriteBytes(address, bytes);
}

bool ReadoutMemoryMap::WriteSerialNumber(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(kMaxSerialLength)) {
        return false;
    }
    return WriteText(kSerialNumberAddress, text);
}

bool ReadoutMemoryMap::WriteFileName(std::string_view text, int infoSize) {
    std::size_t n = text.size();
    const int last = infoSize - 1;  // the last address the name's zero may take
    if (last > kFileNameAddress && last < static_cast<int>(n) + kFileNameAddress) {
        n = static_cast<std::size_t>(infoSize - kFileNameAddress - 1);
    }
    // Whatever the size byte says, the zero stays inside the information area.
    n = std::min<std::size_t>(n, kInfoAreaSize - 1 - kFileNameAddress);
    return WriteText(kFileNameAddress, text.substr(0, n));
}

bool ReadoutMemoryMap::WriteRecordCount(int count) {
    return commands_.WriteByte(kRecordCountAddress, static_cast<std::uint8_t>(count & 0xFF)) &&
           commands_.WriteByte(kRecordCountAddress + 1,
                               static_cast<std::uint8_t>((count >> 8) & 0xFF));
}

}  // namespace q417
