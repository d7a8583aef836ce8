#include "text/normalise.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "text/charset.h"
#include "text/sjis.h"
#include "text/strutil.h"

namespace kaplo {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// ---------------------------------------------------------------------------
// The rule lists, in their order. Lower-casing: each item turns every
// spelling of itself into lower case; longer names stand before their
// prefixes.

constexpr std::string_view kStartTags[] = {
    "<abbr",     "<acronym",  "<address", "<applet",     "<area",     "<a",        "<basefont",
    "<base",     "<bod",      "<big",     "<blockquote", "<body",     "<br",       "<button",
    "<b",        "<caption",  "<center",  "<cite",       "<code",     "<colgroup", "<col",
    "<dd",       "<del",      "<dfn",     "<dir",        "<div",      "<dl",       "<dt",
    "<em",       "<fieldset", "<font",    "<form",       "<frameset", "<frame",    "<h1",
    "<h2",       "<h3",       "<h4",      "<h5",         "<h6",       "<head",     "<hr",
    "<html",     "<iframe",   "<img",     "<input",      "<ins",      "<isindex",  "<i",
    "<kbd",      "<label",    "<layer",   "<legend",     "<link",     "<li",       "<map",
    "<menu",     "<meta",     "<nobr",    "<noframes",   "<noscript", "<object",   "<ol",
    "<optgroup", "<option",   "<param",   "<pre",        "<p",        "<q",        "<samp",
    "<script",   "<select",   "<small",   "<span",       "<strike",   "<strong",   "<style",
    "<sub",      "<sup",      "<table",   "<tbody",      "<td",       "<textarea", "<tfoot",
    "<th",       "<thead",    "<title",   "<tr",         "<tt",       "<ul",       "<u",
    "<var",      "<wbr>",
};
static_assert(std::size(kStartTags) == 93);

constexpr std::string_view kEndTags[] = {
    "</abbr",     "</acronym",  "</address",  "</applet",   "</area",       "</a",
    "</basefont", "</base",     "</bod",      "</big",      "</blockquote", "</body",
    "</br",       "</button",   "</b",        "</caption",  "</center",     "</cite",
    "</code",     "</colgroup", "</col",      "</dd",       "</del",        "</dfn",
    "</dir",      "</div",      "</dl",       "</dt",       "</em",         "</fieldset",
    "</font",     "</form",     "</frameset", "</frame",    "</h1",         "</h2",
    "</h3",       "</h4",       "</h5",       "</h6",       "</head",       "</hr",
    "</html",     "</iframe",   "</img",      "</input",    "</ins",        "</isindex",
    "</i",        "</kbd",      "</label",    "</layer",    "</legend",     "</link",
    "</li",       "</map",      "</menu",     "</meta",     "</nobr>",      "</noframes",
    "</noscript", "</object",   "</ol",       "</optgroup", "</option",     "</param",
    "</pre",      "</p",        "</q",        "</samp",     "</script",     "</select",
    "</small",    "</span",     "</strike",   "</strong",   "</style",      "</sub",
    "</sup",      "</table",    "</tbody",    "</td",       "</textarea",   "</tfoot",
    "</th",       "</thead",    "</title",    "</tr",       "</tt",         "</ul",
    "</u",        "</var",
};
static_assert(std::size(kEndTags) == 92);

// Attribute names only after one blank: after a line break they stay as they are.
constexpr std::string_view kOtherItems[] = {
    "@import",        " url(",          " rel=",       " type=",        "text/javascript",
    "javascript",     " background=",   " width=",     " href=",        " src=",
    " height=",       " bgcolor=",      " color=",     " cellspacing=", " cellpadding=",
    " name=",         " type=",         " id=",        " class=",       " href=",
    " valign=",       " align=",        " value=",     " size=",        " title=",
    " border=",       " rows=",         " cols=",      " rowspan=",     " colspan=",
    " text=",         " vlink=",        " link=",      "\"top\"",       "\"middle\"",
    "\"bottom\"",     "\"center\"",     "\"left\"",    "\"right\"",     "\"border\"",
    " frameborder=",  " framespacing=", " scrolling=", " noresize",     " marginwidth=",
    " marginheight=", " leftmargin=",   " topmargin=",
};
static_assert(std::size(kOtherItems) == 48);

// Line-break rules. Each rewrites the place between a left text and a right
// text: `left` ends right before `breaks` CRLFs, `right` starts right after
// them. Both given: exactly that many CRLFs; one given: at least that many.
// The place then holds new_breaks CRLFs, or `fill` instead.
struct LineRule {
  std::string_view left;
  int breaks;
  std::string_view right;
  std::string_view new_left;
  int new_breaks;
  std::string_view fill;
  std::string_view new_right;  // right with its letters as written, perhaps a blank shorter
};

// ">X" to ">" CRLF "X".
constexpr LineRule BreakBefore(std::string_view tag) { return {">", 0, tag, ">", 1, {}, tag}; }
constexpr LineRule BreakBetween(std::string_view l, std::string_view r) {
  return {l, 0, r, l, 1, {}, r};
}
constexpr LineRule JoinBefore(std::string_view r) { return {{}, 1, r, {}, 0, {}, r}; }
constexpr LineRule JoinAfter(std::string_view l) { return {l, 1, {}, l, 0, {}, {}}; }
constexpr LineRule JoinBetween(std::string_view l, std::string_view r) {
  return {l, 1, r, l, 0, {}, r};
}
constexpr LineRule Lines(std::string_view l, int n, std::string_view new_l, int new_n) {
  return {l, n, {}, new_l, new_n, {}, {}};
}

// The rules run in three sweeps over the text: a rule of a later sweep reads
// tags across line breaks that an earlier sweep may take away.
constexpr LineRule kFirstSweep[] = {
    BreakBefore("<applet"),
    // A tag's closing bracket moves back onto the tag's line.
    JoinBefore(">"),
    JoinBefore("/>"),
};

constexpr LineRule kMainSweep[] = {
    BreakBefore("<area"),
    BreakBefore("<base"),
    BreakBefore("<blockquote"),
    BreakBefore("<body"),
    BreakBefore("</body"),
    // Every <br> or <br /> ends its line once (unless four or more breaks followed).
    Lines("<br>", 0, "<br />", 1),
    Lines("<br />", 0, "<br />", 1),
    Lines("<br />", 3, "<br />", 1),
    Lines("<br />", 2, "<br />", 1),
    BreakBefore("<dd"),
    BreakBefore("<div"),
    BreakBefore("</div"),
    BreakBefore("<fieldset"),
    BreakBefore("<form"),
    BreakBefore("</form"),
    BreakBetween("</form>", "<"),
    BreakBefore("<frameset"),
    BreakBefore("</frameset"),
    BreakBefore("<frame"),
    BreakBefore("</frame"),
    BreakBefore("<div"),
    BreakBefore("</div"),
    BreakBetween("</div>", "<"),
    BreakBefore("<head"),
    BreakBefore("</head"),
    BreakBefore("<hr"),
    BreakBefore("<html"),
    BreakBefore("</html"),
    BreakBetween("</html>", "<"),
    BreakBefore("<label"),
    BreakBefore("<link"),
    BreakBefore("</link"),
    BreakBefore("<li"),
    // A list item that holds a single tag stays on one line.
    JoinBetween("<li>", "<"),
    JoinBetween(">", "</li>"),
    BreakBefore("<map"),
    BreakBefore("</map"),
    BreakBefore("<meta"),
    BreakBefore("<noframes"),
    BreakBefore("</noframes"),
    BreakBefore("<noscript"),
    BreakBefore("<object"),
    BreakBefore("<ol"),
    BreakBefore("<optgroup"),
    BreakBefore("<option"),
    BreakBefore("<param"),
    BreakBefore("<pre"),
    BreakBefore("<p"),
    BreakBefore("<table"),
    BreakBefore("</table"),
    BreakBetween("</table>", "<"),
    BreakBefore("<tbody"),
    BreakBefore("</tbody"),
    BreakBefore("<td"),
    // An empty cell gets a no-break space.
    {"td>", 0, "</td", "td>", 0, "&nbsp;", "</td"},
    BreakBetween("</td>", "</tr>"),
    BreakBefore("<textarea"),
    BreakBefore("<tfoot"),
    BreakBefore("<th"),
    BreakBefore("<title"),
    BreakBefore("<tr"),
    BreakBefore("<ul"),
    // An end tag of a link never starts a line.
    JoinBetween(">", "</map"),
    JoinBefore("</a"),
    BreakBefore("<script"),
};

constexpr LineRule kLastSweep[] = {
    // A value cut after its equals sign is joined.
    JoinAfter("="),
    JoinBefore(">"),
    // The blank after the comment opener goes.
    {">", 0, "<!-- ", ">", 1, {}, "<!--"},
    BreakBetween("-->", "<"),
};

constexpr std::string_view kStripOpeners[] = {
    "alt=\"",     "type=\"",        "language=\"",    "width=",    "height=\"",
    "value=\"",   "name=\"",        "size=\"",        "style=\"",  "title=\"",
    "bgcolor=\"", "color=\"",       "valign=\"",      "align=\"",  "id=\"",
    "class=\"",   "cellspacing=\"", "cellpadding=\"", "border=\"", "onclick=\"",
};

// ---------------------------------------------------------------------------

bool IsCrLf(std::string_view s, std::size_t i) {
  return i + 1 < s.size() && s[i] == '\r' && s[i + 1] == '\n';
}

// tail of s equals pattern (stored in lower case), ASCII letters compared
// case-insensitively, starting on a character boundary.
bool EndsWithAtBoundary(std::string_view s, std::string_view pattern) {
  if (s.size() < pattern.size()) return false;
  const std::size_t start = s.size() - pattern.size();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (AsciiLower(static_cast<unsigned char>(s[start + i])) !=
        static_cast<unsigned char>(pattern[i])) {
      return false;
    }
  }
  return StartsCharacterAt(s, start);
}

