// The local page tab's controls: the top bar, the left pages (browser,
// files, script-run HTML, first-fetched copy) and the right pages (HTML,
// second script-run HTML, list, comparison).
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/common/gui_util.h"
#include "gui/tabs/local_page/local_page_files.h"
#include "gui/tabs/local_page/local_page_tab.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/colour_list.h"
#include "gui/widgets/flow_layout.h"
#include "gui/widgets/keyword_bar.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/widgets/scroll_panel.h"

namespace kaplo::gui {

namespace {

QCheckBox* AddCheck(QWidget* parent, const char* name, const char* caption) {
  auto* box = new QCheckBox(U(caption), parent);
  box->setObjectName(L(name));
  return box;
}

}  // namespace

QPushButton* LocalPageTab::AddButton(QWidget* parent, const char* name, const char* caption,
                                     void (LocalPageTab::*click)()) {
  auto* b = new QPushButton(U(caption), parent);
  b->setObjectName(L(name));
  b->setToolTip(U(caption));
  if (click) connect(b, &QPushButton::clicked, this, click);
  return b;
}

Lazy<TRichEditEx> LocalPageTab::AddView(QWidget* parent, const char* name, bool wrap) {
  return MakeLazy<TRichEditEx>(L(name), parent, [wrap](QWidget* p) {
    auto* view = new TRichEditEx(p);
    view->SetLineNumbers(true);
    view->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    if (!wrap) view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return view;
  });
}

KeywordBar* LocalPageTab::AddBar(QWidget* page, Lazy<TRichEditEx> view, const char* input) {
  KeywordBar* bar = AddPaneWithBar(page, view, input);
  bar->SetStatusSink([this](const QString& text) { host_->SetStatusPanel(2, text); });
  bars_[input] = bar;
  return bar;
}

QWidget* LocalPageTab::AddPage(QTabWidget* tabs, const char* name, const char* caption) {
  auto* w = new QWidget;
  w->setObjectName(L(name));
  auto* l = new QVBoxLayout(w);
  l->setContentsMargins(1, 1, 1, 1);
  l->setSpacing(2);
  tabs->addTab(w, U(caption));
  return w;
}

QWidget* LocalPageTab::BuildTopBar() {
  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("PanelLocalPGMainTabTop"));
  top_panel_ = panel;
  // Collapsed to a set height, its controls scroll.
  auto* grid = new QGridLayout(ScrolledContent(panel, QStringLiteral("PanelLocalPGMainTabTopContent")));
  grid->setContentsMargins(2, 2, 2, 2);
  grid->setVerticalSpacing(3);

  path_ = new QLineEdit(panel);
  path_->setObjectName(QStringLiteral("BtnEditConfirmLocalHTMLFile"));
  auto* page_row = new FlowLayout(nullptr, 2);
  for (QPushButton* b : {
           AddButton(panel, "sbConfirmLocaHTMLGo", "表示", &LocalPageTab::sbConfirmLocaHTMLGoClick),
           AddButton(panel, "sbLoadLocaHTMLFile", "開く", &LocalPageTab::sbLoadLocaHTMLFileClick),
           AddButton(panel, "sbConfirmLocaHTMLFileHome", "ホーム",
                     &LocalPageTab::sbConfirmLocaHTMLFileHomeClick),
           AddButton(panel, "sbConfirmLocaHTMLFileBack", "戻る",
                     &LocalPageTab::sbConfirmLocaHTMLFileBackClick),
           AddButton(panel, "sbConfirmLocaHTMLOpenIE", "ＩＥ表示",
                     &LocalPageTab::sbConfirmLocaHTMLOpenIEClick),
           AddButton(panel, "sbConfirmLocaHTMLFileClear", "クリア",
                     &LocalPageTab::sbConfirmLocaHTMLFileClearClick),
           AddButton(panel, "sbConfirmLocaHTMLFilePaste", "貼付け",
                     &LocalPageTab::sbConfirmLocaHTMLFilePasteClick),
           AddButton(panel, "sbSaveLocaHTMLFile", "保存", &LocalPageTab::sbSaveLocaHTMLFileClick),
           AddButton(panel, "sbDLLocalCollapse", "↕", &LocalPageTab::sbDLLocalCollapseClick),
           AddButton(panel, "sbConfirmLocalHTMLFileExit", "終了",
                     &LocalPageTab::sbConfirmLocalHTMLFileExitClick),
       }) {
    page_row->addWidget(b);
  }
  grid->addWidget(new QLabel(U("ﾛｰｶﾙ・ﾌｧｲﾙ名 "), panel), 0, 0);
  auto* help = Named(new QLabel(KeywordHelpText(), panel), "LabelKeywordHelp");
  grid->addWidget(path_, 0, 1);
  grid->addLayout(page_row, 0, 2);

