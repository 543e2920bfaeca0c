#include "HistoryReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "ReadoutTime.h"
#include "SiteText.h"
#include "UnitConversion.h"

namespace q417 {
namespace {

// FNV-1a over a short text, eight bytes at a time.
[[nodiscard]] std::uint64_t TextHash(std::string_view text) {
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + i, 8);
        hash = (hash ^ word) * 0x100000001B3ULL;
    }
    std::uint64_t tail = text.size();
    std::memcpy(&tail, text.data() + i, text.size() - i);
    return (hash ^ tail) * 0x100000001B3ULL;  // only ever compared, never used as an index
}

// Bytes with the top bit set where a byte of word equals c; exact, no false matches.
[[nodiscard]] std::uint64_t BytesEqual(std::uint64_t word, char c) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kLows = 0x7F7F7F7F7F7F7F7FULL;
    const std::uint64_t x = word ^ (kOnes * static_cast<unsigned char>(c));
    return ~(((x & kLows) + kLows) | x | kLows);
}

// The first CR or LF in base[pos, size), or size: eight bytes at a time.
[[nodiscard]] std::size_t LineEnd(const char* base, std::size_t pos, std::size_t size) {
    for (; pos + 8 <= size; pos += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, base + pos, 8);
        const std::uint64_t breaks = BytesEqual(word, '\r') | BytesEqual(word, '\n');
        if (breaks != 0) {
            return pos + static_cast<std::size_t>(std::countr_zero(breaks) / 8);
        }
    }
    while (pos < size && base[pos] != '\r' && base[pos] != '\n') {
        ++pos;
    }
    return pos;
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
    // A save writes a site's stored readings again in the order it wrote them before, so the
    // date, value and unit texts of a site's recent lines recognise most repeats without
    // parsing them.
    static constexpr std::size_t kRecentLines = 32;
    struct RecentLines {
        std::size_t count = 0;
        std::array<std::uint64_t, kRecentLines> hashes{};  // of texts, compared first
        std::array<std::string, kRecentLines> texts;  // "date,value,unit" as the line held them
        std::array<ReadingOrigin, kRecentLines> origins{};
    };
    // Readings come mostly in time order. Those that do not are put in place while few
    // readings follow them; otherwise they wait, sorted, in late until enough have come to
    // merge them in one pass, so no file makes the reading quadratic.
    static constexpr std::size_t kMaxMoved = 1024;
    struct SiteBuild {
        HistorySite site;                  // readings: sorted by time, line order within
        std::vector<HistoryReading> late;  // sorted likewise; all later lines than site's
        std::unique_ptr<RecentLines> recent = std::make_unique<RecentLines>();  // a ring
        std::size_t nextSlot = 0;  // where the next new line goes in recent
        std::size_t expected = 0;  // the slot a repeated save reads next
    };

    void Line(std::string_view line);
    // The index of the site, or sites_.size() for one not seen yet.
    [[nodiscard]] std::size_t FindSite(std::string_view location, std::string_view serialNumber);
    std::size_t AddSite(std::string_view location, std::string_view serialNumber);
    [[nodiscard]] static std::string SiteKey(std::string_view location,
                                             std::string_view serialNumber);
    // Adds reading to the site unless it holds it already.
    void Add(SiteBuild& site, const HistoryReading& reading);
    [[nodiscard]] bool Repeats(SiteBuild& site, std::string_view reading,
                               std::optional<std::uint64_t>& hash);
    static void Remember(SiteBuild& site, std::string_view reading, std::uint64_t hash,
                         ReadingOrigin origin);
    static void MergeLate(SiteBuild& site);

    std::string partial_;   // a line begun in an earlier Feed
    bool afterCr_ = false;  // the last byte fed was a CR: an LF next ends no line
    std::uint64_t lineNumber_ = 0;
    ReadingOrigin origin_ = ReadingOrigin::Saved;

    std::vector<SiteBuild> sites_;
    std::unordered_map<std::string, std::size_t> siteIndex_;  // "location,serial"
    std::size_t lastSite_ = 0;                                // lines come grouped by site

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
        const std::size_t end = LineEnd(base, pos, size);
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
    origin_ = nextOrigin;
}

