#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "ReadoutMemory.h"
#include "SimOptions.h"
#include "TestNames.h"

namespace q417::sim {
namespace {

std::optional<SimOptions> Parse(const std::vector<std::string>& args) {
    std::string error;
    auto options = SimOptions::Parse(args, error);
    EXPECT_EQ(options.has_value(), error.empty()) << error;
    return options;
}

TEST(SimOptionsTest, Defaults) {
    const auto o = Parse({});
    ASSERT_TRUE(o.has_value());
    EXPECT_EQ(o->sites, 12);
    EXPECT_EQ(o->serial, "");
    EXPECT_EQ(o->linkPath, "");
    EXPECT_EQ(o->stateOut, "");
    EXPECT_EQ(o->hangupAfter, -1);
    EXPECT_FALSE(o->help);
    EXPECT_FALSE(o->faults.silent);
    EXPECT_EQ(o->faults.answerCommands, -1);
    EXPECT_EQ(o->faults.paceBaud, 0);
    EXPECT_EQ(o->faults.replyLatencyMs, 0);
    EXPECT_EQ(o->faults.stallAfterCommands, -1);
}

TEST(SimOptionsTest, EveryOption) {
    const auto o = Parse({"--sites",
                          "200",
                          "--serial",
                          "ABC123",
                          "--link",
                          "/tmp/q417",
                          "--state-out",
                          "/tmp/state.json",
                          "--pace",
                          "9600",
                          "--silent",
                          "--reject",
                          "--drop-every",
                          "7",
                          "--bad-checksum",
                          "2",
                          "--cut-replies",
                          "3",
                          "--pull-after",
                          "10",
                          "--hangup-after",
                          "4",
                          "--new-identity-after",
                          "5",
                          "--latency",
                          "250",
                          "--stall-after",
                          "6",
                          "--stall-ms",
                          "1500"});
    ASSERT_TRUE(o.has_value());
    EXPECT_EQ(o->sites, 200);
    EXPECT_EQ(o->serial, "ABC123");
    EXPECT_EQ(o->linkPath, "/tmp/q417");
    EXPECT_EQ(o->stateOut, "/tmp/state.json");
    EXPECT_EQ(o->faults.paceBaud, 9600);
    EXPECT_TRUE(o->faults.silent);
    EXPECT_TRUE(o->faults.rejectAll);
    EXPECT_EQ(o->faults.dropEveryNthByte, 7);
    EXPECT_EQ(o->faults.corruptChecksums, 2);
    EXPECT_EQ(o->faults.cutReplies, 3);
    EXPECT_EQ(o->faults.answerCommands, 10);
    EXPECT_EQ(o->hangupAfter, 4);
    EXPECT_EQ(o->faults.changeIdentityAfter, 5);
    EXPECT_EQ(o->faults.replyLatencyMs, 250);
    EXPECT_EQ(o->faults.stallAfterCommands, 6);
    EXPECT_EQ(o->faults.stallMs, 1500);
}

TEST(SimOptionsTest, SwapAfterIsAStallAfterWhichAnotherReadoutAnswers) {
    const auto o = Parse({"--swap-after", "40", "--stall-ms", "3000"});
    ASSERT_TRUE(o.has_value());
    EXPECT_EQ(o->faults.stallAfterCommands, 40);
    EXPECT_EQ(o->faults.stallMs, 3000);
    EXPECT_TRUE(o->faults.newIdentityAfterStall);
    const auto plain = Parse({"--stall-after", "40"});
    ASSERT_TRUE(plain.has_value());
    EXPECT_FALSE(plain->faults.newIdentityAfterStall);
}

TEST(SimOptionsTest, ValuesMayFollowAnEqualsSign) {
    const auto o = Parse({"--sites=0", "--pull-after=0", "--help"});
    ASSERT_TRUE(o.has_value());
    EXPECT_EQ(o->sites, 0);
    EXPECT_EQ(o->faults.answerCommands, 0);
    EXPECT_TRUE(o->help);
}

class SimOptionsRejectTest : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(SimOptionsRejectTest, RefusesWithAReason) {
    std::string error;
    EXPECT_FALSE(SimOptions::Parse(GetParam(), error).has_value());
    EXPECT_FALSE(error.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, SimOptionsRejectTest,
    ::testing::Values(
        std::vector<std::string>{"--bogus"}, std::vector<std::string>{"sites"},
        std::vector<std::string>{"--sites"}, std::vector<std::string>{"--sites", "201"},
        std::vector<std::string>{"--sites", "-1"}, std::vector<std::string>{"--sites", "12x"},
        std::vector<std::string>{"--sites", ""}, std::vector<std::string>{"--pace", "0"},
        std::vector<std::string>{"--drop-every", "0"},
        std::vector<std::string>{"--cut-replies", "-1"},
        std::vector<std::string>{"--hangup-after", "two"},
        std::vector<std::string>{"--serial", "123456789"}, std::vector<std::string>{"--serial", ""},
        std::vector<std::string>{"--serial", "A?"}, std::vector<std::string>{"--serial", "A B"},
        std::vector<std::string>{"--link", ""}, std::vector<std::string>{"--silent=1"},
        std::vector<std::string>{"--latency", "-1"}, std::vector<std::string>{"--stall-ms", "0"},
        std::vector<std::string>{"--stall-after", "-2"},
        std::vector<std::string>{"--swap-after", "-1"}),
    [](const auto& test) {
        std::string joined;
        for (const std::string& a : test.param) {
            joined += a + " ";
        }
        return testing::SafeName(joined, test.index);
    });

TEST(SimOptionsTest, UsageNamesEveryOption) {
    const std::string usage = SimOptions::Usage();
    for (const char* option :
         {"--sites", "--serial", "--link", "--state-out", "--pace", "--silent", "--reject",
          "--drop-every", "--bad-checksum", "--cut-replies", "--pull-after", "--hangup-after",
          "--new-identity-after", "--latency", "--stall-after", "--stall-ms", "--swap-after",
          "--help", "--version"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

TEST(SimOptionsTest, MemoryFaultsSpoilTheRecordsAsked) {
    const auto o = Parse({"--sites", "4", "--erased-records", "1", "--nan-readings", "1"});
    ASSERT_TRUE(o.has_value());
    ReadoutMemory memory = ReadoutMemory::MakeDefault(4, 1796742245);
    o->ApplyMemoryFaults(memory);
    const auto& bytes = memory.Records();
    EXPECT_TRUE(std::all_of(bytes.begin() + 3 * kRecordSize, bytes.begin() + 4 * kRecordSize,
                            [](std::uint8_t b) { return b == 0xFF; }));
    EXPECT_NE(memory.SiteName(2), "");  // the others stay
    int spoiled = 0;
    for (int r = 0; r < 3; ++r) {
        const int count = memory.ReadingCount(r);
        if (count > 0 && std::isnan(memory.ReadingAt(r, count - 1).value)) {
            ++spoiled;
        }
    }
    EXPECT_EQ(spoiled, 1);
}

}  // namespace
}  // namespace q417::sim
