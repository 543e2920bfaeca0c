#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "RecordImage.h"

namespace q417::sim {

// Everything the simulated readout knows: its information area (addresses 0x000..0x47F), its
// record memory (200 site records of 192 bytes) and the values it reports by command rather than
// from memory (firmware, battery, clock, calibration signals). Multi-byte values in memory are
// little-endian; floats are IEEE-754 single precision; texts are zero-terminated ASCII.
class ReadoutMemory {
  public:
    static constexpr int kInfoAreaSize = 1152;  // addresses 0x000..0x47F
    static constexpr int kRecordMemorySize = kRecordSize * kRecordCapacity;

    // Information area addresses.
    static constexpr int kSerialNumberAddress = 11;  // text
    static constexpr int kIdentityAddress = 16;      // 4 raw bytes, inside the serial text
    static constexpr int kInfoSizeAddress = 20;      // u16
    static constexpr int kMultiplierAddress = 32;    // f32
    static constexpr int kOffsetAddress = 36;        // f32
    static constexpr int kCalUnitsAddress = 40;      // unit code
    static constexpr int kZeroAddress = 48;          // f32
    static constexpr int kPowerDownAddress = 52;     // power-down code 0..4
    static constexpr int kValue53Address = 53;
    static constexpr int kDisplayDigitsAddress = 54;  // signed 8 bits
    static constexpr int kDisplayUnitsAddress = 55;   // unit code
    static constexpr int kCapacityAddress = 58;       // u16
    static constexpr int kValue60Address = 60;
    static constexpr int kRecordCountAddress = 61;  // u16
    static constexpr int kBlockSizeAddress = 63;
    static constexpr int kLcdContrastAddress = 68;
    static constexpr int kFileNameAddress = 144;  // text

    // The serial text must end before the information-area size at 20..21.
    static constexpr int kMaxSerialLength = kIdentityAddress + 4 - 1 - kSerialNumberAddress;

    // Site record layout (offsets within a 192-byte record).
    static constexpr int kSiteNameLength = 20;  // plus the terminating zero
    static constexpr int kReadingCountOffset = 21;
    static constexpr int kReferenceValueOffset = 24;  // f32
    static constexpr int kReferenceTimeOffset = 28;   // u32 readout time stamp
    static constexpr int kReadingsOffset = 32;        // 20 entries of 8 bytes
    static constexpr int kReadingEntrySize = 8;       // f32 value, u32 time stamp
    static constexpr int kMaxReadings = 20;

    static constexpr int kTemperatureSignalLength = 8;
    static constexpr int kPressureSignalLength = 10;

    using InfoArea = std::array<std::uint8_t, kInfoAreaSize>;
    using RecordMemory = std::array<std::uint8_t, kRecordMemorySize>;
    using IdentityBytes = std::array<std::uint8_t, 4>;

    // One stored reading: value in the calibration units, time in readout seconds since 2000.
    struct Reading {
        float value = 0.0f;
        std::uint32_t time = 0;
        friend bool operator==(const Reading&, const Reading&) = default;
    };

    // The serial number of a default device. Its last three characters and its terminating zero
    // are the identity bytes at 16..19 ('0','0','0',0 = hex 30 30 30 00), so the identity digits
    // the host derives from them read "30303000" again: the only 8-character serial for which one
    // memory agrees with itself.
    static constexpr std::string_view kSelfConsistentSerial = "30303000";

    // All memory zero, all reported values zero or empty.
    ReadoutMemory();

    // A realistic device: calibration and display settings, siteCount sites (clamped to 0..200)
    // with names, reference values and 0..20 readings each (site i holds i % 21), time stamps up
    // to shortly before nowCalendarSeconds in local time, and the self-consistent serial number.
    [[nodiscard]] static ReadoutMemory MakeDefault(int siteCount, std::int64_t nowCalendarSeconds);

