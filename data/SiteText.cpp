#include "SiteText.h"

namespace q417 {

bool IsSiteTextCharacter(char c) {
    return c != ',' && c != '\r' && c != '\n' && c != '\0';
}

std::string CleanSiteText(std::string_view text, int maxLength) {
    std::string clean;
    for (char c : text) {
        if (static_cast<int>(clean.size()) >= maxLength) {
            break;
        }
        if (IsSiteTextCharacter(c)) {
            clean.push_back(c);
        }
    }
    return clean;
}

}  // namespace q417
