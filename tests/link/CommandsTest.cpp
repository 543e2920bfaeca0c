// The command set against a scripted readout: command texts byte for byte, reply parsing, the
// block read and the record transfers with their framing, checksums and failure paths.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <numeric>
#include <string>
#include <vector>

#include "ManualClock.h"
#include "ReadoutClockLimit.h"
#include "ReadoutCommands.h"
#include "ScriptedLine.h"
#include "TimeZoneGuard.h"

namespace q417 {
namespace {

std::string Packet(const std::uint8_t* data, bool corrupt = false) {
    std::string p(reinterpret_cast<const char*>(data), kTransferBlockSize);
    const std::uint8_t sum = PacketChecksum({data, static_cast<std::size_t>(kTransferBlockSize)});
    p.push_back(static_cast<char>(corrupt ? sum + 1 : sum));
    return p;
}

class CommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        ASSERT_TRUE(transport.OpenPortProbing());
        line.ClearWritten();
    }

    // The readout echoes every line and appends answer.
    void AnswerEveryLine(const std::string& answer) {
        line.onLine = [this, answer](const std::string& text) {
            line.Deliver(text + answer + "\r\n", 3);
        };
    }

    sim::ManualClock clock;
    test::ScriptedLine line{clock};
    ReadoutTransport transport{line, clock};
    ReadoutCommands commands{transport};
};

TEST_F(CommandsTest, QueriesParseFromTheirFixedPositions) {
    AnswerEveryLine(" 2.14");
    float version = 0;
    ASSERT_TRUE(commands.ReadFirmwareVersion(version));
    EXPECT_FLOAT_EQ(version, 2.14F);
    EXPECT_EQ(line.Written(), "F\r\n");

    AnswerEveryLine("  3.61V");
    float volts = 0;
    ASSERT_TRUE(commands.ReadBatteryVoltage(volts));
    EXPECT_FLOAT_EQ(volts, 3.61F);

    AnswerEveryLine("X");  // malformed number: converts to 0, as the readout always sends one
    ASSERT_TRUE(commands.ReadBatteryVoltage(volts));
    EXPECT_FLOAT_EQ(volts, 0.0F);
}

TEST_F(CommandsTest, FailedQueryLeavesItsOutputAlone) {
    float version = 7.5F;
    EXPECT_FALSE(commands.ReadFirmwareVersion(version));
    EXPECT_FLOAT_EQ(version, 7.5F);
    std::int64_t clockValue = 42;
    EXPECT_FALSE(commands.ReadClock(clockValue));
    EXPECT_EQ(clockValue, 42);
}

TEST_F(CommandsTest, BatteryStatistics) {
    AnswerEveryLine(" 12 34 56 78%");
    BatteryStats stats;
    ASSERT_TRUE(commands.ReadBatteryStats(stats));
    EXPECT_EQ(line.Written(), "B 1\r\n");
    EXPECT_FLOAT_EQ(stats.displayOnTime, 12);
    EXPECT_FLOAT_EQ(stats.backlightTime, 34);
    EXPECT_FLOAT_EQ(stats.sleepTime, 56);
    EXPECT_FLOAT_EQ(stats.batteryLifeRemaining, 78);
}

TEST(ReplyParsingTest, BatteryStatisticsNeedFourFields) {
    EXPECT_TRUE(ParseBatteryStats("B 1 1.5 2.25 3 99.5%\r"));
    EXPECT_FALSE(ParseBatteryStats("B 1 12 34 56\r"));
    EXPECT_FALSE(ParseBatteryStats("B 1"));
    EXPECT_FALSE(ParseBatteryStats(""));
}

struct ClockCase {
    const char* reply;
    bool accepted;
};

class ReadClockTest : public CommandsTest, public ::testing::WithParamInterface<ClockCase> {};

TEST_P(ReadClockTest, FieldsAreValidated) {
    const std::string reply = GetParam().reply;
    line.onLine = [&](const std::string&) { line.Deliver(reply + "\r\n", 3); };
    std::int64_t value = -1;
    EXPECT_EQ(commands.ReadClock(value), GetParam().accepted) << reply;
    if (!GetParam().accepted) {
        EXPECT_EQ(value, -1);
    }
}

