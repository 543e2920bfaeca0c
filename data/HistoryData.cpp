#include "HistoryData.h"

#include "UnitConversion.h"

namespace q417 {

double HistoryReading::ValueIn(PressureUnit unit) const {
    return ConvertValue(value, Unit(), unit);
}

PressureUnit HistorySite::LastUnit() const {
    return readings.empty() ? PressureUnit::Psi : readings.back().Unit();
}

std::vector<const HistorySite*> HistoryData::SitesAt(std::string_view location) const {
    std::vector<const HistorySite*> found;
    for (const HistorySite& site : sites) {
        if (site.location == location) {
            found.push_back(&site);
        }
    }
    return found;
}

const HistorySite* HistoryData::Find(std::string_view location,
                                     std::string_view serialNumber) const {
    for (const HistorySite& site : sites) {
        if (site.location == location && site.serialNumber == serialNumber) {
            return &site;
        }
    }
    return nullptr;
}

std::uint64_t HistoryData::ReadingCount() const {
    std::uint64_t count = 0;
    for (const HistorySite& site : sites) {
        count += site.readings.size();
    }
    return count;
}

}  // namespace q417
