// The calibration file and the Calibration dialog against the link on the simulated readout.

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "BoxRecorder.h"
#include "CCalibrationDlg.h"
#include "CMainFrame.h"
#include "CQ417HostApp.h"
#include "CalibrationLog.h"
#include "CommandIds.h"
#include "LinkJob.h"
#include "ReadoutMemory.h"
#include "TimeZoneGuard.h"

using namespace q417;
using namespace q417::test;

namespace {

constexpr std::int64_t kSaveTime = 1798880610;  // 2027-01-02 09:03:30 UTC
const QByteArray kHeader = "Date/Time,Reference,Pressure,Temperature\r\n";
const CalibrationPoint kPoint{"09:03 ON 02/01/27", "10 PSI", "1.2 Volts", "0.5 Volts"};
const QByteArray kPointLine = "09:03 ON 02/01/27,10 PSI,1.2 Volts,0.5 Volts\r\n";

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(absent)");
}

bool Append(const QString& path) {
    return AppendCalibrationPoint(QFile::encodeName(path).toStdString(), kPoint);
}

QLineEdit& Field(QWidget& dialog, const char* name) {
    return Child<QLineEdit>(dialog, name);
}
QPushButton& Save(QWidget& dialog) {
    return Child<QPushButton>(dialog, "saveButton");
}

bool CaptureAndWait(QWidget& dialog) {
    Child<QPushButton>(dialog, "captureButton").click();
    return QTest::qWaitFor([&] { return Save(dialog).isEnabled(); }, kWaitMs);
}

// The readout's signals, with the blanks it pads them with, and the dialog's clock stopped at
// the moment of the save, in UTC.
struct Fixture {
    sim::testing::TimeZoneGuard zone{"UTC"};
    LinkOnSimulator sim{4, [](sim::ReadoutMemory& m) {
                            m.SetPressureSignal("   1.23456");
                            m.SetTemperatureSignal("  0.5123");
                        }};
    CCalibrationDlg dialog{[this] {
        ReadoutContext context = sim.Context();
        context.calendarNow = [] { return kSaveTime; };
        return context;
    }()};
    BoxRecorder boxes;
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("cal.csv"));
};

}  // namespace

class CalibrationDlgTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void timeStamp_data() {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("stamp");
        const QByteArray cet = sim::testing::kZoneWithDaylightSaving;
        QTest::newRow("utc") << QByteArray("UTC") << qint64(kSaveTime)
                             << QStringLiteral("09:03 ON 02/01/27");
        QTest::newRow("local winter")
            << cet << qint64(kSaveTime - 3600) << QStringLiteral("09:03 ON 02/01/27");
        QTest::newRow("afternoon")
            << QByteArray("UTC") << qint64(1796652300) << QStringLiteral("14:05 ON 07/12/26");
        QTest::newRow("summer, past midnight")
            << cet << qint64(1782945000) << QStringLiteral("00:30 ON 02/07/26");
    }
    void timeStamp() {
        QFETCH(QByteArray, zone);
        QFETCH(qint64, seconds);
        sim::testing::TimeZoneGuard guard{zone.constData()};
        QTEST(QString::fromStdString(CalibrationTimeStamp(seconds)), "stamp");
    }

    void appendWritesLines_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("before");  // null: no file
        QTest::addColumn<bool>("written");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("new file") << QStringLiteral("cal.csv") << QByteArray() << true
                                  << kHeader + kPointLine;
        QTest::newRow("existing file") << QStringLiteral("cal.csv") << kHeader + kPointLine << true
                                       << kHeader + kPointLine + kPointLine;
        QTest::newRow("empty file")
            << QStringLiteral("cal.csv") << QByteArray("") << true << kPointLine;
        QTest::newRow("missing folder")
            << QStringLiteral("missing/cal.csv") << QByteArray() << false << QByteArray("(absent)");
        QTest::newRow("a folder") << QStringLiteral("folder") << QByteArray() << false
                                  << QByteArray("(absent)");
        QTest::newRow("read-only file") << QStringLiteral("ro.csv") << kHeader << false << kHeader;
    }
    void appendWritesLines() {
        QFETCH(QString, name);
        QFETCH(QByteArray, before);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        const QString path = dir.filePath(name);
        if (!before.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(before);
        }
        if (name == QStringLiteral("ro.csv")) {
            QFile::setPermissions(path, QFile::ReadOwner);
            if (QFile(path).open(QIODevice::Append)) {
                QSKIP("this user writes read-only files");
            }
        }
        QTEST(Append(path), "written");
        QTEST(FileBytes(path), "after");
    }

    void captureAndSaveOncePerCapture() {
        Fixture f;
        QVERIFY(f.sim.WaitConnected());
        QStringList start, shown;
        bool saveAtStart = true, captured = false, saveAfterSave = true;
        RunModal(f.dialog, [&] {
            for (const char* name : {"referenceEdit", "outputFileEdit", "averagingEdit"}) {
                start << Field(f.dialog, name).text();
            }
            saveAtStart = Save(f.dialog).isEnabled();
            Field(f.dialog, "outputFileEdit").setText(f.file);
            captured = CaptureAndWait(f.dialog);
            shown << Field(f.dialog, "pressureEdit").text()
                  << Field(f.dialog, "temperatureEdit").text();
            Field(f.dialog, "referenceEdit").setText(QStringLiteral(" 5 PSI"));
            Save(f.dialog).click();
            saveAfterSave = Save(f.dialog).isEnabled();
            Save(f.dialog).click();  // the same point again: not possible
            f.sim.line.WithEngine(
                [](sim::ReadoutEngine& e) { e.Memory().SetPressureSignal("  2.34567 "); });
            captured = captured && CaptureAndWait(f.dialog);
            Field(f.dialog, "referenceEdit").setText(QStringLiteral("10 PSI"));
            Save(f.dialog).click();
        });
        QCOMPARE(start, QStringList({QStringLiteral("0 PSI"), QStringLiteral("cal_output.csv"),
                                     QStringLiteral("default")}));
        QVERIFY(!saveAtStart);
        QVERIFY(captured);
        QCOMPARE(shown,
                 QStringList({QStringLiteral("1.23456 Volts"), QStringLiteral("0.5123 Volts")}));
        QVERIFY(!saveAfterSave);
        QCOMPARE(f.boxes.seen, QStringList());
        QCOMPARE(FileBytes(f.file), kHeader +
                                        "09:03 ON 02/01/27, 5 PSI,1.23456 Volts,0.5123 Volts\r\n"
                                        "09:03 ON 02/01/27,10 PSI,2.34567  Volts,0.5123 Volts\r\n");
    }

    // A capture that fails, or that the busy link refuses, says so; Save is not left enabled on
    // the previous capture's signals.
    void captureNotDone_data() {
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QString>("box");
        QTest::newRow("failed") << false << QString::fromLatin1(kCaptureFailedMessage);
        QTest::newRow("busy") << true << QString::fromLatin1(kCaptureBusyMessage);
    }
    void captureNotDone() {
        QFETCH(bool, busy);
        QFETCH(QString, box);
        Fixture f;
        QVERIFY(f.sim.WaitConnected());
        bool captured = false, saveAfter = true;
        QString pressureShown;
        RunModal(f.dialog, [&] {
            if (busy) {
                // A slow readout, so this job still runs when Capture is pressed.
                f.sim.line.WithEngine(
                    [](sim::ReadoutEngine& e) { e.Faults().replyLatencyMs = 5000; });
                captured = f.sim.link.SubmitJob(JOB_CAPTURE, 0);
                Child<QPushButton>(f.dialog, "captureButton").click();
                return;
            }
            captured = CaptureAndWait(f.dialog);
            f.sim.line.WithEngine([](sim::ReadoutEngine& e) { e.Faults().rejectAll = true; });
            Child<QPushButton>(f.dialog, "captureButton").click();
            (void)QTest::qWaitFor([&] { return !f.boxes.seen.isEmpty(); }, kWaitMs);
            saveAfter = Save(f.dialog).isEnabled();
            pressureShown = Field(f.dialog, "pressureEdit").text();
        });
        QVERIFY(f.sim.WaitIdle());
        QVERIFY(captured);
        QCOMPARE(f.boxes.seen, QStringList(QStringLiteral("warning: ") + box));
        if (!busy) {
            QVERIFY(!saveAfter);
            QCOMPARE(pressureShown, QString());
        }
    }

    void unwritableFileKeepsThePoint() {
        Fixture f;
        QVERIFY(f.sim.WaitConnected());
        const QString bad = f.dir.filePath(QStringLiteral("missing/cal.csv"));
        bool saveAfterFailure = false, saveAfterSave = true;
        RunModal(f.dialog, [&] {
            if (!CaptureAndWait(f.dialog)) {
                return;
            }
            Field(f.dialog, "outputFileEdit").setText(bad);
            Save(f.dialog).click();
            saveAfterFailure = Save(f.dialog).isEnabled();
            Field(f.dialog, "outputFileEdit").setText(f.file);
            Save(f.dialog).click();
            saveAfterSave = Save(f.dialog).isEnabled();
        });
        QCOMPARE(f.boxes.seen,
                 QStringList(QStringLiteral("warning: ") +
                             QString::fromLatin1(kCalibrationNotSavedMessage).arg(bad)));
        QVERIFY(saveAfterFailure);
        QVERIFY(!QFile::exists(bad));
        QVERIFY(!saveAfterSave);
        QCOMPARE(FileBytes(f.file),
                 kHeader + "09:03 ON 02/01/27,0 PSI,1.23456 Volts,0.5123 Volts\r\n");
    }

    // The folder the file goes to stands under its name. Browse proposes the file in that folder
    // and puts the choice into the field: a bare name for a file in the working folder.
    void folderAndBrowse_data() {
        QTest::addColumn<QString>("name");  // typed; "./x" stands for x in the working folder
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("proposed");
        QTest::addColumn<QString>("chosen");  // empty: cancelled
        QTest::addColumn<QString>("field");   // afterwards
        QTest::newRow("kept") << "cal_output.csv"
                              << "."
                              << "./cal_output.csv"
                              << "./cal_output.csv"
                              << "cal_output.csv";
        QTest::newRow("another folder") << "cal_output.csv"
                                        << "."
                                        << "./cal_output.csv"
                                        << "./sub/cal_output.csv"
                                        << "./sub/cal_output.csv";
        QTest::newRow("folder not there") << "no/a.csv"
                                          << "./no (not found)"
                                          << "./no/a.csv" << QString() << "no/a.csv";
    }
    void folderAndBrowse() {
        QFETCH(QString, name);
        QFETCH(QString, folder);
        QFETCH(QString, proposed);
        QFETCH(QString, chosen);
        QFETCH(QString, field);
        const QString before = QDir::currentPath();
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")) && QDir::setCurrent(dir.path()));
        const QString working = QDir::currentPath();
        const auto path = [&](QString text) {
            return text.startsWith(u'.') ? text.replace(0, 1, working) : text;
        };
        Fixture f;
        QString asked;
        f.dialog.SetFileChooser([&](const QString& offered) -> std::optional<QString> {
            asked = offered;
            return chosen.isEmpty() ? std::nullopt : std::optional(path(chosen));
        });
        Field(f.dialog, "outputFileEdit").setText(name);
        const QString shown = Child<QLabel>(f.dialog, "folderLabel").toolTip();
        Child<QPushButton>(f.dialog, "browseButton").click();
        QDir::setCurrent(before);
        QCOMPARE(shown, QStringLiteral("Folder: ") + path(folder));
        QCOMPARE(asked, path(proposed));
        QCOMPARE(Field(f.dialog, "outputFileEdit").text(), path(field));
    }

    void calibrationCommandOpensTheDialog_data() {
        QTest::addColumn<bool>("overDialog");
        QTest::newRow("over the main window") << false;
        QTest::newRow("over the dialog that asked") << true;
    }
    void calibrationCommandOpensTheDialog() {
        QFETCH(bool, overDialog);
        QStandardPaths::setTestModeEnabled(true);
        sim::ManualClock clock{kNow};
        sim::ReadoutEngine engine{sim::ReadoutMemory::MakeDefault(0, kNow),
                                  [&clock] { return clock.CalendarSeconds(); }};
        sim::FakeLine line{clock, engine};
        // No readout: its download question would otherwise come up and own the dialog.
        line.SetOpenable(false);
        CQ417HostApp app({&line, &clock, nullptr});
        std::string error;
        QVERIFY2(app.Start({}, error, false), error.c_str());
        QDialog asking;  // not the frame's child: it goes before the frame
        QWidget* owner = nullptr;
        bool busy = false;
        QStringList chain;
        const auto command = [&] {
            QTimer::singleShot(0, [&] {
                if (auto* d = qobject_cast<CCalibrationDlg*>(QApplication::activeModalWidget())) {
                    owner = d->parentWidget();
                    busy = app.Activity().Busy();
                    chain = TabChain(*d);
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
        QCOMPARE(chain,
                 QStringList({QStringLiteral("referenceEdit"), QStringLiteral("pressureEdit"),
                              QStringLiteral("temperatureEdit"), QStringLiteral("outputFileEdit"),
                              QStringLiteral("browseButton"), QStringLiteral("averagingEdit"),
                              QStringLiteral("captureButton"), QStringLiteral("saveButton"),
                              QStringLiteral("exitButton")}));
    }
};

QTEST_MAIN(CalibrationDlgTest)
#include "CalibrationDlgTest.moc"
