// The plot's view and loader: zooming about the pointer, panning, going back to everything, the
// newest of several requests winning, and the labels of sites that share a location.

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include "PlotChart.h"
#include "PlotLoader.h"
#include "PlotPreparation.h"
#include "PlotView.h"
#include "TimeZoneGuard.h"

using namespace q417;

namespace {

constexpr double kHourMs = 3'600'000;

// One site, a reading an hour for 100 hours.
std::shared_ptr<const PlotData> HourlyReadings() {
    auto data = std::make_shared<PlotData>();
    PlotSeries series;
    series.label = QStringLiteral("MW-01");
    for (int i = 0; i < 100; ++i) {
        series.points.push_back({1.8e12 + i * kHourMs, 5.0 + (i % 7), 1u, false});
    }
    data->series.push_back(series);
    return data;
}

void WriteFile(const QString& path, const char* bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

class PlotViewTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void wheelZoomsAboutThePointerAndHomeShowsAll() {
        auto* chart = new PlotChart;
        PlotView view(chart);
        view.resize(800, 500);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        chart->SetData(HourlyReadings(), false);
        chart->UpdateNow();
        const auto full = chart->TimeRange();

        const QPoint at(300, 250);
        const auto timeAt = [&] {
            return chart->mapToValue(chart->mapFromScene(view.mapToScene(at))).x();
        };
        const double before = timeAt();
        QWheelEvent wheel(at, view.viewport()->mapToGlobal(at), QPoint(), QPoint(0, 240),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view.viewport(), &wheel);
        chart->UpdateNow();
        const auto zoomed = chart->TimeRange();
        QCOMPARE(qRound((zoomed.second - zoomed.first) / (full.second - full.first) * 100), 64);
        QVERIFY(std::abs(timeAt() - before) < kHourMs / 10);  // the time under the pointer stays

        // A drag of 100 pixels to the right shows what was 100 pixels to the left.
        const double perPixel = (zoomed.second - zoomed.first) / chart->plotArea().width();
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseMove(view.viewport(), at + QPoint(100, 0));
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, at + QPoint(100, 0));
        chart->UpdateNow();
        QVERIFY(std::abs(chart->TimeRange().first - (zoomed.first - 100 * perPixel)) < perPixel);

        QTest::keyClick(&view, Qt::Key_Home);
        chart->UpdateNow();
        QCOMPARE(chart->TimeRange(), full);
        QTest::keyClick(&view, Qt::Key_Plus);
        chart->UpdateNow();
        QVERIFY(chart->TimeRange().second - chart->TimeRange().first < full.second - full.first);
        QTest::keyClick(&view, Qt::Key_0, Qt::ControlModifier);
        chart->UpdateNow();
        QCOMPARE(chart->TimeRange(), full);
    }

    // Requests that come while one is read: only the newest is read next and shown.
    void theNewestRequestWins() {
        QTemporaryDir dir;
        const QString history = dir.filePath(QStringLiteral("h.csv"));
        WriteFile(history,
                  "1,A,12/01/26 08:00,1.0,PSI,Q1\r\n2,B,12/01/26 08:00,2.0,PSI,Q1\r\n"
                  "3,C,12/01/26 08:00,3.0,PSI,Q1\r\n");
        PlotLoader loader;
        QSignalSpy loaded(&loader, &PlotLoader::loaded);
        for (const char* site : {"A", "B", "C"}) {
            PlotRequest request;
            request.historyPath = history.toStdString();
            request.sites = {{site, "Q1"}};
            loader.Load(request);
        }
        QVERIFY(loader.Busy());
        QTRY_VERIFY(!loader.Busy());
        QCOMPARE(loaded.count(), 1);
        const auto data = loaded.front().front().value<std::shared_ptr<const PlotData>>();
        QCOMPARE(data->series.front().label, QStringLiteral("C"));
    }

    // Sites that share a location carry their serial number; values come in the unit asked.
    void sharedLocationsAreToldApart() {
        sim::testing::TimeZoneGuard zone{"UTC"};
        QTemporaryDir dir;
        const QString history = dir.filePath(QStringLiteral("h.csv"));
        WriteFile(history,
                  "1,MW-01,12/01/26 08:00,1.0,PSI,Q1\r\n1,MW-01,12/01/26 08:00,2.0,PSI,Q2\r\n"
                  "2,MW-02,12/01/26 08:00,3.0,PSI,Q1\r\n");
        PlotRequest request;
        request.historyPath = history.toStdString();
        request.unit = PressureUnit::KPa;
        request.sites = {{"MW-01", "Q2"}, {"MW-02", "Q1"}, {"MW-01", "Q1"}};
        PlotData data = PlotPreparation::Prepare(request);
        QStringList labels;
        for (const PlotSeries& series : data.series) {
            labels << series.label;
        }
        QCOMPARE(labels, (QStringList{QStringLiteral("MW-01 (Q2)"), QStringLiteral("MW-02"),
                                      QStringLiteral("MW-01 (Q1)")}));
        QVERIFY(std::abs(data.series[1].points.front().y - 3.0 * 6.894757) < 1e-3);
        // A location alone, as the command line names a site, takes both.
        request.match = PlotRequest::Match::Location;
        request.sites = {{"MW-01", {}}};
        QCOMPARE(PlotPreparation::Prepare(request).series.size(), std::size_t{2});
    }
};

QTEST_MAIN(PlotViewTest)
#include "PlotViewTest.moc"
