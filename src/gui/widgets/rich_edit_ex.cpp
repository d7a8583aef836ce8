#include "gui/widgets/rich_edit_ex.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>

#include "gui/widgets/long_line_formats.h"
#include "view/rtf_reader.h"

namespace kaplo::gui {

// The gutter sits in the left viewport margin; the editor draws it.
class TRichEditEx::Gutter : public QWidget {
 public:
  explicit Gutter(TRichEditEx* editor) : QWidget(editor), editor_(editor) {}

 protected:
  void paintEvent(QPaintEvent* event) override { editor_->PaintGutter(event); }

 private:
  TRichEditEx* editor_;
};

namespace {

int DecimalDigits(int n) {
  int digits = 1;
  for (; n >= 10; n /= 10) ++digits;
  return digits;
}

// The font the gutter writes its numbers in: the view's, at 11 points.
QFont NumberFont(const QFont& view_font) {
  QFont font = view_font;
  font.setPointSize(11);
  return font;
}

}  // namespace

TRichEditEx::TRichEditEx(QWidget* parent) : QPlainTextEdit(parent), gutter_(new Gutter(this)) {
  QFont font(QStringLiteral("Noto Sans Mono CJK JP"));
  font.setStyleHint(QFont::TypeWriter);
  font.setPointSize(11);
  setFont(font);
  gutter_color_ = palette().color(QPalette::Button);
  // The text margins are part of the page, not of the frame.
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
  connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { UpdateGutter(); });
  connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect&, int) {
    UpdateGutter();
    gutter_->update();
  });
  connect(document(), &QTextDocument::contentsChange, this, &TRichEditEx::FollowEdit);
  // A long line shows the colours of the part in view.
  for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
    connect(bar, &QScrollBar::valueChanged, this, &TRichEditEx::FollowView);
  }
  ApplyTabStops();
  UpdateGutter();
}

void TRichEditEx::SetLineNumbers(bool on) {
  line_numbers_ = on;
  UpdateGutter();
  gutter_->update();
}

void TRichEditEx::SetGutterColor(const QColor& color) {
  gutter_color_ = color;
  gutter_->update();
}

void TRichEditEx::SetGutterTextColor(const QColor& color) {
  gutter_text_color_ = color;
  gutter_->update();
}

void TRichEditEx::SetTabSize(int size) {
  tab_size_ = std::max(size, 0);
  ApplyTabStops();
  viewport()->update();
}

// A character here is the average letter, as dialog units measure it: a
// CJK font's own average is a full-width character.
qreal AverageLetterWidth(const QFont& font) {
  static const QString letters =
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  return QFontMetricsF(font).horizontalAdvance(letters) / letters.size();
}

void TRichEditEx::ApplyTabStops() { setTabStopDistance(tab_size_ * AverageLetterWidth(font())); }

QStringList TRichEditEx::GutterNumbers() const {
  QStringList numbers;
  if (!line_numbers_) return numbers;
  const int count = std::max(1, document()->lineCount());
  const int h = std::max(1, fontMetrics().height());
  const int first = FirstVisibleLine() + 1;
  const int last = std::min(first + viewport()->height() / h - 1, count);
  const int extra = last == 1 ? 0 : 3;
  for (int n = first; n <= last + extra; ++n) {
    numbers.append(QString::number(n).rightJustified(digit_count_, QLatin1Char('0')));
  }
  return numbers;
}

int TRichEditEx::FirstVisibleLine() const { return verticalScrollBar()->value(); }

void TRichEditEx::SetFirstVisibleLine(int line) { verticalScrollBar()->setValue(line); }

void TRichEditEx::SetTextMargins(int left, int right) {
  margin_left_ = std::max(left, 0);
  margin_right_ = std::max(right, 0);
  UpdateMargins();
}

void TRichEditEx::UpdateGutter() {
  digit_count_ = DecimalDigits(std::max(1, document()->lineCount()));
  const int width =
      line_numbers_ ? fontMetrics().horizontalAdvance(QLatin1Char('8')) * digit_count_ + 8 : 0;
  if (width != gutter_width_) {
    gutter_width_ = width;
    UpdateMargins();
  }
}

void TRichEditEx::UpdateMargins() {
  setViewportMargins(gutter_width_ + margin_left_, 0, margin_right_, 0);
  const QRect cr = contentsRect();
  gutter_->setGeometry(cr.left(), cr.top(), gutter_width_, cr.height());
  gutter_->update();
}

void TRichEditEx::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  UpdateGutter();
  UpdateMargins();
  FollowView();
}

void TRichEditEx::FollowView() {
  if (slices_pending_) return;
  slices_pending_ = true;
  // Once the scrolling has settled, from the event loop.
  QTimer::singleShot(0, this, [this] {
    slices_pending_ = false;
    LayVisibleSlices();
  });
}

void TRichEditEx::LayVisibleSlices() {
  const QRect area = viewport()->rect();
  for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
    const QRectF box = blockBoundingGeometry(block).translated(contentOffset());
    if (box.top() > area.bottom()) break;
    if (SliceShowsArea(block, QRectF(area).translated(-box.topLeft()))) continue;
    // The characters of the line at the view's corners, within the line:
    // half a row in, off the line's margins.
    const int half_row = fontMetrics().height() / 2;
    const int top = std::max(area.top(), static_cast<int>(box.top())) + half_row;
    const int bottom =
        std::max(top, std::min(area.bottom(), static_cast<int>(box.bottom())) - half_row);
    const int from = cursorForPosition(QPoint(area.left(), top)).position() - block.position();
    const int to = cursorForPosition(QPoint(area.right(), bottom)).position() - block.position();
    if (LayLongLineSliceFor(block, std::max(0, from), std::max(from, to) + 1)) {
      document()->markContentsDirty(block.position(), block.length());
    }
  }
}

