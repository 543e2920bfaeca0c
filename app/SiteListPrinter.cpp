#include "SiteListPrinter.h"

#include <QAbstractItemModel>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace q417 {

namespace {

// Sizes in points, so that they come out the same at every resolution.
constexpr qreal kTitlePoints = 12;
constexpr qreal kBodyPoints = 9;
constexpr qreal kFootPoints = 7.5;
constexpr qreal kRulePoints = 0.75;
constexpr qreal kThinRulePoints = 0.4;
// A row is this many text lines high: room above and below the text keeps the report airy.
constexpr qreal kRowLines = 1.55;
// A printer's own margins are often a few millimetres only; a report wants more room.
constexpr qreal kMinMarginMm = 15;

const QColor kHeadShade(0xDD, 0xDD, 0xDD);
const QColor kRowShade(0xF1, 0xF1, 0xF1);
const QColor kFootInk(0x55, 0x55, 0x55);

QFont PrintFont(qreal points, bool bold) {
    QFont font;
    font.setPointSizeF(points);
    font.setBold(bold);
    // Hinting snaps glyphs to the device grid, which would make widths differ between a preview
    // and the printer.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Columns that fit their fair share of the width keep their natural width; the wider ones share
// what is left in proportion to their natural widths. A single very long cell so narrows only
// its own column instead of every column. With width to spare, all grow in proportion.
std::vector<qreal> FitWidths(std::vector<qreal> natural, qreal available) {
    const std::size_t n = natural.size();
    if (n == 0) {
        return natural;
    }
    const qreal total = std::accumulate(natural.begin(), natural.end(), qreal(0));
    if (total <= 0) {
        return std::vector<qreal>(n, available / static_cast<qreal>(n));
    }
    if (total <= available) {
        for (qreal& w : natural) {
            w *= available / total;
        }
        return natural;
    }
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::sort(order.begin(), order.end(),
              [&natural](std::size_t a, std::size_t b) { return natural[a] < natural[b]; });
    qreal remaining = available;
    std::size_t kept = 0;
    while (kept < n && natural[order[kept]] <= remaining / static_cast<qreal>(n - kept)) {
        remaining -= natural[order[kept]];
        ++kept;
    }
    qreal wideTotal = 0;
    for (std::size_t i = kept; i < n; ++i) {
        wideTotal += natural[order[i]];
    }
    for (std::size_t i = kept; i < n; ++i) {
        natural[order[i]] *= remaining / wideTotal;
    }
    return natural;
}

}  // namespace

SiteListPrinter::SiteListPrinter(const QAbstractItemModel& model, QString title)
    : model_(model), title_(std::move(title)) {}

void SiteListPrinter::SetPrintTime(QDateTime time) {
    printTime_ = std::move(time);
}

int SiteListPrinter::PageCount(QPagedPaintDevice& device) const {
    return PageCount(device, PrintArea(device));
}

QRectF SiteListPrinter::PrintArea(const QPagedPaintDevice& device) {
    // The painter's origin is the top left of the printable area (of the paper, for a printer
    // set to paint the full page); the device's width and height measure that area.
    const QRectF area(0, 0, device.width(), device.height());
    const QPageLayout page = device.pageLayout();
    const int dpi = device.logicalDpiY();
    const auto* printer = dynamic_cast<const QPrinter*>(&device);
    const QRectF paper = page.fullRectPixels(dpi);
    const QRectF printable =
        printer != nullptr && printer->fullPage() ? paper : QRectF(page.paintRectPixels(dpi));
    const qreal margin = kMinMarginMm / 25.4 * dpi;
    const auto more = [margin](qreal has) { return std::max(qreal(0), margin - has); };
    return area.adjusted(more(printable.left() - paper.left()), more(printable.top() - paper.top()),
                         -more(paper.right() - printable.right()),
                         -more(paper.bottom() - printable.bottom()));
}

int SiteListPrinter::PageCount(const QPaintDevice& device, QRectF pageRect) const {
    return MakeLayout(device, pageRect).pageCount;
}

bool SiteListPrinter::Print(QPrinter& printer) const {
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    const Layout layout = MakeLayout(printer, PrintArea(printer));
    int first = 1;
    int last = layout.pageCount;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::max(first, printer.fromPage());
        last = std::min(last, std::max(printer.toPage(), first));
    }
    // Copies the printer does not make itself are painted here.
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    const bool collate = printer.collateCopies();
    const QDateTime stamp = Stamp();
    bool started = false;
    bool ok = true;
    const auto paintOne = [&](int page) {
        if (started && !printer.newPage()) {
            ok = false;
            return;
        }
        started = true;
        Paint(painter, layout, page, stamp);
    };
    for (int outer = 0; ok && outer < (collate ? copies : 1); ++outer) {
        for (int page = first; ok && page <= last; ++page) {
            for (int inner = 0; ok && inner < (collate ? 1 : copies); ++inner) {
                paintOne(page);
            }
        }
    }
    return painter.end() && ok;
}

