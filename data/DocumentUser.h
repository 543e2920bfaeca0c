#pragma once

#include <optional>
#include <string>

namespace q417 {

enum class SaveChoice { Save, Discard, Cancel };
enum class MessageIcon { Exclamation, Error, Information };

// How the document asks and tells the user. The window implements it with message boxes and
// file dialogs; the command-line tool and the tests answer from what they were given.
class DocumentUser {
  public:
    virtual ~DocumentUser() = default;

    // "Save changes to <title>?" with Yes (save), No (discard) and Cancel.
    [[nodiscard]] virtual SaveChoice AskSaveChanges(const std::string& title) = 0;
    // Where to save a document that has no file yet; nothing when the user cancels.
    [[nodiscard]] virtual std::optional<std::string> AskSavePath() = 0;
    // A question with Yes and No; true for Yes.
    [[nodiscard]] virtual bool AskYesNo(const std::string& question) = 0;
    // A message with an OK button.
    virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
};

}  // namespace q417