INSTANTIATE_TEST_SUITE_P(Replies, ReadClockTest,
                         ::testing::Values(ClockCase{"RT 2024/02/29 10:00:00", true},
                                           ClockCase{"RT 2023/02/29 10:00:00", false},
                                           ClockCase{"RT 2039/01/01 00:00:00", false},
                                           ClockCase{"RT 2024/01/01 24:00:00", false},
                                           ClockCase{"RT 1969/12/31 23:59:59", false},
                                           ClockCase{"RT 2024/04/31 00:00:00", false},
                                           ClockCase{"RT 2024/13/01 00:00:00", false},
                                           ClockCase{"RT 2024/01/01 00:60:00", false},
                                           ClockCase{"RT 2024/01/01 00:00", false},
                                           ClockCase{"RT 2038/12/31 23:59:59", true},
                                           ClockCase{"RT 1970/01/01 00:00:00", true}));

// The clock is read up to the end of 2038, so one is set only up to the end of 2037: a year of
// clock that can still be read. The year is the local one, as the clock is written.
TEST_F(CommandsTest, LastClockToSetLeavesAYearToRead) {
    constexpr std::int64_t kLastSecondOf2037 = 2145916799;  // 2037/12/31 23:59:59 UTC
    EXPECT_TRUE(ClockSettable(kLastSecondOf2037));
    EXPECT_FALSE(ClockSettable(kLastSecondOf2037 + 1));
    EXPECT_TRUE(ClockSettable(946684800));  // 2000/01/01 00:00:00
    EXPECT_TRUE(ClockYearSettable(2037));
    EXPECT_FALSE(ClockYearSettable(2038));
    EXPECT_FALSE(ClockYearSettable(1999));  // the readout counts from 2000
    // The first second refused still reads back: a year of reading is left to it.
    line.onLine = [&](const std::string&) { line.Deliver("RT 2038/12/31 23:59:59\r\n", 3); };
    std::int64_t value = 0;
    EXPECT_TRUE(commands.ReadClock(value));
    EXPECT_EQ(value, kLastSecondOf2037 + 365 * 86400);
    {
        sim::testing::TimeZoneGuard cet(sim::testing::kZoneWithDaylightSaving);
        EXPECT_TRUE(ClockSettable(kLastSecondOf2037 - 3600));   // 23:59:59 there
        EXPECT_FALSE(ClockSettable(kLastSecondOf2037 - 3599));  // 2038/01/01 00:00:00 there
    }
    EXPECT_EQ(ClockTooLateMessage(),
              "The readout's clock can be set only up to the end of 2037: this program cannot "
              "read it after 2038.");
}

TEST_F(CommandsTest, ClockReadAndSetInLocalTime) {
    AnswerEveryLine(" 2026/12/08 15:04:05");
    std::int64_t value = 0;
    ASSERT_TRUE(commands.ReadClock(value));
    EXPECT_EQ(value, 1796742245);  // 2026-12-08 15:04:05 UTC

    AnswerEveryLine("");
    ASSERT_TRUE(commands.SetClock(1796742245));
    EXPECT_EQ(line.Written(), "RT\r\nWT 2026/12/08 15:04:05\r\n");

    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    line.ClearWritten();
    ASSERT_TRUE(commands.SetClock(1796742245));
    EXPECT_EQ(line.Written(), "WT 2026/12/08 16:04:05\r\n");
    AnswerEveryLine(" 2026/07/01 12:00:00");  // summer time: UTC+2
    ASSERT_TRUE(commands.ReadClock(value));
    EXPECT_EQ(value, 1782900000);
}

TEST_F(CommandsTest, ByteReadAndWriteTexts) {
    line.onLine = [&](const std::string& text) {
        line.Deliver(text == "RE 3F" ? "RE 3F 7e\r\n" : text + "\r\n", 3);
    };
    std::uint8_t value = 0;
    ASSERT_TRUE(commands.ReadByte(0x3F, value));
    EXPECT_EQ(value, 0x7E);
    ASSERT_TRUE(commands.WriteByte(0x28, 5));
    EXPECT_EQ(line.Written(), "RE 3F\r\nWE 28 05\r\n");
}

