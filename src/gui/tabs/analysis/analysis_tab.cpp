#include "gui/tabs/analysis/analysis_tab.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "engine/fetch.h"
#include "engine/local_path.h"
#include "engine/url.h"
#include "gui/common/save_notice.h"
#include "gui/common/settings_bindings.h"
#include "gui/common/sjis.h"
#include "gui/common/worker_host.h"
#include "gui/tabs/analysis/analysis_util.h"
#include "gui/tabs/analysis/html_edit_host.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/colorize_view.h"
#include "gui/widgets/form_source.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/widgets/top_over_split.h"
#include "gui/widgets/view_text.h"
#include "text/charset.h"
#include "text/convert.h"
#include "text/fsname.h"
#include "text/normalise.h"
#include "text/sjis_literal.h"

namespace kaplo::gui {
namespace {

QString ToQt(std::string_view sjis) { return SjisToViewText(sjis); }

std::string ToSjis(const QString& text) {
  // Characters without a Shift_JIS form stay as character references.
  const QByteArray utf8 = text.toUtf8();
  std::string s =
      Utf8ToShiftJIS(std::string_view(utf8.constData(), utf8.size()), Unmappable::CharRef);
  return NormaliseLineBreaks(s);
}

void FillList(QListWidget* list, const std::vector<std::string>& lines) {
  list->clear();
  for (const std::string& line : lines) list->addItem(ToQt(line));
}

// The name a save dialog proposes: the address's file name, or "index".
QString ProposedName(const QString& address, const QString& prefix, const QString& ext) {
  QString name = QFileInfo(QUrl(address).path()).completeBaseName();
  if (name.isEmpty()) name = QFileInfo(address).completeBaseName();
  if (name.isEmpty()) name = QStringLiteral("index");
  return prefix + name + ext;
}

}  // namespace

using analysis::kTopCollapsed;
using analysis::kTopHeight;
using analysis::PathToSjis;

AnalysisTab::AnalysisTab() : worker_(std::make_unique<WorkerHost>()) {
  connect(worker_.get(), &WorkerHost::Finished, this, [this] {
    if (!pending_address_.empty()) RunFill();
  });
}

AnalysisTab::~AnalysisTab() {
  worker_->Shutdown([this] { stop_ = true; });
}

void AnalysisTab::Build(TabContext& context) {
  host_ = &context.host;
  prompter_ = &context.host.Prompts();
  setObjectName(QStringLiteral("PanelPGMainTab08GUIBrowser"));
  top_ = BuildTop();
  TopOverSplit(this, top_, BuildLeft(), BuildRight(), "SplitterGUI", 3, 2);
  context.page->layout()->addWidget(this);
}

THtmlEditHost* AnalysisTab::Editor() const {
  pane_.get();  // makes the editor with its pane
  return editor_;
}

void AnalysisTab::BindSettings(SettingsBindings& b, Settings& s) {
  b.Text(url_box_, s.gui.url);
  b.Text(file_box_, s.gui.local_file);
}

void AnalysisTab::Reset() {
  url_box_->clear();
  file_box_->clear();
}

void AnalysisTab::TakeLink(const QString& address, LinkUse) { url_box_->setText(address); }

void AnalysisTab::Entered() {
  const SavedPage& now = host_->LastSavedPage();
  if (now == last_saved_) return;
  last_saved_ = now;
  // A page being filled lists its own.
  if (filling_) return;
  css_list_->clear();
  for (const std::string& line : now.stylesheets) css_list_->addItem(QsFromSjis(line));
}

void AnalysisTab::TakeAddress(const QString& address) {
  if (IsHttpUrl(PathToSjis(address))) {
    OpenUrl(address);
  } else if (QFileInfo(address).isFile()) {
    OpenLocalFile(address);
  }
}

QString AnalysisTab::CurrentAddress() const {
  return url_box_->text().isEmpty() ? current_file_ : url_box_->text();
}

void AnalysisTab::ClearAll() {
  for (QListWidget* l : {css_list_, js_list_, import_list_, united_css_list_, united_js_list_})
    l->clear();
  // A view not made yet is empty already.
  for (const Lazy<TRichEditEx>& view : {raw_view_, normal_view_, head_view_, element_view_,
                                        css_view_, css_single_view_, js_view_, js_single_view_,
                                        document_view_}) {
    if (TRichEditEx* v = view.IfMade()) v->clear();
  }
  analysis_ = PageAnalysis{};
}

void AnalysisTab::ShowHints(bool on) {
  for (QLabel* hint : hints_) hint->setVisible(on);
}

void AnalysisTab::ShowFirstLeftTab() { left_tabs_->setCurrentIndex(0); }

void AnalysisTab::btnGUINavigateClick() { OpenUrl(url_box_->text()); }

void AnalysisTab::btnGUIPasteNavigateClick() {
  url_box_->setText(QApplication::clipboard()->text().trimmed());
  btnGUINavigateClick();
}

void AnalysisTab::OpenUrl(const QString& text) {
  const QString url = text.trimmed();
  if (!IsHttpUrl(PathToSjis(url))) return;
  url_box_->setText(url);
  ClearAll();
  Editor()->SetBrowseMode(true);
  Editor()->SetShowBorders(false);
  QTimer::singleShot(300, Editor(), [e = Editor()] { e->SetShowDetails(false); });
  Editor()->LoadUrl(url);
  StartFill(PathToSjis(url));
  file_box_->clear();
  current_file_.clear();
  ShowHints(true);
  ShowFirstLeftTab();
}

void AnalysisTab::btnGUIOpenLocalFileClick() {
  QString path = file_box_->text().trimmed();
  if (path.isEmpty() || !QFileInfo(path).isFile()) {
    path = QFileDialog::getOpenFileName(this, QString(), QFileInfo(path).absolutePath(),
                                        QStringLiteral("HTML (*.html *.htm *.shtml *.php);;* (*)"));
    if (path.isEmpty()) return;
  }
  OpenLocalFile(path);
}

void AnalysisTab::OpenLocalFile(const QString& path_in) {
  const QString path = QFileInfo(path_in).absoluteFilePath();
  const std::string sjis_path = PathToSjis(path);
  const std::string text = LoadTextFile(sjis_path);
  if (IsFramesetPage(text)) {
    prompter_->Inform(SJ<"「FRAMSET」があります">());
    return;
  }
  if (HasLiveIframe(text)) {
    if (prompter_->Ask(SJ<"「IFRAME」があります。読み込みますか？">(),
                       Prompter::Buttons::YesNoCancel) != Prompter::Answer::Yes) {
      return;
    }
    // A copy with the first inline frame commented out, for the user to
    // paste where it helps.
    QApplication::clipboard()->setText(ToQt(CommentOutFirstIframe(text)));
  }
  url_box_->clear();
  ClearAll();
  Editor()->LoadFile(path);
  StartFill(sjis_path);
  current_file_ = path;
  Editor()->SetBrowseMode(false);
  Editor()->SetShowBorders(true);
  QTimer::singleShot(300, Editor(), [e = Editor()] { e->SetShowDetails(true); });
  file_box_->setText(path);
  ShowHints(false);
  ShowFirstLeftTab();
}

void AnalysisTab::StartFill(const std::string& address) {
  pending_address_ = address;
  pending_options_.html_code = std::max(0, html_code_->ItemIndex());
  pending_options_.css_js_code = std::max(0, css_js_code_->ItemIndex());
  pending_options_.combine = !dont_unite_->isChecked();
  filling_ = true;
  setCursor(Qt::BusyCursor);
  // A fill still running for the last page stops between two files; the
  // new one starts when it has ended.
  if (worker_->Busy()) {
    stop_ = true;
    return;
  }
  RunFill();
}

void AnalysisTab::RunFill() {
  const std::string address = std::move(pending_address_);
  pending_address_.clear();
  const AnalysisOptions options = pending_options_;
  stop_ = false;
  worker_->Start([this, address, options] {
    CurlFetcher fetcher;
    auto result = std::make_shared<PageAnalysis>(AnalysePage(fetcher, address, options, &stop_));
    worker_->Post([this, result] {
      // A newer page is waiting: this one's results are not shown.
      if (pending_address_.empty()) ShowFill(std::move(*result));
    });
  });
}

void AnalysisTab::ShowFill(PageAnalysis a) {
  filling_ = false;
  unsetCursor();
  analysis_ = std::move(a);
  host_->SetStatusPanel(
      2, analysis_.read ? QString()
                        : QStringLiteral("読み込めませんでした： ") + ToQt(analysis_.address));
  ShowColored(raw_view_.get(), analysis_.raw);
  ShowColored(normal_view_.get(), analysis_.normalised);
  ShowColored(head_view_.get(), analysis_.head);
  FillList(css_list_, analysis_.css_list);
  FillList(js_list_, analysis_.js_list);
  FillList(import_list_, analysis_.css_import_list);
  FillList(united_css_list_, analysis_.combined_css_files);
  FillList(united_js_list_, analysis_.combined_js_files);
  ShowColored(css_view_.get(), analysis_.combined_css);
  ShowColored(js_view_.get(), analysis_.combined_js);
  emit filled();
}

void AnalysisTab::OnElementClicked(const QString& html) {
  const std::string sjis = ToSjis(html);
  if (TFormSource* source = host_->SourceWindow(); source->isVisible()) {
    source->SetFormSource(sjis);
    return;
  }
  ShowColored(element_view_.get(), sjis);
  right_tabs_->setCurrentWidget(element_page_);
}

void AnalysisTab::OnLinkClicked(const QUrl& url) {
  if (url.isLocalFile()) {
    if (QFileInfo(url.toLocalFile()).isFile()) OpenLocalFile(url.toLocalFile());
    return;
  }
  // Only web addresses are followed; other schemes are not the workspace's.
  if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) {
    OpenUrl(url.toString());
  }
}

