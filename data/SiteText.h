#pragma once

#include <string>
#include <string_view>

namespace q417 {

// The readout keeps a site name of at most 20 characters; the list keeps IDs as short.
inline constexpr int kMaxLocationLength = 20;
inline constexpr int kMaxIdLength = 20;

// What New Site says when the list already holds as many sites as the readout can.
inline constexpr const char* kSiteListFullMessage =
    "The site list is full: it holds at most 177 sites.";

// Whether c may be typed into a location or an ID. A comma would split the site's line in the
// comma-separated files, and a line break or a zero would end it.
[[nodiscard]] bool IsSiteTextCharacter(char c);

// text with a blank for every character that may not be typed: how a text that comes from
// the readout is made fit for the comma-separated files, keeping its length.
[[nodiscard]] std::string BlankUnfitCharacters(std::string_view text);

// The C library's white space in the "C" locale: what the site file and its date texts are
// trimmed of.
[[nodiscard]] bool IsBlank(char c);
// text without its leading and trailing blanks.
[[nodiscard]] std::string_view TrimBlanks(std::string_view text);

// text without the characters that may not be typed, cut to maxLength characters: what an
// edit field keeps of pasted text.
[[nodiscard]] std::string CleanSiteText(std::string_view text, int maxLength);

}  // namespace q417
