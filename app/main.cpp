// q417host: the window of Q417 Host.

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CQ417HostApp.h"
#include "HostSettings.h"
#include "PlotExportCommand.h"
#include "Q417Version.h"
#include "StopSignalWatch.h"

namespace {

// An export draws without a window, so it needs no display: the offscreen platform unless the
// caller chose one. Decided before the application object, which loads the platform.
void ExportNeedsNoDisplay(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            return;
        }
        if (std::strncmp(argv[i], "--export-plot", 13) == 0 &&
            std::getenv("QT_QPA_PLATFORM") == nullptr) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            return;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    ExportNeedsNoDisplay(argc, argv);
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(q417::kSettingsOrganization));
    QApplication::setApplicationName(QString::fromLatin1(q417::kSettingsApplication));
    QApplication::setApplicationVersion(QString::fromLatin1(q417::kVersion));
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
    const QCommandLineOption exportPlot(
        QStringLiteral("export-plot"),
        QStringLiteral("Write the plot of the readings of the --site sites in the history beside "
                       "FILE.ini to OUT (.png, .svg or .pdf, 1200 x 800) and end, without a "
                       "window."),
        QStringLiteral("OUT"));
    const QCommandLineOption site(
        QStringLiteral("site"),
        QStringLiteral("With --export-plot: a site's location, as the list shows it; repeat for "
                       "more sites."),
        QStringLiteral("LOCATION"));
    const QCommandLineOption unit(
        QStringLiteral("unit"),
        QStringLiteral("With --export-plot: the unit of the values (PSI, kPa, In H2O, Ft H2O, "
                       "mm H2O, M H2O, Volts; any letter case). Default: the file's."),
        QStringLiteral("NAME"));
    parser.addOption(device);
    parser.addOption(simulate);
    parser.addOption(trace);
    parser.addOption(exportPlot);
    parser.addOption(site);
    parser.addOption(unit);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A site file (.ini) to open."),
                                 QStringLiteral("[file]"));
    parser.process(application);

    if (parser.isSet(exportPlot)) {
        const QStringList files = parser.positionalArguments();
        if (files.size() != 1) {
            std::fprintf(stderr, "q417host: --export-plot needs one site file\n");
            return 2;
        }
        q417::PlotExportCommand::Options plot;
        plot.output = QFile::encodeName(parser.value(exportPlot)).toStdString();
        plot.siteFile = QFile::encodeName(files.first()).toStdString();
        // Locations are Latin-1 bytes in the site file; what the terminal typed, decoded from
        // its encoding, is matched as such.
        for (const QString& location : parser.values(site)) {
            plot.sites.push_back(location.toLatin1().toStdString());
        }
        if (parser.isSet(unit)) {
            plot.unit = parser.value(unit).toStdString();
        }
        std::string error;
        const int status = q417::PlotExportCommand::Run(plot, error);
        if (status != 0) {
            std::fprintf(stderr, "q417host: %s\n", error.c_str());
        }
        return status;
    }
    if (parser.isSet(site) || parser.isSet(unit)) {
        std::fprintf(stderr, "q417host: --site and --unit go with --export-plot\n");
        return 2;
    }

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
