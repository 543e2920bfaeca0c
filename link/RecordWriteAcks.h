#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace q417 {

// What the readout says during a record write: its echo line, then one CR for each packet it
// has taken. A CR answers the oldest packet still unanswered, however late it comes. It must come
// within the reply deadline from the later of that packet's sending and the CR before it: the
// readout takes the packets one after the other, and on a slow line they queue up behind each
// other. A CR before any echo text is a packet's too. No I/O: the write feeds it what it sends
// and receives, with the clock's milliseconds.
class RecordWriteAcks {
  public:
    explicit RecordWriteAcks(std::int64_t replyDeadlineMs) : deadlineMs_(replyDeadlineMs) {}

    void PacketSent(std::int64_t atMs) { sentAtMs_.push_back(atMs); }
    // Bytes from the readout, received at nowMs.
    void Take(std::string_view chunk, std::int64_t nowMs);

    [[nodiscard]] bool EchoEnded() const { return echoEnded_; }
    // A CR has come that has not yet let a packet go; SpendCr uses it up (if any).
    [[nodiscard]] bool CrUnspent() const { return unspentCrs_ > 0; }
    void SpendCr();
    [[nodiscard]] int Answered() const { return answered_; }
    // When the oldest unanswered packet's CR is due at the latest; packets must have been sent.
    [[nodiscard]] std::int64_t AnswerDeadlineMs() const;
    // The write counts: the echo held command, no "?" came, every one of blocks packets was
    // answered in time and no CR came for no packet.
    [[nodiscard]] bool Sound(const std::string& command, int blocks) const;

  private:
    std::int64_t deadlineMs_;
    std::vector<std::int64_t> sentAtMs_;  // when each packet went
    std::string echo_;
    bool echoEnded_ = false;
    bool rejected_ = false;  // a "?" anywhere
    bool unsound_ = false;   // a CR too late for its packet, or one for no packet at all
    int answered_ = 0;       // packets whose CR has come
    int unspentCrs_ = 0;     // CRs that have not yet let a packet go
    std::int64_t lastCrMs_ = INT64_MIN;
};

}  // namespace q417
