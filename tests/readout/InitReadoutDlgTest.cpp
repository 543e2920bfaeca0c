// The Initialize Readout dialog against the link on the simulated readout.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "BoxRecorder.h"
#include "CInitReadoutDlg.h"
#include "CommandIds.h"
#include "LinkOnSimulator.h"
#include "ReadoutMemory.h"

using namespace q417;
using test::BoxRecorder;
using test::RunModal;

namespace {

// What MakeDefault gives the readout.
const QString kSerial = QStringLiteral("30303000");
constexpr float kMultiplier = 12.4873f;
constexpr float kOffset = -0.0625f;
constexpr int kUnits = 1;  // PSI

template <class T>
T& Child(QWidget& dialog, const char* name) {
    T* child = dialog.findChild<T*>(QString::fromLatin1(name));
    Q_ASSERT(child != nullptr);
    return *child;
}

void Click(QWidget& dialog, const char* button) {
    Child<QPushButton>(dialog, button).click();
}

struct Memory {
    QString serial;
    float multiplier = 0;
    float offset = 0;
    int units = 0;
    int initializations = 0;
    int batteryResets = 0;
};

Memory ReadMemory(test::LinkOnSimulator& sim) {
    Memory m;
    sim.line.WithEngine([&](sim::ReadoutEngine& engine) {
        const sim::ReadoutMemory& memory = engine.Memory();
        m = {QString::fromStdString(memory.SerialNumber()),
             memory.Multiplier(),
             memory.Offset(),
             memory.CalUnits(),
             memory.InitializeCount(),
             memory.BatteryResetCount()};
    });
    return m;
}

}  // namespace

class InitReadoutDlgTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void updateReadout_data() {
        QTest::addColumn<QString>("serial");  // null: left as loaded
        QTest::addColumn<QString>("multiplier");
        QTest::addColumn<QString>("offset");
        QTest::addColumn<int>("unitsIndex");      // -1: left as loaded
        QTest::addColumn<QString>("unitsTyped");  // typed after the choice
        QTest::addColumn<bool>("initialize");
        QTest::addColumn<QString>("box");  // null: none shown, nothing submitted
        QTest::addColumn<QString>("serialAfter");
        QTest::addColumn<float>("multiplierAfter");
        QTest::addColumn<float>("offsetAfter");
        QTest::addColumn<int>("unitsAfter");
        QTest::addColumn<int>("initializations");
        QTest::addColumn<QString>("multiplierShown");
        const QString n;
        const QString done = QStringLiteral("Readout updated");
        QTest::newRow("nothing changed")
            << n << n << n << -1 << n << false << n << kSerial << kMultiplier << kOffset << kUnits
            << 0 << QStringLiteral("12.4873");
        QTest::newRow("initialise alone")
            << n << n << n << -1 << n << true << done << kSerial << kMultiplier << kOffset << kUnits
            << 1 << QStringLiteral("12.4873");
        QTest::newRow("serial of 8") << QStringLiteral("ABCD1234") << n << n << -1 << n << false
                                     << done << QStringLiteral("ABCD1234") << kMultiplier << kOffset
                                     << kUnits << 0 << QStringLiteral("12.4873");
        QTest::newRow("multiplier -1")
            << n << QStringLiteral("-1") << n << -1 << n << false << done << kSerial << -1.0f
            << kOffset << kUnits << 0 << QStringLiteral("-1");
        QTest::newRow("offset and units in one job")
            << n << n << QStringLiteral("0.75") << 2 << n << false << done << kSerial << kMultiplier
            << 0.75f << 2 << 0 << QStringLiteral("12.4873");
        QTest::newRow("entry typed exactly")
            << n << n << n << -1 << QStringLiteral("M H2O") << false << done << kSerial
            << kMultiplier << kOffset << 6 << 0 << QStringLiteral("12.4873");
        QTest::newRow("other units text writes no units")
            << n << n << QStringLiteral("0.75") << 3 << QStringLiteral("bar") << false << done
            << kSerial << kMultiplier << 0.75f << kUnits << 0 << QStringLiteral("12.4873");
        QTest::newRow("multiplier as a 32-bit float")
            << n << QStringLiteral("1.2345678") << n << -1 << n << false << done << kSerial
            << 1.2345678f << kOffset << kUnits << 0 << QStringLiteral("1.23457");
    }
    void updateReadout() {
        QFETCH(QString, serial);
        QFETCH(QString, multiplier);
        QFETCH(QString, offset);
        QFETCH(int, unitsIndex);
        QFETCH(QString, unitsTyped);
        QFETCH(bool, initialize);
        QFETCH(QString, box);
        test::LinkOnSimulator sim;
        QVERIFY(sim.WaitConnected());
        int refresh = 0;
        CInitReadoutDlg dialog(sim.Context(), &refresh);
        BoxRecorder boxes;
        QString shown;
        bool initializeChecked = true;
        RunModal(dialog, [&] {
            const auto set = [&](const char* name, const QString& text) {
                if (!text.isNull()) {
                    Child<QLineEdit>(dialog, name).setText(text);
                }
            };
            set("serialEdit", serial);
            set("multiplierEdit", multiplier);
            set("offsetEdit", offset);
            auto& units = Child<QComboBox>(dialog, "unitsCombo");
            if (unitsIndex >= 0) {
                units.setCurrentIndex(unitsIndex);
            }
            if (!unitsTyped.isNull()) {
                units.setEditText(unitsTyped);
            }
            Child<QCheckBox>(dialog, "initializeCheck").setChecked(initialize);
            Click(dialog, "updateButton");
            if (box.isNull()) {
                QTest::qWait(500);
            } else {
                (void)QTest::qWaitFor([&] { return refresh == 1; }, test::kWaitMs);
            }
            shown = Child<QLineEdit>(dialog, "multiplierEdit").text();
            initializeChecked = Child<QCheckBox>(dialog, "initializeCheck").isChecked();
        });
        QVERIFY(sim.WaitIdle());
        QTest::qWait(50);
        if (box.isNull()) {
            QCOMPARE(boxes.seen.size(), std::size_t{0});
            QCOMPARE(sim.dispatcher.Delivered(), 0);
            QCOMPARE(refresh, 0);
        } else {
            QCOMPARE(boxes.seen.size(), std::size_t{1});
            QCOMPARE(boxes.seen[0].text, box);
            QCOMPARE(boxes.seen[0].icon, QMessageBox::NoIcon);
            QCOMPARE(sim.dispatcher.Delivered(), 1);  // one job
            QCOMPARE(refresh, 1);
        }
        QTEST(shown, "multiplierShown");
        QVERIFY(!initializeChecked);
        const Memory memory = ReadMemory(sim);
        QTEST(memory.serial, "serialAfter");
        QTEST(memory.multiplier, "multiplierAfter");
        QTEST(memory.offset, "offsetAfter");
        QTEST(memory.units, "unitsAfter");
        QTEST(memory.initializations, "initializations");
    }

    void refusedValues_data() {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("icon");
        const int stop = QMessageBox::Critical;
        QTest::newRow("serial of 9")
            << QByteArray("serialEdit") << QStringLiteral("ABCD12345")
            << QStringLiteral("Serial number must less than 9 characters.") << stop;
        QTest::newRow("multiplier 0") << QByteArray("multiplierEdit") << QStringLiteral("0")
                                      << QStringLiteral("Invalid multiplier.") << stop;
        QTest::newRow("multiplier 0.0") << QByteArray("multiplierEdit") << QStringLiteral("0.0")
                                        << QStringLiteral("Invalid multiplier.") << stop;
        QTest::newRow("zero not a number")
            << QByteArray("zeroEdit") << QStringLiteral("1,5")
            << QStringLiteral("Please enter a number.") << int(QMessageBox::Warning);
    }
    void refusedValues() {
        QFETCH(QByteArray, field);
        QFETCH(QString, text);
        test::LinkOnSimulator sim;
        QVERIFY(sim.WaitConnected());
        int refresh = 0;
        CInitReadoutDlg dialog(sim.Context(), &refresh);
        BoxRecorder boxes;
        QString focus;
        RunModal(dialog, [&] {
            Child<QLineEdit>(dialog, field.constData()).setText(text);
            // Sent with it, were it sent.
            Child<QCheckBox>(dialog, "initializeCheck").setChecked(true);
            Click(dialog, "updateButton");
            focus =
                dialog.focusWidget() != nullptr ? dialog.focusWidget()->objectName() : QString();
            QTest::qWait(500);
        });
        QCOMPARE(boxes.seen.size(), std::size_t{1});
        QTEST(boxes.seen[0].text, "message");
        QTEST(int(boxes.seen[0].icon), "icon");
        QCOMPARE(focus, QString::fromLatin1(field));
        QCOMPARE(sim.dispatcher.Delivered(), 0);
        QCOMPARE(ReadMemory(sim).initializations, 0);
    }

    void failedWriteSaysWhichStep() {
        test::LinkOnSimulator sim;
        QVERIFY(sim.WaitConnected());
        int refresh = 0;
        CInitReadoutDlg dialog(sim.Context(), &refresh);
        BoxRecorder boxes;
        QString offsetShown;
        RunModal(dialog, [&] {
            sim.line.WithEngine([](sim::ReadoutEngine& e) { e.Faults().rejectAll = true; });
            Child<QLineEdit>(dialog, "offsetEdit").setText(QStringLiteral("0.75"));
            Click(dialog, "updateButton");
            (void)boxes.WaitFor(1);
            offsetShown = Child<QLineEdit>(dialog, "offsetEdit").text();
        });
        QCOMPARE(boxes.seen.size(), std::size_t{1});
        QCOMPARE(boxes.seen[0].text, QStringLiteral("Error writing offset."));
        QCOMPARE(boxes.seen[0].icon, QMessageBox::Warning);
        QCOMPARE(offsetShown, QStringLiteral("-0.0625"));  // reloaded from the link
        QCOMPARE(refresh, 1);
    }

    void resultAfterCloseIsNotShown() {
        test::LinkOnSimulator sim;
        QVERIFY(sim.WaitConnected());
        int refresh = 0;
        CInitReadoutDlg dialog(sim.Context(), &refresh);
        BoxRecorder boxes;
        RunModal(dialog, [&] {
            Child<QLineEdit>(dialog, "offsetEdit").setText(QStringLiteral("0.75"));
            Click(dialog, "updateButton");
        });  // closed at once, the write still running
        QVERIFY(sim.WaitIdle());
        QTest::qWait(300);
        QCOMPARE(ReadMemory(sim).offset, 0.75f);  // the write was done
        QCOMPARE(boxes.seen.size(), std::size_t{0});
        QCOMPARE(sim.dispatcher.Delivered(), 0);
        QCOMPARE(refresh, 0);
    }

    void resetBatteryAsksFirst_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("resets");
        QTest::addColumn<QStringList>("texts");
        const QString question =
            QStringLiteral("Are you sure you want to reset all battery values?");
        QTest::newRow("yes") << int(QMessageBox::Yes) << 1
                             << QStringList{question, QStringLiteral("Readout updated")};
        QTest::newRow("no") << int(QMessageBox::No) << 0 << QStringList{question};
    }
    void resetBatteryAsksFirst() {
        QFETCH(int, answer);
        QFETCH(QStringList, texts);
        test::LinkOnSimulator sim;
        QVERIFY(sim.WaitConnected());
        int refresh = 0;
        CInitReadoutDlg dialog(sim.Context(), &refresh);
        BoxRecorder boxes;
        boxes.press = static_cast<QMessageBox::StandardButton>(answer);
        RunModal(dialog, [&] {
            Click(dialog, "resetBatteryButton");
            (void)boxes.WaitFor(texts.size());
            QTest::qWait(300);
        });
        QVERIFY(sim.WaitIdle());
        QStringList seen;
        for (const auto& box : boxes.seen) {
            seen << box.text;
        }
        QCOMPARE(seen, texts);
        QCOMPARE(boxes.seen[0].icon, QMessageBox::Question);
        QTEST(ReadMemory(sim).batteryResets, "resets");
    }

    void calibrationButtonRoutesTheCommand() {
        test::LinkOnSimulator sim;
        int refresh = 0;
        CInitReadoutDlg dialog(sim.Context(), &refresh);
        RunModal(dialog, [&] { Click(dialog, "calibrationButton"); });
        QCOMPARE(sim.routed, std::vector<int>{cmd::kCalibration});
        QCOMPARE(cmd::kCalibration, 32787);
    }

    void formAndTabOrder() {
        test::LinkOnSimulator sim;
        int refresh = 0;
        CInitReadoutDlg dialog(sim.Context(), &refresh);
        QStringList order;
        QString first;
        RunModal(dialog, [&] {
            first =
                dialog.focusWidget() != nullptr ? dialog.focusWidget()->objectName() : QString();
            QWidget* w = dialog.focusWidget();
            do {
                // The combo box's own line edit stands in for it.
                if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty()) {
                    order << w->objectName();
                }
                w = w->nextInFocusChain();
            } while (w != nullptr && w != dialog.focusWidget() && order.size() < 12);
        });
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Initialize Readout"));
        QCOMPARE(first, QStringLiteral("multiplierEdit"));
        const QStringList expected{
            QStringLiteral("multiplierEdit"),     QStringLiteral("offsetEdit"),
            QStringLiteral("unitsCombo"),         QStringLiteral("zeroEdit"),
            QStringLiteral("resetBatteryButton"), QStringLiteral("calibrationButton"),
            QStringLiteral("serialEdit"),         QStringLiteral("initializeCheck"),
            QStringLiteral("passwordEdit"),       QStringLiteral("updateButton"),
            QStringLiteral("closeButton")};
        QCOMPARE(order, expected);
        QVERIFY(!Child<QLineEdit>(dialog, "passwordEdit").isEnabled());
        QCOMPARE(Child<QComboBox>(dialog, "unitsCombo").count(), 7);
    }
};

QTEST_MAIN(InitReadoutDlgTest)
#include "InitReadoutDlgTest.moc"
