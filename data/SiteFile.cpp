#include "SiteFile.h"

#include "SiteText.h"

namespace q417 {
namespace {

// The text before the first comma, rest keeping what follows it. Without a comma the field is
// empty and rest stays as it is.
std::string NextField(std::string_view& rest) {
    const std::size_t comma = rest.find(',');
    if (comma == std::string_view::npos) {
        return {};
    }
    std::string field(rest.substr(0, comma));
    rest.remove_prefix(comma + 1);
    return field;
}

}  // namespace

SiteRecord SiteFile::ParseLine(std::string_view line) {
    SiteRecord site;
    site.id = NextField(line);
    site.location = NextField(line);
    site.dateTime = NextField(line);
    site.latestData = NextField(line);
    site.units = NextField(line);
    site.serialNumber = std::string(line);
    return site;
}

SiteFile::Contents SiteFile::Parse(std::string_view bytes) {
    Contents contents;
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        std::string_view line = bytes.substr(0, lf);
        bytes.remove_prefix(lf == std::string_view::npos ? bytes.size() : lf + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
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
