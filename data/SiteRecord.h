#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "PressureUnit.h"

namespace q417 {

inline constexpr int kMaxSites = 177;
inline constexpr int kMaxStoredReadings = 20;

// The date and value texts of a site that has no reading.
inline constexpr const char* kNoReadingDateTime = "01/01/00 00:00";
inline constexpr const char* kNoReadingValue = "0.000000000";

// Which readout record holds a site's stored readings.
// A site of a download knows the record it came from (0..199), so its readings follow it
// through moves, deletes and inserts. A site opened from a file knows none: the record at its
// place in the list stands for it. A site added by hand has no record and no readings.
inline constexpr int kReadoutRecordAtPlace = -1;
inline constexpr int kNoReadoutRecord = -2;

// The readout's stored readings of one site, as the last download found them.
struct StoredReadings {
    int readoutRecord = kReadoutRecordAtPlace;
    std::string readoutSerial;  // serial number of the readout readoutRecord belongs to
    int readingCount = 0;       // valid entries below when readoutRecord >= 0, oldest first
    PressureUnit unit = PressureUnit::Psi;  // the readout's calibration unit of the values
    std::array<float, kMaxStoredReadings> readingValues{};
    std::array<std::uint32_t, kMaxStoredReadings> readingTimes{};  // readout seconds

    friend bool operator==(const StoredReadings&, const StoredReadings&) = default;
};

// One site of the document. The texts are 8-bit, held and written exactly as read.
struct SiteRecord {
    std::string dateTime;      // "MM/DD/YY hh:mm" of the latest reading, or kNoReadingDateTime
    std::string id;            // site number as the ID column shows it
    std::string latestData;    // latest value as decimal text, in the unit named by `units`
    std::string units;         // unit name of latestData, or empty
    std::string serialNumber;  // serial number of the readout that supplied the reading
    std::string location;
    StoredReadings readings;

    friend bool operator==(const SiteRecord&, const SiteRecord&) = default;
};

}  // namespace q417
