#include "SiteText.h"

namespace q417 {

bool IsSiteTextCharacter(char c) {
    return c != ',' && c != '\r' && c != '\n' && c != '\0';
}

std::string BlankUnfitCharacters(std::string_view text) {
    std::string fit(text);
    for (char& c : fit) {
        if (!IsSiteTextCharacter(c)) {
            c = ' ';
        }
    }
    return fit;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
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
