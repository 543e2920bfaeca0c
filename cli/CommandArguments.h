#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace q417::cli {

// A command's own arguments: options that take a value ("--digits 3") and flags ("--json"), each
// given at most once unless named repeatable, and for commands that take them, operands (a file
// name). Scanning goes on past a fault, so that an option given after it (the password above
// all) is still found.
class CommandArguments {
  public:
    CommandArguments(const std::vector<std::string>& args,
                     std::initializer_list<std::string_view> valueOptions,
                     std::initializer_list<std::string_view> flags = {},
                     std::initializer_list<std::string_view> repeatable = {},
                     bool takesOperands = false);

    // The first fault of the command line; empty when there is none.
    [[nodiscard]] const std::string& Error() const { return error_; }
    // True when no option was given at all.
    [[nodiscard]] bool Empty() const { return given_.empty(); }
    // The value of an option (empty for a flag); nothing when it was not given.
    [[nodiscard]] std::optional<std::string> Value(std::string_view option) const;
    [[nodiscard]] bool Has(std::string_view option) const { return Value(option).has_value(); }
    // Every value of an option, in command-line order.
    [[nodiscard]] std::vector<std::string> Values(std::string_view option) const;
    // The arguments that are not options, in order; only when the command takes operands.
    [[nodiscard]] const std::vector<std::string>& Operands() const { return operands_; }
    // Options as given, in command-line order; flags have an empty value.
    [[nodiscard]] const std::vector<std::pair<std::string, std::string>>& Given() const {
        return given_;
    }

  private:
    void Note(std::string error);

    std::vector<std::pair<std::string, std::string>> given_;
    std::vector<std::string> operands_;
    std::string error_;
};

}  // namespace q417::cli
