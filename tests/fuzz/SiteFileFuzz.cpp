// Feeds arbitrary bytes to the site file reader, to the writer with records cut from the same
// bytes, and to the whole File > Open path of the document.

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CQ417HostDoc.h"
#include "DocumentUser.h"
#include "FuzzCheck.h"
#include "MemorySiteList.h"
#include "PressureUnit.h"
#include "SharedSettings.h"
#include "SiteFile.h"
#include "SiteRecord.h"

namespace {

using q417::kMaxSites;
using q417::SiteFile;
using q417::SiteRecord;
using q417::fuzz::Require;

// Blanks as the reader trims them.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool Contains(std::string_view text, char c) {
    return text.find(c) != std::string_view::npos;
}

// A record the writer must carry through a file unchanged: no comma before the serial number
// (the reader splits there), no line break (LF or CR) anywhere, and a line that trimming leaves
// alone.
bool SurvivesFile(const SiteRecord& site) {
    for (const std::string* field :
         {&site.id, &site.location, &site.dateTime, &site.latestData, &site.units}) {
        if (Contains(*field, ',') || Contains(*field, '\n') || Contains(*field, '\r') ||
            Contains(*field, '\0')) {
            return false;
        }
    }
    if (Contains(site.serialNumber, '\n') || Contains(site.serialNumber, '\r') ||
        Contains(site.serialNumber, '\0')) {
        return false;
    }
    const std::string line = SiteFile::Line(site);
    return !line.empty() && !IsBlank(line.front()) && !IsBlank(line.back());
}

void CheckParsed(const SiteFile::Contents& contents) {
    const auto count = static_cast<int>(contents.sites.size());
    Require(count <= kMaxSites, "at most kMaxSites sites are kept");
    Require(contents.linesBeyondLimit >= 0, "lines beyond the limit are counted from 0");
    Require(contents.linesBeyondLimit == 0 || count == kMaxSites,
            "lines are left out only once kMaxSites sites are kept");
    Require(contents.sawSiteLine || (count == 0 && contents.linesBeyondLimit == 0),
            "sites only come from site lines");

    for (const SiteRecord& site : contents.sites) {
        Require(SurvivesFile(site), "a read site is one trimmed line split at commas");
        Require(SiteFile::ParseLine(SiteFile::Line(site)) == site,
                "a read site's line reads back as the same site");
        Require(site.readings == q417::StoredReadings{}, "a file holds no stored readings");
    }

    // Writing the sites and reading them again changes nothing, and a second write gives the
    // same bytes.
    const std::string text = SiteFile::Text(contents.sites.data(), count);
    Require(std::count(text.begin(), text.end(), '\n') == std::max(count - 1, 0),
            "one CR LF between lines and none after the last");
    const SiteFile::Contents again = SiteFile::Parse(text);
    Require(again.sites == contents.sites, "written sites read back unchanged");
    Require(again.linesBeyondLimit == 0, "a written file holds no lines beyond the limit");
    Require(again.sawSiteLine == (count > 0), "a written file has a site line per site");
    Require(SiteFile::Text(again.sites.data(), count) == text, "writing is a fixed point");
}

// Records cut from the bytes: fields end at zero bytes, six fields make a site. Such records
// reach the writer from edited list cells, which the reader never produces.
std::vector<SiteRecord> RecordsOf(std::string_view bytes) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = bytes.find('\0', start);
        fields.emplace_back(bytes.substr(start, end - start));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    fields.resize((fields.size() + 5) / 6 * 6);
    std::vector<SiteRecord> records(fields.size() / 6);
    for (std::size_t k = 0; k < records.size(); ++k) {
        std::string* field = &fields[k * 6];
        records[k].id = std::move(field[0]);
        records[k].location = std::move(field[1]);
        records[k].dateTime = std::move(field[2]);
        records[k].latestData = std::move(field[3]);
        records[k].units = std::move(field[4]);
        records[k].serialNumber = std::move(field[5]);
    }
    return records;
}

