#include "NumberExchange.h"

#include <QLineEdit>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "HostMessage.h"

namespace q417 {

namespace {

constexpr int kMaxNumberChars = 31;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The number's characters without the blanks around it; empty when nothing is left.
std::string Trimmed(const QString& text) {
    std::string bytes = text.left(kMaxNumberChars).toLatin1().toStdString();
    std::size_t first = 0;
    while (first < bytes.size() && IsBlank(bytes[first])) {
        ++first;
    }
    std::size_t last = bytes.size();
    while (last > first && IsBlank(bytes[last - 1])) {
        --last;
    }
    return bytes.substr(first, last - first);
}

void Refuse(QLineEdit& field, const char* message) {
    ShowHostMessage(field.window(), QString::fromLatin1(message), BoxIcon::Exclamation);
    field.setFocus();
    field.selectAll();
}

}  // namespace

QString FloatText(float value) {
    return QString::asprintf("%.*g", 6, static_cast<double>(value));
}

QString IntText(int value) {
    return QString::number(value);
}

std::optional<float> ParseFloat(const QString& text) {
    const std::string number = Trimmed(text);
    if (number.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    // Infinities and NaN are no values a readout can hold; nor is what overflows a float.
    if (end != number.c_str() + number.size() || !std::isfinite(static_cast<float>(value))) {
        return std::nullopt;
    }
    return static_cast<float>(value);
}

std::optional<int> ParseInt(const QString& text) {
    const std::string number = Trimmed(text);
    if (number.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(number.c_str(), &end, 10);
    if (end != number.c_str() + number.size() || errno == ERANGE || value < INT_MIN ||
        value > INT_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<float> ReadFloatField(QLineEdit& field) {
    const std::optional<float> value = ParseFloat(field.text());
    if (!value) {
        Refuse(field, kEnterNumberMessage);
    }
    return value;
}

std::optional<int> ReadIntField(QLineEdit& field) {
    const std::optional<int> value = ParseInt(field.text());
    if (!value) {
        Refuse(field, kEnterIntegerMessage);
    }
    return value;
}

}  // namespace q417
