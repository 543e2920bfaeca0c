#include "TextEscaping.h"

#include <cstdio>

namespace q417::cli {
namespace {

bool PrintableAscii(unsigned char c) {
    return c >= 0x20 && c < 0x7F;
}

}  // namespace

std::string TerminalText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (PrintableAscii(byte)) {
            out.push_back(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        }
    }
    return out;
}

}  // namespace q417::cli