void CheckWritten(const std::vector<SiteRecord>& records) {
    if (!std::all_of(records.begin(), records.end(), SurvivesFile)) {
        return;
    }
    const auto count = static_cast<int>(records.size());
    const SiteFile::Contents read = SiteFile::Parse(SiteFile::Text(records.data(), count));
    const auto kept = static_cast<std::size_t>(std::min(count, kMaxSites));
    Require(read.sites.size() == kept &&
                std::equal(read.sites.begin(), read.sites.end(), records.begin()),
            "the first kMaxSites written records read back unchanged");
    Require(read.linesBeyondLimit == count - static_cast<int>(kept),
            "every written record past the limit is counted");
    Require(read.sawSiteLine == (count > 0), "every written record is a site line");
}

// Answers no question; keeps what it was told.
class SilentUser : public q417::DocumentUser {
  public:
    q417::SaveChoice AskSaveChanges(const std::string&) override {
        ++questions;
        return q417::SaveChoice::Cancel;
    }
    std::optional<std::string> AskSavePath() override {
        ++questions;
        return std::nullopt;
    }
    bool AskYesNo(q417::Question, const std::string&) override {
        ++questions;
        return false;
    }
    void ShowMessage(const std::string&, q417::MessageIcon icon) override { icons.push_back(icon); }

    int questions = 0;
    std::vector<q417::MessageIcon> icons;
};

// The bytes as a file: a memory file opened again through its /proc name, so that the document
// reads it as it reads any path, without touching the disk.
class MemoryFile {
  public:
    explicit MemoryFile(std::string_view bytes) : fd_(::memfd_create("site-file", MFD_CLOEXEC)) {
        Require(fd_ >= 0, "a memory file can be created");
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            Require(n > 0, "the memory file takes the bytes");
            done += static_cast<std::size_t>(n);
        }
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    ~MemoryFile() { ::close(fd_); }

    [[nodiscard]] std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }

  private:
    int fd_;
};

void CheckOpened(std::string_view bytes, const SiteFile::Contents& contents) {
    const MemoryFile file(bytes);
    q417::SharedSettings link;
    SilentUser user;
    q417::MemorySiteList list;
    q417::CQ417HostDoc document(link, user);
    document.SetView(&list);

    const bool opened = document.OpenDocument(file.Path());

    Require(user.questions == 0, "opening asks nothing");
    if (bytes.size() > q417::CQ417HostDoc::kMaxFileBytes) {
        Require(!opened && user.icons.size() == 1, "a file too large is refused and reported");
        Require(list.Columns().empty() && list.Rows().empty(),
                "a file too large leaves the document as it was");
        return;
    }
    const bool expected = !contents.sites.empty();
    Require(opened == expected, "a text file with a site is opened, anything else refused");
    Require(list.Columns() == q417::SiteListView::ColumnTitles(),
            "the list has its six columns once");
    Require(!document.IsModified(), "an opened document is unmodified");
    if (!opened) {
        Require(user.icons.size() == 1, "a refused file is reported once");
        Require(!document.HasData() && list.Rows().empty(), "a refused file leaves no sites");
        Require(document.PathName().empty(), "a refused file leaves the document untitled");
        return;
    }

    const auto count = static_cast<int>(contents.sites.size());
    Require(user.icons.size() == (contents.linesBeyondLimit > 0 ? 1U : 0U),
            "only sites left out are reported");
    Require(document.HasData() && document.SiteCount() == count, "every read site is loaded");
    Require(document.PathName() == file.Path(), "the document takes the file's path");
    Require(static_cast<int>(list.Rows().size()) == count, "one row per site");
    for (int k = 0; k < count; ++k) {
        const SiteRecord& site = contents.sites[static_cast<std::size_t>(k)];
        Require(document.Site(k) == site, "the document holds the sites as read");
        const bool noReading = site.dateTime == q417::kNoReadingDateTime;
        const q417::SiteListView::Row expectedRow{site.id,
                                                  site.location,
                                                  noReading ? std::string() : site.dateTime,
                                                  noReading ? std::string() : site.latestData,
                                                  site.units,
                                                  site.serialNumber};
        Require(list.Rows()[static_cast<std::size_t>(k)] == expectedRow,
                "a row shows its site, without the placeholder of no reading");
    }
    Require(document.DocumentUnit() ==
                q417::UnitOfName(contents.sites.front().units).value_or(q417::PressureUnit::Psi),
            "the document unit follows the first site's unit name");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const SiteFile::Contents contents = SiteFile::Parse(bytes);
    CheckParsed(contents);
    CheckWritten(RecordsOf(bytes));
    CheckOpened(bytes, contents);
    return 0;
}
