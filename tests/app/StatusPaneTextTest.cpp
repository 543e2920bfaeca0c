#include <QTest>

#include "LinkEvent.h"
#include "StatusPaneText.h"

using namespace q417;

class StatusPaneTextTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void statusTexts_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("changes");
        QTest::addColumn<QString>("text");
        QTest::newRow("port open") << 1 << true << "Port open";
        QTest::newRow("port not open") << 2 << true << "Port not open";
        QTest::newRow("connecting") << 3 << true << "Connecting";
        QTest::newRow("connected") << 5 << true << "Connected";
        QTest::newRow("new readout") << 9 << true << "New Readout";
        QTest::newRow("comm error") << 12 << true << "Comm error";
        QTest::newRow("reading") << 13 << true << "Reading data";
        QTest::newRow("writing") << 14 << true << "Writing data";
        QTest::newRow("none keeps") << 0 << false << "";
    }
    void statusTexts() {
        QFETCH(int, code);
        QFETCH(bool, changes);
        QFETCH(QString, text);
        const auto pane = LinkStatusPaneText(static_cast<LinkStatus>(code));
        QCOMPARE(pane.has_value(), changes);
        if (pane) {
            QCOMPARE(QString::fromStdString(*pane), text);
        }
    }

    // "-" keeps the pane.
    void eventTexts_data() {
        QTest::addColumn<int>("event");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("number");
        QTest::newRow("status with detail") << 0 << "Connected"
                                            << "5";
        QTest::newRow("detail alone") << 1 << "-"
                                      << "10";
        QTest::newRow("reading 42%") << 2 << "Reading data"
                                     << "42%";
        QTest::newRow("writing 100%") << 3 << "Writing data"
                                      << "100%";
        QTest::newRow("under 1% waits") << 4 << "Reading data"
                                        << "-";
        QTest::newRow("other events keep both") << 5 << "-"
                                                << "-";
    }
    void eventTexts() {
        QFETCH(int, event);
        QFETCH(QString, status);
        QFETCH(QString, number);
        const LinkEventKind events[] = {
            link_event::Status{LinkStatus::Connected, LinkDetail::Connected},
            link_event::Status{LinkStatus::None, LinkDetail::Polling},
            link_event::Progress{Transfer::Download, 42, 100},
            link_event::Progress{Transfer::Upload, 177, 177},
            link_event::Progress{Transfer::Download, 1, 200},
            link_event::ReadoutReady{},
        };
        const LinkPaneTexts texts = LinkPaneTextsAfter(events[event]);
        const auto shown = [](const std::optional<std::string>& text) {
            return text ? QString::fromStdString(*text) : QStringLiteral("-");
        };
        QCOMPARE(shown(texts.status), status);
        QCOMPARE(shown(texts.number), number);
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
