#include "gui/tabs/download/download_tab.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <utility>

#include "engine/saved_page.h"
#include "engine/parallel_fetch.h"
#include "engine/url.h"
#include "gui/common/gui_util.h"
#include "gui/common/require.h"
#include "gui/common/settings_bindings.h"
#include "gui/common/window_ports.h"
#include "gui/common/worker_host.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/colorize_view.h"
#include "gui/widgets/informbox_form.h"
#include "gui/widgets/keyword_bar.h"
#include "gui/widgets/page_check.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/widgets/top_over_split.h"
#include "gui/widgets/web_page_port.h"
#include "shell/messages.h"
#include "text/convert.h"
#include "text/fsname.h"
#include "text/urlcode.h"
#include "workspace/web_search.h"

namespace kaplo::gui {

// Hands what the engine shows to the window as copies. Lists are copied at
// most a few times a second: a long image loop changes them per item.
class DownloadTab::Observer : public JobObserver {
 public:
  explicit Observer(DownloadTab& tab) : tab_(tab) {}

  void LabelsChanged(const JobLabels& labels) override {
    tab_.Post([t = &tab_, copy = labels] { t->ShowLabels(copy); });
  }
  void ListsChanged(const JobLists& lists) override {
    lists_dirty_ = true;
    last_lists_ = &lists;
    FlushLists(lists, false);
  }
  void ShowText(JobText which, std::string_view text, bool colour) override {
    tab_.Post([t = &tab_, which, s = std::string(text), colour] {
      // The page as fetched shows in two views.
      for (const JobView view : ViewsOf(which)) {
        const auto it = t->views_.find(view);
        if (it == t->views_.end()) continue;
        TRichEditEx* v = it->second.get();
        // The page's own source and the saved one are read with room beside them.
        if (view == JobView::WebSource || view == JobView::Local) v->SetTextMargins(40, 30);
        if (colour) {
          ShowColored(v, s);
        } else {
          v->SetSjisText(s);
          ResetViewColors(v);
        }
      }
    });
  }
  void ClearTexts() override {
    tab_.Post([t = &tab_] { t->ClearRichEditListBox(); });
  }
  void Focus(JobFocus what) override {
    tab_.Post([t = &tab_, what] { t->ShowPage(PageOf(what)); });
  }
  void RunningChanged(bool running) override {
    if (!running) last_lists_ = nullptr;
    tab_.Post([t = &tab_, running] { t->SetRunning(running); });
  }
  void Progress(std::string_view count_label, std::string_view file_label) override {
    // Where a long loop lets the window act: a stop asked for meanwhile
    // takes effect here, on the engine's own thread.
    if (tab_.worker_->OnWorkerThread() && tab_.worker_->TakeStop()) tab_.StopJobs();
    if (lists_dirty_) FlushLists(last_lists_ ? *last_lists_ : tab_.engine_->Lists(), false);
    const bool show_file = file_label.find(' ') == std::string_view::npos;
    tab_.Post([t = &tab_, c = std::string(count_label), f = std::string(file_label), show_file] {
      t->label_count_->setText(QsFromSjis(c));
      if (show_file) t->label_file_->setText(QsFromSjis(f));
    });
  }

  void FlushLists(const JobLists& lists, bool force) {
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - last_copy_ < std::chrono::milliseconds(250)) return;
    lists_dirty_ = false;
    last_copy_ = now;
    tab_.Post([t = &tab_, copy = lists] { t->ShowLists(copy); });
  }

 private:
  DownloadTab& tab_;
  // The lists of the engine that runs now (a site job's pages have their own).
  const JobLists* last_lists_ = nullptr;
  bool lists_dirty_ = false;
  std::chrono::steady_clock::time_point last_copy_{};
};

// The engine's browser port on the download tab's panes, made (panes and
// all) when the engine first uses it.
class DownloadTab::DeferredBrowserPort : public BrowserPort {
 public:
  using Make = std::function<std::unique_ptr<BrowserPort>()>;
  explicit DeferredBrowserPort(Make make) : make_(std::move(make)) {}