    // Raw memory.
    [[nodiscard]] const InfoArea& Info() const { return info_; }
    [[nodiscard]] InfoArea& Info() { return info_; }
    [[nodiscard]] const RecordMemory& Records() const { return records_; }
    [[nodiscard]] RecordMemory& Records() { return records_; }
    // Addresses outside the information area read 0 and ignore writes.
    [[nodiscard]] std::uint8_t InfoByte(int address) const;
    void SetInfoByte(int address, std::uint8_t value);
    [[nodiscard]] std::uint16_t InfoU16(int address) const;
    void SetInfoU16(int address, std::uint16_t value);
    [[nodiscard]] float InfoF32(int address) const;
    void SetInfoF32(int address, float value);
    // The zero-terminated text at address: at most maxLength characters, never past the area.
    [[nodiscard]] std::string InfoText(int address, int maxLength) const;

    // Typed information-area fields.
    [[nodiscard]] std::string SerialNumber() const;
    // At most kMaxSerialLength characters, so the information-area size is never overwritten.
    // Returns false (and changes nothing) for a longer text.
    bool SetSerialNumber(std::string_view serial);
    [[nodiscard]] IdentityBytes Identity() const;
    void SetIdentity(const IdentityBytes& bytes);
    // The identity bytes as eight upper-case hexadecimal digits, in address order.
    [[nodiscard]] std::string IdentityHex() const;
    [[nodiscard]] int InfoSize() const { return InfoU16(kInfoSizeAddress); }
    void SetInfoSize(int size) { SetInfoU16(kInfoSizeAddress, static_cast<std::uint16_t>(size)); }
    [[nodiscard]] float Multiplier() const { return InfoF32(kMultiplierAddress); }
    void SetMultiplier(float v) { SetInfoF32(kMultiplierAddress, v); }
    [[nodiscard]] float Offset() const { return InfoF32(kOffsetAddress); }
    void SetOffset(float v) { SetInfoF32(kOffsetAddress, v); }
    [[nodiscard]] int CalUnits() const { return InfoByte(kCalUnitsAddress); }
    void SetCalUnits(int code) { SetInfoByte(kCalUnitsAddress, static_cast<std::uint8_t>(code)); }
    [[nodiscard]] float Zero() const { return InfoF32(kZeroAddress); }
    void SetZero(float v) { SetInfoF32(kZeroAddress, v); }
    [[nodiscard]] int PowerDown() const { return InfoByte(kPowerDownAddress); }
    void SetPowerDown(int code) { SetInfoByte(kPowerDownAddress, static_cast<std::uint8_t>(code)); }
    [[nodiscard]] int Value53() const { return InfoByte(kValue53Address); }
    void SetValue53(int v) { SetInfoByte(kValue53Address, static_cast<std::uint8_t>(v)); }
    [[nodiscard]] int DisplayDigits() const;  // signed
    void SetDisplayDigits(int digits);
    [[nodiscard]] int DisplayUnits() const { return InfoByte(kDisplayUnitsAddress); }
    void SetDisplayUnits(int code) {
        SetInfoByte(kDisplayUnitsAddress, static_cast<std::uint8_t>(code));
    }
    [[nodiscard]] int Capacity() const { return InfoU16(kCapacityAddress); }
    void SetCapacity(int n) { SetInfoU16(kCapacityAddress, static_cast<std::uint16_t>(n)); }
    [[nodiscard]] int Value60() const { return InfoByte(kValue60Address); }
    void SetValue60(int v) { SetInfoByte(kValue60Address, static_cast<std::uint8_t>(v)); }
    [[nodiscard]] int RecordCount() const { return InfoU16(kRecordCountAddress); }
    void SetRecordCount(int n) { SetInfoU16(kRecordCountAddress, static_cast<std::uint16_t>(n)); }
    [[nodiscard]] int BlockSize() const { return InfoByte(kBlockSizeAddress); }
    void SetBlockSize(int n) { SetInfoByte(kBlockSizeAddress, static_cast<std::uint8_t>(n)); }
    [[nodiscard]] int LcdContrast() const { return InfoByte(kLcdContrastAddress); }
    void SetLcdContrast(int v) { SetInfoByte(kLcdContrastAddress, static_cast<std::uint8_t>(v)); }
    // The printable characters (0x20..0x7E) from address 144 up to the first other byte, never
    // past the information-area size or the end of the area.
    [[nodiscard]] std::string FileName() const;
    // Writes the text and its zero, cut so that the zero lands inside the area. Returns the
    // number of characters stored.
    int SetFileName(std::string_view name);

