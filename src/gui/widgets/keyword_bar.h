// The keyword bar of a source pane and of a browser pane.
//
// A source pane's bar: an input with history, search, paste and recolour
// buttons, and beside the pane a result list with a line/column label. A
// search colours every hit of up to eight keywords in one batch of formats
// laid over the pane (each keyword its own colour, bold) and lists one
// "line/column" entry per hit; clicking an entry moves the caret there.
//
// Every bar of the window is one row of SourceKeywordBars(): a tab builds
// its bar with KeywordBar(row name, pane) and places Bar() above (or
// below) the pane and ResultPanel() beside it.
//
// A browser pane's bar (BrowserKeywordBar) highlights the keywords in the
// rendered page, and finds its text forward or backward from the page's
// selection (see browser_highlight.h).
#pragma once

#include <QComboBox>
#include <QString>
#include <QWidget>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gui/common/lazy_widget.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace kaplo::gui {

class BrowserPane;
class TRichEditEx;

enum class RecolorMode { kKeepCaret, kToTop, kNone };

// The controls of one source pane's bar, by objectName.
struct KeywordBarRow {
  const char* input;
  const char* search;
  const char* paste;
  const char* recolor;  // null: the bar has no recolour button
  const char* results;
  const char* label;
  bool enter_searches;
  RecolorMode recolor_mode;
};

std::span<const KeywordBarRow> SourceKeywordBars();
// The row whose input is named input; throws std::out_of_range otherwise.
const KeywordBarRow& KeywordBarRowOf(std::string_view input);

// What a search found in a view.
struct ViewSearch {
  QStringList entries;     // "  12/05", one per hit, grouped by keyword
  int caret = -1;          // view position of the first hit of the last keyword found
  int caret_line = -1;     // its line (block number)
};

// Searches view for the first eight keywords (Shift_JIS) and lays the hits'
// colours over it in one go, replacing any colouring it had. The view's
// caret and scroll are left alone.
ViewSearch MarkKeywords(TRichEditEx* view, std::span<const std::string> keywords);
// Puts the view's caret on the search's first hit of its last keyword, that
// hit's line at the top; nothing when it found none.
void ShowFoundHit(TRichEditEx* view, const ViewSearch& found);

class KeywordBar : public QWidget {
  Q_OBJECT

 public:
  // The view may be one made when first shown; the bar makes it only to search it.
  KeywordBar(const KeywordBarRow& row, Lazy<TRichEditEx> view, QWidget* parent);

  TRichEditEx* View() const;
  QComboBox* Input() const { return input_; }
  QListWidget* Results() const { return results_; }
  QLabel* Label() const { return label_; }
  // The result list and label, to be placed beside the pane.
  QWidget* ResultPanel() const { return result_panel_; }

  // Where a clicked entry's " 行[ .. ]    列[ .. ]" goes (a status bar panel).
  void SetStatusSink(std::function<void(const QString&)> sink) { status_ = std::move(sink); }

  // The user's actions.
  void Search();
  void Paste();
  void Recolor();
  void ClickEntry(QListWidgetItem* item);
  // Puts text into the input and searches (a colour list's click).
  void SearchFor(const QString& text);

  // Empties the result list and the label; with input, the input too.
  void ClearResults();
  void Clear();

 signals:
  void searched();

 private:
  void Remember(const QString& text);

  const KeywordBarRow& row_;
  Lazy<TRichEditEx> view_;
  QComboBox* input_;
  QListWidget* results_;
  QLabel* label_;
  QWidget* result_panel_;
  std::function<void(const QString&)> status_;
};

// The bar of a browser pane: input, search button, paste button, and the
// find buttons (named after the search button, "Prev" and "Next" added).
struct BrowserBarRow {
  const char* input;
  const char* search;
  const char* pane;
};

std::span<const BrowserBarRow> BrowserKeywordBars();
const BrowserBarRow& BrowserBarRowOf(std::string_view input);

class BrowserKeywordBar : public QWidget {
  Q_OBJECT

 public:
  BrowserKeywordBar(const BrowserBarRow& row, Lazy<BrowserPane> pane, QWidget* parent);

  QComboBox* Input() const { return input_; }
  void Search();
  void Paste();
  // The input's text, found after (or before) the page's selection.
  void FindNext();
  void FindPrevious();

 signals:
  // The number of hits wrapped, or -1 when the page was left alone.
  void highlighted(int hits);
  // A find selected an occurrence (true) or found none.
  void found(bool selected);

 private:
  void Find(bool backward);

  Lazy<BrowserPane> pane_;
  QComboBox* input_;
};

// Puts the pane into page's layout under the bar of row input, with the
// result list at its right, and returns the bar.
KeywordBar* AddPaneWithBar(QWidget* page, Lazy<TRichEditEx> view, std::string_view input);

// Puts text in front of a combo box's items (once), keeping its edit text.
void RememberInput(QComboBox* box, const QString& text);

}  // namespace kaplo::gui
