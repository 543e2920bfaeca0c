#include "CliDocumentUser.h"

#include "TextEscaping.h"

namespace q417::cli {

CliDocumentUser::CliDocumentUser(std::ostream& err, bool clearReadings)
    : err_(err), clearReadings_(clearReadings) {}

SaveChoice CliDocumentUser::AskSaveChanges(const std::string& /*title*/) {
    return SaveChoice::Discard;
}

std::optional<std::string> CliDocumentUser::AskSavePath() {
    return std::nullopt;
}

bool CliDocumentUser::AskYesNo(Question question, const std::string& /*text*/) {
    if (question == Question::ClearReadings) {
        ++clearQuestionsAsked_;
        return clearReadings_;
    }
    return false;
}

void CliDocumentUser::ShowMessage(const std::string& text, MessageIcon /*icon*/) {
    // Messages name files and sites, which may hold any byte.
    err_ << "q417cli: " << TerminalText(text) << '\n';
}

}  // namespace q417::cli
