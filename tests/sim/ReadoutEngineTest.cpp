#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "DateTimeFields.h"
#include "EngineFixture.h"
#include "ReadoutEngine.h"
#include "TestNames.h"

namespace q417::sim {
namespace {

using namespace std::string_literals;
using testing::EngineFixture;
using testing::kFixtureNow;
using testing::Packet;

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
    return s;
}

// What the host keeps of a reply: upper case, LFs removed.
std::string AsHostHoldsIt(const std::string& reply) {
    std::string kept;
    for (char c : Upper(reply)) {
        if (c != '\n') {
            kept.push_back(c);
        }
    }
    return kept;
}

class ReadoutEngineTest : public EngineFixture {};

struct ReplyCase {
    std::string sent;
    std::string answered;
};

void PrintTo(const ReplyCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(c.sent) << " -> " << ::testing::PrintToString(c.answered);
}

class EngineReplyTest : public EngineFixture, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(EngineReplyTest, AnswersByteForByte) {
    EXPECT_EQ(Exchange(GetParam().sent), GetParam().answered);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, EngineReplyTest,
    ::testing::Values(
        ReplyCase{"\r\n", "ORVANE Q417 READOUT V2.14\r\n"},
        ReplyCase{"\r", "ORVANE Q417 READOUT V2.14\r\n"},
        ReplyCase{"  \r\n", "ORVANE Q417 READOUT V2.14\r\n"}, ReplyCase{"BAUD\r\n", "BAUD\r\n"},
        ReplyCase{"I\r\n", "I\r\n"}, ReplyCase{"F\r\n", "F 2.14\r\n"},
        ReplyCase{"B\r\n", "B 3.62\r\n"}, ReplyCase{"B 1\r\n", "B 1 41.5 6.25 1630.75 78%\r\n"},
        ReplyCase{"B 2\r\n", "B 2\r\n"}, ReplyCase{"T\r\n", "T 0.734615\r\n"},
        ReplyCase{"M 5\r\n", "M 5 2.04761839\r\n"},
        // The readout runs 95 s behind the PC's 2026-01-01 00:00:00.
        ReplyCase{"RT\r\n", "RT 2025/12/31 23:58:25\r\n"},
        ReplyCase{"WT 2026/01/01 12:00:00\r\n", "WT 2026/01/01 12:00:00\r\n"},
        ReplyCase{"RE 3F\r\n", "RE 3F 40\r\n"}, ReplyCase{"RE 10\r\n", "RE 10 30\r\n"},
        ReplyCase{"RE 13\r\n", "RE 13 00\r\n"}, ReplyCase{"RE 14\r\n", "RE 14 80\r\n"},
        ReplyCase{"RE 0\r\n", "RE 0 FF\r\n"}, ReplyCase{"RE 47F\r\n", "RE 47F FF\r\n"},
        ReplyCase{"RE 0090\r\n", "RE 0090 53\r\n"}, ReplyCase{"re 3f\r\n", "RE 3F 40\r\n"},
        ReplyCase{"WE 28 05\r\n", "WE 28 05\r\n"}, ReplyCase{"WE 47F 0\r\n", "WE 47F 0\r\n"},
        ReplyCase{"REB 0010-0013\r", "REB 0010-0013\r\n000\0\r\n"s},
        ReplyCase{"REB 003F-003F\r", "REB 003F-003F\r\n@\r\n"},
        ReplyCase{"RP 0 40 0\r\n", "RP 0 40 0\r\n"}, ReplyCase{"WP 0 40 0\r\n", "WP 0 40 0\r\n"}),
    [](const auto& test) { return testing::SafeName(test.param.sent, test.index); });

class EngineRejectTest : public EngineFixture, public ::testing::WithParamInterface<std::string> {};

TEST_P(EngineRejectTest, AnswersEchoAndQuestionMark) {
    const ReadoutMemory before = engine_.Memory();
    EXPECT_EQ(Exchange(GetParam() + "\r\n"), Upper(GetParam()) + " ?\r\n");
    EXPECT_EQ(engine_.Memory().Info(), before.Info());
    EXPECT_EQ(engine_.Memory().Records(), before.Records());
    EXPECT_EQ(engine_.Memory().ClockOffsetSeconds(), before.ClockOffsetSeconds());
    EXPECT_FALSE(engine_.HasPartialInput());
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, EngineRejectTest,
    ::testing::Values("XYZ", "xyz", "BAUD 9600", "I 1", "F 1", "B 3", "B 1 2", "T 1", "M", "M 4",
                      "M 5 5", "RT 1", "RE", "RE 480", "RE 3G", "RE -1", "RE 3F 1", "RE 123456789",
                      "WE 28", "WE 28 100", "WE 480 00", "WE 28 0G", "REB 0000-0480",
                      "REB 0010-000F", "REB 0000", "REB 0000-", "REB -0010", "REB 0000-0001 2",
                      "RP 0 20 3", "RP 0 40", "RP 258 40 0", "RP 257 40 2", "RP 0 40 259",
                      "WP 0 41 1", "WP 258 40 1", "WP 0 40 259", "WT 2023/02/29 10:00:00",
                      "WT 2026/01/01 24:00:00", "WT 2026/13/01 00:00:00", "WT 1999/12/31 23:59:59",
                      "WT 2100/01/01 00:00:00", "WT 2026/01/01", "WT 2026-01-01 00:00:00",
                      "WT 2026/01/01 00:00:00 1"),
    [](const auto& test) { return testing::SafeName(test.param, test.index); });

TEST_F(ReadoutEngineTest, TooLongLineIsRejectedWithItsFirstCharacters) {
    const std::string line(ReadoutEngine::kMaxLineLength + 10, 'a');
    EXPECT_EQ(Exchange(line + "\r\n"), std::string(ReadoutEngine::kMaxLineLength, 'A') + " ?\r\n");
    EXPECT_EQ(Exchange("F\r\n"), "F 2.14\r\n");
}

TEST_F(ReadoutEngineTest, CommandSplitOverManyDeliveriesIsAnsweredOnce) {
    std::string out;
    for (char c : "RE 3F\r\n"s) {
        engine_.Receive(std::string(1, c));
        out += engine_.TakeOutput();
    }
    EXPECT_EQ(out, "RE 3F 40\r\n");
}

TEST_F(ReadoutEngineTest, LfAfterCrIsNotAnotherCommand) {
    EXPECT_EQ(Exchange("RE 3F\r"), "RE 3F 40\r\n");
    EXPECT_EQ(Exchange("\n"), "");
    EXPECT_EQ(Exchange("F\r\nB\r\n"), "F 2.14\r\nB 3.62\r\n");
    EXPECT_EQ(engine_.CommandCount(), 3);
}

TEST_F(ReadoutEngineTest, CrAloneEndsACommand) {
    EXPECT_EQ(Exchange("RE 3F\rF\r"), "RE 3F 40\r\nF 2.14\r\n");
}

TEST_F(ReadoutEngineTest, CountsEveryLineTheWakeUpIncluded) {
    (void)Exchange("\r\nXYZ\r\nF\r\n\r\n");
    EXPECT_EQ(engine_.CommandCount(), 4);
}

TEST_F(ReadoutEngineTest, ByteReadMatchesMemoryAsTheHostParsesIt) {
    // The host takes the reply from position len("RE %X") + 1 as hexadecimal.
    for (int address = 0; address < ReadoutMemory::kInfoAreaSize; ++address) {
        char command[16];
        std::snprintf(command, sizeof command, "RE %X", address);
        const std::string reply = AsHostHoldsIt(Exchange(std::string(command) + "\r\n"));
        ASSERT_NE(reply.find(command), std::string::npos) << reply;
        ASSERT_EQ(reply.find('?'), std::string::npos) << reply;
        const auto value = std::strtoul(reply.c_str() + std::strlen(command) + 1, nullptr, 16);
        ASSERT_EQ(value & 0xFF, engine_.Memory().InfoByte(address)) << command;
    }
}

TEST_F(ReadoutEngineTest, ByteWriteChangesMemory) {
    EXPECT_EQ(Exchange("WE 28 05\r\n"), "WE 28 05\r\n");
    EXPECT_EQ(engine_.Memory().InfoByte(0x28), 5);
    EXPECT_EQ(Exchange("RE 28\r\n"), "RE 28 05\r\n");
    (void)Exchange("WE 10 12\r\nWE 11 34\r\nWE 12 ab\r\nWE 13 00\r\n");
    EXPECT_EQ(engine_.Memory().IdentityHex(), "1234AB00");
}

TEST_F(ReadoutEngineTest, QueriesParseAsTheHostDoes) {
    const std::string firmware = AsHostHoldsIt(Exchange("F\r\n"));
    EXPECT_FLOAT_EQ(std::strtof(firmware.c_str() + 2, nullptr), engine_.Memory().FirmwareVersion());
    const std::string volts = AsHostHoldsIt(Exchange("B\r\n"));
    EXPECT_FLOAT_EQ(std::strtof(volts.c_str() + 2, nullptr), engine_.Memory().BatteryVolts());

    // Four numbers from position 4, separated by single spaces, the last ended by "%".
    std::string stats = AsHostHoldsIt(Exchange("B 1\r\n")).substr(4);
    ASSERT_EQ(stats.back(), '\r');
    stats.pop_back();
    const auto s1 = stats.find(' ');
    const auto s2 = stats.find(' ', s1 + 1);
    const auto s3 = stats.find(' ', s2 + 1);
    const auto pct = stats.find('%', s3 + 1);
    ASSERT_NE(pct, std::string::npos);
    EXPECT_EQ(pct, stats.size() - 1);
    EXPECT_FLOAT_EQ(std::strtof(stats.substr(0, s1).c_str(), nullptr),
                    engine_.Memory().DisplayOnTime());
    EXPECT_FLOAT_EQ(std::strtof(stats.substr(s1 + 1, s2 - s1 - 1).c_str(), nullptr),
                    engine_.Memory().BacklightTime());
    EXPECT_FLOAT_EQ(std::strtof(stats.substr(s2 + 1, s3 - s2 - 1).c_str(), nullptr),
                    engine_.Memory().SleepTime());
    EXPECT_FLOAT_EQ(std::strtof(stats.substr(s3 + 1, pct - s3 - 1).c_str(), nullptr),
                    engine_.Memory().BatteryLifeRemaining());

    EXPECT_EQ(AsHostHoldsIt(Exchange("T\r\n")).substr(2, 8), engine_.Memory().TemperatureSignal());
    EXPECT_EQ(AsHostHoldsIt(Exchange("M 5\r\n")).substr(4, 10), engine_.Memory().PressureSignal());

    const std::string clock = AsHostHoldsIt(Exchange("RT\r\n"));
    char echo[8];
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    EXPECT_EQ(std::sscanf(clock.c_str(), "%7s %d/%d/%d %d:%d:%d", echo, &y, &mo, &d, &h, &mi, &s),
              7);
    EXPECT_EQ((DateTimeFields{y, mo, d, h, mi, s}.ToCalendarLocal()), kFixtureNow - 95);
}

TEST_F(ReadoutEngineTest, InitialiseAndBatteryResetAreCounted) {
    (void)Exchange("I\r\nI\r\nB 2\r\n");
    EXPECT_EQ(engine_.Memory().InitializeCount(), 2);
    EXPECT_EQ(engine_.Memory().BatteryResetCount(), 1);
    EXPECT_EQ(Exchange("B 1\r\n"), "B 1 0 0 0 100%\r\n");
}

TEST_F(ReadoutEngineTest, ClockWriteThenReadRoundTrips) {
    EXPECT_EQ(Exchange("WT 2026/03/04 05:06:07\r\n"), "WT 2026/03/04 05:06:07\r\n");
    EXPECT_EQ(Exchange("RT\r\n"), "RT 2026/03/04 05:06:07\r\n");
    // 2026-03-04 05:06:07 UTC is 62 days, 5 h 6 min 7 s after the PC's time.
    EXPECT_EQ(engine_.Memory().ClockOffsetSeconds(), 62 * 86400 + 5 * 3600 + 6 * 60 + 7);
    now_ += 61;
    EXPECT_EQ(Exchange("RT\r\n"), "RT 2026/03/04 05:07:08\r\n");
}

TEST_F(ReadoutEngineTest, ClockKeepsLocalTimeAcrossDaylightSaving) {
    testing::TimeZoneGuard zone(testing::kZoneWithDaylightSaving);
    EXPECT_EQ(Exchange("WT 2026/07/01 14:00:00\r\n"), "WT 2026/07/01 14:00:00\r\n");
    EXPECT_EQ(engine_.ReadoutClockSeconds(), 1782907200);  // 12:00 UTC in summer time
    EXPECT_EQ(Exchange("RT\r\n"), "RT 2026/07/01 14:00:00\r\n");
}

TEST_F(ReadoutEngineTest, BlockReadFramesTheRawBytes) {
    const std::string out = Exchange("REB 0000-047F\r");
    ASSERT_EQ(out.size(), 15u + 1152u + 2u);
    // The host reads the echo line up to its CR, skips one LF, takes 1152 bytes and discards one.
    const auto cr = out.find('\r');
    EXPECT_EQ(out.substr(0, cr), "REB 0000-047F");
    EXPECT_EQ(out[cr + 1], '\n');
    const std::string data = out.substr(cr + 2, 1152);
    EXPECT_TRUE(
        std::equal(data.begin(), data.end(), engine_.Memory().Info().begin(),
                   [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }));
    EXPECT_EQ(out.substr(cr + 2 + 1152), "\r\n");
}

TEST_F(ReadoutEngineTest, RecordReadSendsEchoAndChecksummedPackets) {
    auto& records = engine_.Memory().Records();
    std::fill(records.begin() + 6 * 64, records.begin() + 7 * 64, 0xFF);
    for (int i = 0; i < 64; ++i) {
        records[static_cast<std::size_t>(7 * 64 + i)] = static_cast<std::uint8_t>(i);
    }
    std::fill(records.begin() + 8 * 64, records.begin() + 9 * 64, 0x00);

    const std::string out = Exchange("RP 6 40 3\r\n");
    // Exactly L + 65 x 3 + 2 bytes with L = 9, as the host expects.
    ASSERT_EQ(out.size(), 9u + 2u + 195u);
    EXPECT_EQ(out.substr(0, 11), "RP 6 40 3\r\n");
    EXPECT_EQ(out.substr(11, 64), std::string(64, '\xFF'));
    EXPECT_EQ(static_cast<std::uint8_t>(out[11 + 64]), 0xC0);
    EXPECT_EQ(static_cast<std::uint8_t>(out[11 + 65 + 63]), 63);
    EXPECT_EQ(static_cast<std::uint8_t>(out[11 + 65 + 64]), 0xE0);  // 0 + 1 + ... + 63 = 0x7E0
    EXPECT_EQ(static_cast<std::uint8_t>(out[11 + 130 + 64]), 0x00);
}

TEST_F(ReadoutEngineTest, RecordDownloadAsTheHostDoesItCopiesEveryRecord) {
    for (int record = 0; record < engine_.Memory().RecordCount(); ++record) {
        char command[24];
        std::snprintf(command, sizeof command, "RP %X %X %X", record * 3, 64, 3);
        const std::size_t length = std::strlen(command);
        const std::string out = Exchange(std::string(command) + "\r\n");
        ASSERT_EQ(out.size(), length + 65 * 3 + 2) << command;
        for (int b = 0; b < 3; ++b) {
            const std::size_t at = length + 2 + static_cast<std::size_t>(b) * 65;
            unsigned sum = 0;
            for (std::size_t i = 0; i < 64; ++i) {
                const auto byte = static_cast<std::uint8_t>(out[at + i]);
                ASSERT_EQ(byte, engine_.Memory().Records()[static_cast<std::size_t>(record) * 192 +
                                                           static_cast<std::size_t>(b) * 64 + i]);
                sum += byte;
            }
            ASSERT_EQ(static_cast<std::uint8_t>(out[at + 64]), sum & 0xFF) << command << " " << b;
        }
    }
}

TEST_F(ReadoutEngineTest, RecordReadReachesTheLastBlock) {
    const std::string out = Exchange("RP 257 40 1\r\n");
    EXPECT_EQ(out.size(), 11u + 2u + 65u);
}

TEST_F(ReadoutEngineTest, RecordWriteStoresPacketsAndAnswersACrEach) {
    const auto before = engine_.Memory().Records();
    const std::string a(64, 'a'), b(64, 'b'), c(64, 'c');
    // The host sends the command with CR LF and the first packet at once.
    EXPECT_EQ(Exchange("WP 6 40 3\r\n" + Packet(a)), "WP 6 40 3\r\n\r");
    EXPECT_TRUE(engine_.HasPartialInput());
    EXPECT_EQ(Exchange(Packet(b)), "\r");
    EXPECT_EQ(Exchange(Packet(c)), "\r");
    EXPECT_FALSE(engine_.HasPartialInput());
    const auto& r = engine_.Memory().Records();
    EXPECT_EQ(std::string(r.begin() + 384, r.begin() + 448), a);
    EXPECT_EQ(std::string(r.begin() + 448, r.begin() + 512), b);
    EXPECT_EQ(std::string(r.begin() + 512, r.begin() + 576), c);
    // Nothing outside blocks 6..8 changed.
    EXPECT_TRUE(std::equal(r.begin(), r.begin() + 384, before.begin()));
    EXPECT_TRUE(std::equal(r.begin() + 576, r.end(), before.begin() + 576));
    EXPECT_EQ(engine_.StoredPacketCount(), 3);
    EXPECT_EQ(engine_.BadPacketCount(), 0);
    // Back to commands.
    EXPECT_EQ(Exchange("RE 3F\r\n"), "RE 3F 40\r\n");
}

TEST_F(ReadoutEngineTest, RecordWriteKeepsMemoryOfAPacketWithAWrongSum) {
    const auto before = engine_.Memory().Records();
    const std::string data(64, 'x');
    EXPECT_EQ(Exchange("WP 3 40 3\r\n" + Packet(data) + Packet(data, 1) + Packet(data)),
              "WP 3 40 3\r\n\r\r\r");
    const auto& r = engine_.Memory().Records();
    EXPECT_EQ(std::string(r.begin() + 192, r.begin() + 256), data);
    EXPECT_TRUE(std::equal(r.begin() + 256, r.begin() + 320, before.begin() + 256));
    EXPECT_EQ(std::string(r.begin() + 320, r.begin() + 384), data);
    EXPECT_EQ(engine_.StoredPacketCount(), 2);
    EXPECT_EQ(engine_.BadPacketCount(), 1);
}

TEST_F(ReadoutEngineTest, RecordWriteDataMayBeginWithLf) {
    // Only the LF of the command's CR LF is skipped; a data byte 0x0A is data.
    const std::string data(64, '\n');
    EXPECT_EQ(Exchange("WP 0 40 1\r\n" + Packet(data)), "WP 0 40 1\r\n\r");
    EXPECT_EQ(
        std::string(engine_.Memory().Records().begin(), engine_.Memory().Records().begin() + 64),
        data);
}

TEST_F(ReadoutEngineTest, RecordWriteArrivingByteByByte) {
    const std::string data(64, 'q');
    const std::string all = "WP 1 40 1\r\n" + Packet(data);
    std::string out;
    for (char ch : all) {
        engine_.Receive(std::string(1, ch));
        out += engine_.TakeOutput();
    }
    EXPECT_EQ(out, "WP 1 40 1\r\n\r");
    EXPECT_EQ(engine_.StoredPacketCount(), 1);
}

TEST_F(ReadoutEngineTest, RejectedRecordWriteStaysInCommandMode) {
    EXPECT_EQ(Exchange("WP 0 41 1\r\n"), "WP 0 41 1 ?\r\n");
    EXPECT_FALSE(engine_.HasPartialInput());
    EXPECT_EQ(Exchange("F\r\n"), "F 2.14\r\n");
}

TEST_F(ReadoutEngineTest, LineResetForgetsAPartialCommand) {
    engine_.Receive("RE 3");
    EXPECT_TRUE(engine_.HasPartialInput());
    engine_.LineReset();
    EXPECT_FALSE(engine_.HasPartialInput());
    EXPECT_EQ(Exchange("F\r\n"), "F 2.14\r\n");
}

TEST_F(ReadoutEngineTest, LineResetAbandonsARecordWrite) {
    const auto before = engine_.Memory().Records();
    EXPECT_EQ(Exchange("WP 0 40 2\r\n" + std::string(10, 'z')), "WP 0 40 2\r\n");
    engine_.LineReset();
    EXPECT_EQ(Exchange("RE 3F\r\n"), "RE 3F 40\r\n");
    EXPECT_EQ(engine_.Memory().Records(), before);
    EXPECT_EQ(engine_.StoredPacketCount() + engine_.BadPacketCount(), 0);
}

TEST_F(ReadoutEngineTest, LineResetDropsOutputNotYetTaken) {
    engine_.Receive("F\r\n");
    engine_.LineReset();
    EXPECT_EQ(engine_.TakeOutput(), "");
}

}  // namespace
}  // namespace q417::sim
