#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "CEditLocationDlg.h"
#include "COptionsDlg.h"
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

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
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
        auto& okButton = Child<QPushButton>(dialog, "okButton");
        QVERIFY(!okButton.isDefault() && !okButton.autoDefault());
        Child<QPushButton>(dialog, ok ? "okButton" : "cancelButton").click();
        const int after[] = {dialog.autoOpenCheck, dialog.autoSyncCheck, dialog.autoAppendCheck};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(after[i], ok ? 1 - before[i] : before[i]);
        }
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
