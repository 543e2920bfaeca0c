#pragma once

#include <QString>

class QWidget;

namespace q417 {

// The icons a box of the readout windows may carry.
enum class BoxIcon {
    None,         // a plain box: the text alone
    Exclamation,  // a failure the user may retry
    Stop,         // a value refused
};

// A modal box captioned "Q417 Host" with an OK button, over parent.
void ShowHostMessage(QWidget* parent, const QString& text, BoxIcon icon);
// A modal Yes/No question captioned "Q417 Host"; true for Yes. No is the default button when
// defaultNo is set.
[[nodiscard]] bool AskHostYesNo(QWidget* parent, const QString& text, bool defaultNo = false);

}  // namespace q417