  org_path_ = new QLineEdit(panel);
  org_path_->setObjectName(QStringLiteral("BtnEditLocalFileOrgHTML"));
  auto* org_row = new QHBoxLayout;
  org_row->addWidget(AddButton(panel, "sbConfirmLocaHTMLOrgHTMLGo", "表示",
                               &LocalPageTab::sbConfirmLocaHTMLOrgHTMLGoClick));
  org_row->addWidget(AddButton(panel, "sbConfirmLocaHTMLOrgHTMLOpen", "開く",
                               &LocalPageTab::sbConfirmLocaHTMLOrgHTMLOpenClick));
  org_row->addStretch(1);
  grid->addWidget(new QLabel(U("ｵﾘｼﾞﾅﾙ・ﾌｧｲﾙ名 "), panel), 1, 0);
  grid->addWidget(org_path_, 1, 1);
  grid->addLayout(org_row, 1, 2);

  // The option groups wrap where the window is narrow.
  auto* options = new FlowLayout(nullptr, 4);
  load_code_ = new TRadioGroup(QStringLiteral("RadioGroupLocalFileLoadCharset"),
                               U("読込み時の文字ｺｰﾄﾞ"), CharsetChoices("ISO-2022"), 6, panel);
  org_code_ = new TRadioGroup(QStringLiteral("RadioGroupLocalFileOriginalCharset"),
                              U("ｵﾘｼﾞﾅﾙの文字ｺｰﾄﾞ"), CharsetChoices("ISO-2022"), 6, panel);
  save_code_ = new TRadioGroup(QStringLiteral("RadioGroupLocalFileSaveCharset"),
                               U("保存時の文字ｺｰﾄﾞ"), CharsetChoices("ISO-2022"), 6, panel);
  load_code_->SetItemIndex(0);
  org_code_->SetItemIndex(0);
  save_code_->SetItemIndex(0);
  options->addWidget(load_code_);
  options->addWidget(org_code_);
  options->addWidget(save_code_);
  auto* check_column = new QWidget(panel);
  auto* checks = new QVBoxLayout(check_column);
  checks->setContentsMargins(0, 0, 0, 0);
  dont_page_change_ = AddCheck(panel, "CheckBoxLocalFileDontPageChange",
                               " JavaScriptの実行を確認のため、ﾍﾟｰｼﾞを変更しない ");
  dont_load_ = AddCheck(panel, "CheckBoxLocalDontLoad", "ﾍﾟｰｼﾞを替えても再ﾛｰﾄﾞしない");
  dont_change_charset_ =
      AddCheck(panel, "CheckBoxLocalDontChnageCharset", "保存時に文字ｺｰﾄﾞの宣言を変更しない");
  cleanup_html_ =
      AddCheck(panel, "CheckBoxLOcalCreanupHTML", " 保存時にHTMLのＴＡＧを【 小文字 】にする");
  for (QCheckBox* c : {dont_page_change_, dont_load_, dont_change_charset_, cleanup_html_}) {
    checks->addWidget(c);
  }
  options->addWidget(check_column);
  grid->addLayout(options, 2, 0, 1, 3);
  help->setWordWrap(true);
  grid->addWidget(help, 3, 0, 1, 3);
  grid->setColumnStretch(1, 1);
  return panel;
}

QWidget* LocalPageTab::BuildBrowserPage() {
  QWidget* page = AddPage(left_, "PGMainTab03LocalLeftTab01Browser", " ﾌﾞﾗｳｻﾞ ");
  browser_ = MakeLazy<BrowserPane>(QStringLiteral("WebBrowserConfirmLocalFile"), page,
                                   [this](QWidget* p) { return MakeBrowser(p); });
  auto* row = new QHBoxLayout;
  row->addWidget(
      AddButton(page, "sbConfirmLocaBrowserBack", "戻る", &LocalPageTab::sbConfirmLocaHTMLFileBackClick));
  row->addWidget(new BrowserKeywordBar(BrowserBarRowOf("ComboBoxLocalBrowserSearch"), browser_, page),
                 1);
  change_url_ = AddCheck(page, "CheckBoxLocalChageUrl",
                         "画面をｸﾘｯｸすると、ﾘﾝｸへｼﾞｬﾝﾌﾟし、Urlを変更する");
  row->addWidget(change_url_);
  static_cast<QVBoxLayout*>(page->layout())->addLayout(row);
  page->layout()->addWidget(browser_.Place());
  status_label_ = new QLabel(page);
  status_label_->setObjectName(QStringLiteral("LabelLocalBrowserStatusBar"));
  page->layout()->addWidget(status_label_);
  return page;
}

