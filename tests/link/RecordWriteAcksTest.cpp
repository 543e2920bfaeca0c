// The acknowledgements of a record write: the echo, then a CR per packet, each in time.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RecordWriteAcks.h"

namespace q417 {
namespace {

constexpr std::int64_t kDeadlineMs = 1000;
const std::string kCommand = "WP 0 40 3";

// One step of a write: a packet sent, or bytes received, at atMs.
struct Step {
    std::int64_t atMs;
    bool sent;  // true: a packet went; false: reply came in
    std::string reply;
};

TEST(RecordWriteAcksTest, AWriteCountsOnlyWithItsEchoAndEveryCrInTime) {
    const struct {
        const char* name;
        std::vector<Step> steps;
        bool sound;
        int answered;
    } cases[] = {
        {"echo, then a CR per packet",
         {{0, true, ""},
          {5, false, "wp 0 40 3\r\n\r"},
          {10, true, ""},
          {15, false, "\r"},
          {20, true, ""},
          {25, false, "\r"}},
         true,
         3},
        {"CRs that queue behind each other on a slow line",
         {{0, true, ""},
          {1, true, ""},
          {2, true, ""},
          {5, false, "WP 0 40 3\r\n"},
          {900, false, "\r"},
          {1800, false, "\r"},
          {2700, false, "\r"}},
         true,
         3},
        {"a CR later than the deadline",
         {{0, true, ""},
          {5, false, "WP 0 40 3\r\n"},
          {1200, false, "\r"},
          {1201, true, ""},
          {1202, true, ""},
          {1203, false, "\r\r"}},
         false,
         3},
        {"a missing CR",
         {{0, true, ""},
          {5, false, "WP 0 40 3\r\n\r"},
          {6, true, ""},
          {7, true, ""},
          {8, false, "\r"}},
         false,
         2},
        {"a CR for no packet", {{0, true, ""}, {5, false, "WP 0 40 3\r\n\r\r"}}, false, 1},
        {"a question mark",
         {{0, true, ""},
          {5, false, "WP 0 40 3\r\n?\r"},
          {6, true, ""},
          {7, false, "\r"},
          {8, true, ""},
          {9, false, "\r"}},
         false,
         3},
        {"an echo of another command",
         {{0, true, ""},
          {5, false, "RP 0 40 3\r\n\r"},
          {6, true, ""},
          {7, false, "\r"},
          {8, true, ""},
          {9, false, "\r"}},
         false,
         3},
        {"a CR before any echo answers a packet",
         {{0, true, ""},
          {5, false, "\r"},
          {6, false, "WP 0 40 3\r\n"},
          {7, true, ""},
          {8, false, "\r"},
          {9, true, ""},
          {10, false, "\r"}},
         true,
         3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordWriteAcks acks(kDeadlineMs);
        for (const Step& step : c.steps) {
            if (step.sent) {
                acks.PacketSent(step.atMs);
            } else {
                acks.Take(step.reply, step.atMs);
            }
        }
        EXPECT_EQ(acks.Sound(kCommand, 3), c.sound);
        EXPECT_EQ(acks.Answered(), c.answered);
    }
}

TEST(RecordWriteAcksTest, EachCrLetsOnePacketGo) {
    RecordWriteAcks acks(kDeadlineMs);
    acks.PacketSent(0);
    acks.PacketSent(1);
    EXPECT_FALSE(acks.CrUnspent());
    acks.Take("WP 0 40 3\r\n\r\r", 5);
    EXPECT_TRUE(acks.EchoEnded());
    acks.SpendCr();
    EXPECT_TRUE(acks.CrUnspent());  // the second CR is still there
    acks.SpendCr();
    acks.SpendCr();  // none left: nothing goes below zero
    EXPECT_FALSE(acks.CrUnspent());
    // The next packet's CR is due a deadline after the later of its sending and the last CR.
    acks.PacketSent(40);
    acks.PacketSent(50);
    EXPECT_EQ(acks.AnswerDeadlineMs(), 40 + kDeadlineMs);
}

}  // namespace
}  // namespace q417
