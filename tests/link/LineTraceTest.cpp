// The line trace: its text for a short exchange on a manual clock, the escaping of bytes, a file
// that cannot be opened, and the link worker's state changes in it.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "FakeLine.h"
#include "LineTrace.h"
#include "LinkWorker.h"
#include "ManualClock.h"
#include "ReadoutEngine.h"
#include "RecordingSink.h"
#include "ScriptedLine.h"
#include "TempDir.h"
#include "TracingLine.h"

namespace q417 {
namespace {

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Escaped(const std::string& bytes) {
    return LineTrace::Escape(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                             static_cast<int>(bytes.size()));
}

TEST(LineTraceTest, EscapesControlAndEightBitBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"W 1~", "W 1~"},           {"\r\n\t", "\\r\\n\\t"},    {std::string(1, '\0'), "\\x00"},
        {"\x1b\x7f", "\\x1b\\x7f"}, {"\x80\xff", "\\x80\\xff"}, {"a\\b", "a\\\\b"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(Escaped(bytes), text);
    }
}

TEST(LineTraceTest, ShortExchangeIsOneLineForEachWayAndEvent) {
    const test::TempDir dir("linetrace");
    sim::ManualClock clock;
    test::ScriptedLine scripted(clock);
    LineTrace trace(clock);
    TracingLine line(scripted, trace);
    line.PortOpen(1, 9600);  // before the trace: not in it

    clock.Advance(1000);
    std::string error;
    ASSERT_TRUE(trace.Start(dir.Path("trace.txt"), error)) << error;
    line.PortClose();
    line.PortOpen(2, 115200);
    clock.Advance(5);
    const std::uint8_t command[] = {'W', '\r'};
    line.PortWrite(command, 2);
    line.PortPutChar(0xff);
    scripted.Deliver("\x06\r\n");
    clock.Advance(3);
    std::uint8_t reply[8];
    ASSERT_EQ(line.PortRead(reply, 1), 1);
    clock.Advance(2);
    ASSERT_EQ(line.PortRead(reply, 8), 2);  // read soon after: the same line
    clock.Advance(LineTrace::kMergeGapMs);
    scripted.Deliver("A\\");
    ASSERT_EQ(line.PortRead(reply, 8), 2);  // after a pause: a line of its own
    trace.Event('=', "IDLE -> DOWNLOAD");
    trace.Stop();
    line.PortPutChar('X');

    EXPECT_EQ(FileText(dir.Path("trace.txt")),
              "0 # close port\n"
              "0 # open port 2 at 115200 baud: open\n"
              "5 > W\\r\\xff\n"
              "8 < \\x06\\r\\n\n"
              "30 < A\\\\\n"
              "30 = IDLE -> DOWNLOAD\n");
}

TEST(LineTraceTest, FileThatCannotBeOpenedLeavesTheTraceOff) {
    const test::TempDir dir("linetrace");
    sim::ManualClock clock;
    LineTrace trace(clock);
    std::string error;
    EXPECT_FALSE(trace.Start(dir.Path("missing/trace.txt"), error));
    EXPECT_NE(error.find("missing/trace.txt"), std::string::npos) << error;
    EXPECT_FALSE(trace.Active());
    trace.Event('=', "IDLE -> RESET");  // nowhere to go, and no harm
}

TEST(LineTraceTest, WorkerWritesItsStateChanges) {
    const test::TempDir dir("linetrace");
    sim::ManualClock clock;
    sim::ReadoutEngine engine(sim::ReadoutMemory::MakeDefault(2, 1796742245),
                              [&clock] { return clock.CalendarSeconds(); });
    sim::FakeLine fake(clock, engine);
    LineTrace trace(clock);
    TracingLine line(fake, trace);
    LinkShared shared;
    shared.jobs.Open();
    testing::RecordingSink sink;
    LinkWorker worker(shared, line, clock, sink);
    std::string error;
    ASSERT_TRUE(trace.Start(dir.Path("trace.txt"), error)) << error;
    shared.trace.store(&trace);

    auto turnUntilIdle = [&] {
        for (int i = 0; i < 200 && !(worker.State() == LINK_IDLE && sink.Count() > 0); ++i) {
            worker.Turn();
        }
    };
    turnUntilIdle();
    ASSERT_EQ(worker.State(), LINK_IDLE);
    // A job that changes the state as it is taken shows that step as well.
    ASSERT_TRUE(shared.jobs.Submit({JOB_RECONNECT, 0, {}, 0, {}}));
    worker.Turn();
    shared.stopRequest = true;  // and the stop, before the port closes
    EXPECT_FALSE(worker.Turn());
    shared.trace.store(nullptr);
    trace.Stop();

    std::istringstream lines(FileText(dir.Path("trace.txt")));
    std::string states;
    for (std::string text; std::getline(lines, text);) {
        if (const auto at = text.find(" = "); at != std::string::npos) {
            states += text.substr(at + 3) + "\n";
        }
    }
    EXPECT_EQ(states,
              "OPEN_PORT -> RESET\nRESET -> CONNECTING\nCONNECTING -> READ_INFO\n"
              "READ_INFO -> IDLE\nIDLE -> RESET\nRESET -> CONNECTING\nCONNECTING -> STOP\n");
    EXPECT_NE(FileText(dir.Path("trace.txt")).find(" > "), std::string::npos);
}

}  // namespace
}  // namespace q417
