#pragma once
// SCAFFOLD: replaced by the dialogs branch.
#include <QValidator>
#include "SiteText.h"
namespace q417 {
class SiteTextValidator : public QValidator {
  public:
    SiteTextValidator(int maxLength, QObject* parent = nullptr) : QValidator(parent), max_(maxLength) {}
    State validate(QString& input, int&) const override {
        if (input.size() > max_) return Invalid;
        for (QChar c : input) if (c.unicode() > 255 || !IsSiteTextCharacter(char(c.unicode()))) return Invalid;
        return Acceptable;
    }
  private:
    int max_;
};
}
