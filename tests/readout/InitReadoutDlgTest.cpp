// The Initialize Readout dialog against the link on the simulated readout.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "BoxRecorder.h"
#include "CInitReadoutDlg.h"
#include "DialogKeys.h"
#include "ReadoutMemory.h"
#include "SettingsRefusals.h"

using namespace q417;
using namespace q417::test;

namespace {

// What the readout holds: serial, multiplier, offset, units, initialisations, battery resets.
QString MemoryText(LinkOnSimulator& sim) {
    QString text;
    sim.line.WithEngine([&](sim::ReadoutEngine& engine) {
        const sim::ReadoutMemory& m = engine.Memory();
        text = QString::asprintf("%s %.8g %.8g %d %d %d", m.SerialNumber().c_str(),
                                 double(m.Multiplier()), double(m.Offset()), m.CalUnits(),
                                 m.InitializeCount(), m.BatteryResetCount());
    });
    return text;
}

// What the user does before pressing the button: "field=text" types into a field or the units
// box, "units#i" picks entry i, "init" ticks the box, "No" answers the question so, and
// "rejectAll" makes the readout refuse every command.
void Apply(LinkOnSimulator& sim, QWidget& dialog, BoxRecorder& boxes, const QStringList& edits) {
    for (const QString& edit : edits) {
        const QString name = edit.section(QLatin1Char('='), 0, 0);
        const QString text = edit.section(QLatin1Char('='), 1);
        if (edit == QStringLiteral("init")) {
            Child<QCheckBox>(dialog, "initializeCheck").setChecked(true);
        } else if (edit == QStringLiteral("No")) {
            boxes.press = QMessageBox::No;
        } else if (edit == QStringLiteral("rejectAll")) {
            sim.line.WithEngine([](sim::ReadoutEngine& e) { e.Faults().rejectAll = true; });
        } else if (edit.startsWith(QStringLiteral("units#"))) {
            Child<QComboBox>(dialog, "unitsCombo").setCurrentIndex(edit.mid(6).toInt());
        } else if (name == QStringLiteral("unitsCombo")) {
            Child<QComboBox>(dialog, "unitsCombo").setEditText(text);
        } else {
            Child<QLineEdit>(dialog, name.toLatin1().constData()).setText(text);
        }
    }
}

}  // namespace

class InitReadoutDlgTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void buttons_data() {
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<int>("results");  // link results shown
        QTest::addColumn<QString>("memory");
        QTest::addColumn<QString>("shown");  // multiplier and offset fields afterwards
        QTest::addColumn<QString>("focus");  // empty: not checked
        const QByteArray update = "updateButton";
        const QStringList done{QStringLiteral("none: Readout updated")};
        const QString before = QStringLiteral("30303000 12.4873 -0.0625 1 0 0");
        const QString shown = QStringLiteral("12.4873 -0.0625");
        const auto l = [](std::initializer_list<const char*> items) {
            QStringList list;
            for (const char* item : items) {
                list << QString::fromLatin1(item);
            }
            return list;
        };
        QTest::newRow("nothing changed")
            << QStringList() << update << QStringList() << 0 << before << shown << QString();
        QTest::newRow("initialise alone")
            << l({"init"}) << update << done << 1
            << QStringLiteral("30303000 12.4873 -0.0625 1 1 0") << shown << QString();
        QTest::newRow("serial of 8")
            << l({"serialEdit=ABCD1234"}) << update << done << 1
            << QStringLiteral("ABCD1234 12.4873 -0.0625 1 0 0") << shown << QString();
        QTest::newRow("multiplier -1") << l({"multiplierEdit=-1"}) << update << done << 1
                                       << QStringLiteral("30303000 -1 -0.0625 1 0 0")
                                       << QStringLiteral("-1 -0.0625") << QString();
        QTest::newRow("offset and units in one job")
            << l({"offsetEdit=0.75", "units#2"}) << update << done << 1
            << QStringLiteral("30303000 12.4873 0.75 2 0 0") << QStringLiteral("12.4873 0.75")
            << QString();
        QTest::newRow("entry typed exactly")
            << l({"unitsCombo=M H2O"}) << update << done << 1
            << QStringLiteral("30303000 12.4873 -0.0625 6 0 0") << shown << QString();
        QTest::newRow("other units text writes no units")
            << l({"units#3", "unitsCombo=bar", "offsetEdit=0.75"}) << update << done << 1
            << QStringLiteral("30303000 12.4873 0.75 1 0 0") << QStringLiteral("12.4873 0.75")
            << QString();
        QTest::newRow("multiplier as a 32-bit float")
            << l({"multiplierEdit=1.2345678"}) << update << done << 1
            << QStringLiteral("30303000 1.2345678 -0.0625 1 0 0")
            << QStringLiteral("1.23457 -0.0625") << QString();
        // Refused, the initialisation with them: what the link and q417cli refuse too.
        for (const SettingRefusal& c : kSettingRefusals) {
            if (c.field == SettingField::DisplayDigits) {
                continue;
            }
            const bool serial = c.field == SettingField::SerialNumber;
            const QString field =
                serial ? QStringLiteral("serialEdit") : QStringLiteral("multiplierEdit");
            const QString typed = QString::fromLatin1(c.typed);
            QTest::newRow(c.name)
                << QStringList{field + QLatin1Char('=') + typed, QStringLiteral("init")} << update
                << QStringList{QStringLiteral("stop: ") + QString::fromLatin1(c.refusal)} << 0
                << before << (serial ? shown : typed + QStringLiteral(" -0.0625")) << field;
        }
        QTest::newRow("zero not a number")
            << l({"zeroEdit=1,5", "init"}) << update << l({"warning: Please enter a number."}) << 0
            << before << shown << QStringLiteral("zeroEdit");
        QTest::newRow("failed write")
            << l({"rejectAll", "offsetEdit=0.75"}) << update
            << l({"warning: Error writing offset."}) << 1 << before << shown << QString();
        QTest::newRow("battery reset")
            << QStringList() << QByteArray("resetBatteryButton")
            << l({"warning: Are you sure you want to reset all battery values?",
                  "none: Readout updated"})
            << 1 << QStringLiteral("30303000 12.4873 -0.0625 1 0 1") << shown << QString();
        QTest::newRow("battery reset declined")
            << l({"No"}) << QByteArray("resetBatteryButton")
            << l({"warning: Are you sure you want to reset all battery values?"}) << 0 << before
            << shown << QString();
    }
    void buttons() {
        QFETCH(QStringList, edits);
        QFETCH(QByteArray, button);
        QFETCH(int, results);
        QFETCH(QString, focus);
        LinkOnSimulator sim;
        QVERIFY(sim.WaitConnected());
        int refresh = 0;  // readoutWritten signals
        CInitReadoutDlg dialog(sim.Context());
        QObject::connect(&dialog, &CInitReadoutDlg::readoutWritten, [&refresh] { ++refresh; });
        BoxRecorder boxes;
        QString shown;
        QString focused;
        bool initialize = false;
        RunModal(dialog, [&] {
            Apply(sim, dialog, boxes, edits);
            Child<QPushButton>(dialog, button.constData()).click();
            focused = dialog.focusWidget()->objectName();
            if (results > 0) {
                (void)QTest::qWaitFor([&] { return refresh == 1; }, kWaitMs);
            }
            QTest::qWait(300);  // for a result that should not come
            shown = Child<QLineEdit>(dialog, "multiplierEdit").text() + QLatin1Char(' ') +
                    Child<QLineEdit>(dialog, "offsetEdit").text();
            initialize = Child<QCheckBox>(dialog, "initializeCheck").isChecked();
        });
        QVERIFY(sim.WaitIdle());
        QTEST(boxes.seen, "boxes");
        QCOMPARE(sim.dispatcher.Delivered(), results);
        QCOMPARE(refresh, results);
        QTEST(shown, "shown");
        QCOMPARE(initialize, results == 0 && edits.contains(QStringLiteral("init")));
        if (!focus.isEmpty()) {
            QCOMPARE(focused, focus);
        }
        sim.line.WithEngine([](sim::ReadoutEngine& e) { e.Faults().rejectAll = false; });
        QTEST(MemoryText(sim), "memory");
    }

    // Enter presses Update Readout from a field, and a button that holds the focus itself.
    void enterPressesUpdate_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("clicked");
        const QString update = QStringLiteral("updateButton");
        QTest::newRow("multiplier") << "multiplierEdit" << update;
        QTest::newRow("units") << "unitsCombo" << update;
        QTest::newRow("Reset Battery Values") << "resetBatteryButton"
                                              << "resetBatteryButton";
        QTest::newRow("Close") << "closeButton"
                               << "closeButton";
    }
    void enterPressesUpdate() {
        QFETCH(QString, focus);
        QFETCH(QString, clicked);
        LinkOnSimulator sim;
        QVERIFY(sim.WaitConnected());
        CInitReadoutDlg dialog(sim.Context());
        QCOMPARE(ButtonsClickedBy(dialog, focus, Qt::Key_Return), QStringList{clicked});
    }

    // Six digits are shown; an update of something else keeps the seventh of the readout's.
    void untouchedConstantsKeepTheirDigits() {
        LinkOnSimulator sim{4, [](sim::ReadoutMemory& m) { m.SetMultiplier(1.2345678f); }};
        QVERIFY(sim.WaitConnected());
        int refresh = 0;  // readoutWritten signals
        CInitReadoutDlg dialog(sim.Context());
        QObject::connect(&dialog, &CInitReadoutDlg::readoutWritten, [&refresh] { ++refresh; });
        BoxRecorder boxes;
        QString shown;
        RunModal(dialog, [&] {
            shown = Child<QLineEdit>(dialog, "multiplierEdit").text();
            Child<QCheckBox>(dialog, "initializeCheck").setChecked(true);
            Child<QPushButton>(dialog, "updateButton").click();
            (void)QTest::qWaitFor([&] { return refresh == 1; }, kWaitMs);
        });
        QCOMPARE(shown, QStringLiteral("1.23457"));
        QCOMPARE(boxes.seen, QStringList{QStringLiteral("none: Readout updated")});
        QCOMPARE(MemoryText(sim), QStringLiteral("30303000 1.2345678 -0.0625 1 1 0"));
    }

    void resultAfterCloseIsNotShown() {
        LinkOnSimulator sim;
        QVERIFY(sim.WaitConnected());
        int refresh = 0;  // readoutWritten signals
        CInitReadoutDlg dialog(sim.Context());
        QObject::connect(&dialog, &CInitReadoutDlg::readoutWritten, [&refresh] { ++refresh; });
        BoxRecorder boxes;
        RunModal(dialog, [&] {
            Child<QLineEdit>(dialog, "offsetEdit").setText(QStringLiteral("0.75"));
            Child<QPushButton>(dialog, "updateButton").click();
        });  // closed at once, the write still running
        QVERIFY(sim.WaitIdle());
        QTest::qWait(300);
        QCOMPARE(MemoryText(sim), QStringLiteral("30303000 12.4873 0.75 1 0 0"));
        QCOMPARE(boxes.seen, QStringList());
        QCOMPARE(refresh, 0);
    }

    void calibrationButtonAndForm() {
        LinkOnSimulator sim;
        CInitReadoutDlg dialog(sim.Context());
        QStringList chain;
        QString opened;
        QWidget* openedParent = nullptr;
        RunModal(dialog, [&] {
            chain = TabChain(dialog);
            // The dialog opens Calibration itself, modal over it; closed once it is up.
            QTimer::singleShot(0, &dialog, [&] {
                if (auto* calibration = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                    opened = calibration->windowTitle();
                    openedParent = calibration->parentWidget();
                    calibration->reject();
                }
            });
            Child<QPushButton>(dialog, "calibrationButton").click();
        });
        QCOMPARE(opened, QStringLiteral("Calibration"));
        QCOMPARE(openedParent, static_cast<QWidget*>(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Initialize Readout"));
        QCOMPARE(chain,
                 QStringList({QStringLiteral("multiplierEdit"), QStringLiteral("offsetEdit"),
                              QStringLiteral("unitsCombo"), QStringLiteral("zeroEdit"),
                              QStringLiteral("resetBatteryButton"),
                              QStringLiteral("calibrationButton"), QStringLiteral("serialEdit"),
                              QStringLiteral("initializeCheck"), QStringLiteral("passwordEdit"),
                              QStringLiteral("updateButton"), QStringLiteral("closeButton")}));
        QVERIFY(!Child<QLineEdit>(dialog, "passwordEdit").isEnabled());
    }

    // The buttons beside the fields keep at least two average characters clear of their text
    // on either side, room that text drawn at a scale factor needs.
    void fieldButtonsHaveRoomForTheirText_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("Reset Battery Values") << "resetBatteryButton";
        QTest::newRow("Calibration Dialog") << "calibrationButton";
    }
    void fieldButtonsHaveRoomForTheirText() {
        QFETCH(QString, button);
        LinkOnSimulator sim;
        CInitReadoutDlg dialog(sim.Context());
        dialog.show();
        QCoreApplication::processEvents();
        const auto& pushButton = Child<QPushButton>(dialog, button.toLatin1().constData());
        const QFontMetrics metrics(pushButton.font());
        QVERIFY(pushButton.width() - metrics.horizontalAdvance(pushButton.text()) >=
                4 * metrics.averageCharWidth());
    }
};

QTEST_MAIN(InitReadoutDlgTest)
#include "InitReadoutDlgTest.moc"
