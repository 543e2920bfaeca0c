#include "SiteFile.h"

#include <algorithm>

#include "ReadoutTime.h"
#include "SiteText.h"
#include "ValueText.h"

namespace q417 {
namespace {

// A field's text ends at a zero byte, as a C string would: whatever follows it up to the next
// comma is not part of the text, and the file reads on as usual.
std::string FieldText(std::string_view field) {
    return std::string(field.substr(0, field.find('\0')));
}

// The text before the first comma, rest keeping what follows it. Without a comma the field is
// empty and rest stays as it is.
std::string NextField(std::string_view& rest) {
    const std::size_t comma = rest.find(',');
    if (comma == std::string_view::npos) {
        return {};
    }
    std::string field = FieldText(rest.substr(0, comma));
    rest.remove_prefix(comma + 1);
    return field;
}

// The next line of bytes without its line end, bytes keeping what follows it. A line ends at
// CR LF, LF or a lone CR: old tools wrote CR only.
std::string_view NextLine(std::string_view& bytes) {
    const std::size_t end = bytes.find_first_of("\r\n");
    if (end == std::string_view::npos) {
        const std::string_view line = bytes;
        bytes = {};
        return line;
    }
    const std::string_view line = bytes.substr(0, end);
    const bool crLf = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n';
    bytes.remove_prefix(end + (crLf ? 2 : 1));
    return line;
}

}  // namespace

SiteRecord SiteFile::ParseLine(std::string_view line) {
    SiteRecord site;
    site.id = NextField(line);
    site.location = NextField(line);
    site.dateTime = NextField(line);
    site.latestData = NextField(line);
    site.units = NextField(line);
    // The serial number ends the line. Cut at a zero, it loses the blanks before the zero as the
    // line loses its trailing blanks: written back, it then reads the same.
    site.serialNumber = FieldText(line);
    while (!site.serialNumber.empty() && IsBlank(site.serialNumber.back())) {
        site.serialNumber.pop_back();
    }
    return site;
}

SiteFile::Contents SiteFile::Parse(std::string_view bytes) {
    Contents contents;
    while (!bytes.empty()) {
        const std::string_view line = NextLine(bytes);
        if (line.empty()) {
            continue;
        }
        contents.sawSiteLine = true;
        const std::string_view trimmed = TrimBlanks(line);
        if (trimmed.empty()) {
            break;  // a line of blanks ends the file
        }
        if (static_cast<int>(contents.sites.size()) < kMaxSites) {
            contents.sites.push_back(ParseLine(trimmed));
        } else {
            ++contents.linesBeyondLimit;
        }
    }
    return contents;
}

std::optional<SiteFile::LineFault> SiteFile::FirstLineWithoutSixFields(std::string_view bytes) {
    constexpr std::ptrdiff_t kCommasOfASiteLine = 5;
    int lineNumber = 0;
    while (!bytes.empty()) {
        const std::string_view line = NextLine(bytes);
        ++lineNumber;
        if (!line.empty() && std::count(line.begin(), line.end(), ',') != kCommasOfASiteLine) {
            return LineFault{lineNumber, std::string(line)};
        }
    }
    return std::nullopt;
}

std::optional<SiteFile::ReadingFault> SiteFile::FirstLineWithUnreadableReading(
    std::string_view bytes) {
    int lineNumber = 0;
    while (!bytes.empty()) {
        const std::string_view line = NextLine(bytes);
        ++lineNumber;
        if (line.empty()) {
            continue;
        }
        const std::string_view trimmed = TrimBlanks(line);
        if (trimmed.empty()) {
            break;  // the load ends here
        }
        const SiteRecord site = ParseLine(trimmed);
        if (!TrimBlanks(site.dateTime).empty() && !ParseExactSiteDateTime(site.dateTime)) {
            return ReadingFault{lineNumber, std::string(line), ReadingField::DateTime};
        }
        if (!TrimBlanks(site.latestData).empty() && !ParseWholeValue(site.latestData)) {
            return ReadingFault{lineNumber, std::string(line), ReadingField::LatestData};
        }
    }
    return std::nullopt;
}

std::string SiteFile::Line(const SiteRecord& site) {
    std::string line;
    line.reserve(site.id.size() + site.location.size() + site.dateTime.size() +
                 site.latestData.size() + site.units.size() + site.serialNumber.size() + 5);
    line.append(site.id).append(",");
    line.append(site.location).append(",");
    line.append(site.dateTime).append(",");
    line.append(site.latestData).append(",");
    line.append(site.units).append(",");
    line.append(site.serialNumber);
    return line;
}

std::string SiteFile::Text(const SiteRecord* sites, int count) {
    std::string text;
    for (int k = 0; k < count; ++k) {
        text += Line(sites[k]);
        if (k + 1 < count) {
            text += "\r\n";
        }
    }
    return text;
}

}  // namespace q417
