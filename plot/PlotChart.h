#pragma once

#include <QChart>
#include <QTimer>
#include <cstddef>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "PlotData.h"

QT_BEGIN_NAMESPACE
class QDateTimeAxis;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
QT_END_NAMESPACE

namespace q417 {

// Where the user left the view: which site, and where the axes stand. An export or a print
// carries it over from the window.
struct PlotViewState {
    int shownSite = -1;                               // index into PlotData::series; -1: all
    std::optional<std::pair<double, double>> time;    // chart ms; nothing: every reading
    std::optional<std::pair<double, double>> values;  // nothing: fitted to the points in view
};

// The chart of a plot: one line a site over a time axis, markers on the readings (hollow for
// those not saved yet), a legend, and the view's zoom and pan. Only the points in view go into
// the series, thinned to the plot's pixel columns, so a ten-year history zooms and pans as
// quickly as a week of it. The window's view and the exported pictures draw the same chart.
class PlotChart : public QChart {
    Q_OBJECT

  public:
    explicit PlotChart(QGraphicsItem* parent = nullptr);
    ~PlotChart() override;

    // New data. keepView keeps the site shown and the axes where they are (the same sites
    // read again), else the view starts over with every site and every reading.
    void SetData(std::shared_ptr<const PlotData> data, bool keepView);
    [[nodiscard]] const PlotData* Data() const { return data_.get(); }

    // One site (an index into the data's series) or all of them (-1).
    void ShowSite(int index);
    [[nodiscard]] int ShownSite() const { return shownSite_; }
    [[nodiscard]] bool Shows(int series) const;

    void ResetView();
    // factor < 1 zooms in; anchor (chart ms, or a value) stays where it is on the screen.
    void ZoomTime(double factor, double anchor);
    void ZoomValues(double factor, double anchor);
    // Moves the content by delta pixels, as a drag does.
    void PanPixels(QPointF delta);
    [[nodiscard]] std::pair<double, double> TimeRange() const { return {x0_, x1_}; }
    [[nodiscard]] std::pair<double, double> ValueRange() const { return shownValues_; }

    [[nodiscard]] PlotViewState State() const;
    void ApplyState(const PlotViewState& state);

    // The title that names the sites, the unit and the time range, shown on pictures.
    void SetTitleShown(bool shown);
    [[nodiscard]] QString TitleText() const;

    // Fills the series for the view at once; changes of the view otherwise do it at the next
    // turn of the event loop, once however many came.
    void UpdateNow();

    struct Hit {
        int series = -1;
        std::size_t point = 0;
    };
    // The reading drawn nearest to pos (chart coordinates), within radius pixels.
    [[nodiscard]] std::optional<Hit> PointNear(QPointF pos, qreal radius);

    // What is drawn now: the shown sites' legend names and the markers in view.
    [[nodiscard]] QStringList ShownLabels() const;
    [[nodiscard]] int MarkerCount() const;

  private:
    struct SiteSeries {
        QLineSeries* line = nullptr;
        QScatterSeries* saved = nullptr;
        QScatterSeries* unsaved = nullptr;
    };

    void ScheduleUpdate();
    void OnPlotAreaChanged(const QRectF& area);
    // The shown sites' readings with a margin; FullTimeRange widens it to round times, with a
    // tick every FullTimeStep (0: no round step fits).
    [[nodiscard]] std::pair<double, double> DataTimeRange() const;
    [[nodiscard]] std::pair<double, double> FullTimeRange() const;
    [[nodiscard]] double FullTimeStep() const;
    [[nodiscard]] std::pair<double, double> FittedValues(double low, double high) const;
    void ShowAxes(std::pair<double, double> values);
    void HideFromLegend(QAbstractSeries* series);

    std::shared_ptr<const PlotData> data_;
    QDateTimeAxis* timeAxis_ = nullptr;
    QValueAxis* valueAxis_ = nullptr;
    std::vector<SiteSeries> series_;
    QScatterSeries* notSavedKey_ = nullptr;  // the legend's "not saved yet" entry, no points
    int shownSite_ = -1;
    double x0_ = 0;  // the time range in view, chart ms
    double x1_ = 1;
    std::optional<std::pair<double, double>> values_;  // set by the user, else fitted
    std::pair<double, double> shownValues_{0, 1};      // the value axis as drawn last
    bool titleShown_ = false;
    qreal laidOutWidth_ = -1;  // the plot width the series were last thinned for
    QTimer updateTimer_;
};

}  // namespace q417
