// The link on its own thread, in real time: Stop ends the worker from the middle of an exchange
// or a pause and silences the sink, and a whole session runs against the simulated readout on a
// pseudo-terminal through the production serial line. These are also the tests that the
// thread sanitizer build runs for races.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <mutex>
#include <thread>

#include "CReadoutLink.h"
#include "PosixSerialLine.h"
#include "PtyRunner.h"
#include "ReadoutEngine.h"
#include "RecordingSink.h"
#include "SteadyClock.h"

namespace q417 {
namespace {

using namespace std::chrono_literals;
using testing::ForRequester;
using testing::kReadoutReady;
using testing::RecordingSink;
using testing::StatusEvent;

// A readout that never answers, in real time: every wait lasts its whole time-out.
class DeadLine final : public SerialLine {
  public:
    void PortOpen(int, int) override { open_ = true; }
    [[nodiscard]] bool PortIsOpen() const override { return open_; }
    void PortClose() override { open_ = false; }
    int PortRead(std::uint8_t*, int) override { return 0; }
    [[nodiscard]] int PortBytesWaiting() override { return 0; }
    void PortWrite(const std::uint8_t*, int count) override { written_ += count; }
    void PortPutChar(int) override { ++written_; }
    bool WaitForInput(std::int64_t timeoutMs) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return false;
    }
    [[nodiscard]] int Written() const { return written_; }

  private:
    std::atomic<bool> open_{false};
    std::atomic<int> written_{0};
};

// Stop must end the worker well inside the 5 s its owner waits at teardown, even on a loaded
// machine; every measured Stop is held to this.
constexpr auto kStopBound = 2s;

// Runs until stopped, for how long Stop takes.
std::chrono::milliseconds TimedStop(CReadoutLink& link) {
    const auto start = std::chrono::steady_clock::now();
    link.Stop();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

TEST(LinkThreadTest, StopEndsAWakeExchangeAndNothingIsPostedAfter) {
    DeadLine line;
    SteadyClock clock;
    CReadoutLink link(line, clock);
    RecordingSink sink;
    link.Start(sink);
    ASSERT_TRUE(link.Running());
    // The port opens, then the worker pauses 500 ms: stop it in the pause.
    ASSERT_TRUE(sink.WaitFor(StatusEvent(LinkDetail::PortOpen, LinkStatus::PortOpen), 5s));
    const auto inPause = TimedStop(link);
    EXPECT_FALSE(link.Running());
    EXPECT_FALSE(line.PortIsOpen());
    const std::size_t posted = sink.Count();

    // Again, now in the middle of waking a readout that does not answer.
    link.Start(sink);
    ASSERT_TRUE(
        sink.WaitFor(StatusEvent(LinkDetail::Connecting, LinkStatus::Connecting), 5s, posted));
    const int before = line.Written();
    const auto sendDeadline = std::chrono::steady_clock::now() + 10s;
    while (line.Written() == before && std::chrono::steady_clock::now() < sendDeadline) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_NE(line.Written(), before) << "the worker sent nothing within 10 s";
    const auto inExchange = TimedStop(link);
    const std::size_t afterStop = sink.Count();
    EXPECT_FALSE(line.PortIsOpen());
    std::cout << "[ info ] Stop took " << inPause.count() << " ms in a pause, "
              << inExchange.count() << " ms in an exchange\n";
    EXPECT_LT(inPause, kStopBound);
    EXPECT_LT(inExchange, kStopBound);

    // Stopping twice, or submitting to a stopped link, does nothing.
    link.Stop();
    link.SubmitJob(JOB_DOWNLOAD, 1);
    EXPECT_EQ(sink.Count(), afterStop);
}

TEST(LinkThreadTest, SessionAgainstTheSimulatedReadoutOnAPseudoTerminal) {
    sim::ReadoutEngine engine(sim::ReadoutMemory::MakeDefault(20, std::time(nullptr)), {});
    engine.Faults().paceBaud = 38400;  // slow enough to stop a download halfway
    sim::PtyRunner runner(engine);
    ASSERT_TRUE(runner.Open()) << runner.LastError();
    std::thread served([&runner] { runner.Run(); });

    const std::string device = runner.DevicePath();
    PosixSerialLine line([device](int) { return device; });
    SteadyClock clock;
    RecordingSink sink;
    {
        CReadoutLink link(line, clock);
        link.SetDesiredBaud(115200);
        link.Start(sink);
        ASSERT_TRUE(sink.WaitFor(kReadoutReady, 10s));
        EXPECT_EQ(link.Settings().recordCount, 20);

        // Stop in the middle of the download.
        const std::size_t mark = sink.Count();
        link.SubmitJob(JOB_DOWNLOAD, 0);
        ASSERT_TRUE(sink.WaitUntil(
            [](const LinkEvent& e) { return e.As<link_event::Progress>() != nullptr; }, 10s, mark));
        const auto duration = TimedStop(link);
        const std::size_t afterStop = sink.Count();
        EXPECT_FALSE(line.PortIsOpen());
        EXPECT_FALSE(link.Settings().records);  // released with the worker
        std::cout << "[ info ] Stop took " << duration.count() << " ms in a download\n";
        EXPECT_LT(duration, kStopBound);

        // A fresh start connects again and takes a settings write.
        link.Start(sink);
        ASSERT_TRUE(sink.WaitFor(kReadoutReady, 10s, afterStop));
        SettingsChange change;
        ASSERT_EQ(change.SetDisplayDigits(6), std::nullopt);
        link.SubmitSettingsWrite(42, change);
        ASSERT_TRUE(sink.WaitFor(ForRequester(42, link_event::JobResult{0}), 10s, afterStop));
        EXPECT_EQ(link.Settings().displayDigits, 6);
        // The link's destructor stops it.
    }
    runner.RequestStop();
    served.join();
    EXPECT_EQ(engine.Memory().InfoByte(54), 6);
}

}  // namespace
}  // namespace q417
