#include "gui/tabs/search/search_tab.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cstdio>

#include "engine/fetch.h"
#include "engine/url.h"
#include "gui/common/gui_util.h"
#include "gui/common/settings_bindings.h"
#include "gui/common/sjis.h"
#include "gui/common/worker_host.h"
#include "gui/tabs/search/browse_helpers.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/flow_layout.h"
#include "gui/widgets/keyword_bar.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/scroll_panel.h"
#include "gui/widgets/top_over_split.h"
#include "text/urlcode.h"

namespace kaplo::gui {

namespace {

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  auto* b = Named(new QPushButton(U(caption), parent), name);
  b->setAutoDefault(false);
  return b;
}

QStatusBar* StatusBar(QWidget* parent, const char* name, QLabel*& link_panel) {
  auto* bar = Named(new QStatusBar(parent), name);
  bar->setSizeGripEnabled(false);
  for (int i = 0; i < 3; ++i) {
    auto* panel = new QLabel(bar);
    panel->setObjectName(QStringLiteral("%1Panel%2").arg(bar->objectName()).arg(i));
    bar->addWidget(panel, i == 2 ? 4 : 1);
    if (i == 2) link_panel = panel;
  }
  return bar;
}

// What the description box offers: phrases this program's users look up
// while they take pages apart.
constexpr const char* kDescriptions[] = {
    "HTML タグ 一覧",       "HTML 属性 一覧",       "CSS プロパティ 一覧",
    "CSS セレクタ 一覧",    "JavaScript リファレンス", "文字コード Shift_JIS UTF-8 EUC-JP",
    "HTTP ステータスコード", "MIME タイプ 一覧",
};

// The sub-tabs of PGTab01L.
enum LeftTab { kMain = 0, kHttpGet = 1, kAuxiliary = 2 };

}  // namespace

SearchTab::SearchTab() : worker_(std::make_unique<WorkerHost>()) {
  connect(worker_.get(), &WorkerHost::Finished, this, [this] {
    QApplication::restoreOverrideCursor();
    emit ProbeFinished();
  });
}

SearchTab::~SearchTab() { worker_->Shutdown(); }

bool SearchTab::Probing() const { return worker_->Busy(); }

void SearchTab::Build(TabContext& context) {
  host_ = &context.host;
  prompter_ = &context.host.Prompts();
  const SiteTableLoad load = SitesFromEnvironment();
  if (!load.error.empty()) std::fprintf(stderr, "kaplo: %s\n", load.error.c_str());
  sites_ = load.table;

  TopOverSplit(this, BuildTopPanel(), BuildLeftTabs(), BuildRightTabs(), "SplitterNS");
  context.page->layout()->addWidget(this);
  ApplyInputMode();
}

