#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "FakeLine.h"
#include "ManualClock.h"
#include "ReadoutEngine.h"
#include "ReadoutMemory.h"

namespace q417::sim {
namespace {

class FakeLineTest : public ::testing::Test {
  protected:
    FakeLineTest()
        : engine_(ReadoutMemory::MakeDefault(12, clock_.CalendarSeconds()),
                  [this] { return clock_.CalendarSeconds(); }),
          line_(clock_, engine_) {}

    void Send(const std::string& text) {
        line_.PortWrite(reinterpret_cast<const std::uint8_t*>(text.data()),
                        static_cast<int>(text.size()));
    }

    std::string ReadAll() {
        std::string out;
        std::uint8_t buffer[64];
        for (int n; (n = line_.PortRead(buffer, sizeof buffer)) > 0;) {
            out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
        }
        return out;
    }

    ManualClock clock_;
    ReadoutEngine engine_;
    FakeLine line_;
};

TEST_F(FakeLineTest, UnpacedRepliesArriveAtOnce) {
    line_.PortOpen(1, 115200);
    ASSERT_TRUE(line_.PortIsOpen());
    Send("RE 3F\r\n");
    EXPECT_EQ(line_.PortBytesWaiting(), 10);
    EXPECT_EQ(ReadAll(), "RE 3F 40\r\n");
    EXPECT_EQ(clock_.NowMs(), 0);
}

TEST_F(FakeLineTest, ReadTakesAtMostTheCountAskedFor) {
    line_.PortOpen(1, 115200);
    Send("RE 3F\r\n");
    std::uint8_t buffer[4];
    EXPECT_EQ(line_.PortRead(buffer, 4), 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "RE 3");
    EXPECT_EQ(line_.PortBytesWaiting(), 6);
    EXPECT_EQ(line_.PortRead(buffer, 0), 0);
}

TEST_F(FakeLineTest, PacedBytesArriveOneByteTimeApart) {
    engine_.Faults().paceBaud = 1000;  // 10 ms per byte
    line_.PortOpen(1, 115200);
    Send("RE 3F\r\n");
    EXPECT_EQ(line_.PortBytesWaiting(), 0);
    clock_.Advance(9);
    EXPECT_EQ(line_.PortBytesWaiting(), 0);
    clock_.Advance(1);
    EXPECT_EQ(line_.PortBytesWaiting(), 1);
    std::uint8_t b = 0;
    EXPECT_EQ(line_.PortRead(&b, 1), 1);
    EXPECT_EQ(b, 'R');
    // The next byte is due at 20 ms: a wait moves the clock exactly there.
    EXPECT_TRUE(line_.WaitForInput(100));
    EXPECT_EQ(clock_.NowMs(), 20);
    EXPECT_EQ(line_.PortRead(&b, 1), 1);
    // Byte 3 is due at 30 ms: 5 ms is not enough, 5 more is.
    EXPECT_FALSE(line_.WaitForInput(5));
    EXPECT_EQ(clock_.NowMs(), 25);
    EXPECT_TRUE(line_.WaitForInput(5));
    EXPECT_EQ(clock_.NowMs(), 30);
    EXPECT_EQ(line_.BytesInFlight(), 7);
    clock_.Advance(70);
    EXPECT_EQ(ReadAll(), " 3F 40\r\n");
    EXPECT_EQ(line_.BytesInFlight(), 0);
}

TEST_F(FakeLineTest, PacingKeepsMicrosecondsOverALongReply) {
    // At 9600 baud a byte takes 1041.67 us; byte 96 arrives at exactly 100 ms. Rounding each
    // byte to whole microseconds would put it at 100.032 ms.
    engine_.Faults().paceBaud = 9600;
    line_.PortOpen(1, 115200);
    Send("REB 0000-047F\r");
    clock_.Advance(99);
    EXPECT_EQ(line_.PortBytesWaiting(), 95);
    clock_.Advance(1);
    EXPECT_EQ(line_.PortBytesWaiting(), 96);
    // The whole reply, 15 + 1152 + 2 bytes, has arrived after 1169 x 10 / 9600 s = 1217.7 ms.
    clock_.Advance(1217 - 100);
    EXPECT_EQ(line_.PortBytesWaiting(), 1168);
    clock_.Advance(1);
    EXPECT_EQ(line_.PortBytesWaiting(), 1169);
}

TEST_F(FakeLineTest, RepliesQueueBehindEachOther) {
    engine_.Faults().paceBaud = 1000;
    line_.PortOpen(1, 115200);
    Send("F\r\n");  // 8 bytes: 10..80 ms
    Send("B\r\n");  // 8 bytes: 90..160 ms
    clock_.Advance(80);
    EXPECT_EQ(ReadAll(), "F 2.14\r\n");
    EXPECT_TRUE(line_.WaitForInput(1000));
    EXPECT_EQ(clock_.NowMs(), 90);
    clock_.Advance(70);
    EXPECT_EQ(ReadAll(), "B 3.62\r\n");
}

TEST_F(FakeLineTest, ReplyLatencyDelaysTheFirstByte) {
    line_.SetReplyLatencyMs(30);
    line_.PortOpen(1, 115200);
    Send("F\r\n");
    EXPECT_EQ(line_.PortBytesWaiting(), 0);
    EXPECT_TRUE(line_.WaitForInput(100));
    EXPECT_EQ(clock_.NowMs(), 30);
    EXPECT_EQ(ReadAll(), "F 2.14\r\n");
}

TEST_F(FakeLineTest, StallLosesWhatTheHostSendsUntilItIsOver) {
    engine_.Faults().replyLatencyMs = 20;
    engine_.Faults().stallAfterCommands = 1;
    engine_.Faults().stallMs = 400;
    line_.PortOpen(1, 115200);
    Send("RE 3F\r\n");  // answered, then the stall: from its reply's arrival at 20 ms to 420 ms
    EXPECT_TRUE(line_.WaitForInput(100));
    EXPECT_EQ(clock_.NowMs(), 20);
    EXPECT_EQ(ReadAll(), "RE 3F 40\r\n");
    Send("RE 10\r\n");
    EXPECT_FALSE(line_.WaitForInput(400));
    EXPECT_EQ(engine_.CommandCount(), 1);  // lost on the way
    Send("RE 11\r\n");
    EXPECT_TRUE(line_.WaitForInput(100));
    EXPECT_EQ(clock_.NowMs(), 440);
    EXPECT_EQ(ReadAll(), "RE 11 30\r\n");
}

TEST_F(FakeLineTest, AfterASwapStallAnotherReadoutAnswersAsIfFresh) {
    for (const bool swap : {false, true}) {
        SCOPED_TRACE(swap ? "swapped" : "the same readout");
        engine_.Memory().SetIdentity({0x30, 0x30, 0x30, 0x00});
        engine_.Faults().stallAfterCommands = 1;
        engine_.Faults().stallMs = 400;
        engine_.Faults().newIdentityAfterStall = swap;
        line_.PortOpen(1, 115200);
        // The record write is echoed, then the stall: its packets are lost, and the first
        // readout waits for them still.
        Send("WP 0 40 3\r\n");
        EXPECT_EQ(ReadAll(), "WP 0 40 3\r\n");
        Send(std::string(65, 'x'));
        EXPECT_FALSE(line_.WaitForInput(400));
        Send("RE 10\r\n");
        EXPECT_EQ(ReadAll(), swap ? "RE 10 12\r\n" : "");
        EXPECT_EQ(engine_.Memory().IdentityHex(), swap ? "1234AB00" : "30303000");
        EXPECT_FALSE(engine_.Faults().newIdentityAfterStall);
        line_.PortClose();
    }
}

TEST_F(FakeLineTest, WaitWithNothingComingSpendsTheWholeTimeout) {
    line_.PortOpen(1, 115200);
    EXPECT_FALSE(line_.WaitForInput(1200));
    EXPECT_EQ(clock_.NowMs(), 1200);
    EXPECT_FALSE(line_.WaitForInput(0));
    EXPECT_EQ(clock_.NowMs(), 1200);
}

TEST_F(FakeLineTest, ClosedPortNeitherWaitsNorPassesBytes) {
    Send("F\r\n");
    EXPECT_FALSE(line_.PortIsOpen());
    EXPECT_FALSE(line_.WaitForInput(500));
    EXPECT_EQ(clock_.NowMs(), 0);
    std::uint8_t b = 0;
    EXPECT_EQ(line_.PortRead(&b, 1), 0);
    EXPECT_EQ(line_.PortBytesWaiting(), 0);
    EXPECT_EQ(engine_.CommandCount(), 0);
    EXPECT_EQ(line_.Written(), "F\r\n");  // the host did write them
}

TEST_F(FakeLineTest, RecordsOpensAndCountsEveryCall) {
    line_.SetOpenable(false);
    line_.PortOpen(1, 115200);
    EXPECT_FALSE(line_.PortIsOpen());
    line_.SetOpenable(true);
    line_.PortOpen(3, 9600);
    EXPECT_TRUE(line_.PortIsOpen());
    line_.PortClose();
    EXPECT_EQ(line_.OpenCalls(), (std::vector<std::pair<int, int>>{{1, 115200}, {3, 9600}}));
    // Open, IsOpen, Open, IsOpen, Close.
    EXPECT_EQ(line_.TotalCalls(), 5);
    std::uint8_t b = 0;
    (void)line_.PortRead(&b, 1);
    (void)line_.PortBytesWaiting();
    line_.PortWrite(&b, 1);
    line_.PortPutChar('x');
    (void)line_.WaitForInput(1);
    EXPECT_EQ(line_.TotalCalls(), 10);
}

TEST_F(FakeLineTest, UnplugClosesThePortUntilReplugged) {
    engine_.Faults().paceBaud = 1000;
    line_.PortOpen(1, 115200);
    Send("F\r\n");
    clock_.Advance(20);
    line_.Unplug();
    EXPECT_FALSE(line_.PortIsOpen());
    EXPECT_FALSE(line_.WaitForInput(100));
    line_.PortOpen(1, 115200);
    EXPECT_FALSE(line_.PortIsOpen());
    line_.Replug();
    line_.PortOpen(1, 115200);
    EXPECT_TRUE(line_.PortIsOpen());
    // What was on its way when the cable came out is gone.
    clock_.Advance(1000);
    EXPECT_EQ(line_.PortBytesWaiting(), 0);
}

TEST_F(FakeLineTest, ClosingLosesBytesInFlight) {
    engine_.Faults().paceBaud = 1000;
    line_.PortOpen(1, 115200);
    Send("F\r\n");
    line_.PortClose();
    line_.PortOpen(1, 115200);
    clock_.Advance(1000);
    EXPECT_EQ(line_.PortBytesWaiting(), 0);
}

TEST_F(FakeLineTest, OpeningResetsTheReadoutsInput) {
    line_.PortOpen(1, 115200);
    Send("RE 3");
    line_.PortClose();
    line_.PortOpen(1, 115200);
    Send("F\r\n");
    EXPECT_EQ(ReadAll(), "F 2.14\r\n");
}

TEST_F(FakeLineTest, InjectedBytesArriveNowAheadOfThoseOnTheirWay) {
    engine_.Faults().paceBaud = 1000;
    line_.PortOpen(1, 115200);
    Send("F\r\n");
    clock_.Advance(10);  // 'F' has arrived
    line_.Inject("XY");
    EXPECT_EQ(line_.PortBytesWaiting(), 3);
    EXPECT_EQ(ReadAll(), "FXY");
    clock_.Advance(70);
    EXPECT_EQ(ReadAll(), " 2.14\r\n");
}

TEST_F(FakeLineTest, WrittenKeepsEveryByteUntilCleared) {
    line_.PortOpen(1, 115200);
    line_.PortPutChar(0x141);  // only the low 8 bits go out
    Send("\r\n");
    EXPECT_EQ(line_.Written(), "A\r\n");
    EXPECT_EQ(ReadAll(), "A ?\r\n");
    line_.ClearWritten();
    EXPECT_EQ(line_.Written(), "");
}

TEST_F(FakeLineTest, WorkerThreadAndTestThreadShareTheLine) {
    line_.PortOpen(1, 115200);
    std::atomic<bool> done{false};
    std::string answers;
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) {
            Send("F\r\n");
            (void)line_.WaitForInput(10);
            answers += ReadAll();
        }
        done = true;
    });
    int lastSeen = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done && std::chrono::steady_clock::now() < deadline) {
        line_.WithEngine([&lastSeen](ReadoutEngine& e) { lastSeen = e.CommandCount(); });
        (void)line_.Written();
    }
    if (!done) {
        ADD_FAILURE() << "the worker thread did not finish within 10 s";
        line_.PortClose();  // its remaining sends and waits then return at once
    }
    worker.join();
    EXPECT_LE(lastSeen, 200);
    EXPECT_EQ(engine_.CommandCount(), 200);
    EXPECT_EQ(line_.Written().size(), 600u);
    EXPECT_EQ(answers.size(), 200u * 8u);
}

}  // namespace
}  // namespace q417::sim
