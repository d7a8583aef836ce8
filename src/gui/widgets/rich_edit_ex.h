// TRichEditEx: the source view of every source pane, a plain-text editor
// with a line-number gutter and colours drawn over its text.
//
// The gutter shows the visible line numbers, zero-padded to the digits of
// the line count, and three numbers past the last line (none when the view
// shows only line 1). Colours are per-line character formats laid over the
// text (see SetLineFormats): they never change the text, the undo history
// or the caret, and a whole page is coloured in one pass.
#pragma once

#include <QColor>
#include <QPlainTextEdit>
#include <QStringList>
#include <string>
#include <string_view>

#include "gui/widgets/view_text.h"

namespace kaplo::gui {

// The width of an average letter of font (what TabSize counts).
qreal AverageLetterWidth(const QFont& font);

class TRichEditEx : public QPlainTextEdit {
  Q_OBJECT
  Q_PROPERTY(bool LineNumbers READ LineNumbers WRITE SetLineNumbers)
  Q_PROPERTY(QColor GutterColor READ GutterColor WRITE SetGutterColor)
  Q_PROPERTY(QColor GutterTextColor READ GutterTextColor WRITE SetGutterTextColor)
  Q_PROPERTY(int TabSize READ TabSize WRITE SetTabSize)

 public:
  explicit TRichEditEx(QWidget* parent = nullptr);

  bool LineNumbers() const { return line_numbers_; }
  void SetLineNumbers(bool on);
  QColor GutterColor() const { return gutter_color_; }
  void SetGutterColor(const QColor& color);
  QColor GutterTextColor() const { return gutter_text_color_; }
  void SetGutterTextColor(const QColor& color);
  // A tab stop every TabSize average letters.
  int TabSize() const { return tab_size_; }
  void SetTabSize(int size);

  // Gutter width in pixels: 0 with the numbers off, else the width of
  // DigitCount "8"s plus 8.
  int GutterWidth() const { return gutter_width_; }
  // Digits of the line count.
  int DigitCount() const { return digit_count_; }
  // The numbers the gutter shows for the current scroll position, top to
  // bottom, as they are drawn.
  QStringList GutterNumbers() const;

  // The top line in view (from 0; wrapped lines count one each) and
  // scrolling a line to the top.
  int FirstVisibleLine() const;
  void SetFirstVisibleLine(int line);
  // Space left and right of the text, besides the gutter (pixels).
  void SetTextMargins(int left, int right);
  // Where the text area starts and ends: gutter and margins.
  using QPlainTextEdit::viewportMargins;

  // The text as the core has it: Shift_JIS with CR LF line ends.
  void SetSjisText(std::string_view text);
  std::string SjisText() const;
  // Loads an RTF document of the subset the colouring writes (colour
  // table, "\cf", "\par", escapes): its text, drawn in its colours.
  void LoadRtf(std::string_view rtf);

  // Lays formats over the text, one list per line; false (and nothing
  // changed) when the view's line count is not lines.size().
  bool SetLineFormats(const LineFormats& lines);
  void ClearLineFormats();
  // The formats of one line (all of a long line's, also those not laid yet).
  QList<QTextLayout::FormatRange> LineFormatsOf(int line) const;

  // Counts the edits of the text (not of its formats): a colouring computed
  // from an older text is stale.
  quint64 EditCount() const { return edit_count_; }
  // The newest colouring request; an older one that finishes is dropped.
  quint64 NewColorRequest() { return ++color_request_; }
  quint64 ColorRequest() const { return color_request_; }

 signals:
  // A colouring has been laid over the text.
  void colorized();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  class Gutter;
  void UpdateGutter();
  void UpdateMargins();
  void ApplyTabStops();
  void PaintGutter(QPaintEvent* event);
  void FollowEdit(int position, int removed, int added);
  // Long lines in view get the slice of their colours that is shown.
  void FollowView();
  void LayVisibleSlices();

  Gutter* gutter_;
  bool line_numbers_ = false;
  QColor gutter_color_;
  QColor gutter_text_color_ = Qt::black;
  int tab_size_ = 2;
  int gutter_width_ = 2;
  int digit_count_ = 1;
  int margin_left_ = 0;
  int margin_right_ = 0;
  int block_count_ = 1;
  quint64 edit_count_ = 0;
  quint64 color_request_ = 0;
  bool slices_pending_ = false;
};

}  // namespace kaplo::gui
