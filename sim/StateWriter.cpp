#include "StateWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "FileWriting.h"

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

// Collects "key": value lines of one object at a given indentation.
class ObjectWriter {
  public:
    explicit ObjectWriter(std::string indent) : indent_(std::move(indent)) {}

    void Raw(std::string_view key, const std::string& value) {
        fields_.push_back(indent_ + StateWriter::Quote(key) + ": " + value);
    }
    void Int(std::string_view key, long long value) { Raw(key, std::to_string(value)); }
    void Float(std::string_view key, double value) { Raw(key, StateWriter::Number(value)); }
    void Text(std::string_view key, std::string_view value) { Raw(key, StateWriter::Quote(value)); }

    [[nodiscard]] std::string Fields() const {
        std::string out;
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            out += fields_[i];
            out += i + 1 < fields_.size() ? ",\n" : "\n";
        }
        return out;
    }

  private:
    std::string indent_;
    std::vector<std::string> fields_;
};

std::string SiteJson(const ReadoutMemory& memory, int record) {
    const int readingCount = memory.ReadingCount(record);
    std::string readings = "[";
    const int shown = std::min(readingCount, ReadoutMemory::kMaxReadings);
    for (int j = 0; j < shown; ++j) {
        const ReadoutMemory::Reading r = memory.ReadingAt(record, j);
        readings += (j > 0 ? ", " : "") + std::string("{\"value\": ") +
                    StateWriter::Number(r.value) + ", \"time\": " + std::to_string(r.time) + "}";
    }
    readings += "]";
    return "    {\"name\": " + StateWriter::Quote(memory.SiteName(record)) +
           ", \"readingCount\": " + std::to_string(readingCount) +
           ", \"referenceValue\": " + StateWriter::Number(memory.ReferenceValue(record)) +
           ", \"referenceTime\": " + std::to_string(memory.ReferenceTime(record)) +
           ", \"readings\": " + readings + "}";
}

void MemoryFields(const ReadoutMemory& m, ObjectWriter& w) {
    w.Text("serialNumber", m.SerialNumber());
    w.Text("identity", m.IdentityHex());
    w.Int("infoSize", m.InfoSize());
    w.Float("multiplier", m.Multiplier());
    w.Float("offset", m.Offset());
    w.Int("calUnits", m.CalUnits());
    w.Float("zero", m.Zero());
    w.Int("powerDown", m.PowerDown());
    w.Int("value53", m.Value53());
    w.Int("displayDigits", m.DisplayDigits());
    w.Int("displayUnits", m.DisplayUnits());
    w.Int("capacity", m.Capacity());
    w.Int("value60", m.Value60());
    w.Int("recordCount", m.RecordCount());
    w.Int("blockSize", m.BlockSize());
    w.Int("lcdContrast", m.LcdContrast());
    w.Text("fileName", m.FileName());
    w.Int("clockOffsetSeconds", m.ClockOffsetSeconds());
    w.Float("firmwareVersion", m.FirmwareVersion());
    w.Float("batteryVolts", m.BatteryVolts());
    w.Float("displayOnTime", m.DisplayOnTime());
    w.Float("backlightTime", m.BacklightTime());
    w.Float("sleepTime", m.SleepTime());
    w.Float("batteryLifeRemaining", m.BatteryLifeRemaining());
    w.Text("temperatureSignal", m.TemperatureSignal());
    w.Text("pressureSignal", m.PressureSignal());
    w.Int("initializeCount", m.InitializeCount());
    w.Int("batteryResetCount", m.BatteryResetCount());
}

void SitesAndInfoArea(const ReadoutMemory& m, ObjectWriter& w) {
    // The record count may hold anything the host wrote; only 200 records exist.
    const int sites = std::clamp(m.RecordCount(), 0, kRecordCapacity);
    std::string list = "[";
    for (int i = 0; i < sites; ++i) {
        list += (i > 0 ? ",\n" : "\n") + SiteJson(m, i);
    }
    list += sites > 0 ? "\n  ]" : "]";
    w.Raw("sites", list);
    w.Raw("informationArea", "\"" + Hex(m.Info().data(), m.Info().size()) + "\"");
}

std::string Wrap(const ObjectWriter& w) {
    return "{\n" + w.Fields() + "}\n";
}

}  // namespace

std::string StateWriter::Quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (b < 0x20 || b > 0x7E) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", b);
            out += escaped;
        } else {
            out.push_back(c);
        }
    }
    out.push_back('"');
    return out;
}

std::string StateWriter::Number(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char text[40];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

std::string StateWriter::ToJson(const ReadoutMemory& memory) {
    ObjectWriter w("  ");
    MemoryFields(memory, w);
    SitesAndInfoArea(memory, w);
    return Wrap(w);
}

std::string StateWriter::ToJson(const ReadoutEngine& engine) {
    ObjectWriter w("  ");
    MemoryFields(engine.Memory(), w);
    w.Int("commandCount", engine.CommandCount());
    w.Int("storedPacketCount", engine.StoredPacketCount());
    w.Int("badPacketCount", engine.BadPacketCount());
    SitesAndInfoArea(engine.Memory(), w);
    return Wrap(w);
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
