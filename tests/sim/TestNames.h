#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace q417::sim::testing {

// A test-case name from arbitrary text: its index, then its letters and digits, everything else
// as underscores (GoogleTest accepts only those in names).
inline std::string SafeName(std::string_view text, std::size_t index) {
    std::string name = "n" + std::to_string(index) + "_";
    for (char c : text) {
        name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
    }
    return name;
}

}  // namespace q417::sim::testing
