#include "PlotChart.h"

#include <QDateTime>
#include <QDateTimeAxis>
#include <QFontMetrics>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <array>
#include <cmath>

#include "SeriesSlice.h"

namespace q417 {

namespace {

constexpr double kMinuteMs = 60'000;
constexpr double kDayMs = 86'400'000;
// The narrowest time range a zoom goes to: readings are a minute apart at best.
constexpr double kMinTimeSpanMs = 10 * kMinuteMs;
constexpr qreal kMarkerSize = 7;
// The line is thinned to columns this many pixels wide: the chart strokes and clips every point
// it is given on each change of the view, so fewer points keep the window responsive.
constexpr int kPixelsPerColumn = 2;
// Points a marker each may take up on average before the markers give way to the bare line.
constexpr int kPixelsPerMarker = 6;

// Colours told apart on screen and on paper, one a site in turn.
constexpr std::array<QRgb, 10> kColours = {0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd,
                                           0x8c564b, 0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf};

QColor SiteColour(std::size_t index) {
    return QColor(kColours[index % kColours.size()]);
}

// 1, 2 or 5 times a power of ten: a step of the value axis that a reader adds up easily.
double NiceStep(double span, int ticks) {
    const double raw = span / std::max(ticks - 1, 1);
    if (!(raw > 0) || !std::isfinite(raw)) {
        return 1;
    }
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double n = raw / magnitude;
    const double nice = n < 1.5 ? 1 : n < 3 ? 2 : n < 7 ? 5 : 10;
    return nice * magnitude;
}

// The time axis of the whole range shows at most this many steps, each a round local time.
constexpr int kFullRangeSteps = 7;

// A step of the time axis that a reader counts in easily, so that span holds at most maxSteps;
// 0 past two weeks a step, where the labels name months and years anyway.
double RoundTimeStep(double span, int maxSteps) {
    constexpr double kHourMs = 60 * kMinuteMs;
    constexpr std::array<double, 15> kSteps = {
        kMinuteMs,      2 * kMinuteMs, 5 * kMinuteMs, 10 * kMinuteMs, 15 * kMinuteMs,
        30 * kMinuteMs, kHourMs,       2 * kHourMs,   3 * kHourMs,    6 * kHourMs,
        12 * kHourMs,   kDayMs,        2 * kDayMs,    7 * kDayMs,     14 * kDayMs};
    for (const double step : kSteps) {
        if (span / step <= maxSteps) {
            return step;
        }
    }
    return 0;
}

QString DateText(double ms, const char* format) {
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms))
        .toString(QString::fromLatin1(format));
}

}  // namespace

PlotChart::PlotChart(QGraphicsItem* parent) : QChart(parent) {
    setAnimationOptions(QChart::NoAnimation);
    setBackgroundRoundness(0);
    setMargins(QMargins(6, 6, 6, 6));
    legend()->setAlignment(Qt::AlignBottom);
    legend()->setShowToolTips(true);
    timeAxis_ = new QDateTimeAxis(this);
    timeAxis_->setTitleText(QStringLiteral("Date and time"));
    valueAxis_ = new QValueAxis(this);
    valueAxis_->setTickType(QValueAxis::TicksDynamic);
    valueAxis_->setTickAnchor(0);
    // Sizes in pixels of the chart, not points of the device: a picture, a page and the screen
    // get the same layout whatever their resolution.
    QFont labels = font();
    labels.setPixelSize(12);
    QFont titles = labels;
    titles.setPixelSize(13);
    QFont heading = labels;
    heading.setPixelSize(17);
    heading.setBold(true);
    setTitleFont(heading);
    legend()->setFont(labels);
    for (QAbstractAxis* axis :
         {static_cast<QAbstractAxis*>(timeAxis_), static_cast<QAbstractAxis*>(valueAxis_)}) {
        axis->setLabelsFont(labels);
        axis->setTitleFont(titles);
    }
    addAxis(timeAxis_, Qt::AlignBottom);
    addAxis(valueAxis_, Qt::AlignLeft);
    updateTimer_.setSingleShot(true);
    updateTimer_.setInterval(0);
    connect(&updateTimer_, &QTimer::timeout, this, &PlotChart::UpdateNow);
    connect(this, &QChart::plotAreaChanged, this, &PlotChart::OnPlotAreaChanged);
}

