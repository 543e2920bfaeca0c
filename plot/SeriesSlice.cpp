#include "SeriesSlice.h"

#include <algorithm>
#include <cmath>

namespace q417 {

namespace {

// Below this many points a column the line is drawn from every point.
constexpr std::size_t kPointsPerColumn = 2;

}  // namespace

SeriesSlice SeriesSlice::Take(const std::vector<PlotPoint>& points, const Limits& limits) {
    SeriesSlice slice;
    const auto before = [](const PlotPoint& p, double x) { return p.x < x; };
    const auto after = [](double x, const PlotPoint& p) { return x < p.x; };
    const auto first = std::lower_bound(points.begin(), points.end(), limits.x0, before);
    const auto last = std::upper_bound(first, points.end(), limits.x1, after);
    slice.inView = static_cast<std::size_t>(last - first);
    if (slice.inView > 0) {
        const auto [low, high] = std::minmax_element(
            first, last, [](const PlotPoint& a, const PlotPoint& b) { return a.y < b.y; });
        slice.yMin = low->y;
        slice.yMax = high->y;
    }
    const bool markAll = slice.inView <= static_cast<std::size_t>(std::max(limits.markerLimit, 0));
    for (auto p = first; p != last; ++p) {
        if (p->unsaved) {
            slice.unsaved.append(QPointF(p->x, p->y));
        } else if (markAll) {
            slice.saved.append(QPointF(p->x, p->y));
        }
    }

    // One point past each edge, so the line runs out of the view rather than stopping short.
    const auto lo = first == points.begin() ? first : first - 1;
    const auto hi = last == points.end() ? last : last + 1;
    const auto span = static_cast<std::size_t>(hi - lo);
    const int columns = std::max(limits.columns, 1);
    if (span <= kPointsPerColumn * static_cast<std::size_t>(columns) || !(limits.x1 > limits.x0)) {
        slice.line.reserve(static_cast<qsizetype>(span));
        for (auto p = lo; p != hi; ++p) {
            slice.line.append(QPointF(p->x, p->y));
        }
        return slice;
    }
    slice.line.reserve(static_cast<qsizetype>(2 * columns + 8));
    const double width = (limits.x1 - limits.x0) / columns;
    auto column = [&](const PlotPoint& p) -> long {
        // The points beyond the edges are columns of their own, so the line reaches past them.
        if (p.x < limits.x0) {
            return -1;
        }
        if (p.x > limits.x1) {
            return columns;
        }
        const double at = std::floor((p.x - limits.x0) / width);
        return static_cast<long>(std::min(at, static_cast<double>(columns - 1)));
    };
    auto p = lo;
    while (p != hi) {
        const long c = column(*p);
        auto end = p;
        auto low = p;
        auto high = p;
        while (end != hi && column(*end) == c) {
            if (end->y < low->y) {
                low = end;
            }
            if (end->y > high->y) {
                high = end;
            }
            ++end;
        }
        // Lowest and highest, in the order they come: the column's vertical stroke.
        if (low == high) {
            slice.line.append(QPointF(low->x, low->y));
        } else {
            const auto [a, b] = std::minmax(low, high);
            slice.line.append(QPointF(a->x, a->y));
            slice.line.append(QPointF(b->x, b->y));
        }
        p = end;
    }
    return slice;
}

}  // namespace q417