void SiteListPrinter::PaintPage(QPainter& painter, QRectF pageRect, int page) const {
    if (painter.device() == nullptr) {
        return;
    }
    Paint(painter, MakeLayout(*painter.device(), pageRect), page, Stamp());
}

QDateTime SiteListPrinter::Stamp() const {
    return printTime_.isValid() ? printTime_ : QDateTime::currentDateTime();
}

SiteListPrinter::Layout SiteListPrinter::MakeLayout(const QPaintDevice& device, QRectF area) const {
    Layout layout;
    layout.area = area;
    layout.titleFont = PrintFont(kTitlePoints, true);
    layout.bodyFont = PrintFont(kBodyPoints, false);
    layout.headFont = PrintFont(kBodyPoints, true);
    layout.footFont = PrintFont(kFootPoints, false);
    const qreal pixelsPerPoint = device.logicalDpiY() / 72.0;
    layout.ruleWidth = kRulePoints * pixelsPerPoint;

    const QFontMetricsF title(layout.titleFont, &device);
    const QFontMetricsF body(layout.bodyFont, &device);
    const QFontMetricsF foot(layout.footFont, &device);
    layout.padding = body.height() * 0.4;
    layout.rowHeight = body.height() * kRowLines;
    // Title line, a gap, the rule and a gap before the table.
    layout.titleHeight = title.height() + body.height() * 0.9;
    layout.footHeight = foot.height() + body.height() * 0.9;
    layout.table =
        QRectF(area.left(), area.top() + layout.titleHeight, area.width(),
               std::max(qreal(0), area.height() - layout.titleHeight - layout.footHeight));

    const qreal forRows = layout.table.height() - layout.rowHeight;
    layout.rowsPerPage = std::max(1, static_cast<int>(std::floor(forRows / layout.rowHeight)));
    const int rows = model_.rowCount();
    layout.pageCount = std::max(1, (rows + layout.rowsPerPage - 1) / layout.rowsPerPage);
    layout.columnWidths = ColumnWidths(device, layout, area.width());
    return layout;
}

std::vector<qreal> SiteListPrinter::ColumnWidths(const QPaintDevice& device, const Layout& layout,
                                                 qreal available) const {
    const QFontMetricsF body(layout.bodyFont, &device);
    const QFontMetricsF head(layout.headFont, &device);
    const int columns = model_.columnCount();
    const int rows = model_.rowCount();
    std::vector<qreal> natural(static_cast<std::size_t>(std::max(0, columns)), 0);
    for (int c = 0; c < columns; ++c) {
        qreal widest = head.horizontalAdvance(model_.headerData(c, Qt::Horizontal).toString());
        for (int r = 0; r < rows; ++r) {
            widest = std::max(widest,
                              body.horizontalAdvance(model_.data(model_.index(r, c)).toString()));
        }
        // A pixel to spare: eliding works in fixed point and would cut a text of exactly the
        // column's width.
        natural[static_cast<std::size_t>(c)] = std::ceil(widest) + 1 + 2 * layout.padding;
    }
    return FitWidths(std::move(natural), available);
}

