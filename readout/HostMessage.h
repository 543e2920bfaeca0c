#pragma once

#include <QString>
#include <optional>
#include <string>

class QWidget;

namespace q417 {

// The icons a box of the readout windows may carry. Every box of this program that asks for no
// icon of its own shows the exclamation; only a box that is plain on purpose shows none.
enum class BoxIcon {
    Default,      // none asked for: the exclamation
    Exclamation,  // a failure the user may retry
    Stop,         // a value refused
    Plain,        // the text alone
};

// A modal box captioned "Q417 Host" with an OK button, over parent.
void ShowHostMessage(QWidget* parent, const QString& text, BoxIcon icon);
// A value the settings change refused: its text in a box with the stop icon, then the focus on
// the field that holds it. Returns whether there was a refusal.
bool ShowRefusal(QWidget* parent, const std::optional<std::string>& refusal, QWidget& field);
// A modal Yes/No question captioned "Q417 Host", with the exclamation as every question of this
// program; true for Yes. No is the default button when defaultNo is set.
[[nodiscard]] bool AskHostYesNo(QWidget* parent, const QString& text, bool defaultNo = false);

}  // namespace q417
