// The readout sheet with its Status and Site Data pages, against the link on the simulated
// readout.

#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "CInitReadoutDlg.h"
#include "CPageDataDlg.h"
#include "CPageSetupDlg.h"
#include "CPageStatusDlg.h"
#include "CSheet.h"
#include "DialogKeys.h"
#include "LinkJob.h"
#include "LinkOnSimulator.h"
#include "ReadoutSettings.h"
#include "ReadoutStatusRows.h"
#include "ReadoutTables.h"
#include "SettingsChange.h"
#include "TimeZoneGuard.h"

using namespace q417;
using test::LinkOnSimulator;

namespace {

QStringList TabTitles(QTabWidget& tabs) {
    QStringList titles;
    for (int i = 0; i < tabs.count(); ++i) {
        titles << tabs.tabText(i);
    }
    return titles;
}

QStringList Texts(std::initializer_list<const char*> texts) {
    QStringList list;
    for (const char* text : texts) {
        list << QString::fromLatin1(text);
    }
    return list;
}

QString Header(CPageDataDlg& page, int column) {
    return page.Rows().headerData(column, Qt::Horizontal).toString();
}

QString Cell(CPageDataDlg& page, int row, int column) {
    return page.Rows().index(row, column).data().toString();
}

}  // namespace

class SheetTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void pagesFollowTheData_data() {
        QTest::addColumn<bool>("withData");
        QTest::addColumn<QStringList>("tabs");
        QTest::newRow("no data") << false << Texts({"Status", "Setup"});
        QTest::newRow("data") << true << Texts({"Site Data", "Status", "Setup"});
    }
    void pagesFollowTheData() {
        QFETCH(bool, withData);
        QFETCH(QStringList, tabs);
        LinkOnSimulator sim;
        QVERIFY(sim.WaitConnected());
        CSheet sheet(QStringLiteral("Readout Status"), sim.Context(), withData);
        QCOMPARE(TabTitles(sheet.Tabs()), tabs);
        QCOMPARE(sheet.Tabs().currentWidget(), &sheet.StatusPage());
        QCOMPARE(sheet.windowTitle(), QStringLiteral("Readout Status"));
        // One button, "Close"; it ends the sheet as accepted.
        const auto buttons = sheet.findChildren<QPushButton*>();
        QStringList visible;
        for (QPushButton* button : buttons) {
            if (button->window() == &sheet && !sheet.Tabs().isAncestorOf(button)) {
                visible << button->text();
            }
        }
        QCOMPARE(visible, QStringList{QStringLiteral("Cl&ose")});
        QTimer::singleShot(0, &sheet.CloseButton(), &QPushButton::click);
        QCOMPARE(sheet.exec(), int(QDialog::Accepted));
    }

    // Close stands where OK would, so Enter in a field of a page closes the sheet; a button
    // of a page that holds the focus is pressed itself.
    void enterOnTheSetupPage_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("clicked");
        const QString close = QStringLiteral("closeButton");
        QTest::newRow("digits") << "digitsEdit" << close;
        QTest::newRow("units") << "unitsCombo" << close;
        QTest::newRow("Update Readout") << "updateButton"
                                        << "updateButton";
        QTest::newRow("Advanced") << "advancedButton"
                                  << "advancedButton";
    }
    void enterOnTheSetupPage() {
        QFETCH(QString, focus);
        QFETCH(QString, clicked);
        LinkOnSimulator sim;
        QVERIFY(sim.WaitConnected());
        CSheet sheet(QStringLiteral("Readout Status"), sim.Context(), false);
        sheet.Tabs().setCurrentWidget(&sheet.SetupPage());
        QCOMPARE(test::ButtonsClickedBy(sheet, focus, Qt::Key_Return), QStringList{clicked});
    }

    void disconnectClosesSheetAndInitializeDialog() {
        LinkOnSimulator sim;
        QVERIFY(sim.WaitConnected());
        CSheet sheet(QStringLiteral("Readout Status"), sim.Context(), false);
        CInitReadoutDlg& initialize = sheet.SetupPage().InitializeDialog();
        QDialog above(&initialize);  // as the Calibration dialog stands over it
        bool ended = false;
        bool closedBySheet = true;
        QTimer::singleShot(10000, &above, [&] {  // else the sheet's loop would never return
            closedBySheet = !above.isVisible();
            above.reject();
        });
        QTimer::singleShot(0, [&] {
            // The dialogs run inside handlers of the sheet, as the Setup page runs them.
            QTimer::singleShot(0, [&] {
                QTimer::singleShot(0, [&] { sim.line.Unplug(); });
                above.exec();
            });
            initialize.exec();
            ended = true;
        });
        QCOMPARE(sheet.exec(), int(QDialog::Rejected));
        QVERIFY(ended);
        QVERIFY(closedBySheet);
        QVERIFY(!initialize.isVisible());
    }

    void statusRowsAndTheirFormats() {
        sim::testing::TimeZoneGuard zone{"UTC"};
        LinkOnSimulator sim{4, [](sim::ReadoutMemory& memory) {
                                memory.SetMultiplier(1.0f);
                                memory.SetFirmwareVersion(1.2f);
                                memory.SetBatteryVolts(3.6f);
                                memory.SetDisplayDigits(-1);
                                memory.SetFileName("");
                            }};
        QVERIFY(sim.WaitConnected());
        const ReadoutSettings read = sim.link.Settings();
        std::int64_t now = read.readTime + 90;
        ReadoutContext context = sim.Context();
        context.calendarNow = [&now] { return now; };
        CSheet sheet(QStringLiteral("Readout Status"), context, false);
        sheet.show();
        CPageStatusDlg& page = sheet.StatusPage();
        // The page shows the one list of status rows, as q417cli status does.
        const std::vector<StatusRow> rows = ReadoutStatusRows(sim.link.Settings(), now);
        QCOMPARE(page.RowCount(), static_cast<int>(rows.size()));
        for (int row = 0; row < page.RowCount(); ++row) {
            const StatusRow& expected = rows[static_cast<std::size_t>(row)];
            QCOMPARE(QString::fromStdString(page.Key(row)), QString::fromStdString(expected.key));
            QCOMPARE(page.Label(row), QString::fromLatin1(expected.label));
            QCOMPARE(page.Value(row), QString::fromLatin1(expected.value));
        }
        const auto value = [&page](const char* key) { return page.Value(page.RowOf(key)); };
        QCOMPARE(value("firmware_version"), QStringLiteral("1.200"));
        QCOMPARE(value("battery"), QStringLiteral("3.600 Volts"));
        QCOMPARE(value("multiplier"), QStringLiteral("1.000000"));
        QCOMPARE(value("display_digits"), QStringLiteral("-1"));
        QCOMPARE(value("site_number"), QStringLiteral("4"));
        QCOMPARE(value("file_name"), QString());
        // The clock runs on: read 90 s ago shows 90 s on, and every tick follows the PC clock.
        QCOMPARE(value(kClockRowKey),
                 QString::fromLatin1(FormatLocalDateTime(read.readoutClock + 90)));
        QVERIFY(page.Ticking());
        now += 5;
        page.Tick();
        QCOMPARE(value(kClockRowKey),
                 QString::fromLatin1(FormatLocalDateTime(read.readoutClock + 95)));
        QVERIFY(!sheet.StatusPage().Stale());
    }

    // A clock reply this program cannot read leaves no readout time to run on: the row says
    // so, as q417cli status does, until a clock is written.
    void statusClockUnanswered_data() {
        QTest::addColumn<qint64>("readoutAhead");  // seconds the readout's clock runs ahead
        QTest::addColumn<bool>("answered");        // the clock read at the connection
        QTest::addColumn<bool>("written");         // a clock written after the connection
        QTest::addColumn<bool>("shown");           // the row shows a time
        const qint64 pastTheLastYear = 2177452800 - test::kNow;  // 2039/01/01 00:00:00 UTC
        QTest::newRow("read") << qint64(-95) << true << false << true;
        QTest::newRow("reply past 2038") << pastTheLastYear << false << false << false;
        QTest::newRow("reply past 2038, then written") << pastTheLastYear << false << true << true;
    }
    void statusClockUnanswered() {
        QFETCH(qint64, readoutAhead);
        QFETCH(bool, answered);
        QFETCH(bool, written);
        QFETCH(bool, shown);
        sim::testing::TimeZoneGuard zone{"UTC"};
        LinkOnSimulator sim{
            4, [&](sim::ReadoutMemory& memory) { memory.SetClockOffsetSeconds(readoutAhead); }};
        QVERIFY(sim.WaitConnected());
        QCOMPARE(sim.link.Settings().answered.clock, answered);
        if (written) {
            SettingsChange change;
            QVERIFY(!change.SetClock(test::kNow + 3600));
            QVERIFY(sim.link.SubmitSettingsWrite(0, change));
            QVERIFY(sim.WaitIdle());
        }
        const ReadoutSettings link = sim.link.Settings();
        std::int64_t now = sim.clock.CalendarSeconds() + 90;
        ReadoutContext context = sim.Context();
        context.calendarNow = [&now] { return now; };
        CSheet sheet(QStringLiteral("Readout Status"), context, false);
        sheet.show();
        CPageStatusDlg& page = sheet.StatusPage();
        const auto expected = [&] {
            return shown ? QString::fromLatin1(FormatLocalDateTime(link.ReadoutClockAt(now)))
                         : QStringLiteral("(no answer)");
        };
        QCOMPARE(page.Value(page.RowOf(kClockRowKey)), expected());
        now += 5;
        page.Tick();
        QCOMPARE(page.Value(page.RowOf(kClockRowKey)), expected());
        // Never the PC's own clock in its place.
        QVERIFY(page.Value(page.RowOf(kClockRowKey)) !=
                QString::fromLatin1(FormatLocalDateTime(now)));
    }

    void statusRebuiltOnlyAfterAWrite() {
        LinkOnSimulator sim;
        QVERIFY(sim.WaitConnected());
        CSheet sheet(QStringLiteral("Readout Status"), sim.Context(), false);
        sheet.show();
        CPageStatusDlg& page = sheet.StatusPage();
        const int unitsRow = page.RowOf("display_units");
        const QString units = page.Value(unitsRow);
        const int unitsCode = sim.link.Settings().displayUnits == 2 ? 3 : 2;
        SettingsChange change;
        QVERIFY(!change.SetDisplayUnits(unitsCode));
        QVERIFY(sim.link.SubmitSettingsWrite(0, change));
        QVERIFY(sim.WaitIdle());
        const QString written = QString::fromLatin1(kUnitNames[unitsCode]);

        // Without the flag, switching tabs keeps the rows; with it, they show the link anew.
        sheet.Tabs().setCurrentWidget(&sheet.SetupPage());
        sheet.Tabs().setCurrentWidget(&page);
        QCOMPARE(page.Value(unitsRow), units);
        Q_EMIT sheet.SetupPage().readoutWritten();  // as a write of the page ends
        sheet.Tabs().setCurrentWidget(&sheet.SetupPage());
        sheet.Tabs().setCurrentWidget(&page);
        QCOMPARE(page.Value(unitsRow), written);
        QVERIFY(!sheet.StatusPage().Stale());
    }

    // Label column: widest label and 50; value column: widest value and 50, less what the
    // list lacks, but never less than its text and the padding.
    void statusColumnWidths_data() {
        QTest::addColumn<int>("room");
        QTest::addColumn<int>("label");
        QTest::addColumn<int>("value");
        QTest::newRow("room to spare") << 400 << 150 << 130;
        QTest::newRow("just room") << 280 << 150 << 130;
        QTest::newRow("4 pixels short") << 276 << 150 << 126;
        QTest::newRow("spare all gone") << 238 << 150 << 88;
        QTest::newRow("texts too wide") << 200 << 150 << 88;
    }
    void statusColumnWidths() {
        QFETCH(int, room);
        QFETCH(int, label);
        QFETCH(int, value);
        QCOMPARE(CPageStatusDlg::ColumnWidths(100, 80, room, 8), std::make_pair(label, value));
    }

    void statusPageScrollsOnlyForTexts() {
        LinkOnSimulator sim;
        QVERIFY(sim.WaitConnected());
        CSheet sheet(QStringLiteral("Readout Status"), sim.Context(), false);
        sheet.show();
        QTreeView& list = sheet.StatusPage().List();
        QTRY_VERIFY(list.viewport()->width() > 0);
        QCoreApplication::processEvents();
        // The texts fit the page: nothing to scroll sideways.
        QCOMPARE(list.horizontalScrollBar()->maximum(), 0);
        QVERIFY(list.columnWidth(0) + list.columnWidth(1) <= list.viewport()->width());
        const QFontMetrics metrics(list.font());
        for (int row = 0; row < sheet.StatusPage().RowCount(); ++row) {
            QVERIFY(list.columnWidth(1) > metrics.horizontalAdvance(sheet.StatusPage().Value(row)));
        }
    }

    void dataPageRowsAndHeaders() {
        sim::testing::TimeZoneGuard zone{"UTC"};
        LinkOnSimulator sim{3, [](sim::ReadoutMemory& memory) {
                                memory.SetReferenceValue(0, 0.0f);
                                memory.SetReferenceTime(0, 1000);
                                memory.SetReadingCount(0, 0);
                                memory.SetReferenceValue(1, 1.5f);
                                memory.SetReadingCount(1, 3);
                                for (int k = 0; k < 3; ++k) {
                                    memory.SetReading(1, k,
                                                      {-0.25f * static_cast<float>(k + 1),
                                                       static_cast<std::uint32_t>(60 * k)});
                                }
                            }};
        QVERIFY(sim.WaitConnected());
        QVERIFY(sim.link.SubmitJob(JOB_DOWNLOAD, 0));
        QVERIFY(QTest::qWaitFor([&] { return sim.link.Settings().dataReady != 0; }, test::kWaitMs));
        CSheet sheet(QStringLiteral("Readout Status"), sim.Context(), true);
        sheet.show();
        CPageDataDlg& page = *sheet.DataPage();
        sheet.Tabs().setCurrentWidget(&page);
        QCOMPARE(page.Rows().columnCount(), 22);
        QCOMPARE(page.Rows().rowCount(), 3);
        QCOMPARE(Header(page, 0), QStringLiteral("Description"));
        QCOMPARE(Header(page, 1), QStringLiteral("Previous reading"));
        QCOMPARE(Header(page, 21), QStringLiteral("Current reading   "));
        QCOMPARE(Cell(page, 0, 1), QString());  // a previous reading of 0.0 is not shown
        QCOMPARE(Cell(page, 1, 1), QStringLiteral("1.50000"));
        QCOMPARE(Cell(page, 1, 2), QStringLiteral("-0.25000"));
        QCOMPARE(Cell(page, 1, 4), QStringLiteral("-0.75000"));
        QCOMPARE(Cell(page, 1, 5), QString());

        page.List().selectRow(0);
        QCOMPARE(Header(page, 1), QStringLiteral("01/01/00 00:16"));
        QCOMPARE(Header(page, 2), QStringLiteral("No Reading"));
        page.List().selectRow(1);
        QCOMPARE(Header(page, 2), QStringLiteral("01/01/00 00:00"));
        QCOMPARE(Header(page, 4), QStringLiteral("01/01/00 00:02"));
        QCOMPARE(Header(page, 5), QStringLiteral("No Reading"));
        QCOMPARE(Header(page, 21), QStringLiteral("No Reading"));
        // With no row selected the headers keep the last row's times.
        page.List().clearSelection();
        QCOMPARE(Header(page, 4), QStringLiteral("01/01/00 00:02"));
    }
};

QTEST_MAIN(SheetTest)
#include "SheetTest.moc"
