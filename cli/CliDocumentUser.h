#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "DocumentUser.h"

namespace q417::cli {

// The document's user on the command line: nobody is there to ask, so every question is
// answered from the command line's options, and messages go to the error stream.
class CliDocumentUser final : public DocumentUser {
  public:
    CliDocumentUser(std::ostream& err, bool clearReadings);

    // A command never leaves changes of its own to save: Discard.
    [[nodiscard]] SaveChoice AskSaveChanges(const std::string& title) override;
    // No path can be chosen without a person: nothing.
    [[nodiscard]] std::optional<std::string> AskSavePath() override;
    // The clear question gets the --clear-readings answer; any other question No, which never
    // changes anything.
    [[nodiscard]] bool AskYesNo(Question question, const std::string& text) override;
    // "q417cli: text" on the error stream, bytes outside printable ASCII escaped.
    void ShowMessage(const std::string& text, MessageIcon icon) override;

    // Times the clear question was asked.
    [[nodiscard]] int ClearQuestionsAsked() const { return clearQuestionsAsked_; }

  private:
    std::ostream& err_;
    bool clearReadings_;
    int clearQuestionsAsked_ = 0;
};

}  // namespace q417::cli
