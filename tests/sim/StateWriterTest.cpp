#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include "JsonText.h"
#include "ReadoutEngine.h"
#include "ReadoutMemory.h"
#include "StateWriter.h"

namespace q417::sim {
namespace {

using test::Json;
using test::Latin1;

constexpr std::int64_t kNow = 1767225600;

Json ParseOrFail(const std::string& text) {
    const Json value = test::ParseJson(text);
    EXPECT_FALSE(value.is_discarded()) << text.substr(0, 400);
    return value.is_discarded() ? Json::object() : value;
}

TEST(StateWriterTest, NumbersReadBackAsTheSameFloat) {
    for (float f : {2.14f, 3.62f, 12.4873f, -0.0625f, 0.0137f, 1e-30f, 3.4e38f, 78.0f}) {
        const std::string text = StateWriter::Number(f);
        EXPECT_EQ(std::strtof(text.c_str(), nullptr), f) << text;
    }
    // As the state file always spelt them: nine significant digits, no fraction on whole numbers.
    EXPECT_EQ(StateWriter::Number(78.0f), "78");
    EXPECT_EQ(StateWriter::Number(2.14f), "2.1400001");
    EXPECT_EQ(StateWriter::Number(-0.0625f), "-0.0625");
    EXPECT_EQ(StateWriter::Number(1e-30f), "1e-30");
    EXPECT_EQ(StateWriter::Number(3.4e38f), "3.39999995e+38");
}

// A reader gets the very double that the nine digits stand for, over the whole float range.
TEST(StateWriterTest, NumbersHoldTheValueOfNineDigits) {
    for (std::uint32_t bits = 0; bits < 0x7F800000u; bits += 0x10003u) {
        float f = 0;
        std::memcpy(&f, &bits, sizeof f);
        for (const float v : {f, -f}) {
            char nine[40];
            std::snprintf(nine, sizeof nine, "%.9g", static_cast<double>(v));
            const std::string text = StateWriter::Number(v);
            ASSERT_EQ(std::strtod(text.c_str(), nullptr), std::strtod(nine, nullptr))
                << nine << " written as " << text;
        }
    }
}

TEST(StateWriterTest, NonFiniteNumbersBecomeNull) {
    EXPECT_EQ(StateWriter::Number(std::numeric_limits<double>::quiet_NaN()), "null");
    EXPECT_EQ(StateWriter::Number(std::numeric_limits<double>::infinity()), "null");
    EXPECT_EQ(StateWriter::Number(-std::numeric_limits<double>::infinity()), "null");
}

TEST(StateWriterTest, DecodesTheInformationArea) {
    const ReadoutMemory m = ReadoutMemory::MakeDefault(12, kNow);
    const Json j = ParseOrFail(StateWriter::ToJson(m));
    ASSERT_TRUE(j.is_object());
    EXPECT_EQ(Latin1(j.at("serialNumber")), "30303000");
    EXPECT_EQ(Latin1(j.at("identity")), "30303000");
    EXPECT_EQ(j.at("infoSize"), 1152);
    EXPECT_EQ(j.at("multiplier").get<float>(), m.Multiplier());
    EXPECT_EQ(j.at("offset").get<float>(), m.Offset());
    EXPECT_EQ(j.at("zero").get<float>(), m.Zero());
    EXPECT_EQ(j.at("calUnits"), 1);
    EXPECT_EQ(j.at("powerDown"), 1);
    EXPECT_EQ(j.at("value53"), m.Value53());
    EXPECT_EQ(j.at("displayDigits"), 3);
    EXPECT_EQ(j.at("displayUnits"), 1);
    EXPECT_EQ(j.at("capacity"), 200);
    EXPECT_EQ(j.at("value60"), m.Value60());
    EXPECT_EQ(j.at("recordCount"), 12);
    EXPECT_EQ(j.at("blockSize"), 64);
    EXPECT_EQ(j.at("lcdContrast"), 96);
    EXPECT_EQ(Latin1(j.at("fileName")), "SITES.INI");
    EXPECT_EQ(j.at("clockOffsetSeconds"), -95);
    EXPECT_EQ(j.at("firmwareVersion").get<float>(), 2.14f);
    EXPECT_EQ(j.at("batteryVolts").get<float>(), m.BatteryVolts());
    EXPECT_EQ(j.at("displayOnTime").get<float>(), m.DisplayOnTime());
    EXPECT_EQ(j.at("backlightTime").get<float>(), m.BacklightTime());
    EXPECT_EQ(j.at("sleepTime").get<float>(), m.SleepTime());
    EXPECT_EQ(j.at("batteryLifeRemaining").get<float>(), m.BatteryLifeRemaining());
    EXPECT_EQ(j.at("initializeCount"), 0);
    EXPECT_EQ(j.at("batteryResetCount"), 0);
    EXPECT_FALSE(j.contains("commandCount"));

    const std::string hex = Latin1(j.at("informationArea"));
    ASSERT_EQ(hex.size(), 2304u);
    for (std::size_t a = 0; a < 1152; ++a) {
        ASSERT_EQ(std::stoul(hex.substr(a * 2, 2), nullptr, 16), m.Info()[a]) << a;
    }
    EXPECT_EQ(hex.substr(22, 16), "3330333033303030");  // the serial text at 11
}

TEST(StateWriterTest, ListsTheSitesOfTheRecordCount) {
    const ReadoutMemory m = ReadoutMemory::MakeDefault(25, kNow);
    const Json j = ParseOrFail(StateWriter::ToJson(m));
    const Json& sites = j.at("sites");
    ASSERT_TRUE(sites.is_array());
    ASSERT_EQ(sites.size(), 25u);
    for (std::size_t i = 0; i < sites.size(); ++i) {
        const Json& s = sites[i];
        const int r = static_cast<int>(i);
        EXPECT_EQ(Latin1(s.at("name")), m.SiteName(r));
        EXPECT_EQ(s.at("readingCount"), m.ReadingCount(r));
        EXPECT_EQ(s.at("referenceValue").get<float>(), m.ReferenceValue(r));
        EXPECT_EQ(s.at("referenceTime"), m.ReferenceTime(r));
        const Json& readings = s.at("readings");
        ASSERT_EQ(readings.size(), static_cast<std::size_t>(m.ReadingCount(r)));
        for (std::size_t k = 0; k < readings.size(); ++k) {
            const auto reading = m.ReadingAt(r, static_cast<int>(k));
            EXPECT_EQ(readings[k].at("value").get<float>(), reading.value);
            EXPECT_EQ(readings[k].at("time"), reading.time);
        }
    }
    EXPECT_EQ(sites[20].at("readings").size(), 20u);
    EXPECT_EQ(sites[0].at("readings").size(), 0u);
}

TEST(StateWriterTest, ClampsCountsThatTheMemoryCannotHold) {
    ReadoutMemory m = ReadoutMemory::MakeDefault(3, kNow);
    m.SetReadingCount(1, 25);
    m.SetRecordCount(250);
    const Json j = ParseOrFail(StateWriter::ToJson(m));
    EXPECT_EQ(j.at("recordCount"), 250);
    EXPECT_EQ(j.at("sites").size(), 200u);
    EXPECT_EQ(j.at("sites")[1].at("readingCount"), 25);
    EXPECT_EQ(j.at("sites")[1].at("readings").size(), 20u);
}

TEST(StateWriterTest, EscapesTextsFromMemory) {
    ReadoutMemory m = ReadoutMemory::MakeDefault(1, kNow);
    m.SetSiteName(0, "A\"B\\C\x01\xB0");
    m.SetInfoByte(12, 0xE9);  // inside the serial number
    const std::string text = StateWriter::ToJson(m);
    // Plain ASCII whatever the memory holds, so that any reader takes it.
    EXPECT_NE(text.find(R"("name": "A\"B\\C\u0001\u00b0")"), std::string::npos);
    EXPECT_TRUE(std::all_of(text.begin(), text.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
    const Json j = ParseOrFail(text);
    EXPECT_EQ(Latin1(j.at("sites")[0].at("name")), "A\"B\\C\x01\xB0");
    EXPECT_EQ(Latin1(j.at("serialNumber")),
              "3\xE9"
              "303000");
}

TEST(StateWriterTest, EmptyReadoutHasAnEmptySiteList) {
    const Json j = ParseOrFail(StateWriter::ToJson(ReadoutMemory::MakeDefault(0, kNow)));
    EXPECT_TRUE(j.at("sites").is_array());
    EXPECT_TRUE(j.at("sites").empty());
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
    const Json j = ParseOrFail(StateWriter::ToJson(engine));
    EXPECT_EQ(j.at("commandCount"), 4);
    EXPECT_EQ(j.at("storedPacketCount"), 1);
    EXPECT_EQ(j.at("badPacketCount"), 1);
    EXPECT_EQ(j.at("initializeCount"), 1);
    EXPECT_EQ(j.at("batteryResetCount"), 1);
    EXPECT_EQ(Latin1(j.at("sites")[0].at("name")), std::string(20, 'w'));
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
