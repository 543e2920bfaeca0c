#pragma once

#include <string>
#include <string_view>

namespace q417::cli {

// Texts that come from the readout's memory may hold any byte. This makes them safe to print.

// For a terminal: printable ASCII as it is, every other byte as \xNN, so that no control
// sequence reaches the terminal.
[[nodiscard]] std::string TerminalText(std::string_view text);

}  // namespace q417::cli
