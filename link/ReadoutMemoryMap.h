#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "Clock.h"
#include "ReadoutCommands.h"
#include "ReadoutSettings.h"
#include "SharedSettings.h"

namespace q417 {

// Where the readout keeps its parameters, and the composite operations over them: the
// information read after every connection, the identity check of the idle poll, and the
// settings write.
class ReadoutMemoryMap {
  public:
    // Information area: addresses 0..1151, read in one block.
    static constexpr int kInfoAreaSize = 1152;
    static constexpr int kSerialNumberAddress = 11;
    static constexpr int kIdentityAddress = 16;  // 4 raw bytes
    static constexpr int kIdentitySize = 4;
    static constexpr int kInfoSizeAddress = 20;  // u16
    static constexpr int kMultiplierAddress = 32;
    static constexpr int kOffsetAddress = 36;
    static constexpr int kCalUnitsAddress = 40;
    static constexpr int kZeroAddress = 48;
    static constexpr int kPowerDownAddress = 52;
    static constexpr int kDisplayDigitsAddress = 54;
    static constexpr int kDisplayUnitsAddress = 55;
    static constexpr int kCapacityAddress = 58;     // u16
    static constexpr int kRecordCountAddress = 61;  // u16
    static constexpr int kLcdContrastAddress = 68;
    static constexpr int kFileNameAddress = 144;
    // The serial number field runs from 11 up to the information-area size at 20, so a serial
    // number is read as at most 9 characters. The host writes at most 8 and the zero: a ninth
    // character would put the zero on the low byte of the size.
    static constexpr int kSerialFieldLength = kInfoSizeAddress - kSerialNumberAddress;
    static constexpr int kMaxSerialLength = kSerialFieldLength - 1;

    using InfoImage = std::array<std::uint8_t, kInfoAreaSize>;
    using Identity = std::array<std::uint8_t, kIdentitySize>;

    ReadoutMemoryMap(ReadoutCommands& commands, Clock& clock);

    // Reads the information area and the readout's status into settings: the block, then
    // firmware version, battery voltage, battery statistics and clock (each of those kept at
    // its old value when not answered). Returns false, with nothing changed, when the block
    // read fails. On success connected = 1 and a fresh, zero-filled record image is
    // published, with dataReady = 0 until a download fills them.
    bool ReadInformation(SharedSettings& settings);

    // Reads the four identity bytes. changed is 1 when their eight upper-case hex digits differ
    // from serialNumber, else 0. Returns false (changed 0) when they could not be read.
    bool CheckIdentity(const std::string& serialNumber, int& changed);

    // Reads the four identity bytes. same is false when they differ from those the readout held
    // at the last information read, with this map's own writes to them since (a serial number
    // runs over them): another readout is on the line. Unlike CheckIdentity this holds for any
    // serial number, not only one that spells its own identity bytes. Returns false (same true)
    // when they could not be read; same is true when no information read has been made.
    bool CheckSameReadout(bool& same);

    // After a settings write that failed: reads the information area again into settings, so
    // that they hold what the readout holds, a value written in part or taken without its answer
    // included. The records and the status answers stay; a changed record count marks the
    // records as no longer the readout's (dataReady 0). With withClock the clock is read too.
    // Returns false, with nothing changed, when the block read fails.
    bool RereadInformation(SharedSettings& settings, bool withClock);

    // Performs the flagged steps of a settings write in their fixed order, copying each new
    // value into live as soon as its step succeeds. Returns 0, or the code of the first step
    // that failed (the steps before it stay done).
    int WriteSettings(const ReadoutSettings& request, int flags, SharedSettings& live);

    // The text at 11 onward, then the zero (also after a failure). True when every byte went.
    // A text longer than kMaxSerialLength is refused with nothing written.
    bool WriteSerialNumber(std::string_view text);
    // The text at 144 onward, cut so that its zero lands at infoSize - 1 at the latest and
    // never past the information area, then the zero. True when every byte went.
    bool WriteFileName(std::string_view text, int infoSize);
    // Low byte at 61, then, only when that worked, the high byte at 62.
    bool WriteRecordCount(int count);

    // Decodes the parameters held in the information area (no exchange): serial number, sizes,
    // calibration, units, digits, power down, counts and file name, with their texts.
    static void DecodeInformation(const InfoImage& image, ReadoutSettings& settings);

  private:
    // Reads the identity bytes into identity. When isExpected refuses them they are read once
    // more: a reply that lost a digit on the way reads as another value, so another readout is
    // believed only when two reads agree. False when a read failed or the two disagree.
    bool ReadIdentity(Identity& identity, const std::function<bool(const Identity&)>& isExpected);
    // One byte of the information area; the known identity follows a write to it.
    bool WriteInfoByte(int address, std::uint8_t value);
    // Reads the clock into settings, with the PC time of the question. False when unanswered.
    bool ReadClockInto(SharedSettings& settings);
    // Writes text byte by byte from address, stopping at the first failure, then the zero at
    // address + length whatever happened. True when every byte, the zero too, was written.
    bool WriteText(int address, std::string_view text);
    bool WriteFloat(int address, float value);

    ReadoutCommands& commands_;
    Clock& clock_;
    // The identity bytes at the last information read, as this map's writes have changed them.
    std::optional<Identity> knownIdentity_;
};

}  // namespace q417
