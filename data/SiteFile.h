#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "SiteRecord.h"

namespace q417 {

// The site data file: one line per site, the six texts joined by single commas (ID, location,
// date/time, latest data, units, serial number), CR LF between lines and none after the last.
// No quoting: a comma inside a text shifts the fields after it.
class SiteFile {
  public:
    struct Contents {
        std::vector<SiteRecord> sites;  // at most kMaxSites
        int linesBeyondLimit = 0;       // site lines after the 177th, not loaded
        bool sawSiteLine = false;       // a non-empty line was read (the load started)
    };

    // A line that is not a site line.
    struct LineFault {
        int lineNumber = 0;  // from 1, counting every line, empty ones too
        std::string text;    // the line as it stands, without its line end
    };

    // Reads the sites of a file's bytes. Lines end at CR LF, LF or a lone CR; empty
    // lines are skipped; a line of blanks only ends the load. Lines are trimmed at both ends
    // and split at the first five commas, the serial number taking the rest.
    [[nodiscard]] static Contents Parse(std::string_view bytes);

    // The strict reading, for callers that show no list to check: the first non-empty line
    // that does not hold exactly the six fields of a site line (five commas), with the line
    // ends Parse uses; nothing when every non-empty line does.
    [[nodiscard]] static std::optional<LineFault> FirstLineWithoutSixFields(std::string_view bytes);

    // The field of a site line whose text does not read as what it holds.
    enum class ReadingField { DateTime, LatestData };

    struct ReadingFault {
        int lineNumber = 0;  // from 1, counting every line, empty ones too
        std::string text;    // the line as it stands, without its line end
        ReadingField field = ReadingField::DateTime;
    };

    // The strict reading of the latest reading, for callers that show no list to check: the
    // first site line before the load's end whose date and time is not one (ParseExactSiteDateTime)
    // or whose latest value is not a number (ParseWholeValue), where the loose reading would take
    // 0 or a part of it without a word. An empty field, as a site without a reading may have,
    // passes. Nothing when every site line reads.
    [[nodiscard]] static std::optional<ReadingFault> FirstLineWithUnreadableReading(
        std::string_view bytes);

    // The fields of one line, already trimmed.
    [[nodiscard]] static SiteRecord ParseLine(std::string_view line);

    // One site's line, without a line break.
    [[nodiscard]] static std::string Line(const SiteRecord& site);

    // The file's bytes for sites[0..count-1].
    [[nodiscard]] static std::string Text(const SiteRecord* sites, int count);
};

}  // namespace q417
