#pragma once

#include <QList>
#include <QPointF>
#include <cstddef>
#include <vector>

#include "PlotData.h"

namespace q417 {

// The part of a site's points that a chart of a given width draws for a time range. A ten-year
// history has thousands of points a site: beyond two a column, each column keeps only its lowest
// and highest point, which draws the same line at that resolution. Markers are drawn only while
// few enough points are in view to tell apart; readings not saved yet are few and always marked.
class SeriesSlice {
  public:
    struct Limits {
        double x0 = 0;  // the time range in view, chart milliseconds
        double x1 = 0;
        int columns = 1;      // pixel columns of the plot area
        int markerLimit = 0;  // most points in view that still get a marker each
    };

    QList<QPointF> line;     // the line, reaching one point beyond each edge of the view
    QList<QPointF> saved;    // markers of saved readings
    QList<QPointF> unsaved;  // markers of readings not saved yet
    std::size_t inView = 0;  // points within [x0, x1]
    double yMin = 0;         // lowest and highest value in view, when inView > 0
    double yMax = 0;

    [[nodiscard]] static SeriesSlice Take(const std::vector<PlotPoint>& points,
                                          const Limits& limits);
};

}  // namespace q417
