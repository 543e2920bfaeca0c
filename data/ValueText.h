#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace q417 {

// The text of a value as the system stores and shows it: "%.9f", "." as the decimal point
// whatever the locale. A float is widened to double first, so 12.3f reads 12.300000191.
[[nodiscard]] std::string FormatValue(double value);

// A value text read back as the C library's text-to-double conversion reads it, in the "C"
// locale: leading blanks skipped, the longest numeric prefix taken, 0 when there is none.
[[nodiscard]] double ParseValue(std::string_view text);

// The strict reading, for callers that show no list to check: the value when the whole text,
// blanks around it aside, is one number as ParseValue reads it ("nan" and "inf" included);
// nothing when any of it is not, or it is empty.
[[nodiscard]] std::optional<double> ParseWholeValue(std::string_view text);

}  // namespace q417
