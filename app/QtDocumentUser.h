#pragma once

#include <QPointer>
#include <QWidget>

#include "DocumentUser.h"

namespace q417 {

class UiActivity;

// The user as the window asks them: message boxes captioned "Q417 Host" and the file chooser
// for Save As. Every box is modal and marks the window busy while it is open.
class QtDocumentUser : public DocumentUser {
  public:
    explicit QtDocumentUser(UiActivity& activity);

    // The window the boxes belong to (nothing: none yet).
    void SetParentWindow(QWidget* window) { parent_ = window; }

    SaveChoice AskSaveChanges(const std::string& title) override;
    std::optional<std::string> AskSavePath() override;
    bool AskYesNo(Question question, const std::string& text) override;
    void ShowMessage(const std::string& text, MessageIcon icon) override;

    // File > Open: the file to open, nothing when the user cancels.
    [[nodiscard]] std::optional<std::string> AskOpenPath();

  private:
    UiActivity& activity_;
    QPointer<QWidget> parent_;
};

// The filter of the file choosers.
inline constexpr const char* kSiteFileFilter = "Q417 Files (*.ini);;All Files (*)";

}  // namespace q417