void AnalysisTab::sbGUIBrowseEditModeClick() {
  ShowHints(false);
  const bool to_edit = Editor()->BrowseMode();
  Editor()->SetBrowseMode(!to_edit);
  if (to_edit) {
    Editor()->SetShowDetails(!Editor()->ShowDetails());
    QTimer::singleShot(500, Editor(), [e = Editor()] { e->SetShowBorders(!e->ShowBorders()); });
  }
}

void AnalysisTab::sbGUIDetailsClick() { Editor()->SetShowDetails(!Editor()->ShowDetails()); }
void AnalysisTab::sbGUIBordersClick() { Editor()->SetShowBorders(!Editor()->ShowBorders()); }

void AnalysisTab::sbGUIFormSourceClick() {
  TFormSource* source = host_->SourceWindow();
  source->setVisible(!source->isVisible());
}

void AnalysisTab::sbGUICopyDocumentClick() {
  QApplication::clipboard()->setText(Editor()->DocumentHtml());
}

void AnalysisTab::btnGUIInnerHtmlClick() {
  const std::string html = NormaliseHtml(ToSjis(Editor()->DocumentHtml()));
  ShowColored(document_view_.get(), RewriteCharsetDeclForSave(html, kCharsetAuto));
  right_tabs_->setCurrentWidget(document_page_);
}

void AnalysisTab::btnGUIInnerHtmlSaveClick() {
  const std::string text = document_view_->SjisText();
  if (text.empty()) return;
  const auto file = prompter_->SaveHtmlDialog(
      PathToSjis(ProposedName(CurrentAddress(), QString(), QStringLiteral(".html"))), {});
  if (file) SaveAndTell(*prompter_, text, *file);
}

void AnalysisTab::btnGUIInnerHtmlCopyClick() {
  QApplication::clipboard()->setText(document_view_->toPlainText());
}

void AnalysisTab::btnGUICSSSaveClick() {
  if (analysis_.combined_css.empty()) return;
  const auto file = prompter_->SaveHtmlDialog(
      PathToSjis(
          ProposedName(CurrentAddress(), QStringLiteral("統合CSS_"), QStringLiteral(".txt"))),
      {});
  if (file) SaveAndTell(*prompter_, analysis_.combined_css, *file);
}

void AnalysisTab::sbGUICollapseClick() {
  const bool collapsed = top_->maximumHeight() == kTopCollapsed;
  top_->setMaximumHeight(collapsed ? kTopHeight : kTopCollapsed);
  host_->ClearReInitialize();
}

}  // namespace kaplo::gui