void HistoryReader::Impl::Line(std::string_view line) {
    ++lineNumber_;
    if (line.empty()) {
        return;
    }
    const bool fromFile = origin_ == ReadingOrigin::Saved;
    if (fromFile) {
        ++data_.linesRead;
    }
    HistorySkips& skipped = data_.skipped;
    const std::uint64_t skippedBefore = skipped.Total();
    const auto noteSkip = [&] {
        if (fromFile && skipped.firstLineNumber == 0 && skipped.Total() > skippedBefore) {
            skipped.firstLineNumber = lineNumber_;
        }
    };

    // Where each field ends: five commas and the line's end, and no sixth comma.
    constexpr std::size_t kFields = 6;
    std::size_t ends[kFields];  // NOLINT: filled below before any use
    std::size_t count = 0;
    std::size_t at = 0;
    for (; at + 8 <= line.size() && count < kFields; at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, line.data() + at, 8);
        std::uint64_t commas = BytesEqual(word, ',');
        while (commas != 0 && count < kFields) {
            const auto byte = static_cast<std::size_t>(std::countr_zero(commas) / 8);
            if (count < kFields - 1) {
                ends[count] = at + byte;
            }
            ++count;
            commas &= commas - 1;
        }
    }
    for (; at < line.size() && count < kFields; ++at) {
        if (line[at] == ',') {
            if (count < kFields - 1) {
                ends[count] = at;
            }
            ++count;
        }
    }
    if (count != kFields - 1) {
        ++skipped.notSixFields;
        noteSkip();
        return;
    }
    ends[kFields - 1] = line.size();
    const auto field = [&](std::size_t f) {
        const std::size_t from = f == 0 ? 0 : ends[f - 1] + 1;
        return line.substr(from, ends[f] - from);
    };
    const std::string_view id = field(0);
    const std::string_view location = field(1);
    const std::string_view date = field(2);
    const std::string_view valueText = field(3);
    const std::string_view unitText = field(4);
    const std::string_view serialNumber = field(5);
    // The three texts that make a reading stand side by side in the line.
    const std::string_view reading(
        date.data(), static_cast<std::size_t>(unitText.data() + unitText.size() - date.data()));
    std::optional<std::uint64_t> readingHash;  // made only when the ring is searched
    std::size_t site = FindSite(location, serialNumber);
    if (site < sites_.size() && Repeats(sites_[site], reading, readingHash)) {
        if (sites_[site].site.id != id) {
            sites_[site].site.id.assign(id);
        }
        return;
    }
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
    if (site == sites_.size()) {
        site = AddSite(location, serialNumber);
    }
    SiteBuild& build = sites_[site];
    if (build.site.id != id) {
        build.site.id.assign(id);
    }
    Add(build, {ReadoutTimeFromDate(*when), static_cast<std::uint8_t>(CodeOfUnit(*unit)), origin_,
                *value});
    Remember(build, reading, readingHash ? *readingHash : TextHash(reading), origin_);
}

bool HistoryReader::Impl::Repeats(SiteBuild& site, std::string_view reading,
                                  std::optional<std::uint64_t>& hash) {
    RecentLines& recent = *site.recent;
    // A repeated save reads the slot after the last one; its first line and new readings
    // look through the whole ring, hashes first.
    std::size_t slot = site.expected;
    if (slot >= recent.count || recent.texts[slot] != reading) {
        if (!hash) {
            hash = TextHash(reading);
        }
        const auto matches = [&](std::size_t at) {
            return recent.hashes[at] == *hash && recent.texts[at] == reading;
        };
        slot = 0;
        while (slot < recent.count && !matches(slot)) {
            ++slot;
        }
        if (slot == recent.count) {
            return false;
        }
    }
    if (recent.origins[slot] != origin_) {
        return false;  // a saved repeat of an unsaved reading: Add marks it saved
    }
    ++data_.repeatedReadings;
    site.expected = slot + 1 == recent.count ? 0 : slot + 1;
    return true;
}