  void Navigate(kaplo::BrowserPane pane, std::string_view url) override {
    Port().Navigate(pane, url);
  }
  std::string OuterHtml() override { return Port().OuterHtml(); }
  std::vector<std::string> ImageUrls() override { return Port().ImageUrls(); }
  std::string LocationUrl() override { return Port().LocationUrl(); }

 private:
  BrowserPort& Port() {
    if (!port_) port_ = make_();
    return *port_;
  }
  Make make_;
  std::unique_ptr<BrowserPort> port_;
};

// ---- construction ----

DownloadTab::DownloadTab()
    : QWidget(nullptr),
      worker_(std::make_unique<WorkerHost>()),
      probe_worker_(std::make_unique<WorkerHost>()) {
  setObjectName(QStringLiteral("DownloadTabContent"));
  connect(worker_.get(), &WorkerHost::Finished, this, &DownloadTab::WorkerDone);
}

DownloadTab::~DownloadTab() {
  probe_worker_->Shutdown();
  if (engine_) {
    worker_->Shutdown([this] { engine_->Stop(); });
  }
}

void DownloadTab::Build(TabContext& context) {
  host_ = &context.host;
  prompter_ = &host_->Prompts();
  TopOverSplit(this, BuildTopPanel(), BuildLeftTabs(), BuildRightTabs(), "SplitterDL");
  context.page->layout()->addWidget(this);
  ResolveControls();
  BuildPresetMenu();

  // The panes are made when the engine first needs them, not before.
  browser_ = std::make_unique<DeferredBrowserPort>([this] {
    return std::make_unique<WebPagePort>(web_pane_->page(), result_pane_->page());
  });
  FetchLimits limits;
  limits.recorder = &archive_relay_;
  fetcher_ = std::make_unique<ParallelFetcher>(limits);
  ports_ = std::make_unique<WindowPorts>(*worker_, *prompter_, browser_.get());
  observer_ = std::make_unique<Observer>(*this);
  engine_ =
      std::make_unique<DownloadEngine>(*fetcher_, *ports_, ports_.get(), *observer_, ports_.get());
  site_job_ = std::make_unique<SiteJob>(*fetcher_, *ports_, ports_.get(), *observer_);
  ResetChoices();
  UpdateStates();
}

bool DownloadTab::Busy() const { return worker_->Busy(); }

void DownloadTab::StopJobs() {
  engine_->Stop();
  site_job_->Stop();
}

// ---- the worker ----

void DownloadTab::Post(std::function<void()> fn) { worker_->Post(std::move(fn)); }

bool DownloadTab::StartWorker(std::function<void()> work) {
  if (Busy()) return false;
  worker_->Start([this, work = std::move(work)] {
    work();
    // A stop that came after the last loop still takes effect.
    if (worker_->TakeStop()) StopJobs();
  });
  UpdateStates();
  return true;
}

void DownloadTab::WorkerDone() {
  // A sheet's work leaves the engine as it was: the boxes keep what the
  // sheet put there.
  if (std::exchange(sheet_work_, false)) {
    UpdateStates();
    emit JobFinished();
    return;
  }
  const JobLabels labels = engine_->Labels();
  ShowLabels(labels);
  ShowLists(engine_->Lists());
  host_->SetSavedPage({labels.confirmed_page, labels.fetched_copy_file, labels.css_js_list,
                       labels.css_js_merged, labels.image_list,
                       engine_->Lists().analysis_stylesheets});
  running_ = engine_->Running();
  UpdateStates();
  emit JobFinished();
}

// ---- controls <-> engine ----

DownloadRequest DownloadTab::RequestFromControls() const {
  DownloadRequest request;
  request.url = SjisFromQs(url_box_->currentText());
  request.save_folder = SjisFromQs(save_folder_->text());
  request.options = OptionsFromControls();
  for (int i = 0; i < url_box_->count(); ++i) {
    request.url_history.push_back(SjisFromQs(url_box_->itemText(i)));
  }
  return request;
}

void DownloadTab::ShowOptions(const DownloadOptions& s) {
  // A job turns some options off for the next one; the boxes follow.
  check_.dont_empty_folder->setChecked(s.dont_empty_folder);
  check_.dont_make_css_list->setChecked(s.dont_make_css_list);
  check_.save_this_name->setChecked(s.save_this_name);
  // An empty top page name was taken as index.html; the box says so now.
  if (top_page_->text().trimmed().isEmpty()) top_page_->setText(QsFromSjis(s.top_page_filename));
}

