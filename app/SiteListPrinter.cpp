#include "SiteListPrinter.h"

#include <QAbstractItemModel>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>
#include <functional>

namespace q417 {

namespace {

constexpr qreal kFontPoints = 9;
const QColor kShade(238, 241, 245);
const QColor kRule(90, 90, 90);

}  // namespace

SiteListPrinter::SiteListPrinter(const QAbstractItemModel& model, QString title)
    : model_(model),
      title_(std::move(title)),
      printTime_(QDateTime::currentDateTime()),
      font_(QStringLiteral("DejaVu Sans")) {
    font_.setPointSizeF(kFontPoints);
    font_.setStyleHint(QFont::SansSerif);
    boldFont_ = font_;
    boldFont_.setBold(true);
}

QString SiteListPrinter::Cell(int row, int column) const {
    return model_.data(model_.index(row, column), Qt::DisplayRole).toString();
}

QString SiteListPrinter::Title(int column) const {
    return model_.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString().trimmed();
}

SiteListPrinter::Layout SiteListPrinter::MakeLayout(QPaintDevice& device) const {
    const QFontMetricsF metrics(font_, &device);
    const QFontMetricsF bold(boldFont_, &device);
    Layout layout;
    layout.width = device.width();
    layout.rowHeight = std::ceil(metrics.height() * 1.45);
    layout.headerHeight = std::ceil(bold.height() * 2.2);
    layout.footerHeight = std::ceil(metrics.height() * 2.0);

    const int columns = model_.columnCount();
    const int rows = model_.rowCount();
    const double padding = metrics.averageCharWidth() * 2;
    double total = 0;
    for (int c = 0; c < columns; ++c) {
        double widest = bold.horizontalAdvance(Title(c));
        for (int r = 0; r < rows; ++r) {
            widest = std::max(widest, metrics.horizontalAdvance(Cell(r, c)));
        }
        layout.columnWidths.push_back(widest + padding);
        total += widest + padding;
    }
    if (total > layout.width && columns > 0) {
        // Narrow columns keep their width; the wide ones share what is left alike.
        std::vector<bool> fixed(layout.columnWidths.size(), false);
        double left = layout.width;
        int open = columns;
        for (bool changed = true; changed && open > 0;) {
            changed = false;
            const double share = left / open;
            for (std::size_t c = 0; c < fixed.size(); ++c) {
                if (!fixed[c] && layout.columnWidths[c] <= share) {
                    fixed[c] = true;
                    left -= layout.columnWidths[c];
                    --open;
                    changed = true;
                }
            }
        }
        for (std::size_t c = 0; c < fixed.size(); ++c) {
            if (!fixed[c]) {
                layout.columnWidths[c] = left / open;
            }
        }
    }
    const double body =
        device.height() - layout.headerHeight - layout.rowHeight - layout.footerHeight;
    layout.rowsPerPage = std::max(1, static_cast<int>(body / layout.rowHeight));
    layout.pageCount = std::max(1, (rows + layout.rowsPerPage - 1) / layout.rowsPerPage);
    return layout;
}

int SiteListPrinter::PageCount(QPaintDevice& device) const {
    return MakeLayout(device).pageCount;
}

bool SiteListPrinter::Print(QPrinter& printer) const {
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    const int pageCount = PageCount(printer);
    int first = 1;
    int last = pageCount;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::clamp(printer.fromPage(), 1, pageCount);
        last = std::clamp(printer.toPage() > 0 ? printer.toPage() : pageCount, first, pageCount);
    }
    for (int page = first; page <= last; ++page) {
        if (page > first && !printer.newPage()) {
            return false;
        }
        PaintPage(painter, page - 1, pageCount);
    }
    return painter.end();
}

void SiteListPrinter::PaintPage(QPainter& painter, int page, int pageCount) const {
    QPaintDevice& device = *painter.device();
    const Layout layout = MakeLayout(device);
    const QFontMetricsF metrics(font_, &device);
    const double pad = metrics.averageCharWidth();
    const double height = device.height();

    // The title line: the document on the left, the page on the right, a rule below.
    painter.setPen(Qt::black);
    painter.setFont(boldFont_);
    const QRectF titleLine(0, 0, layout.width, layout.headerHeight * 0.7);
    const QString pageText = QStringLiteral("Page %1 of %2").arg(page + 1).arg(pageCount);
    painter.drawText(
        titleLine, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetricsF(boldFont_, &device).elidedText(title_, Qt::ElideMiddle, layout.width * 0.7));
    painter.drawText(titleLine, Qt::AlignRight | Qt::AlignVCenter, pageText);
    painter.setPen(QPen(kRule, std::max(1.0, device.logicalDpiY() / 150.0)));
    painter.drawLine(QPointF(0, layout.headerHeight * 0.8),
                     QPointF(layout.width, layout.headerHeight * 0.8));

    // The column titles, on every page.
    double y = layout.headerHeight;
    auto drawRow = [&](const std::function<QString(int)>& text) {
        double x = 0;
        for (std::size_t c = 0; c < layout.columnWidths.size(); ++c) {
            const double w = layout.columnWidths[c];
            const QRectF cell(x + pad, y, w - 2 * pad, layout.rowHeight);
            const QFontMetricsF fm(painter.font(), &device);
            painter.drawText(
                cell, Qt::AlignLeft | Qt::AlignVCenter,
                fm.elidedText(text(static_cast<int>(c)), Qt::ElideRight, cell.width()));
            x += w;
        }
        y += layout.rowHeight;
    };
    painter.setFont(boldFont_);
    painter.setPen(Qt::black);
    drawRow([this](int c) { return Title(c); });
    painter.setPen(QPen(kRule, std::max(1.0, device.logicalDpiY() / 300.0)));
    painter.drawLine(QPointF(0, y), QPointF(layout.width, y));

    painter.setFont(font_);
    const int rows = model_.rowCount();
    const int firstRow = page * layout.rowsPerPage;
    const int lastRow = std::min(rows, firstRow + layout.rowsPerPage);
    for (int r = firstRow; r < lastRow; ++r) {
        if ((r - firstRow) % 2 == 1) {
            painter.fillRect(QRectF(0, y, layout.width, layout.rowHeight), kShade);
        }
        painter.setPen(Qt::black);
        drawRow([this, r](int c) { return Cell(r, c); });
    }
    if (rows == 0) {
        painter.setPen(Qt::black);
        painter.drawText(QRectF(pad, y, layout.width, layout.rowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("No sites"));
    }

    // The foot: when this was printed.
    painter.setPen(Qt::darkGray);
    painter.drawText(
        QRectF(0, height - layout.footerHeight, layout.width, layout.footerHeight),
        Qt::AlignLeft | Qt::AlignBottom,
        QStringLiteral("Printed ") + printTime_.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
}

}  // namespace q417
