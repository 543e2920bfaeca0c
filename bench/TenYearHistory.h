#pragma once

#include <cstdint>
#include <string>

namespace q417::bench {

// What a history file built up over years of weekly saves holds.
struct TenYearHistoryShape {
    int sites = 177;
    int years = 10;
    int readingsPerWeek = 5;  // new readings a site takes a week; the readout keeps the last 20
};

struct TenYearHistoryFile {
    std::uint64_t lines = 0;
    std::uint64_t bytes = 0;
    std::uint64_t distinctReadings = 0;  // what a reader that drops repeats should keep
};

// Writes the history a technician's weekly download-and-save appends over the years: each save
// writes every site's 20 stored readings again, exactly as the program's save writes them (PSI,
// CR LF). Site IDs shift each year as rows are inserted, as they do in the field. Deterministic.
[[nodiscard]] TenYearHistoryFile WriteTenYearHistory(const std::string& path,
                                                     const TenYearHistoryShape& shape = {});

}  // namespace q417::bench
