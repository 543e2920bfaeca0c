// The main window without a readout: the port is "Disabled", so the link opens nothing and the
// frame, the list and the settings are exercised alone.

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>
#include <csignal>
#include <thread>

#include "AppFixture.h"
#include "CMainFrame.h"
#include "CQ417HostApp.h"
#include "CQ417HostDoc.h"
#include "CQ417HostView.h"
#include "CReadoutLink.h"
#include "ChildProcess.h"
#include "CommandIds.h"
#include "DocumentCommands.h"
#include "FirstWindowSize.h"
#include "LinkDispatcher.h"
#include "LinkEvent.h"
#include "LinkJob.h"
#include "MessagePane.h"
#include "RecentFileList.h"
#include "ScriptedUser.h"
#include "SiteListModel.h"
#include "SiteText.h"
#include "StatusPane.h"
#include "StopSignalWatch.h"
#include "UiActivity.h"

using namespace q417;

namespace {

// Whether process pid has a handler of its own for signalNumber (its SigCgt mask in /proc).
bool Catches(pid_t pid, int signalNumber) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return false;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) {
            bool ok = false;
            const qulonglong mask = line.mid(7).trimmed().toULongLong(&ok, 16);
            return ok && (mask >> (signalNumber - 1) & 1U) != 0;
        }
    }
    return false;
}

// A list of n sites named A, B, C, ... with nothing else in them.
void FillSites(SiteListModel& model, int n) {
    for (int i = 0; i < n; ++i) {
        model.InsertRow(model.RowCount(),
                        {std::to_string(i + 1), std::string(1, char('A' + i)), "", "", "PSI", ""});
    }
    model.Document()->SetSiteCount(model.RowCount());
}