// ---------------------------------------------------------------------------
// Keys (lower case ASCII) in a trie, walked over a text with ASCII letters
// compared case-insensitively.

class PrefixTrie {
 public:
  PrefixTrie() : nodes_(1) {}

  // The node the key ends at.
  int Add(std::string_view key) {
    int node = 0;
    for (unsigned char ch : key) {
      int& c = index_[ch];
      if (c == 0) {
        if (++letters_ >= kAlphabet) std::abort();  // the rule lists are fixed
        c = letters_;
        if (ch >= 'a' && ch <= 'z') index_[ch - 32] = c;
      }
      if (nodes_[node][c] == 0) {
        nodes_[node][c] = static_cast<std::uint16_t>(nodes_.size());
        nodes_.emplace_back();
      }
      node = nodes_[node][c];
    }
    first_[static_cast<unsigned char>(key[0])] = true;
    first_[AsciiUpper(static_cast<unsigned char>(key[0]))] = true;
    return node;
  }

  bool MayStart(unsigned char c) const { return first_[c]; }
  std::size_t NodeCount() const { return nodes_.size(); }

  // Calls at(node, end) for each node on the path of s from pos, end being
  // the offset just after the node's last character.
  template <class F>
  void Walk(std::string_view s, std::size_t pos, F&& at) const {
    int node = 0;
    for (std::size_t p = pos; p < s.size(); ++p) {
      const int c = index_[static_cast<unsigned char>(s[p])];
      if (c == 0) return;
      node = nodes_[node][c];
      if (node == 0) return;
      at(node, p + 1);
    }
  }

