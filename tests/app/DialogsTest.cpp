#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

#include "CEditLocationDlg.h"
#include "COptionsDlg.h"
#include "CPortDlg.h"
#include "DialogKeys.h"
#include "SiteTextValidator.h"

using namespace q417;

namespace {

template <typename T>
T& Child(QWidget& dialog, const char* name) {
    auto* child = dialog.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) {
        qFatal("no control %s", name);
    }
    return *child;
}

void TypeInto(QComboBox& combo, const QString& text) {
    combo.lineEdit()->clear();
    QTest::keyClicks(combo.lineEdit(), text);
}

const std::vector<SerialDeviceEntry> kInjectedDevices = {
    {QStringLiteral("/dev/ttyUSB2"), QStringLiteral("FT232R USB UART"), QStringLiteral("FTDI"),
     QStringLiteral("A10K3ZQ1")},
    {QStringLiteral("/dev/null"), QStringLiteral("Readout cradle"), QStringLiteral("ORVANE"),
     QString()},
    {QStringLiteral("/dev/ttyACM0"), QStringLiteral("CDC modem"), QString(), QStringLiteral("7")},
};

// The dialogs the document keeps, by the name the tables use.
std::unique_ptr<QDialog> MakeDialog(const QString& name) {
    if (name == QStringLiteral("port")) {
        return std::make_unique<CPortDlg>(PortDeviceTable{});
    }
    return std::make_unique<COptionsDlg>();
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void portOpensOnClampedEntry_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("shown");
        QTest::newRow("35") << 35 << 20 << "20";
        QTest::newRow("21") << 21 << 20 << "20";
        QTest::newRow("20") << 20 << 20 << "20";
        QTest::newRow("-1") << -1 << 1 << "1";
        QTest::newRow("0") << 0 << 0 << "Disabled";
        QTest::newRow("5") << 5 << 5 << "5";
    }
    void portOpensOnClampedEntry() {
        QFETCH(int, stored);
        QFETCH(int, index);
        QFETCH(QString, shown);
        CPortDlg dialog({});
        auto& ports = Child<QComboBox>(dialog, "portCombo");
        TypeInto(ports, QStringLiteral("zz"));  // left from an earlier opening
        dialog.portIndex = stored;
        dialog.LoadFromMembers();
        QCOMPARE(dialog.portIndex, index);
        QCOMPARE(ports.currentIndex(), index);
        QCOMPARE(ports.currentText(), shown);
    }

    void portChosenOnOk_data() {
        QTest::addColumn<int>("select");
        QTest::addColumn<QString>("typed");  // empty: the entry is selected from the list
        QTest::addColumn<int>("portIndex");
        QTest::newRow("Disabled") << 0 << "" << 0;
        QTest::newRow("port 7") << 7 << "" << 7;
        QTest::newRow("typed 12") << 1 << "12" << 12;
        QTest::newRow("typed disabled") << 1 << "disabled" << 0;
        QTest::newRow("typed 99") << 1 << "99" << -1;
        QTest::newRow("typed COM3") << 1 << "COM3" << -1;
    }
    void portChosenOnOk() {
        QFETCH(int, select);
        QFETCH(QString, typed);
        QFETCH(int, portIndex);
        CPortDlg dialog({});
        dialog.portIndex = 3;
        dialog.LoadFromMembers();
        auto& ports = Child<QComboBox>(dialog, "portCombo");
        ports.setCurrentIndex(select);
        if (!typed.isEmpty()) {
            TypeInto(ports, typed);
        }
        Child<QPushButton>(dialog, "okButton").click();
        QCOMPARE(dialog.portIndex, portIndex);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void baudRate_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("afterOk");
        QTest::newRow("9600 shows 115200") << 9600 << "" << 115200;
        QTest::newRow("115200") << 115200 << "" << 115200;
        QTest::newRow("typed rate not in list") << 9600 << "57600" << 9600;
    }
    void baudRate() {
        QFETCH(int, stored);
        QFETCH(QString, typed);
        QFETCH(int, afterOk);
        CPortDlg dialog({});
        dialog.baudRate = stored;
        dialog.LoadFromMembers();
        auto& bauds = Child<QComboBox>(dialog, "baudCombo");
        QCOMPARE(bauds.currentIndex(), 0);
        QCOMPARE(bauds.currentText(), QStringLiteral("115200"));
        if (!typed.isEmpty()) {
            TypeInto(bauds, typed);
        }
        dialog.accept();
        QCOMPARE(dialog.baudRate, afterOk);
    }

    void deviceOfPort_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("device");  // empty: nothing is opened
        QTest::newRow("Disabled") << 0 << "";
        QTest::newRow("configured, present") << 3 << "/dev/null";
        QTest::newRow("configured, absent") << 4 << "/dev/q417-no-such-device";
        QTest::newRow("default of 5") << 5 << "/dev/ttyUSB4";
        QTest::newRow("default of 20") << 20 << "/dev/ttyUSB19";
    }
    void deviceOfPort() {
        QFETCH(int, port);
        QFETCH(QString, device);
        CPortDlg dialog({{3, "/dev/null"}, {4, "/dev/q417-no-such-device"}});
        dialog.portIndex = 1;
        dialog.LoadFromMembers();
        Child<QComboBox>(dialog, "portCombo").setCurrentIndex(port);
        const QString shown = device.isEmpty() ? QStringLiteral("No device is opened")
                                               : QStringLiteral("%1 (%2)").arg(
                                                     device, QFileInfo::exists(device)
                                                                 ? QStringLiteral("present")
                                                                 : QStringLiteral("not present"));
        QCOMPARE(Child<QLabel>(dialog, "deviceLabel").text(), shown);
    }

    void deviceList_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("port");  // selected after the double-click
        QTest::newRow("default device of port 3") << 0 << "3";
        QTest::newRow("configured device of port 7") << 1 << "7";
        QTest::newRow("device of no port") << 2 << "1";
    }
    void deviceList() {
        QFETCH(int, row);
        QFETCH(QString, port);
        CPortDlg dialog({{7, "/dev/null"}});
        dialog.SetDeviceSource([] { return kInjectedDevices; });
        dialog.portIndex = 1;
        dialog.LoadFromMembers();
        auto& list = Child<QTreeWidget>(dialog, "deviceList");
        QCOMPARE(list.topLevelItemCount(), int(kInjectedDevices.size()));
        QTreeWidgetItem* item = list.topLevelItem(row);
        const SerialDeviceEntry& entry = kInjectedDevices[row];
        QCOMPARE(QStringList({item->text(0), item->text(1), item->text(2), item->text(3)}),
                 QStringList({entry.device, entry.description, entry.maker, entry.serialNumber}));

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        // A double-click begins with a click: the view acts only on a second press of one item.
        const QPoint centre = list.visualItemRect(item).center();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(Child<QComboBox>(dialog, "portCombo").currentText(), port);
    }

    void optionsRoundTrip_data() {
        QTest::addColumn<int>("open");
        QTest::addColumn<int>("sync");
        QTest::addColumn<int>("append");
        QTest::addColumn<bool>("ok");
        QTest::newRow("all clear, OK") << 0 << 0 << 0 << true;
        QTest::newRow("mixed, OK") << 1 << 0 << 1 << true;
        QTest::newRow("mixed, Cancel") << 0 << 1 << 1 << false;
        QTest::newRow("all set, Cancel") << 1 << 1 << 1 << false;
    }
    void optionsRoundTrip() {
        QFETCH(int, open);
        QFETCH(int, sync);
        QFETCH(int, append);
        QFETCH(bool, ok);
        COptionsDlg dialog;
        dialog.autoOpenCheck = open;
        dialog.autoSyncCheck = sync;
        dialog.autoAppendCheck = append;
        dialog.LoadFromMembers();
        QCheckBox* boxes[] = {&Child<QCheckBox>(dialog, "autoOpenBox"),
                              &Child<QCheckBox>(dialog, "autoSyncBox"),
                              &Child<QCheckBox>(dialog, "autoAppendBox")};
        const int before[] = {open, sync, append};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(int(boxes[i]->isChecked()), before[i]);
            boxes[i]->click();
        }
        Child<QPushButton>(dialog, ok ? "okButton" : "cancelButton").click();
        const int after[] = {dialog.autoOpenCheck, dialog.autoSyncCheck, dialog.autoAppendCheck};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(after[i], ok ? 1 - before[i] : before[i]);
        }
    }

    // Enter presses OK from any control but a button, which it presses itself.
    void enterPressesOk_data() {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("clicked");
        QTest::newRow("port, port field") << "port"
                                          << "portCombo"
                                          << "okButton";
        QTest::newRow("port, Cancel") << "port"
                                      << "cancelButton"
                                      << "cancelButton";
        QTest::newRow("options, a box") << "options"
                                        << "autoSyncBox"
                                        << "okButton";
        QTest::newRow("options, Cancel") << "options"
                                         << "cancelButton"
                                         << "cancelButton";
    }
    void enterPressesOk() {
        QFETCH(QString, dialog);
        QFETCH(QString, focus);
        QFETCH(QString, clicked);
        const std::unique_ptr<QDialog> window = MakeDialog(dialog);
        QCOMPARE(test::ButtonsClickedBy(*window, focus, Qt::Key_Return), QStringList{clicked});
    }

    // The document keeps these dialogs between openings; each opening starts on the first field.
    void reopensOnItsFirstControl_data() {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("left");  // the focus when the first opening closed
        QTest::addColumn<QString>("first");
        QTest::newRow("port") << "port"
                              << "baudCombo"
                              << "portCombo";
        QTest::newRow("options") << "options"
                                 << "cancelButton"
                                 << "autoOpenBox";
    }
    void reopensOnItsFirstControl() {
        QFETCH(QString, dialog);
        QFETCH(QString, left);
        QFETCH(QString, first);
        const std::unique_ptr<QDialog> window = MakeDialog(dialog);
        QString focused;
        for (const bool reopening : {false, true}) {
            QTimer::singleShot(0, window.get(), [&] {
                if (QTest::qWaitForWindowActive(window.get())) {
                    // An editable combo box's line edit holds the focus for the box.
                    for (QWidget* w = QApplication::focusWidget();
                         w != nullptr && focused.isEmpty(); w = w->parentWidget()) {
                        focused = w->objectName();
                    }
                    window->findChild<QWidget*>(left)->setFocus();
                }
                window->accept();
            });
            window->exec();
            if (!reopening) {
                focused.clear();
            }
        }
        QCOMPARE(focused, first);
    }

    void editLocation_data() {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("afterOk");
        QTest::newRow("25 typed stop at 20") << ""
                                             << "abcdefghijklmnopqrstuvwxy"
                                             << "abcdefghijklmnopqrst";
        QTest::newRow("comma refused") << ""
                                       << "Well 3, north"
                                       << "Well 3 north";
        QTest::newRow("typing replaces the shown text") << "Old name"
                                                        << "New"
                                                        << "New";
        QTest::newRow("unchanged") << "North Well"
                                   << ""
                                   << "North Well";
        QTest::newRow("stored comma dropped") << "a,b"
                                              << ""
                                              << "ab";
    }
    void editLocation() {
        QFETCH(QString, location);
        QFETCH(QString, typed);
        QFETCH(QString, afterOk);
        CEditLocationDlg dialog;
        dialog.siteText = QStringLiteral("12");
        dialog.locationText = location;
        dialog.LoadFromMembers();
        QTest::keyClicks(&Child<QLineEdit>(dialog, "siteEdit"), QStringLiteral("9"));
        QTest::keyClicks(&Child<QLineEdit>(dialog, "locationEdit"), typed);
        Child<QPushButton>(dialog, "okButton").click();
        QCOMPARE(dialog.locationText, afterOk);
        QCOMPARE(dialog.siteText, QStringLiteral("12"));
    }

    // The site's ID is shown, not edited: its field has the window's background, the location's
    // the one of a field to type into.
    void editLocationSiteLooksReadOnly() {
        CEditLocationDlg dialog;
        const QLineEdit& site = Child<QLineEdit>(dialog, "siteEdit");
        const QLineEdit& location = Child<QLineEdit>(dialog, "locationEdit");
        QVERIFY(site.isReadOnly());
        QCOMPARE(site.palette().color(QPalette::Base), dialog.palette().color(QPalette::Window));
        QVERIFY(location.palette().color(QPalette::Base) !=
                dialog.palette().color(QPalette::Window));
    }

    void validator_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("fixed");
        QTest::newRow("plain") << "North Well" << 20 << true << "North Well";
        QTest::newRow("empty") << "" << 20 << true << "";
        QTest::newRow("20 of 20") << QString(20, QLatin1Char('x')) << 20 << true
                                  << QString(20, QLatin1Char('x'));
        QTest::newRow("21 of 20") << QString(21, QLatin1Char('x')) << 20 << false
                                  << QString(20, QLatin1Char('x'));
        QTest::newRow("comma") << "a,b" << 20 << false << "ab";
        QTest::newRow("CR") << "a\rb" << 20 << false << "ab";
        QTest::newRow("LF") << "a\nb" << 20 << false << "ab";
        QTest::newRow("zero") << QStringLiteral("a") + QChar(0) + QStringLiteral("b") << 20 << false
                              << "ab";
        QTest::newRow("Latin-1") << QString::fromLatin1("caf\xe9") << 20 << true
                                 << QString::fromLatin1("caf\xe9");
        QTest::newRow("beyond Latin-1") << QStringLiteral("5 \u20AC") << 20 << false << "5 ";
        QTest::newRow("cut after dropping") << "a,bcd" << 3 << false << "abc";
    }
    void validator() {
        QFETCH(QString, text);
        QFETCH(int, maxLength);
        QFETCH(bool, valid);
        QFETCH(QString, fixed);
        const SiteTextValidator validator(maxLength);
        int pos = 0;
        QString input = text;
        QCOMPARE(validator.validate(input, pos),
                 valid ? QValidator::Acceptable : QValidator::Invalid);
        validator.fixup(input);
        QCOMPARE(input, fixed);
        QCOMPARE(validator.validate(input, pos), QValidator::Acceptable);
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
