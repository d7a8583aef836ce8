// The edge between the core's Shift_JIS texts and a source view's text.
//
// A view holds its text as a QTextDocument: UTF-16, one block per line, line
// breaks not stored as characters. The core counts bytes of Shift_JIS with
// CR LF line ends. These helpers convert between the two and map byte
// offsets to positions in the view's text, so that colour spans computed on
// bytes land on the right characters.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <QTextCharFormat>
#include <QTextLayout>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "view/html_tokenizer.h"
#include "view/rtf_reader.h"

namespace kaplo::gui {

// A Shift_JIS text as a view shows it: CR LF, a lone CR and LF are each one
// line break ("\n"); every other byte or pair is one UTF-16 character (an
// invalid one U+FFFD), as ShiftJISToUtf8 converts it.
QString SjisToViewText(std::string_view sjis);
// Where each byte of sjis lands in SjisToViewText(sjis): sjis.size() + 1
// entries, both bytes of a pair (and of a CR LF) at the same position.
std::vector<int> SjisToViewPositions(std::string_view sjis);

// A view's text (as toPlainText gives it) in Shift_JIS, for the core.
struct ViewSjis {
  std::string bytes;     // "\n" line ends; "?" for a character with no Shift_JIS form
  std::vector<int> pos;  // bytes.size() + 1 entries: the position each byte comes from
};
ViewSjis ViewTextToSjis(QStringView text);

// Character formats of a view, one list per line (text block), positions
// counted from the start of the line.
using LineFormats = std::vector<QList<QTextLayout::FormatRange>>;

// A line longer than this is coloured whole but laid over the view in
// slices of this many characters (see long_line_formats.h).
inline constexpr int kLongLineLength = 100000;

// Coloured byte stretches of the Shift_JIS form of text turned into line
// formats. text is the view's text, pos maps bytes to it, and formats[i] is
// drawn for colour entry i; an entry past the list, or one whose format sets
// nothing, leaves its text as it is. Stretches are in text order.
LineFormats ToLineFormats(QStringView text, const std::vector<int>& pos,
                          std::span<const HtmlColorSpan> spans,
                          std::span<const QTextCharFormat> formats);
LineFormats ToLineFormats(QStringView text, const std::vector<int>& pos,
                          std::span<const RtfColorRun> runs,
                          std::span<const QTextCharFormat> formats);

}  // namespace kaplo::gui