 private:
  static constexpr int kAlphabet = 64;
  std::vector<std::array<std::uint16_t, kAlphabet>> nodes_;
  std::array<int, 256> index_{};
  std::array<bool, 256> first_{};
  int letters_ = 0;
};

// Lower-casing: one trie over every item, walked at each character boundary.
class ItemTrie {
 public:
  ItemTrie() {
    for (auto list : {std::span<const std::string_view>(kStartTags),
                      std::span<const std::string_view>(kEndTags),
                      std::span<const std::string_view>(kOtherItems)}) {
      for (std::string_view item : list) {
        const int node = trie_.Add(item);
        if (static_cast<std::size_t>(node) >= item_at_.size()) item_at_.resize(node + 1, -1);
        if (item_at_[node] < 0) item_at_[node] = static_cast<int>(item_count_++);
      }
    }
    item_at_.resize(trie_.NodeCount(), -1);
  }

  bool MayStart(unsigned char c) const { return trie_.MayStart(c); }
  std::size_t ItemCount() const { return item_count_; }

  // The end of what the items matching at pos lower-case. An item that would
  // overlap its own previous match is skipped, as a left-to-right replacement
  // without rescanning skips it.
  std::size_t Cover(std::string_view s, std::size_t pos, std::vector<std::size_t>& last_end) const {
    std::size_t end = pos;
    trie_.Walk(s, pos, [&](int node, std::size_t e) {
      const int item = item_at_[node];
      if (item >= 0 && pos >= last_end[item]) {
        last_end[item] = e;
        end = e;
      }
    });
    return end;
  }

