#include <gtest/gtest.h>

#include "CliOptions.h"
#include "HexDump.h"

namespace q417::cli {
namespace {

struct ParseCase {
    std::vector<std::string> args;
    bool ok;
    std::string device;
    int port;
    int baud;
    std::string command;
    int timeoutSeconds = 20;
    std::string tracePath;
};

class CliOptionsTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(CliOptionsTest, Parse) {
    const ParseCase& c = GetParam();
    std::string error;
    const auto options = CliOptions::Parse(c.args, error);
    ASSERT_EQ(options.has_value(), c.ok) << error;
    if (!c.ok) {
        EXPECT_FALSE(error.empty());
        return;
    }
    EXPECT_EQ(options->device, c.device);
    EXPECT_EQ(options->portNumber, c.port);
    EXPECT_EQ(options->baudRate, c.baud);
    EXPECT_EQ(options->command, c.command);
    EXPECT_EQ(options->timeoutSeconds, c.timeoutSeconds);
    EXPECT_EQ(options->tracePath, c.tracePath);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliOptionsTest,
    ::testing::Values(
        ParseCase{{"probe"}, true, "", 1, 115200, "probe"},
        ParseCase{{"--device", "/dev/ttyACM0", "probe"}, true, "/dev/ttyACM0", 1, 115200, "probe"},
        ParseCase{{"--port", "3", "--baud", "57600", "probe"}, true, "", 3, 57600, "probe"},
        ParseCase{{"--port", "0", "probe"}, true, "", 0, 115200, "probe"},
        ParseCase{{"--help"}, true, "", 1, 115200, "help"},
        ParseCase{{"--version", "probe"}, true, "", 1, 115200, "version"},
        ParseCase{{}, false, "", 0, 0, ""},
        ParseCase{{"--port", "21", "probe"}, false, "", 0, 0, ""},
        ParseCase{{"--port", "2x", "probe"}, false, "", 0, 0, ""},
        ParseCase{{"--baud", "fast", "probe"}, false, "", 0, 0, ""},
        ParseCase{{"--baud", "9601", "probe"}, false, "", 0, 0, ""},
        ParseCase{{"--baud", "1200", "probe"}, true, "", 1, 1200, "probe"},
        ParseCase{{"--device"}, false, "", 0, 0, ""},
        ParseCase{{"--verbose", "probe"}, false, "", 0, 0, ""},
        ParseCase{{"--device", "/dev/x", "--port", "0", "probe"}, false, "", 0, 0, ""},
        ParseCase{{"--timeout", "5", "status"}, true, "", 1, 115200, "status", 5},
        ParseCase{{"--timeout", "0", "status"}, false, "", 0, 0, ""},
        ParseCase{{"--timeout", "3601", "status"}, false, "", 0, 0, ""},
        ParseCase{{"--trace", "t.txt", "probe"}, true, "", 1, 115200, "probe", 20, "t.txt"},
        ParseCase{{"--trace", "", "probe"}, false, "", 0, 0, ""},
        ParseCase{{"probe", "--trace", "t.txt"}, true, "", 1, 115200, "probe"}));

TEST(HexDumpTest, RowsWithAddressesHexAndPrintableText) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 20; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(0x3C + i));
    }
    bytes[1] = 0x00;
    bytes[2] = 0x7F;
    EXPECT_EQ(HexDump(bytes, 0x0470),
              "0470  3C 00 7F 3F 40 41 42 43 44 45 46 47 48 49 4A 4B  |<..?@ABCDEFGHIJK|\n"
              "0480  4C 4D 4E 4F                                      |LMNO|\n");
    EXPECT_EQ(HexDump({}), "");
}

}  // namespace
}  // namespace q417::cli
