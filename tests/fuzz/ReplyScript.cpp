#include "ReplyScript.h"

#include <algorithm>

namespace q417::fuzz {

ReplyFrame ReplyScript::Next(const HostMessage& message) {
    ReplyFrame frame;
    if (rest_.empty()) {
        return frame;
    }
    const auto header = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    frame.delayMs = kDelaysMs[header & 0x0F];
    std::size_t length = 0;
    for (int i = 0; i < 2 && !rest_.empty(); ++i) {
        length |= static_cast<std::size_t>(static_cast<std::uint8_t>(rest_.front())) << (8 * i);
        rest_.remove_prefix(1);
    }
    length = std::min(length, rest_.size());
    if ((header & kEchoFlag) != 0 && !message.binary) {
        frame.bytes = message.bytes + "\r\n";
    }
    frame.bytes.append(rest_.substr(0, length));
    rest_.remove_prefix(length);
    return frame;
}

void ReplyScript::AppendFrame(std::string& script, std::string_view payload) {
    // Longer replies than a length can say are split: the rest goes with the next frames'
    // message, which a seed never needs (the longest reply, one record, is 210 bytes).
    const std::size_t length = std::min<std::size_t>(payload.size(), 0xFFFF);
    script.push_back('\0');
    script.push_back(static_cast<char>(length & 0xFF));
    script.push_back(static_cast<char>(length >> 8));
    script.append(payload.substr(0, length));
}

}  // namespace q417::fuzz
