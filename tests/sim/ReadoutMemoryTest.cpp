#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <set>
#include <string>

#include "DateTimeFields.h"
#include "ReadoutMemory.h"
#include "TimeZoneGuard.h"

namespace q417::sim {
namespace {

constexpr std::int64_t kNow = 1767225600;  // 2026-01-01 00:00:00 UTC

// What the host's identity check derives from the bytes at 16..19.
std::string HostIdentityDigits(const ReadoutMemory& m) {
    std::string digits;
    for (int a = 16; a < 20; ++a) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", static_cast<unsigned>(m.InfoByte(a)));
        digits += two;
    }
    return digits;
}

TEST(ReadoutMemoryTest, DefaultDeviceIdentityMatchesItsSerialNumber) {
    const ReadoutMemory m = ReadoutMemory::MakeDefault(12, kNow);
    EXPECT_EQ(m.SerialNumber(), "30303000");
    EXPECT_EQ(HostIdentityDigits(m), m.SerialNumber());
    EXPECT_EQ(m.IdentityHex(), m.SerialNumber());
    // The serial's terminating zero is the last identity byte.
    EXPECT_EQ(m.InfoByte(19), 0);
}

TEST(ReadoutMemoryTest, AnotherSerialNumberNoLongerMatchesItsIdentity) {
    ReadoutMemory m = ReadoutMemory::MakeDefault(1, kNow);
    ASSERT_TRUE(m.SetSerialNumber("12345678"));
    EXPECT_EQ(m.SerialNumber(), "12345678");
    EXPECT_EQ(HostIdentityDigits(m), "36373800");  // '6', '7', '8', zero
}

TEST(ReadoutMemoryTest, DefaultDeviceSettings) {
    const ReadoutMemory m = ReadoutMemory::MakeDefault(12, kNow);
    EXPECT_EQ(m.InfoSize(), 1152);
    EXPECT_EQ(m.CalUnits(), 1);
    EXPECT_EQ(m.DisplayUnits(), 1);
    EXPECT_EQ(m.PowerDown(), 1);
    EXPECT_EQ(m.DisplayDigits(), 3);
    EXPECT_EQ(m.Capacity(), 200);
    EXPECT_EQ(m.RecordCount(), 12);
    EXPECT_EQ(m.BlockSize(), 64);
    EXPECT_EQ(m.LcdContrast(), 96);
    EXPECT_EQ(m.FileName(), "SITES.INI");
    EXPECT_FLOAT_EQ(m.FirmwareVersion(), 2.14f);
    EXPECT_GT(m.BatteryVolts(), 3.0f);
    EXPECT_LT(m.BatteryVolts(), 4.3f);
    // Calibration constants that a swapped or misaligned read would not reproduce.
    EXPECT_NE(m.Multiplier(), 1.0f);
    EXPECT_NE(m.Offset(), 0.0f);
    EXPECT_NE(m.Zero(), 0.0f);
    EXPECT_NE(m.Multiplier(), m.Offset());
    EXPECT_EQ(m.TemperatureSignal().size(), 8u);
    EXPECT_EQ(m.PressureSignal().size(), 10u);
    EXPECT_GT(m.BatteryLifeRemaining(), 0.0f);
    EXPECT_LE(m.BatteryLifeRemaining(), 100.0f);
}

TEST(ReadoutMemoryTest, MultiByteFieldsAreLittleEndian) {
    const ReadoutMemory m = ReadoutMemory::MakeDefault(12, kNow);
    EXPECT_EQ(m.InfoByte(20), 0x80);  // 1152 = 0x0480
    EXPECT_EQ(m.InfoByte(21), 0x04);
    EXPECT_EQ(m.InfoByte(58), 0xC8);  // 200
    EXPECT_EQ(m.InfoByte(59), 0x00);
    EXPECT_EQ(m.InfoByte(61), 12);
    EXPECT_EQ(m.InfoByte(62), 0);
    EXPECT_EQ(m.InfoByte(63), 64);
    const auto bits = std::bit_cast<std::uint32_t>(m.Multiplier());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(m.InfoByte(32 + i), static_cast<std::uint8_t>(bits >> (8 * i))) << i;
    }
    const char name[] = "SITES.INI";
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(m.InfoByte(144 + i), static_cast<std::uint8_t>(name[i]));
    }
    EXPECT_EQ(m.InfoByte(153), 0);
}

