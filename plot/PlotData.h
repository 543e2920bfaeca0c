#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

#include "HistoryReader.h"
#include "PressureUnit.h"

namespace q417 {

// A site as the plot knows it: its ID is renumbered whenever rows move, so location and serial
// number name it (8-bit texts, exactly as the site list holds them).
struct PlotSiteKey {
    std::string location;
    std::string serialNumber;

    friend bool operator==(const PlotSiteKey&, const PlotSiteKey&) = default;
};

// One reading placed on the chart.
struct PlotPoint {
    double x = 0;                   // local date and time, milliseconds since 1970 (QDateTime)
    double y = 0;                   // value in the plot's unit
    std::uint32_t readoutTime = 0;  // readout seconds since 2000, for showing as the list does
    bool unsaved = false;           // only in the last download, not yet in the history file
};

// One site's line.
struct PlotSeries {
    PlotSiteKey key;
    QString label;                  // location, with the serial number when another shown site
                                    // has the same location
    std::vector<PlotPoint> points;  // by x; several may share an x
    bool hasUnsaved = false;
};

// What a plot shows: the sites with readings, in the order asked for, and what to say about the
// rest. When no site has a reading to draw, problem says why and nothing is drawn.
struct PlotData {
    PressureUnit unit = PressureUnit::Psi;
    std::vector<PlotSeries> series;
    QString problem;    // non-empty: nothing to draw, this is why
    QStringList notes;  // what is left out or missing, for a line under the chart
    HistoryFileStatus historyStatus = HistoryFileStatus::Read;  // Missing also when none
    std::string historyError;          // strerror's text when the history could not be read
    QStringList sitesWithoutReadings;  // locations asked for that have nothing to draw

    [[nodiscard]] bool Drawable() const { return problem.isEmpty() && !series.empty(); }
    [[nodiscard]] std::size_t PointCount() const {
        std::size_t count = 0;
        for (const PlotSeries& s : series) {
            count += s.points.size();
        }
        return count;
    }
};

}  // namespace q417