PlotChart::~PlotChart() = default;

void PlotChart::HideFromLegend(QAbstractSeries* series) {
    for (QLegendMarker* marker : legend()->markers(series)) {
        marker->setVisible(false);
    }
}

void PlotChart::SetData(std::shared_ptr<const PlotData> data, bool keepView) {
    const PlotViewState kept = State();
    removeAllSeries();
    series_.clear();
    notSavedKey_ = nullptr;
    data_ = std::move(data);
    if (data_ == nullptr) {
        return;
    }
    valueAxis_->setTitleText(QString::fromLatin1(UnitsColumnName(data_->unit)));
    for (std::size_t i = 0; i < data_->series.size(); ++i) {
        const QColor colour = SiteColour(i);
        SiteSeries site;
        site.line = new QLineSeries;
        site.line->setName(data_->series[i].label);
        site.line->setPen(QPen(colour, 1.5));
        site.saved = new QScatterSeries;
        site.saved->setMarkerShape(QScatterSeries::MarkerShapeCircle);
        site.saved->setMarkerSize(kMarkerSize);
        site.saved->setBrush(colour);
        site.saved->setPen(QPen(colour.darker(130), 1));
        site.unsaved = new QScatterSeries;
        site.unsaved->setMarkerShape(QScatterSeries::MarkerShapeCircle);
        site.unsaved->setMarkerSize(kMarkerSize + 1);
        site.unsaved->setBrush(Qt::white);
        site.unsaved->setPen(QPen(colour, 1.5));
        for (QXYSeries* series :
             {static_cast<QXYSeries*>(site.line), static_cast<QXYSeries*>(site.saved),
              static_cast<QXYSeries*>(site.unsaved)}) {
            addSeries(series);
            series->attachAxis(timeAxis_);
            series->attachAxis(valueAxis_);
        }
        HideFromLegend(site.saved);
        HideFromLegend(site.unsaved);
        series_.push_back(site);
    }
    notSavedKey_ = new QScatterSeries;
    notSavedKey_->setName(QStringLiteral("not saved yet"));
    notSavedKey_->setBrush(Qt::white);
    notSavedKey_->setPen(QPen(QColor(0x40, 0x40, 0x40), 1.5));
    addSeries(notSavedKey_);
    notSavedKey_->attachAxis(timeAxis_);
    notSavedKey_->attachAxis(valueAxis_);

    if (keepView && kept.shownSite < static_cast<int>(series_.size())) {
        ApplyState(kept);
    } else {
        shownSite_ = -1;
        ResetView();
    }
    ShowSite(shownSite_);
}

void PlotChart::ShowSite(int index) {
    shownSite_ = index >= 0 && index < static_cast<int>(series_.size()) ? index : -1;
    bool unsaved = false;
    for (std::size_t i = 0; i < series_.size(); ++i) {
        const bool shown = Shows(static_cast<int>(i));
        const SiteSeries& site = series_[i];
        site.line->setVisible(shown);
        site.saved->setVisible(shown);
        site.unsaved->setVisible(shown);
        for (QLegendMarker* marker : legend()->markers(site.line)) {
            marker->setVisible(shown);
        }
        HideFromLegend(site.saved);
        HideFromLegend(site.unsaved);
        unsaved = unsaved || (shown && data_->series[i].hasUnsaved);
    }
    if (notSavedKey_ != nullptr) {
        for (QLegendMarker* marker : legend()->markers(notSavedKey_)) {
            marker->setVisible(unsaved);
        }
    }
    ScheduleUpdate();
}

bool PlotChart::Shows(int series) const {
    return shownSite_ < 0 || shownSite_ == series;
}