TEST(ReadoutMemoryTest, TypedSettersWriteTheDocumentedAddresses) {
    ReadoutMemory m;
    m.SetInfoU16(61, 0x0102);
    EXPECT_EQ(m.InfoByte(61), 0x02);
    EXPECT_EQ(m.InfoByte(62), 0x01);
    m.SetDisplayDigits(-2);
    EXPECT_EQ(m.InfoByte(54), 0xFE);
    EXPECT_EQ(m.DisplayDigits(), -2);
    m.SetZero(-1.5f);
    EXPECT_EQ(m.InfoByte(48), 0x00);
    EXPECT_EQ(m.InfoByte(49), 0x00);
    EXPECT_EQ(m.InfoByte(50), 0xC0);
    EXPECT_EQ(m.InfoByte(51), 0xBF);
    EXPECT_EQ(m.Zero(), -1.5f);
}

TEST(ReadoutMemoryTest, OutOfRangeAddressesReadZeroAndIgnoreWrites) {
    ReadoutMemory m;
    m.SetInfoByte(1152, 7);
    m.SetInfoByte(-1, 7);
    EXPECT_EQ(m.InfoByte(1152), 0);
    EXPECT_EQ(m.InfoByte(-1), 0);
    m.SetInfoU16(1151, 0xABCD);  // only the low byte fits
    EXPECT_EQ(m.InfoByte(1151), 0xCD);
}

TEST(ReadoutMemoryTest, SerialNumberNeverReachesTheInformationAreaSize) {
    ReadoutMemory m = ReadoutMemory::MakeDefault(1, kNow);
    EXPECT_FALSE(m.SetSerialNumber("123456789"));
    EXPECT_EQ(m.SerialNumber(), "30303000");
    EXPECT_EQ(m.InfoSize(), 1152);
    ASSERT_TRUE(m.SetSerialNumber("Q1"));
    EXPECT_EQ(m.SerialNumber(), "Q1");
    EXPECT_EQ(m.InfoByte(13), 0);
}

TEST(ReadoutMemoryTest, FileNameStopsAtTheSizeOfTheArea) {
    ReadoutMemory m = ReadoutMemory::MakeDefault(1, kNow);
    m.SetInfoSize(160);
    EXPECT_EQ(m.SetFileName("ABCDEFGHIJKLMNOPQRST"), 15);  // 144..158, zero at 159
    EXPECT_EQ(m.InfoByte(158), 'O');
    EXPECT_EQ(m.InfoByte(159), 0);
    EXPECT_EQ(m.FileName(), "ABCDEFGHIJKLMNO");
}

TEST(ReadoutMemoryTest, FileNameEndsAtTheFirstUnprintableByte) {
    ReadoutMemory m = ReadoutMemory::MakeDefault(1, kNow);
    m.SetInfoByte(147, 0x7F);
    EXPECT_EQ(m.FileName(), "SIT");
}

TEST(ReadoutMemoryTest, RecordCountFollowsTheSitesAskedFor) {
    for (const auto& [asked, expected] : std::initializer_list<std::pair<int, int>>{
             {0, 0}, {1, 1}, {12, 12}, {200, 200}, {250, 200}, {-3, 0}}) {
        EXPECT_EQ(ReadoutMemory::MakeDefault(asked, kNow).RecordCount(), expected) << asked;
    }
}

TEST(ReadoutMemoryTest, ReadingCountsRunFromZeroToTwenty) {
    const ReadoutMemory m = ReadoutMemory::MakeDefault(200, kNow);
    std::set<int> seen;
    for (int i = 0; i < 200; ++i) {
        const int count = m.ReadingCount(i);
        EXPECT_EQ(count, i % 21) << i;
        seen.insert(count);
    }
    EXPECT_EQ(seen.size(), 21u);
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_EQ(*seen.rbegin(), 20);
}

