#include "DownloadCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "CQ417HostDoc.h"
#include "CliDocumentUser.h"
#include "CommandArguments.h"
#include "ExitCode.h"
#include "FileStore.h"
#include "MemorySiteList.h"
#include "ReadingHistory.h"
#include "ReadoutClockLimit.h"
#include "ReadoutSiteRecord.h"
#include "ReadoutStatusRows.h"
#include "TextEscaping.h"

namespace q417::cli {
namespace {

std::string ErrorText(int error) {
    return std::system_category().message(error);
}

// The readout's sites a site list has no room for, and their readings, in words; empty when
// every site found room.
std::string SitesLeftOut(const ReadoutSettings& settings) {
    const int sites = std::clamp(settings.recordCount, 0, kRecordCapacity);
    if (sites <= kMaxSites || !settings.records) {
        return {};
    }
    int readings = 0;
    for (int k = kMaxSites; k < sites; ++k) {
        readings += ReadoutSiteRecord::Read(*settings.records, k).readingCount;
    }
    return "sites " + std::to_string(kMaxSites + 1) + " to " + std::to_string(sites) +
           " of the readout and their " + std::to_string(readings) +
           " readings were left out: a site list holds " + std::to_string(kMaxSites) + " sites";
}

}  // namespace

std::string CheckSiteFileTarget(const std::string& path) {
    if (path.empty()) {
        return "--out needs a file name";
    }
    const std::string shown = TerminalText(path);
    if (path.back() == '/') {
        return "--out " + shown + " names a folder, not a file";
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            return "--out " + shown + " is a folder, not a file";
        }
        if (!S_ISREG(info.st_mode)) {
            return "--out " + shown + " is not a regular file";
        }
    }
    const std::string folder = FileStore::FolderOf(path);
    if (::stat(folder.c_str(), &info) != 0) {
        return "--out " + shown + ": the folder " + TerminalText(folder) +
               " cannot be used: " + ErrorText(errno);
    }
    if (!S_ISDIR(info.st_mode)) {
        return "--out " + shown + ": " + TerminalText(folder) + " is not a folder";
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return "--out " + shown + ": cannot write in the folder " + TerminalText(folder) + ": " +
               ErrorText(errno);
    }
    // The save would write the site file and then append its readings to the same file.
    if (ReadingHistory::PathFor(path) == path) {
        return "--out " + shown +
               " is the name of its own history file (readings go to NAME.csv beside "
               "NAME.ini); choose another extension, such as .ini";
    }
    return {};
}

int RunDownload(CommandContext& context, const std::vector<std::string>& args) {
    const CommandArguments arguments(args, {"--out"}, {"--sync-clock"});
    if (!arguments.Error().empty()) {
        return context.UsageError(arguments.Error(), kDownloadUsage);
    }
    const std::optional<std::string> out = arguments.Value("--out");
    if (!out) {
        return context.UsageError("download needs --out FILE", kDownloadUsage);
    }
    if (out->empty()) {
        return context.UsageError("--out needs a file name", kDownloadUsage);
    }
    if (const std::string fault = CheckSiteFileTarget(*out); !fault.empty()) {
        return context.Fail(kExitUsage, fault);
    }

    const bool syncClock = arguments.Has("--sync-clock");
    // As with "set --clock now": a PC whose clock is already too late would leave the readout a
    // clock this program soon could not read.
    if (syncClock) {
        const std::int64_t now = context.Time().CalendarSeconds();
        if (const std::optional<std::string> refusal = ClockRefusal(now)) {
            return context.Fail(kExitUsage, "--sync-clock: the PC's clock reads " +
                                                FormatLocalDateTime(now) + ". " + *refusal);
        }
    }

    if (const int code = context.Connect(); code != kExitOk) {
        return code;
    }
    LinkSession& session = context.Session();
    const int recordCount = std::clamp(session.Settings().recordCount, 0, kRecordCapacity);
    if (recordCount == 0) {
        // A site file without a site line cannot be opened again; write none.
        return context.Fail(
            kExitFailed, "the readout holds no sites; " + TerminalText(*out) + " was not written");
    }
    if (const LinkOutcome outcome = session.Download(context.Progress());
        outcome != LinkOutcome::Done) {
        return context.FailJob(outcome, "the download", TerminalText(*out) + " was not written");
    }

    if (context.StopRequested()) {
        return context.FailJob(LinkOutcome::Stopped, "the download",
                               TerminalText(*out) + " was not written");
    }
    CliDocumentUser user(context.Err(), false);
    MemorySiteList list;
    CQ417HostDoc document(session.LiveSettings(), user);
    document.SetView(&list);
    document.NewDocument();
    document.MergeReadoutData();
    if (!document.HasSiteArray() || document.SiteCount() == 0) {
        return context.Fail(kExitFailed,
                            "the readout's sites could not be taken into a site list; " +
                                TerminalText(*out) + " was not written");
    }
    const SaveResult saved = document.SaveDocument(*out);
    if (!saved.saved) {
        return kExitFailed;  // the document said why
    }
    const std::string history = ReadingHistory::PathFor(*out);
    if (saved.historyFailed) {
        // The site file is saved, but the history append failed (the document said why).
        context.Out() << "Downloaded " << document.SiteCount() << " sites to " << TerminalText(*out)
                      << '\n';
        return kExitFailed;
    }
    context.Out() << "Downloaded " << document.SiteCount() << " sites to " << TerminalText(*out)
                  << "; readings added to " << TerminalText(history) << '\n';
    if (syncClock) {
        // As the window does after a download when it keeps the readout's clock in step.
        if (const LinkOutcome outcome = session.SyncClock(); outcome != LinkOutcome::Done) {
            return context.FailJob(outcome, "setting the readout's clock");
        }
        if (!session.LastJob()->ClockSet()) {
            return context.Fail(kExitFailed, "the readout did not take the PC's time");
        }
        context.Out() << "Readout clock set to the PC's time\n";
    }
    if (const std::string leftOut = SitesLeftOut(session.Settings()); !leftOut.empty()) {
        return context.Fail(kExitFailed, leftOut);
    }
    return kExitOk;
}

}  // namespace q417::cli