// A file pane's page: path box with open and go (and save) buttons, the
// pane with its bar and, for stylesheets, the colour list at the right.
QWidget* LocalPageTab::BuildFilePage(FilePane pane, QWidget* page) {
  const FilePaneSpec& spec = SpecOf(pane);
  auto* row = new QHBoxLayout;
  auto* box = new QLineEdit(page);
  box->setObjectName(L(spec.box));
  file_boxes_[pane] = box;
  row->addWidget(box, 1);
  auto* open = AddButton(page, spec.open, "開く", nullptr);
  auto* go = AddButton(page, spec.go, "表示", nullptr);
  connect(open, &QPushButton::clicked, this, [this, pane] { OpenFileClick(pane); });
  connect(go, &QPushButton::clicked, this, [this, pane] { GoFileClick(pane); });
  row->addWidget(open);
  row->addWidget(go);
  for (const char* inert : {spec.inert1, spec.inert2}) {
    // Buttons the pane has that do nothing.
    if (inert) row->addWidget(AddButton(page, inert, "...", nullptr));
  }
  if (pane == FilePane::IndivCss) {
    row->addWidget(AddButton(page, "sbLocaIndivlCSSSave", "保存", &LocalPageTab::sbLocaIndivlCSSSaveClick));
  } else if (pane == FilePane::IndivJs) {
    row->addWidget(AddButton(page, "sbLocaIndivJSSave", "保存", &LocalPageTab::sbLocaIndivJSSaveClick));
  } else if (pane == FilePane::Ref) {
    auto* compare = AddButton(page, "sbLocalRefCompare", "HTMLｿｰｽと比較", nullptr);
    auto* previous = AddButton(page, "sbLocalRefPrevDiff", "前の差分", nullptr);
    auto* next = AddButton(page, "sbLocalRefNextDiff", "次の差分", nullptr);
    connect(compare, &QPushButton::clicked, this, [this] { CompareWithHtmlSource(); });
    connect(previous, &QPushButton::clicked, this, [this] { StepDifference(-1); });
    connect(next, &QPushButton::clicked, this, [this] { StepDifference(1); });
    for (QPushButton* button : {compare, previous, next}) row->addWidget(button);
  }
  static_cast<QVBoxLayout*>(page->layout())->addLayout(row);

  Lazy<TRichEditEx> view = AddView(page, spec.view, spec.wrap);
  file_views_[pane] = view;
  if (!spec.bar) {
    page->layout()->addWidget(view.Place());
    return page;
  }
  auto* body = new QWidget(page);
  auto* across = new QHBoxLayout(body);
  across->setContentsMargins(0, 0, 0, 0);
  auto* holder = new QWidget(body);
  holder->setLayout(new QVBoxLayout);
  holder->layout()->setContentsMargins(0, 0, 0, 0);
  KeywordBar* bar = AddBar(holder, view, spec.bar);
  across->addWidget(holder, 1);
  if (spec.colour_list) {
    auto* colours = new ColourListPanel(ColourListRowOf(spec.colour_list), bar, body);
    across->addWidget(colours);
    (pane == FilePane::TotalCssJs ? total_colours_ : indiv_colours_) = colours;
  }
  page->layout()->addWidget(body);
  return page;
}

