#include "gui/tabs/local_page/local_page_tab.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QCheckBox>
#include <QListWidget>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "engine/url.h"
#include "gui/common/desktop.h"
#include "gui/common/gui_util.h"
#include "gui/common/settings_bindings.h"
#include "gui/tabs/local_page/local_page_files.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/colorize_view.h"
#include "gui/widgets/colour_list.h"
#include "gui/widgets/keyword_bar.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/widgets/top_over_split.h"
#include "text/charset.h"
#include "text/normalise.h"
#include "text/urlcode.h"

namespace kaplo::gui {

using local_page::PageFileName;

namespace {

// Filters of the named file dialogs.
QString FilterOf(const char* dialog) {
  const std::string d = dialog;
  if (d.find("HTML") != std::string::npos) return U("HTML (*.htm *.html *.mht);;All (*)");
  if (d.find("CSS") != std::string::npos) return U("CSS (*.css);;All (*)");
  if (d.find("JS") != std::string::npos) return U("JavaScript (*.js);;All (*)");
  return U("Text (*.txt);;All (*)");
}

// A status text or link as the path box shows it: without "file://".
QString WithoutFileScheme(QString text) {
  text.replace(QLatin1String("file://"), QString(), Qt::CaseInsensitive);
  return text;
}

}  // namespace

LocalPageTab::LocalPageTab() : QWidget(nullptr) {
  setObjectName(QStringLiteral("LocalPageTabContent"));
}

LocalPageTab::~LocalPageTab() = default;

void LocalPageTab::Build(TabContext& context) {
  host_ = &context.host;
  prompter_ = &context.host.Prompts();
  TopOverSplit(this, BuildTopBar(), BuildLeftTabs(), BuildRightTabs(), "SplitterLocal");
  context.page->layout()->addWidget(this);
  left_page_ = left_->currentWidget();
}

BrowserPane* LocalPageTab::MakeBrowser(QWidget* parent) {
  BrowserPane* pane = host_->CreateBrowserPane(QStringLiteral("WebBrowserConfirmLocalFile"), parent);
  pane->SetClickCallback([this](const QUrl& link) { return LocalDocOnClick(link); });
  connect(pane, &BrowserPane::StatusTextChange, this, &LocalPageTab::StatusTextChanged);
  // The browser's "page shown" moment: the hovered link becomes the address.
  connect(pane, &BrowserPane::DocumentComplete, this, [this](const QUrl&, bool) {
    if (change_url_->isChecked() && !hovered_link_.empty()) {
      path_->setText(WithoutFileScheme(QsFromSjis(hovered_link_)));
    }
  });
  pane->SetNewWindowHandler([pane](const QUrl&) {
    return pane->ReadyState() == BrowserPane::kComplete ? BrowserPane::NewWindow::Into(pane)
                                                        : BrowserPane::NewWindow::CancelIt();
  });
  return pane;
}

// ---- dialogs and helpers ----

QString LocalPageTab::AskFile(const char* dialog, const QString& preset) {
  if (file_dialog_) return file_dialog_(dialog, preset);
  const bool save = QString::fromLatin1(dialog).startsWith(QLatin1String("Save"));
  return save ? QFileDialog::getSaveFileName(this, QString(), preset, FilterOf(dialog))
              : QFileDialog::getOpenFileName(this, QString(), preset, FilterOf(dialog));
}

bool LocalPageTab::Confirm(const char* question_utf8) {
  return prompter_->Ask(Utf8ToShiftJIS(question_utf8), Prompter::Buttons::YesNo) ==
         Prompter::Answer::Yes;
}

void LocalPageTab::ShowLeft(const char* page) {
  if (auto* w = left_->findChild<QWidget*>(QString::fromLatin1(page))) left_->setCurrentWidget(w);
}

void LocalPageTab::ShowRight(const char* page) {
  if (auto* w = right_->findChild<QWidget*>(QString::fromLatin1(page))) right_->setCurrentWidget(w);
}

std::string LocalPageTab::PathBox() const { return SjisFromQs(path_->text().trimmed()); }

void LocalPageTab::LoadPageUnconverted(const std::string& file) {
  browser_->Navigate(QsFromSjis(file));
  ResetViewColors(html_.get());
  html_->SetSjisText(LoadTextFile(file));
  ColorizeViewChecked(html_.get(), ColorizeMode::kToTop);
}

// ---- the page ----

void LocalPageTab::ConfirmLocaHTMLGo(const std::string& name) {
  const std::string file = PageFileName(name, true);
  if (file.empty()) return;
  browser_->Navigate(QStringLiteral("about:blank"));
  LFClearRichEditListBox();
  if (!IsFile(file)) {
    browser_->Navigate(QStringLiteral("about:blank"));
    html_->clear();
    return;
  }
  browser_->Navigate(QsFromSjis(file));
  html_->SetSjisText(
      AnyCodeToShiftJIS(LoadTextFile(file), load_code_->ItemIndex(), Unmappable::CharRef));
  // The browser starts its own load before the pane is coloured.
  QTimer::singleShot(300, html_.get(),
                     [view = html_.get()] { ColorizeViewChecked(view, ColorizeMode::kKeepCaret); });
  const std::size_t slash = file.rfind('/');
  const std::size_t cut = slash == std::string::npos ? 0 : slash + 1;
  org_path_->setText(QsFromSjis(file.substr(0, cut) + "ZZOrg_" + file.substr(cut)));
  dont_load_->setChecked(false);
  if (!dont_page_change_->isChecked()) {
    ShowLeft("PGMainTab03LocalLeftTab01Browser");
    ShowRight("PGMainTab03LocalRightTab01HTML");
  }
}

void LocalPageTab::ConfirmLocalOrgHTMLGo(const std::string& name) {
  const std::string file = PageFileName(name, false);
  if (file.empty()) return;
  ResetViewColors(org_.get());
  org_->clear();
  if (IsFile(file)) {
    org_->SetSjisText(
        AnyCodeToShiftJIS(LoadTextFile(file), org_code_->ItemIndex(), Unmappable::CharRef));
    ColorizeViewChecked(org_.get(), ColorizeMode::kKeepCaret);
  }
  ShowLeft("PGMainTab03LocalLeftTab06OrgHTML");
}

void LocalPageTab::LFClearRichEditListBox() {
  // A view not made yet is empty already.
  const auto clear = [](const Lazy<TRichEditEx>& lazy) {
    if (TRichEditEx* view = lazy.IfMade()) {
      ResetViewColors(view);
      view->clear();
    }
  };
  // The right-hand copy of the list keeps its text.
  for (const Lazy<TRichEditEx>& view : {html_, inner_left_, inner_right_, org_}) clear(view);
  for (auto& [pane, view] : file_views_) clear(view);
  for (auto& [input, bar] : bars_) {
    // The combined pane keeps its keywords.
    if (input == "ComboBoxDLTotalFCSSJSSearch") {
      bar->ClearResults();
    } else {
      bar->Clear();
    }
  }
  total_colours_->List()->clear();
  indiv_colours_->List()->clear();
  for (QWidget* list : hidden_lists_) static_cast<QListWidget*>(list)->clear();
  for (FilePane pane : {FilePane::ImageList, FilePane::IndivCss, FilePane::IndivJs, FilePane::Ref}) {
    file_boxes_.at(pane)->clear();
  }
}

// ---- the top bar ----

std::string LocalPageTab::PathOrAsk(QLineEdit* box) {
  const std::string path = SjisFromQs(box->text().trimmed());
  if (!path.empty()) return path;
  const QString chosen = AskFile("OpenDialogHTML", QString());
  if (!chosen.isEmpty()) box->setText(chosen);
  return SjisFromQs(chosen);
}

void LocalPageTab::sbConfirmLocaHTMLGoClick() {
  if (const std::string path = PathOrAsk(path_); !path.empty()) ConfirmLocaHTMLGo(path);
}

void LocalPageTab::sbLoadLocaHTMLFileClick() {
  const QString chosen = AskFile("OpenDialogHTML", path_->text().trimmed());
  if (chosen.isEmpty()) return;
  path_->setText(chosen);
  sbConfirmLocaHTMLGoClick();
}

void LocalPageTab::sbConfirmLocaHTMLFileHomeClick() {
  const std::string path = PathOrAsk(path_);
  if (path.empty()) return;
  const std::string file = PageFileName(path, false);
  if (file.empty()) return;
  if (IsFile(file)) {
    LoadPageUnconverted(file);
  } else {
    browser_->Navigate(QStringLiteral("about:blank"));
  }
}

void LocalPageTab::sbConfirmLocaHTMLFileBackClick() { browser_->GoBack(); }

void LocalPageTab::sbConfirmLocaHTMLOpenIEClick() {
  const std::string path = PathBox();
  if (!IsFile(path) && !IsFile(path + ".html")) return;
  if (path.find(".htm") != std::string::npos) {
    OpenExternally(path);
  } else if (IsFile(path + ".html")) {
    OpenExternally(path + ".html");
  }
}

void LocalPageTab::sbConfirmLocaHTMLFileClearClick() { path_->clear(); }

void LocalPageTab::sbConfirmLocaHTMLFilePasteClick() {
  const QString text = QApplication::clipboard()->text().trimmed();
  if (IsHttpUrl(SjisFromQs(text))) path_->setText(text);
}

void LocalPageTab::sbConfirmLocaHTMLOrgHTMLGoClick() {
  if (const std::string path = PathOrAsk(org_path_); !path.empty()) ConfirmLocalOrgHTMLGo(path);
}

void LocalPageTab::sbConfirmLocaHTMLOrgHTMLOpenClick() {
  const QString chosen = AskFile("OpenDialogHTML", org_path_->text().trimmed());
  if (chosen.isEmpty()) return;
  org_path_->setText(chosen);
  ConfirmLocalOrgHTMLGo(SjisFromQs(chosen));
}

void LocalPageTab::sbDLLocalCollapseClick() {
  SetPanelHeight(top_panel_, top_panel_->height() == 62 ? 140 : 62);
  host_->ClearReInitialize();
}

void LocalPageTab::sbConfirmLocalHTMLFileExitClick() { window()->close(); }

// ---- the script-run HTML ----

void LocalPageTab::FillOuterHtml(TRichEditEx* view) {
  // Characters without a Shift_JIS form stay as references.
  const std::string html = SjisFromQs(browser_->OuterHtml(), Unmappable::CharRef);
  ResetViewColors(view);
  view->SetSjisText(NormaliseHtml(html));
  ColorizeViewChecked(view, ColorizeMode::kKeepCaret);
}

void LocalPageTab::sbPGMainTab03LocalLeftTab05OuterHTMLClick() {
  FillOuterHtml(inner_left_.get());
  bars_.at("ComboBoxDLLocalAfterJavaExecute")->ClearResults();
}

void LocalPageTab::sclPGMainTab03LocalRightTab05OuterHTMLClick() { FillOuterHtml(inner_right_.get()); }

// ---- the browser ----

void LocalPageTab::StatusTextChanged(const QString& text) {
  status_label_->setText(WithoutFileScheme(text));
  const std::string t = SjisFromQs(text);
  if (!t.empty() && IsPageLink(t) && IsUrlStatusText(t)) hovered_link_ = t;
}

bool LocalPageTab::LocalDocOnClick(const QUrl& link) {
  if (!change_url_->isChecked() || !link.isValid()) return false;
  // The link clicked, not the last one hovered; only pages are followed.
  const QString scheme = link.scheme().toLower();
  if (scheme != QLatin1String("file") && scheme != QLatin1String("http") &&
      scheme != QLatin1String("https")) {
    return false;
  }
  hovered_link_ = SjisFromQs(link.toString());
  browser_->Navigate(link.isLocalFile() ? link.toLocalFile() : link.toString());
  if (link.isLocalFile()) path_->setText(link.toLocalFile());
  return false;
}

// ---- window moments ----

void LocalPageTab::Reset() {
  path_->clear();
  org_path_->clear();
}

void LocalPageTab::TakeLink(const QString& address, LinkUse) { path_->setText(address); }

void LocalPageTab::Entered() {
  // Every download hands its page and reports over, and the page loads
  // afresh, also when it was saved under the same name again.
  const SavedPage& now = host_->LastSavedPage();
  if (now.job != last_saved_.job) {
    last_saved_ = now;
    dont_load_->setChecked(false);
    if (!now.first_fetched.empty()) org_path_->setText(QsFromSjis(now.first_fetched));
    if (!now.css_js_list.empty())
      file_boxes_.at(FilePane::CssJsList)->setText(QsFromSjis(now.css_js_list));
    if (!now.combined_css_js.empty())
      file_boxes_.at(FilePane::TotalCssJs)->setText(QsFromSjis(now.combined_css_js));
    if (!now.image_list.empty())
      file_boxes_.at(FilePane::ImageList)->setText(QsFromSjis(now.image_list));
  }
  if (!dont_load_->isChecked()) {
    ShowLeft("PGMainTab03LocalLeftTab01Browser");
    if (IsFile(now.page)) {
      path_->setText(QsFromSjis(now.page));
      LoadPageUnconverted(now.page);
      dont_load_->setChecked(true);
    } else {
      browser_->Navigate(QStringLiteral("about:blank"));
      ResetViewColors(html_.get());
      html_->clear();
    }
  }
  ShowLeft("PGMainTab03LocalLeftTab01Browser");
  ShowRight("PGMainTab03LocalRightTab01HTML");
  path_->setFocus();
}

}  // namespace kaplo::gui