void SiteListPrinter::Paint(QPainter& painter, const Layout& layout, int page,
                            const QDateTime& stamp) const {
    if (page < 1 || page > layout.pageCount) {
        return;
    }
    painter.save();
    const QPaintDevice& device = *painter.device();
    const QRectF& area = layout.area;
    const qreal pixelsPerPoint = device.logicalDpiY() / 72.0;
    const QFontMetricsF title(layout.titleFont, &device);
    const QFontMetricsF body(layout.bodyFont, &device);
    const QFontMetricsF head(layout.headFont, &device);
    const QFontMetricsF foot(layout.footFont, &device);
    const QPen rule(Qt::black, layout.ruleWidth);
    const QPen thinRule(Qt::black, kThinRulePoints * pixelsPerPoint);

    // Header line: title on the left, page number on the right, on one baseline.
    const QString pageText = QStringLiteral("Page %1 of %2").arg(page).arg(layout.pageCount);
    const qreal pageWidth = body.horizontalAdvance(pageText);
    const qreal titleBaseline = area.top() + title.ascent();
    painter.setPen(Qt::black);
    painter.setFont(layout.titleFont);
    painter.drawText(
        QPointF(area.left(), titleBaseline),
        title.elidedText(title_, Qt::ElideRight, area.width() - pageWidth - 2 * body.height()));
    painter.setFont(layout.bodyFont);
    painter.drawText(QPointF(area.right() - pageWidth, titleBaseline), pageText);
    const qreal titleRuleY = area.top() + title.height() + body.height() * 0.3;
    painter.setPen(rule);
    painter.drawLine(QPointF(area.left(), titleRuleY), QPointF(area.right(), titleRuleY));

    const int columns = static_cast<int>(layout.columnWidths.size());
    const auto drawRow = [&](qreal top, const QFontMetricsF& metrics, auto&& text) {
        qreal left = area.left();
        for (int c = 0; c < columns; ++c) {
            const qreal width = layout.columnWidths[static_cast<std::size_t>(c)];
            const QRectF cell(left + layout.padding, top, width - 2 * layout.padding,
                              layout.rowHeight);
            painter.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                             metrics.elidedText(text(c), Qt::ElideRight, cell.width()));
            left += width;
        }
    };

    // Column titles, on every page.
    qreal y = layout.table.top();
    painter.fillRect(QRectF(area.left(), y, area.width(), layout.rowHeight), kHeadShade);
    painter.setPen(Qt::black);
    painter.setFont(layout.headFont);
    drawRow(y, head, [this](int c) { return model_.headerData(c, Qt::Horizontal).toString(); });
    y += layout.rowHeight;
    painter.setPen(thinRule);
    painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));

    painter.setFont(layout.bodyFont);
    const int rows = model_.rowCount();
    const int firstRow = (page - 1) * layout.rowsPerPage;
    const int endRow = std::min(rows, firstRow + layout.rowsPerPage);
    if (rows == 0) {
        painter.setPen(Qt::black);
        painter.drawText(QRectF(area.left() + layout.padding, y, area.width(), layout.rowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         QStringLiteral("No sites"));
        y += layout.rowHeight;
    }
    for (int r = firstRow; r < endRow; ++r) {
        // Shading follows the row's place in the list, so it carries on across pages.
        if (r % 2 == 1) {
            painter.fillRect(QRectF(area.left(), y, area.width(), layout.rowHeight), kRowShade);
        }
        painter.setPen(Qt::black);
        drawRow(y, body, [this, r](int c) { return model_.data(model_.index(r, c)).toString(); });
        y += layout.rowHeight;
    }
    painter.setPen(thinRule);
    painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));

    // Footer: when it was printed, and by what.
    const qreal footBaseline = area.bottom() - foot.descent();
    const qreal footRuleY = area.bottom() - foot.height() - body.height() * 0.3;
    painter.setPen(thinRule);
    painter.drawLine(QPointF(area.left(), footRuleY), QPointF(area.right(), footRuleY));
    painter.setPen(kFootInk);
    painter.setFont(layout.footFont);
    const QString printed =
        QStringLiteral("Printed %1")
            .arg(stamp.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    painter.drawText(QPointF(area.left(), footBaseline), printed);
    const QString by = QStringLiteral("Q417 Host");
    painter.drawText(QPointF(area.right() - foot.horizontalAdvance(by), footBaseline), by);
    painter.restore();
}

}  // namespace q417
