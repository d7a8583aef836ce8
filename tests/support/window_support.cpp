#include "support/window_support.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPixmap>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "gui/window/main_form.h"
#include "text/convert.h"

namespace kaplo::gui {

void SaveShot(QWidget* widget, const QString& name) {
  const char* shots = std::getenv("KAPLO_WINDOW_SHOTS");
  if (!shots || !*shots) return;
  const QString folder = QString::fromLocal8Bit(shots);
  QDir().mkpath(folder);
  widget->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

bool WaitFor(const std::function<bool()>& done, int bound_ms) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > bound_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

QStringList ListLines(const QObject* root, const char* list) {
  QStringList out;
  if (auto* box = Find<QListWidget>(root, list)) {
    for (int i = 0; i < box->count(); ++i) out << box->item(i)->text();
  }
  return out;
}

Prompter::Answer ScriptedPrompter::Ask(std::string_view question, Buttons) {
  questions.push_back(ShiftJISToUtf8(question));
  return answer;
}

void ScriptedPrompter::Inform(std::string_view message) {
  informed.push_back(ShiftJISToUtf8(message));
}

void ScriptedPrompter::ShowInformation(std::string_view label, std::string_view) {
  information.push_back(ShiftJISToUtf8(label));
}

std::optional<std::string> ScriptedPrompter::SaveHtmlDialog(std::string_view suggested_name,
                                                            std::string_view) {
  dialogs.push_back(ShiftJISToUtf8(suggested_name));
  return save_as;
}

std::optional<std::string> ScriptedPrompter::SaveImageDialog(std::string_view suggested_name,
                                                             std::string_view) {
  image_dialogs.push_back(ShiftJISToUtf8(suggested_name));
  return save_as;
}

TestFolder::TestFolder(const std::string& prefix) {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = "kaplo-" + prefix + "-" + std::to_string(::getpid());
  if (test) name += std::string("-") + test->test_suite_name() + "-" + test->name();
  for (char& c : name) {
    if (c == '/') c = '_';  // parameterised tests' names
  }
  path_ = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TestFolder::~TestFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::unique_ptr<TAMainForm> OpenTestWindow(const std::filesystem::path& settings_file,
                                           Prompter* prompter) {
  MainFormOptions options;
  options.settings_file = settings_file;
  options.initial_navigation = false;
  options.message_boxes = false;
  options.prompter = prompter;
  return std::make_unique<TAMainForm>(options);
}

}  // namespace kaplo::gui