QString Column(const SiteListModel& model, int column) {
    QString text;
    for (int r = 0; r < model.RowCount(); ++r) {
        text += QString::fromLatin1(model.CellText(r, column));
    }
    return text;
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<test::ScriptedUser> user_;
    std::unique_ptr<CQ417HostApp> app_;

    void StartApp(const std::map<QString, QVariant>& store = {{QStringLiteral("PortNum"), 0}}) {
        test::ResetStore(store);
        user_ = std::make_unique<test::ScriptedUser>();
        app_ = std::make_unique<CQ417HostApp>(CQ417HostApp::Parts{nullptr, nullptr, user_.get()});
        std::string error;
        QVERIFY2(app_->Start({}, error, false), error.c_str());
    }
    CMainFrame& Frame() { return *app_->Frame(); }
    CQ417HostView& View() { return *app_->View(); }
    SiteListModel& Model() { return app_->Model(); }
    // The window at its first size, active, the list focused.
    void ShowFrame() {
        Frame().resize(900, 540);
        Frame().show();
        QVERIFY(QTest::qWaitForWindowActive(&Frame()));
        View().setFocus();
    }
    // A click on cell (row, column), which also makes it the current cell.
    void ClickCell(int row, int column) {
        View().scrollTo(Model().index(row, column));
        const QRect cell = View().visualRect(Model().index(row, column));
        QTest::mouseClick(View().viewport(), Qt::LeftButton, {}, cell.center());
    }
    void Select(std::initializer_list<int> rows) {
        View().clearSelection();
        for (const int r : rows) {
            View().selectionModel()->select(
                Model().index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

  private Q_SLOTS:
    void cleanup() { app_.reset(); }

    void lineTraceCommandsAndAnUnwritableFile() {
        // --trace to a file that cannot be written: said once, and the window goes on.
        test::ResetStore({{QStringLiteral("PortNum"), 0}});
        user_ = std::make_unique<test::ScriptedUser>();
        app_ = std::make_unique<CQ417HostApp>(CQ417HostApp::Parts{nullptr, nullptr, user_.get()});
        const QTemporaryDir dir;
        HostOptions options;
        options.trace = dir.filePath(QStringLiteral("missing/trace.txt")).toStdString();
        std::string error;
        QVERIFY2(app_->Start(options, error, false), error.c_str());
        QCOMPARE(user_->messages.size(), std::size_t{1});
        QVERIFY(!app_->LineTracing());
        QVERIFY(Frame().Action(cmd::kStartLineTrace)->isEnabled());
        QVERIFY(!Frame().Action(cmd::kStopLineTrace)->isEnabled());

        const QString path = dir.filePath(QStringLiteral("trace.txt"));
        QVERIFY(app_->StartLineTrace(path.toStdString()));
        QVERIFY(QFile::exists(path));
        QVERIFY(!Frame().Action(cmd::kStartLineTrace)->isEnabled());
        QVERIFY(Frame().Action(cmd::kStopLineTrace)->isEnabled());
        app_->OnCommand(cmd::kStopLineTrace);
        QVERIFY(!app_->LineTracing());
        QVERIFY(Frame().Action(cmd::kStartLineTrace)->isEnabled());
        QCOMPARE(user_->messages.size(), std::size_t{1});
    }

    void statusPanes_data() {
        QTest::addColumn<LinkEventKind>("event");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("count");
        QTest::newRow("reading 42%")
            << LinkEventKind(link_event::Progress{Transfer::Download, 84, 200}) << "Reading data"
            << "42%";
        QTest::newRow("connected 5")
            << LinkEventKind(link_event::Status{LinkStatus::Connected, LinkDetail::Connected})
            << "Connected"
            << "5";
        QTest::newRow("under 1% keeps the number")
            << LinkEventKind(link_event::Progress{Transfer::Upload, 1, 200}) << "Writing data"
            << "12";
        QTest::newRow("no status keeps the status")
            << LinkEventKind(link_event::Status{LinkStatus::None, LinkDetail::Connecting})
            << "Comm error"
            << "3";
    }
    void statusPanes() {
        QFETCH(LinkEventKind, event);
        QFETCH(QString, status);
        QFETCH(QString, count);
        StartApp();
        Frame().OnLinkEvent(link_event::Status{LinkStatus::CommError, LinkDetail::IdleCommError});
        Frame().OnLinkEvent(event);
        QCOMPARE(Frame().PaneText(CMainFrame::kStatusPane), status);
        QCOMPARE(Frame().PaneText(CMainFrame::kNumberPane), count);
        QVERIFY(Frame().PaneText(CMainFrame::kClockPane).endsWith(QStringLiteral("M")));
    }

    void portNotOpenSaysWhy() {
        StartApp();  // "Disabled"
        QTRY_COMPARE(Frame().PaneText(CMainFrame::kStatusPane), QStringLiteral("Port not open"));
        QVERIFY(Frame().PaneText(CMainFrame::kMessagePane).contains(QStringLiteral("disabled")));
    }

    // At the default size the pane shows what happened; what to do is there too when it fits,
    // and always in the tooltip.
    void portProblemReadableAtDefaultSize() {
        StartApp();  // "Disabled"
        Frame().resize(900, 540);
        Frame().show();
        const QString headline = QStringLiteral("Port not open: the port is disabled.");
        const QString whole = headline + QStringLiteral(" Choose a port with Edit > Port...");
        QTRY_COMPARE(Frame().PaneText(CMainFrame::kMessagePane), whole);
        const MessagePane& pane = Frame().Messages();
        QCoreApplication::processEvents();
        const QString shown = pane.ShownText();
        QVERIFY2(shown == whole || shown == headline, qPrintable(shown));
        QVERIFY(pane.fontMetrics().horizontalAdvance(shown) <= pane.contentsRect().width());
        QCOMPARE(QTextDocumentFragment::fromHtml(pane.toolTip()).toPlainText(), whole);
    }

    // A message longer than the pane is cut to fit, in the middle so its reason stays, and
    // moves nothing: the window keeps its width, the other panes their places.
    void longMessageFitsThePane() {
        StartApp();
        Frame().resize(900, 540);
        Frame().show();
        // The link has said its piece, so the message below stays up.
        QTRY_COMPARE(Frame().PaneText(CMainFrame::kStatusPane), QStringLiteral("Port not open"));
        QCoreApplication::processEvents();
        const QRect clock = Frame().Pane(CMainFrame::kClockPane)->geometry();
        const QString whole = QStringLiteral("Data file not opened: /home/technician/") +
                              QString(80, QLatin1Char('x')) +
                              QStringLiteral("/sites.ini: line 3 is not a site line.");
        Frame().SetIdleMessage(whole);
        QCoreApplication::processEvents();
        QCOMPARE(Frame().width(), 900);
        QCOMPARE(Frame().Pane(CMainFrame::kClockPane)->geometry(), clock);
        const MessagePane& pane = Frame().Messages();
        QVERIFY(pane.ShownText().startsWith(QStringLiteral("Data file not opened: ")));
        QVERIFY(pane.ShownText().endsWith(QStringLiteral("site line.")));
        QVERIFY(pane.fontMetrics().horizontalAdvance(pane.ShownText()) <= pane.width());
        QCOMPARE(Frame().PaneText(CMainFrame::kMessagePane), whole);
        QCOMPARE(QTextDocumentFragment::fromHtml(pane.toolTip()).toPlainText(), whole);
        Frame().SetIdleMessage({});
        QCOMPARE(pane.ShownText(), QStringLiteral("Ready"));
        QCOMPARE(pane.toolTip(), QString());
    }

    void messageFitsItsWidth_data() {
        QTest::addColumn<int>("room");  // 0: the headline's width, 1: the whole's, 2: half
        QTest::addColumn<QString>("shown");
        QTest::newRow("all fits") << 1 << "Port not open: /dev/ttyUSB0: busy. Close it.";
        QTest::newRow("headline fits") << 0 << "Port not open: /dev/ttyUSB0: busy.";
        QTest::newRow("nothing fits") << 2 << "";
    }
    void messageFitsItsWidth() {
        QFETCH(int, room);
        QFETCH(QString, shown);
        const QString headline = QStringLiteral("Port not open: /dev/ttyUSB0: busy.");
        const QString whole = headline + QStringLiteral(" Close it.");
        const QFontMetrics metrics(QApplication::font());
        const int width = room == 0   ? metrics.horizontalAdvance(headline)
                          : room == 1 ? metrics.horizontalAdvance(whole)
                                      : metrics.horizontalAdvance(headline) / 2;
        const QString fitted =
            MessagePane::Fitted(headline, whole, Qt::ElideMiddle, metrics, width);
        if (shown.isEmpty()) {
            QVERIFY(fitted.contains(QChar(0x2026)));
            QVERIFY(fitted.startsWith(QStringLiteral("Port")));
            QVERIFY(metrics.horizontalAdvance(fitted) <= width);
        } else {
            QCOMPARE(fitted, shown);
        }
    }

    // Prompts show in the message pane itself, where "Ready" or a message is, not over it.
    void promptsShowWhereReadyIs() {
        StartApp();
        Frame().resize(900, 540);
        Frame().show();
        QTRY_COMPARE(Frame().PaneText(CMainFrame::kStatusPane), QStringLiteral("Port not open"));
        QCoreApplication::processEvents();
        const QString idle = Frame().PaneText(CMainFrame::kMessagePane);
        const QRect ready = Frame().Messages().geometry();
        Frame().Action(cmd::kPort)->showStatusText(&Frame());
        QCOMPARE(Frame().PaneText(CMainFrame::kMessagePane),
                 QStringLiteral("Edit Port and Baud Rate"));
        QCOMPARE(Frame().Messages().ShownText(), QStringLiteral("Edit Port and Baud Rate"));
        QVERIFY(Frame().Messages().isVisible());
        QCOMPARE(Frame().Messages().geometry(), ready);
        QCOMPARE(Frame().statusBar()->currentMessage(), QString());
        QStatusTipEvent gone{QString()};
        QCoreApplication::sendEvent(&Frame(), &gone);
        QCOMPARE(Frame().PaneText(CMainFrame::kMessagePane), idle);
    }

    // The panes right of the message pane keep their places whatever the link says.
    void panesHoldTheirWidths() {
        StartApp();
        Frame().resize(900, 540);
        Frame().show();
        const auto places = [this] {
            QCoreApplication::processEvents();
            QList<QRect> rects;
            for (int pane = CMainFrame::kDragPane; pane < CMainFrame::kPaneCount; ++pane) {
                rects.append(Frame().Pane(pane)->geometry());
            }
            return rects;
        };
        Frame().OnLinkEvent(link_event::Status{LinkStatus::Connected, LinkDetail::Connected});
        const QList<QRect> start = places();
        const LinkEventKind events[] = {
            link_event::Status{LinkStatus::Connected, LinkDetail::PollAnswered},
            link_event::Progress{Transfer::Download, 200, 200},
            link_event::Status{LinkStatus::Connecting, LinkDetail::Connecting},
            link_event::Progress{Transfer::Upload, 200, 200},
            link_event::Status{LinkStatus::CommError, LinkDetail::TransferCommError},
            link_event::Status{LinkStatus::NewReadout, LinkDetail::NewReadout},
        };
        for (const LinkEventKind& event : events) {
            Frame().OnLinkEvent(event);
            QCOMPARE(places(), start);
        }
        // A text wider than any a pane was made for (no link event has one) widens it once, and
        // it stays so.
        StatusPane number(7, {QStringLiteral("100%")});
        const int width = number.width();
        number.SetPaneText(QStringLiteral("1234567890"));
        const int wider = number.width();
        QVERIFY(wider > width);
        number.SetPaneText(QStringLiteral("5"));
        QCOMPARE(number.width(), wider);
    }

    void firstWindowSize_data() {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("size");
        QTest::newRow("1280 x 1024 at 1x") << QRect(0, 0, 1280, 1024) << QSize(900, 540);
        QTest::newRow("1280 x 1024 at 2x") << QRect(0, 0, 640, 512) << QSize(624, 464);
        QTest::newRow("a panel on a second screen") << QRect(1280, 30, 800, 570) << QSize(784, 522);
        QTest::newRow("just enough") << QRect(0, 0, 916, 588) << QSize(900, 540);
    }
    void firstWindowSize() {
        QFETCH(QRect, available);
        QFETCH(QSize, size);
        QCOMPARE(FirstWindowSize({900, 540}, available), size);
    }

    void commandEnabling() {
        StartApp();
        const int readout[] = {cmd::kReadoutStatus,      cmd::kUploadSiteInfo,
                               cmd::kUploadSiteInfoTool, cmd::kAddReadoutData,
                               cmd::kAddReadoutDataTool, cmd::kReconnect};
        for (const int id : readout) {
            QVERIFY2(!Frame().Action(id)->isEnabled(), qPrintable(QString::number(id)));
        }
        QVERIFY(Frame().Action(cmd::kSelectAll)->isEnabled());
        QVERIFY(!Frame().Action(cmd::kCut)->isEnabled());
        // A connected readout is not yet a ready one.
        Frame().OnLinkEvent(link_event::Status{LinkStatus::Connected, LinkDetail::Connected});
        Frame().OnLinkEvent(link_event::ReadoutWoken{});
        QVERIFY(!Frame().Action(cmd::kReconnect)->isEnabled());
        Frame().OnLinkEvent(link_event::ReadoutReady{});
        for (const int id : readout) {
            QVERIFY2(Frame().Action(id)->isEnabled(), qPrintable(QString::number(id)));
        }
        QVERIFY(Frame().Flags().calibration);
        // An upload withdraws what would talk to the readout in its middle, both tools too.
        Frame().OnLinkEvent(link_event::TransferBegun{Transfer::Upload, 25});
        for (const int id : {cmd::kUploadSiteInfo, cmd::kUploadSiteInfoTool, cmd::kAddReadoutData,
                             cmd::kAddReadoutDataTool}) {
            QVERIFY2(!Frame().Action(id)->isEnabled(), qPrintable(QString::number(id)));
        }
        QVERIFY(Frame().Action(cmd::kReadoutStatus)->isEnabled());
        QVERIFY(Frame().Action(cmd::kReconnect)->isEnabled());
        QVERIFY(!Frame().Flags().calibration);
        // A lost port leaves only what needs no readout.
        Frame().OnLinkEvent(link_event::ReadoutReady{});
        Frame().OnLinkEvent(link_event::ReadoutGone{true});
        for (const int id : readout) {
            QVERIFY2(!Frame().Action(id)->isEnabled(), qPrintable(QString::number(id)));
        }
        Frame().OnLinkEvent(link_event::ReadoutReady{});

        FillSites(Model(), 2);
        Select({1});
        QTRY_VERIFY(Frame().Action(cmd::kCopy)->isEnabled());
        QVERIFY(Frame().Action(cmd::kDelete)->isEnabled());
        Frame().DisableCommands();
        QCOMPARE(Frame().Flags(), CommandFlags{});
        QVERIFY(!Frame().Action(cmd::kCut)->isEnabled() &&
                !Frame().Action(cmd::kUploadSiteInfo)->isEnabled());
        QVERIFY(Frame().Action(cmd::kSelectAll)->isEnabled());
    }

    void settingsDefaultsAndWriteBack() {
        StartApp({});
        const HostSettings& s = app_->Settings();
        QCOMPARE(std::make_tuple(s.portNum, s.baudRate, s.gridLines, s.autoOpen, s.autoSync),
                 std::make_tuple(1, 115200, 0, 1, 1));
        app_->Settings().gridLines = 1;
        app_->Settings().autoSync = 0;
        // Nothing reaches the store while the window is there.
        QVERIFY(!test::StoredValue(QStringLiteral("Settings/GridLines")).isValid());
        app_->CloseWindow();
        const std::pair<const char*, int> expected[] = {{"BaudRate", 115200},
                                                        {"PortNum", 1},
                                                        {"GridLines", 1},
                                                        {"autoOpenFile", 1},
                                                        {"autoSyncTime", 0}};
        for (const auto& [key, value] : expected) {
            QCOMPARE(test::StoredValue(QStringLiteral("Settings/") + QLatin1String(key)).toInt(),
                     value);
        }
    }

    // Upload Site Info greys the commands only once the user has said yes.
    void uploadNotConfirmedLeavesTheCommands() {
        StartApp();
        FillSites(Model(), 2);
        Frame().OnLinkEvent(link_event::ReadoutReady{});
        const CommandFlags before = Frame().Flags();
        user_->saveChoice = SaveChoice::Discard;
        user_->answers[Question::ConfirmUpload] = false;
        QVERIFY(!app_->Commands().UploadSiteInfo());
        QCOMPARE(Frame().Flags(), before);
        QVERIFY(Frame().Action(cmd::kUploadSiteInfo)->isEnabled());
        QVERIFY(user_->messages.empty());
    }

    // Keeping readings that were never downloaded reads the readout's records first; a readout
    // that goes away meanwhile ends the upload with one box, and nothing is written.
    void keepingReadingsReadsTheRecordsFirstAndAGoneReadoutSaysSo_data() {
        QTest::addColumn<LinkEventKind>("event");
        QTest::addColumn<bool>("ends");
        QTest::newRow("starting over")
            << LinkEventKind(link_event::Status{LinkStatus::Connecting, LinkDetail::Connecting})
            << true;
        QTest::newRow("port lost") << LinkEventKind(link_event::ReadoutGone{true}) << true;
        QTest::newRow("another readout")
            << LinkEventKind(link_event::Status{LinkStatus::NewReadout, LinkDetail::NewReadout})
            << true;
        QTest::newRow("a failed step, recovering")
            << LinkEventKind(
                   link_event::Status{LinkStatus::CommError, LinkDetail::TransferCommError})
            << false;
        QTest::newRow("its progress")
            << LinkEventKind(link_event::Progress{Transfer::Download, 1, 2}) << false;
    }
    void keepingReadingsReadsTheRecordsFirstAndAGoneReadoutSaysSo() {
        QFETCH(LinkEventKind, event);
        QFETCH(bool, ends);
        StartApp();
        FillSites(Model(), 2);
        Frame().OnLinkEvent(link_event::ReadoutReady{});
        user_->saveChoice = SaveChoice::Discard;
        user_->answers[Question::ConfirmUpload] = true;
        user_->answers[Question::ClearReadings] = false;
        QVERIFY(app_->Commands().UploadSiteInfo());
        QVERIFY(app_->Commands().UploadAwaitingRecords());
        QVERIFY(!app_->Commands().UploadRunning());  // nothing is written yet
        QVERIFY(!Frame().Action(cmd::kUploadSiteInfo)->isEnabled());
        QVERIFY(user_->messages.empty());

        app_->Commands().OnLinkEvent({0, event});
        if (!ends) {
            QVERIFY(app_->Commands().UploadAwaitingRecords());
            QVERIFY(user_->messages.empty());
            return;
        }
        QVERIFY(!app_->Commands().UploadAwaitingRecords());
        QCOMPARE(user_->messages, std::vector<std::string>{kRecordsNotReadUploadMessage});
        app_->Commands().OnLinkEvent({0, event});
        QCOMPARE(user_->messages.size(), std::size_t{1});
    }

    void aFileThatCannotBeOpenedEndsTheStart() {
        test::ResetStore({{QStringLiteral("PortNum"), 0}});
        test::ScriptedUser user;
        CQ417HostApp app(CQ417HostApp::Parts{nullptr, nullptr, &user});
        HostOptions options;
        options.file = "/nonexistent/north.ini";
        std::string error;
        QVERIFY(!app.Start(options, error, false));
        QVERIFY(error.find("/nonexistent/north.ini") != std::string::npos);
        QCOMPARE(user.messages.size(), std::size_t(1));  // said in words, once
    }

    void aDroppedFileOpens() {
        StartApp();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("north.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "1,MW-01,12/08/26 13:04,3.500000000,PSI,30303000\r\n"
            "2,MW-02,01/01/00 00:00,0.000000000,PSI,30303000\r\n");
        file.close();
        Q_EMIT Frame().fileDropped(path);
        QCOMPARE(Model().RowCount(), 2);
        QCOMPARE(Model().CellText(1, SiteListView::kDateTime), std::string());  // no reading
        QCOMPARE(Frame().windowTitle(), QStringLiteral("north.ini[*] - Q417 Host"));
        QCOMPARE(app_->Recent().Files().value(0), path);
    }

    void recentFiles() {
        test::ResetStore();
        RecentFileList recent;
        for (const char* name : {"/a/one.ini", "/a/two.ini", "/a/three.ini", "/a/four.ini",
                                 "/a/two.ini", "/b/R&D.ini"}) {
            recent.Add(QString::fromLatin1(name));
        }
        QCOMPARE(recent.Files(),
                 (QStringList{QStringLiteral("/b/R&D.ini"), QStringLiteral("/a/two.ini"),
                              QStringLiteral("/a/four.ini"), QStringLiteral("/a/three.ini")}));
        QCOMPARE(recent.MenuText(0), QStringLiteral("&1 R&&D.ini"));
        {
            QSettings store(QString::fromLatin1(kSettingsOrganization),
                            QString::fromLatin1(kSettingsApplication));
            recent.Save(store);
        }
        RecentFileList loaded;
        loaded.Load(QSettings(QString::fromLatin1(kSettingsOrganization),
                              QString::fromLatin1(kSettingsApplication)));
        QCOMPARE(loaded.Files(), recent.Files());
        QCOMPARE(test::StoredValue(QStringLiteral("Recent File List/File2")).toString(),
                 QStringLiteral("/a/two.ini"));
    }

    void portChoice_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("job");
        QTest::newRow("unchanged") << 3 << 57600 << 0;
        QTest::newRow("disabled") << 0 << 57600 << JOB_OPEN_PORT;
        QTest::newRow("baud") << 3 << 115200 << JOB_CHANGE_BAUD;
        QTest::newRow("both") << 4 << 115200 << JOB_OPEN_PORT_AND_BAUD;
    }
    void portChoice() {
        QFETCH(int, port);
        QFETCH(int, baud);
        QFETCH(int, job);
        StartApp({{QStringLiteral("PortNum"), 3}, {QStringLiteral("BaudRate"), 57600}});
        QCOMPARE(app_->Commands().ApplyPortChoice(port, baud), job);
        QCOMPARE(app_->Settings().portNum, port);
        QCOMPARE(app_->Settings().baudRate, baud);
        QCOMPARE(app_->Link().PortNumber(), port);
    }

    void newSitePlacement_data() {
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("locations");
        QTest::newRow("above row 3") << 3 << true << "ABCNEWDE";
        QTest::newRow("appended") << -1 << true << "ABCDENEW";
        QTest::newRow("kept when cancelled") << 1 << false << "ABCDE";
    }
    void newSitePlacement() {
        QFETCH(int, selected);
        QFETCH(bool, accept);
        QFETCH(QString, locations);
        StartApp();
        FillSites(Model(), 5);
        if (selected >= 0) {
            Select({selected});
        }
        test::OnNextDialog([accept](QDialog& dialog) {
            const auto edits = dialog.findChildren<QLineEdit*>();
            for (QLineEdit* edit : edits) {
                if (!edit->isReadOnly()) {
                    edit->setText(QStringLiteral("NEW"));
                }
            }
            accept ? dialog.accept() : dialog.reject();
        });
        View().NewSite();
        QCOMPARE(Model().RowCount(), 6);
        QCOMPARE(Column(Model(), SiteListView::kLocation), locations);
        QCOMPARE(Column(Model(), SiteListView::kId), QStringLiteral("123456"));
        QCOMPARE(app_->Document().SiteCount(), 6);
        QVERIFY(app_->Document().IsModified());
    }

    void newSiteOnAFullList() {
        StartApp();
        FillSites(Model(), kMaxSites);
        View().NewSite();
        QCOMPARE(Model().RowCount(), kMaxSites);
        QCOMPARE(user_->messages.back(), std::string(kSiteListFullMessage));
    }

    void deleteSelectsTheNextRow() {
        StartApp();
        FillSites(Model(), 5);
        Select({3, 4});
        View().DeleteSelectedSites();
        QCOMPARE(app_->Document().SiteCount(), 3);
        QCOMPARE(View().SelectedRows(), std::vector<int>{2});
        Select({0});
        View().DeleteSelectedSites();
        QCOMPARE(View().SelectedRows(), std::vector<int>{0});
        QCOMPARE(Column(Model(), SiteListView::kLocation), QStringLiteral("BC"));
        QCOMPARE(Column(Model(), SiteListView::kId), QStringLiteral("12"));
    }

    void dragMovesOneRow_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");  // -1: below the last row
        QTest::addColumn<QString>("locations");
        QTest::addColumn<int>("landed");
        QTest::newRow("1 onto 4") << 1 << 4 << "ACDBEF" << 3;
        QTest::newRow("4 onto 1") << 4 << 1 << "AEBCDF" << 1;
        QTest::newRow("below the last") << 0 << -1 << "BCDEFA" << 5;
    }
    void dragMovesOneRow() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, locations);
        QFETCH(int, landed);
        StartApp();
        FillSites(Model(), 6);
        ShowFrame();  // a drop lands where the visible list shows it
        Model().SetCellText(0, SiteListView::kId, "X");  // an edited ID is renumbered
        Select({from});
        QVERIFY(View().BeginDrag());
        const int last = Model().RowCount() - 1;
        const QPoint target =
            to < 0 ? QPoint(5, View().rowViewportPosition(last) + View().rowHeight(last) + 5)
                   : QPoint(5, View().rowViewportPosition(to) + 2);
        View().DragMove(target, true);
        View().Drop(target);
        QCOMPARE(Column(Model(), SiteListView::kLocation), locations);
        QCOMPARE(View().SelectedRows(), std::vector<int>{landed});
        QCOMPARE(Column(Model(), SiteListView::kId), QStringLiteral("123456"));
        QVERIFY(!View().Dragging());
    }

    void dragOfTwoRowsIsRefused() {
        StartApp();
        FillSites(Model(), 3);
        Select({0, 2});
        QVERIFY(!View().BeginDrag());
        QCOMPARE(user_->messages.back(), std::string("Only one item can be moved at a time."));
        QCOMPARE(Column(Model(), SiteListView::kLocation), QStringLiteral("ABC"));
    }

    void dragScrollsAtTheEdges_data() {
        QTest::addColumn<int>("step");       // rows a tick scrolls, down when positive
        QTest::addColumn<double>("inside");  // the pointer, in rows inside the edge it is at
        QTest::addColumn<bool>("toTheEnd");
        QTest::newRow("on the last visible row") << 1 << 0.5 << false;
        QTest::newRow("below the list") << 4 << -3.0 << false;
        QTest::newRow("on the first visible row") << -1 << 0.5 << false;
        QTest::newRow("above the list") << -3 << -2.0 << false;
        QTest::newRow("down to the last page") << 1 << 0.5 << true;
    }
    void dragScrollsAtTheEdges() {
        QFETCH(int, step);
        QFETCH(double, inside);
        QFETCH(bool, toTheEnd);
        StartApp();
        FillSites(Model(), 60);
        ShowFrame();
        const int height = View().viewport()->height();
        const int offset = static_cast<int>(inside * View().rowHeight(0));
        View().scrollTo(Model().index(step > 0 ? 0 : 59, 0));
        ClickCell(step > 0 ? 0 : 59, SiteListView::kLocation);
        const int top = View().rowAt(0);
        QVERIFY(View().BeginDrag());
        View().OnLinkEvent(link_event::ReadoutReady{});  // its question waits for the drop
        View().DragMove({40, step > 0 ? height - offset : offset}, true);
        QCOMPARE(View().rowAt(0), top + step);  // at once, then at each tick
        View().DragScrollTick();
        QCOMPARE(View().rowAt(0), top + 2 * step);
        QTRY_VERIFY(View().rowAt(0) != top + 2 * step);  // the timer ticks by itself
        for (int i = 0; i < 60 && (toTheEnd || std::abs(View().rowAt(0) - top) < 30); ++i) {
            View().DragScrollTick();
        }
        // Back in the middle the scrolling stops, and the row lands at the marker there.
        const QPoint middle(40, height / 2);
        View().DragMove(middle, true);
        QVERIFY(!View().DragScrolling());
        const int target = View().rowAt(middle.y());
        const int marker = View().rowViewportPosition(target);
        QVERIFY(user_->questions.empty());
        View().Drop(middle);
        QTRY_COMPARE(user_->questions.size(), std::size_t{1});
        const int landed = step > 0 ? target - 1 : target;
        QCOMPARE(View().SelectedRows(), std::vector<int>{landed});
        QCOMPARE(Model().CellText(landed, 1), std::string(1, step > 0 ? 'A' : char('A' + 59)));
        // No jump: the rows above the marker stay, or on the last page those below it.
        const QRect moved = View().visualRect(Model().index(landed, 0));
        QCOMPARE(toTheEnd ? moved.bottom() + 1 : moved.top(), marker);
    }

    void siteListKeys_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("row");  // the cell clicked first; -1: none
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("selected");   // a menu opens below it, at the corner for -1
        QTest::addColumn<QString>("after");  // locations and IDs; empty: not looked at
        for (const int c : {0, 3, 5}) {
            QTest::addRow("F2 in column %d", c)
                << 6 << 2 << c << "F2 7 7 Return" << 2 << "ABCDEF 1277456";
        }
        QTest::newRow("a digit does not search") << 6 << 2 << 0 << "5" << 2 << "";
        QTest::newRow("a letter finds a location") << 6 << 2 << 1 << "E" << 4 << "";
        QTest::newRow("Alt+Up") << 6 << 2 << 1 << "Alt+Up" << 1 << "ACBDEF 123456";
        QTest::newRow("Alt+Down, F2")
            << 6 << 2 << 1 << "Alt+Down F2 9 Return" << 3 << "ABDCEF 123956";
        QTest::newRow("first stays first") << 6 << 0 << 1 << "Alt+Up" << 0 << "ABCDEF 123456";
        QTest::newRow("last stays last") << 6 << 5 << 1 << "Alt+Down" << 5 << "ABCDEF 123456";
        QString moved;  // 40 sites, the fourth moved 30 places down, off the first page
        QString ids;
        for (int i = 0; i < 40; ++i) {
            moved += QChar(u'A' + i);
            ids += QString::number(i + 1);
        }
        moved.insert(34, moved.at(3)).remove(3, 1);
        QTest::newRow("Alt+Down off the page")
            << 40 << 3 << 1 << QStringList(30, QStringLiteral("Alt+Down")).join(u' ') << 33
            << moved + u' ' + ids;
        QTest::newRow("Menu key") << 6 << 4 << 1 << "Menu" << 4 << "";
        QTest::newRow("Shift+F10, row out of view")
            << 40 << 35 << 1 << "Ctrl+Home Shift+F10" << 35 << "";
        QTest::newRow("Shift+F10, no row") << 6 << -1 << 0 << "Shift+F10" << -1 << "";
    }
    void siteListKeys() {
        QFETCH(int, rows);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, keys);
        QFETCH(int, selected);
        QFETCH(QString, after);
        StartApp();
        FillSites(Model(), rows);
        ShowFrame();
        if (row >= 0) {
            ClickCell(row, column);
        }
        QPoint menuAt;
        for (const QString& key : keys.split(u' ')) {
            QTimer::singleShot(0, [&menuAt] {  // a menu that opens: where, and close it
                if (QWidget* menu = QApplication::activePopupWidget()) {
                    menuAt = menu->pos();
                    const qsizetype entries = menu->actions().size();
                    menu->close();  // first: a failed comparison returns from here
                    // The row menu: New Site, Edit Location, Delete Site, a line, Plot Readings.
                    QCOMPARE(entries, 5);
                }
            });
            if (key == QStringLiteral("Menu")) {
                // What the desktop's platform layer makes of the key (the offscreen one does
                // not): a keyboard request to the focused widget.
                QContextMenuEvent request(QContextMenuEvent::Keyboard, {300, 300},
                                          View().viewport()->mapToGlobal(QPoint(300, 300)));
                QApplication::sendEvent(&View(), &request);
            } else {
                QTest::keySequence(QApplication::focusWidget(), QKeySequence(key));
            }
        }
        QCOMPARE(View().FirstSelectedRow(), selected);
        if (selected >= 0) {
            QVERIFY(
                View().viewport()->rect().contains(View().visualRect(Model().index(selected, 0))));
        }
        if (!after.isEmpty()) {  // an edited ID is committed from the event loop
            QTRY_COMPARE(Column(Model(), SiteListView::kLocation) + u' ' +
                             Column(Model(), SiteListView::kId),
                         after);
        }
        if (keys.endsWith(QStringLiteral("Menu")) || keys.endsWith(QStringLiteral("F10"))) {
            const QPoint expected =
                selected < 0
                    ? QPoint(5, 5)
                    : QPoint(5, View().visualRect(Model().index(selected, 0)).bottom() + 1);
            QCOMPARE(menuAt, View().viewport()->mapToGlobal(expected));
        }
    }

    void copyAndCut() {
        StartApp();
        FillSites(Model(), 3);
        Model().SetCellText(2, SiteListView::kId, "9");
        Model().SetCellText(2, SiteListView::kLocation, "\xC9tang");  // Latin-1 stays 8-bit
        Select({0, 2});
        QVERIFY(View().CopySelection());
        const QString expected = QString::fromLatin1(
            "Site,Location,Date/Time,Latest Data,Units,Serial Number\r\n"
            "1,A,,,PSI,\r\n"
            "3,\xC9tang,,,PSI,\r\n");
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
        View().Cut();
        QCOMPARE(Column(Model(), SiteListView::kLocation), QStringLiteral("B"));
    }

    void selectAllDeleteAndGridLines() {
        StartApp();
        FillSites(Model(), 4);
        app_->OnCommand(cmd::kSelectAll);
        QCOMPARE(View().SelectedRows().size(), std::size_t(4));
        Select({1});
        Frame().show();
        View().setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&Frame()));
        QTest::keyClick(&View(), Qt::Key_Delete);  // the menu's key, where the rows are
        QCOMPARE(Column(Model(), SiteListView::kLocation), QStringLiteral("ACD"));
        app_->OnCommand(cmd::kGridLines);
        QVERIFY(View().showGrid());
        QCOMPARE(app_->Settings().gridLines, 1);
        QVERIFY(Frame().Action(cmd::kGridLines)->isChecked());
    }

    // Link events that come while the window waits for the user are handled afterwards, once:
    // a second offer of the download never stacks on the open one.
    void linkEventsWaitForTheOpenQuestion() {
        StartApp();
        app_->Document().SetModified(true);  // so the merge asks first, which the test can see
        int asked = 0;
        user_->onQuestion = [this, &asked](Question question) {
            if (question != Question::DownloadData || asked++ > 0) {
                return;
            }
            View().OnLinkEvent(link_event::ReadoutReady{});
            View().OnLinkEvent(link_event::DownloadComplete{});
            QCOMPARE(user_->saveQuestions.size(), std::size_t(0));
        };
        View().OnLinkEvent(link_event::ReadoutReady{});
        QCOMPARE(asked, 1);
        QTRY_COMPARE(user_->saveQuestions.size(), std::size_t(1));  // the merge, after
        QCOMPARE(asked, 1);

        // While a dialog is open the offer waits for it to close.
        {
            UiActivity::Scope dialogOpen(app_->Activity());
            View().OnLinkEvent(link_event::ReadoutReady{});
            QTest::qWait(20);
            QCOMPARE(asked, 1);
        }
        QTRY_COMPARE(asked, 2);
    }

    void dispatcherDropsWhatHasNoWindow() {
        LinkDispatcher dispatcher;
        int results = 0;
        auto* stays = new QObject(&dispatcher);
        auto* goes = new QObject;
        const RequesterId kept =
            dispatcher.AddRequester(stays, [&](const LinkEvent&) { ++results; });
        const RequesterId gone =
            dispatcher.AddRequester(goes, [&](const LinkEvent&) { ++results; });
        const RequesterId withdrawn =
            dispatcher.AddRequester(stays, [&](const LinkEvent&) { ++results; });
        dispatcher.WithdrawRequester(withdrawn);
        std::thread worker([&] {
            for (const RequesterId id : {kept, gone, withdrawn, RequesterId(99)}) {
                dispatcher.Post({id, link_event::JobResult{0}});
            }
            dispatcher.Post({0, link_event::ReadoutReady{}});  // no status window, no view
        });
        worker.join();
        delete goes;
        QTRY_COMPARE(dispatcher.Delivered() + dispatcher.Dropped(), 5);
        QCOMPARE(results, 1);
        QCOMPARE(dispatcher.Dropped(), 4);
    }

    // An event for every window reaches the frame, then the view; a result only its requester.
    void dispatcherHandsBroadcastsToTheStatusWindowThenTheView() {
        LinkDispatcher dispatcher;
        QObject frame;
        QObject view;
        QObject requester;
        QStringList got;
        const auto record = [&got](const char* who) {
            return [&got, who](const LinkEvent& event) {
                got.append(QLatin1String(who) + QLatin1Char(' ') +
                           QString::number(event.what.index()));
            };
        };
        dispatcher.SetViewWindow(&view, record("view"));
        dispatcher.SetStatusWindow(&frame, record("frame"));
        const RequesterId id = dispatcher.AddRequester(&requester, record("requester"));
        dispatcher.Post({0, link_event::ReadoutReady{}});
        dispatcher.Post({id, link_event::JobResult{1}});
        dispatcher.DeliverPosted();
        const QString ready = QString::number(LinkEventKind(link_event::ReadoutReady{}).index());
        const QString result = QString::number(LinkEventKind(link_event::JobResult{}).index());
        QCOMPARE(got,
                 (QStringList{QStringLiteral("frame ") + ready, QStringLiteral("view ") + ready,
                              QStringLiteral("requester ") + result}));
        QCOMPARE(dispatcher.Dropped(), 0);
    }

    void stopSignalsReachTheWindowThread_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void stopSignalsReachTheWindowThread() {
        QFETCH(int, signalNumber);
        struct sigaction before {};
        ::sigaction(signalNumber, nullptr, &before);
        {
            StopSignalWatch watch;
            QVERIFY(watch.Watching());
            QSignalSpy spy(&watch, &StopSignalWatch::stopRequested);
            QCOMPARE(::raise(signalNumber), 0);  // without the watch this ends the test
            QTRY_COMPARE(spy.count(), 1);
            QCOMPARE(spy.at(0).at(0).toInt(), signalNumber);
        }
        struct sigaction after {};
        ::sigaction(signalNumber, nullptr, &after);
        QVERIFY(after.sa_handler == before.sa_handler);  // given back with the watch
    }

    void stopSignalsEndTheProgramAsExitDoes_data() { stopSignalsReachTheWindowThread_data(); }
    void stopSignalsEndTheProgramAsExitDoes() {
        QFETCH(int, signalNumber);
        test::ResetStore({{QStringLiteral("PortNum"), 0}});
        test::ChildProcess host(Q417HOST_PATH, {});
        QVERIFY(host.Started());
        // Once the window takes the signal itself, it is sent.
        QVERIFY(QTest::qWaitFor([&] { return Catches(host.Pid(), signalNumber); }, 20000));
        host.Signal(signalNumber);
        QCOMPARE(host.Wait(20000), std::optional<int>(0));  // closed, not killed
        // The settings are written as the window goes.
        QCOMPARE(test::StoredValue(QStringLiteral("Settings/BaudRate")).toInt(), 115200);
    }

    void aStopSignalClosesTheWindowAsExitDoes() {
        StartApp();
        Frame().show();
        app_->Document().SetModified(true);
        // A dialog open over the window ends first; then the window asks as File > Exit does,
        // and Cancel keeps it.
        user_->saveChoice = SaveChoice::Cancel;
        bool endedBySignal = true;
        test::OnNextDialog([this, &endedBySignal](QDialog& about) {
            QTimer::singleShot(5000, &about, [&endedBySignal, &about] {  // else it never returns
                endedBySignal = false;
                about.reject();
            });
            app_->OnStopSignal(SIGTERM);
        });
        app_->OnCommand(cmd::kAbout);  // returns once the About box is ended
        QVERIFY(endedBySignal);
        QTRY_COMPARE(user_->saveQuestions.size(), std::size_t{1});
        QVERIFY(Frame().isVisible());
        // A later signal asks again.
        user_->saveChoice = SaveChoice::Discard;
        app_->OnStopSignal(SIGHUP);
        QTRY_VERIFY(!Frame().isVisible());
        QCOMPARE(user_->saveQuestions.size(), std::size_t{2});
    }

    void idEditRefusesCommas() {
        StartApp();
        FillSites(Model(), 2);
        const QModelIndex id = Model().index(1, SiteListView::kId);
        View().edit(id);
        auto* editor = View().findChild<QLineEdit*>(QStringLiteral("siteIdEditor"));
        QVERIFY(editor != nullptr);
        editor->clear();
        QTest::keyClicks(editor, QStringLiteral("7,7,7777777777777777777777"));
        QCOMPARE(editor->text(), QStringLiteral("77777777777777777777"));
        QVERIFY(!app_->Document().IsModified());
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(Model().CellText(1, SiteListView::kId), std::string(20, '7'));
        QVERIFY(app_->Document().IsModified());
    }
};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
