#include <QPaintEngine>
#include <QPainter>
#include <QPrintPreviewWidget>
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

// Every cell but Units differs from row to row, so each row can be found on its page.
std::unique_ptr<QStandardItemModel> Sites(int rows) {
    auto model = std::make_unique<QStandardItemModel>(rows, 6);
    model->setHorizontalHeaderLabels(kTitles);
    for (int r = 0; r < rows; ++r) {
        const QStringList cells = {QString::number(r + 1),
                                   QStringLiteral("Site %1").arg(r + 1),
                                   QStringLiteral("%1/01/24 10:%2").arg(r % 12 + 1).arg(r % 60),
                                   QString::number(1000 + r * 0.5, 'f', 3),
                                   QStringLiteral("psi"),
                                   QStringLiteral("QS%1").arg(r, 5, 10, QLatin1Char('0'))};
        for (int c = 0; c < 6; ++c) {
            model->setItem(r, c, new QStandardItem(cells[c]));
        }
    }
    return model;
}

// An image of a printer's page that keeps the texts painted on it instead of pixels; pieces that
// continue one another on a baseline (a fallback font's ellipsis, say) are joined into one.
struct Drawn {
    QString text;
    qreal left, right;
};
class TextRecorder : public QImage, public QPaintEngine {
  public:
    explicit TextRecorder(const QPrinter& like)
        : QImage(like.width(), like.height(), QImage::Format_RGB32),
          QPaintEngine(QPaintEngine::AllFeatures) {
        setDotsPerMeterX(qRound(like.resolution() / 0.0254));
        setDotsPerMeterY(qRound(like.resolution() / 0.0254));
    }
    QPaintEngine* paintEngine() const override { return const_cast<TextRecorder*>(this); }
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawRects(const QRectF*, int) override {}
    void drawLines(const QLineF*, int) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        if (texts.empty() || qAbs(p.y() - y_) > 0.5 || qAbs(p.x() - texts.back().right) > 1) {
            texts.push_back({QString(), p.x(), p.x()});
        }
        texts.back().text += item.text();
        texts.back().right += item.width();
        y_ = p.y();
    }
    Type type() const override { return User; }
    [[nodiscard]] QStringList Texts() const {
        QStringList all;
        for (const Drawn& t : texts) {
            all << t.text;
        }
        return all;
    }
    std::vector<Drawn> texts;

  private:
    qreal y_ = 0;
};

// The texts of one page, as the printer would get it; none at all if one is drawn off the area.
std::unique_ptr<TextRecorder> Page(const SiteListPrinter& sites, QPrinter& like, int page) {
    auto recorder = std::make_unique<TextRecorder>(like);
    const QRectF area = SiteListPrinter::PrintArea(like);
    QPainter painter(recorder.get());
    sites.PaintPage(painter, area, page);
    for (const Drawn& t : recorder->texts) {
        if (t.left < area.left() - 0.5 || t.right > area.right() + 0.5) {
            recorder->texts.clear();
        }
    }
    return recorder;
}

}  // namespace

class SiteListPrinterTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    std::unique_ptr<QPrinter> Pdf(int dpi = 150) {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setPageSize(QPageSize(QPageSize::A4));
        printer->setPageOrientation(QPageLayout::Portrait);
        printer->setResolution(dpi);
        printer->setOutputFileName(dir_.filePath(QStringLiteral("out.pdf")));
        return printer;
    }
    // Prints and counts the pages of the PDF.
    int Printed(const SiteListPrinter& sites, QPrinter& printer) {
        if (!sites.Print(printer)) {
            return -1;
        }
        QFile pdf(printer.outputFileName());
        return pdf.open(QIODevice::ReadOnly)
                   ? int(QString::fromLatin1(pdf.readAll())
                             .count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))))
                   : -1;
    }

  private Q_SLOTS:
    void pageCounts_data() {
        QTest::addColumn<int>("fullPages");  // rows: this many pages full, then extra
        QTest::addColumn<int>("extra");
        QTest::newRow("empty") << 0 << 0;
        QTest::newRow("one") << 0 << 1;
        QTest::newRow("page full") << 1 << 0;
        QTest::newRow("one over") << 1 << 1;
        QTest::newRow("177") << 0 << 177;
    }
    void pageCounts() {
        QFETCH(int, fullPages);
        QFETCH(int, extra);
        auto printer = Pdf();
        int perPage = 1;  // the most rows one page holds
        while (SiteListPrinter(*Sites(perPage + 1), QString()).PageCount(*printer) == 1) {
            QVERIFY(++perPage < 177);  // 177 sites need more than one page
        }
        const auto pagesFor = [perPage](int rows) {
            return qMax(1, (rows + perPage - 1) / perPage);
        };
        const int rows = fullPages * perPage + extra;
        const auto model = Sites(rows);
        const SiteListPrinter sites(*model, QStringLiteral("north.ini"));
        QCOMPARE(sites.PageCount(*printer), pagesFor(rows));
        QCOMPARE(Printed(sites, *printer), pagesFor(rows));
        // A page more of rows, a page more.
        QCOMPARE(SiteListPrinter(*Sites(rows + perPage), QString()).PageCount(*printer),
                 pagesFor(rows + perPage));
    }

    // Measured on the printer, the layout is the same at any resolution.
    void resolutions_data() {
        QTest::addColumn<int>("dpi");
        for (const int dpi : {72, 150, 600, 1200}) {
            QTest::newRow(qPrintable(QString::number(dpi))) << dpi;
        }
    }
    void resolutions() {
        QFETCH(int, dpi);
        const auto model = Sites(177);
        const SiteListPrinter sites(*model, QString());
        QVERIFY(qAbs(sites.PageCount(*Pdf(dpi)) - sites.PageCount(*Pdf(300))) <= 1);
    }

    void ranges_data() {
        QTest::addColumn<int>("from");  // 0: all pages
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("missing");  // pages of one copy left out
        QTest::newRow("all") << 0 << 0 << 1 << 0;
        QTest::newRow("2 to 3") << 2 << 3 << 1 << -1;
        QTest::newRow("beyond the end") << 2 << 99 << 1 << 1;
        QTest::newRow("2 copies") << 0 << 0 << 2 << 0;
    }
    void ranges() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, copies);
        QFETCH(int, missing);
        const auto model = Sites(177);
        const SiteListPrinter sites(*model, QString());
        auto printer = Pdf();
        const int pages = sites.PageCount(*printer);
        printer->setPrintRange(from > 0 ? QPrinter::PageRange : QPrinter::AllPages);
        printer->setFromTo(from, to);
        printer->setCopyCount(copies);
        QVERIFY(!printer->supportsMultipleCopies());  // so the copies are ours to paint
        QCOMPARE(Printed(sites, *printer),
                 copies * (missing < 0 ? to - from + 1 : pages - missing));
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
        auto printer = Pdf(1200);
        printer->setPageMargins(QMarginsF(printerMm, printerMm, printerMm, printerMm),
                                QPageLayout::Millimeter);
        printer->setFullPage(fullPage);
        const qreal px = 1200 / 25.4;
        const qreal origin = fullPage ? 0 : printerMm * px;  // from the paper's edge
        const QRectF area = SiteListPrinter::PrintArea(*printer);
        const QRect paper = printer->pageLayout().fullRectPixels(1200);
        QVERIFY(qAbs(area.top() + origin - reportMm * px) < px / 4);  // points are rounded
        QVERIFY(qAbs(area.width() - (paper.width() - 2 * reportMm * px)) < px / 4);
    }

    void printFailsWhenPaintingCannotBegin() {
        auto printer = Pdf();
        printer->setOutputFileName(dir_.filePath(QStringLiteral("missing/folder/out.pdf")));
        QVERIFY(!SiteListPrinter(*Sites(3), QString()).Print(*printer));
    }

    // The window hands Print to a preview's paint request as it is.
    void preview() {
        const auto model = Sites(177);
        const SiteListPrinter sites(*model, QString());
        auto printer = Pdf();
        QPrintPreviewWidget preview(printer.get());
        QObject::connect(&preview, &QPrintPreviewWidget::paintRequested,
                         [&sites](QPrinter* target) { QVERIFY(sites.Print(*target)); });
        preview.updatePreview();
        QCOMPARE(preview.pageCount(), sites.PageCount(*printer));
    }

    void content_data() {
        QTest::addColumn<int>("rows");
        QTest::newRow("empty") << 0;
        QTest::newRow("3 rows") << 3;
        QTest::newRow("177 rows") << 177;
    }
    void content() {
        QFETCH(int, rows);
        const auto model = Sites(rows);
        SiteListPrinter sites(*model, QStringLiteral("north.ini"));
        sites.SetPrintTime(QDateTime(QDate(2024, 3, 5), QTime(14, 7)));
        auto printer = Pdf();
        const int pages = sites.PageCount(*printer);
        QStringList serials;  // in the order printed, over all pages
        QList<qsizetype> perPage;
        for (int page = 1; page <= pages; ++page) {
            const QStringList texts = Page(sites, *printer, page)->Texts();
            const QStringList want =
                kTitles + QStringList{QStringLiteral("north.ini"),
                                      QStringLiteral("Page %1 of %2").arg(page).arg(pages),
                                      QStringLiteral("Printed 2024-03-05 14:07")};
            for (const QString& text : want) {
                QVERIFY2(texts.contains(text), qPrintable(text));
            }
            QCOMPARE(texts.contains(QStringLiteral("No sites")), rows == 0);
            const int row = page == 1 ? 0 : rows - 1;  // the first row, and the last on its page
            for (int c = 0; rows > 0 && (page == 1 || page == pages) && c < 6; ++c) {
                QVERIFY(texts.contains(model->item(row, c)->text()));
            }
            const QStringList onPage = texts.filter(QRegularExpression(QStringLiteral("^QS\\d")));
            serials << onPage;
            perPage << onPage.size();
        }
        QVERIFY(Page(sites, *printer, pages + 1)->texts.empty());
        // Every row once, in order; every page but the last as full as the first.
        QCOMPARE(serials.size(), rows);
        for (int r = 0; r < rows; ++r) {
            QCOMPARE(serials[r], model->item(r, 5)->text());
        }
        for (int page = 1; page + 1 < pages; ++page) {
            QCOMPARE(perPage[page], perPage[0]);
        }
    }

    void longLocation_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<bool>("elided");
        QTest::newRow("20 characters") << 20 << 150 << false;
        QTest::newRow("90 characters") << 90 << 150 << true;
        QTest::newRow("90 characters at 72 dpi") << 90 << 72 << true;
        QTest::newRow("90 characters at 300 dpi") << 90 << 300 << true;
        QTest::newRow("600 characters") << 600 << 150 << true;
    }
    void longLocation() {
        QFETCH(int, length);
        QFETCH(int, dpi);
        QFETCH(bool, elided);
        const auto model = Sites(3);
        const QString location = QStringLiteral("Reservoir inlet north ").repeated(30).left(length);
        model->item(1, 1)->setText(location);
        auto printer = Pdf(dpi);
        const auto page = Page(SiteListPrinter(*model, QString()), *printer, 1);
        const auto find = [&page](const QString& start) {
            return std::find_if(page->texts.begin(), page->texts.end(),
                                [&start](const Drawn& d) { return d.text.startsWith(start); });
        };
        const auto cell = find(QStringLiteral("Reservoir"));
        const auto next = find(model->item(1, 2)->text());  // drawn whole
        QVERIFY(cell != page->texts.end() && next != page->texts.end());
        QCOMPARE(cell->text != location, elided);
        QCOMPARE(cell->text.endsWith(QChar(0x2026)), elided);
        QVERIFY(cell->right <= next->left);
        for (const QString& title : kTitles) {  // none elided
            QVERIFY2(page->Texts().contains(title), qPrintable(title));
        }
    }
};

QTEST_MAIN(SiteListPrinterTest)
#include "SiteListPrinterTest.moc"
