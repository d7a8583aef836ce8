// The download tab: URL, folders, options, the working lists and source views
// of a download, and the frame list. Jobs run on a worker thread; the window
// only ever shows copies of the engine's state that the worker hands over.
//
// The tab's files: download_tab.cpp (the tab, its worker and engine),
// download_top_panel.cpp (URL, folders, buttons, frame list),
// download_settings_sheet.cpp (the options), download_lists.cpp (the pages
// with the working lists and source views), download_individual.cpp (the
// single file sheets).
#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_relay.h"
#include "archive/warc_writer.h"
#include "engine/engine.h"
#include "engine/site_job.h"
#include "engine/single_file.h"
#include "gui/common/lazy_widget.h"
#include "gui/common/tab.h"
#include "gui/tabs/download/download_pages.h"

class QAbstractButton;
class QComboBox;
class QSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;
class QPushButton;

namespace kaplo::gui {

class BrowserPane;
class KeywordBar;
class TRadioGroup;
class TRichEditEx;
class WindowPorts;
class WorkerHost;

class DownloadTab : public QWidget, public Tab {
  Q_OBJECT

 public:
  DownloadTab();
  ~DownloadTab() override;

  // A job (or a navigation) is running on the worker.
  bool Busy() const;
  // The engine as the last finished job left it; only while not Busy().
  const DownloadEngine& Engine() const { return *engine_; }
  // The saved page the local views are to show now.
  std::string ConfirmedPage() const { return engine_->Labels().confirmed_page; }
  // What the last download job came to; only while not Busy().
  const DownloadResult& LastResult() const { return last_result_; }

  // The user's actions.
  void btnDownloadAllClick();
  void btnDownloadStopClick();
  // Opens the saved page from its folder offscreen and shows in the
  // information window what it still asks the network for, which files it
  // misses and how far it looks unlike the live page.
  void btnDLCheckSavedClick();
  void sbDLNavigateClick();
  // "ＨＴＴＰｇｅｔ": the URL box's address asked for its headers; the
  // answer's status, headers, date and size in the information window.
  void sbDLHTTPGetClick();
  // The clipboard's URL into the URL box (and its history), then navigated.
  void sbDLUrlPasteNavigateClick();
  void btnDLOpenFramesetClick();
  void btnDLSaveHTMLOnlyClick();
  void ListBoxWBInFrameFileListClick();
  void sbDLFrameGoClick();
  // A frame entry of the page: what the frame choice says is done with it.
  void RunFrameEntry(const std::string& entry);
  void sbDLFrameIEOpenClick();
  void sbDLFrameCOPYClick();
  void sbDLFramePasteClick();

  // The bars of the two browser panes.
  void sbDLBackwardClick();
  void sbDLHomeClick();
  void sbDLWebNavigateHomeClick();
  void sbDLWebNavigateCOPYClick();
  void sbDLWebNavigateOpenIEClick();
  void sbDLBackLocalBrowserClick();
  void sbDLNavigateLocalHomeClick();
  void sbDLNavigateLocalOpenFileClick();
  void sbDLNavigateLocalHomeOpenIEClick();
  // Where sbDLNavigateLocalOpenFileClick asks for a page; tests answer it.
  using OpenFileDialog = std::function<QString(const QString& title)>;
  void SetOpenFileDialog(OpenFileDialog dialog) { open_file_dialog_ = std::move(dialog); }

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

  // The menu "ﾀﾞｳﾝﾛｰﾄﾞ設定": the presets of URL and save folder.
  void MenuDLSettingsSaveClick();
  void MenuDLSettingsAppendClick();
  void MenuDLSettingsRemoveClick();
  // A preset's URL chosen in the URL box's drop-down: its save folder too.
  void PresetChosen(const QString& url);

  // Tab
  void Build(TabContext& context) override;
  void BindSettings(SettingsBindings& bindings, Settings& settings) override;
  void LoadSettings(const Settings& settings) override;
  void Reset() override;
  void FirstShown() override;
  void Entered() override;
  // A page another tab hands over goes into the URL box, ready to download.
  void TakeAddress(const QString& address) override;
  // A link followed on the search tab: the URL box, and with kNewPage the
  // last page's lists, names and labels go.
  void TakeLink(const QString& address, LinkUse use) override;

 signals:
  // The worker finished and the controls show the engine's final state.
  void JobFinished();

