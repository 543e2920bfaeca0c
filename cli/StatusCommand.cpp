#include "StatusCommand.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "CommandArguments.h"
#include "ExitCode.h"
#include "Latin1Text.h"
#include "ReadoutStatusRows.h"
#include "TextEscaping.h"

namespace q417::cli {

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
        // In the rows' order; values are Latin-1 bytes, written as ASCII escapes.
        nlohmann::ordered_json object = nlohmann::ordered_json::object();
        for (const StatusRow& row : rows) {
            object[row.key] = row.answered ? nlohmann::ordered_json(Latin1ToUtf8(row.value))
                                           : nlohmann::ordered_json(nullptr);
        }
        out << object.dump(2, ' ', true) << '\n';
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
