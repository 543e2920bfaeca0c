#include "PlotPreparation.h"

#include <QDateTime>
#include <QFile>
#include <algorithm>
#include <map>

#include "HistoryReader.h"
#include "ReadoutTime.h"

namespace q417 {

namespace {

QString Latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString PathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// The readings the next save would add, with no history file to read (an untitled list).
HistoryData UnsavedOnly(const std::string& unsavedText) {
    HistoryReader reader;
    reader.EndSource(ReadingOrigin::Unsaved);
    reader.Feed(unsavedText);
    return reader.Finish();
}

QString NameList(const QStringList& names) {
    if (names.size() <= 1) {
        return names.join(QString());
    }
    return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           names.last();
}

QString Readings(std::uint64_t count) {
    return count == 1 ? QStringLiteral("1 reading") : QStringLiteral("%1 readings").arg(count);
}

}  // namespace

std::optional<double> PlotPreparation::ChartTime(std::uint32_t readoutTime) {
    const DateFields fields = ReadoutDateFields(readoutTime);
    const QDate date(2000 + fields.year, fields.month, fields.day);
    if (!date.isValid()) {
        return std::nullopt;  // 29 February of 2100: the readout counts it, the calendar not
    }
    const QDateTime local(date, QTime(fields.hour, fields.minute, fields.second), Qt::LocalTime);
    return static_cast<double>(local.toMSecsSinceEpoch());
}

PlotData PlotPreparation::Prepare(const PlotRequest& request) {
    PlotData plot;
    plot.unit = request.unit;
    const QString historyName = PathText(request.historyPath);
    if (request.historyPath.empty() && !request.unsavedText) {
        plot.problem = QStringLiteral(
            "There is nothing to plot yet: this list has never been saved, so it has no history "
            "file, and no readings have been downloaded. Add Readout Data or open a saved site "
            "file first.");
        return plot;
    }

    HistoryFileResult file;
    QString fileNote;     // why the history did not contribute, when it did not
    QString fileProblem;  // the same when nothing at all can be drawn
    if (request.historyPath.empty()) {
        file.status = HistoryFileStatus::Missing;
        file.data = UnsavedOnly(*request.unsavedText);
        fileNote = QStringLiteral(
            "This list has not been saved yet, so it has no history file: only the readings of "
            "the last download are shown.");
        fileProblem = QStringLiteral(
            "This list has not been saved yet, so it has no history "
            "file.");
    } else {
        file = ReadHistoryFile(request.historyPath, request.unsavedText.value_or(std::string()));
        if (file.status == HistoryFileStatus::Missing) {
            fileNote = QStringLiteral(
                           "The history file %1 does not exist yet (saving the list "
                           "writes it): only the readings not saved yet are shown.")
                           .arg(historyName);
            fileProblem = QStringLiteral(
                              "The history file %1 does not exist yet: saving the "
                              "list writes it.")
                              .arg(historyName);
        } else if (file.status == HistoryFileStatus::Unreadable) {
            fileNote = QStringLiteral(
                           "The history file %1 could not be read (%2): only the "
                           "readings not saved yet are shown.")
                           .arg(historyName, Latin1(file.error));
            fileProblem = QStringLiteral("The history file %1 could not be read (%2).")
                              .arg(historyName, Latin1(file.error));
        }
    }
    const HistoryData& data = file.data;
    plot.historyStatus = file.status;
    plot.historyError = file.error;

    // The sites asked for, each history site once.
    std::vector<const HistorySite*> found;
    QStringList missing;
    for (const PlotSiteKey& key : request.sites) {
        std::vector<const HistorySite*> sites;
        if (request.match == PlotRequest::Match::Location) {
            sites = data.SitesAt(key.location);
        } else if (const HistorySite* site = data.Find(key.location, key.serialNumber)) {
            sites.push_back(site);
        }
        bool any = false;
        for (const HistorySite* site : sites) {
            if (std::find(found.begin(), found.end(), site) == found.end()) {
                found.push_back(site);
            }
            any = any || !site->readings.empty();
        }
        if (!any) {
            missing.append(Latin1(key.location));
        }
    }

    std::uint64_t unset = 0;     // dated 01/01/00 00:00: the readout's clock was never set
    std::uint64_t unplaced = 0;  // a date the calendar does not have
    std::map<std::string, int> sitesAtLocation;
    for (const HistorySite* site : found) {
        PlotSeries series;
        series.key = {site->location, site->serialNumber};
        series.points.reserve(site->readings.size());
        for (const HistoryReading& reading : site->readings) {
            if (reading.readoutTime == 0) {
                ++unset;
                continue;
            }
            const std::optional<double> x = ChartTime(reading.readoutTime);
            if (!x) {
                ++unplaced;
                continue;
            }
            const bool unsaved = reading.origin == ReadingOrigin::Unsaved;
            series.points.push_back(
                {*x, reading.ValueIn(request.unit), reading.readoutTime, unsaved});
            series.hasUnsaved = series.hasUnsaved || unsaved;
        }
        // Readings are in readout time order; a change to summer time can put local times out
        // of order by an hour, which the line must not zigzag through.
        std::stable_sort(series.points.begin(), series.points.end(),
                         [](const PlotPoint& a, const PlotPoint& b) { return a.x < b.x; });
        if (series.points.empty()) {
            continue;
        }
        ++sitesAtLocation[site->location];
        plot.series.push_back(std::move(series));
    }
    for (PlotSeries& series : plot.series) {
        series.label = Latin1(series.key.location);
        if (sitesAtLocation[series.key.location] > 1) {
            series.label +=
                QStringLiteral(" (") + Latin1(series.key.serialNumber) + QLatin1Char(')');
        }
    }

    QStringList notes;
    if (!fileNote.isEmpty()) {
        notes.append(plot.series.empty() ? fileProblem : fileNote);
    }
    plot.sitesWithoutReadings = missing;
    if (!missing.isEmpty()) {
        const QString where = request.historyPath.empty() || file.status != HistoryFileStatus::Read
                                  ? QStringLiteral("in the last download")
                                  : QStringLiteral("in the history");
        notes.append(QStringLiteral("No readings of %1 %2.").arg(NameList(missing), where));
    }
    if (unset > 0) {
        notes.append(
            QStringLiteral("%1 dated 01/01/00 00:00 (the readout's clock was not set) "
                           "%2 left out.")
                .arg(Readings(unset), unset == 1 ? QStringLiteral("is") : QStringLiteral("are")));
    }
    if (unplaced > 0) {
        notes.append(QStringLiteral("%1 with a date the calendar does not have %2 left out.")
                         .arg(Readings(unplaced),
                              unplaced == 1 ? QStringLiteral("is") : QStringLiteral("are")));
    }
    if (const std::uint64_t skipped = data.skipped.Total(); skipped > 0) {
        notes.append(skipped == 1
                         ? QStringLiteral("1 line of the history file is not a history line and "
                                          "was left out (line %1).")
                               .arg(data.skipped.firstLineNumber)
                         : QStringLiteral("%1 lines of the history file are not history lines and "
                                          "were left out (the first is line %2).")
                               .arg(skipped)
                               .arg(data.skipped.firstLineNumber));
    }
    if (plot.series.empty()) {
        // Nothing to draw: the notes say why, the first of them the main reason.
        plot.problem = notes.isEmpty() ? QStringLiteral("The selected sites have no readings.")
                                       : notes.join(QLatin1Char(' '));
        return plot;
    }
    plot.notes = notes;
    return plot;
}

}  // namespace q417
