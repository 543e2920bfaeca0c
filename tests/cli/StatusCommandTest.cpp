// status in-process: the text page against a golden file, the JSON object read back, texts from
// the readout's memory made safe, and the queries the readout leaves unanswered.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "CliFixture.h"
#include "ExitCode.h"
#include "MiniJson.h"

namespace q417::cli {
namespace {

using sim::testing::JsonReader;
using sim::testing::JsonValue;

const std::vector<std::string> kKeys = {"serialNumber",    "firmwareVersion", "battery",
                                        "multiplier",      "offset",          "calibrationUnits",
                                        "displayUnits",    "displayDigits",   "powerDown",
                                        "readoutDateTime", "siteNumber",      "fileName"};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class StatusCommandTest : public testing::CliFixture {
  protected:
    JsonValue RunJson(int expectedExit = kExitOk) {
        EXPECT_EQ(Run({"status", "--json"}), expectedExit) << err.str();
        const auto parsed = JsonReader::Parse(out.str());
        EXPECT_TRUE(parsed.has_value()) << out.str();
        return parsed.value_or(JsonValue{});
    }
};

TEST_F(StatusCommandTest, TextMatchesTheGoldenFile) {
    ASSERT_EQ(Run({"status"}), kExitOk) << err.str();
    const std::string golden = std::string(GOLDEN_DIR) + "/status.txt";
    if (std::getenv("Q417_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(golden, std::ios::binary) << out.str();
    }
    EXPECT_EQ(out.str(), ReadFile(golden));
    EXPECT_EQ(err.str(), "");
    // Reading only: nothing written to the readout.
    EXPECT_EQ(SentWrites(), std::vector<std::string>{});
}

TEST_F(StatusCommandTest, JsonHasEveryRowUnderItsKey) {
    const JsonValue status = RunJson();
    EXPECT_EQ(err.str(), "");
    ASSERT_EQ(status.kind, JsonValue::Kind::Object);
    EXPECT_EQ(status.keyOrder, kKeys);
    const std::map<std::string, std::string> expected = {
        {"serialNumber", "30303000"}, {"firmwareVersion", "2.140"},
        {"battery", "3.620 Volts"},   {"multiplier", "12.487300"},
        {"offset", "-0.062500"},      {"calibrationUnits", "PSI"},
        {"displayUnits", "PSI"},      {"displayDigits", "3"},
        {"powerDown", "15 Minutes"},  {"readoutDateTime", "2026/12/08 15:02:30"},
        {"siteNumber", "4"},          {"fileName", "SITES.INI"}};
    for (const auto& [key, value] : expected) {
        ASSERT_TRUE(status.Has(key)) << key;
        EXPECT_EQ(status[key].kind, JsonValue::Kind::String) << key;
        EXPECT_EQ(status[key].text, value) << key;
    }
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
    const JsonValue status = RunJson();
    for (const char c : out.str()) {
        EXPECT_LT(static_cast<unsigned char>(c), 0x80);  // plain ASCII, valid in any reader
    }
    ASSERT_TRUE(status.Has("serialNumber"));
    EXPECT_EQ(status["serialNumber"].text, serial);
    EXPECT_EQ(status["fileName"].text, "");
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
    const JsonValue status = RunJson(kExitFailed);
    ASSERT_TRUE(status.Has("readoutDateTime"));
    EXPECT_EQ(status["readoutDateTime"].kind, JsonValue::Kind::Null);
    EXPECT_EQ(status["battery"].text, "3.620 Volts");
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
