#pragma once

#include <QByteArray>
#include <QRectF>
#include <QSize>
#include <QString>
#include <optional>

#include "PlotChart.h"
#include "PlotData.h"

class QPainter;
class QPrinter;

namespace q417 {

// The plot as a picture, with a title naming the sites, the unit and the time range: PNG, SVG or
// PDF files and printed pages. The window and the command line both draw it here, from the same
// chart the window shows.
class PlotExport {
  public:
    enum class Format { Png, Svg, Pdf };
    static constexpr QSize kDefaultSize{1200, 800};
    static constexpr int kMaxSide = 20000;  // pixels: a 20000 x 20000 PNG is 1.6 GB of memory

    // The format a file name asks for by its suffix (any letter case); nothing for others.
    [[nodiscard]] static std::optional<Format> FormatOfPath(const QString& path);

    // Paints the chart laid out at size (logical pixels, fonts included) into target.
    static void Paint(QPainter& painter, const QRectF& target, QSizeF size, const PlotData& data,
                      const PlotViewState& view);
    // The file's bytes: a PNG of size pixels, an SVG of size CSS pixels, a PDF of one page of
    // size points.
    [[nodiscard]] static QByteArray Picture(Format format, QSize size, const PlotData& data,
                                            const PlotViewState& view);
    // Writes the picture to path in the format its suffix names, whole or not at all (a failed
    // write leaves an existing file as it was). Empty, or why it failed.
    [[nodiscard]] static QString Write(const QString& path, QSize size, const PlotData& data,
                                       const PlotViewState& view);
    // One page on printer as its page layout (File > Page Setup) has it. False when printing
    // could not begin.
    static bool Print(QPrinter& printer, const PlotData& data, const PlotViewState& view);
};

}  // namespace q417