TEST(ReadoutMemoryTest, SitesHaveRealisticNamesAndOrderedTimes) {
    testing::TimeZoneGuard zone("UTC0");
    const ReadoutMemory m = ReadoutMemory::MakeDefault(200, kNow);
    const std::uint32_t now = *DateTimeFields::FromCalendarLocal(kNow).ToReadoutStamp();
    bool fullLengthName = false;
    for (int i = 0; i < 200; ++i) {
        const std::string name = m.SiteName(i);
        ASSERT_FALSE(name.empty()) << i;
        EXPECT_LE(name.size(), 20u) << i;
        fullLengthName = fullLengthName || name.size() == 20;
        for (char c : name) {
            EXPECT_TRUE(c >= 0x20 && c <= 0x7E) << i;
        }
        EXPECT_EQ(m.Records()[static_cast<std::size_t>(i) * 192 + 20], 0) << "zero after 20";

        std::uint32_t previous = m.ReferenceTime(i);
        for (int j = 0; j < m.ReadingCount(i); ++j) {
            const auto r = m.ReadingAt(i, j);
            EXPECT_GT(r.time, previous) << i << "/" << j;
            EXPECT_LT(r.time, now) << i << "/" << j;
            EXPECT_GT(r.value, 0.0f);
            EXPECT_LT(r.value, 100.0f);
            previous = r.time;
        }
        for (int j = m.ReadingCount(i); j < 20; ++j) {
            EXPECT_EQ(m.ReadingAt(i, j), ReadoutMemory::Reading{}) << i << "/" << j;
        }
    }
    EXPECT_TRUE(fullLengthName);
    EXPECT_EQ(m.SiteName(0), "MW-01 NORTH FIELD");
}

TEST(ReadoutMemoryTest, RecordsPastTheCountAreEmpty) {
    const ReadoutMemory m = ReadoutMemory::MakeDefault(3, kNow);
    for (std::size_t b = 3 * 192; b < m.Records().size(); ++b) {
        ASSERT_EQ(m.Records()[b], 0) << b;
    }
}

TEST(ReadoutMemoryTest, SiteRecordLayout) {
    ReadoutMemory m;
    m.SetSiteName(2, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    m.SetReadingCount(2, 5);
    m.SetReferenceValue(2, 1.0f);
    m.SetReferenceTime(2, 0x11223344);
    m.SetReading(2, 19, {2.0f, 0xA1B2C3D4});
    const std::uint8_t* r = m.Records().data() + 2 * 192;
    EXPECT_EQ(m.SiteName(2), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(r[19], 'T');
    EXPECT_EQ(r[20], 0);
    EXPECT_EQ(r[21], 5);
    EXPECT_EQ(r[27], 0x3F);  // 1.0f = 0x3F800000
    EXPECT_EQ(r[28], 0x44);
    EXPECT_EQ(r[31], 0x11);
    EXPECT_EQ(r[32 + 19 * 8 + 3], 0x40);  // 2.0f = 0x40000000
    EXPECT_EQ(r[32 + 19 * 8 + 4], 0xD4);
    EXPECT_EQ(r[191], 0xA1);
    // Indices outside the memory change nothing.
    m.SetReading(2, 20, {9.0f, 9});
    m.SetSiteName(200, "X");
    EXPECT_EQ(m.ReadingAt(2, 20), ReadoutMemory::Reading{});
    EXPECT_EQ(m.SiteName(200), "");
}

TEST(ReadoutMemoryTest, CalibrationSignalsKeepTheirLength) {
    ReadoutMemory m = ReadoutMemory::MakeDefault(1, kNow);
    EXPECT_TRUE(m.SetTemperatureSignal("12345678"));
    EXPECT_FALSE(m.SetTemperatureSignal("1234567"));
    EXPECT_FALSE(m.SetTemperatureSignal("1234?678"));
    EXPECT_EQ(m.TemperatureSignal(), "12345678");
    EXPECT_TRUE(m.SetPressureSignal("0123456789"));
    EXPECT_FALSE(m.SetPressureSignal("01234567\r9"));
    EXPECT_EQ(m.PressureSignal(), "0123456789");
}

TEST(ReadoutMemoryTest, BatteryResetStartsAFreshBattery) {
    ReadoutMemory m = ReadoutMemory::MakeDefault(1, kNow);
    m.ResetBatteryStats();
    EXPECT_EQ(m.DisplayOnTime(), 0.0f);
    EXPECT_EQ(m.BacklightTime(), 0.0f);
    EXPECT_EQ(m.SleepTime(), 0.0f);
    EXPECT_EQ(m.BatteryLifeRemaining(), 100.0f);
}

}  // namespace
}  // namespace q417::sim
