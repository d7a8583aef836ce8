// Test doubles of the engine's ports.
#pragma once

#include <unistd.h>

#include <filesystem>
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

// A fresh folder below the temporary folder with a "save" folder in it,
// removed again at the end.
struct TempSaveFolder {
  explicit TempSaveFolder(const std::string& tag)
      : root(std::filesystem::temp_directory_path() /
             ("kaplo-" + tag + "-" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "save");
  }
  ~TempSaveFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
  std::filesystem::path root;
  std::string save = (root / "save").string() + "/";
};

}  // namespace kaplo::test
