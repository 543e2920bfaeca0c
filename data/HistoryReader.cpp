#include "HistoryReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <unordered_map>

#include "ReadoutTime.h"
#include "SiteText.h"
#include "UnitConversion.h"

namespace q417 {
namespace {

// A reading while the file is read, 16 bytes. The site index, the unit code and the origin share
// one word, so a ten-year history of repeated saves stays small until its repeats are gone.
struct Entry {
    std::uint32_t readoutTime = 0;
    std::uint32_t packed = 0;  // bits 0..23 site, 24..26 unit code, 27 unsaved
    double value = 0;

    [[nodiscard]] std::uint32_t Site() const { return packed & kSiteMask; }
    [[nodiscard]] std::uint8_t UnitCode() const { return (packed >> kUnitShift) & 7U; }
    [[nodiscard]] bool Unsaved() const { return (packed & kUnsavedBit) != 0; }

    static constexpr std::uint32_t kSiteMask = (1U << 24) - 1;
    static constexpr std::uint32_t kUnitShift = 24;
    static constexpr std::uint32_t kUnsavedBit = 1U << 27;
    static constexpr std::uint32_t kReadingBits = kSiteMask | (7U << kUnitShift);
};
static_assert(sizeof(Entry) == 16);

// Entries in fixed blocks: growing never copies them, so memory stays near what is held.
class EntryStore {
  public:
    static constexpr std::size_t kBlockBits = 14;
    static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;

    [[nodiscard]] std::size_t Size() const { return size_; }
    [[nodiscard]] Entry& operator[](std::size_t i) {
        return blocks_[i >> kBlockBits][i & (kBlockSize - 1)];
    }
    void Push(const Entry& entry) {
        if ((size_ & (kBlockSize - 1)) == 0) {
            blocks_.push_back(std::make_unique<Entry[]>(kBlockSize));
        }
        blocks_.back()[size_ & (kBlockSize - 1)] = entry;
        ++size_;
    }
    // Hands each entry to visit in order, freeing each block once it is passed.
    template <typename Visit>
    void Drain(Visit visit) {
        for (std::size_t i = 0; i < size_; ++i) {
            visit(blocks_[i >> kBlockBits][i & (kBlockSize - 1)]);
            if ((i & (kBlockSize - 1)) == kBlockSize - 1) {
                blocks_[i >> kBlockBits].reset();
            }
        }
        blocks_.clear();
        size_ = 0;
    }

  private:
    std::vector<std::unique_ptr<Entry[]>> blocks_;
    std::size_t size_ = 0;
};

[[nodiscard]] std::uint64_t Mix(std::uint64_t x) {
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ULL;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

[[nodiscard]] std::uint64_t HashOf(const Entry& entry) {
    const std::uint64_t reading =
        (std::uint64_t{entry.readoutTime} << 32) | (entry.packed & Entry::kReadingBits);
    return Mix(reading ^ Mix(std::bit_cast<std::uint64_t>(entry.value)));
}

[[nodiscard]] bool SameReading(const Entry& a, const Entry& b) {
    return a.readoutTime == b.readoutTime &&
           (a.packed & Entry::kReadingBits) == (b.packed & Entry::kReadingBits) &&
           a.value == b.value;
}

// Whether two readings of one site at one time, saved in different units, are the same stored
// reading: the readout keeps 32-bit floats and a line carries nine decimals, so the same
// reading converted twice differs by far less than two readings ever do.
[[nodiscard]] bool SameAcrossUnits(const HistoryReading& a, const HistoryReading& b) {
    const double aMm = a.ValueIn(PressureUnit::MmH2O);
    const double bMm = b.ValueIn(PressureUnit::MmH2O);
    const double tolerance = 1e-7 * std::max(std::fabs(aMm), std::fabs(bMm)) +
                             1e-9 * (ConvertValue(1.0, a.Unit(), PressureUnit::MmH2O) +
                                     ConvertValue(1.0, b.Unit(), PressureUnit::MmH2O));
    return std::fabs(aMm - bMm) <= tolerance;
}

[[nodiscard]] std::optional<double> ParseValue(std::string_view text, HistorySkips& skipped) {
    text = TrimBlanks(text);
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end) {
        ++skipped.badValue;
        return std::nullopt;
    }
    if (!std::isfinite(value)) {
        ++skipped.notFinite;
        return std::nullopt;
    }
    return value == 0 ? 0.0 : value;  // -0 and 0 are one reading
}

}  // namespace

class HistoryReader::Impl {
  public:
    void Feed(std::string_view bytes);
    void EndSource(ReadingOrigin nextOrigin);
    HistoryData Finish();

  private:
    struct SiteBuild {
        std::string location;
        std::string serialNumber;
        std::string id;
    };

    void Line(std::string_view line);
    [[nodiscard]] std::optional<std::uint32_t> SiteOf(std::string_view location,
                                                      std::string_view serialNumber);
    void Add(const Entry& entry);
    void Grow();

    std::string partial_;   // a line begun in an earlier Feed
    bool afterCr_ = false;  // the last byte fed was a CR: an LF next ends no line
    std::uint64_t lineNumber_ = 0;
    std::uint32_t unsavedBit_ = 0;