std::pair<double, double> PlotChart::DataTimeRange() const {
    double low = 0;
    double high = 0;
    bool any = false;
    if (data_ != nullptr) {
        for (std::size_t i = 0; i < data_->series.size(); ++i) {
            const auto& points = data_->series[i].points;
            if (!Shows(static_cast<int>(i)) || points.empty()) {
                continue;
            }
            low = any ? std::min(low, points.front().x) : points.front().x;
            high = any ? std::max(high, points.back().x) : points.back().x;
            any = true;
        }
    }
    if (!any) {
        const double now = static_cast<double>(QDateTime::currentMSecsSinceEpoch());
        return {now - kDayMs, now};
    }
    if (high - low < kMinTimeSpanMs) {
        // One reading, or all at one time: half a day each side.
        return {low - kDayMs / 2, high + kDayMs / 2};
    }
    const double pad = (high - low) * 0.03;
    return {low - pad, high + pad};
}

std::pair<double, double> PlotChart::FullTimeRange() const {
    auto [low, high] = DataTimeRange();
    const double step = FullTimeStep();
    if (step > 0) {
        // Ticks on whole local minutes, hours and days; weeks begin on Mondays.
        const double offset =
            QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(low)).offsetFromUtc() * 1000.0 -
            (step >= 7 * kDayMs ? 4 * kDayMs : 0);  // 1 January 1970 was a Thursday
        low = std::floor((low + offset) / step) * step - offset;
        high = std::ceil((high + offset) / step) * step - offset;
    }
    return {low, high};
}

double PlotChart::FullTimeStep() const {
    const auto [low, high] = DataTimeRange();
    return RoundTimeStep(high - low, kFullRangeSteps);
}

void PlotChart::ResetView() {
    std::tie(x0_, x1_) = FullTimeRange();
    values_.reset();
    ScheduleUpdate();
}

void PlotChart::ZoomTime(double factor, double anchor) {
    const double span = x1_ - x0_;
    const auto [fullLow, fullHigh] = FullTimeRange();
    const double widest = std::max(4 * (fullHigh - fullLow), 2 * kDayMs);
    const double next = std::clamp(span * factor, kMinTimeSpanMs, widest);
    if (!(span > 0) || next == span) {
        return;
    }
    x0_ = anchor - (anchor - x0_) * next / span;
    x1_ = x0_ + next;
    ScheduleUpdate();
}

void PlotChart::ZoomValues(double factor, double anchor) {
    const auto [low, high] = shownValues_;
    const double span = high - low;
    const double next = span * factor;
    if (!(span > 0) || !(next > 1e-9) || !(next < 1e12)) {
        return;
    }
    const double from = anchor - (anchor - low) * next / span;
    values_ = std::pair(from, from + next);
    ScheduleUpdate();
}

void PlotChart::PanPixels(QPointF delta) {
    const QRectF area = plotArea();
    if (area.width() < 1 || area.height() < 1) {
        return;
    }
    const double dx = -delta.x() * (x1_ - x0_) / area.width();
    x0_ += dx;
    x1_ += dx;
    if (delta.y() != 0) {
        const auto [low, high] = values_.value_or(shownValues_);
        const double dy = delta.y() * (high - low) / area.height();
        values_ = std::pair(low + dy, high + dy);
    }
    ScheduleUpdate();
}

PlotViewState PlotChart::State() const {
    PlotViewState state;
    state.shownSite = shownSite_;
    if (std::pair(x0_, x1_) != FullTimeRange()) {
        state.time = std::pair(x0_, x1_);
    }
    state.values = values_;
    return state;
}

void PlotChart::ApplyState(const PlotViewState& state) {
    shownSite_ = state.shownSite >= 0 && state.shownSite < static_cast<int>(series_.size())
                     ? state.shownSite
                     : -1;
    std::tie(x0_, x1_) = state.time.value_or(FullTimeRange());
    values_ = state.values;
    ShowSite(shownSite_);
}

