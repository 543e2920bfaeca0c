#pragma once

#include <QChartView>
#include <QPointF>

namespace q417 {

class PlotChart;

// Shows a PlotChart and moves about it: the wheel zooms the time axis about the pointer (with
// Shift the value axis), a drag pans, + and - zoom, the arrows pan, Home or Ctrl+0 (or a double
// click) shows everything again. The pointer over a reading shows its site, date, time and value.
class PlotView : public QChartView {
    Q_OBJECT

  public:
    explicit PlotView(PlotChart* chart, QWidget* parent = nullptr);

    [[nodiscard]] PlotChart& Chart() const { return *chart_; }
    // The tooltip text of the reading within reach of pos (view coordinates); empty for none.
    [[nodiscard]] QString ReadingTipAt(QPoint pos) const;

  protected:
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    // pos (view coordinates) in the chart's item coordinates.
    [[nodiscard]] QPointF ChartPos(QPointF pos) const;
    void ShowTipAt(QPoint pos, QPoint globalPos);

    PlotChart* chart_;
    bool dragging_ = false;
    QPointF lastDragPos_;
};

}  // namespace q417