QWidget* SearchTab::BuildTopPanel() {
  auto* top = top_ = Named(new QWidget(this), "PanelPGSearchTabTop");
  auto* grid = new QGridLayout(ScrolledContent(top, QStringLiteral("PanelPGSearchTabTopContent")));
  grid->setContentsMargins(0, 0, 0, 0);

  keyword_ = Named(new QComboBox(top), "ComboBoxSearchKeyWord");
  keyword_->setEditable(true);
  keyword_->setInsertPolicy(QComboBox::NoInsert);
  keyword_->setMinimumWidth(320);
  connect(keyword_->lineEdit(), &QLineEdit::returnPressed, this, &SearchTab::sbSearchYahooClick);
  ime_mode_ = new TRadioGroup(QStringLiteral("RadioGroupIMEMode"), QString(),
                              {U("日本語"), U("英語")}, 2, top);
  ime_mode_->SetItemIndex(0);
  connect(ime_mode_, &TRadioGroup::ItemIndexChanged, this, &SearchTab::RadioGroupIMEModeClick);

  auto* row = new QHBoxLayout;
  row->addWidget(keyword_, 3);
  row->addWidget(ime_mode_);
  const auto add = [this, top, row](const char* name, const char* caption, void (SearchTab::*fn)()) {
    QPushButton* b = Button(top, name, caption);
    connect(b, &QPushButton::clicked, this, fn);
    row->addWidget(b);
    return b;
  };
  add("sbKeywordPaste", "貼付け", &SearchTab::sbKeywordPasteClick);
  add("sbSearchGoogle", "Google検索", &SearchTab::sbSearchGoogleClick);
  add("sbSearchYahoo", "Yahoo検索", &SearchTab::sbSearchYahooClick);
  add("btnEncloseQuatation", "\" \" で囲んで検索", &SearchTab::btnEncloseQuatationClick);
  add("btnSearchPrev", "前の100件", &SearchTab::btnSearchPrevClick);
  add("btnSearchNext", "次の100件", &SearchTab::btnSearchNextClick);
  offset_box_ = Named(new QSpinBox(top), "SpinEditNSSearch");
  offset_box_->setRange(-1, 1'000'000'000);
  row->addWidget(offset_box_);
  grid->addLayout(row, 0, 0, 1, 2);

  auto* row2 = new QHBoxLayout;
  query_url_ = Named(new QLineEdit(top), "edNSUrl");
  row2->addWidget(query_url_, 3);
  QPushButton* go = Button(top, "sbNSGo", "Go");
  connect(go, &QPushButton::clicked, this, &SearchTab::sbNSGoClick);
  row2->addWidget(go);
  immediate_ = Named(new QCheckBox(U("直接【 ＩＥ 】で新規ｳｨﾝﾄﾞｳに表示する"), top),
                     "CheckBoxNSImmediate");
  row2->addWidget(immediate_);
  description_ = Named(new QComboBox(top), "ComboBoxDesc");
  description_->setEditable(true);
  description_->setInsertPolicy(QComboBox::NoInsert);
  for (const char* item : kDescriptions) description_->addItem(U(item));
  description_->setEditText(QString());
  description_->setToolTip(U("選ぶと、その語句で検索します（直前の検索と同じ Google／Yahoo）"));
  // A choice from the list, or a text typed and confirmed with Enter.
  connect(description_, &QComboBox::textActivated, this, &SearchTab::ComboBoxDescSelect);
  connect(description_->lineEdit(), &QLineEdit::returnPressed, this,
          &SearchTab::ComboBoxDescSelect);
  row2->addWidget(description_, 1);
  grid->addLayout(row2, 1, 0, 1, 2);

  auto* memos = new QHBoxLayout;
  for (auto [memo, name] : {std::pair{&memo_keyword_, "MemoSearchkeyword"},
                            std::pair{&memo_url_, "MemoNSUrl"},
                            std::pair{&memo_yahoo_url_, "MemoYahooUrl"}}) {
    *memo = Named(new QPlainTextEdit(top), name);
    (*memo)->setMaximumHeight(48);
    memos->addWidget(*memo);
  }
  new_window_url_ = Named(new QLineEdit(top), "EditNSNewWindowsUrl");
  memos->addWidget(new_window_url_);
  grid->addLayout(memos, 2, 0, 1, 2);
  SetPanelHeight(top, 140);
  return top;
}

QTabWidget* SearchTab::BuildLeftTabs() {
  left_ = Named(new QTabWidget(this), "PGTab01L");

  auto* main = Named(new QWidget(left_), "PGTab01LTab01SearchMain");
  auto* v = new QVBoxLayout(main);
  v->setContentsMargins(0, 0, 0, 0);
  result_ = MakeLazy<BrowserPane>(QStringLiteral("WebBrowserNSBase"), main, [this](QWidget* p) {
    BrowserPane* pane = host_->CreateBrowserPane(QStringLiteral("WebBrowserNSBase"), p);
    pane->SetSilent(true);
    pane->SetClickCallback([this](const QUrl& url) {
      ResultPaneClick(QString::fromStdString(LinkBytes(url)));
      return false;
    });
    pane->SetNewWindowHandler([this](const QUrl& url) {
      ResultPaneNewWindow(QString::fromStdString(LinkBytes(url)));
      return BrowserPane::NewWindow::CancelIt();
    });
    connect(pane, &BrowserPane::StatusTextChange, this, &SearchTab::ResultStatusText);
    return pane;
  });
  // The searched keywords, ready to be highlighted in the result page.
  highlight_result_ = new BrowserKeywordBar(BrowserBarRowOf("edSearchAndHighlight"), result_, main);
  v->addWidget(highlight_result_);
  v->addWidget(result_.Place(), 1);
  v->addWidget(StatusBar(main, "StatusBarNSBase", result_status_link_));
  left_->addTab(main, U(" メイン "));

  auto* get = Named(new QWidget(left_), "PGTab01LTab02HTTPGet");
  auto* gv = new QVBoxLayout(get);
  http_get_headers_ = Named(new QPlainTextEdit(get), "MemoNSHTTPGet");
  http_get_file_ = Named(new QPlainTextEdit(get), "MemoMemoNSHTTPGetFile");
  for (QPlainTextEdit* m : {http_get_headers_, http_get_file_}) {
    m->setReadOnly(true);
    gv->addWidget(m, 1);
  }
  left_->addTab(get, U(" HTTPGet "));

  auto* aux = Named(new QWidget(left_), "PGTab01LTab03Browser");
  auto* av = new QVBoxLayout(aux);
  av->setContentsMargins(0, 0, 0, 0);
  auto* ar = new QHBoxLayout;
  auxiliary_url_ = Named(new QLineEdit(aux), "EditPGTab01LTab03BrowserNewWindow");
  ar->addWidget(auxiliary_url_, 1);
  QPushButton* back = Button(aux, "sbNSNewWindowBack", "前のページへ戻る");
  QPushButton* ie = Button(aux, "sbNSNewWindowIE", "ＷｅｂページのＩＥ表示");
  ar->addWidget(back);
  ar->addWidget(ie);
  av->addLayout(ar);
  auxiliary_ =
      MakeLazy<BrowserPane>(QStringLiteral("WebBrowserNSNewWindow"), aux, [this](QWidget* p) {
        BrowserPane* pane = host_->CreateBrowserPane(QStringLiteral("WebBrowserNSNewWindow"), p);
        pane->SetSilent(true);
        pane->SetClickCallback(FollowOnlyWebLinks);
        return pane;
      });
  av->addWidget(auxiliary_.Place(), 1);
  connect(back, &QPushButton::clicked, this, [this] { auxiliary_->GoBack(); });
  connect(ie, &QPushButton::clicked, this, &SearchTab::sbNSNewWindowIEClick);
  left_->addTab(aux, U(" 補助ブラウザ "));
  return left_;
}

QTabWidget* SearchTab::BuildRightTabs() {
  right_ = Named(new QTabWidget(this), "PGTab01R");
  auto* page = Named(new QWidget(right_), "PGTab01RTab01Target");
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(0, 0, 0, 0);

  // The address on a line of its own; the buttons wrap below it.
  target_url_ = Named(new QComboBox(page), "ComboBoxNSTargetUrl");
  target_url_->setEditable(true);
  target_url_->setInsertPolicy(QComboBox::NoInsert);
  v->addWidget(target_url_);
  auto* row = new FlowLayout(nullptr, 2);
  const auto add = [this, page, row](const char* name, const char* caption,
                                     void (SearchTab::*fn)()) {
    QPushButton* b = Button(page, name, caption);
    connect(b, &QPushButton::clicked, this, fn);
    row->addWidget(b);
    return b;
  };
  add("sbNSNavigate", "ﾅﾋﾞｹﾞｰﾄ", &SearchTab::sbNSNavigateClick);
  add("sbNSTargetPaste", "貼付け", &SearchTab::sbNSTargetPasteClick);
  add("sbNSUrlCopy", "Ｕｒｌのコピー", &SearchTab::sbNSUrlCopyClick);
  QPushButton* back = Button(page, "sbNSTargetBack", "前のページへ戻る");
  row->addWidget(back);
  add("sbNSTargetIE", "ＷｅｂページのＩＥ表示", &SearchTab::sbNSTargetIEClick);
  add("sbNSStop", "ﾅﾋﾞｹﾞｰﾄの強制終了", &SearchTab::sbNSStopClick);
  add("sbNSGoNewPage", "新規Tabへ移動", &SearchTab::sbNSGoNewPageClick);
  add("sbNSCloseAllTabs", "2個以上の開いているTabを「 一括 」で閉じる",
      &SearchTab::CloseAllTargetBrowser);
  add("sbNSHTTPGet", "ＨＴＴＰｇｅｔ", &SearchTab::sbNSHTTPGetClick);
  v->addLayout(row);

  target_ = MakeLazy<BrowserPane>(QStringLiteral("WebBrowserNSTarget"), page, [this](QWidget* p) {
    BrowserPane* pane = host_->CreateBrowserPane(QStringLiteral("WebBrowserNSTarget"), p);
    pane->SetSilent(true);
    pane->SetClickCallback([this](const QUrl& url) {
      TargetPaneClick(QString::fromStdString(LinkBytes(url)));
      return false;
    });
    // New windows of the target page are the desktop browser's business.
    pane->SetNewWindowHandler([](const QUrl& url) {
      return IsHttpUrl(LinkBytes(url)) ? BrowserPane::NewWindow::ToSystem()
                                       : BrowserPane::NewWindow::CancelIt();
    });
    connect(pane, &BrowserPane::StatusTextChange, this, &SearchTab::TargetStatusText);
    return pane;
  });
  highlight_target_ =
      new BrowserKeywordBar(BrowserBarRowOf("edDLTargetSearchAndHighlight"), target_, page);
  v->addWidget(highlight_target_);
  connect(back, &QPushButton::clicked, this, [this] { target_->GoBack(); });
  v->addWidget(target_.Place(), 1);
  v->addWidget(StatusBar(page, "StatusBarNStarget", target_status_link_));
  right_->addTab(page, U(" ターゲット・ブラウザ 【 対象ﾍﾟｰｼﾞ  】"));
  return right_;
}

void SearchTab::BindSettings(SettingsBindings& bindings, Settings& settings) {
  bindings.Text(keyword_, settings.ns.keyword);
  bindings.Choice(ime_mode_, settings.ns.ime_mode, kImeModeChoices);
  bindings.Height(top_, settings.ns.page_top_height);
}

void SearchTab::Reset() {
  keyword_->setEditText(QString());
  ime_mode_->SetItemIndex(0);
  SetPanelHeight(top_, 500);
  state_ = {};
  result_link_.clear();
  target_link_.clear();
  offset_box_->setValue(0);
}

void SearchTab::Entered() {
  ShowLeft(kMain);
  keyword_->setFocus();
}

// ---- searches ----

void SearchTab::Search(SearchEngine engine) {
  const SearchRequest r = StartSearch(sites_, state_, engine, SjisFromQs(keyword_->currentText()),
                                      ime_mode_->ItemIndex() == 1);
  if (r.url.empty()) return;
  // The history is the keyword box's own list.
  std::vector<std::string> items = ComboItems(keyword_);
  if (AddKeywordToHistory(items, r.history)) keyword_->addItem(QsFromSjis(r.history));
  offset_box_->setValue(state_.offset);
  query_url_->setText(QsFromSjis(r.url));
  memo_keyword_->setPlainText(QsFromSjis(r.url));
  highlight_result_->Input()->setEditText(QsFromSjis(r.highlight));
  highlight_target_->Input()->setEditText(QsFromSjis(r.highlight));
  result_->Navigate(QsFromSjis(r.url));
  target_->Navigate(QStringLiteral("about:blank"));
  ShowLeft(kMain);
}

void SearchTab::sbSearchGoogleClick() { Search(SearchEngine::kGoogle); }
void SearchTab::sbSearchYahooClick() { Search(SearchEngine::kYahoo); }

void SearchTab::LoadResults(const std::string& url) {
  if (!url.empty()) {
    query_url_->setText(QsFromSjis(url));
    result_->Navigate(QsFromSjis(url));
  }
  offset_box_->setValue(state_.offset);
  ShowLeft(kMain);
}

void SearchTab::btnSearchNextClick() {
  const std::string keyword = SjisFromQs(keyword_->currentText());
  if (NormaliseKeyword(keyword).empty()) return;
  LoadResults(PageSearch(sites_, state_, keyword, ime_mode_->ItemIndex() == 1, true));
}

void SearchTab::btnSearchPrevClick() {
  const std::string keyword = SjisFromQs(keyword_->currentText());
  if (NormaliseKeyword(keyword).empty()) return;
  const std::string url = PageSearch(sites_, state_, keyword, ime_mode_->ItemIndex() == 1, false);
  if (url.empty()) {
    offset_box_->setValue(state_.offset);
    return;
  }
  LoadResults(url);
}

void SearchTab::btnEncloseQuatationClick() {
  const std::string quoted = QuoteKeywords(SjisFromQs(keyword_->currentText()));
  if (quoted.empty()) return;
  keyword_->setEditText(QsFromSjis(quoted));
  sbSearchYahooClick();
}

void SearchTab::sbKeywordPasteClick() {
  keyword_->setEditText(QApplication::clipboard()->text());
  keyword_->lineEdit()->end(false);
  sbSearchYahooClick();
}

void SearchTab::ComboBoxDescSelect() {
  const QString text = description_->currentText().trimmed();
  if (text.isEmpty()) return;
  keyword_->setEditText(text);
  // The engine the user searched with last (Google before any search).
  Search(state_.engine);
  RememberInput(description_, text);
}

void SearchTab::RadioGroupIMEModeClick() {
  if (started_) keyword_->setEditText(QString());
  ApplyInputMode();
}

void SearchTab::ApplyInputMode() {
  // Japanese: the input method is on for the box; English: off.
  const bool japanese = ime_mode_->ItemIndex() != 1;
  keyword_->setAttribute(Qt::WA_InputMethodEnabled, japanese);
  keyword_->lineEdit()->setAttribute(Qt::WA_InputMethodEnabled, japanese);
}

// ---- links ----

void SearchTab::ResultStatusText(const QString& text) {
  if (text.isEmpty()) return;
  const std::string link = SjisFromQs(text);
  if (!IsHttpUrl(link)) return;
  if (IsPageLink(link)) {
    memo_yahoo_url_->setPlainText(text);
    result_link_ = QsFromSjis(UnwrapSearchRedirect(sites_, link));
    result_status_link_->setText(QStringLiteral(" [ ") + result_link_ + QStringLiteral(" ]"));
  } else {
    result_link_ = text;
  }
}

void SearchTab::TargetStatusText(const QString& text) {
  const std::string link = SjisFromQs(text);
  if (text.isEmpty() || !IsHttpUrl(link) || !IsPageLink(link)) return;
  target_link_ = QsFromSjis(UnwrapSearchRedirect(sites_, link));
  target_status_link_->setText(QStringLiteral(" [ ") + target_link_ + QStringLiteral(" ]"));
}

void SearchTab::ResultPaneClick(const QString& link) {
  const LinkAction action =
      kaplo::ResultPaneClick(sites_, SjisFromQs(link), immediate_->isChecked());
  if (action.target == LinkTarget::kNothing) return;
  result_link_ = QsFromSjis(action.url);
  Carry(action);
}

void SearchTab::ResultPaneNewWindow(const QString& link) {
  const LinkAction action = kaplo::ResultPaneNewWindow(
      sites_, state_.engine, SjisFromQs(link), result_->ReadyState() == BrowserPane::kComplete);
  if (action.target == LinkTarget::kTargetPane) new_window_url_->setText(QsFromSjis(action.url));
  ShowTarget();
  Carry(action);
}

void SearchTab::TargetPaneClick(const QString& link) {
  const LinkAction action = kaplo::TargetPaneClick(SjisFromQs(link));
  if (action.target == LinkTarget::kNothing) return;
  target_link_ = QsFromSjis(action.url);
  Carry(action);
}

void SearchTab::Carry(const LinkAction& action) {
  const QString url = QsFromSjis(action.url);
  switch (action.target) {
    case LinkTarget::kNothing:
      return;
    case LinkTarget::kSystemBrowser:
      OpenInSystemBrowser(url);
      return;
    case LinkTarget::kResultPane:
      result_->Navigate(url);
      break;
    case LinkTarget::kTargetPane:
      ShowTarget();
      target_->Navigate(url);
      break;
    case LinkTarget::kNewTab:
      CreateTabBrowser(url, QString());
      return;
    case LinkTarget::kAuxiliaryPane:
      memo_url_->setPlainText(url);
      if (!url.contains(QStringLiteral("java"), Qt::CaseInsensitive)) new_window_url_->setText(url);
      ShowLeft(kAuxiliary);
      auxiliary_->NavigateNoHistory(url);
      auxiliary_url_->setText(url);
      host_->PassLink(TabId::Download, url, LinkUse::kAddress);
      return;
    default:
      return;
  }
  memo_url_->setPlainText(url);
  if (action.hand_on) HandOnLink(url);
  ShowTarget();
}

void SearchTab::HandOnLink(const QString& url) {
  target_url_->setEditText(url);
  host_->PassLink(TabId::Download, url, LinkUse::kNewPage);
  host_->PassLink(TabId::IpAddress, url, LinkUse::kAddress);
  host_->PassLink(TabId::GuiAnalysis, url, LinkUse::kAddress);
}

void SearchTab::OpenInSystemBrowser(const QString& url) {
  if (IsHttpUrl(SjisFromQs(url))) BrowserPane::OpenInSystem(QUrl(url));
}

void SearchTab::ShowLeft(int index) { left_->setCurrentIndex(index); }
void SearchTab::ShowTarget() { right_->setCurrentIndex(0); }

// ---- the target side ----

BrowserPane* SearchTab::CreateTabBrowser(const QString& url, const QString& title) {
  // Numbered by the count of tabs after adding.
  return AddNumberedPaneTab(*host_, right_, url, title, right_->count() + 1);
}

void SearchTab::sbNSGoNewPageClick() {
  if (!IsHttpUrl(SjisFromQs(target_url_->currentText().trimmed()))) return;
  // Only a web address is opened.
  if (!IsHttpUrl(SjisFromQs(result_link_))) return;
  CreateTabBrowser(result_link_, QString());
}

void SearchTab::CloseAllTargetBrowser() {
  CloseNumberedPaneTabs(right_);
  target_->Navigate(QStringLiteral("about:blank"));
  result_link_.clear();
}

void SearchTab::sbNSNavigateClick() {
  const QString url = target_url_->currentText().trimmed();
  if (!IsHttpUrl(SjisFromQs(url))) return;
  target_->Navigate(url);
  host_->PassLink(TabId::Download, url, LinkUse::kAddress);
}

void SearchTab::sbNSTargetPasteClick() {
  const QString text = QApplication::clipboard()->text().trimmed();
  if (IsHttpUrl(SjisFromQs(text))) target_url_->setEditText(text);
}

void SearchTab::sbNSUrlCopyClick() {
  QApplication::clipboard()->setText(target_url_->currentText());
}

void SearchTab::sbNSStopClick() { target_->Navigate(QStringLiteral("about:blank")); }

void SearchTab::sbNSGoClick() {
  const QString url = query_url_->text().trimmed();
  if (IsHttpUrl(SjisFromQs(url))) result_->Navigate(url);
}

void SearchTab::sbNSTargetIEClick() {
  const QString url = new_window_url_->text().trimmed();
  OpenInSystemBrowser(IsHttpUrl(SjisFromQs(url)) ? url : target_url_->currentText().trimmed());
}

void SearchTab::sbNSNewWindowIEClick() { OpenInSystemBrowser(auxiliary_url_->text().trimmed()); }

void SearchTab::sbNSHTTPGetClick() {
  const std::string url = SjisFromQs(target_url_->currentText().trimmed());
  if (!IsHttpUrl(url) || worker_->Busy()) return;
  QApplication::setOverrideCursor(Qt::BusyCursor);
  worker_->Start([this, url] {
    // Time-outs are the fetcher's: connect 15 s, stalled 30 s.
    const ProbeTexts texts = DescribeProbe(CurlFetcher().Probe(url));
    worker_->OnWindow([this, texts] {
      if (!texts.found) {
        http_get_headers_->clear();
        http_get_file_->clear();
        prompter_->Inform(texts.message);
        return;
      }
      http_get_headers_->setPlainText(QsFromSjis(texts.headers));
      http_get_file_->setPlainText(QsFromSjis(texts.details));
      ShowLeft(kHttpGet);
    });
  });
}

}  // namespace kaplo::gui
