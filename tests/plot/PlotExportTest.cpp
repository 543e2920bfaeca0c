// The plot's pictures and what it makes of a history: sizes of each format, one marker a reading
// drawn, and a message instead of an empty chart whenever there is nothing to draw.

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "PlotExport.h"
#include "PlotPreparation.h"
#include "SeriesSlice.h"
#include "TimeZoneGuard.h"

using namespace q417;

namespace {

// Two sites of one readout; MW-01 also has a reading of a readout whose clock was never set.
const std::string kHistory =
    "1,MW-01,12/01/26 08:00,3.5,PSI,Q1\r\n"
    "1,MW-01,12/02/26 08:00,3.75,PSI,Q1\r\n"
    "1,MW-01,01/01/00 00:00,3.0,PSI,Q1\r\n"
    "2,MW-02,12/01/26 09:00,6.0,PSI,Q1\r\n"
    "2,MW-02,12/02/26 09:00,6.25,PSI,Q1\r\n"
    "1,MW-01,12/03/26 08:00,4.0,PSI,Q1\r\n";
// What the next save adds: a reading of MW-02 not yet saved, and one already saved again.
const std::string kUnsaved =
    "2,MW-02,12/02/26 09:00,6.25,PSI,Q1\r\n"
    "2,MW-02,12/03/26 09:00,6.5,PSI,Q1\r\n";

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const std::string& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

PlotRequest Request(const QString& historyPath, std::vector<PlotSiteKey> sites,
                    std::optional<std::string> unsaved = std::nullopt) {
    PlotRequest request;
    request.historyPath = historyPath.toStdString();
    request.unsavedText = std::move(unsaved);
    request.sites = std::move(sites);
    return request;
}

}  // namespace

class PlotExportTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void eachFormatHasTheChosenSize_data() {
        QTest::addColumn<QString>("name");
        QTest::addRow("png") << QStringLiteral("plot.png");
        QTest::addRow("svg") << QStringLiteral("plot.SVG");
        QTest::addRow("pdf") << QStringLiteral("plot.pdf");
    }
    void eachFormatHasTheChosenSize() {
        QFETCH(QString, name);
        const PlotData data = TwoSites();
        QVERIFY(data.Drawable());
        const QString path = dir_.filePath(name);
        const QSize size(640, 360);
        QCOMPARE(PlotExport::Write(path, size, data, {}), QString());
        const QByteArray bytes = FileBytes(path);
        switch (*PlotExport::FormatOfPath(path)) {
            case PlotExport::Format::Png:
                QCOMPARE(QImage(path).size(), size);
                break;
            case PlotExport::Format::Svg: {
                QVERIFY(bytes.contains("viewBox=\"0 0 640 360\""));
                // Millimetres of CSS pixels: 96 to the inch.
                const auto match =
                    QRegularExpression(
                        QStringLiteral("width=\"([0-9.]+)mm\" height=\"([0-9.]+)mm\""))
                        .match(QString::fromLatin1(bytes));
                QVERIFY(match.hasMatch());
                QCOMPARE(qRound(match.captured(1).toDouble() * 96 / 25.4), 640);
                QCOMPARE(qRound(match.captured(2).toDouble() * 96 / 25.4), 360);
                break;
            }
            case PlotExport::Format::Pdf:
                QVERIFY(bytes.startsWith("%PDF"));
                QVERIFY(QRegularExpression(
                            QStringLiteral("/MediaBox \\[0 0 640(\\.0*)? 360(\\.0*)?\\]"))
                            .match(QString::fromLatin1(bytes))
                            .hasMatch());
                break;
        }
    }

    // Each reading a circle: MW-01's three dated ones and MW-02's two saved and one unsaved.
    // The legend's keys are squares, so every circle of the drawing is a reading.
    void theSvgDrawsEveryReadingOnce() {
        const PlotData data = TwoSites();
        QCOMPARE(data.PointCount(), std::size_t{6});
        const QString path = dir_.filePath(QStringLiteral("markers.svg"));
        QCOMPARE(PlotExport::Write(path, PlotExport::kDefaultSize, data, {}), QString());
        const QString svg = QString::fromLatin1(FileBytes(path));
        QCOMPARE(svg.count(QRegularExpression(QStringLiteral("<(circle|ellipse)\\b"))), 6);
        // The title names the sites, the unit and the time range.
        QVERIFY(svg.contains(QStringLiteral("MW-01, MW-02")));
        QVERIFY(svg.contains(QStringLiteral("12/01/26 08:00 to 12/03/26 09:00")));
        // Only the unsaved one is hollow, and the legend says what hollow means.
        QCOMPARE(data.series[1].points.back().unsaved, true);
        QCOMPARE(std::count_if(data.series[1].points.begin(), data.series[1].points.end(),
                               [](const PlotPoint& p) { return p.unsaved; }),
                 1);
        QVERIFY(svg.contains(QStringLiteral("not saved yet")));
    }

    void aFailedWriteLeavesTheOldFile() {
        const QString path = dir_.filePath(QStringLiteral("keep.png"));
        WriteFile(path, "old");
        QVERIFY(!PlotExport::Write(path, QSize(0, 10), TwoSites(), {}).isEmpty());
        QVERIFY(!PlotExport::Write(dir_.filePath(QStringLiteral("no/such/dir/x.png")),
                                   QSize(100, 100), TwoSites(), {})
                     .isEmpty());
        QVERIFY(!PlotExport::Write(dir_.filePath(QStringLiteral("plot.bmp")), QSize(100, 100),
                                   TwoSites(), {})
                     .isEmpty());
        QCOMPARE(FileBytes(path), QByteArray("old"));
    }

    // Whenever nothing can be drawn the window says why; what is drawn says what was left out.
    void nothingToDrawIsSaid_data() {
        QTest::addColumn<QString>("history");  // a file name in the test folder, or empty
        QTest::addColumn<QString>("site");
        QTest::addColumn<bool>("withUnsaved");
        QTest::addColumn<int>("points");  // 0: a problem instead of a chart
        QTest::addColumn<QString>("said");
        QTest::addRow("never saved, nothing downloaded")
            << QString() << QStringLiteral("MW-01") << false << 0
            << QStringLiteral("never been saved");
        QTest::addRow("never saved, downloaded") << QString() << QStringLiteral("MW-02") << true
                                                 << 2 << QStringLiteral("not been saved yet");
        QTest::addRow("no history file") << QStringLiteral("gone.csv") << QStringLiteral("MW-01")
                                         << false << 0 << QStringLiteral("does not exist yet");
        QTest::addRow("no history file, downloaded")
            << QStringLiteral("gone.csv") << QStringLiteral("MW-02") << true << 2
            << QStringLiteral("only the readings not saved yet");
        QTest::addRow("unreadable history") << QStringLiteral(".") << QStringLiteral("MW-01")
                                            << false << 0 << QStringLiteral("could not be read");
        QTest::addRow("site not in the history")
            << QStringLiteral("history.csv") << QStringLiteral("MW-99") << false << 0
            << QStringLiteral("No readings of MW-99 in the history");
        QTest::addRow("clock never set")
            << QStringLiteral("history.csv") << QStringLiteral("MW-01") << false << 3
            << QStringLiteral("1 reading dated 01/01/00 00:00");
        QTest::addRow("only unset clocks") << QStringLiteral("epoch.csv") << QStringLiteral("MW-05")
                                           << false << 0 << QStringLiteral("01/01/00 00:00");
    }
    void nothingToDrawIsSaid() {
        QFETCH(QString, history);
        QFETCH(QString, site);
        QFETCH(bool, withUnsaved);
        QFETCH(int, points);
        QFETCH(QString, said);
        WriteFile(dir_.filePath(QStringLiteral("history.csv")), kHistory);
        WriteFile(dir_.filePath(QStringLiteral("epoch.csv")),
                  "5,MW-05,01/01/00 00:00,1.0,PSI,Q1\r\n5,MW-05,01/01/00 00:00,1.5,PSI,Q1\r\n");
        const PlotData data = PlotPreparation::Prepare(Request(
            history.isEmpty() ? QString() : dir_.filePath(history), {{site.toStdString(), "Q1"}},
            withUnsaved ? std::optional(kUnsaved) : std::nullopt));
        QCOMPARE(data.PointCount(), std::size_t(points));
        QCOMPARE(data.Drawable(), points > 0);
        const QString text = data.problem + data.notes.join(QLatin1Char(' '));
        QVERIFY2(text.contains(said), qPrintable(text));
    }

    // Several readings at one time all stand; a single reading gets a range around it.
    void readingsAtOneTimeAreAllDrawn() {
        const QString path = dir_.filePath(QStringLiteral("same.csv"));
        WriteFile(path,
                  "1,MW-07,12/01/26 08:00,1.0,PSI,Q1\r\n"
                  "1,MW-07,12/01/26 08:00,2.0,PSI,Q1\r\n"
                  "1,MW-07,12/01/26 08:00,3.0,PSI,Q1\r\n");
        const PlotData data = PlotPreparation::Prepare(Request(path, {{"MW-07", "Q1"}}));
        QCOMPARE(data.PointCount(), std::size_t{3});
        const QString svgPath = dir_.filePath(QStringLiteral("same.svg"));
        QCOMPARE(PlotExport::Write(svgPath, QSize(400, 300), data, {}), QString());
        QCOMPARE(QString::fromLatin1(FileBytes(svgPath))
                     .count(QRegularExpression(QStringLiteral("<(circle|ellipse)\\b"))),
                 3);
    }

    // Thinned to the columns, a line keeps each column's extremes: a one-point spike survives.
    void thinningKeepsTheExtremes() {
        std::vector<PlotPoint> points;
        for (int i = 0; i < 100000; ++i) {
            points.push_back(
                {double(i), i == 54321 ? 100.0 : (i == 12345 ? -50.0 : 1.0), 1u, false});
        }
        const SeriesSlice slice = SeriesSlice::Take(points, {1000, 90000, 200, 50});
        QVERIFY(slice.line.size() <= 4 * 202);
        QCOMPARE(slice.inView, std::size_t{89001});
        QCOMPARE(slice.yMax, 100.0);
        QCOMPARE(slice.yMin, -50.0);
        QVERIFY(slice.line.contains(QPointF(54321, 100)));
        QVERIFY(slice.line.contains(QPointF(12345, -50)));
        QVERIFY(slice.line.first().x() < 1000 && slice.line.last().x() > 90000);
        QVERIFY(slice.saved.isEmpty());  // far too many to mark
    }

  private:
    PlotData TwoSites() {
        const QString path = dir_.filePath(QStringLiteral("two.csv"));
        WriteFile(path, kHistory);
        return PlotPreparation::Prepare(
            Request(path, {{"MW-01", "Q1"}, {"MW-02", "Q1"}}, kUnsaved));
    }

    sim::testing::TimeZoneGuard zone_{"UTC"};
    QTemporaryDir dir_;
};

QTEST_MAIN(PlotExportTest)
#include "PlotExportTest.moc"
