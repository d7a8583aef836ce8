// The colour list beside a stylesheet pane: the "#..." colours of the pane's
// text, each entry painted on its own colour; a click searches the pane for
// the entry's selector (or colour) through the pane's keyword bar.
//
// Each list of the window is one row of ColourListRows(); a tab builds it
// with ColourListPanel(row, the pane's bar) and places it beside the pane.
#pragma once

#include <QListWidget>
#include <QStyledItemDelegate>
#include <span>
#include <string_view>

class QCheckBox;
class QLineEdit;

namespace kaplo::gui {

class KeywordBar;

struct ColourListRow {
  const char* list;
  const char* create;        // create button
  const char* clear;         // null: none
  const char* sorted;        // "重複を除去し、昇順にリストする"
  const char* dont_create;   // "ｶﾗｰﾘｽﾄを作成しない"; null: none
  const char* colour_edit;   // where a click puts the colour; null: none
  bool clear_empties_inputs; // clear also empties the colour edit and the keyword input
};

std::span<const ColourListRow> ColourListRows();
// The row of that list; throws std::out_of_range otherwise.
const ColourListRow& ColourListRowOf(std::string_view list);

// Paints an entry on its colour: the whole row, selected or not.
class ColourEntryDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

class ColourListPanel : public QWidget {
  Q_OBJECT

 public:
  // sorted: another list's sorted-mode box this one shares; null: its own.
  ColourListPanel(const ColourListRow& row, KeywordBar* bar, QWidget* parent,
                  QCheckBox* sorted = nullptr);

  QListWidget* List() const { return list_; }
  QCheckBox* Sorted() const { return sorted_; }
  QCheckBox* DontCreate() const { return dont_create_; }
  QLineEdit* ColourEdit() const { return colour_edit_; }

  // Lists the colours of the bar's pane (busy cursor meanwhile).
  void Create();
  // Empties the pane's result list and the colour list.
  void Clear();
  // After a file was loaded into the pane: Create unless told not to.
  void Loaded();
  void ClickEntry();

 private:
  const ColourListRow& row_;
  KeywordBar* bar_;
  QListWidget* list_;
  QCheckBox* sorted_;
  QCheckBox* dont_create_ = nullptr;
  QLineEdit* colour_edit_ = nullptr;
};

}  // namespace kaplo::gui
