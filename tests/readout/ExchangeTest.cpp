// Number exchange of the readout windows and the password dialog.

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "CPasswordDlg.h"
#include "NumberExchange.h"

using namespace q417;

class ExchangeTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void floatsShowSixDigits_data() {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("rounded") << 1.2345678f << QStringLiteral("1.23457");
        QTest::newRow("whole") << 1.0f << QStringLiteral("1");
        QTest::newRow("negative") << -0.5f << QStringLiteral("-0.5");
        QTest::newRow("large") << 1234567.0f << QStringLiteral("1.23457e+06");
    }
    void floatsShowSixDigits() {
        QFETCH(float, value);
        QFETCH(QString, text);
        QCOMPARE(FloatText(value), text);
    }

    void numbersAreRead_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isFloat");
        QTest::addColumn<bool>("isInt");
        QTest::addColumn<double>("value");
        QTest::newRow("blanks around") << QStringLiteral("  8 \t") << true << true << 8.0;
        QTest::newRow("negative") << QStringLiteral("-1") << true << true << -1.0;
        QTest::newRow("decimal") << QStringLiteral("0.25") << true << false << 0.25;
        QTest::newRow("exponent") << QStringLiteral("1e3") << true << false << 1000.0;
        QTest::newRow("empty") << QString() << false << false << 0.0;
        QTest::newRow("letters after") << QStringLiteral("8x") << false << false << 0.0;
        QTest::newRow("inner blank") << QStringLiteral("1 2") << false << false << 0.0;
        QTest::newRow("not finite") << QStringLiteral("nan") << false << false << 0.0;
        QTest::newRow("float overflow") << QStringLiteral("1e39") << false << false << 0.0;
        QTest::newRow("int overflow") << QStringLiteral("99999999999") << true << false << 1e11;
        // Only the first 31 characters count: what follows is never seen.
        QTest::newRow("cut at 31")
            << QStringLiteral("5") + QString(30, QLatin1Char(' ')) + QStringLiteral("x") << true
            << true << 5.0;
    }
    void numbersAreRead() {
        QFETCH(QString, text);
        QFETCH(bool, isFloat);
        QFETCH(bool, isInt);
        QFETCH(double, value);
        const auto f = ParseFloat(text);
        QCOMPARE(f.has_value(), isFloat);
        if (f) {
            QCOMPARE(*f, static_cast<float>(value));
        }
        const auto i = ParseInt(text);
        QCOMPARE(i.has_value(), isInt);
        if (i) {
            QCOMPARE(*i, static_cast<int>(value));
        }
    }

    void passwordIsCheckedExactly_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("accepted");
        QTest::newRow("as stored") << QStringLiteral("KWPmoraglend") << 1;
        QTest::newRow("other case") << QStringLiteral("KWPMoraglend") << 0;
        QTest::newRow("trailing blank") << QStringLiteral("KWPmoraglend ") << 0;
        QTest::newRow("initial text") << QStringLiteral("qvzk") << 0;
        QTest::newRow("empty") << QString() << 0;
    }
    void passwordIsCheckedExactly() {
        QFETCH(QString, typed);
        QFETCH(int, accepted);
        CPasswordDlg dialog;
        QTimer::singleShot(0, [&] {
            auto* edit = dialog.findChild<QLineEdit*>();
            QCOMPARE(edit->text(), QStringLiteral("qvzk"));
            QCOMPARE(edit->echoMode(), QLineEdit::Password);
            edit->setText(typed);
            dialog.findChild<QPushButton*>()->click();
        });
        dialog.exec();
        QCOMPARE(dialog.accepted, accepted);
    }

    void passwordEnterAtOnceAndCancelRefuse() {
        CPasswordDlg dialog;
        dialog.accepted = 0;
        QWidget* focus = nullptr;
        QTimer::singleShot(0, [&] {
            // The focus is on OK: Enter presses it with the initial text still in the field.
            focus = dialog.focusWidget();
            QTest::keyClick(focus, Qt::Key_Return);
            if (dialog.isVisible()) {
                dialog.reject();  // Enter did not close it
            }
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(focus, dialog.findChild<QPushButton*>());
        QCOMPARE(dialog.accepted, 0);

        QTimer::singleShot(0, [&] {
            dialog.findChild<QLineEdit*>()->setText(QStringLiteral("KWPmoraglend"));
            dialog.reject();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(dialog.accepted, 0);
    }
};

QTEST_MAIN(ExchangeTest)
#include "ExchangeTest.moc"
