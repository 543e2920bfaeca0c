// The command transport: echo check, rejection, attempts and deadlines, wake-up, port opening.

#include <gtest/gtest.h>

#include <string>

#include "AsciiCase.h"
#include "ManualClock.h"
#include "ReadoutTransport.h"
#include "ScriptedLine.h"

namespace q417 {
namespace {

class TransportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(transport.OpenPortProbing());
        line.ClearWritten();
    }

    // Counts how often the host sent `text` as a line.
    [[nodiscard]] int Sent(const std::string& text) const {
        int n = 0;
        for (std::size_t at = 0; (at = line.Written().find(text + "\r\n", at)) != std::string::npos;
             at += text.size()) {
            ++n;
        }
        return n;
    }

    sim::ManualClock clock;
    test::ScriptedLine line{clock};
    ReadoutTransport transport{line, clock};
};

struct ExchangeCase {
    const char* name;
    const char* command;
    std::vector<std::string> chunks;  // the readout's answer to each attempt, "" for silence
    bool acknowledged;
    int attempts;
    const char* reply;
};

class SendCommandTest : public TransportTest, public ::testing::WithParamInterface<ExchangeCase> {};

TEST_P(SendCommandTest, Exchange) {
    const ExchangeCase& c = GetParam();
    int attempt = 0;
    line.onLine = [&](const std::string&) {
        if (attempt < static_cast<int>(c.chunks.size()) && !c.chunks[attempt].empty()) {
            line.Deliver(c.chunks[attempt], 5);
        }
        ++attempt;
    };
    std::string reply;
    EXPECT_EQ(transport.SendCommand(c.command, reply), c.acknowledged);
    EXPECT_EQ(attempt, c.attempts);
    EXPECT_EQ(Sent(c.command), c.attempts);
    EXPECT_EQ(reply, c.reply);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SendCommandTest,
    ::testing::Values(
        ExchangeCase{"Echoed", "F", {"F 2.14\r\n"}, true, 1, "F 2.14\r"},
        ExchangeCase{"LowerCaseUpcased", "F", {"f 2.14b\r\n"}, true, 1, "F 2.14B\r"},
        // Only ASCII letters change case: an 8-bit byte comes back as sent.
        ExchangeCase{"EightBitBytesKept", "SN", {"sn \xe9\xff\r\n"}, true, 1, "SN \xe9\xff\r"},
        ExchangeCase{"RejectedAskedThreeTimes",
                     "WE 28 05",
                     {"WE 28 05 ?\r\n", "WE 28 05 ?\r\n", "WE 28 05 ?\r\n"},
                     false,
                     3,
                     "WE 28 05 ?\r"},
        ExchangeCase{"SilentAskedTwice", "F", {}, false, 2, ""},
        ExchangeCase{"SilentThenAnswer", "B", {"", "B 3.6\r\n"}, true, 2, "B 3.6\r"},
        ExchangeCase{"GarbageThenEcho",
                     "RT",
                     {"XYZ\r\n", "RT 2024/01/01 00:00:00\r\n"},
                     true,
                     2,
                     "RT 2024/01/01 00:00:00\r"},
        ExchangeCase{"NoEchoThreeTimes", "F", {"G\r", "G\r", "G\r"}, false, 3, "G\r"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(AsciiCaseTest, OnlyAsciiLettersChangeCase) {
    EXPECT_EQ(AsciiUpperChar('a'), 'A');
    EXPECT_EQ(AsciiUpperChar('z'), 'Z');
    EXPECT_EQ(AsciiUpperChar('A'), 'A');
    EXPECT_EQ(AsciiUpperChar('{'), '{');
    EXPECT_EQ(AsciiUpperChar('\xe9'), '\xe9');
    EXPECT_EQ(AsciiUpperText("rp 0 40 c\r\xe9"), "RP 0 40 C\r\xe9");
    EXPECT_EQ(AsciiUpperText(""), "");
    EXPECT_TRUE(EqualIgnoringAsciiCase("mm H2O", "MM h2o"));
    EXPECT_TRUE(EqualIgnoringAsciiCase("", ""));
    EXPECT_FALSE(EqualIgnoringAsciiCase("mm H2O", "mmH2O"));
    EXPECT_FALSE(EqualIgnoringAsciiCase("psi", "psi "));
    EXPECT_FALSE(EqualIgnoringAsciiCase("\xe9", "\xc9"));  // no letters outside ASCII
}

TEST_F(TransportTest, EchoSplitOverChunksKeepsBytesAfterCr) {
    line.onLine = [&](const std::string&) {
        line.Deliver("R", 3);
        line.Deliver("E 3F", 20);
        line.Deliver(" 7E\r\nTAIL", 400);
    };
    std::string reply;
    ASSERT_TRUE(transport.SendCommand("RE 3F", reply));
    EXPECT_EQ(reply, "RE 3F 7E\rTAIL");
}

TEST_F(TransportTest, DeadlineRestartsWithEachAttemptAndFlushesBetween) {
    const std::int64_t start = clock.NowMs();
    std::string reply;
    EXPECT_FALSE(transport.SendCommand("F", reply));
    // 1 ms flush, two attempts of 1200 ms, each followed by a 10 ms flush.
    EXPECT_EQ(clock.NowMs() - start, 1 + 2 * (1200 + 10));
}

TEST_F(TransportTest, AnswerJustBeforeDeadlineCountsAfterItFails) {
    int attempt = 0;
    line.onLine = [&](const std::string&) {
        line.Deliver("F 1\r\n", attempt++ == 0 ? 1201 : 1199);
    };
    std::string reply;
    EXPECT_TRUE(transport.SendCommand("F", reply));
    EXPECT_EQ(attempt, 2);
}

TEST_F(TransportTest, StaleInputIsFlushedBeforeTheCommand) {
    line.Deliver("F 9.99\r\n");  // left over from an earlier exchange
    line.onLine = [&](const std::string&) { line.Deliver("F 1.5\r\n", 2); };
    std::string reply;
    ASSERT_TRUE(transport.SendCommand("F", reply));
    EXPECT_EQ(reply, "F 1.5\r");
}

TEST_F(TransportTest, ClosedPortFailsAtOnceWithoutSpinning) {
    line.Unplug();
    const std::int64_t start = clock.NowMs();
    std::string reply;
    EXPECT_FALSE(transport.SendCommand("F", reply));
    EXPECT_LT(clock.NowMs() - start, 100);
    EXPECT_LT(line.Calls(), 100);
}

TEST_F(TransportTest, WakeReadoutSeesBannerAfterLeadingCrs) {
    line.onLine = [&](const std::string& text) {
        EXPECT_EQ(text, "");
        line.Deliver("\r\r\nOrvane Q417\r\n", 30);
    };
    EXPECT_TRUE(transport.WakeReadout(2));
    EXPECT_EQ(line.Written(), "\r\n");
}

TEST_F(TransportTest, WakeReadoutBannerStraddlingTwoTries) {
    int tries = 0;
    line.onLine = [&](const std::string&) { line.Deliver(tries++ == 0 ? "ORV" : "ANE\r\n", 10); };
    EXPECT_TRUE(transport.WakeReadout(2));
    EXPECT_EQ(tries, 2);
}

TEST_F(TransportTest, WakeReadoutKeepsListeningPastOtherLines) {
    line.onLine = [&](const std::string&) {
        line.Deliver("NOISE\r\n", 10);
        line.Deliver("ORVANE\r\n", 300);
    };
    EXPECT_TRUE(transport.WakeReadout(1));
}

TEST_F(TransportTest, WakeReadoutGivesUpAfterItsTriesAndFlush) {
    const std::int64_t start = clock.NowMs();
    EXPECT_FALSE(transport.WakeReadout(2));
    EXPECT_EQ(line.Written(), "\r\n\r\n");
    EXPECT_EQ(clock.NowMs() - start, 2 * 500 + 100);
}

TEST_F(TransportTest, ReadLineSkipsLeadingCrAndLf) {
    line.Deliver("\r\nREB 0000-047F\r\nDATA");
    std::string text;
    int count = 0;
    ASSERT_TRUE(transport.ReadLine(text, count));
    EXPECT_EQ(text, "REB 0000-047F");
    EXPECT_EQ(count, 16);  // CR, LF, 13 characters, CR
    EXPECT_EQ(line.Pending(), 5U);
}

TEST_F(TransportTest, ReadLineTimesOutAfter1500Ms) {
    line.Deliver("PARTIAL", 100);
    const std::int64_t start = clock.NowMs();
    std::string text;
    int count = 0;
    EXPECT_FALSE(transport.ReadLine(text, count));
    EXPECT_EQ(text, "PARTIAL");
    EXPECT_EQ(clock.NowMs() - start, 1500);
}

TEST_F(TransportTest, ReadLineStoresNoMoreThanItsCapacity) {
    line.Deliver(std::string(1000, 'A') + "\r");
    std::string text;
    int count = 0;
    ASSERT_TRUE(transport.ReadLine(text, count));
    EXPECT_EQ(text.size(), static_cast<std::size_t>(ReadoutTransport::kLineCapacity));
    EXPECT_EQ(count, 1001);
}

TEST_F(TransportTest, ByteDeadlineTimeLeft) {
    transport.SetByteDeadlineMs(500);
    EXPECT_EQ(transport.ByteTimeLeftMs(), 500);
    clock.Advance(499);
    EXPECT_EQ(transport.ByteTimeLeftMs(), 1);
    clock.Advance(1);
    EXPECT_EQ(transport.ByteTimeLeftMs(), 0);
    transport.SetByteDeadlineMs(10010);  // more than 10 s ahead counts as expired
    EXPECT_EQ(transport.ByteTimeLeftMs(), 0);
}

TEST_F(TransportTest, SendRawLineEndsWithCrAloneAndSkipsEmptyText) {
    transport.SendRawLine("");
    transport.SendRawLine("REB 0000-047F");
    EXPECT_EQ(line.Written(), "REB 0000-047F\r");
}

TEST(TransportOpenTest, DisabledPortOpensNothingAndReleasesAnOpenPort) {
    const struct {
        const char* name;
        bool openBefore;  // a readout's port was open when "Disabled" was chosen
        bool probing;     // the probing open, else an open at a given rate
        int portNumber;
    } cases[] = {
        {"nothing open, probing", false, true, 0},
        {"nothing open, at a rate", false, false, -3},
        {"port open, probing", true, true, 0},
        {"port open, at a rate", true, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ManualClock clock;
        test::ScriptedLine line{clock};
        ReadoutTransport transport{line, clock};
        if (c.openBefore) {
            ASSERT_TRUE(transport.OpenPortAt(ReadoutTransport::kProbeBaud));
        }
        const std::size_t opens = line.Opens().size();
        transport.SetPortNumber(c.portNumber);
        EXPECT_FALSE(c.probing ? transport.OpenPortProbing()
                               : transport.OpenPortAt(ReadoutTransport::kProbeBaud));
        EXPECT_FALSE(transport.PortOpenResult());
        EXPECT_EQ(transport.LastOpenFailure().reason, OpenFailure::Disabled);
        EXPECT_EQ(line.Opens().size(), opens);  // nothing opened
        EXPECT_FALSE(line.PortIsOpen());        // and nothing left open
    }
}

struct OpenCase {
    const char* name;
    int mode;
    bool openable;
    bool result;
    bool probeFlag;
    int currentBaud;
    std::vector<std::pair<int, int>> opens;
};

class OpenPortTest : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpenPortTest, Modes) {
    const OpenCase& c = GetParam();
    sim::ManualClock clock;
    test::ScriptedLine line{clock};
    line.SetOpenable(c.openable);
    ReadoutTransport transport{line, clock};
    transport.SetPortNumber(4);
    // Mode 0 is the probing open; any other mode is a rate (1: the probing rate).
    const bool opened = c.mode == 0 ? transport.OpenPortProbing()
                                    : transport.OpenPortAt(c.mode == 1 ? 115200 : c.mode);
    EXPECT_EQ(opened, c.result);
    EXPECT_EQ(transport.PortOpenResult(), c.result);
    EXPECT_EQ(transport.ProbeFlag(), c.probeFlag);
    EXPECT_EQ(transport.CurrentBaud(), c.currentBaud);
    EXPECT_EQ(line.Opens(), c.opens);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenPortTest,
    ::testing::Values(
        OpenCase{"ProbeOpens", 0, true, true, true, 115200, {{4, 115200}, {4, 115200}}},
        OpenCase{"ProbeFails", 0, false, false, false, 115200, {{4, 115200}, {4, 115200}}},
        OpenCase{"Mode1", 1, true, true, false, 115200, {{4, 115200}}},
        OpenCase{"GivenRate", 57600, true, true, false, 57600, {{4, 57600}}},
        OpenCase{"GivenRateFails", 9600, false, false, false, 9600, {{4, 9600}}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(TransportTest, SwitchBaudReopensAtTheDesiredRateWhenAcknowledged) {
    transport.SetDesiredBaud(57600);
    line.onLine = [&](const std::string& text) { line.Deliver(text + "\r\n", 2); };
    transport.SwitchBaud();
    EXPECT_EQ(line.Written(), "BAUD\r\n");
    EXPECT_EQ(transport.CurrentBaud(), 57600);
    EXPECT_EQ(line.Opens().back(), std::make_pair(1, 57600));
}

TEST_F(TransportTest, SwitchBaudKeepsTheRateWhenRejectedOrAlreadySet) {
    line.onLine = [&](const std::string&) { line.Deliver("BAUD ?\r\n", 2); };
    transport.SwitchBaud();  // desired equals current (115200): nothing sent
    EXPECT_EQ(line.Written(), "");
    transport.SetDesiredBaud(9600);
    transport.SwitchBaud();
    EXPECT_EQ(Sent("BAUD"), 3);
    EXPECT_EQ(transport.CurrentBaud(), 115200);
    transport.SetDesiredBaud(0);  // not a rate: would read as the probing open
    line.ClearWritten();
    transport.SwitchBaud();
    EXPECT_EQ(line.Written(), "");
}

}  // namespace
}  // namespace q417
