// Keyword search of source panes and browser pages: splitting the keyword
// input, finding up to eight keywords in a text, the line/column entries of
// the result list and what a click on an entry means.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

// Keywords past this many are ignored by a search.
inline constexpr std::size_t kMaxKeywords = 8;

// Splits a keyword input: blanks (half- or full-width) and commas separate
// keywords, a quoted item may hold commas ("a,b" with the quotes), and a
// doubled separator gives an empty keyword ("abc   def" gives abc, "", def).
std::vector<std::string> EdictScan(std::string_view input);

struct KeywordHit {
  std::size_t offset;   // from 0
  std::size_t length;
  std::size_t keyword;  // position in the keyword list, from 0
};

// Every occurrence of the first eight keywords in text, grouped by keyword in
// list order and in text order within a group, as the result list shows them.
// Keywords are trimmed of bytes up to the blank; empty ones find nothing.
// Letter case counts, and a match never starts on the second byte of a
// double-byte character. Occurrences do not overlap, but one may begin right
// where the previous one ends ("abab" holds "ab" twice).
std::vector<KeywordHit> FindKeywords(std::string_view text, std::span<const std::string> keywords);

struct LineColumn {
  long long line;    // from 1
  long long column;  // byte column from 1
};

// Line starts of a text. CR LF, a lone CR and a lone LF each end a line.
class LineIndex {
 public:
  explicit LineIndex(std::string_view text);
  LineColumn At(std::size_t offset) const;
  // Offset of the first byte of line number `line` (from 1), clamped to the text.
  std::size_t LineStart(long long line) const;
  std::size_t LineCount() const { return starts_.size(); }

 private:
  std::vector<std::size_t> starts_;
  std::size_t size_;
};

// "  12/05": the line right-aligned to four places, the column zero-padded to two.
std::string ResultEntry(LineColumn where);

// The result list of a search: one entry per hit, in the order of hits.
std::vector<std::string> ResultEntries(std::string_view text, std::span<const KeywordHit> hits);

// Reads a result entry back: the number before the first "/" and the one
// after it (up to a blank), leading blanks allowed, 0 when unreadable.
// Nothing for an entry without "/".
std::optional<LineColumn> ParseResultEntry(std::string_view entry);

// Caret offset for an entry: the entry's line start plus column - 1, kept
// inside the text.
std::size_t CaretForEntry(const LineIndex& lines, std::size_t text_size, LineColumn where);

// The status bar text for a clicked entry (Shift_JIS).
std::string EntryStatusText(LineColumn where);

// Colour (0x00BBGGRR, drawn bold) of the keyword at list position 0 to 7.
std::int32_t KeywordColor(std::size_t keyword);

// Opening tag wrapped around a hit of the keyword at list position i (from
// 1) in a browser page; the closing tag is "</span>".
std::string_view BrowserHighlightTag(std::size_t position);

}  // namespace kaplo
