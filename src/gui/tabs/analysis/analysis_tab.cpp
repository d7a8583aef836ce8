#include "gui/tabs/analysis/analysis_tab.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <fstream>
#include <iterator>
#include <tuple>
#include <utility>

#include "engine/fetch.h"
#include "engine/local_path.h"
#include "engine/url.h"
#include "gui/common/message_prompter.h"
#include "gui/common/settings_bindings.h"
#include "gui/common/worker_host.h"
#include "gui/tabs/analysis/html_edit_host.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/colorize_view.h"
#include "gui/widgets/form_source.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/widgets/view_text.h"
#include "text/charset.h"
#include "text/convert.h"
#include "text/fsname.h"
#include "text/normalise.h"
#include "text/sjis_literal.h"

namespace kaplo::gui {
namespace {

const QStringList kCharsetItems = {QStringLiteral("自動"),        QStringLiteral("EUC-JP"),
                                   QStringLiteral("UTF-8"),       QStringLiteral("Shift_JIS"),
                                   QStringLiteral("ISO-2022-JP"), QStringLiteral("UTF-8N")};

constexpr int kTopHeight = 280;
constexpr int kTopCollapsed = 58;

QString ToQt(std::string_view sjis) { return SjisToViewText(sjis); }

std::string ToSjis(const QString& text) {
  // Characters without a Shift_JIS form stay as character references.
  const QByteArray utf8 = text.toUtf8();
  std::string s =
      Utf8ToShiftJIS(std::string_view(utf8.constData(), utf8.size()), Unmappable::CharRef);
  return NormaliseLineBreaks(s);
}

std::string PathToSjis(const QString& path) {
  const QByteArray utf8 = path.toUtf8();
  const std::string s = Utf8ToShiftJIS(std::string_view(utf8.constData(), utf8.size()));
  return s.empty() ? std::string(utf8.constData(), utf8.size()) : s;
}

void FillList(QListWidget* list, const std::vector<std::string>& lines) {
  list->clear();
  for (const std::string& line : lines) list->addItem(ToQt(line));
}

QToolButton* Tool(const QString& name, const QString& caption, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(caption);
  b->setToolButtonStyle(Qt::ToolButtonTextOnly);
  return b;
}

QPushButton* Push(const QString& name, const QString& caption, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  return b;
}

// The name a save dialog proposes: the address's file name, or "index".
QString ProposedName(const QString& address, const QString& prefix, const QString& ext) {
  QString name = QFileInfo(QUrl(address).path()).completeBaseName();
  if (name.isEmpty()) name = QFileInfo(address).completeBaseName();
  if (name.isEmpty()) name = QStringLiteral("index");
  return prefix + name + ext;
}

}  // namespace

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
  prompter_ = context.prompter;
  if (!prompter_) {
    own_prompter_ = std::make_unique<MessagePrompter>(this, [] { return nullptr; });
    prompter_ = own_prompter_.get();
  }
  setObjectName(QStringLiteral("PanelPGMainTab08GUIBrowser"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  top_ = BuildTop();
  layout->addWidget(top_);
  auto* split = new QSplitter(Qt::Horizontal, this);
  split->setObjectName(QStringLiteral("SplitterGUI"));
  split->addWidget(BuildLeft());
  split->addWidget(BuildRight());
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 2);
  layout->addWidget(split, 1);
  context.page->layout()->addWidget(this);

  connect(editor_, &THtmlEditHost::ElementClicked, this, &AnalysisTab::OnElementClicked);
  connect(editor_, &THtmlEditHost::LinkClicked, this, &AnalysisTab::OnLinkClicked);
}

void AnalysisTab::BindSettings(SettingsBindings& b, Settings& s) {
  b.Text(url_box_, s.gui.url);
  b.Text(file_box_, s.gui.local_file);
}

QWidget* AnalysisTab::BuildTop() {
  auto* top = new QWidget(this);
  top->setObjectName(QStringLiteral("PanelGUITop"));
  top->setMaximumHeight(kTopHeight);
  auto* v = new QVBoxLayout(top);
  v->setContentsMargins(2, 2, 2, 2);

  auto* url_row = new QHBoxLayout;
  url_box_ = new QLineEdit(top);
  url_box_->setObjectName(QStringLiteral("EditGUIUrl"));
  auto* navigate =
      Push(QStringLiteral("btnGUINavigate"), QStringLiteral("Ｕｒｌにでﾅﾋﾞｹﾞｰﾄする "), top);
  auto* paste = Push(QStringLiteral("btnGUIPasteNavigate"), QStringLiteral("貼付け"), top);
  url_row->addWidget(new QLabel(QStringLiteral("Url"), top));
  url_row->addWidget(url_box_, 1);
  url_row->addWidget(paste);
  url_row->addWidget(navigate);
  v->addLayout(url_row);

  auto* file_row = new QHBoxLayout;
  file_box_ = new QLineEdit(top);
  file_box_->setObjectName(QStringLiteral("BtnEditGUILocalFilename"));
  auto* open = Push(QStringLiteral("btnGUIOpenLocalFile"), QStringLiteral("ﾛｰｶﾙ・ﾌｧｲﾙを開く"), top);
  file_row->addWidget(new QLabel(QStringLiteral("ﾌｧｲﾙ"), top));
  file_row->addWidget(file_box_, 1);
  file_row->addWidget(open);
  v->addLayout(file_row);

  auto* options = new QHBoxLayout;
  html_code_ = new TRadioGroup(QStringLiteral("RadioGroupGUIMainHTMLCharSet"),
                               QStringLiteral("HTML"), kCharsetItems, 3, top);
  css_js_code_ = new TRadioGroup(QStringLiteral("RadioGroupGUICSSJSCharSet"),
                                 QStringLiteral("CSS/JS"), kCharsetItems, 3, top);
  html_code_->SetItemIndex(0);
  css_js_code_->SetItemIndex(0);
  dont_unite_ =
      new QCheckBox(QStringLiteral("統合ＣＳＳ/ＪＳを生成しない（ 時間がかかるので ）"), top);
  dont_unite_->setObjectName(QStringLiteral("CheckBoxDontUniteCSSJS"));
  options->addWidget(html_code_);
  options->addWidget(css_js_code_);
  options->addWidget(dont_unite_);
  options->addStretch(1);
  v->addLayout(options);

  auto* tools = new QHBoxLayout;
  auto* mode = Tool(QStringLiteral("sbGUIBrowseEditMode"), QStringLiteral("閲覧/編集ﾓｰﾄﾞ"), top);
  auto* details =
      Tool(QStringLiteral("sbGUIDetails"), QStringLiteral("「<div ・・>」の表示/非表示"), top);
  auto* borders =
      Tool(QStringLiteral("sbGUIBorders"),
           QStringLiteral("「 <tr width=\"0\" ・・> 」の場合の【 枠線 】の表示/非表示"), top);
  auto* source = Tool(QStringLiteral("sbGUIFormSource"), QStringLiteral("ｿｰｽ窓"), top);
  auto* copy = Tool(QStringLiteral("sbGUICopyDocument"), QStringLiteral("ｺﾋﾟｰ"), top);
  auto* collapse = Tool(QStringLiteral("sbGUICollapse"), QStringLiteral("▲▼"), top);
  for (QToolButton* b : {mode, details, borders, source, copy}) tools->addWidget(b);
  tools->addStretch(1);
  tools->addWidget(collapse);
  v->addLayout(tools);

  // Hints shown while the control is in browse mode.
  for (const QString& text : {QStringLiteral("閲覧ﾓｰﾄﾞ：ﾘﾝｸをｸﾘｯｸすると、そのﾍﾟｰｼﾞを開きます"),
                              QStringLiteral("編集するには「閲覧/編集ﾓｰﾄﾞ」を押してください")}) {
    auto* hint = new QLabel(text, top);
    hint->setObjectName(QStringLiteral("LabelGUIHint") + QString::number(hints_.size() + 1));
    hint->hide();
    v->addWidget(hint);
    hints_ << hint;
  }

  connect(url_box_, &QLineEdit::returnPressed, this, [this] {
    if (IsHttpUrl(PathToSjis(url_box_->text()))) btnGUINavigateClick();
  });
  connect(navigate, &QPushButton::clicked, this, &AnalysisTab::btnGUINavigateClick);
  connect(paste, &QPushButton::clicked, this, &AnalysisTab::btnGUIPasteNavigateClick);
  connect(open, &QPushButton::clicked, this, &AnalysisTab::btnGUIOpenLocalFileClick);
  connect(mode, &QToolButton::clicked, this, &AnalysisTab::sbGUIBrowseEditModeClick);
  connect(details, &QToolButton::clicked, this, &AnalysisTab::sbGUIDetailsClick);
  connect(borders, &QToolButton::clicked, this, &AnalysisTab::sbGUIBordersClick);
  connect(source, &QToolButton::clicked, this, &AnalysisTab::sbGUIFormSourceClick);
  connect(copy, &QToolButton::clicked, this, &AnalysisTab::sbGUICopyDocumentClick);
  connect(collapse, &QToolButton::clicked, this, &AnalysisTab::sbGUICollapseClick);
  return top;
}

QWidget* AnalysisTab::BuildLeft() {
  left_tabs_ = new QTabWidget(this);
  left_tabs_->setObjectName(QStringLiteral("PGMainTabb08GUILeft"));
  auto* editor_page = new QWidget(left_tabs_);
  editor_page->setObjectName(QStringLiteral("PGMainTabb08GUILeftTa01GIIEditor"));
  auto* v = new QVBoxLayout(editor_page);
  v->setContentsMargins(0, 0, 0, 0);
  // Not through TabHost::CreateBrowserPane yet: the window's tests expect
  // the download tab's panes alone in its list. Nothing is loaded until the
  // tab is used, so start-up does not wait for this pane.
  pane_ = new BrowserPane(QStringLiteral("WebBrowserGUI"), editor_page);
  pane_->SetSilent(true);
  editor_ = new THtmlEditHost(pane_);
  v->addWidget(pane_);
  left_tabs_->addTab(editor_page, QStringLiteral("編集画面"));

  auto* lists_page = new QWidget(left_tabs_);
  lists_page->setObjectName(QStringLiteral("PGMainTabb08GUILeftTab02Lists"));
  auto* lv = new QVBoxLayout(lists_page);
  const auto add_list = [&](const QString& name, const QString& caption) {
    lv->addWidget(new QLabel(caption, lists_page));
    auto* list = new QListWidget(lists_page);
    list->setObjectName(name);
    lv->addWidget(list, 1);
    return list;
  };
  css_list_ = add_list(QStringLiteral("ListBoxGUICSS"), QStringLiteral("CSSﾌｧｲﾙ"));
  import_list_ =
      add_list(QStringLiteral("ListBoxGUICSSImport"), QStringLiteral("@importのCSSﾌｧｲﾙ"));
  js_list_ = add_list(QStringLiteral("ListBoxGUIJS"), QStringLiteral("JSﾌｧｲﾙ"));
  left_tabs_->addTab(lists_page, QStringLiteral("CSS/JSﾌｧｲﾙ一覧"));
  return left_tabs_;
}

TRichEditEx* AnalysisTab::AddViewPage(QTabWidget* tabs, const QString& name, const QString& caption,
                                      QVBoxLayout** layout) {
  auto* page = new QWidget(tabs);
  page->setObjectName(QStringLiteral("PGMainTabb08GUIRight") + name);
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(0, 0, 0, 0);
  auto* bar = new QHBoxLayout;
  // KEYWORD BAR: the shared keyword search bar of the source views goes
  // into this row (one per view) once that component exists.
  auto* recolor = Push(QStringLiteral("btnGUIColor") + name, QStringLiteral("色付け"), page);
  bar->addStretch(1);
  bar->addWidget(recolor);
  v->addLayout(bar);
  auto* view = new TRichEditEx(page);
  view->setObjectName(QStringLiteral("RichEditGUI") + name);
  view->SetLineNumbers(true);
  v->addWidget(view, 1);
  tabs->addTab(page, caption);
  connect(recolor, &QPushButton::clicked, view,
          [view] { ColorizeView(view, ColorizeMode::kKeepCaret); });
  if (layout) *layout = v;
  return view;
}

QWidget* AnalysisTab::BuildRight() {
  right_tabs_ = new QTabWidget(this);
  right_tabs_->setObjectName(QStringLiteral("PGMainTabb08GUIRight"));
  raw_view_ = AddViewPage(right_tabs_, QStringLiteral("Tab01HTML"), QStringLiteral("HTMLｿｰｽ"));
  normal_view_ =
      AddViewPage(right_tabs_, QStringLiteral("Tab02Normal"), QStringLiteral("整形HTML"));
  head_view_ = AddViewPage(right_tabs_, QStringLiteral("Tab03Head"), QStringLiteral("<head>部"));
  element_view_ =
      AddViewPage(right_tabs_, QStringLiteral("Tab04Element"), QStringLiteral("選択部分"));

  // A combined text's page: its file list above the view.
  const auto add_combined = [this](const QString& name, const QString& caption,
                                   const QString& list_name, TRichEditEx** view) {
    QVBoxLayout* layout = nullptr;
    *view = AddViewPage(right_tabs_, name, caption, &layout);
    auto* list = new QListWidget((*view)->parentWidget());
    list->setObjectName(list_name);
    list->setMaximumHeight(90);
    layout->insertWidget(1, list);
    return std::pair{list, layout};
  };
  QVBoxLayout* css_layout = nullptr;
  std::tie(united_css_list_, css_layout) =
      add_combined(QStringLiteral("Tab05CSS"), QStringLiteral("統合CSS"),
                   QStringLiteral("ListBoxGUIUnitedCSS"), &css_view_);
  auto* css_save =
      Push(QStringLiteral("btnGUICSSSave"), QStringLiteral("保存"), css_view_->parentWidget());
  css_layout->insertWidget(0, css_save);
  css_single_view_ =
      AddViewPage(right_tabs_, QStringLiteral("Tab06CSSFile"), QStringLiteral("個別CSS"));

  united_js_list_ = add_combined(QStringLiteral("Tab07JS"), QStringLiteral("統合JS"),
                                 QStringLiteral("ListBoxGUIUnitedJS"), &js_view_)
                        .first;
  js_single_view_ =
      AddViewPage(right_tabs_, QStringLiteral("Tab08JSFile"), QStringLiteral("個別JS"));

  QVBoxLayout* doc_layout = nullptr;
  document_view_ = AddViewPage(right_tabs_, QStringLiteral("Tab09Document"),
                               QStringLiteral("内部HTML"), &doc_layout);
  auto* doc_bar = new QHBoxLayout;
  QWidget* doc_page = document_view_->parentWidget();
  auto* inner = Push(QStringLiteral("btnGUIInnerHtml"), QStringLiteral("内部HTMLの取得"), doc_page);
  auto* inner_save = Push(QStringLiteral("btnGUIInnerHtmlSave"), QStringLiteral("保存"), doc_page);
  auto* inner_copy = Push(QStringLiteral("btnGUIInnerHtmlCopy"), QStringLiteral("ｺﾋﾟｰ"), doc_page);
  doc_bar->addWidget(inner);
  doc_bar->addWidget(inner_save);
  doc_bar->addWidget(inner_copy);
  doc_bar->addStretch(1);
  doc_layout->insertLayout(0, doc_bar);

  connect(css_save, &QPushButton::clicked, this, &AnalysisTab::btnGUICSSSaveClick);
  connect(inner, &QPushButton::clicked, this, &AnalysisTab::btnGUIInnerHtmlClick);
  connect(inner_save, &QPushButton::clicked, this, &AnalysisTab::btnGUIInnerHtmlSaveClick);
  connect(inner_copy, &QPushButton::clicked, this, &AnalysisTab::btnGUIInnerHtmlCopyClick);
  // A line of a combined file list shows that one file on its own.
  const auto show_one = [this](QListWidget* list, TRichEditEx* view, QWidget* page) {
    connect(list, &QListWidget::currentRowChanged, this, [this, list, view, page](int row) {
      if (row < 0) return;
      const std::string& all =
          list == united_css_list_ ? analysis_.combined_css : analysis_.combined_js;
      const std::string text = CombinedFileText(all, PathToSjis(list->item(row)->text()));
      if (text.empty()) return;
      ShowColored(view, text);
      right_tabs_->setCurrentWidget(page);
    });
  };
  show_one(united_css_list_, css_single_view_, css_single_view_->parentWidget());
  show_one(united_js_list_, js_single_view_, js_single_view_->parentWidget());
  return right_tabs_;
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
  for (TRichEditEx* v : {raw_view_, normal_view_, head_view_, element_view_, css_view_,
                         css_single_view_, js_view_, js_single_view_, document_view_}) {
    v->clear();
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
  editor_->SetBrowseMode(true);
  editor_->SetShowBorders(false);
  QTimer::singleShot(300, editor_, [e = editor_] { e->SetShowDetails(false); });
  editor_->LoadUrl(url);
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
  editor_->LoadFile(path);
  StartFill(sjis_path);
  current_file_ = path;
  editor_->SetBrowseMode(false);
  editor_->SetShowBorders(true);
  QTimer::singleShot(300, editor_, [e = editor_] { e->SetShowDetails(true); });
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
  ShowColored(raw_view_, analysis_.raw);
  ShowColored(normal_view_, analysis_.normalised);
  ShowColored(head_view_, analysis_.head);
  FillList(css_list_, analysis_.css_list);
  FillList(js_list_, analysis_.js_list);
  FillList(import_list_, analysis_.css_import_list);
  FillList(united_css_list_, analysis_.combined_css_files);
  FillList(united_js_list_, analysis_.combined_js_files);
  ShowColored(css_view_, analysis_.combined_css);
  ShowColored(js_view_, analysis_.combined_js);
  emit filled();
}

void AnalysisTab::OnElementClicked(const QString& html) {
  const std::string sjis = ToSjis(html);
  if (form_source_ && form_source_->isVisible()) {
    form_source_->SetFormSource(sjis);
    return;
  }
  ShowColored(element_view_, sjis);
  right_tabs_->setCurrentWidget(element_view_->parentWidget());
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
  const bool to_edit = editor_->BrowseMode();
  editor_->SetBrowseMode(!to_edit);
  if (to_edit) {
    editor_->SetShowDetails(!editor_->ShowDetails());
    QTimer::singleShot(500, editor_, [e = editor_] { e->SetShowBorders(!e->ShowBorders()); });
  }
}

void AnalysisTab::sbGUIDetailsClick() { editor_->SetShowDetails(!editor_->ShowDetails()); }
void AnalysisTab::sbGUIBordersClick() { editor_->SetShowBorders(!editor_->ShowBorders()); }

TFormSource* AnalysisTab::FormSource() {
  // A window of its own, closed with the main window.
  if (!form_source_) form_source_ = new TFormSource(this);
  return form_source_;
}

void AnalysisTab::sbGUIFormSourceClick() { FormSource()->setVisible(!FormSource()->isVisible()); }

void AnalysisTab::sbGUICopyDocumentClick() {
  QApplication::clipboard()->setText(editor_->DocumentHtml());
}

void AnalysisTab::btnGUIInnerHtmlClick() {
  const std::string html = NormaliseHtml(ToSjis(editor_->DocumentHtml()));
  ShowColored(document_view_, RewriteCharsetDeclForSave(html, kCharsetAuto));
  right_tabs_->setCurrentWidget(document_view_->parentWidget());
}

void AnalysisTab::SaveAndReport(const std::string& text, const std::string& file) {
  SaveTextFile(text, file);
  // SaveTextFile refuses some names silently; what is on disk decides.
  std::ifstream in(FsPath(file), std::ios::binary);
  const std::string written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  prompter_->Inform(written == text ? SJ<"ファイルとして保存されました">()
                                    : SJ<"ファイルとしての保存に失敗しました">());
}

void AnalysisTab::btnGUIInnerHtmlSaveClick() {
  const std::string text = document_view_->SjisText();
  if (text.empty()) return;
  const auto file = prompter_->SaveHtmlDialog(
      PathToSjis(ProposedName(CurrentAddress(), QString(), QStringLiteral(".html"))), {});
  if (file) SaveAndReport(text, *file);
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
  if (file) SaveAndReport(analysis_.combined_css, *file);
}

void AnalysisTab::sbGUICollapseClick() {
  const bool collapsed = top_->maximumHeight() == kTopCollapsed;
  top_->setMaximumHeight(collapsed ? kTopHeight : kTopCollapsed);
  // The window offers its tabs no call for this; its menu entry is named.
  if (auto* reinit = window()->findChild<QAction*>(QStringLiteral("MenuSettingsReInitialize"))) {
    reinit->setChecked(false);
  }
}

}  // namespace kaplo::gui
