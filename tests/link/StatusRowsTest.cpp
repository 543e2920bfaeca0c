// The status rows every front end shows: keys that scripts rely on, labels as the Status page
// shows them, and queries the readout left unanswered.

#include <gtest/gtest.h>

#include <set>

#include "ReadoutStatusRows.h"
#include "TimeZoneGuard.h"

namespace q417 {
namespace {

// Scripts read these keys: a row may be added, but none of these may change or go.
const std::vector<std::pair<std::string, std::string>> kKeyLabels = {
    {"serial_number", "Serial Number :"},
    {"firmware_version", "Firmware Version :"},
    {"battery", "Battery :"},
    {"multiplier", "Multiplier :"},
    {"offset", "Offset :"},
    {"calibration_units", "Calibration Units :"},
    {"display_units", "Display Units :"},
    {"display_digits", "Display Digits :"},
    {"power_down", "Power Down :"},
    {"readout_date_time", "Readout Date Time :"},
    {"site_number", "Site Number :"},
    {"file_name", "Filename :"},
};

TEST(StatusRowsTest, KeysAreStableUniqueAndSnakeCase) {
    const std::vector<StatusRow> rows = ReadoutStatusRows(ReadoutSettings{}, 0);
    std::vector<std::pair<std::string, std::string>> shown;
    std::set<std::string> keys;
    for (const StatusRow& row : rows) {
        shown.emplace_back(row.key, row.label);
        EXPECT_TRUE(keys.insert(row.key).second) << "twice: " << row.key;
        EXPECT_EQ(row.key.find_first_not_of("abcdefghijklmnopqrstuvwxyz_"), std::string::npos)
            << row.key;
    }
    EXPECT_EQ(shown, kKeyLabels);
    EXPECT_EQ(keys.count(kClockRowKey), 1u);
}

TEST(StatusRowsTest, UnansweredQueriesShowNoAnswer) {
    sim::testing::TimeZoneGuard zone{"UTC"};
    ReadoutSettings s;
    s.serialNumber = "30303000";
    s.firmwareVersion = 2.14f;
    s.batteryVolts = 3.62f;
    s.displayDigits = -1;
    s.readoutClock = 1000;
    s.readTime = 2000;
    s.answered.firmwareVersion = true;
    const auto value = [&](const std::vector<StatusRow>& rows, const std::string& key) {
        for (const StatusRow& row : rows) {
            if (row.key == key) {
                return std::make_pair(row.value, row.answered);
            }
        }
        return std::make_pair(std::string("<no row>"), false);
    };
    std::vector<StatusRow> rows = ReadoutStatusRows(s, 2090);
    EXPECT_EQ(value(rows, "serial_number"), std::make_pair(std::string("30303000"), true));
    EXPECT_EQ(value(rows, "firmware_version"), std::make_pair(std::string("2.140"), true));
    EXPECT_EQ(value(rows, "battery"), std::make_pair(std::string(kNoAnswer), false));
    EXPECT_EQ(value(rows, "display_digits"), std::make_pair(std::string("-1"), true));
    EXPECT_EQ(value(rows, kClockRowKey), std::make_pair(std::string(kNoAnswer), false));

    s.answered.batteryVoltage = true;
    s.answered.clock = true;
    rows = ReadoutStatusRows(s, 2090);
    EXPECT_EQ(value(rows, "battery"), std::make_pair(std::string("3.620 Volts"), true));
    // The clock as read, run on by the PC's 90 seconds since.
    EXPECT_EQ(value(rows, kClockRowKey), std::make_pair(std::string("1970/01/01 00:18:10"), true));
}

}  // namespace
}  // namespace q417
