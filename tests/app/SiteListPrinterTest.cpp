#include <QFile>
#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "SiteListPrinter.h"

using namespace q417;

namespace {

const QStringList kTitles = {QStringLiteral("ID   "),     QStringLiteral("Location"),
                             QStringLiteral("Date/Time"), QStringLiteral("Latest Data"),
                             QStringLiteral("Units"),     QStringLiteral("Serial Number")};
const QDateTime kPrinted(QDate(2024, 3, 5), QTime(14, 7));

// Every cell but Units differs from row to row, so each row can be found on its page.
std::unique_ptr<QStandardItemModel> Sites(int rows) {
    auto model = std::make_unique<QStandardItemModel>(rows, 6);
    model->setHorizontalHeaderLabels(kTitles);
    for (int r = 0; r < rows; ++r) {
        const QStringList cells = {QString::number(r + 1),
                                   QStringLiteral("Site %1").arg(r + 1),
                                   QStringLiteral("%1/%2/24 10:%3")
                                       .arg(r % 12 + 1, 2, 10, QLatin1Char('0'))
                                       .arg(r % 28 + 1, 2, 10, QLatin1Char('0'))
                                       .arg(r % 60, 2, 10, QLatin1Char('0')),
                                   QString::number(1000 + r * 0.5, 'f', 3),
                                   QStringLiteral("psi"),
                                   QStringLiteral("QS%1").arg(r, 5, 10, QLatin1Char('0'))};
        for (int c = 0; c < 6; ++c) {
            model->setItem(r, c, new QStandardItem(cells[c]));
        }
    }
    return model;
}

struct Drawn {
    QString text;
    QPointF at;  // left end of the baseline
    qreal width = 0;
};

// Keeps the texts a painter draws; pieces that continue one another on a baseline (a fallback
// font for the ellipsis, say) are joined into one text.
class RecordingEngine : public QPaintEngine {
  public:
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawRects(const QRectF*, int) override {}
    void drawLines(const QLineF*, int) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        if (!texts.empty() && qAbs(texts.back().at.y() - p.y()) < 0.5 &&
            qAbs(texts.back().at.x() + texts.back().width - p.x()) < 1) {
            texts.back().text += item.text();
            texts.back().width += item.width();
            return;
        }
        texts.push_back({item.text(), p, item.width()});
    }
    Type type() const override { return User; }
    std::vector<Drawn> texts;
};

class RecordingDevice : public QPaintDevice {
  public:
    RecordingDevice(const QPrinter& like)
        : size_(like.width(), like.height()), dpi_(like.resolution()) {}
    QPaintEngine* paintEngine() const override { return &engine_; }
    mutable RecordingEngine engine_;

  protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
            case PdmWidth:
                return size_.width();
            case PdmHeight:
                return size_.height();
            case PdmWidthMM:
                return qRound(size_.width() * 25.4 / dpi_);
            case PdmHeightMM:
                return qRound(size_.height() * 25.4 / dpi_);
            case PdmNumColors:
                return 0xFFFFFF;
            case PdmDepth:
                return 32;
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return dpi_;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return int(devicePixelRatioFScale());
            default:
                return 0;
        }
    }

  private:
    QSize size_;
    int dpi_;
};

// The texts of one page, painted as the printer would get it.
std::vector<Drawn> PageTexts(const SiteListPrinter& printer, const QPrinter& like, int page) {
    RecordingDevice device(like);
    QPainter painter(&device);
    const QRectF area = SiteListPrinter::PrintArea(like);
    printer.PaintPage(painter, area, page);
    painter.end();
    for (const Drawn& d : device.engine_.texts) {
        if (d.at.x() < area.left() - 0.5 || d.at.x() + d.width > area.right() + 0.5) {
            qWarning() << "drawn outside the page:" << d.text;
            return {};
        }
    }
    return device.engine_.texts;
}

QStringList Texts(const std::vector<Drawn>& drawn) {
    QStringList texts;
    for (const Drawn& d : drawn) {
        texts << d.text;
    }
    return texts;
}