    // Site records; indices outside 0..199 (or 0..19 for readings) read as empty and ignore
    // writes.
    [[nodiscard]] std::string SiteName(int record) const;
    // Cut to 20 characters; the rest of the 21-byte field is zero-filled.
    void SetSiteName(int record, std::string_view name);
    // The raw count byte, which may exceed 20 when the host wrote it so.
    [[nodiscard]] int ReadingCount(int record) const;
    void SetReadingCount(int record, int count);
    [[nodiscard]] float ReferenceValue(int record) const;
    void SetReferenceValue(int record, float value);
    [[nodiscard]] std::uint32_t ReferenceTime(int record) const;
    void SetReferenceTime(int record, std::uint32_t stamp);
    [[nodiscard]] Reading ReadingAt(int record, int index) const;
    void SetReading(int record, int index, const Reading& reading);
    // Memory never written, or erased: every byte of the record reads 0xFF.
    void EraseRecord(int record);

    // Values the readout reports by command, not from memory.
    [[nodiscard]] float FirmwareVersion() const { return firmwareVersion_; }
    void SetFirmwareVersion(float v) { firmwareVersion_ = v; }
    [[nodiscard]] float BatteryVolts() const { return batteryVolts_; }
    void SetBatteryVolts(float v) { batteryVolts_ = v; }
    // Battery statistics: display-on, backlight and sleep time (hours) and life remaining (%).
    [[nodiscard]] float DisplayOnTime() const { return displayOnTime_; }
    void SetDisplayOnTime(float v) { displayOnTime_ = v; }
    [[nodiscard]] float BacklightTime() const { return backlightTime_; }
    void SetBacklightTime(float v) { backlightTime_ = v; }
    [[nodiscard]] float SleepTime() const { return sleepTime_; }
    void SetSleepTime(float v) { sleepTime_ = v; }
    [[nodiscard]] float BatteryLifeRemaining() const { return batteryLifeRemaining_; }
    void SetBatteryLifeRemaining(float v) { batteryLifeRemaining_ = v; }
    // A fresh battery: no time counted, full life remaining.
    void ResetBatteryStats();

    // The readout clock is the PC's calendar time plus this many seconds.
    [[nodiscard]] std::int64_t ClockOffsetSeconds() const { return clockOffsetSeconds_; }
    void SetClockOffsetSeconds(std::int64_t s) { clockOffsetSeconds_ = s; }

    // Calibration signals reported by "T" and "M 5": exactly 8 and 10 printable characters, no
    // "?" (the host would read that as a rejection). Returns false and keeps the old value for
    // any other text.
    [[nodiscard]] const std::string& TemperatureSignal() const { return temperatureSignal_; }
    bool SetTemperatureSignal(std::string_view text);
    [[nodiscard]] const std::string& PressureSignal() const { return pressureSignal_; }
    bool SetPressureSignal(std::string_view text);

    // Commands received that change no memory but that tests want to see.
    [[nodiscard]] int InitializeCount() const { return initializeCount_; }
    void CountInitialize() { ++initializeCount_; }
    [[nodiscard]] int BatteryResetCount() const { return batteryResetCount_; }
    void CountBatteryReset() { ++batteryResetCount_; }

  private:
    [[nodiscard]] std::size_t RecordBase(int record) const;
    [[nodiscard]] static bool ValidRecord(int record);

    InfoArea info_{};
    RecordMemory records_{};
    float firmwareVersion_ = 0.0f;
    float batteryVolts_ = 0.0f;
    float displayOnTime_ = 0.0f;
    float backlightTime_ = 0.0f;
    float sleepTime_ = 0.0f;
    float batteryLifeRemaining_ = 0.0f;
    std::int64_t clockOffsetSeconds_ = 0;
    std::string temperatureSignal_;
    std::string pressureSignal_;
    int initializeCount_ = 0;
    int batteryResetCount_ = 0;
};

}  // namespace q417::sim
