#include "TenYearHistory.h"

#include <cmath>
#include <cstdio>
#include <deque>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

#include "ReadingHistory.h"
#include "ReadoutTime.h"
#include "SiteRecord.h"

namespace q417::bench {
namespace {

constexpr std::uint32_t kWeekSeconds = 7U * 86400U;
// The first save: Monday 6 January 2014, in readout seconds.
constexpr std::uint32_t kFirstSave = 441590400U + 8U * 3600U;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

TenYearHistoryFile WriteTenYearHistory(const std::string& path, const TenYearHistoryShape& shape) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
    std::mt19937 random(417);
    std::normal_distribution<double> step(0.0, 0.05);
    const int weeks = shape.years * 52;

    struct SiteState {
        SiteRecord record;
        double level = 0;                 // PSI, a slow random walk
        std::deque<ReadingEntry> stored;  // the readout's last 20, oldest first
    };
    std::vector<SiteState> sites(static_cast<std::size_t>(shape.sites));
    for (int k = 0; k < shape.sites; ++k) {
        SiteState& site = sites[static_cast<std::size_t>(k)];
        char location[32];
        std::snprintf(location, sizeof location, "Piezometer %03d", k + 1);
        site.record.location = location;
        site.record.serialNumber = "Q417A01";
        site.record.units = "PSI";
        site.level = 5.0 + k % 40;
    }

    TenYearHistoryFile result;
    std::string text;
    for (int week = 0; week < weeks; ++week) {
        const std::uint32_t save = kFirstSave + static_cast<std::uint32_t>(week) * kWeekSeconds;
        text.clear();
        for (int k = 0; k < shape.sites; ++k) {
            SiteState& site = sites[static_cast<std::size_t>(k)];
            for (int r = 0; r < shape.readingsPerWeek; ++r) {
                site.level = std::max(0.0, site.level + step(random));
                const std::uint32_t taken = save - kWeekSeconds +
                                            static_cast<std::uint32_t>((r + 1) * kWeekSeconds /
                                                                       (shape.readingsPerWeek + 1));
                site.stored.push_back({static_cast<float>(site.level), taken - taken % 60});
                if (site.stored.size() > static_cast<std::size_t>(kMaxStoredReadings)) {
                    site.stored.pop_front();
                }
                ++result.distinctReadings;
            }
            // A site inserted at the top each year renumbers the rows below it.
            site.record.id = std::to_string((k + week / 52) % shape.sites + 1);
            const std::vector<ReadingEntry> stored(site.stored.begin(), site.stored.end());
            site.record.dateTime = FormatReadoutTime(stored.back().time);
            text +=
                ReadingHistory::Lines(site.record, stored, PressureUnit::Psi, PressureUnit::Psi);
            result.lines += stored.size();
        }
        if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size()) {
            throw std::runtime_error("cannot write " + path);
        }
        result.bytes += text.size();
    }
    if (std::fclose(file.release()) != 0) {
        throw std::runtime_error("cannot write " + path);
    }
    return result;
}

}  // namespace q417::bench
