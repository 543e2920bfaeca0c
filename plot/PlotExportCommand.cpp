#include "PlotExportCommand.h"

#include <QFile>
#include <cstdio>

#include "CQ417HostDoc.h"
#include "FileStore.h"
#include "PlotPreparation.h"
#include "ReadingHistory.h"
#include "SiteFile.h"

namespace q417 {

namespace {

// The unit a document opened from bytes shows its values in: the first site's, PSI when it
// names none.
PressureUnit DocumentUnitOf(const SiteFile::Contents& contents) {
    if (contents.sites.empty()) {
        return PressureUnit::Psi;
    }
    return UnitOfName(contents.sites.front().units).value_or(PressureUnit::Psi);
}

}  // namespace

int PlotExportCommand::Run(const Options& options, std::string& error) {
    const QString output = QFile::decodeName(QByteArray::fromStdString(options.output));
    if (!PlotExport::FormatOfPath(output)) {
        error = options.output + ": the picture's name must end in .png, .svg or .pdf";
        return 1;
    }
    if (options.sites.empty()) {
        error = "name at least one site with --site LOCATION";
        return 1;
    }
    std::optional<PressureUnit> unit;
    if (options.unit) {
        unit = UnitOfNameAnyCase(*options.unit);
        if (!unit) {
            error = "unknown unit \"" + *options.unit +
                    "\" (known: PSI, kPa, In H2O, Ft H2O, mm H2O, M H2O, Volts)";
            return 1;
        }
    }
    const FileStore::ReadResult file =
        FileStore::Read(options.siteFile, CQ417HostDoc::kMaxFileBytes);
    if (!file.ok) {
        error = "cannot open the site file " + file.error;
        return 1;
    }
    const SiteFile::Contents contents = SiteFile::Parse(file.bytes);
    if (!contents.sawSiteLine || contents.sites.empty()) {
        error = options.siteFile + " is not a site file";
        return 1;
    }

    PlotRequest request;
    request.historyPath = ReadingHistory::PathFor(options.siteFile);
    request.unit = unit.value_or(DocumentUnitOf(contents));
    request.match = PlotRequest::Match::Location;
    for (const std::string& location : options.sites) {
        request.sites.push_back({location, {}});
    }
    const PlotData data = PlotPreparation::Prepare(request);
    if (data.historyStatus == HistoryFileStatus::Missing) {
        error = "there is no history file " + request.historyPath +
                " (saving the site file with readings writes it)";
        return 1;
    }
    if (data.historyStatus == HistoryFileStatus::Unreadable) {
        error = "the history file " + request.historyPath + " cannot be read: " + data.historyError;
        return 1;
    }
    std::string missing;
    for (const std::string& location : options.sites) {
        if (data.sitesWithoutReadings.contains(
                QString::fromLatin1(location.data(), static_cast<qsizetype>(location.size())))) {
            missing += (missing.empty() ? "" : ", ") + location;
        }
    }
    if (!missing.empty()) {
        error = "no readings of " + missing + " in the history file " + request.historyPath;
        return 1;
    }
    if (!data.Drawable()) {
        error = data.problem.toLocal8Bit().toStdString();
        return 1;
    }
    // What the picture leaves out, said beside it.
    for (const QString& note : data.notes) {
        std::fprintf(stderr, "q417host: %s\n", note.toLocal8Bit().constData());
    }
    if (const QString failed = PlotExport::Write(output, options.size, data, {});
        !failed.isEmpty()) {
        error = "the picture was not written: " + failed.toLocal8Bit().toStdString();
        return 1;
    }
    return 0;
}

}  // namespace q417
