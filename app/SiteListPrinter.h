#pragma once

#include <QDateTime>
#include <QFont>
#include <QRectF>
#include <QString>
#include <vector>

class QAbstractItemModel;
class QPagedPaintDevice;
class QPaintDevice;
class QPainter;
class QPrinter;

namespace q417 {

// Lays out and paints the site list as a paged report: on every page a header line with the
// document's title and "Page N of M", the bold column titles, the rows with every other one
// shaded, and a footer with the time of printing. Everything is measured on the device that is
// painted, so a 1200 dpi printer and a 96 dpi preview give the same pages.
class SiteListPrinter {
  public:
    SiteListPrinter(const QAbstractItemModel& model, QString title);

    // The time printed in the footer; an invalid time (the default) means the time of printing.
    void SetPrintTime(QDateTime time);

    // Pages needed on the device's PrintArea; at least 1, an empty list has a page too.
    [[nodiscard]] int PageCount(QPagedPaintDevice& device) const;

    // Prints every page, or the printer's page range when one is chosen, and the copies the
    // printer does not make itself. Usable as it is from a print preview's paint request. False
    // when painting could not begin or a page could not be started.
    bool Print(QPrinter& printer) const;

    // Paints page `page` (1-based) of the layout that fits pageRect on the painter's device; a
    // page beyond the last paints nothing.
    void PaintPage(QPainter& painter, QRectF pageRect, int page) const;
    // Pages the layout that fits pageRect on the device has.
    [[nodiscard]] int PageCount(const QPaintDevice& device, QRectF pageRect) const;

    // The part of the device's page the report fills, in the painter's coordinates: the
    // printable area, narrowed where needed to keep a margin from the paper's edges.
    [[nodiscard]] static QRectF PrintArea(const QPagedPaintDevice& device);

  private:
    struct Layout {
        QFont titleFont;
        QFont bodyFont;
        QFont headFont;
        QFont footFont;
        QRectF area;
        qreal titleHeight = 0;
        qreal rowHeight = 0;
        qreal footHeight = 0;
        qreal padding = 0;
        qreal ruleWidth = 0;
        QRectF table;  // column titles and rows
        std::vector<qreal> columnWidths;
        int rowsPerPage = 1;
        int pageCount = 1;
    };

    [[nodiscard]] Layout MakeLayout(const QPaintDevice& device, QRectF area) const;
    [[nodiscard]] std::vector<qreal> ColumnWidths(const QPaintDevice& device, const Layout& layout,
                                                  qreal available) const;
    void Paint(QPainter& painter, const Layout& layout, int page, const QDateTime& stamp) const;
    [[nodiscard]] QDateTime Stamp() const;

    const QAbstractItemModel& model_;
    QString title_;
    QDateTime printTime_;
};

}  // namespace q417