void DownloadTab::ShowLabels(const JobLabels& l) {
  auto set = [](QLineEdit* edit, const std::string& text) {
    const QString t = QsFromSjis(text);
    if (edit->text() != t) edit->setText(t);
  };
  ShowUrlBox(url_box_, l.url_history, l.url);
  set(save_folder_, l.save_folder);
  set(local_file_, l.local_file);
  set(confirm_file_, l.confirmed_file);
  set(org_file_, l.fetched_copy_file);
  set(frame_link_, l.frame_entry);
  label_file_->setText(QsFromSjis(l.status));
  label_count_->setText(QsFromSjis(l.progress));
  label_web_url_->setText(QsFromSjis(l.web_address));
  label_web_src_->setText(QsFromSjis(l.web_address));
  // A percent-encoded UTF-8 address is readable over its labels.
  const QString readable = QsFromSjis(DecodeUtf8Url(l.web_address));
  label_web_url_->setToolTip(readable);
  label_web_src_->setToolTip(readable);
  label_local_url_->setText(QsFromSjis(l.result_address));
  check_.local_dont_load->setChecked(l.local_views_stay);
  if (!l.caption.empty()) host_->SetCaption(QsFromSjis(l.caption));
  host_->SetStatusPanel(3, QsFromSjis(l.base_address));
}

void DownloadTab::SetRunning(bool running) {
  running_ = running;
  UpdateStates();
}

void DownloadTab::UpdateStates() {
  btn_all_->setEnabled(!running_ && !Busy());
  btn_stop_->setEnabled(running_);
  for (QWidget* w : idle_only_) w->setEnabled(!running_);
  QFont font = btn_stop_->font();
  font.setBold(running_);
  btn_stop_->setFont(font);
}

// ---- actions ----

void DownloadTab::btnDownloadAllClick() {
  if (url_box_->currentText().trimmed().isEmpty()) return;
  suppress_url_change_ = false;
  const SiteOptions site{.depth = same_site_->isChecked() ? depth_->value() : 0};
  StartWorker([this, request = RequestFromControls(), site, files = JobFilesFromControls()] {
    BeginJobFiles(files, request);
    if (site.depth > 0) {
      last_result_ = site_job_->Run(request, site).start;
    } else {
      last_result_ = engine_->Run(request);
    }
    Post([this, options = last_result_.next_options] { ShowOptions(options); });
    // The status bar says how the job ended, as the label does: finished, or
    // why no page was saved.
    Post([this, text = last_result_.labels.status] {
      host_->SetStatusPanel(0, QsFromSjis(text));
    });
    EndJobFiles(files, last_result_);
  });
}

void DownloadTab::btnDLCheckSavedClick() {
  if (Busy()) return;
  const JobLabels labels = engine_->Labels();
  const std::string& page = labels.confirmed_page;
  if (page.empty() || !IsFile(page)) {
    prompter_->Inform(msg::FileNotFound());
    return;
  }
  QtPageChecker checker;
  PageCheck check = checker.Check(FsPath(page).string(), ShiftJISToUtf8(labels.url),
                                  FsPath(labels.save_folder).string());
  SetAsideServerFailures(check, last_result_.failed);
  std::string report = PageCheckReport(check);
  if (!check.error.empty()) report += check.error + "\n";
  const bool whole = PageCheckPassed(check);
  prompter_->ShowInformation(whole ? msg::SavedPageWhole() : msg::SavedPageIncomplete(),
                             Utf8ToShiftJISLenient(report));
}

void DownloadTab::btnDownloadStopClick() {
  // The engine's loops read the running flag; the rest of the stop (the
  // local file name and the views) is done by the worker where its loop
  // next lets the window act, so the engine's state has one writer.
  if (!Busy()) {
    engine_->Stop();
    return;
  }
  worker_->RequestStop();
  fetcher_->CancelPrefetch();
  SetRunning(false);
}

// ---- navigation ----

