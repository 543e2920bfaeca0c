#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace q417 {

// Texts in this system are Latin-1 bytes; JSON carries UTF-8. These convert at that boundary.

// Every byte as the code point of the same number, in UTF-8.
[[nodiscard]] std::string Latin1ToUtf8(std::string_view latin1);

// UTF-8 back to Latin-1 bytes; nothing when the text is not valid UTF-8 or holds a code point
// above U+00FF, which no Latin-1 byte stands for.
[[nodiscard]] std::optional<std::string> Utf8ToLatin1(std::string_view utf8);

}  // namespace q417