void HistoryReader::Impl::Remember(SiteBuild& site, std::string_view reading, std::uint64_t hash,
                                   ReadingOrigin origin) {
    RecentLines& recent = *site.recent;
    const std::size_t slot = site.nextSlot;
    recent.hashes[slot] = hash;
    recent.texts[slot].assign(reading);
    recent.origins[slot] = origin;
    recent.count = std::max(recent.count, slot + 1);
    site.nextSlot = (slot + 1) % kRecentLines;
    site.expected = site.nextSlot % recent.count;
}

std::string HistoryReader::Impl::SiteKey(std::string_view location, std::string_view serialNumber) {
    // Neither text holds a comma, so the comma keeps every pair apart.
    std::string key;
    key.reserve(location.size() + 1 + serialNumber.size());
    key.append(location).append(1, ',').append(serialNumber);
    return key;
}

std::size_t HistoryReader::Impl::FindSite(std::string_view location,
                                          std::string_view serialNumber) {
    if (lastSite_ < sites_.size() && sites_[lastSite_].site.location == location &&
        sites_[lastSite_].site.serialNumber == serialNumber) {
        return lastSite_;
    }
    const auto found = siteIndex_.find(SiteKey(location, serialNumber));
    if (found == siteIndex_.end()) {
        return sites_.size();
    }
    lastSite_ = found->second;
    return lastSite_;
}

std::size_t HistoryReader::Impl::AddSite(std::string_view location, std::string_view serialNumber) {
    lastSite_ = sites_.size();
    sites_.emplace_back();
    sites_.back().site.location = location;
    sites_.back().site.serialNumber = serialNumber;
    siteIndex_.emplace(SiteKey(location, serialNumber), lastSite_);
    return lastSite_;
}

namespace {

bool Earlier(const HistoryReading& a, const HistoryReading& b) {
    return a.readoutTime < b.readoutTime;
}

// The reading of sorted at reading's time with its unit and value, if any.
HistoryReading* Holding(std::vector<HistoryReading>& sorted, const HistoryReading& reading) {
    auto [first, last] = std::equal_range(sorted.begin(), sorted.end(), reading, Earlier);
    for (; first != last; ++first) {
        if (first->unitCode == reading.unitCode && first->value == reading.value) {
            return &*first;
        }
    }
    return nullptr;
}

}  // namespace

void HistoryReader::Impl::Add(SiteBuild& build, const HistoryReading& reading) {
    std::vector<HistoryReading>& readings = build.site.readings;
    if (readings.empty() || reading.readoutTime > readings.back().readoutTime) {
        readings.push_back(reading);  // the usual case: a newer reading
        return;
    }
    HistoryReading* held = Holding(readings, reading);
    if (held == nullptr) {
        held = Holding(build.late, reading);
    }
    if (held != nullptr) {
        if (reading.origin == ReadingOrigin::Saved) {
            held->origin = ReadingOrigin::Saved;
        }
        ++data_.repeatedReadings;
        return;
    }
    // After every reading of its time so far: the later line last.
    const auto place = std::upper_bound(readings.begin(), readings.end(), reading, Earlier);
    if (build.late.empty() && static_cast<std::size_t>(readings.end() - place) <= kMaxMoved) {
        readings.insert(place, reading);
        return;
    }
    build.late.insert(std::upper_bound(build.late.begin(), build.late.end(), reading, Earlier),
                      reading);
    if (build.late.size() > kMaxMoved) {
        MergeLate(build);
    }
}

void HistoryReader::Impl::MergeLate(SiteBuild& build) {
    if (build.late.empty()) {
        return;
    }
    // Every late reading came after the site's readings of its time, so for equal times the
    // site's go first, as a stable merge puts them.
    std::vector<HistoryReading>& readings = build.site.readings;
    const auto middle = static_cast<std::ptrdiff_t>(readings.size());
    readings.insert(readings.end(), build.late.begin(), build.late.end());
    std::inplace_merge(readings.begin(), readings.begin() + middle, readings.end(), Earlier);
    std::vector<HistoryReading>().swap(build.late);
}