void PlotChart::SetTitleShown(bool shown) {
    titleShown_ = shown;
    ScheduleUpdate();
}

QString PlotChart::TitleText() const {
    if (data_ == nullptr) {
        return {};
    }
    QStringList names;
    double first = 0;
    double last = 0;
    bool any = false;
    for (std::size_t i = 0; i < data_->series.size(); ++i) {
        if (!Shows(static_cast<int>(i))) {
            continue;
        }
        names.append(data_->series[i].label);
        // The readings in view: the range the picture shows of them.
        for (const PlotPoint& p : data_->series[i].points) {
            if (p.x >= x0_ && p.x <= x1_) {
                first = any ? std::min(first, p.x) : p.x;
                last = any ? std::max(last, p.x) : p.x;
                any = true;
            }
        }
    }
    QString sites = names.join(QStringLiteral(", "));
    if (names.size() > 4) {
        sites = names.mid(0, 3).join(QStringLiteral(", ")) +
                QStringLiteral(" and %1 more sites").arg(names.size() - 3);
    }
    const QString unit = QString::fromLatin1(UnitsColumnName(data_->unit));
    if (!any) {
        return QStringLiteral("%1 \u2014 %2").arg(sites, unit);
    }
    const char* format = last - first < 3 * kDayMs ? "MM/dd/yy hh:mm" : "MM/dd/yy";
    const QString from = DateText(first, format);
    const QString to = DateText(last, format);
    if (from == to) {
        return QStringLiteral("%1 \u2014 %2 \u2014 %3").arg(sites, unit, from);  // one time
    }
    return QStringLiteral("%1 \u2014 %2 \u2014 %3 to %4").arg(sites, unit, from, to);
}

void PlotChart::ScheduleUpdate() {
    if (!updateTimer_.isActive()) {
        updateTimer_.start();
    }
}

void PlotChart::OnPlotAreaChanged(const QRectF& area) {
    // Thinned for another width: again. A change of the labels' width alone moves it by a few
    // pixels, which the next change of the view takes along.
    if (std::abs(area.width() - laidOutWidth_) >= 8) {
        ScheduleUpdate();
    }
}

std::pair<double, double> PlotChart::FittedValues(double low, double high) const {
    double span = high - low;
    if (!(span > 0)) {
        span = std::max(std::abs(high) * 0.05, 0.01);
        low -= span;
        high += span;
    } else {
        low -= span * 0.05;
        high += span * 0.05;
    }
    return {low, high};
}

void PlotChart::ShowAxes(std::pair<double, double> values) {
    const QRectF area = plotArea();
    shownValues_ = values;
    timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(x0_)),
                        QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(x1_)));
    const int valueTicks = std::clamp(static_cast<int>(area.height() / 45), 3, 10);
    const double step = NiceStep(values.second - values.first, valueTicks);
    const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step))), 0, 9);
    valueAxis_->setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
    valueAxis_->setTickInterval(step);
    valueAxis_->setRange(values.first, values.second);

    // Dates as fine as the range needs, and as many labels as fit side by side.
    const double span = x1_ - x0_;
    const char* format = span > 3 * 365 * kDayMs ? "MMM yyyy"
                         : span > 4 * kDayMs     ? "dd MMM yyyy"
                                                 : "dd MMM hh:mm";
    const QString formatText = QString::fromLatin1(format);
    timeAxis_->setFormat(formatText);
    const QFontMetrics metrics(timeAxis_->labelsFont());
    const int labelWidth = metrics.horizontalAdvance(
        QDateTime(QDate(2026, 12, 28), QTime(23, 59)).toString(formatText));
    const int ticks =
        static_cast<int>(area.width() / (labelWidth + metrics.averageCharWidth() * 4));
    const double fullStep = FullTimeStep();
    const long fullSteps = fullStep > 0 ? std::lround(span / fullStep) : 0;
    if (fullSteps > 0 && fullSteps <= ticks && std::pair(x0_, x1_) == FullTimeRange()) {
        // The whole range was laid on round times: a tick on each.
        timeAxis_->setTickCount(static_cast<int>(fullSteps) + 1);
    } else {
        timeAxis_->setTickCount(std::clamp(ticks + 1, 2, 12));
    }
}

