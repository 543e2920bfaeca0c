#pragma once

#include <string>
#include <string_view>

#include "ReadoutEngine.h"
#include "ReadoutMemory.h"

namespace q417::sim {

// The readout's state as JSON, for tests and tools that look at what the host left behind:
// the decoded information-area fields, the reported values, the sites of the first record-count
// records, and the raw information area as upper-case hexadecimal.
class StateWriter {
  public:
    [[nodiscard]] static std::string ToJson(const ReadoutMemory& memory);
    // As above, plus the engine's counters (commandCount, storedPacketCount, badPacketCount).
    [[nodiscard]] static std::string ToJson(const ReadoutEngine& engine);

    // A JSON string literal: quotes, backslashes and every byte outside printable ASCII escaped
    // (the latter as \u00XX, the byte taken as Latin-1).
    [[nodiscard]] static std::string Quote(std::string_view text);
    // A number that reads back as the same float (%.9g); null for NaN and infinities, which
    // JSON cannot carry.
    [[nodiscard]] static std::string Number(double value);

    // Writes content to path through a temporary file in the same folder and a rename, so that
    // a reader never sees a partial file. On failure returns false and sets error.
    static bool WriteAtomically(const std::string& path, std::string_view content,
                                std::string& error);
};

}  // namespace q417::sim
