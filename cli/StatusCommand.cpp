#include "StatusCommand.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "CommandArguments.h"
#include "ExitCode.h"
#include "ReadoutStatusRows.h"
#include "TextEscaping.h"

namespace q417::cli {
namespace {

struct KeyOfLabel {
    std::string_view label;
    std::string_view key;
};

// Scripts read these keys: they stay as they are whatever the labels become.
constexpr std::array<KeyOfLabel, 12> kKeys = {{
    {"Serial Number :", "serialNumber"},
    {"Firmware Version :", "firmwareVersion"},
    {"Battery :", "battery"},
    {"Multiplier :", "multiplier"},
    {"Offset :", "offset"},
    {"Calibration Units :", "calibrationUnits"},
    {"Display Units :", "displayUnits"},
    {"Display Digits :", "displayDigits"},
    {"Power Down :", "powerDown"},
    {"Readout Date Time :", "readoutDateTime"},
    {"Site Number :", "siteNumber"},
    {"Filename :", "fileName"},
}};

}  // namespace

std::string StatusKey(const std::string& label) {
    for (const KeyOfLabel& k : kKeys) {
        if (k.label == label) {
            return std::string(k.key);
        }
    }
    // A row this table does not know yet: its label in camel case.
    std::string key;
    bool upper = false;
    for (const char c : label) {
        const auto byte = static_cast<unsigned char>(c);
        if (!std::isalnum(byte)) {
            upper = !key.empty();
            continue;
        }
        key.push_back(static_cast<char>(upper ? std::toupper(byte) : std::tolower(byte)));
        upper = false;
    }
    return key;
}

int RunStatus(CommandContext& context, const std::vector<std::string>& args) {
    const CommandArguments arguments(args, {}, {"--json"});
    if (!arguments.Error().empty()) {
        return context.UsageError(arguments.Error(), kStatusUsage);
    }
    const bool json = arguments.Has("--json");

    if (const int code = context.Connect(); code != kExitOk) {
        return code;
    }
    const ReadoutSettings settings = context.Session().Settings();
    // The clock as the readout told it: printing follows the information read at once.
    const std::vector<StatusRow> rows = ReadoutStatusRows(settings, settings.readTime);

    std::ostream& out = context.Out();
    if (json) {
        out << "{\n";
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const std::string key = StatusKey(rows[i].label);
            out << "  " << JsonString(key) << ": "
                << (rows[i].answered ? JsonString(rows[i].value) : std::string("null"))
                << (i + 1 < rows.size() ? ",\n" : "\n");
        }
        out << "}\n";
    } else {
        std::size_t width = 0;
        for (const StatusRow& row : rows) {
            width = std::max(width, row.label.size());
        }
        for (const StatusRow& row : rows) {
            const std::string value = TerminalText(row.value);
            out << row.label;
            if (!value.empty()) {
                out << std::string(width - row.label.size() + 1, ' ') << value;
            }
            out << '\n';
        }
    }
    if (std::any_of(rows.begin(), rows.end(), [](const StatusRow& row) { return !row.answered; })) {
        return context.Fail(kExitFailed, "the readout did not answer every status query");
    }
    return kExitOk;
}

}  // namespace q417::cli
