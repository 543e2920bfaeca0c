#pragma once

#include <QDateTime>
#include <QFont>
#include <QString>
#include <vector>

class QAbstractItemModel;
class QPaintDevice;
class QPainter;
class QPrinter;

namespace q417 {

// Prints a list as a table: on every page the document's title with "Page N of M", the column
// titles and as many whole rows as fit, and the time of printing at the foot. Columns are as
// wide as their widest text, narrowed alike when the page is too narrow, and a cell that still
// does not fit is cut with an ellipsis. Sizes come from the device, so a printer at any
// resolution and the preview lay out the same.
class SiteListPrinter {
  public:
    SiteListPrinter(const QAbstractItemModel& model, QString title);

    // The time printed at the foot of each page (default: now, local).
    void SetPrintTime(QDateTime time) { printTime_ = std::move(time); }

    [[nodiscard]] int PageCount(QPaintDevice& device) const;
    // Prints every page (or the printer's page range). False when painting could not begin.
    bool Print(QPrinter& printer) const;
    // Paints page (0-based) of pageCount on a page the size of the painter's device.
    void PaintPage(QPainter& painter, int page, int pageCount) const;

  private:
    struct Layout {
        double width = 0;
        double headerHeight = 0;  // title line and rule
        double rowHeight = 0;
        double footerHeight = 0;
        std::vector<double> columnWidths;
        int rowsPerPage = 1;
        int pageCount = 1;
    };

    [[nodiscard]] Layout MakeLayout(QPaintDevice& device) const;
    [[nodiscard]] QString Cell(int row, int column) const;
    [[nodiscard]] QString Title(int column) const;

    const QAbstractItemModel& model_;
    QString title_;
    QDateTime printTime_;
    QFont font_;
    QFont boldFont_;
};

}  // namespace q417
