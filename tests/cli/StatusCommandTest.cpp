// status in-process: the text page and the JSON object against golden files, both showing the
// status rows, texts from the readout's memory made safe, and queries left unanswered.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "CliFixture.h"
#include "ExitCode.h"
#include "JsonText.h"
#include "ReadoutStatusRows.h"

namespace q417::cli {
namespace {

using test::Json;
using test::Latin1;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class StatusCommandTest : public testing::CliFixture {
  protected:
    Json RunJson(int expectedExit = kExitOk) {
        EXPECT_EQ(Run({"status", "--json"}), expectedExit) << err.str();
        const Json parsed = test::ParseJson(out.str());
        EXPECT_TRUE(parsed.is_object()) << out.str();
        return parsed.is_object() ? parsed : Json::object();
    }
};

// The whole output, byte for byte: the text page, and the JSON layout scripts may have read.
class StatusGoldenTest : public StatusCommandTest,
                         public ::testing::WithParamInterface<const char*> {};

TEST_P(StatusGoldenTest, MatchesTheGoldenFile) {
    const bool json = std::string(GetParam()) == "status.json";
    ASSERT_EQ(json ? Run({"status", "--json"}) : Run({"status"}), kExitOk) << err.str();
    const std::string golden = std::string(GOLDEN_DIR) + "/" + GetParam();
    if (std::getenv("Q417_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(golden, std::ios::binary) << out.str();
    }
    EXPECT_EQ(out.str(), ReadFile(golden));
    EXPECT_EQ(err.str(), "");
    // Reading only: nothing written to the readout.
    EXPECT_EQ(SentWrites(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Outputs, StatusGoldenTest, ::testing::Values("status.txt", "status.json"),
                         [](const auto& test) { return test.index == 0 ? "Text" : "Json"; });

// Both outputs show the one list of rows, in its order: the text by label, the JSON by key.
TEST_F(StatusCommandTest, TextAndJsonShowTheStatusRows) {
    const std::vector<StatusRow> rows = ReadoutStatusRows(ReadoutSettings{}, 0);
    ASSERT_EQ(Run({"status"}), kExitOk) << err.str();
    std::istringstream text(out.str());
    std::string shown;
    for (const StatusRow& row : rows) {
        ASSERT_TRUE(std::getline(text, shown)) << row.key;
        EXPECT_EQ(shown.substr(0, row.label.size()), row.label);
    }
    EXPECT_FALSE(std::getline(text, shown)) << shown;

    out.str("");
    const Json status = RunJson();
    std::vector<std::string> keys;
    for (const auto& [key, value] : status.items()) {
        keys.push_back(key);
    }
    std::vector<std::string> expected;
    for (const StatusRow& row : rows) {
        expected.push_back(row.key);
    }
    EXPECT_EQ(keys, expected);
}

TEST_F(StatusCommandTest, TextsFromMemoryAreEscaped) {
    const std::string serial = "A\"\\\x01\xE9";
    ASSERT_TRUE(Memory().SetSerialNumber(serial));
    Memory().SetFileName("");

    ASSERT_EQ(Run({"status"}), kExitOk) << err.str();
    const std::string text = out.str();
    EXPECT_NE(text.find("Serial Number :     A\"\\\\x01\\xE9\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nFilename :\n"), std::string::npos) << text;  // no trailing blank
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(c == '\n' || (byte >= 0x20 && byte < 0x7F)) << static_cast<int>(byte);
    }

    out.str("");
    const Json status = RunJson();
    // Plain ASCII, valid in any reader: the Latin-1 byte 0xE9 as the code point U+00E9.
    EXPECT_NE(out.str().find(R"("serial_number": "A\"\\\u0001\u00e9",)"), std::string::npos)
        << out.str();
    for (const char c : out.str()) {
        EXPECT_LT(static_cast<unsigned char>(c), 0x80);
    }
    EXPECT_EQ(Latin1(status.at("serial_number")), serial);
    EXPECT_EQ(Latin1(status.at("file_name")), "");
}

TEST_F(StatusCommandTest, UnansweredClockIsNotShownAsATime) {
    rejecting.Reject("RT");
    EXPECT_EQ(Run({"status"}), kExitFailed);
    EXPECT_NE(out.str().find("\nReadout Date Time : (no answer)\n"), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("\nFirmware Version :  2.140\n"), std::string::npos) << out.str();
    EXPECT_EQ(err.str(), "q417cli: the readout did not answer every status query\n");

    out.str("");
    err.str("");
    const Json status = RunJson(kExitFailed);
    EXPECT_TRUE(status.at("readout_date_time").is_null());
    EXPECT_EQ(Latin1(status.at("battery")), "3.620 Volts");
}

TEST_F(StatusCommandTest, UnansweredVersionAndBattery) {
    rejecting.Reject("F");
    rejecting.Reject("B");
    EXPECT_EQ(Run({"status"}), kExitFailed);
    EXPECT_NE(
        out.str().find("\nFirmware Version :  (no answer)\nBattery :           (no answer)\n"),
        std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("\nReadout Date Time : 2026/12/08 15:02:30\n"), std::string::npos)
        << out.str();
}

TEST_F(StatusCommandTest, InformationAreaThatDoesNotCome) {
    rejecting.Reject("REB");
    EXPECT_EQ(Run({"status"}), kExitFailed);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "q417cli: the readout did not send its information area within 20 s\n");
}

TEST_F(StatusCommandTest, PortThatDoesNotOpen) {
    DenyThePort();
    EXPECT_EQ(Run({"status"}), kExitPortNotOpen);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(),
              "q417cli: cannot open the port: /dev/ttyQ417: permission denied (is the user in the "
              "dialout group?)\n");
}

TEST_F(StatusCommandTest, SilentReadout) {
    engine.Faults().silent = true;
    EXPECT_EQ(Run({"status", "--json"}), kExitNoReadout);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(),
              "q417cli: no readout answered on /dev/ttyQ417 within 20 s (is it connected and "
              "switched on?); last status: Connecting\n");
}

}  // namespace
}  // namespace q417::cli
