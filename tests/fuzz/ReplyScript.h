#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace q417::fuzz {

// What the host sent as one unit: a text line (ended by its CR, without CR and LF) or the bytes
// of one binary write (a record packet).
struct HostMessage {
    std::string bytes;
    bool binary = false;
};

// The readout's answer to one host message: bytes that arrive delayMs after it.
struct ReplyFrame {
    std::int64_t delayMs = 0;
    std::string bytes;
};

// The readout's side of a fuzzed exchange, as a script of frames read from the fuzzer's bytes,
// one frame per host message:
//   header: bits 0-3 pick the delay from kDelaysMs, bit 4 puts the host's line (and CR LF)
//           before the payload, as the readout's echo; other bits are ignored
//   length: two bytes, little-endian, cut to what is left
//   payload
// The delays sit on either side of the link's deadlines, so a fuzzer reaches both sides of
// every one of them with a single byte.
class ReplyScript {
  public:
    static constexpr std::int64_t kDelaysMs[16] = {0,   1,   2,   5,    10,   20,   50,   100,
                                                   499, 501, 999, 1199, 1201, 1499, 1501, 5000};
    static constexpr std::uint8_t kEchoFlag = 0x10;

    explicit ReplyScript(std::string_view bytes) : rest_(bytes) {}

    // The next frame for message; a silent frame once the script has run out.
    [[nodiscard]] ReplyFrame Next(const HostMessage& message);
    [[nodiscard]] bool Exhausted() const { return rest_.empty(); }

    // A frame that replays bytes at once, as a seed holds the simulated readout's replies.
    static void AppendFrame(std::string& script, std::string_view payload);

  private:
    std::string_view rest_;
};

}  // namespace q417::fuzz
