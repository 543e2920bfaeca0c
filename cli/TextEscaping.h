#pragma once

#include <string>
#include <string_view>

namespace q417::cli {

// Texts that come from the readout's memory may hold any byte. This makes them safe to print.

// For a terminal: printable ASCII as it is, every other byte as \xNN, so that no control
// sequence reaches the terminal.
[[nodiscard]] std::string TerminalText(std::string_view text);

// One field of a comma-separated line: quoted, its quotes doubled, only when it holds a comma, a
// double quote, CR or LF; every byte otherwise as it is.
[[nodiscard]] std::string CsvField(std::string_view text);

// A file name for JSON, which carries UTF-8: as it is when its bytes are UTF-8, as names are
// on a UTF-8 system; else each byte taken as Latin-1, so that no byte is lost.
[[nodiscard]] std::string FileNameUtf8(std::string_view name);

}  // namespace q417::cli