 private:
  PrefixTrie trie_;
  std::vector<int> item_at_;  // per node: the item ending there, or -1
  std::size_t item_count_ = 0;
};

const ItemTrie& Items() {
  static const ItemTrie trie;
  return trie;
}

void LowerItems(std::string& out, std::size_t from, std::vector<std::size_t>& last_end) {
  const ItemTrie& items = Items();
  const std::string_view s(out);
  std::size_t q = from;
  while (q < s.size()) {
    const auto c = static_cast<unsigned char>(s[q]);
    if (SjisCharLength(s, q) == 2) {
      q += 2;
      continue;
    }
    if (items.MayStart(c)) {
      const std::size_t end = items.Cover(s, q, last_end);
      for (std::size_t i = q; i < end; ++i) {
        out[i] = static_cast<char>(AsciiLower(static_cast<unsigned char>(out[i])));
      }
    }
    ++q;
  }
}

// Encoding declarations ("charset=...", "encoding=\"...") of one line are
// rewritten where they stand: every pattern of the rewrite starts with one of
// these words and stays inside the run of name characters that follows.
bool IsDeclByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '=' || c == '"';
}

bool EndsWithWord(std::string_view s, std::string_view word) {
  if (s.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (AsciiLower(static_cast<unsigned char>(s[s.size() - word.size() + i])) != word[i]) {
      return false;
    }
  }
  return true;
}

// The line is out from `from` on.
void RewriteDeclarations(std::string& out, std::size_t from) {
  std::size_t eq = from;
  while ((eq = out.find('=', eq)) != npos) {
    const std::string_view before = std::string_view(out).substr(from, eq - from);
    std::size_t start = npos;
    for (std::string_view word : {std::string_view("charset"), std::string_view("encoding")}) {
      if (EndsWithWord(before, word)) start = before.size() - word.size();
    }
    if (start == npos || !StartsCharacterAt(before, start)) {
      ++eq;
      continue;
    }
    start += from;
    std::size_t end = eq;
    while (end < out.size() && IsDeclByte(static_cast<unsigned char>(out[end]))) ++end;
    const std::string rewritten =
        RewriteEncodingDeclToShiftJIS(std::string_view(out).substr(start, end - start));
    out.replace(start, end - start, rewritten);
    eq = start + rewritten.size();
  }
}

// Stages 1 to 3: lines, declarations, lower case. Every replacement of
// stages 2 and 3 stays inside one line, so they run line by line.
std::string NormaliseLines(std::string_view in) {
  std::string out;
  out.reserve(in.size() + in.size() / 16 + 2);
  std::vector<std::size_t> last_end(Items().ItemCount(), 0);
  const std::size_t n = in.size();
  // Cached, so that a text without LF (or CR) stays linear.
  std::size_t next_lf = in.find('\n'), next_cr = in.find('\r');
  std::size_t i = 0;
  while (i < n) {
    if (next_lf < i) next_lf = in.find('\n', i);
    if (next_cr < i) next_cr = in.find('\r', i);
    const std::size_t e = std::min({next_lf, next_cr, n});
    const std::string_view line = in.substr(i, e - i);
    const bool keep = std::any_of(line.begin(), line.end(),
                                  [](char c) { return static_cast<unsigned char>(c) > 0x20; });
    if (keep) {
      const std::size_t from = out.size();
      std::size_t t = 0;
      for (std::size_t tab; (tab = line.find('\t', t)) != npos; t = tab + 1) {
        out.append(line, t, tab - t);
        out.append("  ");
      }
      out.append(line, t);
      RewriteDeclarations(out, from);
      LowerItems(out, from, last_end);
      out.append("\r\n");
    }
    i = (e < n && in[e] == '\r' && e + 1 < n && in[e + 1] == '\n') ? e + 2 : e + 1;
  }
  return out;
}

