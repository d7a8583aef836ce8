// The colours of a line longer than kLongLineLength. Laying out a line costs
// time for every colour change in it, again on every repaint: a minified
// page of megabytes on one line, coloured whole, would stall the window for
// seconds each time it scrolls. Such a line keeps all its colours with it,
// and only a slice of kLongLineLength characters around what the view shows
// is laid over it; the view lays another slice when it shows another part.
#pragma once

#include <QList>
#include <QTextBlock>
#include <QTextLayout>

namespace kaplo::gui {

using FormatRanges = QList<QTextLayout::FormatRange>;

// Lays ranges (positions from the line's start, in order) over block: all of
// them on a line up to kLongLineLength, else the slice that holds around.
void LayLineFormats(QTextBlock block, FormatRanges ranges, int around = 0);
// All of block's colours (a long line's, not only its laid slice).
FormatRanges LineFormatsOfBlock(const QTextBlock& block);
void ClearBlockFormats(QTextBlock block);
// Whether the laid slice of a long line covers area (in the line's own
// coordinates); true for another line, false while that is not known yet.
// Cheap once the line is laid out: scrolling asks it at every step.
bool SliceShowsArea(const QTextBlock& block, const QRectF& area);
// Lays the slice of a long line that holds [from, to) (positions in the
// line) unless the laid one holds it already; true when it laid one, and
// the line needs laying out again.
bool LayLongLineSliceFor(QTextBlock block, int from, int to);
// Ranges whose ends are moved by moved(position); those left empty go.
template <typename Move>
FormatRanges MovedRanges(const FormatRanges& ranges, Move moved);
// After an edit of block that kept its line count: a long line's colours
// follow their characters, moved by moved(position); false for another line.
template <typename Move>
bool MoveLongLineFormats(QTextBlock block, Move moved, int around);

// ---- details ----

struct LongLineFormats;
FormatRanges* AllFormatsOf(const QTextBlock& block);
void LaySliceAround(QTextBlock block, int around);

template <typename Move>
FormatRanges MovedRanges(const FormatRanges& ranges, Move moved) {
  FormatRanges kept;
  for (QTextLayout::FormatRange r : ranges) {
    const int start = moved(r.start);
    const int end = moved(r.start + r.length);
    if (end <= start) continue;
    r.start = start;
    r.length = end - start;
    kept.append(r);
  }
  return kept;
}

template <typename Move>
bool MoveLongLineFormats(QTextBlock block, Move moved, int around) {
  FormatRanges* all = AllFormatsOf(block);
  if (!all) return false;
  *all = MovedRanges(*all, moved);
  LaySliceAround(block, around);
  return true;
}

}  // namespace kaplo::gui