void PlotChart::UpdateNow() {
    updateTimer_.stop();
    if (data_ == nullptr) {
        return;
    }
    const QRectF area = plotArea();
    laidOutWidth_ = area.width();
    SeriesSlice::Limits limits;
    limits.x0 = x0_;
    limits.x1 = x1_;
    limits.columns = std::max(static_cast<int>(area.width() / kPixelsPerColumn), 1);
    limits.markerLimit = std::max(static_cast<int>(area.width()) / kPixelsPerMarker, 10);
    double low = 0;
    double high = 0;
    bool any = false;
    std::vector<SeriesSlice> slices(series_.size());
    for (std::size_t i = 0; i < series_.size(); ++i) {
        if (!Shows(static_cast<int>(i))) {
            continue;
        }
        slices[i] = SeriesSlice::Take(data_->series[i].points, limits);
        if (slices[i].inView > 0) {
            low = any ? std::min(low, slices[i].yMin) : slices[i].yMin;
            high = any ? std::max(high, slices[i].yMax) : slices[i].yMax;
            any = true;
        }
    }
    std::pair<double, double> values = shownValues_;
    if (values_) {
        values = *values_;
    } else if (any) {
        values = FittedValues(low, high);
    }
    // Every change of an axis or of a series lays out every series again at once: the series
    // are emptied first, so that each is laid out with its points only once, after the axes.
    for (const SiteSeries& site : series_) {
        site.line->clear();
        site.saved->clear();
        site.unsaved->clear();
    }
    ShowAxes(values);
    for (std::size_t i = 0; i < series_.size(); ++i) {
        if (Shows(static_cast<int>(i))) {
            series_[i].line->replace(slices[i].line);
            series_[i].saved->replace(slices[i].saved);
            series_[i].unsaved->replace(slices[i].unsaved);
        }
    }
    setTitle(titleShown_ ? TitleText() : QString());
}

std::optional<PlotChart::Hit> PlotChart::PointNear(QPointF pos, qreal radius) {
    if (data_ == nullptr) {
        return std::nullopt;
    }
    std::optional<Hit> best;
    qreal bestDistance = radius;
    for (std::size_t i = 0; i < series_.size(); ++i) {
        if (!Shows(static_cast<int>(i))) {
            continue;
        }
        QLineSeries* line = series_[i].line;
        const double from = mapToValue(QPointF(pos.x() - radius, pos.y()), line).x();
        const double to = mapToValue(QPointF(pos.x() + radius, pos.y()), line).x();
        const auto& points = data_->series[i].points;
        auto p = std::lower_bound(points.begin(), points.end(), from,
                                  [](const PlotPoint& a, double x) { return a.x < x; });
        for (; p != points.end() && p->x <= to; ++p) {
            const QPointF at = mapToPosition(QPointF(p->x, p->y), line);
            const qreal distance = std::hypot(at.x() - pos.x(), at.y() - pos.y());
            if (distance <= bestDistance) {
                bestDistance = distance;
                best = Hit{static_cast<int>(i), static_cast<std::size_t>(p - points.begin())};
            }
        }
    }
    return best;
}

QStringList PlotChart::ShownLabels() const {
    QStringList labels;
    for (std::size_t i = 0; i < series_.size(); ++i) {
        if (Shows(static_cast<int>(i))) {
            labels.append(series_[i].line->name());
        }
    }
    return labels;
}

int PlotChart::MarkerCount() const {
    int count = 0;
    for (const SiteSeries& site : series_) {
        if (site.saved->isVisible()) {
            count += static_cast<int>(site.saved->count() + site.unsaved->count());
        }
    }
    return count;
}

}  // namespace q417
