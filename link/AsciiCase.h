#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace q417 {

// Letter case of the readout's texts. Only a..z and A..Z count as letters: the readout speaks
// ASCII, and the host's locale (which a desktop front end sets from the environment) must not
// change how a reply or a typed name compares.

[[nodiscard]] constexpr char AsciiUpperChar(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

[[nodiscard]] constexpr char AsciiLowerChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// text with every ASCII letter in upper case; other bytes as they are.
[[nodiscard]] inline std::string AsciiUpperText(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = AsciiUpperChar(c);
    }
    return upper;
}

// True when a and b differ at most in the letter case of ASCII letters.
[[nodiscard]] constexpr bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLowerChar(a[i]) != AsciiLowerChar(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace q417
