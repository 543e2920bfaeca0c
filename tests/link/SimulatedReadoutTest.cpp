// The command set against the simulated readout on the in-process line: what the host reads is
// what the readout holds, what it writes lands there, and the readout's faults are survived
// (or reported) the way the link needs.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "FakeLine.h"
#include "ManualClock.h"
#include "ReadoutCommands.h"
#include "ReadoutEngine.h"

namespace q417 {
namespace {

constexpr std::int64_t kNow = 1796742245;  // 2026-12-08 15:04:05 UTC
constexpr int kSites = 25;

class SimulatedReadoutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(transport.OpenPortProbing());
        ASSERT_TRUE(transport.WakeReadout(2));
    }

    [[nodiscard]] bool RecordsMatch(const RecordImage& image, int count) const {
        const auto& memory = engine.Memory().Records();
        return std::equal(memory.begin(), memory.begin() + count * kRecordSize,
                          image.bytes.begin());
    }

    sim::ManualClock clock{kNow};
    sim::ReadoutEngine engine{sim::ReadoutMemory::MakeDefault(kSites, kNow),
                              [this] { return clock.CalendarSeconds(); }};
    sim::FakeLine line{clock, engine};
    ReadoutTransport transport{line, clock};
    ReadoutCommands commands{transport};
};

TEST_F(SimulatedReadoutTest, InformationAreaByBlockAndByteReadsAgree) {
    std::vector<std::uint8_t> block(1152);
    ASSERT_TRUE(commands.ReadBlock(0, 1151, block));
    EXPECT_TRUE(std::equal(block.begin(), block.end(), engine.Memory().Info().begin()));
    std::uint8_t identity[4] = {};
    ASSERT_TRUE(commands.ReadBytes(16, identity));
    EXPECT_TRUE(std::equal(identity, identity + 4, block.begin() + 16));
}

TEST_F(SimulatedReadoutTest, DownloadOneRecordACommandMatchesTheReadout) {
    RecordImage image;
    for (int r = 0; r < kSites; ++r) {
        ASSERT_TRUE(commands.ReadRecords(r * 3, 1, image)) << r;
    }
    EXPECT_TRUE(RecordsMatch(image, kSites));
}

TEST_F(SimulatedReadoutTest, UploadTenRecordsACommandLandsInTheReadout) {
    RecordImage image;
    for (std::size_t i = 0; i < image.bytes.size(); ++i) {
        image.bytes[i] = static_cast<std::uint8_t>(i * 13 + 5);
    }
    for (int r = 0; r < 30; r += 10) {
        ASSERT_TRUE(commands.WriteRecords(r * 3, 10, image));
    }
    EXPECT_TRUE(RecordsMatch(image, 30));
    EXPECT_EQ(engine.BadPacketCount(), 0);
    EXPECT_EQ(engine.StoredPacketCount(), 90);
}

TEST_F(SimulatedReadoutTest, UploadOnAPacedLineWaitsForEachPacketCr) {
    engine.Faults().paceBaud = 115200;
    RecordImage image;
    image.bytes.fill(0x5A);
    ASSERT_TRUE(commands.WriteRecords(0, 10, image));
    EXPECT_TRUE(RecordsMatch(image, 10));
}

TEST_F(SimulatedReadoutTest, UploadTakesTheLastPacketsCrSoTheNextCommandGetsItsOwnReply) {
    // The readout answers a few milliseconds after a packet, as a real one does while it stores
    // it. A CR left on the line would be read as the reply of the next command, which then
    // fails and is sent again.
    engine.Faults().paceBaud = 115200;
    line.SetReplyLatencyMs(6);
    RecordImage image;
    image.bytes.fill(0x33);
    ASSERT_TRUE(commands.WriteRecords(0, 1, image));
    EXPECT_EQ(line.PortBytesWaiting(), 0);
    line.ClearWritten();
    const std::uint8_t name[] = {'/', 't', 'm', 'p', 0};
    ASSERT_TRUE(commands.WriteBytes(144, name));
    EXPECT_EQ(engine.Memory().InfoText(144, 20), "/tmp");
    EXPECT_EQ(line.Written(), "WE 90 2F\r\nWE 91 74\r\nWE 92 6D\r\nWE 93 70\r\nWE 94 00\r\n");
}

TEST_F(SimulatedReadoutTest, UploadToASlowReadoutEndsWhenEveryPacketIsAnswered) {
    // At 9600 baud and 300 ms late the CRs fall ever further behind the 50 ms pacing.
    engine.Faults().paceBaud = 9600;
    engine.Faults().replyLatencyMs = 300;
    RecordImage image;
    image.bytes.fill(0xA7);
    ASSERT_TRUE(commands.WriteRecords(0, 10, image));
    EXPECT_EQ(line.BytesInFlight() + line.PortBytesWaiting(), 0);  // no CR still to come
    EXPECT_TRUE(RecordsMatch(image, 10));
    EXPECT_EQ(engine.StoredPacketCount(), 30);
}

