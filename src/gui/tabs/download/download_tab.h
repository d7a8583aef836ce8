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
#include "gui/window/main_form.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace kaplo::gui {

class BrowserPane;
class TInformboxForm;
class TRadioGroup;
class TRichEditEx;

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

  // The single text file sheet.
  void sbPGTab02RTab07IndividualUrlClick();
  void sbPGTab02RTab07IndividualDownloadClick();
  void sbsbPGTab02RTab07IndividualSaveFileClick();
  void sbsbPGTab02RTab07IndividualOpenFileClick();
  void sbsbPGTab02RTab07IndividualOpenFileGoClick();
  void sbsbPGTab02RTab07IndividualMemoClearClick();
  void sbsbPGTab02RTab07IndividualCOPYClick();
  void sbPGTab02RTab07IndividualUrlPasteClick();
  // The single image sheet.
  void sbPGTab02RTab08ImageIndividualGoClick();
  void sbPGTab02RTab08ImageIndividualDownloadClick();
  void sbPGTab02RTab08ImageIndividualOpenFileClick();
  void sbPGTab02RTab08ImageIndividualClearClick();
  void sbPGTab02RTab08ImageIndividualPasteClick();
  // A line chosen in one of the download lists (by the list's objectName):
  // the lines of stylesheets, images and their outcomes fill the sheets.
  void DownloadListClick(const std::string& list, const std::string& line);

  // The information window the tab's questions about a page show; without
  // one the tab makes its own.
  void SetInformationWindow(TInformboxForm* box);
  TInformboxForm* InformationWindow();

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
  static QWidget* AddTabPage(QTabWidget* tabs, const char* name, const char* caption);
  QTabWidget* BuildLeftTabs();
  QTabWidget* BuildRightTabs();
  QListWidget* AddList(QWidget* parent, const char* name);
  TRichEditEx* AddView(QWidget* parent, const char* name);
  void BuildIndividualSheet(QWidget* page);
  void BuildImageSheet(QWidget* page);
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
  void ShowSheets(const DownloadForm& form, const IndividualTextSheet& text,
                  const IndividualImageSheet& image);
  void SheetsToEngine();
  // A URL box shows history as its items and text as its text.
  static void ShowUrlBox(QComboBox* box, const std::vector<std::string>& history,
                         const std::string& text);
  // Runs a sheet action on the worker; its panes load afresh afterwards.
  void RunSheetAction(std::function<void()> work);
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
  std::map<JobView, TRichEditEx*> views_;
  TRichEditEx* css_js_memo_ = nullptr;
  QLabel* css_js_win_file_ = nullptr;

  QComboBox* indiv_url_ = nullptr;
  QLineEdit* indiv_file_ = nullptr;
  TRichEditEx* indiv_memo_ = nullptr;
  BrowserPane* indiv_browser_ = nullptr;
  std::string indiv_browser_shown_;
  QLineEdit* image_url_ = nullptr;
  QLineEdit* image_file_ = nullptr;
  BrowserPane* image_browser_ = nullptr;
  std::string image_browser_shown_;
  QPointer<TInformboxForm> informbox_;
};

}  // namespace kaplo::gui
