#pragma once

#include <span>
#include <string>

#include "PressureUnit.h"
#include "ReadoutSiteRecord.h"
#include "SiteRecord.h"

namespace q417 {

// The reading history: every save appends each site's stored readings to a comma-separated
// file beside the data file, so repeated downloads build up a record over time. Lines have the
// six fields of the site file; every line ends with CR LF.
class ReadingHistory {
  public:
    // The history file of a data file: the data file's name cut before its first dot, then
    // ".csv", in the data file's folder ("/a/b.d/sites.ini" gives "/a/b.d/sites.csv"). A name
    // that starts with a dot gives "Untitled.csv" in that folder.
    [[nodiscard]] static std::string PathFor(const std::string& dataFilePath);

    // The history lines of site with its stored readings, whose values are in readingUnit. One
    // line per entry that is a reading (IsReading): its date, its value converted to
    // documentUnit, and the site's other texts (its units text too, unless readingUnits names
    // the unit for those lines). Without any, the site's own line when it has a date, else
    // nothing.
    [[nodiscard]] static std::string Lines(const SiteRecord& site,
                                           std::span<const ReadingEntry> readings,
                                           PressureUnit readingUnit, PressureUnit documentUnit,
                                           const std::string* readingUnits = nullptr);
};

}  // namespace q417
