#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace q417 {

// Pure helpers for the readout's replies and the binary packets: no I/O, tested directly.

// Decimal number at the start of text: leading white space skipped, conversion stops at the
// first character that cannot belong to the number; no number gives 0. Independent of the
// process locale (the readout always writes ".").
[[nodiscard]] float ParseDecimal(std::string_view text);

// Hexadecimal number at the start of text; stops at the first non-hex character; none gives 0.
[[nodiscard]] std::uint32_t ParseHex(std::string_view text);

struct BatteryStats {
    float displayOnTime = 0;         // display-on time
    float backlightTime = 0;         // backlight time
    float sleepTime = 0;             // sleep time
    float batteryLifeRemaining = 0;  // percent
};

// Reply of "B 1": "B 1 a b c d%". Empty when the four fields are not there.
[[nodiscard]] std::optional<BatteryStats> ParseBatteryStats(std::string_view reply);

// The readout clock as it stands in its reply, readout local time.
struct ClockFields {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Reply of "RT": "RT YYYY/MM/DD HH:MM:SS". Empty when fewer than the seven fields convert.
[[nodiscard]] std::optional<ClockFields> ParseClockReply(std::string_view reply);

// Years 1970 to 2038; day within the month, February 29 in years divisible by 4.
[[nodiscard]] bool ValidateClockFields(const ClockFields& fields);

// Local time of the PC to calendar seconds (daylight saving left to the system).
[[nodiscard]] std::int64_t LocalFieldsToCalendar(const ClockFields& fields);

// "WT %Y/%m/%d %H:%M:%S" of calendarSeconds in local time.
[[nodiscard]] std::string FormatSetClockCommand(std::int64_t calendarSeconds);

// Checksum byte of a record packet: the sum of its data bytes modulo 256.
[[nodiscard]] std::uint8_t PacketChecksum(std::span<const std::uint8_t> data);

// Command texts, numbers in upper-case hexadecimal.
[[nodiscard]] std::string FormatReadByteCommand(int address);              // "RE %X"
[[nodiscard]] std::string FormatWriteByteCommand(int address, int value);  // "WE %X %.2X"
[[nodiscard]] std::string FormatReadBlockCommand(int first, int last);     // "REB %.4X-%.4X"
[[nodiscard]] std::string FormatRecordCommand(const char* verb, int firstBlock, int blockSize,
                                              int blocks);  // "RP|WP %X %X %X"

}  // namespace q417