QTabWidget* LocalPageTab::BuildLeftTabs() {
  left_ = new QTabWidget(this);
  left_->setObjectName(QStringLiteral("PGMainTab03LocalLeft"));
  BuildBrowserPage();
  BuildFilePage(FilePane::TotalCssJs,
                AddPage(left_, "PGMainTab03LocalLeftTab02TotalCSSJS", " CSS/JS統合ﾌｧｲﾙ "));
  QWidget* list = BuildFilePage(
      FilePane::CssJsList, AddPage(left_, "PGMainTab03LocalLeftTab03FileList", " CSS/JSﾌｧｲﾙ一覧 "));
  QWidget* images = BuildFilePage(
      FilePane::ImageList, AddPage(left_, "PGMainTab03LocalLeftTab04ImageList", " イメージ一覧 "));
  // List boxes the tab empties with the rest; nothing fills them.
  int i = 0;
  for (auto [page, name] : {std::pair{list, "ListBoxPGMainTab03LocalLeftTab03"},
                            std::pair{images, "ListBoxPGMainTab03LocalLeftTab04ImageList"}}) {
    auto* box = new QListWidget(page);
    box->setObjectName(L(name));
    box->hide();
    hidden_lists_[i++] = box;
  }

  QWidget* inner = AddPage(left_, "PGMainTab03LocalLeftTab05InnerHTML", " Java実行後の内部HTMLｿｰｽ ");
  auto* inner_row = new QHBoxLayout;
  inner_row->addWidget(AddButton(inner, "sbPGMainTab03LocalLeftTab05OuterHTML", "内部HTMLの取得",
                                 &LocalPageTab::sbPGMainTab03LocalLeftTab05OuterHTMLClick));
  inner_row->addWidget(AddButton(inner, "sclPGMainTab03LocalLeftTab05OuterHTMLSave", "保存",
                                 &LocalPageTab::sclPGMainTab03LocalLeftTab05OuterHTMLSaveClick));
  inner_row->addStretch(1);
  static_cast<QVBoxLayout*>(inner->layout())->addLayout(inner_row);
  inner_left_ = AddView(inner, "RichEditPGMainTab03LocalLeftTab05InnerHTML", false);
  AddBar(inner, inner_left_, "ComboBoxDLLocalAfterJavaExecute");

  QWidget* org = AddPage(left_, "PGMainTab03LocalLeftTab06OrgHTML", " ｵﾘｼﾞﾅﾙHTML ");
  org_ = AddView(org, "RichEditPGMainTab03LocalLeftTab06OrgHTML", false);
  AddBar(org, org_, "ComboBoxDLOrgHTMLSearch");

  BuildFilePage(FilePane::IndivCss, AddPage(left_, "PGMainTab03LocalLeftTab07IndivCSS", " 個別CSS "));
  BuildFilePage(FilePane::IndivJs, AddPage(left_, "PGMainTab03LocalLeftTab08IndivJS", " 個別JS "));
  // Leaving the script-run page refreshes it from the browser.
  connect(left_, &QTabWidget::currentChanged, this, [this, inner](int) {
    if (left_page_ == inner && left_->currentWidget() != inner) {
      sbPGMainTab03LocalLeftTab05OuterHTMLClick();
    }
    left_page_ = left_->currentWidget();
  });
  return left_;
}

QTabWidget* LocalPageTab::BuildRightTabs() {
  right_ = new QTabWidget(this);
  right_->setObjectName(QStringLiteral("PGMainTab03LocalRight"));
  QWidget* html = AddPage(right_, "PGMainTab03LocalRightTab01HTML", " HTMLｿｰｽ ");
  html_ = AddView(html, "RichEditPGMainTab03LocalRightTab01HTML", false);
  AddBar(html, html_, "ComboBoxDLHTMLSearch");

  QWidget* inner = AddPage(right_, "PGMainTab03LocalRightTab05InnerHTML", " Java実行後の内部HTMLｿｰｽ ");
  inner->layout()->addWidget(AddButton(inner, "sclPGMainTab03LocalRightTab05OuterHTML",
                                       "内部HTMLの取得",
                                       &LocalPageTab::sclPGMainTab03LocalRightTab05OuterHTMLClick));
  inner_right_ = AddView(inner, "RichEditPGMainTab03LocalRightTab05InnerHTML", false);
  inner->layout()->addWidget(inner_right_.Place());

  QWidget* list = AddPage(right_, "PGMainTab03LocalRightTab03FileList", " CSS/JSﾌｧｲﾙ一覧 ");
  list_right_ = AddView(list, "RichEditPGMainTab03LocalRightTab03FileList", false);
  list->layout()->addWidget(list_right_.Place());

  BuildFilePage(FilePane::Ref, AddPage(right_, "PGMainTab03LocalRightTab04Ref", " ｵﾘｼﾞﾅﾙとの比較 "));
  return right_;
}

}  // namespace kaplo::gui