// Only a whole reply is a value: one that lost its value or its separator on the way still
// holds the echo, but a byte read from it would be another one. A readout may write the byte
// with one digit, and any separator.
TEST_F(CommandsTest, ByteReadTakesOnlyAWholeReply) {
    const struct {
        const char* reply;
        bool read;
        std::uint8_t value;
    } cases[] = {
        {"RE 10 30\r\n", true, 0x30}, {"re 10 3f\r\n", true, 0x3F}, {"RE 10 00\r", true, 0},
        {"RE 10 3\r\n", true, 3},     {"RE 10:3F\r\n", true, 0x3F}, {"RE 10\r\n", false, 0},
        {"RE 10 \r\n", false, 0},     {"RE 1030\r\n", false, 0},    {"RE 10 3G\r\n", false, 0},
        {"RE 10 300\r\n", false, 0},
    };
    for (const auto& c : cases) {
        line.onLine = [&](const std::string&) { line.Deliver(c.reply, 3); };
        std::uint8_t value = 9;
        EXPECT_EQ(commands.ReadByte(0x10, value), c.read) << c.reply;
        EXPECT_EQ(value, c.read ? c.value : 9) << c.reply;
    }
}

TEST_F(CommandsTest, MultiByteWritesGoInMemoryOrderAndStopAtTheFirstFailure) {
    line.onLine = [&](const std::string& text) {
        line.Deliver(text + (text == "WE 22 CC" ? " ?" : "") + "\r\n", 3);
    };
    const std::uint8_t bytes[] = {0xAA, 0xBB, 0xCC, 0xDD};
    EXPECT_FALSE(commands.WriteBytes(0x20, bytes));
    EXPECT_EQ(line.Written(), "WE 20 AA\r\nWE 21 BB\r\nWE 22 CC\r\nWE 22 CC\r\nWE 22 CC\r\n");
}

TEST_F(CommandsTest, ReadBytesStopsAtTheFirstFailure) {
    line.onLine = [&](const std::string& text) {
        if (text != "RE 12") {
            line.Deliver(text + " 0A\r\n", 3);
        }
    };
    std::uint8_t buffer[4] = {1, 2, 3, 4};
    EXPECT_FALSE(commands.ReadBytes(0x10, buffer));
    EXPECT_EQ(buffer[0], 0x0A);
    EXPECT_EQ(buffer[1], 0x0A);
    EXPECT_EQ(buffer[2], 3);
    EXPECT_TRUE(commands.ReadBytes(0x10, std::span<std::uint8_t>()));
}

TEST_F(CommandsTest, CaptureTakesBothSignalsOrNothing) {
    line.onLine = [&](const std::string& text) {
        line.Deliver(text == "T" ? "T 12345678XY\r\n" : "M 5 0123456789XY\r\n", 3);
    };
    std::string temperature = "old", pressure = "old";
    ASSERT_TRUE(commands.CaptureCalibration(temperature, pressure));
    EXPECT_EQ(temperature, "12345678");
    EXPECT_EQ(pressure, "0123456789");
    EXPECT_EQ(line.Written(), "T\r\nM 5\r\n");

    line.onLine = [&](const std::string& text) {
        if (text == "T") {
            line.Deliver("T 87654321\r\n", 3);
        }
    };
    EXPECT_FALSE(commands.CaptureCalibration(temperature, pressure));
    EXPECT_EQ(temperature, "12345678");

    line.onLine = [&](const std::string& text) {  // short signals end at the CR
        line.Deliver(text == "T" ? "T 1234\r\n" : "M 5 98\r\n", 3);
    };
    ASSERT_TRUE(commands.CaptureCalibration(temperature, pressure));
    EXPECT_EQ(temperature, "1234");
    EXPECT_EQ(pressure, "98");
}

TEST(ReplyParsingTest, ChecksumOfAllOnesBlock) {
    const std::vector<std::uint8_t> block(64, 0xFF);
    EXPECT_EQ(PacketChecksum(block), 0xC0);
}

TEST(ReplyParsingTest, CommandTexts) {
    EXPECT_EQ(FormatReadBlockCommand(0, 1151), "REB 0000-047F");
    EXPECT_EQ(FormatRecordCommand("RP", 6, 64, 3), "RP 6 40 3");
    EXPECT_EQ(FormatRecordCommand("WP", 570, 64, 30), "WP 23A 40 1E");
    EXPECT_EQ(FormatWriteByteCommand(0x90, 0), "WE 90 00");
}

// --- block read -------------------------------------------------------------------------------

class BlockReadTest : public CommandsTest {
  protected:
    void ServeBlock(const std::string& after) {
        line.onLine = [this, after](const std::string& text) {
            line.Deliver(text + "\r\n", 2);
            line.Deliver(after, 10);
        };
    }
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(1152, 0x55);
};

TEST_F(BlockReadTest, WholeInformationArea) {
    std::string data(1152, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>(i * 7);  // zeros, LFs and CRs among them
    }
    ServeBlock(data + "\r\n");
    ASSERT_TRUE(commands.ReadBlock(0, 1151, buffer));
    EXPECT_EQ(line.Written(), "REB 0000-047F\r");
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), data);
    EXPECT_EQ(line.Pending(), 1U);  // the one byte after the trailing CR stays for the flush
}

