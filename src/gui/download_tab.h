// The download tab: URL, folders, options, the working lists and source views
// of a download, and the frame list. Jobs run on a worker thread; the window
// only ever shows copies of the engine's state that the worker hands over.
#pragma once

#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/engine.h"
#include "gui/main_form.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace kaplo::gui {

class TRadioGroup;

class DownloadTab : public QWidget, public WindowTool {
  Q_OBJECT

 public:
  // prompter answers the questions and dialogs on the window thread; null:
  // message boxes and file dialogs.
  explicit DownloadTab(TAMainForm* form, Prompter* prompter = nullptr);
  ~DownloadTab() override;

  // Builds the tab into the window's download page.
  static DownloadTab* Install(TAMainForm* form, Prompter* prompter = nullptr);

  // A job (or a navigation) is running on the worker.
  bool Busy() const { return worker_.joinable(); }
  // The engine as the last finished job left it; only while not Busy().
  const DownloadEngine& Engine() const { return *engine_; }

  // The user's actions.
  void btnDownloadAllClick();
  void btnDownloadStopClick();
  void sbDLNavigateClick();
  void btnDLOpenFramesetClick();
  void btnDLSaveHTMLOnlyClick();
  void ListBoxWBInFrameFileListClick();
  void sbDLFrameGoClick();
  void sbDLFrameIEOpenClick();
  void sbDLFrameCOPYClick();
  void sbDLFramePasteClick();

  // WindowTool
  void ReleaseInitialize() override;
  void FirstShown() override;
  void TabEntered() override;

 signals:
  // The worker finished and the controls show the engine's final state.
  void JobFinished();

 private:
  class Observer;
  class WindowPorts;
  friend class Observer;
  friend class WindowPorts;

  void Build();
  QWidget* BuildTopPanel();
  QWidget* BuildFrameGroup();
  QWidget* BuildSettingsSheet();
  QTabWidget* BuildLeftTabs();
  QTabWidget* BuildRightTabs();
  QListWidget* AddList(QWidget* parent, const char* name);
  QPlainTextEdit* AddView(QWidget* parent, const char* name);
  void ResetChoices();

  // Runs work on the worker thread; false when one is already running.
  bool StartWorker(std::function<void()> work);
  void WorkerDone();
  // Runs fn on the window thread and waits for it (directly when already there).
  void OnWindow(const std::function<void()>& fn);
  // Runs fn on the window thread without waiting.
  void Post(std::function<void()> fn);

  // Controls <-> engine, on the window thread while no job runs.
  void ControlsToEngine();
  void EngineToControls();
  void ShowForm(const DownloadForm& form);
  void ShowLists(const DownloadLists& lists);
  void ShowTabByCaption(const QString& caption);
  void SetRunning(bool running);
  void UpdateStates();

  TAMainForm* form_;
  std::unique_ptr<Prompter> own_prompter_;
  Prompter* prompter_;
  std::unique_ptr<Fetcher> fetcher_;
  std::unique_ptr<BrowserPort> browser_;
  std::unique_ptr<WindowPorts> ports_;
  std::unique_ptr<Observer> observer_;
  std::unique_ptr<DownloadEngine> engine_;
  QPointer<QObject> bridge_;  // context of calls handed to the window thread

  std::thread worker_;
  std::atomic<bool> stop_pending_{false};
  std::atomic<bool> closing_{false};
  std::atomic<bool> worker_done_{false};
  bool running_ = false;

  QComboBox* url_box_ = nullptr;
  QLineEdit* save_folder_ = nullptr;
  QLineEdit* local_file_ = nullptr;
  QLineEdit* confirm_file_ = nullptr;
  QLineEdit* org_file_ = nullptr;
  QLineEdit* frame_link_ = nullptr;
  QLabel* label_file_ = nullptr;
  QLabel* label_count_ = nullptr;
  QLabel* label_web_url_ = nullptr;
  QLabel* label_local_url_ = nullptr;
  QPushButton* btn_all_ = nullptr;
  QPushButton* btn_stop_ = nullptr;
  QListWidget* frame_list_ = nullptr;
  QTabWidget* left_tabs_ = nullptr;
  QTabWidget* right_tabs_ = nullptr;
  QWidget* left_side_ = nullptr;
  QWidget* right_side_ = nullptr;
  std::map<std::string, QListWidget*> lists_;       // by list box name
  std::map<JobView, QPlainTextEdit*> views_;
  QPlainTextEdit* css_js_memo_ = nullptr;
};

}  // namespace kaplo::gui