    std::vector<SiteBuild> sites_;
    std::unordered_map<std::string, std::uint32_t> siteIndex_;  // "location,serial"
    std::uint32_t lastSite_ = 0;                                // lines come grouped by site

    EntryStore entries_;
    // Open addressing over entries_ indices, kept at most half full.
    std::vector<std::uint32_t> table_;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFU;

    HistoryData data_;
};

void HistoryReader::Impl::Feed(std::string_view bytes) {
    std::size_t start = 0;
    if (afterCr_ && !bytes.empty() && bytes.front() == '\n') {
        start = 1;
    }
    afterCr_ = false;
    const char* const base = bytes.data();
    const std::size_t size = bytes.size();
    std::size_t pos = start;
    while (pos < size) {
        std::size_t end = pos;
        while (end < size && base[end] != '\r' && base[end] != '\n') {
            ++end;
        }
        if (end == size) {
            partial_.append(base + pos, size - pos);
            return;
        }
        if (partial_.empty()) {
            Line(std::string_view(base + pos, end - pos));
        } else {
            partial_.append(base + pos, end - pos);
            Line(partial_);
            partial_.clear();
        }
        pos = end + 1;
        if (base[end] == '\r') {
            if (pos == size) {
                afterCr_ = true;
            } else if (base[pos] == '\n') {
                ++pos;
            }
        }
    }
}

void HistoryReader::Impl::EndSource(ReadingOrigin nextOrigin) {
    if (!partial_.empty()) {
        Line(partial_);
        partial_.clear();
    }
    afterCr_ = false;
    lineNumber_ = 0;
    unsavedBit_ = nextOrigin == ReadingOrigin::Unsaved ? Entry::kUnsavedBit : 0;
}

void HistoryReader::Impl::Line(std::string_view line) {
    ++lineNumber_;
    if (line.empty()) {
        return;
    }
    if (unsavedBit_ == 0) {
        ++data_.linesRead;
    }
    HistorySkips& skipped = data_.skipped;
    const std::uint64_t skippedBefore = skipped.Total();
    const auto noteSkip = [&] {
        if (unsavedBit_ == 0 && skipped.firstLineNumber == 0 && skipped.Total() > skippedBefore) {
            skipped.firstLineNumber = lineNumber_;
        }
    };

    std::array<std::string_view, 6> fields;
    std::size_t count = 0;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = line.find(',', from);
        if (count == fields.size()) {
            count = fields.size() + 1;  // a seventh field
            break;
        }
        fields[count++] =
            line.substr(from, comma == std::string_view::npos ? line.npos : comma - from);
        if (comma == std::string_view::npos) {
            break;
        }
        from = comma + 1;
    }
    if (count != fields.size()) {
        ++skipped.notSixFields;
        noteSkip();
        return;
    }
    const auto& [id, location, date, valueText, unitText, serialNumber] = fields;
    const std::optional<DateFields> when = ParseExactSiteDateTime(date);
    if (!when) {
        ++skipped.badDate;
        noteSkip();
        return;
    }
    const std::optional<double> value = ParseValue(valueText, skipped);
    if (!value) {
        noteSkip();
        return;
    }
    const std::optional<PressureUnit> unit = UnitOfName(unitText);
    if (!unit) {
        ++skipped.unknownUnit;
        noteSkip();
        return;
    }
    const std::optional<std::uint32_t> site = SiteOf(location, serialNumber);
    if (!site) {
        ++skipped.notSixFields;  // past millions of sites: no history of this program
        noteSkip();
        return;
    }
    SiteBuild& build = sites_[*site];
    if (build.id != id) {
        build.id.assign(id);
    }
    Add({ReadoutTimeFromDate(*when),
         *site | (static_cast<std::uint32_t>(CodeOfUnit(*unit)) << Entry::kUnitShift) | unsavedBit_,
         *value});
}

std::optional<std::uint32_t> HistoryReader::Impl::SiteOf(std::string_view location,
                                                         std::string_view serialNumber) {
    if (lastSite_ < sites_.size() && sites_[lastSite_].location == location &&
        sites_[lastSite_].serialNumber == serialNumber) {
        return lastSite_;
    }
    // Neither text holds a comma, so the comma keeps every pair apart.
    std::string key;
    key.reserve(location.size() + 1 + serialNumber.size());
    key.append(location).append(1, ',').append(serialNumber);
    const auto found = siteIndex_.find(key);
    if (found != siteIndex_.end()) {
        lastSite_ = found->second;
        return lastSite_;
    }
    if (sites_.size() > Entry::kSiteMask) {
        return std::nullopt;
    }
    lastSite_ = static_cast<std::uint32_t>(sites_.size());
    sites_.push_back({std::string(location), std::string(serialNumber), {}});
    siteIndex_.emplace(std::move(key), lastSite_);
    return lastSite_;
}

