#include "gui/tabs/download/download_tab.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
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
#include "gui/widgets/page_check.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/widgets/top_over_split.h"
#include "gui/widgets/web_page_port.h"
#include "shell/messages.h"
#include "text/convert.h"
#include "text/fsname.h"

namespace kaplo::gui {

// Hands what the engine shows to the window as copies. Lists are copied at
// most a few times a second: a long image loop changes them per item.
class DownloadTab::Observer : public JobObserver {
 public:
  explicit Observer(DownloadTab& tab) : tab_(tab) {}

  void FormChanged() override {
    DownloadForm copy = tab_.engine_->Form();
    IndividualTextSheet text = tab_.engine_->individual;
    IndividualImageSheet image = tab_.engine_->individual_image;
    tab_.Post(
        [t = &tab_, copy = std::move(copy), text = std::move(text), image = std::move(image)] {
          t->ShowForm(copy);
          t->ShowSheets(copy, text, image);
        });
  }
  void ListsChanged() override {
    lists_dirty_ = true;
    FlushLists(false);
  }
  void ShowText(JobView view, std::string_view text, bool colour) override {
    tab_.Post([t = &tab_, view, s = std::string(text), colour] {
      TRichEditEx* v = t->views_[view].get();
      if (!v) return;
      if (colour) {
        ShowColored(v, s);
      } else {
        v->SetSjisText(s);
        ResetViewColors(v);
      }
    });
  }
  void ClearTexts() override {
    tab_.Post([t = &tab_] {
      t->ClearViews();
      if (TRichEditEx* memo = t->css_js_memo_.IfMade()) memo->clear();
    });
  }
  void ShowTab(JobPage page) override {
    tab_.Post([t = &tab_, page] { t->ShowPage(PageOf(page)); });
  }
  void RunningChanged(bool running) override {
    tab_.Post([t = &tab_, running] { t->SetRunning(running); });
  }
  void Progress(std::string_view count_label, std::string_view file_label) override {
    // Where a long loop lets the window act: a stop asked for meanwhile
    // clears the local file name here, on the engine's own thread.
    if (tab_.worker_->OnWorkerThread() && tab_.worker_->TakeStop()) {
      tab_.engine_->DLClearEditText(2);
    }
    FlushLists(false);
    const bool show_file = file_label.find(' ') == std::string_view::npos;
    tab_.Post([t = &tab_, c = std::string(count_label), f = std::string(file_label), show_file] {
      t->label_count_->setText(QsFromSjis(c));
      if (show_file) t->label_file_->setText(QsFromSjis(f));
    });
  }

  void FlushLists(bool force) {
    if (!lists_dirty_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - last_copy_ < std::chrono::milliseconds(250)) return;
    lists_dirty_ = false;
    last_copy_ = now;
    DownloadLists copy = tab_.engine_->Lists();
    tab_.Post([t = &tab_, copy = std::move(copy)] { t->ShowLists(copy); });
  }

