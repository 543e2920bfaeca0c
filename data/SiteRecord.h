#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace q417 {

inline constexpr int kMaxSites = 177;
inline constexpr int kMaxStoredReadings = 20;

// The date and value texts of a site that has no reading.
inline constexpr const char* kNoReadingDateTime = "01/01/00 00:00";
inline constexpr const char* kNoReadingValue = "0.000000000";

// One site of the document. The texts are 8-bit, held and written exactly as read.
struct SiteRecord {
    std::string dateTime;      // "MM/DD/YY hh:mm" of the latest reading, or kNoReadingDateTime
    std::string id;            // site number as the ID column shows it
    std::string latestData;    // latest value as decimal text, in the unit named by `units`
    std::string units;         // unit name of latestData, or empty
    std::string serialNumber;  // serial number of the readout that supplied the reading
    std::string location;
    // Readings copied from the readout by a merge, in the readout's calibration unit; how many
    // are valid is the reading count of the readout record with the same index.
    std::array<float, kMaxStoredReadings> readingValues{};
    std::array<std::uint32_t, kMaxStoredReadings> readingTimes{};  // readout seconds

    friend bool operator==(const SiteRecord&, const SiteRecord&) = default;
};

}  // namespace q417
