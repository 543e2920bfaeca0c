// The Setup page against the link on the simulated readout, and the clock it writes where
// daylight saving repeats or skips an hour.

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

#include "BoxRecorder.h"
#include "CInitReadoutDlg.h"
#include "CPageSetupDlg.h"
#include "CPasswordDlg.h"
#include "LocalClock.h"
#include "SettingsRefusals.h"
#include "TimeZoneGuard.h"

Q_DECLARE_METATYPE(q417::LocalDateTime)

using namespace q417;
using test::LinkOnSimulator;

namespace {

const QString kUpdated = QStringLiteral("Readout updated");
const QString kDenied = QStringLiteral("Password invalid. Access Denied.");
// A box that asks for no icon shows the exclamation, "Readout updated" too.
const QString kWarning = QStringLiteral("warning: ");

qint64 Utc(int y, int mo, int d, int h, int mi) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi), Qt::UTC).toSecsSinceEpoch();
}

// Acts on the modal window that matches once it is up, until context goes.
void OnModal(QObject* context, const std::function<bool(QWidget*)>& matches,
             const std::function<void(QWidget*)>& act) {
    QTimer::singleShot(10, context, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && matches(modal)) {
            act(modal);
        } else {
            OnModal(context, matches, act);
        }
    });
}

// A Setup page in a plain window over a connected link on the simulated readout.
struct PageOnSimulator {
    explicit PageOnSimulator(const std::function<void(sim::ReadoutMemory&)>& setup = {})
        : sim(4, setup) {}

    [[nodiscard]] bool Open() {
        if (!sim.WaitConnected()) {
            return false;
        }
        ReadoutContext context = sim.Context();
        if (calendarNow) {
            context.calendarNow = calendarNow;
        }
        page = std::make_unique<CPageSetupDlg>(context, &window);
        QObject::connect(page.get(), &CPageSetupDlg::readoutWritten, [this] { ++writesEnded; });
        window.resize(420, 400);
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
    template <typename T>
    [[nodiscard]] T* Control(const char* name) {
        return Control<T>(QString::fromLatin1(name));
    }
    // The page's own control: the dialogs it holds have controls of the same names.
    template <typename T>
    [[nodiscard]] T* Control(const QString& name) {
        for (T* control : page->findChildren<T*>(name)) {
            if (control->window() == page->window()) {
                return control;
            }
        }
        return nullptr;
    }
    void Update() { Control<QPushButton>("updateButton")->click(); }
    // The boxes seen, as "icon: text", once n have come up; fewer when they do not come (a
    // submitted write always shows one, well within the wait). Waits a while for one too many.
    [[nodiscard]] QStringList Boxes(qsizetype n) {
        (void)QTest::qWaitFor([&] { return boxes.seen.size() >= n; }, test::kWaitMs);
        QTest::qWait(300);
        return boxes.seen;
    }
    template <typename F>
    auto Memory(F read) {
        decltype(read(std::declval<const sim::ReadoutMemory&>())) value{};
        sim.line.WithEngine([&](sim::ReadoutEngine& engine) { value = read(engine.Memory()); });
        return value;
    }

    LinkOnSimulator sim;
    std::function<std::int64_t()> calendarNow;  // the PC's clock as the page sees it, if set
    QWidget window;
    int writesEnded = 0;  // readoutWritten signals
    std::unique_ptr<CPageSetupDlg> page;
    test::BoxRecorder boxes;
};

// A point over the first character of the picker's text at index, where a click lands in it.
QPoint OverCharacter(QLineEdit& edit, int index) {
    const int middle = edit.height() / 2;
    for (int x = 0; x < edit.width(); ++x) {
        if (edit.cursorPositionAt(QPoint(x, middle)) > index) {
            return {x, middle};
        }
    }
    return {};
}

// The pickers hold 8 December 2026, 10:20:30 (set as the user would, so the clock leaves them
// alone), and the page's window is active.
bool SetPickers(PageOnSimulator& p) {
    p.Control<QDateTimeEdit>("datePicker")->setDate(QDate(2026, 12, 8));
    p.Control<QDateTimeEdit>("timePicker")->setTime(QTime(10, 20, 30));
    p.window.activateWindow();
    return QTest::qWaitForWindowActive(&p.window);
}

}  // namespace

class SetupPageTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void clockWhereDaylightSavingChanges_data() {
        QTest::addColumn<LocalDateTime>("local");
        QTest::addColumn<qint64>("shown");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<qint64>("written");
        QTest::addColumn<int>("kind");
        const auto unique = static_cast<int>(LocalTimeKind::Unique);
        const auto repeated = static_cast<int>(LocalTimeKind::Repeated);
        const auto skipped = static_cast<int>(LocalTimeKind::Skipped);
        // 2026: summer time from 29 March 02:00 CET to 25 October 03:00 CEST.
        QTest::newRow("summer day") << LocalDateTime{2026, 7, 1, 12, 0, 0} << Utc(2026, 7, 1, 9, 0)
                                    << true << Utc(2026, 7, 1, 10, 0) << unique;
        QTest::newRow("repeated, untouched, summer time")
            << LocalDateTime{2026, 10, 25, 2, 30, 0} << Utc(2026, 10, 25, 0, 30) << false
            << Utc(2026, 10, 25, 0, 30) << repeated;
        QTest::newRow("repeated, untouched, standard time")
            << LocalDateTime{2026, 10, 25, 2, 30, 0} << Utc(2026, 10, 25, 1, 30) << false
            << Utc(2026, 10, 25, 1, 30) << repeated;
        QTest::newRow("repeated, edited from summer time")
            << LocalDateTime{2026, 10, 25, 2, 40, 0} << Utc(2026, 10, 25, 0, 10) << true
            << Utc(2026, 10, 25, 0, 40) << repeated;
        QTest::newRow("repeated, edited from standard time")
            << LocalDateTime{2026, 10, 25, 2, 10, 0} << Utc(2026, 10, 25, 1, 50) << true
            << Utc(2026, 10, 25, 1, 10) << repeated;
        QTest::newRow("repeated, edited from a winter day")
            << LocalDateTime{2026, 10, 25, 2, 30, 0} << Utc(2026, 12, 8, 15, 4) << true
            << Utc(2026, 10, 25, 1, 30) << repeated;
        QTest::newRow("skipped, read as 03:30 summer time")
            << LocalDateTime{2026, 3, 29, 2, 30, 0} << Utc(2026, 3, 29, 0, 0) << true
            << Utc(2026, 3, 29, 1, 30) << skipped;
    }
    void clockWhereDaylightSavingChanges() {
        QFETCH(LocalDateTime, local);
        QFETCH(qint64, shown);
        QFETCH(bool, edited);
        QFETCH(qint64, written);
        QFETCH(int, kind);
        sim::testing::TimeZoneGuard zone{sim::testing::kZoneWithDaylightSaving};
        const ClockToWrite clock = ClockFromPickers({local, shown, edited});
        QCOMPARE(clock.clock, written);
        QCOMPARE(static_cast<int>(clock.kind), kind);
    }

    // Nothing touched: only a value the lists cannot show as it is goes to the readout.
    void untouchedPage_data() {
        QTest::addColumn<int>("contrast");
        QTest::addColumn<int>("units");
        QTest::addColumn<int>("powerDown");
        QTest::addColumn<QString>("box");
        QTest::newRow("all on their lists") << 96 << 1 << 1 << QString();
        QTest::newRow("contrast between entries") << 5 << 1 << 1 << kUpdated;
        QTest::newRow("contrast off the list") << 200 << 1 << 1 << QString();
        QTest::newRow("units off the list") << 96 << 9 << 1 << QString();
        QTest::newRow("power down off the list") << 96 << 1 << 7 << QString();
    }
    void untouchedPage() {
        QFETCH(int, contrast);
        QFETCH(int, units);
        QFETCH(int, powerDown);
        QFETCH(QString, box);
        PageOnSimulator p([&](sim::ReadoutMemory& m) {
            m.SetLcdContrast(contrast);
            m.SetDisplayUnits(units);
            m.SetPowerDown(powerDown);
        });
        QVERIFY(p.Open());
        p.sim.line.ClearWritten();
        p.Update();
        const QStringList boxes = p.Boxes(box.isEmpty() ? 0 : 1);
        if (box.isEmpty()) {
            QCOMPARE(boxes, QStringList());
        } else {
            QCOMPARE(boxes, QStringList{kWarning + box});
            QVERIFY(!QString::fromLatin1(p.sim.line.Written()).contains(QStringLiteral("WE ")));
        }
        QCOMPARE(p.Memory([](auto& m) { return m.DisplayUnits(); }), units);
        QCOMPARE(p.Memory([](auto& m) { return m.PowerDown(); }), powerDown);
    }

    void useComputerTimeWritesTheClockOnly() {
        PageOnSimulator p([](sim::ReadoutMemory& m) { m.SetClockOffsetSeconds(-7200); });
        QVERIFY(p.Open());
        p.Control<QCheckBox>("useComputerTime")->click();
        QTest::qWait(1200);  // a refresh puts the computer's time into the pickers
        p.sim.line.ClearWritten();
        p.Update();
        QCOMPARE(p.Boxes(1), QStringList{kWarning + kUpdated});
        QCOMPARE(p.writesEnded, 1);
        const QString written = QString::fromLatin1(p.sim.line.Written());
        QVERIFY(written.contains(QStringLiteral("WT ")));
        QVERIFY(!written.contains(QStringLiteral("WE ")));
        // Set to the computer's time of the last refresh: no longer two hours slow.
        const auto offset = p.Memory([](auto& m) { return m.ClockOffsetSeconds(); });
        QVERIFY2(offset <= 0 && offset > -1000, QByteArray::number(qint64(offset)));
    }

    void digitsAreChecked_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("digits");  // the readout's digits afterwards
        for (const test::SettingRefusal& c : test::kSettingRefusals) {
            if (c.field == test::SettingField::DisplayDigits) {
                QTest::newRow(c.name)
                    << QString::fromLatin1(c.typed)
                    << QStringLiteral("stop: ") + QString::fromLatin1(c.refusal) << 3;
            }
        }
        QTest::newRow("0") << QStringLiteral("0") << kWarning + kUpdated << 0;
        QTest::newRow("8") << QStringLiteral("8") << kWarning + kUpdated << 8;
        // Refused as no integer; the previous value goes on, so nothing differs.
        QTest::newRow("not a number")
            << QStringLiteral("x") << QStringLiteral("warning: Please enter an integer.") << 3;
    }
    void digitsAreChecked() {
        QFETCH(QString, typed);
        QFETCH(QString, box);
        QFETCH(int, digits);
        PageOnSimulator p;
        QVERIFY(p.Open());
        auto* field = p.Control<QLineEdit>("digitsEdit");
        QCOMPARE(field->text(), QStringLiteral("3"));
        field->setText(typed);
        p.Update();
        QCOMPARE(p.Boxes(1), QStringList{box});
        const bool written = box == kWarning + kUpdated;
        QCOMPARE(p.writesEnded, written ? 1 : 0);
        if (!written) {
            QCOMPARE(p.window.focusWidget(), field);
        }
        QCOMPARE(int(p.sim.link.Settings().displayDigits), digits);
        QCOMPARE(p.Memory([](auto& m) { return m.DisplayDigits(); }), digits);
    }

    // Only an entry of the list is a choice; typed text that is none of them writes nothing.
    void comboChoices_data() {
        QTest::addColumn<QString>("combo");
        QTest::addColumn<int>("select");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("written");  // -1: nothing submitted
        const QString units = QStringLiteral("unitsCombo");
        const QString power = QStringLiteral("powerDownCombo");
        QTest::newRow("units entry") << units << 3 << QString() << 3;
        QTest::newRow("units typed") << units << 3 << QStringLiteral("Bar") << -1;
        QTest::newRow("units typed in other case") << units << 3 << QStringLiteral("kpa") << -1;
        QTest::newRow("units entry typed exactly") << units << 0 << QStringLiteral("kPa") << 2;
        QTest::newRow("power down entry") << power << 4 << QString() << 4;
        QTest::newRow("power down typed") << power << 4 << QStringLiteral("90 Minutes") << -1;
    }
    void comboChoices() {
        QFETCH(QString, combo);
        QFETCH(int, select);
        QFETCH(QString, typed);
        QFETCH(int, written);
        PageOnSimulator p;
        QVERIFY(p.Open());
        auto* box = p.Control<QComboBox>(combo);
        box->setCurrentIndex(select);
        if (!typed.isNull()) {
            box->setEditText(typed);
        }
        p.Update();
        const bool units = combo == QStringLiteral("unitsCombo");
        const QStringList boxes = p.Boxes(written < 0 ? 0 : 1);
        const int stored =
            p.Memory([&](auto& m) { return units ? m.DisplayUnits() : m.PowerDown(); });
        if (written < 0) {
            QCOMPARE(boxes, QStringList());
            QCOMPARE(stored, 1);
            return;
        }
        QCOMPARE(boxes, QStringList{kWarning + kUpdated});
        QCOMPARE(stored, written);
        const ReadoutSettings link = p.sim.link.Settings();
        QCOMPARE(int(units ? link.displayUnits : link.powerDown), written);
        QCOMPARE(box->currentIndex(), written);
    }

    // The last second of 2037 leaves the readout a year of clock this program can read; the next
    // one is refused, chosen in the pickers or taken from the computer's clock.
    void clockPast2037IsRefused_data() {
        QTest::addColumn<bool>("computerTime");
        QTest::addColumn<qint64>("clock");  // chosen, or the computer's clock
        QTest::addColumn<QString>("box");
        const qint64 lastSecond = Utc(2037, 12, 31, 23, 59) + 59;
        const QString refused = QStringLiteral(
            "stop: The readout's clock can be set only up to the end of 2037: "
            "this program cannot read it after 2038.");
        QTest::newRow("pickers, last second") << false << lastSecond << kWarning + kUpdated;
        QTest::newRow("pickers, next second") << false << lastSecond + 1 << refused;
        QTest::newRow("pickers, last readable second")
            << false << Utc(2038, 12, 31, 23, 59) + 59 << refused;
        QTest::newRow("computer time, last second") << true << lastSecond << kWarning + kUpdated;
        QTest::newRow("computer time, next second") << true << lastSecond + 1 << refused;
    }
    void clockPast2037IsRefused() {
        QFETCH(bool, computerTime);
        QFETCH(qint64, clock);
        QFETCH(QString, box);
        sim::testing::TimeZoneGuard zone{"UTC"};
        PageOnSimulator p;
        if (computerTime) {
            p.calendarNow = [clock] { return clock; };
        }
        QVERIFY(p.Open());
        const std::int64_t before = p.sim.link.Settings().readoutClock;
        auto* date = p.Control<QDateTimeEdit>("datePicker");
        if (computerTime) {
            p.Control<QCheckBox>("useComputerTime")->click();
            QTest::qWait(1200);  // a refresh puts the computer's time into the pickers
        } else {
            const QDateTime chosen = QDateTime::fromSecsSinceEpoch(clock, Qt::UTC);
            date->setDate(chosen.date());
            p.Control<QDateTimeEdit>("timePicker")->setTime(chosen.time());
        }
        p.sim.line.ClearWritten();
        p.Update();
        QCOMPARE(p.Boxes(1), QStringList{box});
        const QString written = QString::fromLatin1(p.sim.line.Written());
        if (box == kWarning + kUpdated) {
            QCOMPARE(p.sim.link.Settings().readoutClock, clock);
            QVERIFY2(written.contains(QStringLiteral("WT 2037/12/31 23:59:59")),
                     qPrintable(written));
        } else {
            QVERIFY2(!written.contains(QStringLiteral("WT ")), qPrintable(written));
            QCOMPARE(p.sim.link.Settings().readoutClock, before);
            QCOMPARE(p.writesEnded, 0);
            QCOMPARE(p.window.focusWidget(), date);
        }
    }

    void failedWriteKeepsTheUsersClock() {
        PageOnSimulator p;
        QVERIFY(p.Open());
        p.sim.line.WithEngine([](sim::ReadoutEngine& e) { e.Faults().rejectAll = true; });
        const QTime chosen(3, 4, 5);
        auto* time = p.Control<QDateTimeEdit>("timePicker");
        time->setTime(chosen);
        p.Update();
        // The wait lets the refreshes run too.
        QCOMPARE(p.Boxes(1), QStringList{QStringLiteral("warning: Error writing date time.")});
        QCOMPARE(p.writesEnded, 1);
        QTest::qWait(500);
        QVERIFY(p.page->ClockEdited());
        QCOMPARE(time->time(), chosen);
    }

    // A time the clocks skip is written only once the user has been told what it becomes.
    void skippedHourIsAskedFirst_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void skippedHourIsAskedFirst() {
        QFETCH(bool, yes);
        sim::testing::TimeZoneGuard zone{sim::testing::kZoneWithDaylightSaving};
        PageOnSimulator p;
        QVERIFY(p.Open());
        const std::int64_t before = p.sim.link.Settings().readoutClock;
        p.Control<QDateTimeEdit>("datePicker")->setDate(QDate(2026, 3, 29));
        p.Control<QDateTimeEdit>("timePicker")->setTime(QTime(2, 30));
        p.boxes.press = yes ? QMessageBox::Yes : QMessageBox::No;
        p.Update();
        const QStringList boxes = p.Boxes(yes ? 2 : 1);
        QCOMPARE(boxes.size(), yes ? 2 : 1);
        QVERIFY2(boxes[0].startsWith(kWarning) &&
                     boxes[0].contains(QStringLiteral("2026/03/29 03:30:00")),
                 qPrintable(boxes[0]));
        if (yes) {
            QCOMPARE(boxes[1], kWarning + kUpdated);
        }
        QCOMPARE(p.sim.link.Settings().readoutClock, yes ? Utc(2026, 3, 29, 1, 30) : before);
    }

    void editingAPickerFreezesThePickers() {
        PageOnSimulator p;
        QVERIFY(p.Open());
        auto* useComputer = p.Control<QCheckBox>("useComputerTime");
        auto* time = p.Control<QDateTimeEdit>("timePicker");
        QVERIFY(!useComputer->isChecked());
        useComputer->click();
        // The refreshes move the pickers without counting as the user's change.
        const QTime before = time->time();
        QTRY_VERIFY_WITH_TIMEOUT(time->time() != before, 5000);
        QVERIFY(useComputer->isChecked());
        QVERIFY(!p.page->ClockEdited());

        const QTime chosen(3, 4, 5);
        time->setTime(chosen);
        QVERIFY(!useComputer->isChecked());
        QVERIFY(p.page->ClockEdited());
        QTest::qWait(1200);
        QCOMPARE(time->time(), chosen);

        useComputer->click();
        QVERIFY(!p.page->ClockEdited());
        QTRY_VERIFY_WITH_TIMEOUT(time->time() != chosen, 5000);
    }

    // A click selects a whole field of a picker; the digits typed then replace it.
    void pickerFieldsAreWhole_data() {
        QTest::addColumn<QString>("picker");
        QTest::addColumn<QString>("field");  // the field's text, where the click goes
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("value");  // the picker's afterwards
        QTest::newRow("day 15") << "datePicker"
                                << "8"
                                << "15"
                                << "2026-12-15";
        QTest::newRow("year 2031") << "datePicker"
                                   << "2026"
                                   << "2031"
                                   << "2031-12-08";
        QTest::newRow("minute 42") << "timePicker"
                                   << "20"
                                   << "42"
                                   << "10:42:30";
        QTest::newRow("hour 25 starts over at 5") << "timePicker"
                                                  << "10"
                                                  << "25"
                                                  << "05:20:30";
    }
    void pickerFieldsAreWhole() {
        QFETCH(QString, picker);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        PageOnSimulator p;
        QVERIFY(p.Open());
        QVERIFY(SetPickers(p));
        auto* edit = p.Control<QDateTimeEdit>(picker);
        auto* line = edit->findChild<QLineEdit*>();
        const auto at = static_cast<int>(line->text().indexOf(field));
        QTest::mouseClick(line, Qt::LeftButton, {}, OverCharacter(*line, at));
        QCOMPARE(line->selectedText(), field);
        QTest::keyClicks(QApplication::focusWidget(), typed);
        QTEST(picker == QStringLiteral("datePicker") ? edit->date().toString(Qt::ISODate)
                                                     : edit->time().toString(Qt::ISODate),
              "value");
    }

    // Tab leaves a picker for the next control; Left and Right step through its fields.
    void pickerKeys_data() {
        QTest::addColumn<QString>("picker");  // entered by Tab
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("selected");  // in the picker that has the focus
        using K = QList<int>;
        QTest::newRow("Tab") << "datePicker" << K{Qt::Key_Tab} << "timePicker"
                             << "10";
        QTest::newRow("Backtab") << "timePicker" << K{Qt::Key_Backtab} << "datePicker"
                                 << "2026";
        QTest::newRow("Right, Up") << "timePicker" << K{Qt::Key_Right, Qt::Key_Up} << "timePicker"
                                   << "21";
    }
    void pickerKeys() {
        QFETCH(QString, picker);
        QFETCH(QList<int>, keys);
        QFETCH(QString, focus);
        PageOnSimulator p;
        QVERIFY(p.Open());
        QVERIFY(SetPickers(p));
        p.Control<QDateTimeEdit>(picker)->setFocus(Qt::TabFocusReason);
        for (const int key : keys) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        }
        auto* now = qobject_cast<QDateTimeEdit*>(QApplication::focusWidget());
        QVERIFY(now != nullptr);
        QCOMPARE(now->objectName(), focus);
        QTEST(now->findChild<QLineEdit*>()->selectedText(), "selected");
    }

    void controlsInTabOrder() {
        PageOnSimulator p;
        QVERIFY(p.Open());
        const QStringList expected =
            QStringLiteral(
                "datePicker timePicker useComputerTime unitsCombo digitsEdit "
                "powerDownCombo advancedButton updateButton contrastCombo "
                "displayOnTimeEdit backlightTimeEdit sleepTimeEdit batteryLifeEdit")
                .split(QLatin1Char(' '));
        QStringList order;
        QWidget* w = p.Control<QWidget>("datePicker");
        for (int step = 0; step < 200 && order.size() < expected.size(); ++step) {
            if (expected.contains(w->objectName()) && !order.contains(w->objectName())) {
                order << w->objectName();
            }
            w = w->nextInFocusChain();
        }
        QCOMPARE(order, expected);
        QVERIFY(!p.Control<QComboBox>("contrastCombo")->isEnabled());
        // What the readout reports does not look like something to type into.
        for (const char* name : {"sleepTimeEdit", "digitsEdit"}) {
            const QPalette colours = p.Control<QLineEdit>(name)->palette();
            QCOMPARE(colours.color(QPalette::Base) == colours.color(QPalette::Window),
                     p.Control<QLineEdit>(name)->isReadOnly());
        }
    }

    // The Initialize Readout dialog's writes reach the sheet through the page.
    void dialogWritesAreThePages() {
        PageOnSimulator p;
        QVERIFY(p.Open());
        Q_EMIT p.page->InitializeDialog().readoutWritten();
        QCOMPARE(p.writesEnded, 1);
    }

    void advancedNeedsThePassword_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("opens");
        QTest::newRow("wrong") << QStringLiteral("kwpmoraglend") << false << false;
        QTest::newRow("closed") << QStringLiteral("KWPmoraglend") << true << false;
        QTest::newRow("right") << QStringLiteral("KWPmoraglend") << false << true;
    }
    void advancedNeedsThePassword() {
        QFETCH(QString, typed);
        QFETCH(bool, cancel);
        QFETCH(bool, opens);
        PageOnSimulator p;
        QVERIFY(p.Open());
        const auto opened = std::make_shared<QString>();
        OnModal(
            &p.window, [](QWidget* w) { return qobject_cast<CPasswordDlg*>(w) != nullptr; },
            [=](QWidget* w) {
                auto* dialog = static_cast<CPasswordDlg*>(w);
                dialog->findChild<QLineEdit*>()->setText(typed);
                if (cancel) {
                    dialog->reject();
                } else {
                    dialog->findChild<QPushButton*>()->click();
                }
            });
        OnModal(
            &p.window,
            [](QWidget* w) { return w->windowTitle() == QStringLiteral("Initialize Readout"); },
            [=](QWidget* w) {
                *opened = w->windowTitle();
                w->close();
            });
        p.Control<QPushButton>("advancedButton")->click();  // returns when the modal runs end
        QCOMPARE(!opened->isEmpty(), opens);
        QCOMPARE(p.boxes.seen,
                 opens ? QStringList() : QStringList{QStringLiteral("warning: ") + kDenied});
    }
};

QTEST_MAIN(SetupPageTest)
#include "SetupPageTest.moc"