// ---------------------------------------------------------------------------
// Line breaks. A sweep walks the text once and stops at each place where a
// rule may apply: after a ">" and at each run of CRLFs. There it runs the
// sweep's rules in order against that place alone: the left text is read from
// the output (no rule's left text spans a place a later rule changes), the
// right text from the input (no rule's right text spans a place an earlier
// rule changes, except a CRLF before ">" that an earlier rule of the same
// sweep joins, which is looked through). A rule's match that would overlap its
// own previous match is skipped, as a left-to-right replacement skips it.
// Three or four linear passes in all, however many rules there are.

class LineSweep {
 public:
  explicit LineSweep(std::span<const LineRule> rules) : rules_(rules) {
    if (rules_.size() > kMaxRules) std::abort();  // the rule lists are fixed
    bool joins_gt = false;
    for (std::size_t ri = 0; ri < rules_.size(); ++ri) {
      const LineRule& r = rules_[ri];
      look_through_.push_back(joins_gt);
      if (r.right.empty() || joins_gt) {
        Set(always_, ri);
      } else {
        const int node = rights_.Add(r.right);
        if (static_cast<std::size_t>(node) >= right_ends_.size()) right_ends_.resize(node + 1);
        Set(right_ends_[node], ri);
      }
      // Where CRLFs follow no ">", only rules whose left text ends otherwise apply.
      if (r.left.empty() || r.left.back() != '>') Set(at_breaks_, ri);
      if (r.left.empty() && r.breaks == 1 && r.right == ">") joins_gt = true;
    }
    right_ends_.resize(rights_.NodeCount());
  }

  std::string Run(std::string_view in) const {
    std::string out;
    out.reserve(in.size() + in.size() / 8 + 16);
    std::vector<std::size_t> last_end(rules_.size(), 0);
    const std::size_t n = in.size();
    // The next ">" and CR, each searched again only once passed.
    std::size_t next_gt = in.find('>'), next_cr = in.find('\r');
    std::size_t i = 0;
    while (i < n) {
      if (next_gt < i) next_gt = in.find('>', i);
      if (next_cr < i) next_cr = in.find('\r', i);
      const std::size_t j = std::min(next_gt, next_cr);
      if (j == npos) break;
      const bool after_gt = j == next_gt;
      if ((!after_gt && !IsCrLf(in, j)) || !StartsCharacterAt(in, j)) {
        (after_gt ? next_gt : next_cr) = after_gt ? in.find('>', j + 1) : in.find('\r', j + 1);
        continue;
      }
      out.append(in, i, j - i);
      std::size_t p = j;
      if (after_gt) {
        out.push_back('>');
        ++p;
      }
      int k = 0;
      while (IsCrLf(in, p)) {
        ++k;
        p += 2;
      }
      i = Place(in, p, k, after_gt, out, last_end);
    }
    if (i < n) out.append(in, i);
    return out;
  }

 private:
  static constexpr int kKeep = -1, kDrop = -2;
  static constexpr std::size_t kMaxRules = 128;
  using RuleSet = std::array<std::uint64_t, kMaxRules / 64>;

  static void Set(RuleSet& set, std::size_t ri) { set[ri / 64] |= std::uint64_t{1} << (ri % 64); }

  // Matches right (lower case) at the start of r; sets used to the bytes it took.
  static bool MatchRight(std::string_view r, std::string_view right, bool look_through,
                         std::size_t& used) {
    std::size_t a = 0;
    for (std::size_t u = 0; u < right.size(); ++u) {
      if (look_through && u > 0 && right[u] == '>' && IsCrLf(r, a) && a + 2 < r.size() &&
          r[a + 2] == '>') {
        a += 2;
      }
      if (a >= r.size() ||
          AsciiLower(static_cast<unsigned char>(r[a])) != static_cast<unsigned char>(right[u])) {
        return false;
      }
      ++a;
    }
    used = a;
    return true;
  }