 private:
  class Observer;
  friend class Observer;
  // The stop: the single job's engine and the site job's pages.
  void StopJobs();
  class DeferredBrowserPort;

  // Empties every source view of views_ that was made.
  void ClearViews();
  // What a page showed goes before the next one is shown: the views, the
  // keyword boxes and their results, the single file sheets, the labels
  // over the sources.
  void ClearRichEditListBox();
  QWidget* BuildTopPanel();
  QWidget* BuildFrameGroup();
  QWidget* BuildSettingsSheet();
  QWidget* AddPage(DownloadPage page);
  QTabWidget* BuildLeftTabs();
  QTabWidget* BuildRightTabs();
  QListWidget* AddList(QWidget* parent, const char* name);
  // A source view made when first shown or first written to.
  Lazy<TRichEditEx> AddView(QWidget* parent, const char* name);
  // The view under the keyword bar of row input, its result list beside it.
  void AddSourcePane(QWidget* page, Lazy<TRichEditEx> view, const char* input);
  // A browser pane made when first shown or first used.
  // status, when given, is the pane's status bar: it shows the addresses the
  // pane reports, never its messages.
  Lazy<BrowserPane> AddPane(QWidget* parent, const char* name, QLabel* status = nullptr);
  QLabel* AddStatusBar(QWidget* page, const char* name);
  QWidget* BuildWebBrowserBar(QWidget* parent, Lazy<BrowserPane> pane);
  QWidget* BuildLocalBrowserBar(QWidget* parent, Lazy<BrowserPane> pane);
  void BuildIndividualSheet(QWidget* page);
  void BuildImageSheet(QWidget* page);
  // Finds the named controls the handlers use, once, after building.
  void ResolveControls();
  void ResetChoices();
  // "初期状態に戻す" of the fields the settings file remembers.
  void ResetRemembered();
  void BuildPresetMenu();
  // The last page's lists, names and labels go (a new address).
  void StartOver();

  // Runs work on the worker thread; false when one is already running.
  bool StartWorker(std::function<void()> work);
  void WorkerDone();
  // Runs fn on the window thread without waiting.
  void Post(std::function<void()> fn);

  // The download tab's options and the job it asks for, as the controls say.
  DownloadOptions OptionsFromControls() const;
  DownloadRequest RequestFromControls() const;
  // What the engine shows, on the window thread.
  void ShowLabels(const JobLabels& labels);
  void ShowOptions(const DownloadOptions& options);
  // The single file sheets: requests from their controls, results shown.
  SingleTextRequest TextSheetRequest() const;
  void ShowTextSheet(const SingleTextResult& result);
  void ShowImageSheet(const std::string& url, const std::string& file, const std::string& browser);
  // Runs a text sheet action on the worker and shows its result.
  void RunTextSheet(std::function<SingleTextResult(const SingleTextRequest&)> action);
  // A URL box shows history as its items and text as its text.
  static void ShowUrlBox(QComboBox* box, const std::vector<std::string>& history,
                         const std::string& text);
  // Runs a sheet action on the worker; its panes load afresh afterwards.
  void RunSheetAction(std::function<void()> work);
  void ShowLists(const JobLists& lists);
  void ShowPage(DownloadPage page);
  // A page the engine names by its caption (Shift_JIS).
  void SetRunning(bool running);
  void UpdateStates();

  TabHost* host_ = nullptr;
  Prompter* prompter_ = nullptr;
  Settings* settings_ = nullptr;  // the window's record, for the presets
  // The files a job leaves besides the folder (download_job_files.cpp):
  // the web archive its fetcher records through the relay, the one-file page
  // whose frames a quiet engine of its own saves.
  struct JobFiles {
    bool warc = false, one_file = false;
  };
  JobFiles JobFilesFromControls() const;
  void BeginJobFiles(const JobFiles& files, const DownloadRequest& request);
  void EndJobFiles(const JobFiles& files, const DownloadResult& result);
  ArchiveRelay archive_relay_;
  std::unique_ptr<WarcWriter> archive_;
  JobObserver quiet_observer_;
  std::unique_ptr<DownloadEngine> frame_engine_;
  std::unique_ptr<Fetcher> fetcher_;
  std::unique_ptr<BrowserPort> browser_;
  std::unique_ptr<WorkerHost> worker_;
  // The header probe runs apart from jobs: it changes nothing of the engine.
  std::unique_ptr<WorkerHost> probe_worker_;
  std::unique_ptr<WindowPorts> ports_;
  std::unique_ptr<Observer> observer_;
  std::unique_ptr<DownloadEngine> engine_;
  std::unique_ptr<SiteJob> site_job_;  // the job of several pages, when ticked
  bool running_ = false;
  bool sheet_work_ = false;  // the worker runs a single file sheet's action
  // While set, an edit of the address box does not start over (the tab
  // itself wrote it).
  bool suppress_url_change_ = false;

