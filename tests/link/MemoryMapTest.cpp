// The readout's memory map: decoding the information area, the information read, the identity
// check and the settings write, against the simulated readout on the in-process line.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "FakeLine.h"
#include "LittleEndian.h"
#include "ManualClock.h"
#include "ReadoutEngine.h"
#include "ReadoutMemoryMap.h"
#include "ReadoutTables.h"

namespace q417 {
namespace {

constexpr std::int64_t kNow = 1796742245;  // 2026-12-08 15:04:05 UTC

using InfoImage = ReadoutMemoryMap::InfoImage;

InfoImage ImageWith(const std::function<void(InfoImage&)>& fill) {
    InfoImage image{};
    fill(image);
    return image;
}

void PutU16(InfoImage& image, int address, int value) {
    image[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(value & 0xFF);
    image[static_cast<std::size_t>(address) + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutText(InfoImage& image, int address, const std::string& text) {
    std::memcpy(image.data() + address, text.data(), text.size());
}

TEST(DecodeInformationTest, RecordCountIsClampedToCapacityAndImage) {
    struct Case {
        int count;
        int capacity;
        int expected;
    };
    for (const Case c : {Case{250, 200, 200}, Case{250, 300, 200}, Case{100, 150, 100},
                         Case{5, 0, 0}, Case{65535, 65535, 200}}) {
        const InfoImage image = ImageWith([&](InfoImage& i) {
            PutU16(i, ReadoutMemoryMap::kRecordCountAddress, c.count);
            PutU16(i, ReadoutMemoryMap::kCapacityAddress, c.capacity);
        });
        ReadoutSettings s;
        ReadoutMemoryMap::DecodeInformation(image, s);
        EXPECT_EQ(s.recordCount, c.expected) << c.count << " of " << c.capacity;
        EXPECT_EQ(s.capacity, c.capacity);
    }
}

TEST(DecodeInformationTest, FileNameStopsAtZeroUnprintableSizeOrAreaEnd) {
    struct Case {
        std::string bytes;
        int infoSize;
        std::string expected;
    };
    const std::string longName(1100, 'N');  // runs past the end of the area
    const Case cases[] = {
        {std::string("SITES.INI\0X", 11), 1152, "SITES.INI"},
        {"AB\x01"
         "CD",
         1152, "AB"},
        {"AB\x7F"
         "CD",
         1152, "AB"},
        {"AB\xE9"
         "CD",
         1152, "AB"},
        {"SITES.INI", 5, "SITES"},
        {"SITES.INI", 0, ""},
        {longName, 65535, std::string(1152 - 144, 'N')},
    };
    for (const Case& c : cases) {
        const InfoImage image = ImageWith([&](InfoImage& i) {
            PutU16(i, ReadoutMemoryMap::kInfoSizeAddress, c.infoSize);
            const std::size_t room = 1152 - 144;
            PutText(i, 144, c.bytes.substr(0, room));
        });
        ReadoutSettings s;
        ReadoutMemoryMap::DecodeInformation(image, s);
        EXPECT_EQ(s.fileName, c.expected) << c.bytes.substr(0, 12);
    }
}

TEST(DecodeInformationTest, FieldsAndTheirTexts) {
    const InfoImage image = ImageWith([](InfoImage& i) {
        PutText(i, 11, "30303000");
        PutU16(i, 20, 1152);
        StoreF32(i.data() + 32, 1.25f);
        StoreF32(i.data() + 36, -0.5f);
        i[40] = 9;  // no such unit
        StoreF32(i.data() + 48, 0.125f);
        i[52] = 2;
        i[53] = 0xA5;
        i[54] = 0xFF;  // digits are signed
        i[55] = 3;
        i[60] = 7;
        i[63] = 64;
        i[68] = 24;
    });
    ReadoutSettings s;
    ReadoutMemoryMap::DecodeInformation(image, s);
    EXPECT_EQ(s.serialNumber, "30303000");
    EXPECT_EQ(s.infoSize, 1152);
    EXPECT_EQ(s.multiplier, 1.25f);
    EXPECT_EQ(s.offset, -0.5f);
    EXPECT_EQ(s.calUnits, 9);
    EXPECT_EQ(s.calUnitsName, "");
    EXPECT_EQ(s.zero, 0.125f);
    EXPECT_EQ(s.powerDown, 2);
    EXPECT_EQ(s.powerDownText, "30 Minutes");
    EXPECT_EQ(s.displayDigits, -1);
    EXPECT_EQ(s.displayUnits, 3);
    EXPECT_EQ(s.displayUnitsName, "In H2O");
    EXPECT_EQ(s.lcdContrast, 24);
}

TEST(ReadoutTablesTest, CodesAndTexts) {
    EXPECT_EQ(UnitName(0), "Volts");
    EXPECT_EQ(UnitName(6), "M H2O");
    EXPECT_EQ(UnitName(7), "");
    EXPECT_EQ(UnitName(-1), "");
    EXPECT_EQ(PowerDownText(0), "5  Minutes");
    EXPECT_EQ(PowerDownText(4), "60 Minutes");
    EXPECT_EQ(PowerDownText(5), "");
    const std::pair<int, const char*> messages[] = {
        {0, "Readout updated"},
        {1, "Error writing serial number."},
        {2, "Error writing multiplier."},
        {3, "Error writing offset."},
        {4, "Error writing calibration units."},
        {5, "Error writing display units."},
        {6, "Error writing display digits."},
        {7, "Error writing power down."},
        {8, "Error writing zero readout."},
        {9, "Error writing date time."},
        {10, "Error writing thread running."},
        {11, "Unknown error occurred"},
        {12, "Error writing LCD Contrast."},
        {13, "Unknown error occurred"},
        {-1, "Unknown error occurred"},
    };
    for (const auto& [code, text] : messages) {
        EXPECT_EQ(ResultMessage(code), text) << code;
    }
    EXPECT_TRUE(CalibrationPasswordAccepted("KWPmoraglend"));
    EXPECT_FALSE(CalibrationPasswordAccepted("kwpmoraglend"));
    EXPECT_FALSE(CalibrationPasswordAccepted("KWPmoraglend "));
    EXPECT_FALSE(CalibrationPasswordAccepted("qvzk"));
}

class MemoryMapTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(transport.OpenPortProbing());
        ASSERT_TRUE(transport.WakeReadout(2));
        line.ClearWritten();
    }

    // The readout answers this many more commands, then falls silent.
    void AnswerOnly(int count) {
        line.WithEngine([count](sim::ReadoutEngine& e) { e.Faults().answerCommands = count; });
    }

    [[nodiscard]] sim::ReadoutMemory& Memory() { return engine.Memory(); }

    sim::ManualClock clock{kNow};
    sim::ReadoutEngine engine{sim::ReadoutMemory::MakeDefault(12, kNow),
                              [this] { return clock.CalendarSeconds(); }};
    sim::FakeLine line{clock, engine};
    ReadoutTransport transport{line, clock};
    ReadoutCommands commands{transport};
    ReadoutMemoryMap map{commands, clock};
    SharedSettings live;
};

TEST_F(MemoryMapTest, ReadInformationTakesEverythingTheReadoutHolds) {
    Memory().SetFirmwareVersion(2.5f);
    Memory().SetBatteryVolts(3.6f);
    Memory().SetBatteryLifeRemaining(87.5f);
    Memory().SetFileName("ROUTE7.INI");
    Memory().SetClockOffsetSeconds(-95);
    live.Update([](ReadoutSettings& s) { s.dataReady = 1; });  // from an earlier download
    ASSERT_TRUE(map.ReadInformation(live));
    const ReadoutSettings s = live.Snapshot();
    EXPECT_EQ(s.connected, 1);
    EXPECT_EQ(s.dataReady, 0);  // the new image is empty
    EXPECT_EQ(s.serialNumber, Memory().SerialNumber());
    EXPECT_EQ(s.multiplier, Memory().InfoF32(32));
    EXPECT_EQ(s.recordCount, 12);
    EXPECT_EQ(s.fileName, "ROUTE7.INI");
    EXPECT_EQ(s.firmwareVersion, 2.5f);
    EXPECT_EQ(s.batteryVolts, 3.6f);
    EXPECT_EQ(s.batteryLifeRemaining, 87.5f);
    EXPECT_EQ(s.readoutClock - s.readTime, -95);
    ASSERT_TRUE(s.records);
    for (std::uint8_t b : s.records->bytes) {
        ASSERT_EQ(b, 0);  // a fresh image: nothing downloaded yet
    }
}

TEST_F(MemoryMapTest, FailedBlockReadChangesNothing) {
    live.Update([](ReadoutSettings& s) {
        s.serialNumber = "OLD";
        s.recordCount = 3;
    });
    AnswerOnly(0);
    EXPECT_FALSE(map.ReadInformation(live));
    const ReadoutSettings s = live.Snapshot();
    EXPECT_EQ(s.serialNumber, "OLD");
    EXPECT_EQ(s.recordCount, 3);
    EXPECT_EQ(s.connected, 0);
}

TEST_F(MemoryMapTest, LateBlockReplyFailsChangesNothingAndIsClearedAway) {
    live.Update([](ReadoutSettings& s) {
        s.serialNumber = "OLD";
        s.recordCount = 3;
    });
    // The echo comes after the 1500 ms the echo line may take, the block right behind it.
    engine.Faults().replyLatencyMs = 1600;
    EXPECT_FALSE(map.ReadInformation(live));
    const ReadoutSettings s = live.Snapshot();
    EXPECT_EQ(s.serialNumber, "OLD");
    EXPECT_EQ(s.recordCount, 3);
    EXPECT_EQ(s.connected, 0);
    EXPECT_FALSE(s.records);
    // The late reply did not stay on the line for the next attempt.
    engine.Faults().replyLatencyMs = 0;
    ASSERT_TRUE(map.ReadInformation(live));
    EXPECT_EQ(live.Snapshot().serialNumber, Memory().SerialNumber());
}

TEST_F(MemoryMapTest, UnansweredStatusQueriesKeepTheirOldValues) {
    live.Update([](ReadoutSettings& s) {
        s.readoutClock = 1000;
        s.readTime = 2000;
        s.batteryVolts = 1.5f;
    });
    AnswerOnly(2);  // the block read and the firmware version, then silence
    ASSERT_TRUE(map.ReadInformation(live));
    const ReadoutSettings s = live.Snapshot();
    EXPECT_EQ(s.connected, 1);
    EXPECT_EQ(s.batteryVolts, 1.5f);
    // The clock and the PC time it was read at stay a pair.
    EXPECT_EQ(s.readoutClock, 1000);
    EXPECT_EQ(s.readTime, 2000);
}

TEST_F(MemoryMapTest, IdentityDigitsAreComparedWithTheSerialNumber) {
    Memory().SetIdentity({0x12, 0x34, 0xAB, 0x00});
    int changed = -1;
    ASSERT_TRUE(map.CheckIdentity("1234AB00", changed));
    EXPECT_EQ(changed, 0);
    ASSERT_TRUE(map.CheckIdentity("1234ab00", changed));
    EXPECT_EQ(changed, 1);
    // Another identity is read twice before it is believed.
    EXPECT_EQ(line.Written(),
              "RE 10\r\nRE 11\r\nRE 12\r\nRE 13\r\nRE 10\r\nRE 11\r\nRE 12\r\nRE "
              "13\r\nRE 10\r\nRE 11\r\nRE 12\r\nRE 13\r\n");
    AnswerOnly(2);
    EXPECT_FALSE(map.CheckIdentity("1234AB00", changed));
    EXPECT_EQ(changed, 0);
}

// One settings write with every step, failing at each step in turn.
TEST_F(MemoryMapTest, SettingsWriteStopsAtTheFirstFailingStepAndKeepsWhatWasDone) {
    ReadoutSettings request;
    request.serialNumber = "AB12";  // 4 characters and the zero: 5 writes
    request.multiplier = 2.5f;
    request.offset = -1.25f;
    request.calUnits = 2;
    request.zero = 0.75f;
    request.displayUnits = 5;
    request.displayDigits = 3;
    request.powerDown = 4;
    request.readoutClock = kNow + 3600;
    const int all = SET_INITIALIZE | SET_SERIAL_NUMBER | SET_MULTIPLIER | SET_OFFSET |
                    SET_CAL_UNITS | SET_ZERO | SET_DISPLAY_UNITS | SET_DISPLAY_DIGITS |
                    SET_POWER_DOWN | SET_CLOCK | SET_LCD_CONTRAST;
    struct Step {
        int exchanges;  // commands the step sends
        int failureCode;
    };
    const Step steps[] = {{1, 11}, {5, 1}, {4, 2}, {4, 3}, {1, 4},
                          {4, 8},  {1, 5}, {1, 6}, {1, 7}, {1, 9}};
    int before = 0;
    for (std::size_t failing = 0; failing <= std::size(steps); ++failing) {
        SCOPED_TRACE(failing);
        // A fresh readout each time: one whose cable was pulled stays silent.
        sim::ManualClock rigClock{kNow};
        sim::ReadoutEngine rigEngine{sim::ReadoutMemory::MakeDefault(12, kNow),
                                     [&rigClock] { return rigClock.CalendarSeconds(); }};
        sim::FakeLine rigLine{rigClock, rigEngine};
        ReadoutTransport rigTransport{rigLine, rigClock};
        ReadoutCommands rigCommands{rigTransport};
        ReadoutMemoryMap rigMap{rigCommands, rigClock};
        SharedSettings rigLive;
        ASSERT_TRUE(rigTransport.OpenPortProbing());
        ASSERT_TRUE(rigTransport.WakeReadout(2));
        rigEngine.Faults().answerCommands = failing < std::size(steps) ? before : -1;
        const int result = rigMap.WriteSettings(request, all, rigLive);
        const ReadoutSettings s = rigLive.Snapshot();
        sim::ReadoutMemory& memory = rigEngine.Memory();
        if (failing == std::size(steps)) {
            EXPECT_EQ(result, 0);
        } else {
            EXPECT_EQ(result, steps[failing].failureCode);
            before += steps[failing].exchanges;
        }
        // Every step before the failing one is in the live copy, none after it.
        const std::size_t done = failing;
        EXPECT_EQ(s.serialNumber, done > 1 ? "AB12" : "");
        EXPECT_EQ(s.multiplier, done > 2 ? 2.5f : 0.0f);
        EXPECT_EQ(s.offset, done > 3 ? -1.25f : 0.0f);
        EXPECT_EQ(s.calUnitsName, done > 4 ? "kPa" : "");
        EXPECT_EQ(s.zero, done > 5 ? 0.75f : 0.0f);
        EXPECT_EQ(s.displayUnitsName, done > 6 ? "mm H2O" : "");
        EXPECT_EQ(s.displayDigits, done > 7 ? 3 : 0);
        EXPECT_EQ(s.powerDownText, done > 8 ? "60 Minutes" : "");
        EXPECT_EQ(s.readoutClock, done > 9 ? kNow + 3600 : 0);
        EXPECT_EQ(s.answered.clock, done > 9);  // a written clock is known
        if (done > 9) {
            EXPECT_EQ(s.readTime, rigClock.CalendarSeconds());
            EXPECT_EQ(memory.SerialNumber(), "AB12");
            EXPECT_EQ(memory.InfoF32(32), 2.5f);
            EXPECT_EQ(memory.InfoByte(54), 3);
            EXPECT_EQ(memory.InitializeCount(), 1);
        }
    }
}

TEST_F(MemoryMapTest, MultiplierWrittenThenUnitsFailReturnsFourAndKeepsMultiplier) {
    ReadoutSettings request;
    request.multiplier = 1.5f;
    request.calUnits = 1;
    AnswerOnly(4);
    EXPECT_EQ(map.WriteSettings(request, SET_MULTIPLIER | SET_CAL_UNITS, live), 4);
    EXPECT_EQ(live.Snapshot().multiplier, 1.5f);
    EXPECT_EQ(Memory().InfoF32(32), 1.5f);
    EXPECT_EQ(line.Written().substr(0, 40), "WE 20 00\r\nWE 21 00\r\nWE 22 C0\r\nWE 23 3F\r\n");
}

TEST_F(MemoryMapTest, NoStepMeansNoExchange) {
    ReadoutSettings request;
    for (int flags : {0, SET_LCD_CONTRAST, 0x1 | 0x2 | 0x800 | 0x1000}) {
        EXPECT_EQ(map.WriteSettings(request, flags, live), 0) << flags;
    }
    EXPECT_EQ(line.Written(), "");
}

TEST_F(MemoryMapTest, FileNameIsCutToTheInformationSize) {
    struct Case {
        int infoSize;
        std::size_t length;
        std::size_t written;
    };
    for (const Case c : {Case{160, 20, 15}, Case{160, 15, 15}, Case{1152, 40, 40},
                         Case{100, 12, 12}, Case{1152, 2000, 1007}, Case{0, 2000, 1007}}) {
        SCOPED_TRACE(c.infoSize);
        Memory().Info().fill(0xEE);
        line.ClearWritten();
        std::string name;
        for (std::size_t i = 0; i < c.length; ++i) {
            name.push_back(static_cast<char>('A' + i % 26));
        }
        ASSERT_TRUE(map.WriteFileName(name, c.infoSize));
        for (std::size_t i = 0; i < c.written; ++i) {
            ASSERT_EQ(Memory().InfoByte(144 + static_cast<int>(i)), name[i]) << i;
        }
        EXPECT_EQ(Memory().InfoByte(144 + static_cast<int>(c.written)), 0);
        if (144 + c.written + 1 < 1152) {
            EXPECT_EQ(Memory().InfoByte(144 + static_cast<int>(c.written) + 1), 0xEE);
        }
    }
}

TEST_F(MemoryMapTest, SerialNumberZeroIsWrittenEvenAfterAFailure) {
    ASSERT_TRUE(map.WriteSerialNumber("XY7"));
    EXPECT_EQ(line.Written(), "WE B 58\r\nWE C 59\r\nWE D 37\r\nWE E 00\r\n");
    EXPECT_EQ(Memory().SerialNumber(), "XY7");

    line.ClearWritten();
    AnswerOnly(1);
    EXPECT_FALSE(map.WriteSerialNumber("QR"));
    // The second character failed (two attempts); the zero is still tried where it belongs.
    EXPECT_EQ(line.Written(), "WE B 51\r\nWE C 52\r\nWE C 52\r\nWE D 00\r\nWE D 00\r\n");
}

TEST_F(MemoryMapTest, TextThatLostACharacterIsAFailureEvenWhenItsZeroWent) {
    // Every try of the first character is cut short; the zero after it goes through.
    engine.Faults().cutReplies = 3;
    EXPECT_FALSE(map.WriteFileName("Q", 1152));
    EXPECT_EQ(engine.Faults().cutReplies, 0);
    EXPECT_EQ(Memory().InfoByte(145), 0);
    ReadoutSettings request;
    request.serialNumber = "Q";
    engine.Faults().cutReplies = 3;
    EXPECT_EQ(map.WriteSettings(request, SET_SERIAL_NUMBER, live), kResultSerialNumber);
}

TEST_F(MemoryMapTest, SerialNumberThatWouldReachTheSizeFieldIsRefused) {
    ASSERT_TRUE(map.WriteSerialNumber("12345678"));
    EXPECT_EQ(Memory().InfoByte(19), 0);
    EXPECT_EQ(Memory().InfoU16(20), 1152);
    line.ClearWritten();
    ReadoutSettings request;
    request.serialNumber = "123456789";
    EXPECT_EQ(map.WriteSettings(request, SET_SERIAL_NUMBER, live), kResultSerialNumber);
    EXPECT_EQ(line.Written(), "");
    EXPECT_EQ(Memory().InfoU16(20), 1152);
    EXPECT_EQ(live.Snapshot().serialNumber, "");
}

TEST(DecodeInformationTest, SerialNumberIsReadWithinItsField) {
    const InfoImage image = ImageWith([](InfoImage& i) {
        PutText(i, 11, "ABCDEFGHIJKLMNOP");  // no zero: the size and more follow
    });
    ReadoutSettings s;
    ReadoutMemoryMap::DecodeInformation(image, s);
    EXPECT_EQ(s.serialNumber, "ABCDEFGHI");
}

TEST_F(MemoryMapTest, RecordCountHighByteOnlyAfterTheLowByte) {
    ASSERT_TRUE(map.WriteRecordCount(0x0123));
    EXPECT_EQ(line.Written(), "WE 3D 23\r\nWE 3E 01\r\n");
    EXPECT_EQ(Memory().InfoU16(61), 0x0123);
    line.ClearWritten();
    AnswerOnly(0);
    EXPECT_FALSE(map.WriteRecordCount(5));
    EXPECT_EQ(line.Written(), "WE 3D 05\r\nWE 3D 05\r\n");
}

}  // namespace
}  // namespace q417
