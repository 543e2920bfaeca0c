#include "ReadingHistory.h"

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

std::string ReadingHistory::Lines(const SiteRecord& site, const ReadoutSiteRecord* record,
                                  PressureUnit calUnits, PressureUnit documentUnit) {
    const int count = record != nullptr ? record->readingCount : 0;
    if (count <= 0) {
        return site.dateTime == kNoReadingDateTime ? std::string() : SiteFile::Line(site) + "\r\n";
    }
    std::string lines;
    for (int i = 0; i < count && i < kMaxStoredReadings; ++i) {
        const ReadingEntry& reading = record->readings[static_cast<std::size_t>(i)];
        SiteRecord line = site;
        line.dateTime = FormatReadoutTime(reading.time);
        line.latestData = FormatValue(ConvertValue(reading.value, calUnits, documentUnit));
        lines += SiteFile::Line(line) + "\r\n";
    }
    return lines;
}

}  // namespace q417
