#include "view/keyword_search.h"

#include <algorithm>
#include <cstring>

#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"

namespace kaplo {
namespace {

// Tells whether offsets, asked in increasing order, begin a character. Every
// byte that cannot be a first byte ends a character, so only the run of
// possible first bytes just before the offset is looked at, and never
// further back than the last offset asked: amortised one pass over the text.
class BoundaryCursor {
 public:
  explicit BoundaryCursor(std::string_view text)
      : bytes_(reinterpret_cast<const unsigned char*>(text.data())) {}

  bool IsBoundary(std::size_t pos) {
    std::size_t q = pos;
    while (q > known_ && IsSjisLeadByte(bytes_[q - 1])) --q;
    // q begins a character and q..pos-1 are pairs of lead and second bytes.
    const bool boundary = (pos - q) % 2 == 0;
    known_ = boundary ? pos : pos + 1;
    return boundary;
  }

 private:
  const unsigned char* bytes_;
  std::size_t known_ = 0;  // a character begins here; no later query is before it
};

// Appends the character at s[i] (one or two bytes) and returns the next index.
std::size_t CopyChar(std::string_view s, std::size_t i, std::string& out) {
  const std::size_t len = IsSjisLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
  out.append(s.substr(i, len));
  return i + len;
}

long long ReadNumber(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (i == s.size()) return 0;
  long long n = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return 0;
    if (n > 100'000'000'000LL) return 0;
    n = n * 10 + (s[i] - '0');
  }
  return negative ? -n : n;
}

}  // namespace

std::vector<std::string> EdictScan(std::string_view input) {
  std::string s = TrimAllBlanks(input);
  s = Replace(s, SJ<"　">(), "  ");
  s = Replace(s, "  ", " ");
  s = Replace(s, " ", ",");
  std::vector<std::string> items;
  if (s.empty()) return items;
  std::size_t i = 0;
  while (true) {
    std::string item;
    if (s[i] == '"') {
      // A quoted item runs to its closing quote; "" inside stands for one quote.
      ++i;
      while (i < s.size()) {
        if (s[i] == '"') {
          if (i + 1 < s.size() && s[i + 1] == '"') {
            item.push_back('"');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        i = CopyChar(s, i, item);
      }
    }
    // Anything up to the comma belongs to the item as written.
    while (i < s.size() && s[i] != ',') i = CopyChar(s, i, item);
    items.push_back(std::move(item));
    if (i >= s.size()) break;
    ++i;  // past the comma: another item follows, empty at the very end
  }
  return items;
}

std::vector<KeywordHit> FindKeywords(std::string_view text, std::span<const std::string> keywords) {
  std::vector<KeywordHit> hits;
  if (text.empty()) return hits;
  const std::size_t count = std::min(keywords.size(), kMaxKeywords);
  for (std::size_t k = 0; k < count; ++k) {
    const std::string_view kw = Trim(keywords[k]);
    if (kw.empty()) continue;
    BoundaryCursor cursor(text);
    std::size_t from = 0;
    while (from + kw.size() <= text.size()) {
      const void* found = memmem(text.data() + from, text.size() - from, kw.data(), kw.size());
      if (found == nullptr) break;
      const std::size_t p = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
      if (!cursor.IsBoundary(p)) {
        from = p + 1;
        continue;
      }
      hits.push_back({p, kw.size(), k});
      // Searching on right at the end finds adjacent occurrences too.
      from = p + kw.size();
    }
  }
  return hits;
}

LineIndex::LineIndex(std::string_view text) : size_(text.size()) {
  starts_.push_back(0);
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  for (const char* p = begin; p < end; ++p) {
    if (*p == '\n') {
      starts_.push_back(static_cast<std::size_t>(p + 1 - begin));
    } else if (*p == '\r') {
      if (p + 1 < end && p[1] == '\n') ++p;
      starts_.push_back(static_cast<std::size_t>(p + 1 - begin));
    }
  }
}

LineColumn LineIndex::At(std::size_t offset) const {
  const auto it = std::upper_bound(starts_.begin(), starts_.end(), offset) - 1;
  return {static_cast<long long>(it - starts_.begin()) + 1,
          static_cast<long long>(offset - *it) + 1};
}

std::size_t LineIndex::LineStart(long long line) const {
  if (line < 1) line = 1;
  if (static_cast<std::size_t>(line) > starts_.size()) return size_;
  return starts_[static_cast<std::size_t>(line) - 1];
}

std::string ResultEntry(LineColumn where) {
  return PadNumberBlanks(where.line, 4) + "/" + PadNumberZeros(where.column, 2);
}

std::vector<std::string> ResultEntries(std::string_view text, std::span<const KeywordHit> hits) {
  std::vector<std::string> entries;
  if (hits.empty()) return entries;
  const LineIndex lines(text);
  entries.reserve(hits.size());
  for (const KeywordHit& h : hits) entries.push_back(ResultEntry(lines.At(h.offset)));
  return entries;
}

std::optional<LineColumn> ParseResultEntry(std::string_view entry) {
  const std::size_t slash = entry.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  std::string_view after = entry.substr(slash + 1);
  after = after.substr(0, after.find(' '));
  return LineColumn{ReadNumber(entry.substr(0, slash)), ReadNumber(after)};
}

std::size_t CaretForEntry(const LineIndex& lines, std::size_t text_size, LineColumn where) {
  const std::size_t start = lines.LineStart(where.line);
  const std::size_t column = where.column < 1 ? 0 : static_cast<std::size_t>(where.column - 1);
  return std::min(text_size, start + std::min(column, text_size));
}

std::string EntryStatusText(LineColumn where) {
  return " " + SJ<"行">() + "[  " + std::to_string(where.line) + " ]    " + SJ<"列">() + "[ " +
         std::to_string(where.column) + " ]";
}

std::int32_t KeywordColor(std::size_t keyword) {
  constexpr std::int32_t kColors[kMaxKeywords] = {0x0000FF, 0xFF00FF, 0x808000, 0xFFFF00,
                                                  0xFF0000, 0x800080, 0x00FF00, 0x000080};
  return keyword < kMaxKeywords ? kColors[keyword] : 0x000000;
}

std::string_view BrowserHighlightTag(std::size_t position) {
  static constexpr std::string_view kTags[] = {
      "<span style=\"background-color: red ; font-weight: bolder;\">",
      "<span style=\"background-color: yellow ; font-weight: bolder;\">",
      "<span style=\"background-color: magenta ; font-weight: bolder;\">",
      "<span style=\"background-color: orange ; font-weight: bolder;\">",
      "<span style=\"background-color: aqua ; font-weight: bolder;\">",
      "<span style=\"background-color: Lime ; font-weight: bolder;\">",
  };
  const std::size_t i = position <= 1 ? 0 : std::min<std::size_t>(position, 6) - 1;
  return kTags[i];
}

}  // namespace kaplo
