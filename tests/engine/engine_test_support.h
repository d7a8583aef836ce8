// Test doubles of the engine's ports.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/ports.h"

namespace kaplo::test {

// Answers questions from a script and records what was asked.
class ScriptedPrompter : public Prompter {
 public:
  std::vector<Answer> answers;  // taken in order; Yes when used up
  std::vector<std::string> asked, informed, information_labels;
  std::optional<std::string> save_path;
  int save_dialogs = 0;

  Answer Ask(std::string_view q, Buttons) override {
    asked.emplace_back(q);
    if (answers.empty()) return Answer::Yes;
    const Answer a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  void Inform(std::string_view m) override { informed.emplace_back(m); }
  void ShowInformation(std::string_view label, std::string_view) override {
    information_labels.emplace_back(label);
  }
  std::optional<std::string> SaveHtmlDialog(std::string_view, std::string_view) override {
    ++save_dialogs;
    return save_path;
  }
};

}  // namespace kaplo::test
