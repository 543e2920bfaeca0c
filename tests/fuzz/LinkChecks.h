#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzLine.h"
#include "RecordImage.h"

namespace q417::fuzz {

// Checks shared by the link's fuzz targets, written apart from the link's own code so that
// they do not share its mistakes.

// Longest the host may wait for the answer to one message before it gives up on it: a line's
// 1500 ms, the pause after a wrong echo and the flushes around a command.
inline constexpr std::int64_t kLongestWaitPerMessageMs = 2700;

// The record packets of a record-read reply to command (the echo, CR LF, then per block 64 data
// bytes and their sum modulo 256), taken from the first bytes of reply. Nothing unless every
// checksum holds.
[[nodiscard]] std::optional<std::string> GoodRecordData(std::string_view reply,
                                                        const std::string& command, int blocks);

// The bytes the host read after message k, up to the next one (or to now).
[[nodiscard]] std::string_view ReadAfter(const FuzzLine& line, std::size_t k);

// The host has not waited on a silent line longer than its messages since the last byte it read
// allow: every wait in the link ends within its deadline.
void RequireNoLongWait(const FuzzLine& line, std::int64_t startMs, std::int64_t nowMs);

// Every record packet the host wrote went to a block of command's range, carried that block of
// image and its sum, and the packets came in order, none beyond the range.
void RequirePacketsOfImage(const FuzzLine& line, std::size_t fromMessage, const RecordImage& image);

}  // namespace q417::fuzz
