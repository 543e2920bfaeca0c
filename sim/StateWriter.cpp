#include "StateWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>
#include <utility>

#include "FileWriting.h"
#include "Latin1Text.h"

namespace q417::sim {
namespace {

std::string Hex(const std::uint8_t* data, std::size_t n) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(n * 2);
    for (std::size_t i = 0; i < n; ++i) {
        hex.push_back(kDigits[data[i] >> 4]);
        hex.push_back(kDigits[data[i] & 0x0F]);
    }
    return hex;
}

using Json = nlohmann::ordered_json;

// A float as JSON: the nine significant digits that read back as the same float (the double
// holding just those digits prints as them), whole numbers without a fraction ("78"), and null
// for NaN and infinities, which JSON cannot carry.
Json JsonNumber(double value) {
    if (!std::isfinite(value)) {
        return nullptr;
    }
    char text[40];
    const auto written =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 9);
    double rounded = value;
    std::from_chars(text, written.ptr, rounded);
    if (std::abs(rounded) < 1e15 && std::trunc(rounded) == rounded) {
        return static_cast<std::int64_t>(rounded);
    }
    return rounded;
}

// Memory texts are Latin-1 bytes; JSON strings are UTF-8.
Json Text(std::string_view latin1) {
    return Latin1ToUtf8(latin1);
}

Json SiteJson(const ReadoutMemory& memory, int record) {
    const int readingCount = memory.ReadingCount(record);
    Json readings = Json::array();
    const int shown = std::min(readingCount, ReadoutMemory::kMaxReadings);
    for (int j = 0; j < shown; ++j) {
        const ReadoutMemory::Reading r = memory.ReadingAt(record, j);
        readings.push_back({{"value", JsonNumber(r.value)}, {"time", r.time}});
    }
    return {{"name", Text(memory.SiteName(record))},
            {"readingCount", readingCount},
            {"referenceValue", JsonNumber(memory.ReferenceValue(record))},
            {"referenceTime", memory.ReferenceTime(record)},
            {"readings", std::move(readings)}};
}

void MemoryFields(const ReadoutMemory& m, Json& j) {
    j["serialNumber"] = Text(m.SerialNumber());
    j["identity"] = Text(m.IdentityHex());
    j["infoSize"] = m.InfoSize();
    j["multiplier"] = JsonNumber(m.Multiplier());
    j["offset"] = JsonNumber(m.Offset());
    j["calUnits"] = m.CalUnits();
    j["zero"] = JsonNumber(m.Zero());
    j["powerDown"] = m.PowerDown();
    j["value53"] = m.Value53();
    j["displayDigits"] = m.DisplayDigits();
    j["displayUnits"] = m.DisplayUnits();
    j["capacity"] = m.Capacity();
    j["value60"] = m.Value60();
    j["recordCount"] = m.RecordCount();
    j["blockSize"] = m.BlockSize();
    j["lcdContrast"] = m.LcdContrast();
    j["fileName"] = Text(m.FileName());
    j["clockOffsetSeconds"] = m.ClockOffsetSeconds();
    j["firmwareVersion"] = JsonNumber(m.FirmwareVersion());
    j["batteryVolts"] = JsonNumber(m.BatteryVolts());
    j["displayOnTime"] = JsonNumber(m.DisplayOnTime());
    j["backlightTime"] = JsonNumber(m.BacklightTime());
    j["sleepTime"] = JsonNumber(m.SleepTime());
    j["batteryLifeRemaining"] = JsonNumber(m.BatteryLifeRemaining());
    j["temperatureSignal"] = Text(m.TemperatureSignal());
    j["pressureSignal"] = Text(m.PressureSignal());
    j["initializeCount"] = m.InitializeCount();
    j["batteryResetCount"] = m.BatteryResetCount();
}

void SitesAndInfoArea(const ReadoutMemory& m, Json& j) {
    // The record count may hold anything the host wrote; only 200 records exist.
    const int sites = std::clamp(m.RecordCount(), 0, kRecordCapacity);
    Json list = Json::array();
    for (int i = 0; i < sites; ++i) {
        list.push_back(SiteJson(m, i));
    }
    j["sites"] = std::move(list);
    j["informationArea"] = Hex(m.Info().data(), m.Info().size());
}

// Two-space indentation, every byte outside ASCII escaped, and a closing newline.
std::string Dump(const Json& j) {
    return j.dump(2, ' ', true) + "\n";
}

}  // namespace

std::string StateWriter::Number(double value) {
    return JsonNumber(value).dump();
}

std::string StateWriter::ToJson(const ReadoutMemory& memory) {
    Json j = Json::object();
    MemoryFields(memory, j);
    SitesAndInfoArea(memory, j);
    return Dump(j);
}

std::string StateWriter::ToJson(const ReadoutEngine& engine) {
    Json j = Json::object();
    MemoryFields(engine.Memory(), j);
    j["commandCount"] = engine.CommandCount();
    j["storedPacketCount"] = engine.StoredPacketCount();
    j["badPacketCount"] = engine.BadPacketCount();
    SitesAndInfoArea(engine.Memory(), j);
    return Dump(j);
}

bool StateWriter::WriteAtomically(const std::string& path, std::string_view content,
                                  std::string& error) {
    const FileWriting::Outcome outcome = FileWriting::ReplaceAtomically(path, content, 0644);
    if (!outcome.Ok()) {
        error = outcome.file + ": " + std::strerror(outcome.error);
        return false;
    }
    return true;
}

}  // namespace q417::sim
