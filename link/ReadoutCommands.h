#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "ReadoutTransport.h"
#include "RecordImage.h"
#include "ReplyParsing.h"

namespace q417 {

// The readout's command set on top of the transport: queries, byte and block access to its
// memory, and the record download and upload. Each operation returns true when the readout
// acknowledged it and leaves its outputs untouched otherwise.
class ReadoutCommands {
  public:
    static constexpr int kBlockSize = kTransferBlockSize;
    static constexpr int kPacketSize = kBlockSize + 1;  // data, then the checksum byte
    static constexpr std::int64_t kPacketAckMs = 50;    // an upload packet waits this for its CR
    static constexpr std::int64_t kBlockByteMs = 500;   // a block read gives up after this gap
    static constexpr std::int64_t kWrongEchoPauseMs = 1000;  // a wrong echo: wait, then clear

    explicit ReadoutCommands(ReadoutTransport& transport);

    bool ReadFirmwareVersion(float& version);
    bool ReadBatteryVoltage(float& volts);
    bool ReadBatteryStats(BatteryStats& stats);
    bool ResetBatteryStats();
    bool SendInitialize();
    // Temperature signal (8 characters) and pressure signal (10 characters).
    bool CaptureCalibration(std::string& temperatureText, std::string& pressureText);
    // The readout clock as calendar seconds (its fields taken as the PC's local time).
    bool ReadClock(std::int64_t& calendarSeconds);
    bool SetClock(std::int64_t calendarSeconds);

    // One byte of the information area; fails unless the reply is whole: the echo, one
    // separator, one or two hex digits and the CR.
    bool ReadByte(int address, std::uint8_t& value);
    bool ReadBytes(int address, std::span<std::uint8_t> buffer);
    bool WriteByte(int address, std::uint8_t value);
    bool WriteBytes(int address, std::span<const std::uint8_t> bytes);

    // Reads addresses first..last into buffer (which must hold them). Fails, with the buffer
    // untouched, when the echo does not come back in time; fails when fewer bytes than asked
    // arrive, or when a byte other than the readout's CR follows them (bytes were lost on the
    // way).
    bool ReadBlock(int first, int last, std::span<std::uint8_t> buffer);

    // Uploads recordCount records of image starting with the record at block firstBlock. Each
    // packet goes after the readout's CR for one before it, or after kPacketAckMs without one.
    // Succeeds only when the readout echoed the command, answered every packet with its CR
    // within the reply deadline (from the later of the packet's sending and the CR before) and
    // said "?" nowhere; it returns only once every packet has been answered or one's deadline
    // has passed.
    bool WriteRecords(int firstBlock, int recordCount, const RecordImage& image);
    // Downloads recordCount records into image at the record of block firstBlock. Every
    // packet's checksum is verified; nothing is copied unless the whole reply is sound.
    bool ReadRecords(int firstBlock, int recordCount, RecordImage& image);

  private:
    // SendCommand, then the reply from position `from` on (empty when the reply is shorter).
    bool Query(const std::string& command, std::size_t from, std::string& answer);

    ReadoutTransport& transport_;
};

}  // namespace q417
