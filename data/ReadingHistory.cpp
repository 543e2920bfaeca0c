#include "ReadingHistory.h"

#include <algorithm>

#include "ReadoutTime.h"
#include "SiteFile.h"
#include "UnitConversion.h"
#include "ValueText.h"

namespace q417 {

std::string ReadingHistory::PathFor(const std::string& dataFilePath) {
    const std::size_t slash = dataFilePath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string folder = dataFilePath.substr(0, nameStart);
    const std::size_t dot = dataFilePath.find('.', nameStart);
    const std::string stem = dataFilePath.substr(
        nameStart, dot == std::string::npos ? std::string::npos : dot - nameStart);
    return folder + (stem.empty() ? std::string("Untitled") : stem) + ".csv";
}

std::string ReadingHistory::Lines(const SiteRecord& site, std::span<const ReadingEntry> readings,
                                  PressureUnit readingUnit, PressureUnit documentUnit,
                                  const std::string* readingUnits) {
    std::string lines;
    for (const ReadingEntry& reading :
         readings.first(std::min<std::size_t>(readings.size(), kMaxStoredReadings))) {
        if (!IsReading(reading)) {
            continue;  // erased memory or a value no file can carry back to the readout
        }
        SiteRecord line = site;
        line.dateTime = FormatReadoutTime(reading.time);
        line.latestData = FormatValue(ConvertValue(reading.value, readingUnit, documentUnit));
        if (readingUnits != nullptr) {
            line.units = *readingUnits;
        }
        lines += SiteFile::Line(line) + "\r\n";
    }
    if (lines.empty() && site.dateTime != kNoReadingDateTime) {
        return SiteFile::Line(site) + "\r\n";
    }
    return lines;
}

}  // namespace q417