TEST_F(BlockReadTest, LeadingLfOfTheDataIsKeptWhenTheEchoLfWasSkipped) {
    ServeBlock("\nAB\r");  // the echo's own LF comes first and is the one skipped
    std::vector<std::uint8_t> three(3);
    ASSERT_TRUE(commands.ReadBlock(0, 2, three));
    EXPECT_EQ(std::string(three.begin(), three.end()), "\nAB");
}

TEST_F(BlockReadTest, ShortReadFailsAfterTheByteGap) {
    ServeBlock(std::string(1000, 'x'));
    const std::int64_t start = clock.NowMs();
    EXPECT_FALSE(commands.ReadBlock(0, 1151, buffer));
    EXPECT_GE(clock.NowMs() - start, 500);
    EXPECT_LT(clock.NowMs() - start, 700);
}

TEST_F(BlockReadTest, DataWithoutTrailingByteWaitsOutTheGapAndSucceeds) {
    ServeBlock(std::string(1152, 'y'));
    const std::int64_t start = clock.NowMs();
    ASSERT_TRUE(commands.ReadBlock(0, 1151, buffer));
    EXPECT_EQ(buffer[1151], 'y');
    EXPECT_GE(clock.NowMs() - start, 500);
}

// Data that lost a byte on the way end in the readout's CR, and its LF follows them.
TEST_F(BlockReadTest, DataFollowedByAnythingButACrFail) {
    ServeBlock(std::string(1151, 'y') + "\r\n");
    EXPECT_FALSE(commands.ReadBlock(0, 1151, buffer));
    ServeBlock(std::string(1152, 'y') + "x");
    EXPECT_FALSE(commands.ReadBlock(0, 1151, buffer));
}

TEST_F(BlockReadTest, WrongEchoWaitsASecondFlushesAndFails) {
    line.onLine = [&](const std::string&) {
        line.Deliver("GARBAGE LINE\r\n", 2);
        line.Deliver("LATE", 500);  // flushed after the one-second wait
        line.Deliver(std::string(3, 'z') + "\r", 1200);
    };
    std::vector<std::uint8_t> three(3, 0x55);
    const std::int64_t start = clock.NowMs();
    EXPECT_FALSE(commands.ReadBlock(0, 2, three));
    EXPECT_GE(clock.NowMs() - start, 1000);
    EXPECT_EQ(three, std::vector<std::uint8_t>(3, 0x55));  // nothing after a wrong echo is data
}

TEST_F(BlockReadTest, BufferTooSmallIsRefusedWithoutTalking) {
    std::vector<std::uint8_t> small(10);
    EXPECT_FALSE(commands.ReadBlock(0, 1151, small));
    EXPECT_FALSE(commands.ReadBlock(5, 4, small));
    EXPECT_EQ(line.Written(), "");
}

// --- record transfers -------------------------------------------------------------------------

class RecordTest : public CommandsTest {
  protected:
    void SetUp() override {
        CommandsTest::SetUp();
        for (std::size_t i = 0; i < readout.bytes.size(); ++i) {
            readout.bytes[i] = static_cast<std::uint8_t>((i * 31 + 7) & 0xFF);
        }
    }

    // The reply to "RP first 40 count" from the readout's memory.
    [[nodiscard]] std::string DownloadReply(const std::string& command, int firstBlock, int blocks,
                                            int corruptPacket = -1) const {
        std::string reply = command + "\r\n";
        for (int k = 0; k < blocks; ++k) {
            const int block = firstBlock + k;
            reply += Packet(readout.bytes.data() + block * kTransferBlockSize, k == corruptPacket);
        }
        return reply;
    }

    RecordImage readout;  // what the scripted readout holds
    RecordImage image;    // the host's copy
};

TEST_F(RecordTest, DownloadOfRecordTwo) {
    line.onLine = [&](const std::string& text) {
        EXPECT_EQ(text, "RP 6 40 3");
        line.Deliver(DownloadReply(text, 6, 3), 5);
    };
    ASSERT_TRUE(commands.ReadRecords(6, 1, image));
    EXPECT_EQ(line.Written(), "RP 6 40 3\r\n");
    for (int i = 0; i < 38400; ++i) {
        const bool inRecord2 = i >= 384 && i < 576;
        ASSERT_EQ(image.bytes[i], inRecord2 ? readout.bytes[i] : 0) << i;
    }
}