 private:
  DownloadTab& tab_;
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

DownloadTab::DownloadTab() : QWidget(nullptr), worker_(std::make_unique<WorkerHost>()) {
  setObjectName(QStringLiteral("DownloadTabContent"));
  connect(worker_.get(), &WorkerHost::Finished, this, &DownloadTab::WorkerDone);
}

DownloadTab::~DownloadTab() {
  if (engine_) {
    worker_->Shutdown([this] {
      fetcher_->CancelPrefetch();
      engine_->DLButtonEnable();
    });
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
  fetcher_ = std::make_unique<ParallelFetcher>();
  ports_ = std::make_unique<WindowPorts>(*worker_, *prompter_, browser_.get());
  observer_ = std::make_unique<Observer>(*this);
  engine_ =
      std::make_unique<DownloadEngine>(*fetcher_, *ports_, ports_.get(), *observer_, ports_.get());
  ResetChoices();
  UpdateStates();
}

bool DownloadTab::Busy() const { return worker_->Busy(); }

// ---- the worker ----

void DownloadTab::Post(std::function<void()> fn) { worker_->Post(std::move(fn)); }

bool DownloadTab::StartWorker(std::function<void()> work) {
  if (Busy()) return false;
  ControlsToEngine();
  worker_->Start([this, work = std::move(work)] {
    work();
    // A stop that came after the last loop still empties the local file name.
    if (worker_->TakeStop()) engine_->DLClearEditText(2);
  });
  UpdateStates();
  return true;
}

void DownloadTab::WorkerDone() {
  EngineToControls();
  const DownloadForm& f = engine_->Form();
  host_->SetSavedPage({engine_->Job().ConfirmedLocalFile, f.local_file_org_html,
                       f.local_file_css_js_list, f.local_file_total_css_js,
                       f.local_file_image_list});
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
  return request;
}

void DownloadTab::ControlsToEngine() {
  engine_->Load(RequestFromControls());
  // The boxes a job reads besides its request: the tab keeps them editable.
  DownloadForm& f = engine_->form;
  f.url_history.clear();
  for (int i = 0; i < url_box_->count(); ++i)
    f.url_history.push_back(SjisFromQs(url_box_->itemText(i)));
  f.local_filename = SjisFromQs(local_file_->text());
  f.confirm_local_html_file = SjisFromQs(confirm_file_->text());
  f.local_file_org_html = SjisFromQs(org_file_->text());
  f.frame_link_url = SjisFromQs(frame_link_->text());
  f.local_dont_load = check_.local_dont_load->isChecked();
  f.label_downloaded_file = SjisFromQs(label_file_->text());
  f.label_downloaded_file_count = SjisFromQs(label_count_->text());
  SheetsToEngine();
}

void DownloadTab::EngineToControls() {
  ShowForm(engine_->Form());
  ShowSheets(engine_->Form(), engine_->individual, engine_->individual_image);
  ShowLists(engine_->Lists());
  // A job turns some options off for the next one; the boxes follow.
  const DownloadOptions& s = engine_->Options();
  check_.dont_empty_folder->setChecked(s.dont_empty_folder);
  check_.dont_make_css_list->setChecked(s.dont_make_css_list);
  check_.save_this_name->setChecked(s.save_this_name);
}

void DownloadTab::ShowForm(const DownloadForm& f) {
  auto set = [](QLineEdit* edit, const std::string& text) {
    const QString t = QsFromSjis(text);
    if (edit->text() != t) edit->setText(t);
  };
  ShowUrlBox(url_box_, f.url_history, f.url);
  set(save_folder_, f.save_folder);
  set(local_file_, f.local_filename);
  set(confirm_file_, f.confirm_local_html_file);
  set(org_file_, f.local_file_org_html);
  set(frame_link_, f.frame_link_url);
  label_file_->setText(QsFromSjis(f.label_downloaded_file));
  label_count_->setText(QsFromSjis(f.label_downloaded_file_count));
  label_web_url_->setText(QsFromSjis(f.label_web_browser_url));
  label_local_url_->setText(QsFromSjis(f.label_local_browser_url));
  check_.local_dont_load->setChecked(f.local_dont_load);
  if (!f.caption.empty()) host_->SetCaption(QsFromSjis(f.caption));
  host_->SetStatusPanel(3, QsFromSjis(f.status_base_href));
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
  StartWorker([this, request = RequestFromControls()] {
    last_result_ = engine_->Run(request);
    // The status bar says how the job ended, as the label does: finished, or
    // why no page was saved.
    Post([this, text = engine_->Form().label_downloaded_file] {
      host_->SetStatusPanel(0, QsFromSjis(text));
    });
  });
}

void DownloadTab::btnDLCheckSavedClick() {
  if (Busy()) return;
  const std::string& page = engine_->Job().ConfirmedLocalFile;
  if (page.empty() || !IsFile(page)) {
    prompter_->Inform(msg::FileNotFound());
    return;
  }
  QtPageChecker checker;
  PageCheck check = checker.Check(FsPath(page).string(),
                                       ShiftJISToUtf8(engine_->Form().url),
                                       FsPath(engine_->Form().save_folder).string());
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
  engine_->DLButtonEnable();
}

// ---- navigation ----

void DownloadTab::sbDLNavigateClick() {
  std::string url = Trimmed(url_box_->currentText());
  url.erase(std::remove(url.begin(), url.end(), '\\'), url.end());
  if (url.empty() || Busy()) return;
  if (const std::size_t first = url.find("http://"); first != std::string::npos) {
    if (const std::size_t inner = url.find("http://", first + 7); inner != std::string::npos) {
      url_box_->setEditText(QsFromSjis(url.substr(inner)));
    }
  }
  const std::string folder = Trimmed(save_folder_->text());
  StartWorker([this, url, folder] {
    DownloadEngine& e = *engine_;
    e.job.SuppressUrlChange = false;
    if (!e.WBDLNavigate(url, folder, 0)) return;
    const std::string here = ports_->LocationUrl();
    if (here != url && here != "about:blank" && here.rfind("http://", 0) == 0) {
      e.form.url = here;
      e.job.ConfirmedLocalFile = here;
    }
    std::string text = e.job.NavigatedPageText;
    if (const std::size_t p = text.find("<BASE "); p != std::string::npos)
      text.replace(p, 6, "<base ");
    e.form.label_downloaded_file.clear();
    if (const std::size_t p = text.find("<base "); p != std::string::npos) {
      const std::size_t end = text.find('>', p);
      std::string tag = text.substr(p, end == std::string::npos ? std::string::npos : end - p);
      std::string squeezed;
      for (char c : tag) {
        if (c == ' ' && !squeezed.empty() && squeezed.back() == ' ') continue;
        squeezed += c;
      }
      if (const std::size_t h = squeezed.find("HREF="); h != std::string::npos) {
        squeezed.replace(h, 5, "href=");
      }
      std::string value = squeezed;
      if (const std::size_t q1 = squeezed.find('"'); q1 != std::string::npos) {
        const std::size_t q2 = squeezed.find('"', q1 + 1);
        value = squeezed.substr(q1 + 1, q2 == std::string::npos ? std::string::npos : q2 - q1 - 1);
      }
      e.form.label_downloaded_file =
          Sj("＜ｂａｓｅ　ｈｒｅｆ＝”【 ") + value + Sj(" 】 ” ・・＞が見つかりました");
    }
    e.form.label_downloaded_file_count.clear();
    if (!e.settings.dont_web_list_clear) e.DLClearListBox(false);
    e.form.individual_url = url;
    auto& hist = e.form.individual_url_history;
    if (std::find(hist.begin(), hist.end(), e.form.url) == hist.end()) hist.push_back(e.form.url);
    e.job.PageHead = BeforeBody(text);
    observer_->FormChanged();
    observer_->ShowTab(JobPage::WebBrowse);
    observer_->ShowTab(JobPage::WebHtml);
  });
}

// ---- window moments ----

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
  ResetRemembered();
  if (Busy()) return;
  ResetChoices();
  engine_->Reset();
  ShowLists(engine_->Lists());
  ClearViews();
  engine_->form.individual_url.clear();
  engine_->individual.file.clear();
  engine_->individual_image = IndividualImageSheet{};
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
  engine_->DLClearListBox(false);
  engine_->DLClearRichEditListBox();
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