void HistoryReader::Impl::Add(const Entry& entry) {
    if ((entries_.Size() + 1) * 2 > table_.size()) {
        Grow();
    }
    const std::size_t mask = table_.size() - 1;
    for (std::size_t slot = HashOf(entry) & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t held = table_[slot];
        if (held == kEmpty) {
            table_[slot] = static_cast<std::uint32_t>(entries_.Size());
            entries_.Push(entry);
            return;
        }
        Entry& other = entries_[held];
        if (SameReading(other, entry)) {
            if (!entry.Unsaved()) {
                other.packed &= ~Entry::kUnsavedBit;  // saved after all
            }
            ++data_.repeatedReadings;
            return;
        }
    }
}

void HistoryReader::Impl::Grow() {
    std::vector<std::uint32_t> grown(std::max<std::size_t>(1024, table_.size() * 2), kEmpty);
    const std::size_t mask = grown.size() - 1;
    for (const std::uint32_t held : table_) {
        if (held == kEmpty) {
            continue;
        }
        std::size_t slot = HashOf(entries_[held]) & mask;
        while (grown[slot] != kEmpty) {
            slot = (slot + 1) & mask;
        }
        grown[slot] = held;
    }
    table_ = std::move(grown);
}

HistoryData HistoryReader::Impl::Finish() {
    EndSource(ReadingOrigin::Saved);
    std::vector<std::uint32_t>().swap(table_);
    siteIndex_.clear();

    std::vector<std::size_t> counts(sites_.size(), 0);
    for (std::size_t i = 0; i < entries_.Size(); ++i) {
        ++counts[entries_[i].Site()];
    }
    data_.sites.resize(sites_.size());
    for (std::size_t s = 0; s < sites_.size(); ++s) {
        HistorySite& site = data_.sites[s];
        site.location = std::move(sites_[s].location);
        site.serialNumber = std::move(sites_[s].serialNumber);
        site.id = std::move(sites_[s].id);
        site.readings.reserve(counts[s]);
    }
    sites_.clear();
    entries_.Drain([this](const Entry& entry) {
        data_.sites[entry.Site()].readings.push_back(
            {entry.readoutTime, entry.UnitCode(),
             entry.Unsaved() ? ReadingOrigin::Unsaved : ReadingOrigin::Saved, entry.value});
    });

    for (HistorySite& site : data_.sites) {
        std::vector<HistoryReading>& readings = site.readings;
        const auto earlier = [](const HistoryReading& a, const HistoryReading& b) {
            return a.readoutTime < b.readoutTime;
        };
        if (!std::is_sorted(readings.begin(), readings.end(), earlier)) {
            std::stable_sort(readings.begin(), readings.end(), earlier);
        }
        // One reading saved in two units (the list's unit changed between saves) is one.
        std::size_t kept = 0;
        for (std::size_t i = 0; i < readings.size(); ++i) {
            bool repeat = false;
            for (std::size_t j = kept;
                 j-- > 0 && readings[j].readoutTime == readings[i].readoutTime;) {
                if (readings[j].unitCode != readings[i].unitCode &&
                    SameAcrossUnits(readings[j], readings[i])) {
                    if (readings[i].origin == ReadingOrigin::Saved) {
                        readings[j].origin = ReadingOrigin::Saved;
                    }
                    repeat = true;
                    break;
                }
            }
            if (repeat) {
                ++data_.repeatedReadings;
            } else {
                readings[kept++] = readings[i];
            }
        }
        readings.resize(kept);
    }
    return std::move(data_);
}

HistoryReader::HistoryReader() : impl_(std::make_unique<Impl>()) {}
HistoryReader::~HistoryReader() = default;

void HistoryReader::Feed(std::string_view bytes) {
    impl_->Feed(bytes);
}

void HistoryReader::EndSource(ReadingOrigin nextOrigin) {
    impl_->EndSource(nextOrigin);
}

HistoryData HistoryReader::Finish() {
    return impl_->Finish();
}

HistoryFileResult ReadHistoryFile(const std::string& path, std::string_view unsavedText) {
    HistoryFileResult result;
    HistoryReader reader;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.status =
            errno == ENOENT ? HistoryFileStatus::Missing : HistoryFileStatus::Unreadable;
        result.error = std::strerror(errno);
    } else {
        constexpr std::size_t kBlock = std::size_t{1} << 20;
        const auto block = std::make_unique<char[]>(kBlock);
        for (;;) {
            const ssize_t got = ::read(fd, block.get(), kBlock);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                result.status = HistoryFileStatus::Unreadable;
                result.error = std::strerror(errno);
                break;
            }
            if (got == 0) {
                break;
            }
            reader.Feed(std::string_view(block.get(), static_cast<std::size_t>(got)));
        }
        ::close(fd);
    }
    if (result.status == HistoryFileStatus::Unreadable) {
        // Part of a file is no history: only what the next save adds can be shown.
        HistoryReader fresh;
        fresh.EndSource(ReadingOrigin::Unsaved);
        fresh.Feed(unsavedText);
        result.data = fresh.Finish();
        return result;
    }
    reader.EndSource(ReadingOrigin::Unsaved);
    reader.Feed(unsavedText);
    result.data = reader.Finish();
    return result;
}

}  // namespace q417
