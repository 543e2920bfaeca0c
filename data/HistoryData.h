#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "PressureUnit.h"

namespace q417 {

// Whether a reading stands in the history file, or only in the readout's stored readings of the
// last download, which the next save appends.
enum class ReadingOrigin : std::uint8_t { Saved, Unsaved };

// One reading of a site's history, 16 bytes: a ten-year history holds hundreds of thousands.
struct HistoryReading {
    std::uint32_t readoutTime = 0;  // readout seconds since 01/01/2000 00:00, local time
    std::uint8_t unitCode = 1;      // PressureUnit code of the unit its line names
    ReadingOrigin origin = ReadingOrigin::Saved;
    double value = 0;  // as the line wrote it, in unitCode's unit; always finite

    [[nodiscard]] PressureUnit Unit() const { return UnitOfCode(unitCode); }
    // The value in another unit, converted as the site list converts.
    [[nodiscard]] double ValueIn(PressureUnit unit) const;
};

// A site is known by its location and serial number: its ID is renumbered whenever rows move.
struct HistorySite {
    std::string location;      // 8-bit, exactly as the lines hold it
    std::string serialNumber;  // 8-bit, exactly as the lines hold it
    std::string id;            // the ID of its last line, for showing only
    // Each reading once, in time order; readings at the same time keep the order of their lines.
    std::vector<HistoryReading> readings;

    // The unit of its latest reading: what a site shows when no unit is asked for.
    [[nodiscard]] PressureUnit LastUnit() const;
};

// Lines of a history file that were left out, by reason. Empty lines are not counted.
struct HistorySkips {
    std::uint64_t notSixFields = 0;     // not a line of six comma-separated fields
    std::uint64_t badDate = 0;          // a date that is not "MM/DD/YY hh:mm" of the readout
    std::uint64_t badValue = 0;         // a value that is not a number
    std::uint64_t notFinite = 0;        // "nan", "inf": no plot or mean can carry it
    std::uint64_t unknownUnit = 0;      // a unit text that names none of the seven units
    std::uint64_t firstLineNumber = 0;  // 1-based number of the first line left out, 0 for none

    [[nodiscard]] std::uint64_t Total() const {
        return notSixFields + badDate + badValue + notFinite + unknownUnit;
    }
};

// A history file read, its repeats removed and its readings grouped by site.
struct HistoryData {
    std::vector<HistorySite> sites;      // in the order of their first line
    std::uint64_t linesRead = 0;         // every non-empty line
    std::uint64_t repeatedReadings = 0;  // lines that repeated a reading already counted
    HistorySkips skipped;

    // The sites whose location is exactly location: several when a readout with another
    // serial number also had a site of that name.
    [[nodiscard]] std::vector<const HistorySite*> SitesAt(std::string_view location) const;
    [[nodiscard]] const HistorySite* Find(std::string_view location,
                                          std::string_view serialNumber) const;
    [[nodiscard]] std::uint64_t ReadingCount() const;
};

}  // namespace q417
