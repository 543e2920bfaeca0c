#pragma once

// A small strict JSON reader for checking the simulator's state files in tests. Strings are
// kept as bytes: \u00XX becomes the byte XX; other \u escapes are refused, as the writer never
// produces them.

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace q417::sim::testing {

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> fields;
    std::vector<std::string> keyOrder;

    [[nodiscard]] bool Has(const std::string& key) const { return fields.count(key) != 0; }
    [[nodiscard]] const JsonValue& operator[](const std::string& key) const {
        return fields.at(key);
    }
    [[nodiscard]] const JsonValue& operator[](std::size_t i) const { return items.at(i); }
};

class JsonReader {
  public:
    // The whole text must be one value, surrounded by white space at most.
    [[nodiscard]] static std::optional<JsonValue> Parse(std::string_view text) {
        JsonReader r(text);
        JsonValue v;
        if (!r.Value(v, 0)) {
            return std::nullopt;
        }
        r.Space();
        if (r.pos_ != text.size()) {
            return std::nullopt;
        }
        return v;
    }

  private:
    explicit JsonReader(std::string_view text) : s_(text) {}

    void Space() {
        while (pos_ < s_.size() &&
               (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\r' || s_[pos_] == '\t')) {
            ++pos_;
        }
    }

    bool Literal(std::string_view word) {
        if (s_.substr(pos_, word.size()) != word) {
            return false;
        }
        pos_ += word.size();
        return true;
    }

    static int HexDigit(char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    bool String(std::string& out) {
        if (pos_ >= s_.size() || s_[pos_] != '"') {
            return false;
        }
        ++pos_;
        while (pos_ < s_.size()) {
            const char c = s_[pos_++];
            if (c == '"') {
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return false;  // control characters must be escaped
            }
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (pos_ >= s_.size()) {
                return false;
            }
            const char e = s_[pos_++];
            switch (e) {
                case '"':
                    out.push_back('"');
                    break;
                case '\\':
                    out.push_back('\\');
                    break;
                case '/':
                    out.push_back('/');
                    break;
                case 'b':
                    out.push_back('\b');
                    break;
                case 'f':
                    out.push_back('\f');
                    break;
                case 'n':
                    out.push_back('\n');
                    break;
                case 'r':
                    out.push_back('\r');
                    break;
                case 't':
                    out.push_back('\t');
                    break;
                case 'u': {
                    if (pos_ + 4 > s_.size()) {
                        return false;
                    }
                    int code = 0;
                    for (int i = 0; i < 4; ++i) {
                        const int d = HexDigit(s_[pos_ + static_cast<std::size_t>(i)]);
                        if (d < 0) {
                            return false;
                        }
                        code = code * 16 + d;
                    }
                    pos_ += 4;
                    if (code > 0xFF) {
                        return false;
                    }
                    out.push_back(static_cast<char>(code));
                    break;
                }
                default:
                    return false;
            }
        }
        return false;
    }

    bool Number(double& out) {
        const std::size_t start = pos_;
        if (pos_ < s_.size() && s_[pos_] == '-')
            ++pos_;
        const std::size_t intStart = pos_;
        while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9')
            ++pos_;
        if (pos_ == intStart)
            return false;
        if (s_[intStart] == '0' && pos_ - intStart > 1)
            return false;  // no leading zeros
        if (pos_ < s_.size() && s_[pos_] == '.') {
            ++pos_;
            const std::size_t f = pos_;
            while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9')
                ++pos_;
            if (pos_ == f)
                return false;
        }
        if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-'))
                ++pos_;
            const std::size_t e = pos_;
            while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9')
                ++pos_;
            if (pos_ == e)
                return false;
        }
        out = std::strtod(std::string(s_.substr(start, pos_ - start)).c_str(), nullptr);
        return true;
    }

    bool Value(JsonValue& v, int depth) {
        if (depth > 32) {
            return false;
        }
        Space();
        if (pos_ >= s_.size()) {
            return false;
        }
        const char c = s_[pos_];
        if (c == '{') {
            ++pos_;
            v.kind = JsonValue::Kind::Object;
            Space();
            if (pos_ < s_.size() && s_[pos_] == '}') {
                ++pos_;
                return true;
            }
            for (;;) {
                Space();
                std::string key;
                if (!String(key))
                    return false;
                Space();
                if (pos_ >= s_.size() || s_[pos_] != ':')
                    return false;
                ++pos_;
                JsonValue member;
                if (!Value(member, depth + 1))
                    return false;
                if (v.fields.count(key) != 0)
                    return false;  // duplicate keys are a fault
                v.keyOrder.push_back(key);
                v.fields.emplace(key, std::move(member));
                Space();
                if (pos_ < s_.size() && s_[pos_] == ',') {
                    ++pos_;
                    continue;
                }
                if (pos_ < s_.size() && s_[pos_] == '}') {
                    ++pos_;
                    return true;
                }
                return false;
            }
        }
        if (c == '[') {
            ++pos_;
            v.kind = JsonValue::Kind::Array;
            Space();
            if (pos_ < s_.size() && s_[pos_] == ']') {
                ++pos_;
                return true;
            }
            for (;;) {
                JsonValue item;
                if (!Value(item, depth + 1))
                    return false;
                v.items.push_back(std::move(item));
                Space();
                if (pos_ < s_.size() && s_[pos_] == ',') {
                    ++pos_;
                    continue;
                }
                if (pos_ < s_.size() && s_[pos_] == ']') {
                    ++pos_;
                    return true;
                }
                return false;
            }
        }
        if (c == '"') {
            v.kind = JsonValue::Kind::String;
            return String(v.text);
        }
        if (Literal("true")) {
            v.kind = JsonValue::Kind::Bool;
            v.boolean = true;
            return true;
        }
        if (Literal("false")) {
            v.kind = JsonValue::Kind::Bool;
            return true;
        }
        if (Literal("null")) {
            v.kind = JsonValue::Kind::Null;
            return true;
        }
        v.kind = JsonValue::Kind::Number;
        return Number(v.number);
    }

    std::string_view s_;
    std::size_t pos_ = 0;
};

}  // namespace q417::sim::testing
