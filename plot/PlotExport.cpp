#include "PlotExport.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSvgGenerator>
#include <memory>

#include "FileStore.h"

namespace q417 {

namespace {

// The width a printed page is laid out at: the chart's fonts and lines come out as on a
// picture of this many pixels across, whatever the printer's resolution.
constexpr qreal kPrintLayoutWidth = 1100;

}  // namespace

std::optional<PlotExport::Format> PlotExport::FormatOfPath(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png")) {
        return Format::Png;
    }
    if (suffix == QLatin1String("svg")) {
        return Format::Svg;
    }
    if (suffix == QLatin1String("pdf")) {
        return Format::Pdf;
    }
    return std::nullopt;
}

void PlotExport::Paint(QPainter& painter, const QRectF& target, QSizeF size, const PlotData& data,
                       const PlotViewState& view) {
    QGraphicsScene scene;
    auto* chart = new PlotChart;
    scene.addItem(chart);  // the scene owns it
    // Not owned: the chart goes with the scene, before data.
    chart->SetData(std::shared_ptr<const PlotData>(std::shared_ptr<void>(), &data), false);
    chart->ApplyState(view);
    chart->SetTitleShown(true);
    const QRectF area(QPointF(0, 0), size);
    chart->setGeometry(area);
    // Laid out, filled for that width, and laid out again for the labels the fill brought.
    for (int pass = 0; pass < 2; ++pass) {
        chart->layout()->activate();
        chart->UpdateNow();
    }
    chart->layout()->activate();
    scene.setSceneRect(area);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    scene.render(&painter, target, area, Qt::KeepAspectRatio);
    painter.restore();
}

QByteArray PlotExport::Picture(Format format, QSize size, const PlotData& data,
                               const PlotViewState& view) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QRectF target(QPointF(0, 0), QSizeF(size));
    switch (format) {
        case Format::Png: {
            QImage image(size, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            QPainter painter(&image);
            Paint(painter, target, QSizeF(size), data, view);
            painter.end();
            image.save(&buffer, "PNG");
            break;
        }
        case Format::Svg: {
            QSvgGenerator svg;
            svg.setOutputDevice(&buffer);
            svg.setSize(size);
            svg.setViewBox(QRect(QPoint(0, 0), size));
            svg.setTitle(QStringLiteral("Readings"));
            // CSS pixels: a viewer shows the drawing as many pixels across as asked for.
            svg.setResolution(96);
            QPainter painter(&svg);
            Paint(painter, target, QSizeF(size), data, view);
            break;
        }
        case Format::Pdf: {
            QPdfWriter pdf(&buffer);
            pdf.setCreator(QStringLiteral("Q417 Host"));
            // A point a pixel: the page is as many points across as the picture is pixels.
            pdf.setResolution(72);
            pdf.setPageSize(
                QPageSize(QSizeF(size), QPageSize::Point, QString(), QPageSize::ExactMatch));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
            QPainter painter(&pdf);
            Paint(painter, QRectF(0, 0, pdf.width(), pdf.height()), QSizeF(size), data, view);
            break;
        }
    }
    return bytes;
}

QString PlotExport::Write(const QString& path, QSize size, const PlotData& data,
                          const PlotViewState& view) {
    const std::optional<Format> format = FormatOfPath(path);
    if (!format) {
        return QStringLiteral("%1: the name must end in .png, .svg or .pdf").arg(path);
    }
    if (size.width() < 1 || size.height() < 1 || size.width() > kMaxSide ||
        size.height() > kMaxSide) {
        return QStringLiteral("a picture is 1 to %1 pixels wide and high").arg(kMaxSide);
    }
    const QByteArray bytes = Picture(*format, size, data, view);
    if (bytes.isEmpty()) {
        return QStringLiteral("%1: the picture could not be drawn").arg(path);
    }
    const std::string error =
        FileStore::WriteAtomically(QFile::encodeName(path).toStdString(), bytes.toStdString());
    return QString::fromLocal8Bit(error.data(), static_cast<qsizetype>(error.size()));
}

bool PlotExport::Print(QPrinter& printer, const PlotData& data, const PlotViewState& view) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QRectF target(0, 0, page.width(), page.height());
    const QSizeF layout(kPrintLayoutWidth, kPrintLayoutWidth * target.height() / target.width());
    Paint(painter, target, layout, data, view);
    return painter.end();
}

}  // namespace q417