  QWidget* top_panel_ = nullptr;
  DownloadResult last_result_;
  QComboBox* url_box_ = nullptr;
  QLineEdit* save_folder_ = nullptr;
  QLineEdit* local_file_ = nullptr;
  QLineEdit* confirm_file_ = nullptr;
  QLineEdit* org_file_ = nullptr;
  QLineEdit* frame_link_ = nullptr;
  QLineEdit* save_name_ = nullptr;
  QLineEdit* top_page_ = nullptr;
  QLineEdit* dummy_dir_ = nullptr;
  QLineEdit* base_page_local_ = nullptr;
  QLabel* label_file_ = nullptr;
  QLabel* label_count_ = nullptr;
  QLabel* label_web_url_ = nullptr;
  QLabel* label_local_url_ = nullptr;
  QPushButton* btn_all_ = nullptr;
  QPushButton* btn_stop_ = nullptr;
  // Buttons that act only while no job runs.
  std::vector<QWidget*> idle_only_;
  QListWidget* frame_list_ = nullptr;
  QTabWidget* left_tabs_ = nullptr;
  QTabWidget* right_tabs_ = nullptr;
  std::map<DownloadPage, QWidget*> pages_;
  std::map<std::string, QListWidget*> lists_;  // by list box name
  std::map<JobView, Lazy<TRichEditEx>> views_;
  Lazy<TRichEditEx> css_js_memo_;
  QLabel* css_js_win_file_ = nullptr;
  // The code a stylesheet or script outcome's file is read in.
  TRadioGroup* css_js_code_ = nullptr;
  QLabel* label_web_src_ = nullptr;  // the address over the web source
  std::vector<KeywordBar*> keyword_bars_;  // of the source views

  // The options sheet.
  struct Choices {
    TRadioGroup* final_open;
    TRadioGroup* remove_base_href;
    TRadioGroup* html_dq_slash;
    TRadioGroup* remove_other_domain;
    TRadioGroup* url_web_decode;
    TRadioGroup* main_html_charset;
    TRadioGroup* css_js_charset;
    TRadioGroup* frame_download;
    TRadioGroup* mask_url_root;
    TRadioGroup* base_level;
    TRadioGroup* initial_load;
    TRadioGroup* indiv_code;
    TRadioGroup* indiv_save_code;
    TRadioGroup* indiv_screen;
  } radio_{};
  struct Checks {
    QAbstractButton* dont_empty_folder;
    QAbstractButton* dont_save_image;
    QAbstractButton* dont_make_css_list;
    QAbstractButton* css_only;
    QAbstractButton* download_inner_html;
    QAbstractButton* dont_web_list_clear;
    QAbstractButton* save_this_name;
    QAbstractButton* top_directory_for_unknown;
    QAbstractButton* local_dont_load;
    QAbstractButton* dont_redraw;
    QAbstractButton* remove_domain;
    QAbstractButton* warc;         // a web archive beside the page
    QAbstractButton* single_file;  // the one-file page beside the page
  } check_{};

  QAbstractButton* same_site_ = nullptr;  // 同じサイトのリンク先も保存する
  QSpinBox* depth_ = nullptr;             // how many links deep; 0 this page only
  QComboBox* indiv_url_ = nullptr;
  QLineEdit* indiv_file_ = nullptr;
  Lazy<TRichEditEx> indiv_memo_;
  Lazy<BrowserPane> indiv_browser_;
  std::string indiv_browser_shown_;
  QLineEdit* image_url_ = nullptr;
  QLineEdit* image_file_ = nullptr;
  Lazy<BrowserPane> image_browser_;
  std::string image_browser_shown_;
  Lazy<BrowserPane> web_pane_;
  Lazy<BrowserPane> result_pane_;
  QLabel* label_local_src_ = nullptr;
  OpenFileDialog open_file_dialog_;
};

}  // namespace kaplo::gui