TEST_F(SimulatedReadoutTest, CorruptedChecksumIsRetriedAndNeverStored) {
    RecordImage image;
    engine.Faults().corruptChecksums = 1;
    ASSERT_TRUE(commands.ReadRecords(0, 2, image));
    EXPECT_TRUE(RecordsMatch(image, 2));

    RecordImage untouched;
    engine.Faults().corruptChecksums = 2;
    EXPECT_FALSE(commands.ReadRecords(0, 2, untouched));
    EXPECT_TRUE(std::all_of(untouched.bytes.begin(), untouched.bytes.end(),
                            [](std::uint8_t b) { return b == 0; }));
}

TEST_F(SimulatedReadoutTest, DroppedBytesNeverReachTheImage) {
    engine.Faults().dropEveryNthByte = 150;  // one byte lost in every download reply
    RecordImage image;
    EXPECT_FALSE(commands.ReadRecords(3, 1, image));
    EXPECT_TRUE(
        std::all_of(image.bytes.begin(), image.bytes.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(SimulatedReadoutTest, ShortBlockReadFails) {
    std::vector<std::uint8_t> block(1152, 0xEE);
    engine.Faults().cutReplies = 1;
    EXPECT_FALSE(commands.ReadBlock(0, 1151, block));
    engine.Faults().cutReplies = 0;
    EXPECT_TRUE(commands.ReadBlock(0, 1151, block));
}

// A byte the line loses from a reply, wherever it falls: the host refuses the reply or reads what
// the readout holds, never values shifted out of their places. The readout's banner took the
// first 27 bytes it sent, so with every Nth byte lost the reply loses its byte N - 28 first
// (counting from 0).
class LostBlockByteTest : public SimulatedReadoutTest, public ::testing::WithParamInterface<int> {};

TEST_P(LostBlockByteTest, InformationAreaIsReadWholeOrNotAtAll) {
    engine.Faults().dropEveryNthByte = GetParam();
    std::vector<std::uint8_t> block(1152);
    if (commands.ReadBlock(0, 1151, block)) {
        EXPECT_TRUE(std::equal(block.begin(), block.end(), engine.Memory().Info().begin()));
    }
}

// "REB 0000-047F", CR LF, 1152 bytes, CR LF: one data byte lost (572 or 1162 into the reply),
// two (372 and 772), the last one (1166), the CR after them (1167), every 30th byte.
INSTANTIATE_TEST_SUITE_P(Places, LostBlockByteTest,
                         ::testing::Values(600, 1190, 400, 1194, 1195, 30));

class LostIdentityByteTest : public SimulatedReadoutTest,
                             public ::testing::WithParamInterface<int> {};

TEST_P(LostIdentityByteTest, IdentityByteIsReadWholeOrContradictedByTheNextRead) {
    // Read as another value, a byte of the identity would make the link take its readout for
    // another one and abandon the transfer. A reply that lost a digit of two still reads as a
    // byte of one digit, which a readout may send: the identity check believes a change only
    // when a second read agrees.
    engine.Faults().dropEveryNthByte = GetParam();
    const std::uint8_t truth = engine.Memory().Info()[16];
    std::uint8_t value = 0;
    if (commands.ReadByte(16, value) && value != truth) {
        std::uint8_t again = 0;
        ASSERT_TRUE(commands.ReadByte(16, again));
        EXPECT_EQ(again, truth);
    }
}

// "RE 10 30" CR LF: each of its bytes.
INSTANTIATE_TEST_SUITE_P(Places, LostIdentityByteTest, ::testing::Range(28, 38));

TEST_F(SimulatedReadoutTest, PulledCableFailsUploadButKeepsThePacing) {
    engine.Faults().answerCommands = 0;
    RecordImage image;
    line.ClearWritten();
    const std::int64_t start = clock.NowMs();
    EXPECT_FALSE(commands.WriteRecords(0, 10, image));
    // 1 ms flush, 1200 ms for the echo, then 29 packets each after 50 ms without a CR; by then
    // the first packet's reply deadline has long passed, so nothing more is waited for.
    EXPECT_EQ(clock.NowMs() - start, 1 + 1200 + 29 * 50);
    EXPECT_EQ(line.Written().size(), std::string("WP 0 40 1E\r\n").size() + 30 * 65);
}

TEST_F(SimulatedReadoutTest, ClockWrittenIsReadBack) {
    const std::int64_t wanted = kNow - 3600;
    ASSERT_TRUE(commands.SetClock(wanted));
    std::int64_t readBack = 0;
    ASSERT_TRUE(commands.ReadClock(readBack));
    EXPECT_NEAR(static_cast<double>(readBack), static_cast<double>(wanted), 2.0);
}

TEST_F(SimulatedReadoutTest, ByteWritesChangeTheReadoutsMemory) {
    const std::uint8_t name[] = {'A', 'B', 0};
    ASSERT_TRUE(commands.WriteBytes(144, name));
    EXPECT_EQ(engine.Memory().InfoText(144, 20), "AB");
    std::uint8_t value = 0;
    ASSERT_TRUE(commands.ReadByte(145, value));
    EXPECT_EQ(value, 'B');
}

TEST_F(SimulatedReadoutTest, BatteryResetAndInitializeAreAcknowledged) {
    EXPECT_TRUE(commands.ResetBatteryStats());
    EXPECT_TRUE(commands.SendInitialize());
    BatteryStats stats;
    ASSERT_TRUE(commands.ReadBatteryStats(stats));
    EXPECT_FLOAT_EQ(stats.displayOnTime, 0);
}

}  // namespace
}  // namespace q417
