// The calibration file and the Calibration dialog against the link on the simulated readout.

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "BoxRecorder.h"
#include "CCalibrationDlg.h"
#include "CMainFrame.h"
#include "CQ417HostApp.h"
#include "CalibrationLog.h"
#include "CommandIds.h"
#include "FakeLine.h"
#include "LinkJob.h"
#include "LinkOnSimulator.h"
#include "ManualClock.h"
#include "ReadoutEngine.h"
#include "ReadoutMemory.h"
#include "TimeZoneGuard.h"

using namespace q417;
using test::BoxRecorder;
using test::RunModal;

namespace {

constexpr std::int64_t kSaveTime = 1798880610;  // 2027-01-02 09:03:30 UTC
const QByteArray kHeader = "Date/Time,Reference,Pressure,Temperature\r\n";

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(absent)");
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QLineEdit& Field(QWidget& dialog, const char* name) {
    return *dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
}
QPushButton& Button(QWidget& dialog, const char* name) {
    return *dialog.findChild<QPushButton*>(QString::fromLatin1(name));
}

// The readout reports these signals, with the blanks it pads them with.
void Signals(sim::ReadoutMemory& memory) {
    memory.SetPressureSignal("   1.23456");
    memory.SetTemperatureSignal("  0.5123");
}

// The context of the dialog, its clock stopped at the moment of the save.
ReadoutContext SaveContext(test::LinkOnSimulator& sim) {
    ReadoutContext context = sim.Context();
    context.calendarNow = [] { return kSaveTime; };
    return context;
}

bool CaptureAndWait(QWidget& dialog) {
    Button(dialog, "captureButton").click();
    return QTest::qWaitFor([&] { return Button(dialog, "saveButton").isEnabled(); }, test::kWaitMs);
}

}  // namespace

class CalibrationDlgTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void timeStamp_data() {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("stamp");
        QTest::newRow("utc") << QByteArray("UTC") << qint64(kSaveTime)
                             << QStringLiteral("09:03 ON 02/01/27");
        QTest::newRow("local winter")
            << QByteArray(sim::testing::kZoneWithDaylightSaving) << qint64(kSaveTime - 3600)
            << QStringLiteral("09:03 ON 02/01/27");
        QTest::newRow("afternoon")
            << QByteArray("UTC") << qint64(1796652300) << QStringLiteral("14:05 ON 07/12/26");
        QTest::newRow("summer, past midnight")
            << QByteArray(sim::testing::kZoneWithDaylightSaving) << qint64(1782945000)
            << QStringLiteral("00:30 ON 02/07/26");
    }
    void timeStamp() {
        QFETCH(QByteArray, zone);
        QFETCH(qint64, seconds);
        sim::testing::TimeZoneGuard guard{zone.constData()};
        QTEST(QString::fromStdString(CalibrationTimeStamp(seconds)), "stamp");
    }

    void signalText_data() {
        QTest::addColumn<QByteArray>("signal");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("leading blanks") << QByteArray("   1.23456") << QByteArray("1.23456 Volts");
        QTest::newRow("none") << QByteArray("0.5123") << QByteArray("0.5123 Volts");
        QTest::newRow("inner blank kept") << QByteArray(" -1 23") << QByteArray("-1 23 Volts");
    }
    void signalText() {
        QFETCH(QByteArray, signal);
        QTEST(QByteArray::fromStdString(CalibrationSignalText(signal.toStdString())), "text");
    }

    void appendWritesLines_data() {
        QTest::addColumn<QByteArray>("before");  // null: no file
        QTest::addColumn<QByteArray>("after");
        const QByteArray line = "09:03 ON 02/01/27,10 PSI,1.2 Volts,0.5 Volts\r\n";
        QTest::newRow("new file") << QByteArray() << kHeader + line;
        QTest::newRow("existing file") << kHeader + line << kHeader + line + line;
        QTest::newRow("empty file") << QByteArray("") << line;
    }
    void appendWritesLines() {
        QFETCH(QByteArray, before);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("cal.csv"));
        if (!before.isNull()) {
            WriteBytes(path, before);
        }
        QVERIFY(AppendCalibrationPoint(QFile::encodeName(path).toStdString(),
                                       {"09:03 ON 02/01/27", "10 PSI", "1.2 Volts", "0.5 Volts"}));
        QTEST(FileBytes(path), "after");
    }

    void unwritableFileGetsNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("missing folder") << QStringLiteral("missing/cal.csv") << false;
        QTest::newRow("a folder") << QStringLiteral("folder") << false;
        QTest::newRow("read-only file") << QStringLiteral("cal.csv") << true;
    }
    void unwritableFileGetsNothing() {
        QFETCH(QString, name);
        QFETCH(bool, readOnly);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        const QString path = dir.filePath(name);
        if (readOnly) {
            WriteBytes(path, kHeader);
            QFile::setPermissions(path, QFile::ReadOwner);
            if (QFile(path).open(QIODevice::Append)) {
                QSKIP("this user writes read-only files");
            }
        }
        const QByteArray before = FileBytes(path);
        QVERIFY(!AppendCalibrationPoint(QFile::encodeName(path).toStdString(),
                                        {"09:03 ON 02/01/27", "10 PSI", "1 Volts", "2 Volts"}));
        QCOMPARE(FileBytes(path), before);
    }

    void captureAndSaveOncePerCapture() {
        sim::testing::TimeZoneGuard guard{"UTC"};
        test::LinkOnSimulator sim(4, Signals);
        QVERIFY(sim.WaitConnected());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("cal.csv"));
        CCalibrationDlg dialog(SaveContext(sim));
        QStringList start;
        bool saveAtStart = true;
        bool captured[2] = {false, false};
        QStringList shown;
        bool saveAfterSave = true;
        BoxRecorder boxes;
        RunModal(dialog, [&] {
            start << Field(dialog, "referenceEdit").text() << Field(dialog, "outputFileEdit").text()
                  << Field(dialog, "averagingEdit").text();
            saveAtStart = Button(dialog, "saveButton").isEnabled();
            Field(dialog, "outputFileEdit").setText(path);
            captured[0] = CaptureAndWait(dialog);
            shown << Field(dialog, "pressureEdit").text()
                  << Field(dialog, "temperatureEdit").text();
            Field(dialog, "referenceEdit").setText(QStringLiteral(" 5 PSI"));
            Button(dialog, "saveButton").click();
            saveAfterSave = Button(dialog, "saveButton").isEnabled();
            Button(dialog, "saveButton").click();  // a second save of the same point: none
            sim.line.WithEngine(
                [](sim::ReadoutEngine& e) { e.Memory().SetPressureSignal("  2.34567 "); });
            captured[1] = CaptureAndWait(dialog);
            Field(dialog, "referenceEdit").setText(QStringLiteral("10 PSI"));
            Button(dialog, "saveButton").click();
        });
        QCOMPARE(start, (QStringList{QStringLiteral("0 PSI"), QStringLiteral("cal_output.csv"),
                                     QStringLiteral("default")}));
        QVERIFY(!saveAtStart);
        QVERIFY(captured[0]);
        QVERIFY(captured[1]);
        QCOMPARE(shown,
                 (QStringList{QStringLiteral("1.23456 Volts"), QStringLiteral("0.5123 Volts")}));
        QVERIFY(!saveAfterSave);
        QCOMPARE(boxes.seen.size(), std::size_t{0});
        QCOMPARE(FileBytes(path), kHeader +
                                      "09:03 ON 02/01/27, 5 PSI,1.23456 Volts,0.5123 Volts\r\n"
                                      "09:03 ON 02/01/27,10 PSI,2.34567  Volts,0.5123 Volts\r\n");
    }

    void failedCaptureKeepsSaveDisabled() {
        test::LinkOnSimulator sim(4, Signals);
        QVERIFY(sim.WaitConnected());
        CCalibrationDlg dialog(SaveContext(sim));
        bool captured = false;
        bool saveAfterFailure = true;
        QString pressureShown;
        BoxRecorder boxes;
        RunModal(dialog, [&] {
            captured = CaptureAndWait(dialog);
            sim.line.WithEngine([](sim::ReadoutEngine& e) { e.Faults().rejectAll = true; });
            Button(dialog, "captureButton").click();
            (void)boxes.WaitFor(1);
            saveAfterFailure = Button(dialog, "saveButton").isEnabled();
            pressureShown = Field(dialog, "pressureEdit").text();
        });
        QVERIFY(captured);
        QCOMPARE(boxes.seen.size(), std::size_t{1});
        QCOMPARE(boxes.seen[0].text, QString::fromLatin1(kCaptureFailedMessage));
        QCOMPARE(boxes.seen[0].icon, QMessageBox::Warning);
        QVERIFY(!saveAfterFailure);
        QCOMPARE(pressureShown, QString());  // the old signal is not shown as the new one
    }

    void unwritableFileKeepsThePoint() {
        sim::testing::TimeZoneGuard guard{"UTC"};
        test::LinkOnSimulator sim(4, Signals);
        QVERIFY(sim.WaitConnected());
        QTemporaryDir dir;
        const QString bad = dir.filePath(QStringLiteral("missing/cal.csv"));
        const QString good = dir.filePath(QStringLiteral("cal.csv"));
        CCalibrationDlg dialog(SaveContext(sim));
        bool saveAfterFailure = false;
        bool saveAfterSave = true;
        BoxRecorder boxes;
        RunModal(dialog, [&] {
            if (!CaptureAndWait(dialog)) {
                return;
            }
            Field(dialog, "outputFileEdit").setText(bad);
            Button(dialog, "saveButton").click();
            saveAfterFailure = Button(dialog, "saveButton").isEnabled();
            Field(dialog, "outputFileEdit").setText(good);
            Button(dialog, "saveButton").click();
            saveAfterSave = Button(dialog, "saveButton").isEnabled();
        });
        QCOMPARE(boxes.seen.size(), std::size_t{1});
        QVERIFY2(boxes.seen[0].text.contains(bad), qPrintable(boxes.seen[0].text));
        QCOMPARE(boxes.seen[0].icon, QMessageBox::Warning);
        QVERIFY(saveAfterFailure);
        QVERIFY(!QFile::exists(bad));
        QVERIFY(!saveAfterSave);
        QCOMPARE(FileBytes(good),
                 kHeader + "09:03 ON 02/01/27,0 PSI,1.23456 Volts,0.5123 Volts\r\n");
    }

    void busyLinkSaysSo() {
        test::LinkOnSimulator sim(4, Signals);
        QVERIFY(sim.WaitConnected());
        CCalibrationDlg dialog(SaveContext(sim));
        BoxRecorder boxes;
        RunModal(dialog, [&] {
            // A slow readout, so the job below is still running when Capture is pressed.
            sim.line.WithEngine([](sim::ReadoutEngine& e) { e.Faults().replyLatencyMs = 5000; });
            (void)sim.link.SubmitJob(JOB_CAPTURE, 0);
            Button(dialog, "captureButton").click();
        });
        QVERIFY(sim.WaitIdle());
        QCOMPARE(boxes.seen.size(), std::size_t{1});
        QCOMPARE(boxes.seen[0].text, QString::fromLatin1(kCaptureBusyMessage));
    }

    void calibrationCommandOpensTheDialog_data() {
        QTest::addColumn<bool>("overDialog");
        QTest::newRow("over the main window") << false;
        QTest::newRow("over the dialog that asked") << true;
    }
    void calibrationCommandOpensTheDialog() {
        QFETCH(bool, overDialog);
        QStandardPaths::setTestModeEnabled(true);
        sim::ManualClock clock{test::kNow};
        sim::ReadoutEngine engine{sim::ReadoutMemory::MakeDefault(0, test::kNow),
                                  [&clock] { return clock.CalendarSeconds(); }};
        sim::FakeLine line{clock, engine};
        CQ417HostApp app({&line, &clock, nullptr});
        std::string error;
        QVERIFY2(app.Start({}, error, false), error.c_str());
        QDialog asking;  // not the frame's child: it goes before the frame
        QWidget* owner = nullptr;
        bool busy = false;
        const auto command = [&] {
            QTimer::singleShot(0, [&] {
                if (auto* d = qobject_cast<CCalibrationDlg*>(QApplication::activeModalWidget())) {
                    owner = d->parentWidget();
                    busy = app.Activity().Busy();
                    d->reject();
                }
            });
            app.OnCommand(cmd::kCalibration);
        };
        if (overDialog) {
            RunModal(asking, command);
        } else {
            command();
        }
        QCOMPARE(owner, overDialog ? static_cast<QWidget*>(&asking) : app.Frame());
        QVERIFY(busy);
    }

    void formAndTabOrder() {
        test::LinkOnSimulator sim;
        CCalibrationDlg dialog(sim.Context());
        QStringList order;
        RunModal(dialog, [&] {
            QWidget* first = dialog.focusWidget();
            QWidget* w = first;
            while (w != nullptr) {
                if (w->focusPolicy() & Qt::TabFocus) {
                    order << w->objectName();
                }
                w = w->nextInFocusChain();
                if (w == first || order.size() >= 12) {
                    break;
                }
            }
        });
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Calibration"));
        QCOMPARE(order,
                 (QStringList{QStringLiteral("referenceEdit"), QStringLiteral("pressureEdit"),
                              QStringLiteral("temperatureEdit"), QStringLiteral("outputFileEdit"),
                              QStringLiteral("averagingEdit"), QStringLiteral("captureButton"),
                              QStringLiteral("saveButton"), QStringLiteral("exitButton")}));
        QVERIFY(Button(dialog, "captureButton").isDefault());
    }
};

QTEST_MAIN(CalibrationDlgTest)
#include "CalibrationDlgTest.moc"
