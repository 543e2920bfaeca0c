// The hyperlink control, the way it opens its target, and the About box that carries it.

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "AppResources.h"
#include "BoxRecorder.h"
#include "CAboutDlg.h"
#include "CHyperLink.h"
#include "LinkLaunch.h"

using namespace q417;
using test::BoxRecorder;

namespace {

const QString kTarget = QStringLiteral("https://www.orvane.example/q417");
constexpr std::uint32_t kDefaultFlags = 0x15;

// The program and its arguments, then the target when anything is started.
QStringList Started(std::initializer_list<const char*> program) {
    QStringList started;
    for (const char* arg : program) {
        started << QString::fromLatin1(arg);
    }
    return program.size() == 0 ? started : started << kTarget;
}

}  // namespace

class HyperLinkTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() { InitAppResources(); }

    void fallbackCommandLines_data() {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("arguments");
        const QString t = kTarget;
        auto row = [&](const char* name, const char* exec, const char* line,
                       std::initializer_list<const char*> program) {
            QTest::newRow(name) << QString::fromLatin1(exec) << 0 << QString::fromLatin1(line) + t
                                << Started(program);
        };
        row("quoted %1", "/usr/bin/browser \"%1\"", "/usr/bin/browser  ", {"/usr/bin/browser"});
        row("quoted %U, options after", "b --new \"%U\" --private", "b --new  ", {"b", "--new"});
        row("unquoted %u", "firefox-esr %u", "firefox-esr  ", {"firefox-esr"});
        row("unquoted %f, rest dropped", "viewer --file %f --x", "viewer --file  ",
            {"viewer", "--file"});
        row("%F", "b %F", "b  ", {"b"});
        row("no placeholder", "browser --private", "browser --private ", {"browser", "--private"});
        row("quoted wins over earlier", "b %u \"%U\"", "b   ", {"b"});
        row("other codes before the cut", "b %i --class=%c %u", "b  --class=  ", {"b", "--class="});
        row("escaped percent", "b --zoom=100%% %u", "b --zoom=100%  ", {"b", "--zoom=100%"});
        row("%%u is no placeholder", "b --x=%%u", "b --x=%u ", {"b", "--x=%u"});
        row("quoted program", "\"/opt/My B/b\" \"%u\"", "\"/opt/My B/b\"  ", {"/opt/My B/b"});
        row("bad code after the cut", "b %u %z", "b  ", {"b"});
        for (const char* bad : {"", "%u", "b %z %u", "\"/opt/b %u"}) {
            QTest::addRow("refused: %s", bad)
                << QString::fromLatin1(bad) << 27 << QString() << QStringList();
        }
        // 520 characters fit; one more is refused rather than cut.
        const int fill = kMaxCommandLine - 3 - int(t.size());
        const QString fits = QStringLiteral("b ") + QString(fill, QLatin1Char('x'));
        QTest::newRow("520 fit") << fits << 0 << fits + QLatin1Char(' ') + t
                                 << QStringList{QStringLiteral("b"),
                                                QString(fill, QLatin1Char('x')), t};
        QTest::newRow("521 refused") << fits + QLatin1Char('x') << 27 << QString() << QStringList();
    }
    void fallbackCommandLines() {
        QFETCH(QString, exec);
        QFETCH(int, error);
        QFETCH(QString, line);
        QFETCH(QStringList, arguments);
        const FallbackCommand command = FallbackCommandLine(exec, kTarget);
        QCOMPARE(command.error, error);
        if (error == 0) {
            QCOMPARE(command.commandLine, line);
        }
        QCOMPARE(command.arguments, arguments);
    }

    void errorTexts_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        const std::pair<int, const char*> table[] = {
            {0, "The operating system is out\nof memory or resources."},
            {2, "The specified file was not found."},
            {3, "The specified path was not found."},
            {5, "The operating system denied\naccess to the specified file."},
            {8, "There was not enough memory to complete the operation."},
            {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
            {26, "A sharing violation occurred. "},
            {27, "The filename association is\nincomplete or invalid."},
            {28, "The DDE transaction could not\nbe completed because the request timed out."},
            {29, "The DDE transaction failed."},
            {30,
             "The DDE transaction could not\nbe completed because other DDE "
             "transactions\nwere being processed."},
            {31, "There is no application associated\nwith the given filename extension."},
            {32, "The specified dynamic-link library was not found."},
            {7, "Unknown Error (7) occurred."},
            {-1, "Unknown Error (-1) occurred."},
        };
        for (const auto& [code, text] : table) {
            QTest::addRow("%d", code) << code << QString::fromLatin1(text);
        }
    }
    // Through the control: a beep, then the box with the exclamation icon; not visited.
    void errorTexts() {
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(LinkErrorText(code), text);
        CHyperLink link;
        link.setText(kTarget);
        link.Attach();
        link.SetLauncher([code](const QString&) { return code; });
        BoxRecorder boxes;
        link.OpenLink();  // returns when the box has been answered
        QCOMPARE(boxes.seen, QStringList{QStringLiteral("warning: Can't open link:\n\n") + text});
        QCOMPARE(link.visited, 0);
    }

    void attachFitsAndPointsToTheTarget() {
        CHyperLink link;
        QCOMPARE(link.styleFlags, kDefaultFlags);
        link.setText(kTarget);
        link.Attach();
        QCOMPARE(link.target, kTarget);
        QCOMPARE(link.toolTip(), kTarget);
        QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(link.font().underline());
        const int m = 2 * link.margin();
        QCOMPARE(link.size(), QFontMetrics(link.linkFont).size(0, kTarget) + QSize(m, m));

        CHyperLink plain;
        plain.target = kTarget;
        plain.ChangeStyle(CHyperLink::LinkUnderline, CHyperLink::LinkNoHandCursor, false);
        plain.Attach();
        QCOMPARE(plain.text(), kTarget);
        QVERIFY(!plain.testAttribute(Qt::WA_SetCursor));
        QVERIFY(!plain.font().underline());
    }

    void changeStyleRefusesASharedBit() {
        CHyperLink link;
        link.setText(kTarget);
        link.Attach();
        QVERIFY(!link.ChangeStyle(CHyperLink::LinkUnderline,
                                  CHyperLink::LinkUnderline | CHyperLink::LinkHoverColour, true));
        QCOMPARE(link.styleFlags, kDefaultFlags);
        QVERIFY(link.font().underline());
        QVERIFY(link.ChangeStyle(CHyperLink::LinkUnderline, CHyperLink::LinkHoverColour, true));
        QCOMPARE(link.styleFlags, std::uint32_t(0x16));
        QVERIFY(!link.font().underline());
    }

    void colourOrder_data() {
        QTest::addColumn<int>("hovering");
        QTest::addColumn<int>("active");
        QTest::addColumn<int>("visited");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<QRgb>("colour");
        QTest::newRow("link") << 0 << 0 << 0 << 0x15u << CHyperLink::kLinkColour;
        QTest::newRow("visited") << 0 << 0 << 1 << 0x15u << CHyperLink::kVisitedColour;
        QTest::newRow("active over visited") << 0 << 1 << 1 << 0x15u << CHyperLink::kActiveColour;
        QTest::newRow("no active colour") << 0 << 1 << 1 << 0x55u << CHyperLink::kVisitedColour;
        QTest::newRow("hover without its flag")
            << 1 << 1 << 0 << 0x15u << CHyperLink::kActiveColour;
        QTest::newRow("hover") << 1 << 1 << 1 << 0x17u << CHyperLink::kHoverColour;
        QTest::newRow("hover flag, mouse away") << 0 << 0 << 0 << 0x17u << CHyperLink::kLinkColour;
    }
    void colourOrder() {
        QFETCH(int, hovering);
        QFETCH(int, active);
        QFETCH(int, visited);
        QFETCH(uint, flags);
        QFETCH(QRgb, colour);
        CHyperLink link;
        link.hovering = hovering;
        link.active = active;
        link.visited = visited;
        link.styleFlags = flags;
        QCOMPARE(link.PickColour().rgb(), colour);
    }

    void inputOpens_data() {
        QTest::addColumn<uint>("flags");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("opened");
        QTest::addColumn<bool>("focused");
        QTest::addColumn<QRgb>("colourAfterFocusGoes");
        const QRgb link = CHyperLink::kLinkColour;
        const QRgb visited = CHyperLink::kVisitedColour;
        auto row = [](const char* name, uint flags, const char* action, int opened, bool focused,
                      QRgb colour) {
            QTest::newRow(name) << flags << QString::fromLatin1(action) << opened << focused
                                << colour;
        };
        row("click", 0x15, "click", 1, true, visited);
        row("press alone", 0x15, "press", 0, true, link);
        row("follow on press", 0x1d, "press", 1, true, visited);
        row("follow on press, click", 0x1d, "click", 1, true, visited);
        // Never focused, so the press leaves it active.
        row("no focus on click", 0x05, "click", 1, false, CHyperLink::kActiveColour);
        row("space", 0x15, "space", 1, false, visited);
        row("other key", 0x15, "a", 0, false, link);
    }
    void inputOpens() {
        QFETCH(uint, flags);
        QFETCH(QString, action);
        QFETCH(int, opened);
        QFETCH(bool, focused);
        QFETCH(QRgb, colourAfterFocusGoes);
        QWidget window;
        QLineEdit other(&window);
        auto* link = new CHyperLink(&window);
        link->setText(kTarget);
        link->styleFlags = flags;
        link->Attach();
        QStringList targets;
        link->SetLauncher([&](const QString& t) {
            targets << t;
            return kLaunchSucceeded;
        });
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        other.setFocus();
        if (action == QStringLiteral("click")) {
            QTest::mouseClick(link, Qt::LeftButton);
        } else if (action == QStringLiteral("press")) {
            QTest::mousePress(link, Qt::LeftButton);
        } else {
            QTest::keyClick(link, action == QStringLiteral("space") ? Qt::Key_Space : Qt::Key_A);
        }
        QCOMPARE(link->visited, opened);
        QCOMPARE(link->hasFocus(), focused);
        QCOMPARE(targets, QStringList(opened, kTarget));
        other.setFocus();
        QCOMPARE(link->PickColour().rgb(), colourAfterFocusGoes);
    }

    void fallbackAfterAFailingOpener_data() {
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("httpsHandler");
        QTest::addColumn<QString>("htmlHandler");
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<int>("startResult");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("started");
        auto row = [](const char* name, bool opens, const char* https, const char* html,
                      const QByteArray& entry, int startResult, int result,
                      std::initializer_list<const char*> program) {
            QTest::newRow(name) << opens << QString::fromLatin1(https) << QString::fromLatin1(html)
                                << entry << startResult << result << Started(program);
        };
        const QByteArray quoted = "[Desktop Entry]\nName=B\nExec=/opt/b/b --new \"%U\"\n";
        row("opener succeeds", true, "b.desktop", "", quoted, 33, 33, {});
        row("scheme handler", false, "b.desktop", "", quoted, 33, 33, {"/opt/b/b", "--new"});
        row("html handler, entry group only", false, "", "w.desktop",
            "[Desktop Action x]\nExec=other\n[Desktop Entry]\nExec = w\\s-n %u\n", 33, 33,
            {"w", "-n"});
        row("no handler", false, "", "", quoted, 33, 31, {});
        row("entry missing", false, "b.desktop", "", {}, 33, 2, {});
        row("no Exec in the entry group", false, "b.desktop", "",
            "[Desktop Entry]\n[X]\nExec=b %u\n", 33, 27, {});
        row("too long", false, "b.desktop", "", "[Desktop Entry]\nExec=b " + QByteArray(600, 'x'),
            33, 27, {});
        row("access denied", false, "b.desktop", "", quoted, 5, 5, {"/opt/b/b", "--new"});
    }
    void fallbackAfterAFailingOpener() {
        QFETCH(bool, opens);
        QFETCH(QString, httpsHandler);
        QFETCH(QString, htmlHandler);
        QFETCH(QByteArray, entry);
        QFETCH(int, startResult);
        QFETCH(int, result);
        QFETCH(QStringList, started);
        QStringList launched;
        QString readName;
        const LaunchOps ops{[&](const QUrl& url) { return opens && url == QUrl(kTarget); },
                            [&](const QString& mime) {
                                return mime == QStringLiteral("text/html") ? htmlHandler
                                                                           : httpsHandler;
                            },
                            [&](const QString& name) -> std::optional<QByteArray> {
                                readName = name;
                                return entry.isEmpty() ? std::nullopt : std::optional(entry);
                            },
                            [&](const QString& program, const QStringList& args) {
                                launched = QStringList{program} + args;
                                return startResult;
                            }};
        QCOMPARE(LaunchTarget(kTarget, ops), result);
        QCOMPARE(launched, started);
        QCOMPARE(readName, opens ? QString() : httpsHandler + htmlHandler);
    }

    void programsThatCannotRun() {
        QTemporaryDir dir;
        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QCOMPARE(StartProgram(dir.filePath(QStringLiteral("missing")), {}), kErrorFileNotFound);
        QCOMPARE(StartProgram(QStringLiteral("no-such-program-q417"), {}), kErrorFileNotFound);
        QCOMPARE(StartProgram(plain.fileName(), {}), kErrorAccessDenied);
        QCOMPARE(StartProgram(dir.path(), {}), kErrorAccessDenied);
    }

    void aboutBox() {
        CAboutDlg dialog;
        auto text = [&](const char* name) {
            return dialog.findChild<QLabel*>(QString::fromLatin1(name))->text();
        };
        QCOMPARE(dialog.windowTitle(), QStringLiteral("About Q417 Host"));
        QCOMPARE(text("versionLabel"), QStringLiteral("Q417 Host Version 1.20"));
        QCOMPARE(text("copyrightLabel"), QStringLiteral("Copyright (C) 2026 ORVANE Vudovorevod"));
        QVERIFY(text("noticeLabel").contains(QStringLiteral("without warranty")));
        QVERIFY(!dialog.findChild<QLabel*>(QStringLiteral("iconLabel"))->pixmap().isNull());
        QVERIFY(!dialog.findChild<QLabel*>(QStringLiteral("gaugeLabel"))->pixmap().isNull());
        CHyperLink& link = dialog.Link();
        QCOMPARE(link.objectName(), QStringLiteral("linkLabel"));
        QCOMPARE(link.target, kTarget);
        QCOMPARE(link.styleFlags, kDefaultFlags | CHyperLink::LinkHoverColour);
        auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("okButton"));
        QVERIFY(ok->isDefault());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ok));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        ok->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(HyperLinkTest)
#include "HyperLinkTest.moc"