int PdfPages(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QString pdf = QString::fromLatin1(file.readAll());
    return int(pdf.count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

}  // namespace

class SiteListPrinterTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;

    std::unique_ptr<QPrinter> Pdf(const QString& name,
                                  QPrinter::PrinterMode mode = QPrinter::HighResolution) {
        auto printer = std::make_unique<QPrinter>(mode);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setPageSize(QPageSize(QPageSize::A4));
        printer->setPageOrientation(QPageLayout::Portrait);
        printer->setOutputFileName(dir_.filePath(name));
        return printer;
    }

    // The most rows one page holds.
    int RowsPerPage() {
        auto printer = Pdf(QStringLiteral("probe.pdf"));
        int rows = 1;
        while (rows < 1000) {
            auto model = Sites(rows + 1);
            if (SiteListPrinter(*model, QString()).PageCount(*printer) > 1) {
                break;
            }
            ++rows;
        }
        return rows;
    }

  private Q_SLOTS:
    void pageCounts_data() {
        QTest::addColumn<int>("pagesFull");  // rows: pagesFull pages full, then extra
        QTest::addColumn<int>("extra");
        QTest::newRow("empty") << 0 << 0;
        QTest::newRow("one") << 0 << 1;
        QTest::newRow("page full") << 1 << 0;
        QTest::newRow("one over") << 1 << 1;
        QTest::newRow("177") << 0 << 177;
    }
    void pageCounts() {
        QFETCH(int, pagesFull);
        QFETCH(int, extra);
        const int perPage = RowsPerPage();
        QVERIFY(perPage < 177);  // 177 sites need more than one A4 page
        const int rows = pagesFull * perPage + extra;
        const int pages = qMax(1, (rows + perPage - 1) / perPage);
        auto model = Sites(rows);
        SiteListPrinter sites(*model, QStringLiteral("north.ini"));
        auto printer = Pdf(QStringLiteral("pages.pdf"));
        QCOMPARE(sites.PageCount(*printer), pages);
        QVERIFY(sites.Print(*printer));
        QCOMPARE(PdfPages(printer->outputFileName()), pages);
    }

    void pageCountGrowsWithRows() {
        auto printer = Pdf(QStringLiteral("grow.pdf"));
        int previous = 1;
        for (int rows = 0; rows <= 177; ++rows) {
            auto model = Sites(rows);
            const int pages = SiteListPrinter(*model, QString()).PageCount(*printer);
            QVERIFY2(pages >= previous, qPrintable(QString::number(rows)));
            previous = pages;
        }
        QVERIFY(previous > 1);
    }

    // The layout is measured on the printer: the same pages at any resolution.
    void resolutions_data() {
        QTest::addColumn<int>("dpi");
        QTest::newRow("72") << 72;
        QTest::newRow("150") << 150;
        QTest::newRow("600") << 600;
        QTest::newRow("1200") << 1200;
    }
    void resolutions() {
        QFETCH(int, dpi);
        auto model = Sites(177);
        SiteListPrinter sites(*model, QString());
        auto reference = Pdf(QStringLiteral("ref.pdf"));
        reference->setResolution(300);
        auto printer = Pdf(QStringLiteral("dpi.pdf"));
        printer->setResolution(dpi);
        QVERIFY(qAbs(sites.PageCount(*printer) - sites.PageCount(*reference)) <= 1);
    }

    void ranges_data() {
        QTest::addColumn<int>("from");  // 0: all pages
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("pdfPages");  // -1: as many as the list has
        QTest::newRow("all") << 0 << 0 << 1 << -1;
        QTest::newRow("2 to 3") << 2 << 3 << 1 << 2;
        QTest::newRow("beyond the end") << 2 << 99 << 1 << -2;
        QTest::newRow("2 copies of page 1") << 1 << 1 << 2 << 2;
    }
    void ranges() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, copies);
        QFETCH(int, pdfPages);
        auto model = Sites(177);
        SiteListPrinter sites(*model, QString());
        auto printer = Pdf(QStringLiteral("range.pdf"));
        const int pages = sites.PageCount(*printer);
        if (from > 0) {
            printer->setPrintRange(QPrinter::PageRange);
            printer->setFromTo(from, to);
        }
        printer->setCopyCount(copies);
        if (printer->supportsMultipleCopies() && copies > 1) {
            QSKIP("the PDF printer makes the copies itself");
        }
        QVERIFY(sites.Print(*printer));
        const int expected = pdfPages == -1 ? pages : pdfPages == -2 ? pages - 1 : pdfPages;
        QCOMPARE(PdfPages(printer->outputFileName()), expected);
        QVERIFY(QFile(printer->outputFileName()).size() > 0);
    }

    void margins_data() {
        QTest::addColumn<qreal>("printerMm");
        QTest::addColumn<bool>("fullPage");
        QTest::addColumn<qreal>("reportMm");  // from the paper's edge
        QTest::newRow("narrow printer margins") << 3.5 << false << 15.0;
        QTest::newRow("wide printer margins") << 25.0 << false << 25.0;
        QTest::newRow("full page") << 25.0 << true << 15.0;
    }
    void margins() {
        QFETCH(qreal, printerMm);
        QFETCH(bool, fullPage);
        QFETCH(qreal, reportMm);
        auto printer = Pdf(QStringLiteral("margins.pdf"));
        printer->setPageMargins(QMarginsF(printerMm, printerMm, printerMm, printerMm),
                                QPageLayout::Millimeter);
        printer->setFullPage(fullPage);
        const qreal px = printer->resolution() / 25.4;
        const qreal near = 0.25 * px;  // page sizes and margins are kept in whole points
        const qreal offset = fullPage ? 0 : printerMm * px;  // painter origin from the paper edge
        const QRectF area = SiteListPrinter::PrintArea(*printer);
        QVERIFY(qAbs(area.left() + offset - reportMm * px) < near);
        QVERIFY(qAbs(area.top() + offset - reportMm * px) < near);
        const QRect paper = printer->pageLayout().fullRectPixels(printer->resolution());
        QVERIFY(qAbs(area.width() - (paper.width() - 2 * reportMm * px)) < near);
        QVERIFY(qAbs(area.height() - (paper.height() - 2 * reportMm * px)) < near);
    }

    void printFailsWhenPaintingCannotBegin() {
        auto model = Sites(3);
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir_.filePath(QStringLiteral("missing/folder/out.pdf")));
        QVERIFY(!SiteListPrinter(*model, QString()).Print(printer));
    }

    void content_data() {
        QTest::addColumn<int>("rows");
        QTest::newRow("empty") << 0;
        QTest::newRow("3 rows") << 3;
        QTest::newRow("177 rows") << 177;
    }
    void content() {
        QFETCH(int, rows);
        auto model = Sites(rows);
        SiteListPrinter sites(*model, QStringLiteral("north.ini"));
        sites.SetPrintTime(kPrinted);
        auto printer = Pdf(QStringLiteral("content.pdf"));
        const int pages = sites.PageCount(*printer);
        QStringList serials;  // in the order printed, over all pages
        QList<int> perPage;
        for (int page = 1; page <= pages; ++page) {
            const QStringList texts = Texts(PageTexts(sites, *printer, page));
            QVERIFY(texts.contains(QStringLiteral("north.ini")));
            QVERIFY(texts.contains(QStringLiteral("Page %1 of %2").arg(page).arg(pages)));
            QVERIFY(texts.contains(QStringLiteral("Printed 2024-03-05 14:07")));
            for (const QString& title : kTitles) {
                QVERIFY2(texts.contains(title), qPrintable(title));
            }
            QCOMPARE(texts.contains(QStringLiteral("No sites")), rows == 0);
            const QStringList onPage = texts.filter(QRegularExpression(QStringLiteral("^QS\\d")));
            serials << onPage;
            perPage << int(onPage.size());
            const auto rowOn = [&](int r) {
                for (int c = 0; c < 6; ++c) {
                    if (!texts.contains(model->item(r, c)->text())) {
                        return false;
                    }
                }
                return true;
            };
            if (rows > 0 && page == 1) {
                QVERIFY(rowOn(0));
            }
            if (rows > 0 && page == pages) {
                QVERIFY(rowOn(rows - 1));
            }
        }
        QCOMPARE(PageTexts(sites, *printer, pages + 1).size(), std::size_t(0));
        // Every row once, in order; every page but the last full.
        QCOMPARE(int(serials.size()), rows);
        for (int r = 0; r < rows; ++r) {
            QCOMPARE(serials[r], model->item(r, 5)->text());
        }
        for (int page = 0; page + 1 < int(perPage.size()); ++page) {
            QCOMPARE(perPage[page], perPage[0]);
        }
    }

    void longLocation_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("elided");
        QTest::newRow("20 characters") << 20 << false;
        QTest::newRow("90 characters") << 90 << true;
        QTest::newRow("600 characters") << 600 << true;
    }
    void longLocation() {
        QFETCH(int, length);
        QFETCH(bool, elided);
        auto model = Sites(3);
        const QString location = QStringLiteral("Reservoir inlet north ").repeated(30).left(length);
        model->item(1, 1)->setText(location);
        SiteListPrinter sites(*model, QString());
        auto printer = Pdf(QStringLiteral("long.pdf"));
        const auto drawn = PageTexts(sites, *printer, 1);
        const auto find = [&](auto&& match) {
            return std::find_if(drawn.begin(), drawn.end(), match);
        };
        const auto cell = find([](const Drawn& d) { return d.text.startsWith(u"Reservoir"); });
        const auto next = find([&](const Drawn& d) { return d.text == model->item(1, 2)->text(); });
        QVERIFY(cell != drawn.end());
        QVERIFY(next != drawn.end());  // the next column is drawn whole
        QCOMPARE(cell->text != location, elided);
        if (elided) {
            QVERIFY(cell->text.endsWith(QChar(0x2026)));
        }
        QVERIFY(cell->at.x() + cell->width <= next->at.x());
        for (const QString& title : kTitles) {
            QVERIFY2(Texts(drawn).contains(title), qPrintable(title));
        }
    }
};

QTEST_MAIN(SiteListPrinterTest)
#include "SiteListPrinterTest.moc"