void DownloadTab::sbDLNavigateClick() {
  if (url_box_->currentText().trimmed().isEmpty() || Busy()) return;
  NavigateRequest request{.url = SjisFromQs(url_box_->currentText()),
                          .save_folder = SjisFromQs(save_folder_->text()),
                          .options = OptionsFromControls()};
  suppress_url_change_ = false;
  StartWorker([this, request] {
    const NavigateResult result = engine_->Navigate(request);
    Post([this, result] {
      if (url_box_->currentText() != QsFromSjis(result.url)) {
        suppress_url_change_ = true;
        url_box_->setEditText(QsFromSjis(result.url));
      }
      if (!result.navigated) return;
      const std::string url = Trimmed(url_box_->currentText());
      indiv_url_->setEditText(QsFromSjis(url));
      bool known = false;
      for (int i = 0; i < indiv_url_->count(); ++i) known |= SjisFromQs(indiv_url_->itemText(i)) == url;
      if (!known) indiv_url_->addItem(QsFromSjis(url));
    });
  });
}

void DownloadTab::sbDLHTTPGetClick() {
  const std::string url = Trimmed(url_box_->currentText());
  if (!IsHttpUrl(url) || probe_worker_->Busy()) return;
  QApplication::setOverrideCursor(Qt::BusyCursor);
  probe_worker_->Start([this, url] {
    // A fetcher of its own: the job's may be at work meanwhile.
    const ProbeTexts texts = DescribeProbe(CurlFetcher().Probe(url));
    probe_worker_->Post([this, texts] {
      QApplication::restoreOverrideCursor();
      if (!texts.found) {
        prompter_->Inform(texts.message);
        return;
      }
      host_->InformationWindow()->ShowReport(texts.details, texts.headers);
    });
  });
}

// ---- window moments ----

void DownloadTab::ClearRichEditListBox() {
  ClearViews();
  if (TRichEditEx* memo = css_js_memo_.IfMade()) memo->clear();
  for (KeywordBar* bar : keyword_bars_) bar->Clear();
  ShowTextSheet({});
  ShowImageSheet({}, {}, {});
  for (QLabel* label : {label_web_src_, label_local_src_, css_js_win_file_}) label->clear();
}

void DownloadTab::ClearViews() {
  // A view not made yet is empty already.
  for (auto& [id, view] : views_) {
    if (TRichEditEx* edit = view.IfMade()) {
      ResetViewColors(edit);
      edit->clear();
    }
  }
}

void DownloadTab::Reset() {
  // The window emptied the bound controls; these keep no settings value.
  for (QLineEdit* edit : {save_name_, frame_link_, confirm_file_, org_file_}) edit->clear();
  check_.save_this_name->setChecked(false);
  // The remembered fields only: the option groups keep the user's choices.
  ResetRemembered();
  indiv_url_->setEditText(QString());
  indiv_file_->clear();
  image_url_->clear();
  image_file_->clear();
}

void DownloadTab::FirstShown() {
  ShowPage(DownloadPage::WebBrowse);
  ShowPage(DownloadPage::WebHtml);
  if (!host_->InitialNavigation()) return;
  if (radio_.initial_load->ItemIndex() != 1) return;
  if (url_box_->currentText().trimmed().isEmpty()) return;
  sbDLNavigateClick();
}

void DownloadTab::Entered() {
  SetPanelHeight(top_panel_, host_->ReInitializeChecked() ? 500 : 240);
  ShowPage(DownloadPage::WebBrowse);
  ShowPage(DownloadPage::WebHtml);
  url_box_->setFocus();
  if (Busy()) return;
  // With this option the tab shows the remembered page afresh each time.
  if (!check_.dont_redraw->isChecked()) return;
  const std::string url = Trimmed(url_box_->currentText());
  if (!IsHttpUrl(url)) return;
  engine_->ClearViews();
  ShowLists(engine_->Lists());
  ShowPage(DownloadPage::WebBrowse);
  StartWorker([this, url] {
    ports_->Navigate(kaplo::BrowserPane::Download, url);
    ports_->Navigate(kaplo::BrowserPane::DownloadResult, "about:blank");
  });
}

void DownloadTab::TakeAddress(const QString& address) {
  if (!running_) url_box_->setEditText(address);
}

}  // namespace kaplo::gui
