#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>

#include "SiteListModel.h"
#include "SiteListPrinter.h"

using namespace q417;

namespace {

// A page of A4 at 300 dots per inch that keeps the texts painted on it.
class TextRecorder : public QPaintDevice {
  public:
    QStringList texts;

    QPaintEngine* paintEngine() const override { return &engine_; }

  protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
            case PdmWidth:
                return 2480;
            case PdmHeight:
                return 3508;
            case PdmWidthMM:
                return 210;
            case PdmHeightMM:
                return 297;
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return 300;
            case PdmDepth:
                return 32;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return static_cast<int>(devicePixelRatioFScale());
            default:
                return 1;
        }
    }

  private:
    class Engine : public QPaintEngine {
      public:
        explicit Engine(QStringList& texts) : QPaintEngine(AllFeatures), texts_(texts) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF&, const QTextItem& item) override {
            texts_.append(item.text());
        }
        Type type() const override { return User; }

      private:
        QStringList& texts_;
    };
    mutable Engine engine_{texts};
};

// The site list with rows "Site r" and a serial number each.
void Fill(SiteListModel& model, int rows, const std::string& longLocation = {}) {
    model.InsertColumns(SiteListView::ColumnTitles());
    for (int r = 0; r < rows; ++r) {
        model.InsertRow(
            r, {std::to_string(r + 1),
                r == 0 && !longLocation.empty() ? longLocation : "Site " + std::to_string(r + 1),
                "12/08/26 13:04", "3.500000000", "PSI", "30303000"});
    }
}

}  // namespace

class SiteListPrinterTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void pages_data() {
        QTest::addColumn<int>("rows");
        QTest::newRow("empty") << 0;
        QTest::newRow("one") << 1;
        QTest::newRow("full list") << 177;
    }
    void pages() {
        QFETCH(int, rows);
        SiteListModel model;
        Fill(model, rows);
        SiteListPrinter printer(model, QStringLiteral("north.ini"));
        printer.SetPrintTime(QDateTime(QDate(2026, 12, 9), QTime(7, 30)));
        TextRecorder page;
        const int pages = printer.PageCount(page);
        QCOMPARE(pages > 1, rows == 177);

        // Every row on exactly one page, the titles and the page number on each.
        QStringList all;
        for (int p = 0; p < pages; ++p) {
            TextRecorder device;
            QPainter painter(&device);
            printer.PaintPage(painter, p, pages);
            painter.end();
            QVERIFY(device.texts.contains(QStringLiteral("north.ini")));
            QVERIFY(device.texts.contains(QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages)));
            QVERIFY(device.texts.contains(QStringLiteral("Serial Number")));
            QVERIFY(device.texts.contains(QStringLiteral("Printed 2026-12-09 07:30")));
            all += device.texts;
        }
        for (int r = 1; r <= rows; ++r) {
            QCOMPARE(all.count(QStringLiteral("Site %1").arg(r)), 1);
        }
        QCOMPARE(all.contains(QStringLiteral("No sites")), rows == 0);
    }

    void longTextIsCutToItsColumn() {
        SiteListModel model;
        Fill(model, 2, std::string(400, 'W'));
        SiteListPrinter printer(model, QStringLiteral("Untitled"));
        TextRecorder device;
        QPainter painter(&device);
        printer.PaintPage(painter, 0, 1);
        painter.end();
        const auto cut =
            std::find_if(device.texts.begin(), device.texts.end(),
                         [](const QString& t) { return t.startsWith(QStringLiteral("WWW")); });
        QVERIFY(cut != device.texts.end());
        QVERIFY(cut->endsWith(QChar(0x2026)));
        QVERIFY(device.texts.contains(QStringLiteral("30303000")));  // the last column still shows
    }

    void printsAPdf() {
        QTemporaryDir dir;
        SiteListModel model;
        Fill(model, 177);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("sites.pdf")));
        QVERIFY(SiteListPrinter(model, QStringLiteral("north.ini")).Print(printer));
        QFile pdf(printer.outputFileName());
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF"));
        const int pages = SiteListPrinter(model, QString()).PageCount(printer);
        QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r"), pages);
    }
};

QTEST_MAIN(SiteListPrinterTest)
#include "SiteListPrinterTest.moc"
