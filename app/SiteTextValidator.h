#pragma once

#include <QValidator>

namespace q417 {

// Keeps a location or an ID fit for the comma-separated site line: no comma, line break or zero,
// nothing outside Latin-1 (texts are 8-bit), and at most maxLength characters.
class SiteTextValidator : public QValidator {
    Q_OBJECT

  public:
    explicit SiteTextValidator(int maxLength, QObject* parent = nullptr);

    [[nodiscard]] int maxLength() const { return maxLength_; }

    State validate(QString& input, int& pos) const override;
    // Drops the characters that may not be typed and cuts what is left to maxLength.
    void fixup(QString& input) const override;

  private:
    int maxLength_;
};

}  // namespace q417
