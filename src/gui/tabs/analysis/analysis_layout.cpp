// The page analysis tab's controls: the top panel, the editing control and
// the lists on the left, the source views on the right.
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <map>
#include <tuple>
#include <utility>

#include "engine/url.h"
#include "gui/common/gui_util.h"
#include "gui/tabs/analysis/analysis_tab.h"
#include "gui/tabs/analysis/analysis_util.h"
#include "gui/tabs/analysis/html_edit_host.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/colorize_view.h"
#include "gui/widgets/colour_list.h"
#include "gui/widgets/keyword_bar.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/widgets/scroll_panel.h"
#include "workspace/page_analysis.h"

namespace kaplo::gui {
namespace {

const QStringList kCharsetItems = CharsetChoices();

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

}  // namespace

using analysis::kTopHeight;
using analysis::PathToSjis;

QWidget* AnalysisTab::BuildTop() {
  auto* top = new QWidget(this);
  top->setObjectName(QStringLiteral("PanelGUITop"));
  top->setMaximumHeight(kTopHeight);
  // Collapsed, its controls scroll.
  auto* v = new QVBoxLayout(ScrolledContent(top, QStringLiteral("PanelGUITopContent")));
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
  // Nothing is loaded until the tab is used, so the pane needs no empty page.
  pane_ = MakeLazy<BrowserPane>(QStringLiteral("WebBrowserGUI"), editor_page, [this](QWidget* p) {
    auto* pane = new BrowserPane(QStringLiteral("WebBrowserGUI"), p);
    pane->SetSilent(true);
    editor_ = new THtmlEditHost(pane);
    connect(editor_, &THtmlEditHost::ElementClicked, this, &AnalysisTab::OnElementClicked);
    connect(editor_, &THtmlEditHost::LinkClicked, this, &AnalysisTab::OnLinkClicked);
    return pane;
  });
  v->addWidget(pane_.Place());
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

Lazy<TRichEditEx> AnalysisTab::AddViewPage(QTabWidget* tabs, const QString& name,
                                           const QString& caption, QVBoxLayout** layout,
                                           QWidget** page_out) {
  auto* page = new QWidget(tabs);
  page->setObjectName(QStringLiteral("PGMainTabb08GUIRight") + name);
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(0, 0, 0, 0);
  auto* bar = new QHBoxLayout;
  auto* recolor = Push(QStringLiteral("btnGUIColor") + name, QStringLiteral("色付け"), page);
  bar->addStretch(1);
  bar->addWidget(recolor);
  v->addLayout(bar);
  Lazy<TRichEditEx> view =
      MakeLazy<TRichEditEx>(QStringLiteral("RichEditGUI") + name, page, [](QWidget* p) {
        auto* made = new TRichEditEx(p);
        made->SetLineNumbers(true);
        return made;
      });
  // The keyword bar of each source view, by the view's page.
  static const std::map<QString, const char*> kKeywordBars{
      {QStringLiteral("Tab01HTML"), "EditGUIRigthSearchKeyWord"},
      {QStringLiteral("Tab02Normal"), "EditGUILeftTa02HTMLSearckKeyword"},
      {QStringLiteral("Tab04Element"), "EditGUIRigthSelectedSearchKeyWord"},
      {QStringLiteral("Tab05CSS"), "EditGUICSSSearchKeyword"},
      {QStringLiteral("Tab06CSSFile"), "EditGUIIndivCSSSearchKeyWord"},
      {QStringLiteral("Tab07JS"), "EditGUIJSSearchKeyword"},
      {QStringLiteral("Tab08JSFile"), "EditGUIIndivJSSearchKeyWord"},
      {QStringLiteral("Tab09Document"), "EditsbGUILeftTa02InnerHTMLSerachKeyword"},
  };
  // The stylesheet views have their colour list at the right.
  static const std::map<QString, const char*> kColourLists{
      {QStringLiteral("Tab05CSS"), "ListBoxGUICSSColor"},
      {QStringLiteral("Tab06CSSFile"), "ListBoxGUIIndivCSSColor"},
  };
  if (const auto it = kKeywordBars.find(name); it != kKeywordBars.end()) {
    auto* body = new QWidget(page);
    auto* across = new QHBoxLayout(body);
    across->setContentsMargins(0, 0, 0, 0);
    auto* holder = new QWidget(body);
    holder->setLayout(new QVBoxLayout);
    holder->layout()->setContentsMargins(0, 0, 0, 0);
    across->addWidget(holder, 1);
    KeywordBar* keywords = AddPaneWithBar(holder, view, it->second);
    keywords->SetStatusSink([this](const QString& text) { host_->SetStatusPanel(2, text); });
    if (const auto colours = kColourLists.find(name); colours != kColourLists.end()) {
      // Both lists follow one sorted-mode box.
      auto* panel =
          new ColourListPanel(ColourListRowOf(colours->second), keywords, body, css_sorted_);
      css_sorted_ = panel->Sorted();
      across->addWidget(panel);
    }
    v->addWidget(body, 1);
  } else {
    v->addWidget(view.Place(), 1);
  }
  tabs->addTab(page, caption);
  connect(recolor, &QPushButton::clicked, this,
          [view] { ColorizeView(view.get(), ColorizeMode::kKeepCaret); });
  if (layout) *layout = v;
  if (page_out) *page_out = page;
  return view;
}

QWidget* AnalysisTab::BuildRight() {
  right_tabs_ = new QTabWidget(this);
  right_tabs_->setObjectName(QStringLiteral("PGMainTabb08GUIRight"));
  raw_view_ = AddViewPage(right_tabs_, QStringLiteral("Tab01HTML"), QStringLiteral("HTMLｿｰｽ"));
  normal_view_ =
      AddViewPage(right_tabs_, QStringLiteral("Tab02Normal"), QStringLiteral("整形HTML"));
  head_view_ = AddViewPage(right_tabs_, QStringLiteral("Tab03Head"), QStringLiteral("<head>部"));
  element_view_ = AddViewPage(right_tabs_, QStringLiteral("Tab04Element"),
                              QStringLiteral("選択部分"), nullptr, &element_page_);

  // A combined text's page: its file list above the view.
  const auto add_combined = [this](const QString& name, const QString& caption,
                                   const QString& list_name, Lazy<TRichEditEx>* view) {
    QVBoxLayout* layout = nullptr;
    QWidget* page = nullptr;
    *view = AddViewPage(right_tabs_, name, caption, &layout, &page);
    auto* list = new QListWidget(page);
    list->setObjectName(list_name);
    list->setMaximumHeight(90);
    layout->insertWidget(1, list);
    return std::pair{list, layout};
  };
  QVBoxLayout* css_layout = nullptr;
  std::tie(united_css_list_, css_layout) =
      add_combined(QStringLiteral("Tab05CSS"), QStringLiteral("統合CSS"),
                   QStringLiteral("ListBoxGUIUnitedCSS"), &css_view_);
  auto* css_save = Push(QStringLiteral("btnGUICSSSave"), QStringLiteral("保存"),
                        css_layout->parentWidget());
  css_layout->insertWidget(0, css_save);
  QWidget* css_single_page = nullptr;
  css_single_view_ = AddViewPage(right_tabs_, QStringLiteral("Tab06CSSFile"),
                                 QStringLiteral("個別CSS"), nullptr, &css_single_page);

  united_js_list_ = add_combined(QStringLiteral("Tab07JS"), QStringLiteral("統合JS"),
                                 QStringLiteral("ListBoxGUIUnitedJS"), &js_view_)
                        .first;
  QWidget* js_single_page = nullptr;
  js_single_view_ = AddViewPage(right_tabs_, QStringLiteral("Tab08JSFile"),
                                QStringLiteral("個別JS"), nullptr, &js_single_page);

  QVBoxLayout* doc_layout = nullptr;
  document_view_ = AddViewPage(right_tabs_, QStringLiteral("Tab09Document"),
                               QStringLiteral("内部HTML"), &doc_layout, &document_page_);
  auto* doc_bar = new QHBoxLayout;
  QWidget* doc_page = document_page_;
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
  const auto show_one = [this](QListWidget* list, Lazy<TRichEditEx> view, QWidget* page) {
    connect(list, &QListWidget::currentRowChanged, this, [this, list, view, page](int row) {
      if (row < 0) return;
      const std::string& all =
          list == united_css_list_ ? analysis_.combined_css : analysis_.combined_js;
      const std::string text = CombinedFileText(all, PathToSjis(list->item(row)->text()));
      if (text.empty()) return;
      ShowColored(view.get(), text);
      right_tabs_->setCurrentWidget(page);
    });
  };
  show_one(united_css_list_, css_single_view_, css_single_page);
  show_one(united_js_list_, js_single_view_, js_single_page);
  return right_tabs_;
}

}  // namespace kaplo::gui
