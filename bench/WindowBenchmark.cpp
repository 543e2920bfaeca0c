// The real window, offscreen, against the simulated readout paced at 115200 baud: how long the
// window's event loop goes unserved during a 177-site download and an upload, how much CPU the
// process takes while connected and idle, and how long it takes to show its window compared
// with a skeleton of it started the same way: a QMainWindow with a menu bar, two toolbars with
// text, a status bar and a six-column table of 177 rows.
//
//   q417windowbench --sim build/q417sim [--idle-seconds 30] [--runs 5]

#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QHeaderView>
#include <QMainWindow>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "CQ417HostApp.h"
#include "ChildProcess.h"
#include "CommandIds.h"
#include "DocumentUser.h"
#include "EventLoopGaps.h"
#include "HostSettings.h"
#include "SiteListModel.h"

namespace {

using namespace q417;
using bench::GapMeter;
using bench::RunFor;
using bench::RunUntil;
using WallClock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

// Answers as a technician in a hurry: download when offered (once), upload, keep the readings,
// never save.
class BenchUser : public DocumentUser {
  public:
    SaveChoice AskSaveChanges(const std::string&) override { return SaveChoice::Discard; }
    std::optional<std::string> AskSavePath() override { return std::nullopt; }
    bool AskYesNo(Question question, const std::string&) override {
        if (question == Question::DownloadData) {
            return ++downloadOffers == 1;
        }
        return question == Question::ConfirmUpload;
    }
    void ShowMessage(const std::string& text, MessageIcon) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    int downloadOffers = 0;
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The skeleton the window's start-up is measured against: what any window of its kind shows.
void ShowSkeleton(QMainWindow& window) {
    for (const char* title : {"&File", "&Edit", "&Readout", "&View", "&Help"}) {
        QMenu* menu = window.menuBar()->addMenu(QString::fromLatin1(title));
        for (int i = 0; i < 6; ++i) {
            menu->addAction(QStringLiteral("Command %1").arg(i + 1));
        }
    }
    for (int bar = 0; bar < 2; ++bar) {
        QToolBar* toolBar = window.addToolBar(QStringLiteral("Bar %1").arg(bar + 1));
        toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
        for (int i = 0; i < 5; ++i) {
            toolBar->addAction(QStringLiteral("Tool %1").arg(i + 1));
        }
    }
    window.statusBar()->showMessage(QStringLiteral("Ready"));
    auto* table = new QTableWidget(177, 6, &window);
    for (int r = 0; r < 177; ++r) {
        for (int c = 0; c < 6; ++c) {
            table->setItem(r, c, new QTableWidgetItem(QStringLiteral("%1.%2").arg(r).arg(c)));
        }
    }
    window.setCentralWidget(table);
    window.resize(760, 480);
    window.show();
}

// The child of a start-up measurement: shows the window, then says so on standard output.
int StartupChild(int argc, char** argv, bool host) {
    QApplication application(argc, argv);
    std::unique_ptr<CQ417HostApp> app;
    QMainWindow skeleton;
    if (host) {
        app = std::make_unique<CQ417HostApp>();
        std::string error;
        if (!app->Start({}, error)) {
            std::fprintf(stderr, "q417windowbench: %s\n", error.c_str());
            return 1;
        }
    } else {
        ShowSkeleton(skeleton);
    }
    QTimer::singleShot(0, [] {
        std::printf("shown\n");
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    return QApplication::exec();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// From the start of the process to its first line, in milliseconds.
double TimeToShown(const std::string& self, const char* kind) {
    const auto start = WallClock::now();
    test::ChildProcess child(self, {"--startup-child", kind});
    const std::string line = child.FirstLine(20000);
    const double ms = Ms(WallClock::now() - start).count();
    child.Finish(10000);
    return line == "shown" ? ms : -1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string simPath = "build/q417sim";
    int idleSeconds = 30;
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--startup-child") == 0) {
            return StartupChild(argc, argv, std::strcmp(argv[i + 1], "host") == 0);
        }
        if (std::strcmp(argv[i], "--sim") == 0) {
            simPath = argv[i + 1];
        } else if (std::strcmp(argv[i], "--idle-seconds") == 0) {
            idleSeconds = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--runs") == 0) {
            runs = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir config;  // a settings store of the benchmark's own
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);

    // Start-up first, while nothing else runs. The two kinds take turns.
    const std::string self = argv[0];
    std::vector<double> hostMs;
    std::vector<double> skeletonMs;
    for (int run = 0; run < runs; ++run) {
        skeletonMs.push_back(TimeToShown(self, "skeleton"));
        hostMs.push_back(TimeToShown(self, "host"));
    }

    QApplication application(argc, argv);
    test::SimProcess sim(simPath, {"--pace", "115200", "--sites", "177"});
    if (sim.Device().empty()) {
        std::fprintf(stderr, "q417windowbench: the simulated readout did not start (%s)\n",
                     simPath.c_str());
        return 1;
    }
    BenchUser user;
    CQ417HostApp app(CQ417HostApp::Parts{nullptr, nullptr, &user});
    HostOptions options;
    options.device = sim.Device();
    GapMeter meter;
    meter.Start();
    std::string error;
    if (!app.Start(options, error)) {
        std::fprintf(stderr, "q417windowbench: %s\n", error.c_str());
        return 1;
    }
    const auto downloadStart = WallClock::now();
    if (!RunUntil([&] { return app.Model().RowCount() == 177; }, 60000)) {
        std::fprintf(stderr, "q417windowbench: the download did not finish\n");
        return 1;
    }
    const double downloadGap = meter.Stop();
    const double downloadS =
        std::chrono::duration<double>(WallClock::now() - downloadStart).count();

    meter.Start();
    const auto uploadStart = WallClock::now();
    app.OnCommand(cmd::kUploadSiteInfoTool);
    if (!RunUntil([&] { return user.downloadOffers >= 2; }, 120000)) {
        std::fprintf(stderr, "q417windowbench: the upload did not finish\n");
        return 1;
    }
    const double uploadGap = meter.Stop();
    const double uploadS = std::chrono::duration<double>(WallClock::now() - uploadStart).count();

    // Connected and idle: the link polls the readout, the window waits.
    RunFor(1000);
    const double cpuBefore = CpuSeconds();
    const auto idleStart = WallClock::now();
    RunFor(idleSeconds * 1000);
    const double idleWall = std::chrono::duration<double>(WallClock::now() - idleStart).count();
    const double idleCpu = (CpuSeconds() - cpuBefore) / idleWall * 100;

    std::printf("window_download_longest_gap_ms: %.1f\n", downloadGap);
    std::printf("window_upload_longest_gap_ms: %.1f\n", uploadGap);
    std::printf("window_idle_cpu_percent: %.3f\n", idleCpu);
    std::printf("startup_vs_skeleton: %.2f (goal <= 1.2)\n", Median(hostMs) / Median(skeletonMs));
    std::printf(
        "# connect and download %.2f s, upload and reconnect %.2f s, idle %.1f s; "
        "start-up median of %d: q417host %.0f ms, skeleton %.0f ms\n",
        downloadS, uploadS, idleWall, runs, Median(hostMs), Median(skeletonMs));
    return 0;
}
