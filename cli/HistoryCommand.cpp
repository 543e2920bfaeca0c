#include "HistoryCommand.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>

#include "ArgumentFault.h"
#include "CommandArguments.h"
#include "ExitCode.h"
#include "HistoryReader.h"
#include "Latin1Text.h"
#include "ReadoutTime.h"
#include "TextEscaping.h"
#include "ValueChecks.h"

namespace q417::cli {
namespace {

using OrderedJson = nlohmann::ordered_json;

enum class OutputFormat { Csv, Json };

struct HistoryRequest {
    std::string file;
    std::vector<std::string> locations;  // --site, each once, in the order given
    std::optional<PressureUnit> unit;    // --unit; nothing: each site in its last line's unit
    OutputFormat format = OutputFormat::Csv;
    bool stats = false;
};

std::optional<HistoryRequest> ParseHistoryArguments(const std::vector<std::string>& args,
                                                    ArgumentFault& fault) {
    const CommandArguments arguments(args, {"--unit", "--format"}, {"--stats"}, {"--site"}, true);
    if (!arguments.Error().empty()) {
        fault = {arguments.Error(), true};
        return std::nullopt;
    }
    const std::vector<std::string>& files = arguments.Operands();
    if (files.size() != 1) {
        fault = {files.empty() ? "history needs the history file to read"
                               : "unexpected argument " + TerminalText(files[1]) +
                                     " (history reads one file)",
                 true};
        return std::nullopt;
    }
    HistoryRequest request;
    request.file = files.front();
    if (request.file.empty()) {
        fault = {"the history file name is empty", false};
        return std::nullopt;
    }
    for (std::string& location : arguments.Values("--site")) {
        if (std::find(request.locations.begin(), request.locations.end(), location) ==
            request.locations.end()) {
            request.locations.push_back(std::move(location));
        }
    }
    if (const std::optional<std::string> unit = arguments.Value("--unit")) {
        const std::optional<std::uint8_t> code = CheckUnitName("--unit", *unit, fault);
        if (!code) {
            return std::nullopt;
        }
        request.unit = UnitOfCode(*code);
    }
    if (const std::optional<std::string> format = arguments.Value("--format");
        format && *format != "csv") {
        if (*format != "json") {
            fault.message = "--format takes csv or json (not \"" + TerminalText(*format) + "\")";
            return std::nullopt;
        }
        request.format = OutputFormat::Json;
    }
    request.stats = arguments.Has("--stats");
    return request;
}

// The sites at location. Locations are Latin-1 bytes, but a UTF-8 terminal types "Café" as
// UTF-8: when its bytes name no site, its Latin-1 text is tried.
std::vector<const HistorySite*> SitesNamed(const HistoryData& data, const std::string& location) {
    std::vector<const HistorySite*> sites = data.SitesAt(location);
    if (sites.empty()) {
        if (const std::optional<std::string> latin1 = Utf8ToLatin1(location);
            latin1 && *latin1 != location) {
            sites = data.SitesAt(*latin1);
        }
    }
    return sites;
}

// The sites to print: all in the order of their first line, or those at the locations asked,
// in that order. missing gets the locations the history does not hold.
std::vector<const HistorySite*> SitesToPrint(const HistoryData& data,
                                             const std::vector<std::string>& locations,
                                             std::vector<std::string>& missing) {
    std::vector<const HistorySite*> sites;
    if (locations.empty()) {
        for (const HistorySite& site : data.sites) {
            sites.push_back(&site);
        }
        return sites;
    }
    for (const std::string& location : locations) {
        const std::vector<const HistorySite*> at = SitesNamed(data, location);
        if (at.empty()) {
            missing.push_back(location);
        }
        for (const HistorySite* site : at) {
            if (std::find(sites.begin(), sites.end(), site) == sites.end()) {
                sites.push_back(site);
            }
        }
    }
    return sites;
}

struct SiteSummary {
    std::size_t count = 0;
    std::uint32_t first = 0;  // readout seconds
    std::uint32_t last = 0;
    double minimum = 0;  // in the unit asked
    double maximum = 0;
    double mean = 0;
};

// Every site has a reading: a site comes of a line, and a line is a reading.
SiteSummary Summarize(const HistorySite& site, PressureUnit unit) {
    SiteSummary summary;
    summary.count = site.readings.size();
    if (summary.count == 0) {
        return summary;
    }
    summary.first = site.readings.front().readoutTime;
    summary.last = site.readings.back().readoutTime;
    summary.minimum = std::numeric_limits<double>::infinity();
    summary.maximum = -summary.minimum;
    long double sum = 0;  // extended precision: thousands of readings add up without drift
    for (const HistoryReading& reading : site.readings) {
        const double value = reading.ValueIn(unit);
        summary.minimum = std::min(summary.minimum, value);
        summary.maximum = std::max(summary.maximum, value);
        sum += value;
    }
    summary.mean = static_cast<double>(sum / static_cast<long double>(summary.count));
    return summary;
}

// "%.9f", as the history file writes values. Room for the largest double's 309 digits.
std::string FixedText(double value) {
    char text[400];
    std::snprintf(text, sizeof text, "%.9f", value);
    return text;
}

// The value as the CSV shows it, so that both outputs give the same numbers.
double JsonNumber(double value) {
    return std::strtod(FixedText(value).c_str(), nullptr);
}

void WriteCsv(std::ostream& out, const std::vector<const HistorySite*>& sites,
              const HistoryRequest& request) {
    out << (request.stats ? "location,serial_number,count,first,last,minimum,maximum,mean,unit\n"
                          : "location,serial_number,time,value,unit\n");
    for (const HistorySite* site : sites) {
        const PressureUnit unit = request.unit.value_or(site->LastUnit());
        const std::string head = CsvField(site->location) + ',' + CsvField(site->serialNumber);
        const std::string unitName = PressureUnitName(unit);
        if (request.stats) {
            const SiteSummary s = Summarize(*site, unit);
            out << head << ',' << s.count << ',' << FormatIsoReadoutTime(s.first) << ','
                << FormatIsoReadoutTime(s.last) << ',' << FixedText(s.minimum) << ','
                << FixedText(s.maximum) << ',' << FixedText(s.mean) << ',' << unitName << '\n';
            continue;
        }
        for (const HistoryReading& reading : site->readings) {
            out << head << ',' << FormatIsoReadoutTime(reading.readoutTime) << ','
                << FixedText(reading.ValueIn(unit)) << ',' << unitName << '\n';
        }
    }
}

OrderedJson SiteObject(const HistorySite& site, PressureUnit unit, bool stats) {
    OrderedJson object = OrderedJson::object();
    object["location"] = Latin1ToUtf8(site.location);
    object["serial_number"] = Latin1ToUtf8(site.serialNumber);
    object["id"] = Latin1ToUtf8(site.id);
    object["unit"] = PressureUnitName(unit);
    if (stats) {
        const SiteSummary s = Summarize(site, unit);
        object["count"] = s.count;
        object["first"] = FormatIsoReadoutTime(s.first);
        object["last"] = FormatIsoReadoutTime(s.last);
        object["minimum"] = JsonNumber(s.minimum);
        object["maximum"] = JsonNumber(s.maximum);
        object["mean"] = JsonNumber(s.mean);
        return object;
    }
    OrderedJson readings = OrderedJson::array();
    for (const HistoryReading& reading : site.readings) {
        readings.push_back(OrderedJson{{"time", FormatIsoReadoutTime(reading.readoutTime)},
                                       {"value", JsonNumber(reading.ValueIn(unit))}});
    }
    object["readings"] = std::move(readings);
    return object;
}

// One object laid out as dump(2) lays it out, written a site at a time so that a long history
// is never held as JSON whole. Texts outside ASCII are escaped, as status writes them.
void WriteJson(std::ostream& out, const HistoryRequest& request, const HistoryData& data,
               const std::vector<const HistorySite*>& sites) {
    const auto text = [](const OrderedJson& value) { return value.dump(2, ' ', true); };
    out << "{\n  \"file\": " << text(FileNameUtf8(request.file)) << ",\n  \"unit\": "
        << text(request.unit ? OrderedJson(PressureUnitName(*request.unit)) : OrderedJson(nullptr))
        << ",\n  \"sites\": [";
    for (std::size_t i = 0; i < sites.size(); ++i) {
        const PressureUnit unit = request.unit.value_or(sites[i]->LastUnit());
        // Two levels in, every line moves right by four blanks; strings hold no line break.
        std::string site = i == 0 ? "\n    " : ",\n    ";
        for (const char c : text(SiteObject(*sites[i], unit, request.stats))) {
            site += c;
            if (c == '\n') {
                site += "    ";
            }
        }
        out << site;
    }
    out << (sites.empty() ? "]" : "\n  ]") << ",\n  \"skipped_lines\": " << data.skipped.Total()
        << ",\n  \"repeated_readings\": " << data.repeatedReadings << "\n}\n";
}

}  // namespace

int RunHistory(CommandContext& context, const std::vector<std::string>& args) {
    ArgumentFault fault;
    const std::optional<HistoryRequest> request = ParseHistoryArguments(args, fault);
    if (!request) {
        return fault.showUsage ? context.UsageError(fault.message, kHistoryUsage)
                               : context.Fail(kExitUsage, fault.message);
    }
    const std::string shown = TerminalText(request->file);
    const HistoryFileResult read = ReadHistoryFile(request->file);
    if (read.status != HistoryFileStatus::Read) {
        return context.Fail(kExitFailed, "cannot read history " + shown + ": " + read.error);
    }
    const HistoryData& data = read.data;
    // Before a --site is missed: its lines may be among those left out.
    if (const std::uint64_t skipped = data.skipped.Total(); skipped > 0) {
        context.Err() << "q417cli: warning: " << shown << ": left out "
                      << (skipped == 1 ? std::string("1 line that is not a history line (line ")
                                       : std::to_string(skipped) +
                                             " lines that are not history lines (the first is "
                                             "line ")
                      << data.skipped.firstLineNumber << ")\n";
    }
    std::vector<std::string> missing;
    const std::vector<const HistorySite*> sites = SitesToPrint(data, request->locations, missing);
    if (!missing.empty()) {
        std::string names;
        for (const std::string& location : missing) {
            names += (names.empty() ? "\"" : ", \"") + TerminalText(location) + "\"";
        }
        return context.Fail(kExitFailed, (missing.size() == 1 ? "no site " : "no sites ") + names +
                                             " in the history " + shown);
    }
    if (data.sites.empty()) {
        context.Err() << "q417cli: the history " << shown << " holds no readings\n";
    }

    std::ostream& out = context.Out();
    if (request->format == OutputFormat::Json) {
        WriteJson(out, *request, data, sites);
    } else {
        WriteCsv(out, sites, *request);
    }
    // A full disk or a closed pipe must not pass for a complete listing.
    if (!out.flush()) {
        return context.Fail(kExitFailed, "the history could not be written to standard output");
    }
    return kExitOk;
}

}  // namespace q417::cli
