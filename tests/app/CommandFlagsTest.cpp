#include <QTest>

#include "CommandFlags.h"

using namespace q417;

namespace {

// Flags as letters: r reconnect, s status, c calibration, u upload, a add data, e edit.
CommandFlags FromLetters(const QString& letters) {
    CommandFlags flags;
    flags.reconnect = letters.contains(u'r');
    flags.status = letters.contains(u's');
    flags.calibration = letters.contains(u'c');
    flags.upload = letters.contains(u'u');
    flags.addData = letters.contains(u'a');
    flags.edit = letters.contains(u'e');
    return flags;
}

QString Letters(const CommandFlags& flags) {
    QString letters;
    const std::pair<bool, char> each[] = {{flags.reconnect, 'r'},   {flags.status, 's'},
                                          {flags.calibration, 'c'}, {flags.upload, 'u'},
                                          {flags.addData, 'a'},     {flags.edit, 'e'}};
    for (const auto& [on, letter] : each) {
        if (on) {
            letters += QLatin1Char(letter);
        }
    }
    return letters;
}

}  // namespace

class CommandFlagsTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void after_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<LinkEventKind>("event");
        QTest::addColumn<QString>("after");
        const auto row = [](const char* name, const char* before, LinkEventKind event,
                            const char* after) {
            QTest::newRow(name) << QString::fromLatin1(before) << event
                                << QString::fromLatin1(after);
        };
        row("ready offers all five", "", link_event::ReadoutReady{}, "rscua");
        row("ready keeps the selection's", "e", link_event::ReadoutReady{}, "rscuae");
        row("download withdraws status too", "rscuae",
            link_event::TransferBegun{Transfer::Download, 200}, "re");
        row("upload keeps status", "rscua", link_event::TransferBegun{Transfer::Upload, 25}, "rs");
        row("finished download gives back", "r", link_event::DownloadComplete{}, "rscua");
        row("readout gone", "rscuae", link_event::ReadoutGone{false}, "rae");
        row("port lost", "rscuae", link_event::ReadoutGone{true}, "e");
        row("status changes nothing", "rscua",
            link_event::Status{LinkStatus::CommError, LinkDetail::TransferCommError}, "rscua");
        row("progress changes nothing", "r", link_event::Progress{Transfer::Upload, 5, 25}, "r");
        row("woken changes nothing", "", link_event::ReadoutWoken{}, "");
        row("upload ended changes nothing", "rs", link_event::UploadEnded{}, "rs");
    }
    void after() {
        QFETCH(QString, before);
        QFETCH(LinkEventKind, event);
        QFETCH(QString, after);
        QCOMPARE(Letters(FromLetters(before).After(event)), after);
    }
};

QTEST_MAIN(CommandFlagsTest)
#include "CommandFlagsTest.moc"
