// The real window against the simulated readout: the link's worker on its own thread, the
// window on the test's, the user's answers given beforehand.

#include <QAction>
#include <QFile>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolTip>

#include "AppFixture.h"
#include "CMainFrame.h"
#include "CQ417HostApp.h"
#include "CQ417HostDoc.h"
#include "CQ417HostView.h"
#include "CReadoutLink.h"
#include "CSheet.h"
#include "CommandIds.h"
#include "DefaultSiteFiles.h"
#include "DocumentCommands.h"
#include "FakeLine.h"
#include "LinkJob.h"
#include "ManualClock.h"
#include "PacketCutLine.h"
#include "PlotChart.h"
#include "PlotView.h"
#include "PlotWindow.h"
#include "ReadingsPlotter.h"
#include "ReadoutEngine.h"
#include "ScriptedUser.h"
#include "SiteListModel.h"
#include "TimeZoneGuard.h"

using namespace q417;

namespace {

constexpr std::int64_t kNow = 1796742245;  // 2026-12-08 15:04:05 UTC
constexpr int kWaitMs = 20000;

std::string FileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString()
                                          : std::string("(unreadable)");
}

int DownloadQuestions(const test::ScriptedUser& user) {
    return static_cast<int>(
        std::count_if(user.questions.begin(), user.questions.end(),
                      [](const auto& q) { return q.first == Question::DownloadData; }));
}

// A readout on the in-process line, its clock paced with the test. The caller's time-zone
// guard comes first: the memory holds local times.
struct ReadoutOnTheLine {
    explicit ReadoutOnTheLine(sim::ReadoutMemory memory)
        : engine{std::move(memory), [this] { return clock.CalendarSeconds(); }} {
        clock.SetRealSleepDivisor(100);
    }

    sim::ManualClock clock{kNow};
    sim::ReadoutEngine engine;
    sim::FakeLine line{clock, engine};
};

void WriteFile(const std::string& path, const std::string& bytes) {
    QFile file(QString::fromStdString(path));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

// What the window says once an upload of 25 sites stopped after the first 10.
const std::string kInterruptedAfterTen =
    "The upload was interrupted after site 10 of 25: the readout may hold a mix of old and new "
    "sites. Upload again.";

int Said(const test::ScriptedUser& user, const std::string& text) {
    return static_cast<int>(std::count(user.messages.begin(), user.messages.end(), text));
}

// The window on a readout of 30 sites, with a file of 25 others open and the readout's first
// download question answered No. The readout is cut off in the second record write of an
// upload: after the first 10 sites and 16 packets more.
class UploadRig {
  public:
    explicit UploadRig(testing::PacketCutLine::Cut cut)
        : engine{sim::ReadoutMemory::MakeDefault(30, kNow),
                 [this] { return clock.CalendarSeconds(); }},
          line{fake, 46, cut} {
        clock.SetRealSleepDivisor(100);
        test::ResetStore();
        std::string text;
        for (int k = 1; k <= 25; ++k) {
            text += std::to_string(k) + ",Site " + std::to_string(k) +
                    ",12/01/26 08:30,1.5,PSI,30303000\r\n";
        }
        QFile file(dir.filePath(QStringLiteral("route.ini")));
        if (file.open(QIODevice::WriteOnly)) {
            file.write(text.data(), static_cast<qint64>(text.size()));
        }
        ini = file.fileName().toStdString();
        user.answers[Question::ConfirmUpload] = true;
        user.answers[Question::ClearReadings] = true;  // no download needed first
    }

    // Starts the window, opens the file and uploads it; true once the readout has been cut off.
    bool StartUpload() {
        std::string error;
        if (!app.Start({}, error, false) || !app.OpenFile(ini)) {
            return false;
        }
        if (!QTest::qWaitFor([this] { return app.Frame()->Flags().upload; }, kWaitMs)) {
            return false;
        }
        app.OnCommand(cmd::kUploadSiteInfo);
        return app.Commands().UploadRunning() &&
               QTest::qWaitFor([this] { return line.CutMade(); }, kWaitMs);
    }

    QTemporaryDir dir;
    std::string ini;
    sim::testing::TimeZoneGuard zone{"UTC"};
    sim::ManualClock clock{kNow};
    sim::ReadoutEngine engine;
    sim::FakeLine fake{clock, engine};
    testing::PacketCutLine line;
    test::ScriptedUser user;
    CQ417HostApp app{{&line, &clock, &user}};
};

}  // namespace

class WindowEndToEndTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void downloadSaveEditUploadAndReconnect() {
        test::ResetStore();
        QTemporaryDir dir;
        sim::testing::TimeZoneGuard zone{"UTC"};
        ReadoutOnTheLine readout{sim::ReadoutMemory::MakeDefault(4, kNow)};
        sim::ReadoutEngine& engine = readout.engine;
        test::ScriptedUser user;
        user.answers[Question::DownloadData] = true;
        const std::string ini = dir.filePath(QStringLiteral("route.ini")).toStdString();
        user.savePath = ini;

        CQ417HostApp app({&readout.line, &readout.clock, &user});
        std::string error;
        QVERIFY2(app.Start({}, error, false), error.c_str());
        CMainFrame& frame = *app.Frame();
        SiteListModel& model = app.Model();

        // Connected, asked, downloaded and merged.
        QTRY_COMPARE_WITH_TIMEOUT(model.RowCount(), 4, kWaitMs);
        QCOMPARE(DownloadQuestions(user), 1);
        QCOMPARE(user.questions.front().second,
                 std::string("Would you like to download Q417 data?"));
        QVERIFY(app.Document().IsModified());
        QTRY_VERIFY_WITH_TIMEOUT(frame.Action(cmd::kUploadSiteInfo)->isEnabled(), kWaitMs);
        QCOMPARE(frame.PaneText(CMainFrame::kStatusPane), QStringLiteral("Connected"));

        // Readout > Status... opens the readout sheet with the downloaded sites' page.
        QStringList tabs;
        test::OnNextDialog([&tabs](QDialog& dialog) {
            if (auto* sheet = qobject_cast<CSheet*>(&dialog)) {
                for (int i = 0; i < sheet->Tabs().count(); ++i) {
                    tabs << sheet->Tabs().tabText(i);
                }
            }
            dialog.accept();
        });
        app.OnCommand(cmd::kReadoutStatus);
        QCOMPARE(tabs.join(QLatin1Char(',')), QStringLiteral("Site Data,Status,Setup"));

        QVERIFY(app.SaveAs());
        QCOMPARE(FileBytes(ini), test::kFourSitesIni);
        QCOMPARE(FileBytes(dir.filePath(QStringLiteral("route.csv")).toStdString()),
                 test::kFourSitesCsv);
        QVERIFY(!app.Document().IsModified());
        QVERIFY(frame.windowTitle().startsWith(QStringLiteral("route.ini[*] - Q417 Host")));

        // The technician renames the second site, then uploads, keeping the readings.
        app.View()->selectRow(1);
        test::OnNextDialog([](QDialog& dialog) {
            for (auto* edit : dialog.findChildren<QLineEdit*>()) {
                if (!edit->isReadOnly()) {
                    edit->setText(QStringLiteral("MW-02 NEW PUMP"));
                }
            }
            dialog.accept();
        });
        app.View()->EditLocation();
        QVERIFY(app.Document().IsModified());
        user.saveChoice = SaveChoice::Save;
        user.answers[Question::ConfirmUpload] = true;
        user.answers[Question::ClearReadings] = false;
        app.OnCommand(cmd::kUploadSiteInfo);
        QVERIFY(!frame.Action(cmd::kUploadSiteInfo)->isEnabled());
        QVERIFY(!app.Document().IsModified());  // saved by the prompt before the upload
        // Closing now is asked about, and the answer No keeps the window.
        QVERIFY(app.Commands().UploadRunning());
        QVERIFY(!frame.close());
        QCOMPARE(user.questions.back().first, Question::QuitDuringUpload);

        // The link writes, reconnects, and offers the download again, which reopens the file.
        QTRY_COMPARE_WITH_TIMEOUT(DownloadQuestions(user), 2, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!app.Link().JobPending() && frame.Flags().upload, kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(model.CellText(1, SiteListView::kLocation),
                                  std::string("MW-02 NEW PUMP"), kWaitMs);
        QVERIFY(!app.Commands().UploadRunning());
        app.Link().Stop();  // the readout's memory is the test's alone again
        QCOMPARE(engine.Memory().SiteName(1), std::string("MW-02 NEW PUMP"));
        QCOMPARE(engine.Memory().FileName(), ini);
        QCOMPARE(engine.Memory().ReadingCount(3), 3);
        QCOMPARE(app.Document().PathName(), ini);
    }

