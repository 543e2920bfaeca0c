#include "SiteTextValidator.h"

#include <string>

#include "SiteText.h"

namespace q417 {

namespace {

[[nodiscard]] bool IsFit(QChar c) {
    return c.unicode() <= 0xFF && IsSiteTextCharacter(static_cast<char>(c.unicode()));
}

}  // namespace

SiteTextValidator::SiteTextValidator(int maxLength, QObject* parent)
    : QValidator(parent), maxLength_(maxLength) {}

QValidator::State SiteTextValidator::validate(QString& input, int& /*pos*/) const {
    if (input.size() > maxLength_) {
        return Invalid;
    }
    for (QChar c : input) {
        if (!IsFit(c)) {
            return Invalid;
        }
    }
    return Acceptable;
}

void SiteTextValidator::fixup(QString& input) const {
    std::string latin1;
    for (QChar c : input) {
        if (c.unicode() <= 0xFF) {
            latin1.push_back(static_cast<char>(c.unicode()));
        }
    }
    input = QString::fromLatin1(CleanSiteText(latin1, maxLength_));
}

}  // namespace q417