  bool Apply(std::size_t ri, std::string_view r, int& k, std::string& out,
             const std::vector<std::size_t>& last_end, std::array<int, 16>& ops,
             std::size_t& ops_len) const {
    const LineRule& rule = rules_[ri];
    const bool has_left = !rule.left.empty(), has_right = !rule.right.empty();
    if (has_left && has_right ? k != rule.breaks : k < rule.breaks) return false;
    std::size_t used = 0;
    if (has_right && !MatchRight(r, rule.right, look_through_[ri], used)) return false;
    if (has_left && !EndsWithAtBoundary(out, rule.left)) return false;
    const std::size_t start = out.size() - rule.left.size();
    if (start < last_end[ri]) return false;
    if (has_left) out.replace(start, rule.left.size(), rule.new_left);
    k += rule.new_breaks - rule.breaks;
    if (has_right && used == rule.right.size() && rule.new_right != r.substr(0, used)) {
      for (std::size_t o = 0; o < used; ++o) {
        ops[o] = o < rule.new_right.size() ? static_cast<unsigned char>(rule.new_right[o]) : kDrop;
      }
      ops_len = std::max(ops_len, used);
    }
    return true;
  }

  // One place: p is where the right text starts, k the CRLFs before it.
  // Returns where the walk goes on.
  std::size_t Place(std::string_view in, std::size_t p, int k, bool after_gt, std::string& out,
                    std::vector<std::size_t>& last_end) const {
    const std::string_view r = in.substr(p);
    // The rules that may apply here, in order: those whose right text
    // starts r, and those that read no right text.
    RuleSet candidates = always_;
    rights_.Walk(r, 0, [&](int node, std::size_t) {
      for (std::size_t w = 0; w < candidates.size(); ++w) candidates[w] |= right_ends_[node][w];
    });
    if (!after_gt) {
      for (std::size_t w = 0; w < candidates.size(); ++w) candidates[w] &= at_breaks_[w];
    }
    std::array<int, 16> ops;
    ops.fill(kKeep);
    std::size_t ops_len = 0;
    std::array<std::size_t, kMaxRules> matched;
    std::size_t matched_count = 0;
    std::string_view fill;
    for (std::size_t w = 0; w < candidates.size() && fill.empty(); ++w) {
      for (std::uint64_t bits = candidates[w]; bits != 0 && fill.empty(); bits &= bits - 1) {
        const std::size_t ri = w * 64 + static_cast<std::size_t>(std::countr_zero(bits));
        if (!Apply(ri, r, k, out, last_end, ops, ops_len)) continue;
        fill = rules_[ri].fill;
        matched[matched_count++] = ri;
      }
    }
    if (!fill.empty()) {
      out.append(fill);
    } else {
      for (int b = 0; b < k; ++b) out.append("\r\n");
    }
    for (std::size_t m = 0; m < matched_count; ++m) {
      last_end[matched[m]] = out.size() + rules_[matched[m]].new_right.size();
    }
    // The right text as the rules wrote it; a ">" or CRLF in it is left to the walk.
    std::size_t q = p;
    for (std::size_t o = 0; o < ops_len && q < in.size(); ++o, ++q) {
      const auto c = static_cast<unsigned char>(in[q]);
      if (c == '>' || IsCrLf(in, q)) break;
      if (ops[o] == kDrop) continue;
      out.push_back(ops[o] == kKeep ? static_cast<char>(c) : static_cast<char>(ops[o]));
    }
    return q;
  }

  std::span<const LineRule> rules_;
  std::vector<bool> look_through_;
  PrefixTrie rights_;
  std::vector<RuleSet> right_ends_;  // per trie node: the rules whose right text ends there
  RuleSet always_{};
  RuleSet at_breaks_{};
};

std::string BreakLines(std::string_view text) {
  static const LineSweep first(kFirstSweep), main(kMainSweep), last(kLastSweep);
  return last.Run(main.Run(first.Run(text)));
}

}  // namespace

std::string NormaliseHtml(std::string_view text) {
  if (text.empty()) return {};
  return BreakLines(NormaliseLines(text));
}

std::string BreakHtmlLines(std::string_view text) { return BreakLines(text); }

std::string StripAttributeOpeners(std::string_view text) {
  std::string s(text);
  for (std::string_view opener : kStripOpeners) s = RemoveEnclosed(s, opener, "\"");
  return RemoveEnclosed(s, "<form", ">");
}

}  // namespace kaplo
