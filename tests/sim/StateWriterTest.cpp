#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include "MiniJson.h"
#include "ReadoutEngine.h"
#include "ReadoutMemory.h"
#include "StateWriter.h"
#include "TestNames.h"

namespace q417::sim {
namespace {

using testing::JsonReader;
using testing::JsonValue;
using namespace std::string_literals;

constexpr std::int64_t kNow = 1767225600;

JsonValue ParseOrFail(const std::string& text) {
    const auto value = JsonReader::Parse(text);
    EXPECT_TRUE(value.has_value()) << text.substr(0, 400);
    return value.value_or(JsonValue{});
}

struct QuoteCase {
    std::string text;
    std::string quoted;
};

void PrintTo(const QuoteCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(c.text) << " -> " << c.quoted;
}

class StateWriterQuoteTest : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(StateWriterQuoteTest, EscapesWhatJsonNeeds) {
    EXPECT_EQ(StateWriter::Quote(GetParam().text), GetParam().quoted);
    // And it reads back as the same bytes.
    const auto back = JsonReader::Parse(GetParam().quoted);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StateWriterQuoteTest,
    ::testing::Values(QuoteCase{"", "\"\""}, QuoteCase{"SITES.INI", "\"SITES.INI\""},
                      QuoteCase{"a\"b", "\"a\\\"b\""}, QuoteCase{"a\\b", "\"a\\\\b\""},
                      QuoteCase{"\r\n\t", "\"\\u000D\\u000A\\u0009\""},
                      QuoteCase{"\0\x01"s, "\"\\u0000\\u0001\""},
                      QuoteCase{"\x7F\xE9\xFF", "\"\\u007F\\u00E9\\u00FF\""},
                      QuoteCase{" ~/", "\" ~/\""}),
    [](const auto& test) { return testing::SafeName(test.param.text, test.index); });

TEST(StateWriterTest, NumbersReadBackAsTheSameFloat) {
    for (float f : {2.14f, 3.62f, 12.4873f, -0.0625f, 0.0137f, 1e-30f, 3.4e38f, 78.0f}) {
        const std::string text = StateWriter::Number(f);
        EXPECT_EQ(std::strtof(text.c_str(), nullptr), f) << text;
    }
    EXPECT_EQ(StateWriter::Number(78.0f), "78");
    EXPECT_EQ(StateWriter::Number(2.14f), "2.1400001");
}

TEST(StateWriterTest, NonFiniteNumbersBecomeNull) {
    EXPECT_EQ(StateWriter::Number(std::numeric_limits<double>::quiet_NaN()), "null");
    EXPECT_EQ(StateWriter::Number(std::numeric_limits<double>::infinity()), "null");
    EXPECT_EQ(StateWriter::Number(-std::numeric_limits<double>::infinity()), "null");
}

TEST(StateWriterTest, DecodesTheInformationArea) {
    const ReadoutMemory m = ReadoutMemory::MakeDefault(12, kNow);
    const JsonValue j = ParseOrFail(StateWriter::ToJson(m));
    ASSERT_EQ(j.kind, JsonValue::Kind::Object);
    EXPECT_EQ(j["serialNumber"].text, "30303000");
    EXPECT_EQ(j["identity"].text, "30303000");
    EXPECT_EQ(j["infoSize"].number, 1152);
    EXPECT_EQ(static_cast<float>(j["multiplier"].number), m.Multiplier());
    EXPECT_EQ(static_cast<float>(j["offset"].number), m.Offset());
    EXPECT_EQ(static_cast<float>(j["zero"].number), m.Zero());
    EXPECT_EQ(j["calUnits"].number, 1);
    EXPECT_EQ(j["powerDown"].number, 1);
    EXPECT_EQ(j["value53"].number, m.Value53());
    EXPECT_EQ(j["displayDigits"].number, 3);
    EXPECT_EQ(j["displayUnits"].number, 1);
    EXPECT_EQ(j["capacity"].number, 200);
    EXPECT_EQ(j["value60"].number, m.Value60());
    EXPECT_EQ(j["recordCount"].number, 12);
    EXPECT_EQ(j["blockSize"].number, 64);
    EXPECT_EQ(j["lcdContrast"].number, 96);
    EXPECT_EQ(j["fileName"].text, "SITES.INI");
    EXPECT_EQ(j["clockOffsetSeconds"].number, -95);
    EXPECT_EQ(static_cast<float>(j["firmwareVersion"].number), 2.14f);
    EXPECT_EQ(static_cast<float>(j["batteryVolts"].number), m.BatteryVolts());
    EXPECT_EQ(static_cast<float>(j["displayOnTime"].number), m.DisplayOnTime());
    EXPECT_EQ(static_cast<float>(j["backlightTime"].number), m.BacklightTime());
    EXPECT_EQ(static_cast<float>(j["sleepTime"].number), m.SleepTime());
    EXPECT_EQ(static_cast<float>(j["batteryLifeRemaining"].number), m.BatteryLifeRemaining());
    EXPECT_EQ(j["initializeCount"].number, 0);
    EXPECT_EQ(j["batteryResetCount"].number, 0);
    EXPECT_FALSE(j.Has("commandCount"));

    const std::string& hex = j["informationArea"].text;
    ASSERT_EQ(hex.size(), 2304u);
    for (std::size_t a = 0; a < 1152; ++a) {
        ASSERT_EQ(std::stoul(hex.substr(a * 2, 2), nullptr, 16), m.Info()[a]) << a;
    }
    EXPECT_EQ(hex.substr(22, 16), "3330333033303030");  // the serial text at 11
}

TEST(StateWriterTest, ListsTheSitesOfTheRecordCount) {
    const ReadoutMemory m = ReadoutMemory::MakeDefault(25, kNow);
    const JsonValue j = ParseOrFail(StateWriter::ToJson(m));
    const JsonValue& sites = j["sites"];
    ASSERT_EQ(sites.kind, JsonValue::Kind::Array);
    ASSERT_EQ(sites.items.size(), 25u);
    for (std::size_t i = 0; i < sites.items.size(); ++i) {
        const JsonValue& s = sites[i];
        const int r = static_cast<int>(i);
        EXPECT_EQ(s["name"].text, m.SiteName(r));
        EXPECT_EQ(s["readingCount"].number, m.ReadingCount(r));
        EXPECT_EQ(static_cast<float>(s["referenceValue"].number), m.ReferenceValue(r));
        EXPECT_EQ(s["referenceTime"].number, m.ReferenceTime(r));
        ASSERT_EQ(s["readings"].items.size(), static_cast<std::size_t>(m.ReadingCount(r)));
        for (std::size_t k = 0; k < s["readings"].items.size(); ++k) {
            const auto reading = m.ReadingAt(r, static_cast<int>(k));
            EXPECT_EQ(static_cast<float>(s["readings"][k]["value"].number), reading.value);
            EXPECT_EQ(s["readings"][k]["time"].number, reading.time);
        }
    }
    EXPECT_EQ(sites[20]["readings"].items.size(), 20u);
    EXPECT_EQ(sites[0]["readings"].items.size(), 0u);
}

TEST(StateWriterTest, ClampsCountsThatTheMemoryCannotHold) {
    ReadoutMemory m = ReadoutMemory::MakeDefault(3, kNow);
    m.SetReadingCount(1, 25);
    m.SetRecordCount(250);
    const JsonValue j = ParseOrFail(StateWriter::ToJson(m));
    EXPECT_EQ(j["recordCount"].number, 250);
    EXPECT_EQ(j["sites"].items.size(), 200u);
    EXPECT_EQ(j["sites"][1]["readingCount"].number, 25);
    EXPECT_EQ(j["sites"][1]["readings"].items.size(), 20u);
}

TEST(StateWriterTest, EscapesTextsFromMemory) {
    ReadoutMemory m = ReadoutMemory::MakeDefault(1, kNow);
    m.SetSiteName(0, "A\"B\\C\x01\xB0");
    m.SetInfoByte(12, 0xE9);  // inside the serial number
    const JsonValue j = ParseOrFail(StateWriter::ToJson(m));
    EXPECT_EQ(j["sites"][0]["name"].text, "A\"B\\C\x01\xB0");
    EXPECT_EQ(j["serialNumber"].text,
              "3\xE9"
              "303000");
}

TEST(StateWriterTest, EmptyReadoutHasAnEmptySiteList) {
    const JsonValue j = ParseOrFail(StateWriter::ToJson(ReadoutMemory::MakeDefault(0, kNow)));
    EXPECT_EQ(j["sites"].kind, JsonValue::Kind::Array);
    EXPECT_TRUE(j["sites"].items.empty());
}

TEST(StateWriterTest, EngineStateAddsItsCounters) {
    ReadoutEngine engine(ReadoutMemory::MakeDefault(2, kNow), [] { return kNow; });
    const std::string data(64, 'w');
    unsigned sum = 0;
    for (char c : data) {
        sum += static_cast<unsigned char>(c);
    }
    engine.Receive("\r\nI\r\nB 2\r\nWP 0 40 2\r\n" + data + static_cast<char>(sum & 0xFF) + data +
                   static_cast<char>((sum + 1) & 0xFF));
    const JsonValue j = ParseOrFail(StateWriter::ToJson(engine));
    EXPECT_EQ(j["commandCount"].number, 4);
    EXPECT_EQ(j["storedPacketCount"].number, 1);
    EXPECT_EQ(j["badPacketCount"].number, 1);
    EXPECT_EQ(j["initializeCount"].number, 1);
    EXPECT_EQ(j["batteryResetCount"].number, 1);
    EXPECT_EQ(j["sites"][0]["name"].text, std::string(20, 'w'));
}

class StateFileTest : public ::testing::Test {
  protected:
    StateFileTest()
        : dir_(std::filesystem::temp_directory_path() /
               ("q417sim-state-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(dir_);
    }
    ~StateFileTest() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path dir_;
};

TEST_F(StateFileTest, ReportsAFolderThatDoesNotExist) {
    const auto path = (dir_ / "missing" / "state.json").string();
    std::string error;
    EXPECT_FALSE(StateWriter::WriteAtomically(path, "{}", error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace q417::sim
