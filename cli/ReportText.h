#pragma once

namespace q417::cli {

// Shown in place of a value the readout did not answer, so a report keeps every row.
inline constexpr char kNoAnswer[] = "(no answer)";

}  // namespace q417::cli
