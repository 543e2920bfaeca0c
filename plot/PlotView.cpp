#include "PlotView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>

#include "PlotChart.h"
#include "ReadoutTime.h"

namespace q417 {

namespace {

// One notch of the wheel, or one press of + or -, shows this share of the range.
constexpr double kZoomStep = 0.8;
// An arrow key moves the view by this share of it.
constexpr double kPanShare = 0.1;
// How near the pointer has to come to a reading for its tooltip, in pixels.
constexpr qreal kTipRadius = 8;

}  // namespace

PlotView::PlotView(PlotChart* chart, QWidget* parent) : QChartView(chart, parent), chart_(chart) {
    setObjectName(QStringLiteral("plotView"));
    setRenderHint(QPainter::Antialiasing);
    setRubberBand(QChartView::NoRubberBand);
    setDragMode(QGraphicsView::NoDrag);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);  // the tooltips of the readings
    viewport()->setCursor(Qt::OpenHandCursor);
    // Repainting only what changed costs more than the whole chart when a pan moves everything.
    setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
}

QPointF PlotView::ChartPos(QPointF pos) const {
    return chart_->mapFromScene(mapToScene(pos.toPoint()));
}

void PlotView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) {
        event->ignore();
        return;
    }
    const double factor = std::pow(kZoomStep, notches);
    const QPointF at = ChartPos(event->position());
    const QPointF value = chart_->mapToValue(at);  // every series shares the two axes
    if (event->modifiers() & Qt::ShiftModifier) {
        chart_->ZoomValues(factor, value.y());
    } else {
        chart_->ZoomTime(factor, value.x());
    }
    event->accept();
}

void PlotView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = true;
        lastDragPos_ = event->position();
        viewport()->setCursor(Qt::ClosedHandCursor);
        QToolTip::hideText();
        event->accept();
        return;
    }
    QChartView::mousePressEvent(event);
}

void PlotView::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        const QPointF delta = event->position() - lastDragPos_;
        lastDragPos_ = event->position();
        chart_->PanPixels(delta);
        event->accept();
        return;
    }
    ShowTipAt(event->position().toPoint(), event->globalPosition().toPoint());
    QChartView::mouseMoveEvent(event);
}

void PlotView::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_ && event->button() == Qt::LeftButton) {
        dragging_ = false;
        viewport()->setCursor(Qt::OpenHandCursor);
        event->accept();
        return;
    }
    QChartView::mouseReleaseEvent(event);
}

void PlotView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        chart_->ResetView();
        event->accept();
        return;
    }
    QChartView::mouseDoubleClickEvent(event);
}

void PlotView::keyPressEvent(QKeyEvent* event) {
    const auto [x0, x1] = chart_->TimeRange();
    const QRectF area = chart_->plotArea();
    const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            chart_->ZoomTime(kZoomStep, (x0 + x1) / 2);
            break;
        case Qt::Key_Minus:
            chart_->ZoomTime(1 / kZoomStep, (x0 + x1) / 2);
            break;
        case Qt::Key_Left:
            chart_->PanPixels(QPointF(area.width() * kPanShare, 0));
            break;
        case Qt::Key_Right:
            chart_->PanPixels(QPointF(-area.width() * kPanShare, 0));
            break;
        case Qt::Key_Up:
            chart_->PanPixels(QPointF(0, area.height() * kPanShare));
            break;
        case Qt::Key_Down:
            chart_->PanPixels(QPointF(0, -area.height() * kPanShare));
            break;
        case Qt::Key_Home:
            chart_->ResetView();
            break;
        case Qt::Key_0:
            if (!control) {
                QChartView::keyPressEvent(event);
                return;
            }
            chart_->ResetView();
            break;
        default:
            QChartView::keyPressEvent(event);
            return;
    }
    event->accept();
}

void PlotView::leaveEvent(QEvent* event) {
    QToolTip::hideText();
    QChartView::leaveEvent(event);
}

QString PlotView::ReadingTipAt(QPoint pos) const {
    const auto hit = chart_->PointNear(ChartPos(pos), kTipRadius);
    const PlotData* plot = chart_->Data();
    if (!hit || plot == nullptr) {
        return {};
    }
    const PlotSeries& series = plot->series[static_cast<std::size_t>(hit->series)];
    const PlotPoint& point = series.points[hit->point];
    QString tip = series.label + QLatin1Char('\n') +
                  QString::fromStdString(FormatReadoutTime(point.readoutTime)) +
                  QStringLiteral("   ") + QString::number(point.y, 'g', 7) + QLatin1Char(' ') +
                  QString::fromLatin1(UnitsColumnName(plot->unit));
    if (point.unsaved) {
        tip += QStringLiteral("\nnot saved yet");
    }
    return tip;
}

void PlotView::ShowTipAt(QPoint pos, QPoint globalPos) {
    const QString tip = ReadingTipAt(pos);
    if (tip.isEmpty()) {
        QToolTip::hideText();
    } else {
        QToolTip::showText(globalPos, tip, this);
    }
}

}  // namespace q417
