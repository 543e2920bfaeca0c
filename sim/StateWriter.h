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

    // A number as the state writes it: the double of its nine significant digits (which reads
    // back as the same float), whole numbers without a fraction; null for NaN and infinities,
    // which JSON cannot carry.
    [[nodiscard]] static std::string Number(double value);

    // Writes content to path through a temporary file in the same folder and a rename, so that
    // a reader never sees a partial file. On failure returns false and sets error.
    static bool WriteAtomically(const std::string& path, std::string_view content,
                                std::string& error);
};

}  // namespace q417::sim
