#include "gui/widgets/keyword_bar.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextBlock>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <stdexcept>

#include "gui/common/gui_util.h"
#include "gui/common/sjis.h"
#include "gui/widgets/browser_highlight.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/colorize_view.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/widgets/view_text.h"
#include "view/keyword_search.h"

namespace kaplo::gui {

namespace {

using RM = RecolorMode;

constexpr std::array<KeywordBarRow, 19> kSourceBars{{
    // download tab
    {"ComboBoxWebKW", "sbDLWebKWSearchGo", "sbDLWebWWSearchPaste", "sbDLWebWWSearchRecolor",
     "ListBoxDownloadHTMLSrc", "LabelWebKW", true, RM::kKeepCaret},
    {"ComboBoxWebLocalKW", "sbDLLocalKWSearchGo", "sbDLLocalKWSearchPaste",
     "sbDLLocalKWSearchRecolor", "ListBoxListDLLocalHTMLSrc", "LabelDLLocalKW", true,
     RM::kKeepCaret},
    {"ComboBoxDLInnerKW", "sbDLInnerKWSearchGo", "sbDLInnerKWSearchPaste",
     "sbDLInnerKWsearchRecolor", "ListBoxListDLWebInnerHTMLSrc", "LabelDLWebinnerKW", true,
     RM::kKeepCaret},
    {"ComboBoxWebOrgKW", "sbDLWebOrgKWSearchGo", "sbDLWebOrgKwSearchPaste",
     "sbDLWebOrgKwSearchRecolor", "ListBoxDownloadOrgHTMLSrc", "LabelWebOrgKW", true,
     RM::kKeepCaret},
    // local page tab
    {"ComboBoxDLHTMLSearch", "sbLocaFileSearchKeyWodGo", "sbLocaFileSearchKeyWodPaste",
     "sbLocaFileReColor", "ListBoxPGMainTab03LocalLeftTab02THTMLSearchList",
     "LabelLocalHTMLLineColumnNo", true, RM::kKeepCaret},
    {"ComboBoxDLTotalFCSSJSSearch", "sbocalCSSJSSearch", "sbocalCSSJSSearchPaste",
     "sbocalCSSJSSearchRecolor", "ListBoxPGMainTab03LocalLeftTab02TotalCSSSearchList",
     "LabelCSSJSLineColumnNo", true, RM::kKeepCaret},
    {"ComboBoxDLLocalAfterJavaExecute", "sbLocalSearchJavaExe", "sbLocalSearchJavaExePaste",
     "sbLocaInnerHTMLReColor", "ListBoxLocalInnerHTMLSearchList",
     "LabelLocalInnerHTMLLineColumnNo", true, RM::kToTop},
    {"ComboBoxDLOrgHTMLSearch", "sbOrgFileSearchKeyWodGo", "sbOrgFileSearchKeyWordPaste",
     "sbOrgFileSearchKeyWordRecolor", "ListBoxOrgHTMLSearchList", "LabelOrgFileSearchKeyWord",
     true, RM::kKeepCaret},
    // The two individual panes recolour like their sisters.
    {"ComboBoxLocalIndivCSSSearch", "sbLocalCSSIndivSearch", "sbLocalCSSIndivSearchPaste",
     "sbLocalCSSIndivSearchRecolor", "ListBoxPGMainTab03LocalLeftTab02IndivCSSSearchList",
     "LabelIndivCSSLineColumnNo", true, RM::kKeepCaret},
    {"ComboBoxLocalIndivJSSearch", "sbLocalJSIndivSearch", "sbLocalJSIndivSearchPaste",
     "sbLocalJSIndivSearchRecolor", "ListBoxPGMainTab03LocalLeftTab02IndivJS",
     "LabelIndivJSLineColumnNo", true, RM::kKeepCaret},
    {"ComboBoxLocalRefSearch", "sbLocalRefSearch", "sbLocalRefSearchPaste",
     "sbLocalRefSearchRecolor", "ListBoxPGMainTab03LocalRightTab04Ref",
     "LabelLocalRefLineColumnNo", true, RM::kKeepCaret},
    // page analysis tab
    {"EditGUIRigthSearchKeyWord", "sbGUIRightMainSearchGo", "sbGUIRighMaintSearchPaste",
     "sbGUIRightMainSearchRecolor", "ListBoxGUIHTMLSearch", "LabelUIRightTab01HTMLLineColumnNo",
     true, RM::kKeepCaret},
    {"EditGUIRigthSelectedSearchKeyWord", "GUIRightTab01SelectedSearch",
     "GUIRightTab01SelectedPaste", "GUIRightTab01SelectedRecolor", "ListBoxGUISelectedSearch",
     "LabelGUISelectedSearchLineColumnNo", true, RM::kKeepCaret},
    {"EditGUILeftTa02HTMLSearckKeyword", "sbGUILeftTa02HTMLSearchKeyWord",
     "sbGUILeftTa02HTMLPaste", "sbGUILeftTa02HTMLREcolor", "ListBoxGUILeftTa02HTMLSearchList",
     "LabelGUILeftTa02HTMLSearchListLineColumnNo", true, RM::kKeepCaret},
    {"EditsbGUILeftTa02InnerHTMLSerachKeyword", "sbGUILeftTa02InnerHTMLSearchKeyWord",
     "sbGUILeftTa02InnerHTMLPaste", "sbGUILeftTa02InnerHTMLRecolor", "ListBoxGUIHTMLSearchList",
     "LabelGUILeftTab03LineColumnNo", false, RM::kKeepCaret},
    {"EditGUICSSSearchKeyword", "sbGUICSSSearch", "sbGUICSSPaste", nullptr, "ListBoxGUICSSSearch",
     "LabelGUICSSLineColumnNo", true, RM::kNone},
    {"EditGUIJSSearchKeyword", "sbsbGUJSSearch", "sbGUIJSPaste", nullptr, "ListBoxGUIJSSearch",
     "LabelGUIJSLineColumnNo", false, RM::kNone},
    {"EditGUIIndivCSSSearchKeyWord", "sbGUIIndivCSSSearch", "sbGUIIndivCSSIndivPaste", nullptr,
     "ListBoxGUIIndivCSSSearchList", "LabelGUIIndivCSSLineColumnNo", true, RM::kNone},
    {"EditGUIIndivJSSearchKeyWord", "sbGUIIndivJSSearch", "sbGUIIndivJSIndivPaste", nullptr,
     "ListBoxGUIIndivJSSearchList", "LabelIndivJSSearchLineColumnNo", false, RM::kNone},
}};

constexpr std::array<BrowserBarRow, 5> kBrowserBars{{
    {"ComboBoxWBBrowserSearch", "sbDLWebBrowserSearch", "WebBrowserDownload"},
    {"ComboBoxWBBrowserLocalSearch", "sbDLWebBrowserLocalSearch", "WebBrowserDownloadResult"},
    {"ComboBoxLocalBrowserSearch", "sbDLLocalBrowserSearch", "WebBrowserConfirmLocalFile"},
    {"edSearchAndHighlight", "sbNSBaseSearch", "WebBrowserNSBase"},
    {"edDLTargetSearchAndHighlight", "sbNSTargetSearch", "WebBrowserNSTarget"},
}};

// Searched inputs kept in a bar's drop-down.
constexpr int kHistory = 30;

QComboBox* MakeInput(const char* name, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(L(name));
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  box->setToolTip(KeywordHelpText());
  return box;
}

QPushButton* MakeButton(const QString& name, const char* caption, QWidget* parent) {
  auto* b = new QPushButton(U(caption), parent);
  b->setObjectName(name);
  b->setToolTip(U(caption));
  return b;
}

QToolButton* MakeArrow(const QString& name, const char* arrow, const char* hint,
                       QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(U(arrow));
  b->setToolTip(U(hint));
  return b;
}

// Bold in the keyword's colour, for positions 0 to 7.
const std::array<QTextCharFormat, kMaxKeywords>& KeywordFormats() {
  static const std::array<QTextCharFormat, kMaxKeywords> formats = [] {
    std::array<QTextCharFormat, kMaxKeywords> f;
    for (std::size_t i = 0; i < f.size(); ++i) {
      const std::int32_t c = KeywordColor(i);
      f[i].setForeground(QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
      f[i].setFontWeight(QFont::Bold);
    }
    return f;
  }();
  return formats;
}

QString ClipboardText() { return QApplication::clipboard()->text(); }

}  // namespace

std::span<const KeywordBarRow> SourceKeywordBars() { return kSourceBars; }

const KeywordBarRow& KeywordBarRowOf(std::string_view input) {
  for (const KeywordBarRow& row : kSourceBars) {
    if (input == row.input) return row;
  }
  throw std::out_of_range("no keyword bar " + std::string(input));
}

std::span<const BrowserBarRow> BrowserKeywordBars() { return kBrowserBars; }

const BrowserBarRow& BrowserBarRowOf(std::string_view input) {
  for (const BrowserBarRow& row : kBrowserBars) {
    if (input == row.input) return row;
  }
  throw std::out_of_range("no browser bar " + std::string(input));
}

void RememberInput(QComboBox* box, const QString& text) {
  if (text.isEmpty()) return;
  const QString edit = box->currentText();
  if (const int at = box->findText(text, Qt::MatchExactly); at >= 0) box->removeItem(at);
  box->insertItem(0, text);
  while (box->count() > kHistory) box->removeItem(box->count() - 1);
  box->setEditText(edit);
}

ViewSearch MarkKeywords(TRichEditEx* view, std::span<const std::string> keywords) {
  ViewSearch found;
  const QString text = view->toPlainText();
  // Line ends are one byte here and two in a file; columns count within a
  // line, so the entries come out the same.
  const ViewSjis sjis = ViewTextToSjis(text);
  const std::vector<KeywordHit> hits = FindKeywords(sjis.bytes, keywords);
  const std::vector<std::string> entries = ResultEntries(sjis.bytes, hits);
  found.entries.reserve(static_cast<qsizetype>(entries.size()));
  for (const std::string& e : entries) found.entries << QString::fromLatin1(e);

  std::vector<HtmlColorSpan> spans;
  spans.reserve(hits.size());
  for (const KeywordHit& h : hits) {
    spans.push_back({h.offset, h.length, static_cast<int>(h.keyword)});
  }
  std::stable_sort(spans.begin(), spans.end(),
                   [](const HtmlColorSpan& a, const HtmlColorSpan& b) { return a.offset < b.offset; });
  view->NewColorRequest();  // a colouring still on its way would paint over the hits
  view->SetLineFormats(ToLineFormats(text, sjis.pos, spans, KeywordFormats()));

  if (!hits.empty()) {
    std::size_t first = hits.size() - 1;
    while (first > 0 && hits[first - 1].keyword == hits.back().keyword) --first;
    found.caret = sjis.pos[hits[first].offset];
    found.caret_line = view->document()->findBlock(found.caret).blockNumber();
  }
  return found;
}

void ShowFoundHit(TRichEditEx* view, const ViewSearch& found) {
  if (found.caret < 0) return;
  QTextCursor cursor = view->textCursor();
  cursor.setPosition(found.caret);
  view->setTextCursor(cursor);
  view->SetFirstVisibleLine(found.caret_line);
  view->ensureCursorVisible();
}

// ---- KeywordBar ----

KeywordBar::KeywordBar(const KeywordBarRow& row, Lazy<TRichEditEx> view, QWidget* parent)
    : QWidget(parent), row_(row), view_(view) {
  setObjectName(L(row.input) + QStringLiteral("Bar"));
  auto* line = new QHBoxLayout(this);
  line->setContentsMargins(0, 0, 0, 0);
  line->setSpacing(2);
  input_ = MakeInput(row.input, this);
  line->addWidget(input_, 1);
  auto* search = MakeButton(L(row.search), "検索", this);
  auto* paste = MakeButton(L(row.paste), "貼付け検索", this);
  line->addWidget(search);
  line->addWidget(paste);
  connect(search, &QPushButton::clicked, this, &KeywordBar::Search);
  connect(paste, &QPushButton::clicked, this, &KeywordBar::Paste);
  if (row.recolor) {
    auto* recolor = MakeButton(L(row.recolor), "色付け", this);
    line->addWidget(recolor);
    connect(recolor, &QPushButton::clicked, this, &KeywordBar::Recolor);
  }
  if (row.enter_searches) {
    connect(input_->lineEdit(), &QLineEdit::returnPressed, this, &KeywordBar::Search);
  }

  result_panel_ = new QWidget(parent);
  result_panel_->setObjectName(L(row.results) + QStringLiteral("Panel"));
  auto* column = new QVBoxLayout(result_panel_);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(1);
  label_ = new QLabel(result_panel_);
  label_->setObjectName(L(row.label));
  results_ = new QListWidget(result_panel_);
  results_->setObjectName(L(row.results));
  results_->setUniformItemSizes(true);
  results_->setFont(QFont(QStringLiteral("Noto Sans Mono CJK JP")));
  column->addWidget(label_);
  column->addWidget(results_, 1);
  result_panel_->setFixedWidth(90);
  connect(results_, &QListWidget::itemClicked, this, &KeywordBar::ClickEntry);
}

TRichEditEx* KeywordBar::View() const { return view_.get(); }

void KeywordBar::Search() {
  const QString text = input_->currentText();
  if (text.trimmed().isEmpty()) return;
  ResetViewColors(view_.get());
  const std::vector<std::string> keywords = EdictScan(SjisFromQs(text));
  if (keywords.empty()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const ViewSearch found = MarkKeywords(view_.get(), keywords);
  // A search's list holds its own hits only, also when its first keyword is empty.
  results_->clear();
  results_->addItems(found.entries);
  ShowFoundHit(view_.get(), found);
  QApplication::restoreOverrideCursor();
  RememberInput(input_, text.trimmed());
  emit searched();
}

void KeywordBar::SearchFor(const QString& text) {
  input_->setEditText(text);
  Search();
}

void KeywordBar::Paste() { SearchFor(ClipboardText()); }

void KeywordBar::Recolor() {
  if (row_.recolor_mode == RecolorMode::kNone) return;
  ColorizeViewChecked(view_.get(), row_.recolor_mode == RecolorMode::kToTop ? ColorizeMode::kToTop
                                                                      : ColorizeMode::kKeepCaret);
}

void KeywordBar::ClickEntry(QListWidgetItem* item) {
  if (!item) return;
  label_->setText(item->text());
  const std::optional<LineColumn> where = ParseResultEntry(SjisFromQs(item->text()));
  if (!where) return;
  QTextDocument* doc = view_->document();
  const int line =
      static_cast<int>(std::clamp<long long>(where->line, 1, doc->blockCount())) - 1;
  const QTextBlock block = doc->findBlockByNumber(line);
  // The column counts bytes of the line's Shift_JIS form.
  const ViewSjis bytes = ViewTextToSjis(block.text());
  const std::size_t column = static_cast<std::size_t>(
      std::clamp<long long>(where->column - 1, 0, static_cast<long long>(bytes.bytes.size())));
  QTextCursor cursor = view_->textCursor();
  cursor.setPosition(block.position() + bytes.pos[column]);
  view_->setTextCursor(cursor);
  results_->setFocus();
  view_->SetFirstVisibleLine(line);
  if (status_) status_(QsFromSjis(EntryStatusText(*where)));
}

void KeywordBar::ClearResults() {
  results_->clear();
  label_->clear();
}

void KeywordBar::Clear() {
  ClearResults();
  input_->setEditText(QString());
}

KeywordBar* AddPaneWithBar(QWidget* page, Lazy<TRichEditEx> view, std::string_view input) {
  auto* box = new QWidget(page);
  auto* column = new QVBoxLayout(box);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(2);
  auto* bar = new KeywordBar(KeywordBarRowOf(input), view, box);
  auto* side = new QHBoxLayout;
  side->setSpacing(2);
  view.Place()->setParent(box);
  side->addWidget(view.Place(), 1);
  side->addWidget(bar->ResultPanel());
  column->addWidget(bar);
  column->addLayout(side, 1);
  page->layout()->addWidget(box);
  return bar;
}

// ---- BrowserKeywordBar ----

BrowserKeywordBar::BrowserKeywordBar(const BrowserBarRow& row, Lazy<BrowserPane> pane,
                                     QWidget* parent)
    : QWidget(parent), pane_(pane) {
  setObjectName(L(row.input) + QStringLiteral("Bar"));
  auto* line = new QHBoxLayout(this);
  line->setContentsMargins(0, 0, 0, 0);
  line->setSpacing(2);
  input_ = MakeInput(row.input, this);
  auto* search = MakeButton(L(row.search), "一括検索", this);
  auto* paste = MakeButton(L(row.search) + QStringLiteral("Paste"), "貼付け検索", this);
  // Arrows only: the bars share their rows with other controls.
  auto* previous = MakeArrow(L(row.search) + QStringLiteral("Prev"), "▲", "前を検索", this);
  auto* next = MakeArrow(L(row.search) + QStringLiteral("Next"), "▼", "次を検索", this);
  line->addWidget(input_, 1);
  line->addWidget(search);
  line->addWidget(paste);
  line->addWidget(previous);
  line->addWidget(next);
  connect(search, &QPushButton::clicked, this, &BrowserKeywordBar::Search);
  connect(paste, &QPushButton::clicked, this, &BrowserKeywordBar::Paste);
  connect(previous, &QToolButton::clicked, this, &BrowserKeywordBar::FindPrevious);
  connect(next, &QToolButton::clicked, this, &BrowserKeywordBar::FindNext);
  connect(input_->lineEdit(), &QLineEdit::returnPressed, this, &BrowserKeywordBar::Search);
}

void BrowserKeywordBar::Search() {
  const QString text = input_->currentText().trimmed();
  if (text.isEmpty()) return;
  const std::vector<std::string> keywords = EdictScan(SjisFromQs(text));
  if (keywords.empty()) return;
  RememberInput(input_, text);
  emit highlighted(HighlightKeywords(pane_.get(), keywords));
}

void BrowserKeywordBar::Paste() {
  input_->setEditText(ClipboardText());
  Search();
}

void BrowserKeywordBar::Find(bool backward) {
  // The whole text is one phrase here, blanks and all.
  const QString text = input_->currentText().trimmed();
  if (text.isEmpty()) return;
  RememberInput(input_, text);
  emit found(FindFromSelection(pane_.get(), text, backward));
}

void BrowserKeywordBar::FindNext() { Find(false); }
void BrowserKeywordBar::FindPrevious() { Find(true); }

}  // namespace kaplo::gui
