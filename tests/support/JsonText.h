#pragma once

// Reads back the JSON the programs write: strings there are UTF-8, here Latin-1 bytes.

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "Latin1Text.h"

namespace q417::test {

using Json = nlohmann::ordered_json;

// The document, or a discarded value (is_discarded()) when the text is not one JSON value.
inline Json ParseJson(std::string_view text) {
    return Json::parse(text, nullptr, false);
}

// A JSON string as the Latin-1 bytes it stands for; a marker for anything else, so that a
// comparison fails and shows why.
inline std::string Latin1(const Json& value) {
    if (!value.is_string()) {
        return "<not a string: " + value.dump() + ">";
    }
    return Utf8ToLatin1(value.get_ref<const std::string&>()).value_or("<not Latin-1>");
}

}  // namespace q417::test
