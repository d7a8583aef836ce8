#include "gui/widgets/long_line_formats.h"

#include <QTextBlockUserData>
#include <algorithm>

#include "gui/widgets/view_text.h"

namespace kaplo::gui {

// Kept by the block itself, so it goes where the line goes when lines are
// added or removed above it.
struct LongLineFormats : QTextBlockUserData {
  FormatRanges all;
  int laid_from = 0, laid_to = 0;  // the slice laid over the line
  // Where the slice is drawn, in the line's own coordinates: from the left
  // of its first to the right of its last character on a line of one row,
  // else from the top of its first whole row to the bottom of its last;
  // worked out once the line is laid out again.
  bool drawn_known = false;
  bool one_row = true;
  qreal drawn_from = 0, drawn_to = 0;
};

namespace {

LongLineFormats* DataOf(const QTextBlock& block) {
  return dynamic_cast<LongLineFormats*>(block.userData());
}

bool IsLong(const QTextBlock& block) { return block.length() - 1 > kLongLineLength; }

}  // namespace

FormatRanges* AllFormatsOf(const QTextBlock& block) {
  LongLineFormats* data = DataOf(block);
  return data ? &data->all : nullptr;
}

void LaySliceAround(QTextBlock block, int around) {
  LongLineFormats* data = DataOf(block);
  if (!data) return;
  const int length = block.length() - 1;
  const int from = std::clamp(around - kLongLineLength / 2, 0, std::max(0, length - kLongLineLength));
  const int to = from + kLongLineLength;
  // The first range that reaches into the slice, then each one until past it.
  const auto first = std::lower_bound(
      data->all.cbegin(), data->all.cend(), from,
      [](const QTextLayout::FormatRange& r, int at) { return r.start + r.length <= at; });
  FormatRanges slice;
  for (auto it = first; it != data->all.cend() && it->start < to; ++it) {
    QTextLayout::FormatRange r = *it;
    const int end = std::min(r.start + r.length, to);
    r.start = std::max(r.start, from);
    r.length = end - r.start;
    if (r.length > 0) slice.append(r);
  }
  block.layout()->setFormats(slice);
  data->laid_from = from;
  data->laid_to = to;
  data->drawn_known = false;
}

void LayLineFormats(QTextBlock block, FormatRanges ranges, int around) {
  if (!IsLong(block)) {
    block.setUserData(nullptr);
    block.layout()->setFormats(ranges);
    return;
  }
  auto* data = new LongLineFormats;
  data->all = std::move(ranges);
  block.setUserData(data);
  LaySliceAround(block, around);
}

FormatRanges LineFormatsOfBlock(const QTextBlock& block) {
  if (const LongLineFormats* data = DataOf(block)) return data->all;
  return block.layout()->formats();
}

void ClearBlockFormats(QTextBlock block) {
  block.setUserData(nullptr);
  block.layout()->clearFormats();
}

bool SliceShowsArea(const QTextBlock& block, const QRectF& area) {
  LongLineFormats* data = DataOf(block);
  if (!data) return true;
  const QTextLayout* layout = block.layout();
  if (!data->drawn_known) {
    if (layout->lineCount() == 0) return false;  // not laid out yet
    const int length = block.length() - 1;
    const QTextLine first = layout->lineForTextPosition(data->laid_from);
    const QTextLine last = layout->lineForTextPosition(std::min(data->laid_to, length));
    if (!first.isValid() || !last.isValid()) return false;
    constexpr qreal kEnd = 1e12;  // the line's own end: nothing is past it
    data->one_row = layout->lineCount() == 1;
    if (data->one_row) {
      data->drawn_from = data->laid_from == 0 ? -kEnd : first.cursorToX(data->laid_from);
      data->drawn_to = data->laid_to >= length ? kEnd : last.cursorToX(data->laid_to);
    } else {
      data->drawn_from = data->laid_from == 0 ? -kEnd : first.y() + first.height();
      data->drawn_to = data->laid_to >= length ? kEnd : last.y();
    }
    data->drawn_known = true;
  }
  return data->one_row
             ? area.left() >= data->drawn_from && area.right() <= data->drawn_to
             : area.top() >= data->drawn_from && area.bottom() <= data->drawn_to;
}

bool LayLongLineSliceFor(QTextBlock block, int from, int to) {
  LongLineFormats* data = DataOf(block);
  if (!data) return false;
  // A span wider than a slice is served by any slice inside it.
  const bool held = to - from >= kLongLineLength
                        ? data->laid_from >= from && data->laid_to <= to
                        : from >= data->laid_from && to <= data->laid_to;
  if (held) return false;
  LaySliceAround(block, from + (to - from) / 2);
  return true;
}

}  // namespace kaplo::gui
