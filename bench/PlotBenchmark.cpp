// The plot window, offscreen, on a ten-year history as weekly saves write it: how long it takes
// to read and show 10 sites, and the longest the window's event loop goes unserved while that
// reading runs and while the user zooms and pans it with the wheel, the mouse and the keys.
//
//   q417plotbench [--sites 177] [--shown 10] [--seconds 4]

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "EventLoopGaps.h"
#include "PlotChart.h"
#include "PlotView.h"
#include "PlotWindow.h"
#include "TenYearHistory.h"

namespace {

using namespace q417;
using WallClock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

// The user's hand: one event per call, going round wheel zooms in and out about moving points,
// drags across the chart and key presses.
class Hand {
  public:
    explicit Hand(PlotView& view) : view_(view) {}

    void Step() {
        QWidget* target = view_.viewport();
        const QSize size = target->size();
        const int phase = step_ % 120;
        const QPointF at(size.width() * (0.2 + 0.6 * ((step_ * 37) % 100) / 100.0),
                         size.height() * 0.5);
        if (phase < 30) {  // zoom in about the pointer, then out again
            Wheel(target, at, 120);
        } else if (phase < 60) {
            Wheel(target, at, -120);
        } else if (phase < 90) {  // a drag to the right and back
            const int k = phase - 60;
            if (k == 0) {
                Mouse(target, QEvent::MouseButtonPress, at, Qt::LeftButton);
                dragAt_ = at;
            } else if (k == 29) {
                Mouse(target, QEvent::MouseButtonRelease, dragAt_, Qt::NoButton);
            } else {
                dragAt_ += QPointF(k < 15 ? 12 : -12, k < 15 ? 2 : -2);
                Mouse(target, QEvent::MouseMove, dragAt_, Qt::LeftButton);
            }
        } else {  // keys: zoom in, pan, zoom out, back home now and then
            static constexpr int kKeys[] = {
                Qt::Key_Plus, Qt::Key_Plus, Qt::Key_Left,  Qt::Key_Right, Qt::Key_Minus,
                Qt::Key_Up,   Qt::Key_Down, Qt::Key_Minus, Qt::Key_Plus,  Qt::Key_Left};
            const int key = phase == 119 ? Qt::Key_Home : kKeys[(phase - 90) % 10];
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(&view_, &press);
        }
        ++step_;
    }
    [[nodiscard]] int Steps() const { return step_; }

  private:
    static void Wheel(QWidget* target, QPointF at, int delta) {
        QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    }
    static void Mouse(QWidget* target, QEvent::Type type, QPointF at, Qt::MouseButton buttons) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, target->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    PlotView& view_;
    int step_ = 0;
    QPointF dragAt_;
};

}  // namespace

int main(int argc, char** argv) {
    bench::TenYearHistoryShape shape;
    int shown = 10;
    int seconds = 4;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--sites") == 0) {
            shape.sites = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--shown") == 0) {
            shown = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--seconds") == 0) {
            seconds = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    shown = std::min(shown, shape.sites);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    QTemporaryDir dir;
    const std::string history = dir.filePath(QStringLiteral("sites.csv")).toStdString();
    const bench::TenYearHistoryFile file = bench::WriteTenYearHistory(history, shape);

    PlotWindow window({});
    window.resize(1000, 640);
    window.show();
    PlotInput input;
    input.historyPath = history;
    input.unit = PressureUnit::Psi;
    input.documentTitle = QStringLiteral("sites.ini");
    std::vector<PlotSiteKey> sites;
    for (int k = 1; k <= shown; ++k) {
        char location[32];
        std::snprintf(location, sizeof location, "Piezometer %03d",
                      k);  // as TenYearHistory names them
        sites.push_back({location, "Q417A01"});
    }

    bench::GapMeter meter;
    meter.Start();
    const auto loadStart = WallClock::now();
    window.SetInput(input);
    window.SetSites(sites);
    if (!bench::RunUntil([&] { return !window.Loading(); }, 120000)) {
        std::fprintf(stderr, "q417plotbench: the history was not read in time\n");
        return 1;
    }
    const double loadMs = Ms(WallClock::now() - loadStart).count();
    bench::RunFor(100);  // the first paint of the chart
    const double loadGap = meter.Stop();
    const PlotData* data = window.Chart().Data();
    if (data == nullptr || static_cast<int>(data->series.size()) != shown) {
        std::fprintf(stderr, "q417plotbench: the plot shows %d sites, not %d: %s\n",
                     data == nullptr ? 0 : static_cast<int>(data->series.size()), shown,
                     window.MessageText().toLocal8Bit().constData());
        return 1;
    }

    Hand hand(window.View());
    QTimer driver;
    driver.setInterval(10);
    QObject::connect(&driver, &QTimer::timeout, [&hand] { hand.Step(); });
    meter.Start();
    driver.start();
    bench::RunFor(seconds * 1000);
    driver.stop();
    const double interactionGap = meter.Stop();

    std::printf("plot_longest_gap_ms: %.1f (goal <= 50)\n", interactionGap);
    std::printf("plot_load_ms: %.0f\n", loadMs);
    std::printf("plot_load_longest_gap_ms: %.1f\n", loadGap);
    std::printf(
        "# %d of %d sites of a %d-year history (%.1f MB, %llu lines): %zu readings shown; "
        "%d synthetic wheel, mouse and key events in %d s\n",
        shown, shape.sites, shape.years, static_cast<double>(file.bytes) / 1e6,
        static_cast<unsigned long long>(file.lines), data->PointCount(), hand.Steps(), seconds);
    return 0;
}