    // Plot Readings on the toolbar plots the selected row's site: first the readings of the
    // download alone, not saved yet, then, once saved, as the history file holds them.
    void plotReadingsShowsTheSelectedSite() {
        test::ResetStore();
        QTemporaryDir dir;
        sim::testing::TimeZoneGuard zone{"UTC"};
        ReadoutOnTheLine readout{sim::ReadoutMemory::MakeDefault(4, kNow)};
        test::ScriptedUser user;
        user.answers[Question::DownloadData] = true;
        user.savePath = dir.filePath(QStringLiteral("route.ini")).toStdString();
        CQ417HostApp app({&readout.line, &readout.clock, &user});
        std::string error;
        QVERIFY2(app.Start({}, error, false), error.c_str());
        CMainFrame& frame = *app.Frame();
        QTRY_COMPARE_WITH_TIMEOUT(app.Model().RowCount(), 4, kWaitMs);
        QAction* plot = frame.Action(cmd::kPlotReadings);
        QVERIFY(frame.PlotToolBar()->actions().contains(plot));
        app.View()->clearSelection();
        QTRY_VERIFY(!plot->isEnabled());

        app.View()->selectRow(3);  // MW-04 CREEK XING: three readings
        QTRY_VERIFY(plot->isEnabled());
        plot->trigger();
        PlotWindow* window = app.Plotter().Window();
        QVERIFY(window != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(!window->Loading(), kWaitMs);
        QCOMPARE(window->MessageText(), QString());
        QCOMPARE(window->Chart().ShownLabels(), QStringList{QStringLiteral("MW-04 CREEK XING")});
        window->Chart().UpdateNow();
        QCOMPARE(window->Chart().MarkerCount(), 3);
        QVERIFY2(window->NotesText().contains(QStringLiteral("not been saved yet")),
                 qPrintable(window->NotesText()));
        // The pointer on a reading shows its site, date, time and value.
        window->resize(800, 500);
        window->Chart().resize(window->View().viewport()->size());
        window->Chart().UpdateNow();
        const PlotPoint& last = window->Chart().Data()->series.front().points.back();
        const QPoint at = window->View().mapFromScene(
            window->Chart().mapToScene(window->Chart().mapToPosition(QPointF(last.x, last.y))));
        QCOMPARE(window->View().ReadingTipAt(at),
                 QStringLiteral("MW-04 CREEK XING\n12/08/26 13:01   12.645 PSI\nnot saved yet"));
        QCOMPARE(window->View().ReadingTipAt(at + QPoint(40, 40)), QString());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTest::mouseMove(window->View().viewport(), at);
        QTRY_COMPARE(QToolTip::text(), window->View().ReadingTipAt(at));

        // Saved: the same readings, now from the history file; no note any more.
        QSignalSpy reloaded(window, &PlotWindow::loaded);
        QVERIFY(app.SaveAs());
        QTRY_VERIFY_WITH_TIMEOUT(reloaded.count() > 0 && !window->Loading(), kWaitMs);
        QCOMPARE(window->NotesText(), QString());
        QCOMPARE(window->Chart().Data()->PointCount(), std::size_t{3});
        QVERIFY(!window->Chart().Data()->series.front().hasUnsaved);

        // Another unit: the plot reads the readings again in it.
        app.OnCommand(cmd::kUnitKPa);
        QTRY_VERIFY_WITH_TIMEOUT(!window->Loading() && window->Chart().Data() != nullptr &&
                                     window->Chart().Data()->unit == PressureUnit::KPa,
                                 kWaitMs);
        QCOMPARE(qRound(window->Chart().Data()->series.front().points.back().y * 100),
                 qRound(12.645 * 6.894757 * 100));
        app.Link().Stop();
    }

    // A list opened from a file, the download declined: keeping the readout's readings reads
    // its records first, then uploads with them, and the download is not merged.
    void keepingReadingsWithoutADownloadReadsTheRecordsFirst() {
        test::ResetStore();
        QTemporaryDir dir;
        sim::testing::TimeZoneGuard zone{"UTC"};
        const sim::ReadoutMemory original = sim::ReadoutMemory::MakeDefault(4, kNow);
        ReadoutOnTheLine readout{original};
        sim::ReadoutEngine& engine = readout.engine;
        test::ScriptedUser user;
        user.answers[Question::DownloadData] = false;
        user.answers[Question::ConfirmUpload] = true;
        user.answers[Question::ClearReadings] = false;
        const std::string ini = dir.filePath(QStringLiteral("route.ini")).toStdString();
        WriteFile(ini, test::kFourSitesIni);

        CQ417HostApp app({&readout.line, &readout.clock, &user});
        std::string error;
        QVERIFY2(app.Start({ini, {}, false, {}}, error, false), error.c_str());
        CMainFrame& frame = *app.Frame();
        QTRY_COMPARE_WITH_TIMEOUT(DownloadQuestions(user), 1, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(frame.Action(cmd::kUploadSiteInfo)->isEnabled(), kWaitMs);
        QVERIFY(app.Document().ReadoutRecordsNeeded());

        app.Model().SetCellText(0, SiteListView::kLocation, "MW-01 RENAMED");
        app.OnCommand(cmd::kUploadSiteInfo);
        QVERIFY(app.Commands().UploadAwaitingRecords());
        // Read, written, and read afresh: the link offers the download again.
        QTRY_COMPARE_WITH_TIMEOUT(DownloadQuestions(user), 2, kWaitMs);
        QVERIFY(!app.Commands().UploadAwaitingRecords());
        app.Link().Stop();

        QCOMPARE(engine.Memory().SiteName(0), std::string("MW-01 RENAMED"));
        for (int r = 0; r < 4; ++r) {
            QCOMPARE(engine.Memory().ReadingCount(r), original.ReadingCount(r));
            for (int i = 0; i < original.ReadingCount(r); ++i) {
                QVERIFY(engine.Memory().ReadingAt(r, i) == original.ReadingAt(r, i));
            }
        }
        // The read was the upload's: nothing merged, and no box said the upload failed (the
        // renamed site may be told about, as its readings stay at its place).
        QCOMPARE(app.Model().CellText(0, SiteListView::kLocation), std::string("MW-01 RENAMED"));
        QCOMPARE(app.Document().PathName(), ini);
        for (const std::string& message : user.messages) {
            QVERIFY2(message.rfind("The readout keeps readings", 0) == 0, message.c_str());
        }
    }

    // The readout names a file that is no site file: it stays untouched and unopened, the sites
    // are merged into the list in use, and the status bar says why.
    void aDataFileThatIsNoSiteFileIsNotOpened() {
        test::ResetStore();
        QTemporaryDir dir;
        sim::testing::TimeZoneGuard zone{"UTC"};
        sim::ReadoutMemory memory = sim::ReadoutMemory::MakeDefault(4, kNow);
        const std::string notes = dir.filePath(QStringLiteral("notes.txt")).toStdString();
        memory.SetFileName(notes);
        WriteFile(notes, "Pump 3 leaks.\r\n");
        ReadoutOnTheLine readout{memory};
        test::ScriptedUser user;
        user.answers[Question::DownloadData] = true;

        CQ417HostApp app({&readout.line, &readout.clock, &user});
        std::string error;
        QVERIFY2(app.Start({}, error, false), error.c_str());
        QTRY_COMPARE_WITH_TIMEOUT(app.Model().RowCount(), 4, kWaitMs);
        app.Link().Stop();
        QCOMPARE(app.Document().PathName(), std::string());
        QCOMPARE(app.Frame()->PaneText(CMainFrame::kMessagePane),
                 QString::fromStdString("Data file not opened: " + notes +
                                        ": line 1 is not a site line."));
        QCOMPARE(FileBytes(notes), std::string("Pump 3 leaks.\r\n"));
    }

    void anInterruptedUploadIsSaidOnceBeforeTheDownloadQuestion() {
        UploadRig rig(testing::PacketCutLine::Cut::Unplug);
        QVERIFY(rig.StartUpload());
        // Recovery gives up, the link starts over: the window says where the upload stopped.
        QTRY_COMPARE_WITH_TIMEOUT(Said(rig.user, kInterruptedAfterTen), 1, kWaitMs);
        QCOMPARE(rig.user.icons.back(), MessageIcon::Exclamation);
        QVERIFY(!rig.app.Commands().UploadRunning());
        QTRY_COMPARE_WITH_TIMEOUT(rig.app.Frame()->PaneText(CMainFrame::kStatusPane),
                                  QStringLiteral("Connecting"), kWaitMs);

        // The readout comes back: the download question comes after the box, and the box not
        // again.
        const std::size_t said = rig.user.messages.size();
        rig.fake.Replug();
        QTRY_COMPARE_WITH_TIMEOUT(DownloadQuestions(rig.user), 2, kWaitMs);
        QCOMPARE(rig.user.messagesAtQuestion.back(), said);
        QCOMPARE(Said(rig.user, kInterruptedAfterTen), 1);
        rig.app.Link().Stop();
        // The readout holds the first 15 sites and a part of the 16th new, its count and file
        // name as before.
        const sim::ReadoutMemory& memory = rig.engine.Memory();
        const sim::ReadoutMemory before = sim::ReadoutMemory::MakeDefault(30, kNow);
        QCOMPARE(memory.SiteName(14), std::string("Site 15"));
        QCOMPARE(memory.SiteName(15), std::string("Site 16"));  // its first block
        const auto rest = static_cast<std::ptrdiff_t>(15 * kRecordSize + kTransferBlockSize);
        QVERIFY(std::equal(memory.Records().begin() + rest, memory.Records().end(),
                           before.Records().begin() + rest));
        QCOMPARE(memory.RecordCount(), 30);
        QVERIFY(memory.FileName() != rig.ini);
    }

    void closingDuringAnUploadStopsItAndSaysWhereItStopped() {
        UploadRig rig(testing::PacketCutLine::Cut::Hold);
        QVERIFY(rig.StartUpload());
        // Held in its second write until the window closes.
        rig.user.answers[Question::QuitDuringUpload] = true;
        QVERIFY(rig.app.Frame()->close());
        QCOMPARE(rig.user.questions.back().first, Question::QuitDuringUpload);
        QCOMPARE(Said(rig.user, kInterruptedAfterTen), 1);
        QCOMPARE(rig.user.messagesAtQuestion.back() + 1, rig.user.messages.size());
        // The link is stopped and the port released before the window goes.
        QVERIFY(!rig.app.Link().Running());
        QVERIFY(!rig.fake.PortIsOpen());
        QVERIFY(!rig.app.Commands().UploadRunning());
        QTest::qWait(50);  // nothing more comes
        QCOMPARE(Said(rig.user, kInterruptedAfterTen), 1);
        QCOMPARE(rig.engine.Memory().RecordCount(), 30);
    }

    void portDisabledClosesThePortAndGreysTheReadoutCommands() {
        test::ResetStore();
        sim::testing::TimeZoneGuard zone{"UTC"};
        sim::ManualClock clock{kNow};
        clock.SetRealSleepDivisor(100);
        sim::ReadoutEngine engine{sim::ReadoutMemory::MakeDefault(4, kNow),
                                  [&clock] { return clock.CalendarSeconds(); }};
        sim::FakeLine line{clock, engine};
        test::ScriptedUser user;
        CQ417HostApp app({&line, &clock, &user});
        std::string error;
        QVERIFY2(app.Start({}, error, false), error.c_str());
        CMainFrame& frame = *app.Frame();
        QTRY_VERIFY_WITH_TIMEOUT(frame.Flags().upload && frame.Flags().addData, kWaitMs);
        QVERIFY(line.PortIsOpen());

        QCOMPARE(app.Commands().ApplyPortChoice(0, app.Settings().baudRate), JOB_OPEN_PORT);
        QTRY_COMPARE_WITH_TIMEOUT(frame.PaneText(CMainFrame::kStatusPane),
                                  QStringLiteral("Port not open"), kWaitMs);
        QVERIFY(!line.PortIsOpen());
        QCOMPARE(frame.Flags(), CommandFlags{});
        for (const int id :
             {cmd::kReadoutStatus, cmd::kReconnect, cmd::kAddReadoutData, cmd::kAddReadoutDataTool,
              cmd::kCalibration, cmd::kUploadSiteInfo, cmd::kUploadSiteInfoTool}) {
            QVERIFY2(!frame.Action(id)->isEnabled(), qPrintable(QString::number(id)));
        }
        QCOMPARE(app.Settings().portNum, 0);
        QVERIFY(app.Link().Settings().connected == 0);
    }
};

QTEST_MAIN(WindowEndToEndTest)
#include "WindowEndToEndTest.moc"
