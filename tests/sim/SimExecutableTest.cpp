// End to end: the real q417sim executable, talked to through the production serial line.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "JsonText.h"
#include "PosixSerialLine.h"
#include "PtyTestSupport.h"
#include "Q417Version.h"

namespace q417::sim {
namespace {

using testing::Ask;

class SimExecutableTest : public ::testing::Test {
  protected:
    SimExecutableTest()
        : dir_(std::filesystem::temp_directory_path() /
               ("q417sim-e2e-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        std::filesystem::create_directories(dir_);
    }
    ~SimExecutableTest() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path dir_;
};

TEST_F(SimExecutableTest, ServesTheReadoutAndWritesItsStateOnSigterm) {
    const std::string state = (dir_ / "state.json").string();
    const std::string link = (dir_ / "ttyQ417").string();
    test::ChildProcess sim(Q417SIM_PATH, {"--sites", "5", "--state-out", state, "--link", link});
    ASSERT_TRUE(sim.Started());
    const std::string device = sim.FirstLine();
    ASSERT_EQ(device.rfind("/dev/pts/", 0), 0u) << device;
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), device);

    {
        PosixSerialLine line([&link](int) { return link; });
        line.PortOpen(1, 115200);
        ASSERT_TRUE(line.PortIsOpen()) << line.LastOpenFailure().text;
        const std::string banner = Ask(line, "");
        EXPECT_NE(banner.find("ORVANE"), std::string::npos) << banner;
        EXPECT_EQ(Ask(line, "RE 10"), "RE 10 30\r\n");
        EXPECT_EQ(Ask(line, "WE 44 07"), "WE 44 07\r\n");
    }

    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(5000), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));

    std::ifstream in(state);
    std::stringstream text;
    text << in.rdbuf();
    const test::Json json = test::ParseJson(text.str());
    ASSERT_FALSE(json.is_discarded()) << text.str().substr(0, 300);
    EXPECT_EQ(test::Latin1(json.at("serialNumber")), "30303000");
    EXPECT_EQ(json.at("recordCount"), 5);
    EXPECT_EQ(json.at("sites").size(), 5u);
    EXPECT_EQ(json.at("commandCount"), 3);
    EXPECT_EQ(test::Latin1(json.at("informationArea")).substr(0x44 * 2, 2), "07");
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
        EXPECT_EQ(entry.path().filename(), "state.json") << "left behind: " << entry.path();
    }
}

TEST_F(SimExecutableTest, HangUpIsSeenByTheSerialLine) {
    test::ChildProcess sim(Q417SIM_PATH, {"--sites", "1", "--hangup-after", "2"});
    ASSERT_TRUE(sim.Started());
    const std::string device = sim.FirstLine();
    ASSERT_FALSE(device.empty());
    PosixSerialLine line([&device](int) { return device; });
    line.PortOpen(1, 115200);
    ASSERT_TRUE(line.PortIsOpen()) << line.LastOpenFailure().text;
    EXPECT_NE(Ask(line, "").find("ORVANE"), std::string::npos);
    EXPECT_EQ(Ask(line, "F"), "F 2.14\r\n");
    EXPECT_FALSE(line.WaitForInput(3000));
    EXPECT_FALSE(line.PortIsOpen());
    EXPECT_TRUE(line.HungUp());
    EXPECT_EQ(sim.Wait(5000), 0);
}

TEST_F(SimExecutableTest, RejectingReadoutOverThePseudoTerminal) {
    test::ChildProcess sim(Q417SIM_PATH, {"--reject", "--serial", "Q4170042"});
    ASSERT_TRUE(sim.Started());
    const std::string device = sim.FirstLine();
    ASSERT_FALSE(device.empty());
    {
        PosixSerialLine line([&device](int) { return device; });
        line.PortOpen(1, 115200);
        ASSERT_TRUE(line.PortIsOpen());
        EXPECT_NE(Ask(line, "").find("ORVANE"), std::string::npos);
        EXPECT_EQ(Ask(line, "RE 10"), "RE 10 ?\r\n");
    }
    sim.Signal(SIGINT);
    EXPECT_EQ(sim.Wait(5000), 0);
    EXPECT_NE(sim.Stderr().find("Q4170042"), std::string::npos);
}

TEST_F(SimExecutableTest, BadOptionShowsUsageAndExitsWithTwo) {
    test::ChildProcess sim(Q417SIM_PATH, {"--sites", "999"});
    ASSERT_TRUE(sim.Started());
    EXPECT_EQ(sim.Wait(5000), 2);
    EXPECT_EQ(sim.Stdout(), "");
    EXPECT_NE(sim.Stderr().find("usage: q417sim"), std::string::npos);
}

// The end-to-end tests run programs through Finish: one that never ends must be cut off.
TEST_F(SimExecutableTest, FinishKillsAProgramThatOutlivesItsTime) {
    test::ChildProcess sim(Q417SIM_PATH, {"--sites", "1"});
    ASSERT_TRUE(sim.Started());
    ASSERT_FALSE(sim.FirstLine().empty());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(sim.Finish(300));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(sim.Wait(0), 128 + SIGKILL);
}

TEST_F(SimExecutableTest, HelpGoesToStandardOutput) {
    test::ChildProcess sim(Q417SIM_PATH, {"--help"});
    ASSERT_TRUE(sim.Started());
    EXPECT_EQ(sim.Wait(5000), 0);
    EXPECT_NE(sim.Stdout().find("--hangup-after"), std::string::npos);
}

TEST_F(SimExecutableTest, VersionIsTheRelease) {
    test::ChildProcess sim(Q417SIM_PATH, {"--version"});
    ASSERT_TRUE(sim.Started());
    EXPECT_EQ(sim.Wait(5000), 0);
    EXPECT_EQ(sim.Stdout(), std::string("q417sim ") + kVersion + "\n");
}

}  // namespace
}  // namespace q417::sim