void TRichEditEx::changeEvent(QEvent* event) {
  QPlainTextEdit::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    ApplyTabStops();
    UpdateGutter();
    UpdateMargins();
  }
}

void TRichEditEx::PaintGutter(QPaintEvent*) {
  if (gutter_width_ <= 0) return;
  QPainter p(gutter_);
  const int w = gutter_width_;
  const int height = gutter_->height();
  // A two-pixel strip of the text's background stays at the right edge,
  // after a light and a dark line.
  p.fillRect(QRect(w - 4, 0, 4, height), viewport()->palette().color(QPalette::Base));
  p.fillRect(QRect(0, 0, w - 2, height), gutter_color_);
  p.setPen(palette().color(QPalette::Light));
  p.drawLine(w - 4, 0, w - 4, height);
  p.setPen(palette().color(QPalette::Dark));
  p.drawLine(w - 3, 0, w - 3, height);

  const QStringList numbers = GutterNumbers();
  if (numbers.isEmpty()) return;
  // Each number stands at the top of its line; past the last line the
  // numbers go on at the height of a line.
  std::vector<qreal> tops;
  const int first_line = FirstVisibleLine();
  QTextBlock block = firstVisibleBlock();
  qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
  while (block.isValid() && top < height &&
         tops.size() < static_cast<std::size_t>(numbers.size())) {
    if (block.isVisible()) {
      const QTextLayout* layout = block.layout();
      const int lines = std::max(1, layout->lineCount());
      for (int i = 0; i < lines; ++i) {
        if (block.firstLineNumber() + i < first_line) continue;
        tops.push_back(top + (layout->lineCount() > 0 ? layout->lineAt(i).y() : 0));
      }
    }
    top += blockBoundingRect(block).height();
    block = block.next();
  }
  const qreal h = fontMetrics().height();
  const QFont font = NumberFont(this->font());
  p.setFont(font);
  p.setPen(gutter_text_color_);
  const int ascent = QFontMetrics(font).ascent();
  for (qsizetype i = 0; i < numbers.size(); ++i) {
    const std::size_t n = static_cast<std::size_t>(i);
    qreal y;
    if (n < tops.size()) {
      y = tops[n];
    } else if (tops.empty()) {
      y = contentOffset().y() + static_cast<qreal>(i) * h;
    } else {
      y = tops.back() + static_cast<qreal>(n + 1 - tops.size()) * h;
    }
    p.drawText(QPointF(2, y + ascent), numbers[i]);
  }
}

void TRichEditEx::SetSjisText(std::string_view text) {
  NewColorRequest();
  setPlainText(SjisToViewText(text));
}

std::string TRichEditEx::SjisText() const {
  const std::string lf = ViewTextToSjis(toPlainText()).bytes;
  std::string crlf;
  crlf.reserve(lf.size() + static_cast<std::size_t>(document()->blockCount()));
  for (const char c : lf) {
    if (c == '\n') crlf.push_back('\r');
    crlf.push_back(c);
  }
  return crlf;
}

void TRichEditEx::LoadRtf(std::string_view rtf) {
  const RtfText read = ReadRtf(rtf);
  std::vector<QTextCharFormat> formats(read.colors.size());
  for (std::size_t i = 0; i < read.colors.size(); ++i) {
    const RtfColor c = read.colors[i];
    if (c == kRtfAutoColor) continue;  // drawn in the view's own text colour
    formats[i].setForeground(QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
  }
  SetSjisText(read.text);
  const QString text = toPlainText();
  SetLineFormats(ToLineFormats(text, SjisToViewPositions(read.text), read.runs, formats));
}

bool TRichEditEx::SetLineFormats(const LineFormats& lines) {
  QTextDocument* doc = document();
  if (lines.size() != static_cast<std::size_t>(doc->blockCount())) return false;
  std::size_t i = 0;
  // Long lines get the slice around the caret; elsewhere in view, another.
  const int caret = textCursor().position();
  const bool caret_shown = viewport()->rect().intersects(cursorRect());
  for (QTextBlock block = doc->begin(); block.isValid(); block = block.next(), ++i) {
    LayLineFormats(block, lines[i], caret - block.position());
  }
  // One relayout for all lines: only the lines in view are laid out again now.
  doc->markContentsDirty(0, doc->characterCount());
  if (!caret_shown) FollowView();
  return true;
}

void TRichEditEx::ClearLineFormats() {
  QTextDocument* doc = document();
  for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
    ClearBlockFormats(block);
  }
  doc->markContentsDirty(0, doc->characterCount());
}

QList<QTextLayout::FormatRange> TRichEditEx::LineFormatsOf(int line) const {
  const QTextBlock block = document()->findBlockByNumber(line);
  return block.isValid() ? LineFormatsOfBlock(block) : QList<QTextLayout::FormatRange>();
}

// Keeps the colours of an edited line on their characters: what follows the
// edit moves with it, and inserted text takes the colour of the text before.
void TRichEditEx::FollowEdit(int position, int removed, int added) {
  ++edit_count_;
  const int blocks = document()->blockCount();
  const bool same_lines = blocks == block_count_;
  block_count_ = blocks;
  if (!same_lines || removed == added) return;
  const QTextBlock block = document()->findBlock(position);
  if (!block.isValid()) return;
  const int at = position - block.position();
  const auto moved = [&](int p) {
    if (p < at) return p;
    return p >= at + removed ? p + added - removed : at + added;
  };
  if (MoveLongLineFormats(block, moved, at)) return;
  const FormatRanges formats = block.layout()->formats();
  if (!formats.isEmpty()) block.layout()->setFormats(MovedRanges(formats, moved));
}

}  // namespace kaplo::gui
