// The download tab's window tests share this: the window as the program
// builds it with a scripted prompter, a save folder, and waiting for jobs.
#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QSignalSpy>
#include <QTabWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "gui/tabs/download/download_tab.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/window/main_form.h"
#include "support/window_support.h"

namespace kaplo::gui {

namespace fs = std::filesystem;

class DownloadTabTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "save");
    MakeForm(&prompter_);
  }
  // prompter null: the window's own message boxes and information window.
  void MakeForm(Prompter* prompter) {
    form_.reset();
    form_ = OpenTestWindow(dir_ / "KAPLO.inf", prompter);
    tab_ = dynamic_cast<DownloadTab*>(form_->TabAt(TabId::Download));
    ASSERT_NE(tab_, nullptr);
    form_->resize(1400, 900);
    form_->show();
    form_->ShowTab(TabId::Download);
  }
  // Brings a page of the download tab's tab widgets to the front.
  void ShowPage(const char* name) {
    form_->ShowTab(TabId::Download);
    QWidget* page = W(name);
    ASSERT_NE(page, nullptr) << name;
    auto* tabs = qobject_cast<QTabWidget*>(page->parentWidget()->parentWidget());
    ASSERT_NE(tabs, nullptr) << name;
    tabs->setCurrentWidget(page);
  }
  void TearDown() override { form_.reset(); }

  template <typename T = QWidget>
  T* W(const char* name) {
    return Find<T>(form_.get(), name);
  }
  QString Folder() const { return QString::fromStdString((dir_ / "save").string() + "/"); }
  void SetUrl(const std::string& url) {
    W<QComboBox>("ComboBoxWBUrl")->setEditText(QString::fromStdString(url));
  }
  QStringList Lines(const char* list) { return ListLines(form_.get(), list); }
  bool Colored(TRichEditEx* view) {
    for (int i = 0; i < view->blockCount(); ++i) {
      if (!view->LineFormatsOf(i).isEmpty()) return true;
    }
    return false;
  }
  bool RunAndWait(const std::function<void()>& start) {
    QSignalSpy done(tab_, &DownloadTab::JobFinished);
    start();
    return WaitFor([&] { return done.count() > 0; }, 60000);
  }

  TestFolder dir_{"dltab"};
  ScriptedPrompter prompter_;
  std::unique_ptr<TAMainForm> form_;
  DownloadTab* tab_ = nullptr;
};

}  // namespace kaplo::gui
