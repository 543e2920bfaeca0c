#include "HexDump.h"

#include <cstdio>

namespace q417::cli {

std::string HexDump(std::span<const std::uint8_t> bytes, int baseAddress) {
    std::string out;
    char cell[8];
    for (std::size_t row = 0; row < bytes.size(); row += 16) {
        std::snprintf(cell, sizeof cell, "%04X ", static_cast<unsigned>(baseAddress + row));
        out += cell;
        std::string text;
        for (std::size_t i = row; i < row + 16; ++i) {
            if (i < bytes.size()) {
                std::snprintf(cell, sizeof cell, " %02X", bytes[i]);
                out += cell;
                const char c = static_cast<char>(bytes[i]);
                text += (bytes[i] >= 0x20 && bytes[i] < 0x7F) ? c : '.';
            } else {
                out += "   ";
            }
        }
        out += "  |" + text + "|\n";
    }
    return out;
}

}  // namespace q417::cli
