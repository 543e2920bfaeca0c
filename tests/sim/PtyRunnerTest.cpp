// The runner on a real pseudo-terminal, in process, with the production serial line as the host.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <thread>

#include "PosixSerialLine.h"
#include "PtyRunner.h"
#include "PtyTestSupport.h"
#include "ReadoutEngine.h"
#include "ReadoutMemory.h"

namespace q417::sim {
namespace {

using testing::Ask;
using testing::ReadUntil;
using testing::WriteText;

class PtyRunnerTest : public ::testing::Test {
  protected:
    PtyRunnerTest()
        : engine_(ReadoutMemory::MakeDefault(4, static_cast<std::int64_t>(std::time(nullptr))),
                  nullptr) {}

    ~PtyRunnerTest() override { Stop(); }

    // Set the engine's faults before this: from here on the runner's thread owns the engine.
    void Start(int hangupAfter = -1) {
        runner_ = std::make_unique<PtyRunner>(engine_, hangupAfter);
        ASSERT_TRUE(runner_->Open()) << runner_->LastError();
        ASSERT_EQ(runner_->DevicePath().rfind("/dev/pts/", 0), 0u) << runner_->DevicePath();
        thread_ = std::thread([this] { reason_ = runner_->Run(); });
    }

    PtyRunner::StopReason Stop() {
        if (thread_.joinable()) {
            runner_->RequestStop();
            thread_.join();
        }
        return reason_;
    }

    std::unique_ptr<PosixSerialLine> OpenHost() {
        auto line =
            std::make_unique<PosixSerialLine>([this](int) { return runner_->DevicePath(); });
        line->PortOpen(1, 115200);
        EXPECT_TRUE(line->PortIsOpen()) << line->LastOpenFailure().text;
        return line;
    }

    ReadoutEngine engine_;
    std::unique_ptr<PtyRunner> runner_;
    std::thread thread_;
    PtyRunner::StopReason reason_ = PtyRunner::StopReason::Failed;
};

TEST_F(PtyRunnerTest, AnswersTheHostOverThePseudoTerminal) {
    Start();
    auto line = OpenHost();
    EXPECT_EQ(Ask(*line, ""), "ORVANE Q417 READOUT V2.14\r\n");
    EXPECT_EQ(Ask(*line, "RE 10"), "RE 10 30\r\n");
    WriteText(*line, "REB 0000-047F\r");
    const std::string block = ReadUntil(*line, "SITES.INI", 2000);
    EXPECT_EQ(block.rfind("REB 0000-047F\r\n", 0), 0u);
    line->PortClose();
    EXPECT_EQ(Stop(), PtyRunner::StopReason::Requested);
    EXPECT_EQ(engine_.CommandCount(), 3);
}

TEST_F(PtyRunnerTest, ReopeningThePortResetsTheReadoutsInput) {
    Start();
    auto line = OpenHost();
    // A record write whose packets never come: the readout waits for binary data.
    EXPECT_EQ(Ask(*line, "WP 0 40 1"), "WP 0 40 1\r\n");
    line->PortClose();
    line->PortOpen(1, 115200);
    ASSERT_TRUE(line->PortIsOpen()) << line->LastOpenFailure().text;
    // Without the reset the wake-up would be swallowed as packet data.
    EXPECT_EQ(Ask(*line, ""), "ORVANE Q417 READOUT V2.14\r\n");
}

TEST_F(PtyRunnerTest, HangsUpAfterTheGivenCommands) {
    Start(2);
    auto line = OpenHost();
    EXPECT_EQ(Ask(*line, ""), "ORVANE Q417 READOUT V2.14\r\n");
    EXPECT_EQ(Ask(*line, "RE 10"), "RE 10 30\r\n");
    // Nothing more comes; the line reports the hang-up and closes itself.
    EXPECT_FALSE(line->WaitForInput(3000));
    EXPECT_FALSE(line->PortIsOpen());
    EXPECT_TRUE(line->HungUp());
    thread_.join();
    EXPECT_EQ(reason_, PtyRunner::StopReason::HungUp);
}

TEST_F(PtyRunnerTest, PacedLineTakesTheTimeTheBytesNeed) {
    engine_.Faults().paceBaud = 1200;  // 8.33 ms per byte
    Start();
    auto line = OpenHost();
    const auto start = std::chrono::steady_clock::now();
    // The command's CR is its 6th byte and the answer has 10: at least 16 byte times, 133 ms.
    EXPECT_EQ(Ask(*line, "RE 3F"), "RE 3F 40\r\n");
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - start)
                             .count();
    EXPECT_GE(elapsed, 133);
    EXPECT_LT(elapsed, 2000);
}

TEST_F(PtyRunnerTest, ReplyLatencyAndStallOfThePlanAreHonoured) {
    engine_.Faults().replyLatencyMs = 100;
    engine_.Faults().stallAfterCommands = 1;
    engine_.Faults().stallMs = 400;
    Start();
    auto line = OpenHost();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Ask(*line, "RE 3F"), "RE 3F 40\r\n");
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - start)
                  .count(),
              100);
    // The readout stalls from here for 400 ms: this command is lost and nothing comes.
    EXPECT_EQ(Ask(*line, "RE 10", 600), "");
    EXPECT_EQ(Ask(*line, "RE 11"), "RE 11 30\r\n");
    line->PortClose();
    Stop();
    EXPECT_EQ(engine_.CommandCount(), 2);
}

// The one test here that waits in real time: it proves that an idle runner does not spin, also
// after the host has closed the port (the case that would spin without the runner's own
// descriptor of the terminal side).
TEST_F(PtyRunnerTest, IdleRunnerUsesNoProcessorTime) {
    Start();
    {
        auto line = OpenHost();
        EXPECT_EQ(Ask(*line, "F"), "F 2.14\r\n");
    }
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    auto micros = [](const rusage& r) {
        return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1'000'000L + r.ru_utime.tv_usec +
               r.ru_stime.tv_usec;
    };
    EXPECT_LT(micros(after) - micros(before), 30'000) << "the runner is busy while idle";
    EXPECT_EQ(Stop(), PtyRunner::StopReason::Requested);
}

TEST_F(PtyRunnerTest, StopsOnAWatchedDescriptor) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    runner_ = std::make_unique<PtyRunner>(engine_);
    ASSERT_TRUE(runner_->Open());
    runner_->WatchStopFd(fds[0]);
    thread_ = std::thread([this] { reason_ = runner_->Run(); });
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    thread_.join();
    EXPECT_EQ(reason_, PtyRunner::StopReason::Requested);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(PtyRunnerStandaloneTest, RunWithoutOpenFails) {
    ReadoutEngine engine(ReadoutMemory::MakeDefault(1, 0), nullptr);
    PtyRunner runner(engine);
    EXPECT_EQ(runner.Run(), PtyRunner::StopReason::Failed);
    EXPECT_FALSE(runner.LastError().empty());
}

}  // namespace
}  // namespace q417::sim
