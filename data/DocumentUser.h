#pragma once

#include <optional>
#include <string>

namespace q417 {

enum class SaveChoice { Save, Discard, Cancel };
enum class MessageIcon { Exclamation, Error, Information };
// The document's Yes/No questions, so that an answer never depends on how a question is worded.
enum class Question {
    ConfirmUpload,     // "Are you sure you want to upload new site info?"
    ClearReadings,     // "Would you like to clear all Q417 data points?"
    DownloadData,      // "Would you like to download Q417 data?"
    QuitDuringUpload,  // the window closes while the readout is being written
};

// How the document asks and tells the user. The window implements it with message boxes and
// file dialogs; the command-line tool and the tests answer from what they were given.
class DocumentUser {
  public:
    virtual ~DocumentUser() = default;

    // "Save changes to <title>?" with Yes (save), No (discard) and Cancel.
    [[nodiscard]] virtual SaveChoice AskSaveChanges(const std::string& title) = 0;
    // Where to save a document that has no file yet; nothing when the user cancels.
    [[nodiscard]] virtual std::optional<std::string> AskSavePath() = 0;
    // A question with Yes and No, text being how it is put to the user; true for Yes.
    [[nodiscard]] virtual bool AskYesNo(Question question, const std::string& text) = 0;
    // A message with an OK button.
    virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
};

}  // namespace q417
