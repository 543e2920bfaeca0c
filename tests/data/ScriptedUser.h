#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "DocumentUser.h"

namespace q417::test {

// A user whose answers are set beforehand and whose questions and messages are kept.
class ScriptedUser : public DocumentUser {
  public:
    SaveChoice AskSaveChanges(const std::string& title) override {
        saveQuestions.push_back(title);
        return saveChoice;
    }
    std::optional<std::string> AskSavePath() override { return savePath; }
    bool AskYesNo(Question question, const std::string& text) override {
        questions.emplace_back(question, text);
        if (onQuestion) {
            onQuestion(question);  // as if the window went on while the question is open
        }
        messagesAtQuestion.push_back(messages.size());
        const auto answer = answers.find(question);
        return answer != answers.end() && answer->second;
    }
    void ShowMessage(const std::string& text, MessageIcon icon) override {
        messages.push_back(text);
        icons.push_back(icon);
    }

    SaveChoice saveChoice = SaveChoice::Discard;
    std::optional<std::string> savePath;
    std::map<Question, bool> answers;
    std::function<void(Question)> onQuestion;
    std::vector<std::string> saveQuestions;
    std::vector<std::pair<Question, std::string>> questions;
    std::vector<std::size_t> messagesAtQuestion;  // how many messages came before each question
    std::vector<std::string> messages;
    std::vector<MessageIcon> icons;
};

}  // namespace q417::test