TEST_F(RecordTest, DownloadExpectsExactlyTheFramedLength) {
    // L = 9, so 9 + 197 bytes; one byte fewer is a short reply.
    line.onLine = [&](const std::string& text) {
        line.Deliver(DownloadReply(text, 6, 3).substr(0, 9 + 196), 5);
    };
    EXPECT_FALSE(commands.ReadRecords(6, 1, image));
    EXPECT_EQ(line.Written(), "RP 6 40 3\r\nRP 6 40 3\r\n");
    EXPECT_EQ(image.bytes[384], 0);
}

struct DownloadFault {
    const char* name;
    int badFirst;  // 0 good, 1 corrupt checksum, 2 short, 3 silent, 4 bad echo
    int badSecond;
    bool ok;
};

class DownloadRetryTest : public RecordTest, public ::testing::WithParamInterface<DownloadFault> {};

TEST_P(DownloadRetryTest, SecondAttemptOnlyAfterAFailedFirst) {
    const DownloadFault& f = GetParam();
    int attempt = 0;
    line.onLine = [&](const std::string& text) {
        const int fault = attempt++ == 0 ? f.badFirst : f.badSecond;
        std::string reply = DownloadReply(text, 3, 6, fault == 1 ? 4 : -1);
        if (fault == 2) {
            reply.resize(reply.size() / 2);
        } else if (fault == 4) {
            reply[0] = 'X';
        }
        if (fault != 3) {
            line.Deliver(reply, 5);
        }
    };
    EXPECT_EQ(commands.ReadRecords(3, 2, image), f.ok);
    EXPECT_EQ(attempt, f.badFirst == 0 ? 1 : 2);
    const bool copied = std::equal(image.bytes.begin() + 192, image.bytes.begin() + 576,
                                   readout.bytes.begin() + 192);
    EXPECT_EQ(copied, f.ok);
    if (!f.ok) {
        EXPECT_TRUE(std::all_of(image.bytes.begin(), image.bytes.end(),
                                [](std::uint8_t b) { return b == 0; }));
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, DownloadRetryTest,
                         ::testing::Values(DownloadFault{"Good", 0, 0, true},
                                           DownloadFault{"ChecksumThenGood", 1, 0, true},
                                           DownloadFault{"ShortThenGood", 2, 0, true},
                                           DownloadFault{"SilentThenGood", 3, 0, true},
                                           DownloadFault{"ChecksumTwice", 1, 1, false},
                                           DownloadFault{"ShortTwice", 2, 2, false},
                                           DownloadFault{"BadEchoTwice", 4, 4, false},
                                           DownloadFault{"ShortThenChecksum", 2, 1, false}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(RecordTest, TransfersOutsideTheRecordMemoryAreRefused) {
    EXPECT_FALSE(commands.ReadRecords(600, 1, image));
    EXPECT_FALSE(commands.ReadRecords(597, 2, image));
    EXPECT_FALSE(commands.ReadRecords(4, 1, image));  // not the start of a record
    EXPECT_FALSE(commands.ReadRecords(0, 0, image));
    EXPECT_FALSE(commands.WriteRecords(-3, 1, image));
    EXPECT_EQ(line.Written(), "");
}

TEST_F(RecordTest, UploadOfRecordTwoPacketsAndPacing) {
    std::vector<std::int64_t> packetTimes;
    line.onLine = [&](const std::string& text) { line.Deliver(text + "\r\n", 20); };
    line.onWrite = [&](const std::string&) {
        packetTimes.push_back(clock.NowMs());
        line.Deliver("\r", 4);  // the readout's CR for each packet; packet 0's before the echo
    };
    ASSERT_TRUE(commands.WriteRecords(6, 1, readout));
    std::string expected = "WP 6 40 3\r\n";
    for (int b = 0; b < 3; ++b) {
        expected += Packet(readout.bytes.data() + 384 + b * 64);
    }
    EXPECT_EQ(line.Written(), expected);
    ASSERT_EQ(packetTimes.size(), 3U);
    // Packet 0 goes with the command; packet 1 once the echo is in, its CR having come first.
    EXPECT_EQ(packetTimes[1] - packetTimes[0], 20);
    EXPECT_EQ(packetTimes[2] - packetTimes[1], 4);  // after the CR of packet 1
}

TEST_F(RecordTest, UploadPacketsGoAfter50MsWithoutCrButFailOnTheEchoAlone) {
    std::vector<std::int64_t> packetTimes;
    line.onLine = [&](const std::string& text) { line.Deliver(text + "\r\n", 2); };
    line.onWrite = [&](const std::string&) { packetTimes.push_back(clock.NowMs()); };
    EXPECT_FALSE(commands.WriteRecords(0, 2, readout));
    ASSERT_EQ(packetTimes.size(), 6U);
    for (std::size_t k = 2; k < packetTimes.size(); ++k) {
        EXPECT_EQ(packetTimes[k] - packetTimes[k - 1], 50);
    }
}

TEST_F(RecordTest, UploadToASilentReadoutFailsWithThePacingUnchanged) {
    std::vector<std::int64_t> packetTimes;
    line.onWrite = [&](const std::string&) { packetTimes.push_back(clock.NowMs()); };
    EXPECT_FALSE(commands.WriteRecords(0, 10, readout));
    ASSERT_EQ(packetTimes.size(), 30U);
    EXPECT_EQ(packetTimes[1] - packetTimes[0], 1200 + 50);  // the echo wait, then the CR wait
    EXPECT_EQ(packetTimes[29] - packetTimes[1], 28 * 50);
}

TEST_F(RecordTest, UploadAnsweredByPacketCrsWithoutTheEchoFails) {
    // CRs without the echo are what a readout still taking an earlier upload's packets sends.
    line.onWrite = [&](const std::string&) { line.Deliver("\r", 3); };
    EXPECT_FALSE(commands.WriteRecords(0, 1, readout));
}

TEST_F(RecordTest, UploadOnALineSlowerThanThePacingSucceeds) {
    // The line carries a packet in 75 ms while the host sends one at least every 50 ms, so the
    // packets queue up and the readout answers each ever later after it was sent: the last
    // one some 1300 ms after it went, but only 75 ms after the one before.
    const std::int64_t start = clock.NowMs();
    int packet = 0;
    line.onLine = [&](const std::string& text) { line.Deliver(text + "\r\n", 2); };
    line.onWrite = [&](const std::string&) {
        line.Deliver("\r", start + 300 + 75 * packet++ - clock.NowMs());
    };
    EXPECT_TRUE(commands.WriteRecords(0, 10, readout));
    EXPECT_EQ(packet, 30);
    EXPECT_EQ(clock.NowMs() - start, 300 + 75 * 29);
}

struct PacketAnswer {
    const char* name;
    int packet;         // the packet of one record answered differently
    const char* reply;  // in place of its CR
    std::int64_t delayMs;
    bool ok;
};

class UploadAnswerTest : public RecordTest, public ::testing::WithParamInterface<PacketAnswer> {};

TEST_P(UploadAnswerTest, EveryPacketNeedsItsCrInTimeAndNoQuestionMark) {
    const PacketAnswer& a = GetParam();
    int packet = 0;
    line.onLine = [&](const std::string& text) { line.Deliver(text + "\r\n", 2); };
    line.onWrite = [&](const std::string&) {
        const bool odd = packet++ == a.packet;
        line.Deliver(odd ? a.reply : "\r", odd ? a.delayMs : 3);
    };
    EXPECT_EQ(commands.WriteRecords(0, 1, readout), a.ok);
    EXPECT_EQ(packet, 3);  // the pacing runs to the last packet in every case
}

INSTANTIATE_TEST_SUITE_P(Answers, UploadAnswerTest,
                         ::testing::Values(PacketAnswer{"LastCrAtItsDeadline", 2, "\r", 1200, true},
                                           PacketAnswer{"LastCrPastItsDeadline", 2, "\r", 1201,
                                                        false},
                                           PacketAnswer{"PacketRefused", 1, "?\r", 3, false}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(RecordTest, UploadOfTenRecordsFromTheEnd) {
    int packets = 0;
    line.onLine = [&](const std::string& text) {
        EXPECT_EQ(text, "WP 23A 40 1E");  // records 190..199
        line.Deliver(text + "\r\n", 2);
    };
    line.onWrite = [&](const std::string& bytes) {
        const std::size_t offset = (190 * 192) + static_cast<std::size_t>(packets) * 64;
        EXPECT_EQ(bytes, Packet(readout.bytes.data() + offset));
        ++packets;
        line.Deliver("\r", 1);
    };
    ASSERT_TRUE(commands.WriteRecords(570, 10, readout));
    EXPECT_EQ(packets, 30);
}

}  // namespace
}  // namespace q417
