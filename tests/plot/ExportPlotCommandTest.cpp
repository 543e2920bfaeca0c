// q417host --export-plot: a picture from the history beside a site file, without a window, and
// exit 1 with a message when it cannot be made.

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include "ChildProcess.h"

namespace {

void WriteFile(const QString& path, const char* bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

class ExportPlotCommandTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // No display at all: the export finds its platform itself.
    void initTestCase() {
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
            qunsetenv(name);
        }
    }

    void exitCodes_data() {
        QTest::addColumn<QStringList>("args");  // before the site file; OUT names the picture
        QTest::addColumn<bool>("withHistory");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::addRow("two sites") << QStringList{QStringLiteral("--site"), QStringLiteral("MW-01"),
                                                  QStringLiteral("--site"), QStringLiteral("MW-02")}
                                   << true << 0 << QString();
        QTest::addRow("unit in any case")
            << QStringList{QStringLiteral("--site"), QStringLiteral("MW-02"),
                           QStringLiteral("--unit"), QStringLiteral("KPA")}
            << true << 0 << QString();
        QTest::addRow("unknown site")
            << QStringList{QStringLiteral("--site"), QStringLiteral("MW-01"),
                           QStringLiteral("--site"), QStringLiteral("MW-09")}
            << true << 1 << QStringLiteral("no readings of MW-09 in the history file");
        QTest::addRow("no history")
            << QStringList{QStringLiteral("--site"), QStringLiteral("MW-01")} << false << 1
            << QStringLiteral("there is no history file");
        QTest::addRow("unknown unit")
            << QStringList{QStringLiteral("--site"), QStringLiteral("MW-01"),
                           QStringLiteral("--unit"), QStringLiteral("bar")}
            << true << 1 << QStringLiteral("unknown unit");
        QTest::addRow("output cannot be written")
            << QStringList{QStringLiteral("--site"), QStringLiteral("MW-01"),
                           QStringLiteral("--export-plot"), QStringLiteral("/nonexistent/p.png")}
            << true << 1 << QStringLiteral("the picture was not written");
    }
    void exitCodes() {
        QFETCH(QStringList, args);
        QFETCH(bool, withHistory);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("route.ini"));
        WriteFile(ini, "1,MW-01,12/02/26 08:00,3.75,PSI,Q1\r\n2,MW-02,12/02/26 09:00,6.25,PSI,Q1");
        if (withHistory) {
            WriteFile(dir.filePath(QStringLiteral("route.csv")),
                      "1,MW-01,12/01/26 08:00,3.5,PSI,Q1\r\n1,MW-01,12/02/26 08:00,3.75,PSI,Q1\r\n"
                      "2,MW-02,12/02/26 09:00,6.25,PSI,Q1\r\n");
        }
        const QString out = dir.filePath(QStringLiteral("plot.png"));
        std::vector<std::string> argv = {"--export-plot", out.toStdString()};
        for (const QString& arg : args) {
            argv.push_back(arg.toStdString());
        }
        argv.push_back(ini.toStdString());
        const q417::test::ProgramResult result = q417::test::RunProgram(Q417HOST_PATH, argv);
        QCOMPARE(result.exitCode, exitCode);
        if (exitCode == 0) {
            QCOMPARE(QImage(out).size(), QSize(1200, 800));
        } else {
            QVERIFY2(QString::fromStdString(result.errors).contains(said), result.errors.c_str());
            QVERIFY(!QFile::exists(out));
        }
    }
};

QTEST_MAIN(ExportPlotCommandTest)
#include "ExportPlotCommandTest.moc"
