#include "ReadoutTables.h"

namespace q417 {
namespace {

// The entry of a code table; empty text for codes outside it.
template <std::size_t N>
std::string TableText(const std::array<const char*, N>& table, int code) {
    if (code < 0 || code >= static_cast<int>(N)) {
        return {};
    }
    return table[static_cast<std::size_t>(code)];
}

}  // namespace

std::string UnitName(int code) {
    return TableText(kUnitNames, code);
}

std::string PowerDownText(int code) {
    return TableText(kPowerDownTexts, code);
}

std::string ResultMessage(int code) {
    switch (code) {
        case 0:
            return "Readout updated";
        case 1:
            return "Error writing serial number.";
        case 2:
            return "Error writing multiplier.";
        case 3:
            return "Error writing offset.";
        case 4:
            return "Error writing calibration units.";
        case 5:
            return "Error writing display units.";
        case 6:
            return "Error writing display digits.";
        case 7:
            return "Error writing power down.";
        case 8:
            return "Error writing zero readout.";
        case 9:
            return "Error writing date time.";
        case 10:
            return "Error writing thread running.";
        case 12:
            return "Error writing LCD Contrast.";
        default:
            return "Unknown error occurred";
    }
}

bool CalibrationPasswordAccepted(std::string_view text) {
    return text == "KWPmoraglend";
}

std::string StatusText(int statusCode) {
    switch (statusCode) {
        case 1:
            return "Port open";
        case 2:
            return "Port not open";
        case 3:
            return "Connecting";
        case 5:
            return "Connected";
        case 9:
            return "New Readout";
        case 12:
            return "Comm error";
        case 13:
            return "Reading data";
        case 14:
            return "Writing data";
        default:
            return {};
    }
}

}  // namespace q417