HistoryData HistoryReader::Impl::Finish() {
    EndSource(ReadingOrigin::Saved);
    siteIndex_.clear();
    data_.sites.reserve(sites_.size());
    for (SiteBuild& build : sites_) {
        MergeLate(build);
        std::vector<HistoryReading>& readings = build.site.readings;
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
        readings.shrink_to_fit();
        build.recent.reset();
        data_.sites.push_back(std::move(build.site));
    }
    sites_.clear();
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

namespace {

// Reads a file's blocks on a thread of its own, so that copying one out of the page cache
// overlaps the parsing of the one before (the copy is about a sixth of reading a history).
class BlockReader {
  public:
    explicit BlockReader(int fd) : fd_(fd), thread_([this] { Run(); }) {}
    ~BlockReader() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    BlockReader(const BlockReader&) = delete;
    BlockReader& operator=(const BlockReader&) = delete;

    // The next block; empty at the end of the file or after an error (see Error).
    [[nodiscard]] std::string_view Next() {
        std::unique_lock lock(mutex_);
        if (current_) {
            free_.push_back(std::move(current_));
            changed_.notify_all();
        }
        changed_.wait(lock, [this] { return !full_.empty() || done_; });
        if (full_.empty()) {
            return {};
        }
        current_ = std::move(full_.front().block);
        const std::size_t size = full_.front().size;
        full_.pop_front();
        changed_.notify_all();
        return {current_.get(), size};
    }
    // errno of a failed read, 0 when the file was read to its end.
    [[nodiscard]] int Error() {
        const std::lock_guard lock(mutex_);
        return error_;
    }

  private:
    static constexpr std::size_t kBlockSize = std::size_t{1} << 20;
    static constexpr int kBlocks = 3;
    using Block = std::unique_ptr<char[]>;
    struct Filled {
        Block block;
        std::size_t size = 0;
    };

    void Run() {
        for (;;) {
            Block block;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return stop_ || !free_.empty(); });
                if (stop_) {
                    return;
                }
                block = std::move(free_.back());
                free_.pop_back();
            }
            ssize_t got = 0;
            do {
                got = ::read(fd_, block.get(), kBlockSize);
            } while (got < 0 && errno == EINTR);
            const int error = got < 0 ? errno : 0;
            {
                const std::lock_guard lock(mutex_);
                if (got <= 0) {
                    done_ = true;
                    error_ = error;
                } else {
                    full_.push_back({std::move(block), static_cast<std::size_t>(got)});
                }
            }
            changed_.notify_all();
            if (got <= 0) {
                return;
            }
        }
    }

    const int fd_;
    Block current_;     // the block Next handed out last; the parsing thread's own
    std::mutex mutex_;  // guards free_, full_, done_, error_ and stop_
    std::condition_variable changed_;
    std::vector<Block> free_ = [] {
        std::vector<Block> blocks;
        for (int i = 0; i < kBlocks; ++i) {
            blocks.push_back(std::make_unique<char[]>(kBlockSize));
        }
        return blocks;
    }();
    std::deque<Filled> full_;
    bool done_ = false;
    int error_ = 0;
    bool stop_ = false;
    std::thread thread_;  // last: it starts once every field above is made
};

}  // namespace

HistoryFileResult ReadHistoryFile(const std::string& path, std::string_view unsavedText) {
    HistoryFileResult result;
    HistoryReader reader;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        result.status =
            error == ENOENT ? HistoryFileStatus::Missing : HistoryFileStatus::Unreadable;
        result.error = std::generic_category().message(error);
    } else {
        int error = 0;
        {
            BlockReader blocks(fd);
            for (std::string_view block = blocks.Next(); !block.empty(); block = blocks.Next()) {
                reader.Feed(block);
            }
            error = blocks.Error();
        }
        ::close(fd);
        if (error != 0) {
            result.status = HistoryFileStatus::Unreadable;
            result.error = std::generic_category().message(error);
        }
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
