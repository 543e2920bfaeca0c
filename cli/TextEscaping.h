#pragma once

#include <string>
#include <string_view>

namespace q417::cli {

// Texts that come from the readout's memory may hold any byte. These make them safe to print.

// For a terminal: printable ASCII as it is, every other byte as \xNN, so that no control
// sequence reaches the terminal.
[[nodiscard]] std::string TerminalText(std::string_view text);

// A JSON string literal, quotes included: quote and backslash escaped, control characters and
// bytes 0x7F and above as \u00XX (the byte read as Latin-1), so the output is valid UTF-8 JSON.
[[nodiscard]] std::string JsonString(std::string_view text);

}  // namespace q417::cli
