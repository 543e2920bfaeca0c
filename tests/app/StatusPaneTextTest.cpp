#include <QTest>

#include "LinkSink.h"
#include "StatusPaneText.h"

using namespace q417;

class StatusPaneTextTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void statusCodes_data() {
        QTest::addColumn<qint64>("code");
        QTest::addColumn<bool>("changes");
        QTest::addColumn<QString>("text");
        QTest::newRow("port open") << qint64(1) << true << "Port open";
        QTest::newRow("port not open") << qint64(2) << true << "Port not open";
        QTest::newRow("connecting") << qint64(3) << true << "Connecting";
        QTest::newRow("4 clears") << qint64(4) << true << "";
        QTest::newRow("connected") << qint64(5) << true << "Connected";
        QTest::newRow("7 clears") << qint64(7) << true << "";
        QTest::newRow("new readout") << qint64(9) << true << "New Readout";
        QTest::newRow("comm error") << qint64(12) << true << "Comm error";
        QTest::newRow("reading") << qint64(13) << true << "Reading data";
        QTest::newRow("writing") << qint64(14) << true << "Writing data";
        QTest::newRow("15 clears") << qint64(15) << true << "";
        QTest::newRow("0 keeps") << qint64(0) << false << "";
        QTest::newRow("negative keeps") << qint64(-3) << false << "";
    }
    void statusCodes() {
        QFETCH(qint64, code);
        QFETCH(bool, changes);
        QFETCH(QString, text);
        const auto pane = LinkStatusPaneText(code);
        QCOMPARE(pane.has_value(), changes);
        if (pane) {
            QCOMPARE(QString::fromStdString(*pane), text);
        }
    }

    void numbers_data() {
        QTest::addColumn<quint64>("number");
        QTest::addColumn<qint64>("code");
        QTest::addColumn<QString>("text");  // "-" keeps the pane
        QTest::newRow("reading 42%") << quint64(42) << qint64(STATUS_READING) << "42%";
        QTest::newRow("writing 100%") << quint64(100) << qint64(STATUS_WRITING) << "100%";
        QTest::newRow("connected 5") << quint64(5) << qint64(STATUS_CONNECTED) << "5";
        QTest::newRow("code 0 with 3") << quint64(3) << qint64(0) << "3";
        QTest::newRow("0 keeps") << quint64(0) << qint64(STATUS_READING) << "-";
        QTest::newRow("signed word") << quint64(0xFFFFFFFFu) << qint64(7) << "-1";
    }
    void numbers() {
        QFETCH(quint64, number);
        QFETCH(qint64, code);
        QFETCH(QString, text);
        const auto pane = LinkNumberPaneText(number, code);
        QCOMPARE(pane ? QString::fromStdString(*pane) : QStringLiteral("-"), text);
    }

    void clock_data() {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<QString>("text");
        QTest::newRow("morning") << 9 << 5 << "9:05 AM";
        QTest::newRow("past noon") << 12 << 30 << "12:30 PM";
        QTest::newRow("past midnight") << 0 << 15 << "12:15 AM";
        QTest::newRow("evening") << 23 << 59 << "11:59 PM";
        QTest::newRow("ten") << 10 << 0 << "10:00 AM";
    }
    void clock() {
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(QString, text);
        std::tm time{};
        time.tm_hour = hour;
        time.tm_min = minute;
        QCOMPARE(QString::fromStdString(ClockPaneText(time)), text);
    }
};

QTEST_GUILESS_MAIN(StatusPaneTextTest)
#include "StatusPaneTextTest.moc"
