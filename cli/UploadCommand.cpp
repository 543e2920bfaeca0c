#include "UploadCommand.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "CQ417HostDoc.h"
#include "CliDocumentUser.h"
#include "CommandArguments.h"
#include "ExitCode.h"
#include "FileStore.h"
#include "MemorySiteList.h"
#include "ReadoutSiteRecord.h"
#include "ReadoutTime.h"
#include "SignalWatch.h"
#include "SiteFile.h"
#include "TextEscaping.h"
#include "UploadReport.h"
#include "ValueText.h"

namespace q417::cli {
namespace {

// Shortest text that reads back as the same float.
std::string FloatText(float value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

std::string BitsText(std::uint32_t bits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(bits));
    return text;
}

std::string Quoted(const std::string& text) {
    return "\"" + TerminalText(text) + "\"";
}

std::string Difference(const std::string& what, const std::string& sent,
                       const std::string& readBack) {
    return what + " " + sent + " sent, " + readBack + " read back";
}

// Two floats that differ in their bits; their texts alone may agree (zero signs, NaNs).
std::string FloatDifference(const std::string& what, float sent, float readBack) {
    std::string sentText = FloatText(sent);
    std::string readText = FloatText(readBack);
    if (sentText == readText) {
        sentText += " (" + BitsText(std::bit_cast<std::uint32_t>(sent)) + ")";
        readText += " (" + BitsText(std::bit_cast<std::uint32_t>(readBack)) + ")";
    }
    return Difference(what, sentText, readText);
}

// Two time stamps that differ; the dates shown drop the seconds, so the counts may be needed.
std::string TimeDifference(const std::string& what, std::uint32_t sent, std::uint32_t readBack) {
    std::string sentText = FormatReadoutTime(sent);
    std::string readText = FormatReadoutTime(readBack);
    if (sentText == readText) {
        sentText += " (" + std::to_string(sent) + " s)";
        readText += " (" + std::to_string(readBack) + " s)";
    }
    return Difference(what, sentText, readText);
}

struct UploadRequest {
    std::string file;
    bool clearReadings = false;
    bool verify = false;
};

// The site file is the one argument that is not an option.
std::optional<UploadRequest> ParseUploadArguments(const std::vector<std::string>& args,
                                                  std::string& error) {
    std::vector<std::string> options;
    std::vector<std::string> files;
    for (const std::string& arg : args) {
        (arg.rfind("--", 0) == 0 ? options : files).push_back(arg);
    }
    const CommandArguments arguments(options, {}, {"--clear-readings", "--verify"});
    if (!arguments.Error().empty()) {
        error = arguments.Error();
        return std::nullopt;
    }
    if (files.empty()) {
        error = "upload needs the site file to upload";
        return std::nullopt;
    }
    if (files.size() > 1) {
        error = "unexpected argument " + TerminalText(files[1]) + " (upload takes one site file)";
        return std::nullopt;
    }
    if (files.front().empty()) {
        error = "the site file name is empty";
        return std::nullopt;
    }
    return UploadRequest{files.front(), arguments.Has("--clear-readings"),
                         arguments.Has("--verify")};
}

// Why the file at path must not be uploaded as it stands, before anything else is done with it:
// a line that is not a site line, or more sites than a site list holds (the rest would be left
// out without a word). Empty when it may go on; a file that cannot be read (missing, a folder,
// not a regular file) is left to the document, which says why.
std::string CheckUploadFile(const std::string& path, const FileStore::ReadResult& file) {
    if (!file.ok) {
        return {};
    }
    // Nobody sees a list to check here, so a line that would load as a shifted or half-empty
    // site is refused rather than read loosely as the window reads it.
    if (const auto fault = SiteFile::FirstLineWithoutSixFields(file.bytes)) {
        return TerminalText(path) + ": line " + std::to_string(fault->lineNumber) + " (\"" +
               TerminalText(fault->text) + "\") is not a site line of six fields; nothing was sent";
    }
    const SiteFile::Contents contents = SiteFile::Parse(file.bytes);
    if (contents.linesBeyondLimit > 0) {
        return TerminalText(path) + " holds " +
               std::to_string(contents.sites.size() +
                              static_cast<std::size_t>(contents.linesBeyondLimit)) +
               " sites, more than a site list holds (" + std::to_string(kMaxSites) +
               "); nothing was sent";
    }
    return {};
}

// The first site line of a file the document opened whose latest date or value does not read
// as one: read loosely, "abc" would go out as 0 and "13/45/99 25:61" as some other day. Empty
// when every line reads.
std::string UnreadableReading(const std::string& path, const FileStore::ReadResult& file) {
    const auto fault = SiteFile::FirstLineWithUnreadableReading(file.bytes);
    if (!file.ok || !fault) {
        return {};
    }
    const bool date = fault->field == SiteFile::ReadingField::DateTime;
    return TerminalText(path) + ": line " + std::to_string(fault->lineNumber) + " (\"" +
           TerminalText(fault->text) + "\") has " +
           (date ? "a date and time that does not read as MM/DD/YY hh:mm"
                 : "a latest value that does not read as a number") +
           "; nothing was sent";
}

// The first site whose latest value the readout cannot hold as a number (not a number, infinite,
// or beyond a float), as its line reads; empty when there is none.
std::string UnfitValue(const CQ417HostDoc& document) {
    for (int k = 0; k < document.SiteCount(); ++k) {
        const SiteRecord& site = document.Site(k);
        const double value = ParseValue(site.latestData);
        if (!std::isfinite(value) || !std::isfinite(static_cast<float>(value))) {
            return "site " + std::to_string(k + 1) + " (\"" + TerminalText(SiteFile::Line(site)) +
                   "\") has a latest value the readout cannot hold";
        }
    }
    return {};
}

// The first record of plan whose reference value, converted to the readout's unit, is not a
// number the readout can hold; -1 when there is none.
int FirstUnfitRecord(const UploadPlan& plan) {
    for (int k = 0; k < plan.recordCount; ++k) {
        if (!std::isfinite(ReadoutSiteRecord::Read(*plan.records, k).referenceValue)) {
            return k;
        }
    }
    return -1;
}

// Prints each difference on the error stream; true when there was none.
bool ReportDifferences(CommandContext& context, const std::vector<std::string>& differences) {
    for (const std::string& line : differences) {
        context.Err() << "q417cli: " << line << '\n';
    }
    return differences.empty();
}

}  // namespace

std::vector<std::string> CompareSiteRecords(const RecordImage& sent, const RecordImage& readBack,
                                            int siteCount) {
    std::vector<std::string> differences;
    for (int k = 0; k < siteCount && k < kRecordCapacity; ++k) {
        const ReadoutSiteRecord s = ReadoutSiteRecord::Read(sent, k);
        const ReadoutSiteRecord r = ReadoutSiteRecord::Read(readBack, k);
        const std::string site = "site " + std::to_string(k + 1) + ": ";
        if (s.name != r.name) {
            differences.push_back(Difference(site + "name", Quoted(s.name), Quoted(r.name)));
        }
        if (std::bit_cast<std::uint32_t>(s.referenceValue) !=
            std::bit_cast<std::uint32_t>(r.referenceValue)) {
            differences.push_back(
                FloatDifference(site + "reference value", s.referenceValue, r.referenceValue));
        }
        if (s.referenceTime != r.referenceTime) {
            differences.push_back(
                TimeDifference(site + "reference time", s.referenceTime, r.referenceTime));
        }
        if (s.readingCount != r.readingCount) {
            differences.push_back(Difference(site + "reading count", std::to_string(s.readingCount),
                                             std::to_string(r.readingCount)));
            continue;  // the readings of different counts are not each other's
        }
        for (int i = 0; i < s.readingCount; ++i) {
            const ReadingEntry& a = s.readings[static_cast<std::size_t>(i)];
            const ReadingEntry& b = r.readings[static_cast<std::size_t>(i)];
            const std::string reading = site + "reading " + std::to_string(i + 1) + " ";
            if (std::bit_cast<std::uint32_t>(a.value) != std::bit_cast<std::uint32_t>(b.value)) {
                differences.push_back(FloatDifference(reading + "value", a.value, b.value));
            }
            if (a.time != b.time) {
                differences.push_back(TimeDifference(reading + "time", a.time, b.time));
            }
        }
    }
    return differences;
}

std::vector<std::string> CompareInformation(const UploadPlan& sent,
                                            const ReadoutSettings& readBack) {
    std::vector<std::string> differences;
    if (sent.recordCount != readBack.recordCount) {
        differences.push_back(Difference("number of sites", std::to_string(sent.recordCount),
                                         std::to_string(readBack.recordCount)));
    }
    if (sent.fileName != readBack.fileName) {
        differences.push_back(
            Difference("file name", Quoted(sent.fileName), Quoted(readBack.fileName)));
    }
    return differences;
}

int RunUpload(CommandContext& context, const std::vector<std::string>& args) {
    std::string error;
    const std::optional<UploadRequest> request = ParseUploadArguments(args, error);
    if (!request) {
        return context.UsageError(error, kUploadUsage);
    }
    // The readout keeps the path so that the window can open the file again later, from
    // whatever folder it runs in.
    std::error_code failure;
    const std::filesystem::path absolute = std::filesystem::absolute(request->file, failure);
    if (failure) {
        return context.Fail(kExitFailed, "cannot make " + TerminalText(request->file) +
                                             " an absolute path: " + failure.message());
    }
    const std::string path = absolute.string();

    CliDocumentUser user(context.Err(), request->clearReadings);
    MemorySiteList list;
    // The document opens the file before the port is touched; the link's settings are there
    // from the start, although nothing reaches them before the connection.
    LinkSession& session = context.Session();
    CQ417HostDoc document(session.LiveSettings(), user);
    document.SetView(&list);
    document.NewDocument();
    const FileStore::ReadResult file = FileStore::Read(path, CQ417HostDoc::kMaxFileBytes);
    if (const std::string fault = CheckUploadFile(path, file); !fault.empty()) {
        return context.Fail(kExitFailed, fault);
    }
    if (!document.OpenDocument(path)) {
        return kExitFailed;  // the document said why
    }
    if (const std::string fault = UnreadableReading(path, file); !fault.empty()) {
        return context.Fail(kExitFailed, fault);
    }
    if (const std::string fault = UnfitValue(document); !fault.empty()) {
        return context.Fail(kExitFailed, fault + "; nothing was sent");
    }
    const int siteCount = document.SiteCount();

    if (const int code = context.Connect(); code != kExitOk) {
        return code;
    }
    const int capacity = session.Settings().capacity;
    if (siteCount > capacity) {
        return context.Fail(kExitFailed, "the readout holds at most " + std::to_string(capacity) +
                                             " sites, " + TerminalText(path) + " has " +
                                             std::to_string(siteCount) + "; nothing was written");
    }
    // The record image of a fresh information read is all zeros. Records go to the readout
    // whole, so its records are read first: what the upload does not change (the readings, or
    // the two bytes after the count) goes back as it was.
    if (const LinkOutcome outcome = session.Download(context.Progress());
        outcome != LinkOutcome::Done) {
        return context.FailJob(outcome, "reading the readout's records first",
                               "nothing was written");
    }
    const std::optional<UploadPlan> plan = document.PrepareSiteUpload();
    if (!plan) {
        return kExitFailed;  // the document said why; nothing was written
    }
    if (const int k = FirstUnfitRecord(*plan); k >= 0) {
        return context.Fail(kExitFailed, "site " + std::to_string(k + 1) +
                                             ": its latest value is beyond what the readout holds "
                                             "in its calibration unit; nothing was written");
    }
    const UploadPlan sent = *plan;
    const LinkOutcome outcome = session.Upload(sent, context.Progress());
    if (outcome == LinkOutcome::Stopped || outcome == LinkOutcome::Interrupted) {
        // Stopped first, so that the link's count of the sites written is final.
        session.Stop();
        const UploadReport end =
            session.UploadEnd().value_or(UploadReport{false, 0, sent.recordCount});
        if (end.finished) {
            return context.FailJob(outcome, "reading the readout back after the upload",
                                   "the sites were written, but could not be checked");
        }
        const int code =
            outcome == LinkOutcome::Stopped ? SignalWatch::kExitInterrupted : kExitFailed;
        return context.Fail(code, end.InterruptedText(ReportForm::Clause));
    }
    if (outcome != LinkOutcome::Done && outcome != LinkOutcome::NoReadout) {
        return context.FailJob(outcome, "the upload",
                               "the readout may hold a mix of old and new sites; upload again");
    }
    context.Out() << "Uploaded " << sent.recordCount << " sites from " << TerminalText(path)
                  << (request->clearReadings ? " (readings cleared)" : " (readings kept)") << '\n';
    if (outcome == LinkOutcome::NoReadout) {
        return context.FailJob(outcome, "the sites were written, but could not be checked");
    }

    // The link has read the readout afresh, as it does after every upload.
    bool same = ReportDifferences(context, CompareInformation(sent, session.Settings()));
    if (request->verify) {
        if (const LinkOutcome again = session.Download(context.Progress());
            again != LinkOutcome::Done) {
            return context.FailJob(again, "reading the sites back", "nothing was verified");
        }
        const ReadoutSettings readBack = session.Settings();
        const RecordImage empty{};
        same = ReportDifferences(
                   context,
                   CompareSiteRecords(*sent.records, readBack.records ? *readBack.records : empty,
                                      sent.recordCount)) &&
               same;
        if (same) {
            context.Out() << "Verified " << sent.recordCount << " sites\n";
        }
    }
    if (!same) {
        return context.Fail(kExitFailed, "the readout does not hold what was sent");
    }
    return kExitOk;
}

}  // namespace q417::cli
