// What the window tests share: waiting with the event loop running, finding
// a named control, a prompter that answers from a script and keeps what it
// was asked, a folder of the test's own, and the window as the program
// builds it, pointed at that folder's settings file.
#pragma once

#include <gtest/gtest.h>

#include <QObject>
#include <QString>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ports.h"
#include "gui/common/gui_util.h"  // U(), for the captions tests expect
#include "gui/common/require.h"

namespace kaplo::gui {

class TAMainForm;

// Runs the window's events until done() holds; false after bound_ms.
bool WaitFor(const std::function<bool()>& done, int bound_ms = 30000);

// The control named name below root (a pane made when first shown is made
// now); a failure of the test, and null, when there is none.
template <typename T = QWidget>
T* Find(const QObject* root, const char* name) {
  T* found = FindControl<T>(root, QString::fromLatin1(name));
  EXPECT_NE(found, nullptr) << "no control named " << name;
  return found;
}

// A picture of widget for a person to look at, written as name.png into the
// folder KAPLO_WINDOW_SHOTS names; nothing when it is not set.
void SaveShot(QWidget* widget, const QString& name);

// The texts of a list box's lines, top to bottom.
QStringList ListLines(const QObject* root, const char* list);

// Answers the window's questions and dialogs from a script, on the window
// thread, and keeps (in UTF-8) what it was asked and told.
class ScriptedPrompter : public Prompter {
 public:
  Answer Ask(std::string_view question, Buttons) override;
  void Inform(std::string_view message) override;
  void ShowInformation(std::string_view label, std::string_view text) override;
  std::optional<std::string> SaveHtmlDialog(std::string_view suggested_name,
                                            std::string_view folder) override;
  std::optional<std::string> SaveImageDialog(std::string_view suggested_name,
                                             std::string_view folder) override;

  Answer answer = Answer::Yes;           // to every question
  std::optional<std::string> save_as;    // the save dialog's choice; none: cancelled
  std::vector<std::string> questions;    // asked
  std::vector<std::string> informed;     // notices
  std::vector<std::string> information;  // labels of the information window
  std::vector<std::string> dialogs;      // names the save dialog proposed
  std::vector<std::string> image_dialogs;  // names the image save dialog proposed
};

// A folder of the running test's own below the temporary folder, empty;
// removed when the object goes.
class TestFolder {
 public:
  explicit TestFolder(const std::string& prefix);
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// The window as the program builds it, its settings file given, no page
// loaded at start-up and no message box: notices are kept (LastMessage),
// questions go to prompter (null: message boxes).
std::unique_ptr<TAMainForm> OpenTestWindow(const std::filesystem::path& settings_file,
                                           Prompter* prompter = nullptr);

}  // namespace kaplo::gui
