#include "CommandArguments.h"

#include <algorithm>

namespace q417::cli {
namespace {

bool Contains(std::initializer_list<std::string_view> list, std::string_view name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

// An option name where a value should be means the value is missing, not that the value is
// "--clock" or the like.
bool LooksLikeOption(const std::string& arg) {
    return arg.rfind("--", 0) == 0;
}

}  // namespace

CommandArguments::CommandArguments(const std::vector<std::string>& args,
                                   std::initializer_list<std::string_view> valueOptions,
                                   std::initializer_list<std::string_view> flags,
                                   std::initializer_list<std::string_view> repeatable,
                                   bool takesOperands) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue = Contains(valueOptions, arg) || Contains(repeatable, arg);
        if (!takesValue && !Contains(flags, arg)) {
            if (takesOperands && !LooksLikeOption(arg)) {
                operands_.push_back(arg);
            } else {
                Note(LooksLikeOption(arg) ? "unknown option " + arg : "unexpected argument " + arg);
            }
            continue;
        }
        std::string value;
        if (takesValue) {
            if (i + 1 >= args.size() || LooksLikeOption(args[i + 1])) {
                Note(arg + " needs a value");
                continue;
            }
            value = args[++i];
        }
        if (Has(arg) && !Contains(repeatable, arg)) {
            Note(arg + " is given twice");
            continue;
        }
        given_.emplace_back(arg, std::move(value));
    }
}

std::optional<std::string> CommandArguments::Value(std::string_view option) const {
    for (const auto& [name, value] : given_) {
        if (name == option) {
            return value;
        }
    }
    return std::nullopt;
}

std::vector<std::string> CommandArguments::Values(std::string_view option) const {
    std::vector<std::string> values;
    for (const auto& [name, value] : given_) {
        if (name == option) {
            values.push_back(value);
        }
    }
    return values;
}

void CommandArguments::Note(std::string error) {
    if (error_.empty()) {
        error_ = std::move(error);
    }
}

}  // namespace q417::cli
