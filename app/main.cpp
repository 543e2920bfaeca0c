// q417host: the window of Q417 Host.

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <cstdio>

#include "CQ417HostApp.h"
#include "HostSettings.h"
#include "StopSignalWatch.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(q417::kSettingsOrganization));
    QApplication::setApplicationName(QString::fromLatin1(q417::kSettingsApplication));
    QApplication::setApplicationVersion(QString::fromLatin1(q417::kHostVersion));
    QApplication::setDesktopFileName(QStringLiteral("q417host"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The PC companion of the Q417 pressure readout: download, edit, save and upload its "
        "site list."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption device(
        QStringLiteral("device"),
        QStringLiteral("Use PATH as the device of the configured port for this run."),
        QStringLiteral("PATH"));
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Serve a simulated readout inside the program and connect to it."));
    const QCommandLineOption trace(
        QStringLiteral("trace"),
        QStringLiteral("Write every exchange with the readout to FILE, for support."),
        QStringLiteral("FILE"));
    parser.addOption(device);
    parser.addOption(simulate);
    parser.addOption(trace);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A site file (.ini) to open."),
                                 QStringLiteral("[file]"));
    parser.process(application);

    q417::HostOptions options;
    options.simulate = parser.isSet(simulate);
    if (parser.isSet(device)) {
        options.device = QFile::encodeName(parser.value(device)).toStdString();
    }
    if (parser.isSet(trace)) {
        options.trace = QFile::encodeName(parser.value(trace)).toStdString();
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "q417host: one file at most\n");
        return 2;
    }
    if (!files.isEmpty()) {
        options.file = QFile::encodeName(files.first()).toStdString();
    }

    // Made before the window and gone after it: from the start a stop signal closes the window as
    // the user would, and one that comes while the link is being stopped at the end waits.
    q417::StopSignalWatch stopSignals;
    q417::CQ417HostApp host;
    QObject::connect(&stopSignals, &q417::StopSignalWatch::stopRequested, &host,
                     &q417::CQ417HostApp::OnStopSignal);
    std::string error;
    if (!host.Start(options, error)) {
        std::fprintf(stderr, "q417host: %s\n", error.c_str());
        return 1;
    }
    return QApplication::exec();
}
