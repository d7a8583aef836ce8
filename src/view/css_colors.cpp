#include "view/css_colors.h"

#include <algorithm>
#include <map>

#include "text/sjis.h"
#include "text/strutil.h"

namespace kaplo {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// Deletes every "/*" ... "*/", looking for the first "/*" afresh after each
// deletion (a "/" left before a deleted comment can open the next one). The
// "*/" is searched from close_from bytes after the start of the "/*".
// Stops at the first "/*" that has no "*/" after it.
std::string StripComments(std::string_view text, std::size_t close_from) {
  std::string out;
  out.reserve(text.size());
  std::vector<bool> starts;  // per byte of out: begins a character
  starts.reserve(text.size());
  bool second = false;  // the next byte of out is a second byte
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i++]);
    out.push_back(static_cast<char>(b));
    starts.push_back(!second);
    // A lead byte before a byte that cannot follow it stands alone.
    second = !second && IsSjisLeadByte(b) && i < text.size() &&
             IsSjisTrailByte(static_cast<unsigned char>(text[i]));
    if (b != '*' || out.size() < 2) continue;
    const std::size_t m = out.size() - 2;
    if (out[m] != '/' || !starts[m]) continue;
    // The "*" came from text[i - 1]; what follows it in the current text is text[i...].
    const std::size_t c = text.find("*/", i - 2 + close_from);
    if (c == npos) {
      out.append(text.substr(i));
      return out;
    }
    out.resize(m);
    starts.resize(m);
    second = false;  // m began a character
    i = c + 2;
  }
  return out;
}

struct Step {
  std::string find;
  std::string replace;
  bool exact;
};

// The normalisation chain: afterwards every colour value sits after ":#"
// and ends in ";" or a blank. Each step sees what the earlier ones made.
const std::vector<Step>& NormaliseSteps() {
  static const std::vector<Step> steps = [] {
    std::vector<Step> s = {
        {" url", ";url", false}, {" #", ":#", false},    {"\r\n}", "}", false},
        {"\r\n{", "{", false},   {"{\r\n", "{", false},  {"\t", " ", false},
        {": #", ":#", false},    {"\"#", ":#", false},   {" url", ";url", false},
        {" #", ":#", false},
    };
    const std::string hex_letters = "ABCDEFabcdef";
    for (char d = '0'; d <= '9'; ++d) s.push_back({std::string(" ") + d, std::string("\r\n ;") + d, false});
    for (char d = '0'; d <= '9'; ++d) s.push_back({std::string(1, d) + "\r\n", std::string(1, d) + ";\r\n", false});
    for (char x : hex_letters) s.push_back({std::string(1, x) + "\r\n", std::string(1, x) + ";\r\n", true});
    s.push_back({"::", ":", false});
    for (char d = '0'; d <= '9'; ++d) s.push_back({std::string(1, d) + "}", std::string(1, d) + ";}", false});
    for (char x : hex_letters) s.push_back({std::string(1, x) + "}", std::string(1, x) + ";\r\n}", true});
    s.push_back({" }", " ;}", false});
    return s;
  }();
  return steps;
}

// Letters g to z and the punctuation that never occur in a hex colour.
bool IsRejected(unsigned char c) {
  const unsigned char lower = AsciiLower(c);
  if (lower >= 'g' && lower <= 'z') return true;
  constexpr std::string_view kPunct = ".,/!\"$%&()@\\=-^_<>*+";
  return kPunct.find(static_cast<char>(c)) != npos;
}

bool HasRejectedChar(std::string_view value) {
  for (std::size_t i = 0; i < value.size();) {
    // A second byte is no letter of the value.
    const std::size_t length = SjisCharLength(value, i);
    if (length == 1 && IsRejected(static_cast<unsigned char>(value[i]))) return true;
    i += length;
  }
  return false;
}

std::string_view CutBefore(std::string_view text, std::string_view mark) {
  const std::size_t at = FindAtBoundary(text, mark);
  return at == npos ? text : text.substr(0, at);
}

// Offset of the first ";" or blank from `from` (a character boundary) on.
std::size_t FindTerminator(std::string_view text, std::size_t from) {
  for (std::size_t j = from; j < text.size();) {
    const auto c = static_cast<unsigned char>(text[j]);
    if (c == ';' || c == ' ') return j;
    j += SjisCharLength(text, j);
  }
  return npos;
}

}  // namespace

std::vector<std::string> ExtractCssColors(std::string_view text, bool sorted) {
  std::string t = StripComments(text, 2);
  for (const Step& step : NormaliseSteps()) {
    t = step.exact ? ReplaceAllExact(t, step.find, step.replace) : Replace(t, step.find, step.replace);
  }
  std::vector<std::string> list;
  if (!ContainsAtBoundary(t, ":#") && !ContainsAtBoundary(t, " #")) return list;
  // A value that ends the text gets a terminator.
  t.insert(t.size() - 1, " \r\n");

  std::map<std::string, std::string> distinct;  // lower-cased value -> first value met
  std::string selector;
  // The scan consumes rest from the front; boundaries count from its start.
  std::string_view rest = t;
  while (true) {
    std::size_t p = FindAtBoundary(rest, ":#");
    if (p == npos) break;
    // Rules before the value that hold no colour are skipped.
    for (std::size_t close; (close = FindAtBoundary(rest.substr(0, p), "}")) != npos;) {
      rest.remove_prefix(close + 1);
      p -= close + 1;
    }
    const std::size_t f = FindTerminator(rest, p + 2);
    if (f == npos) break;
    const std::string_view head = rest.substr(0, f);
    std::string_view value = rest.substr(p + 1, f - p);
    rest.remove_prefix(std::min(rest.size(), f + 2));

    const std::size_t brace = FindAtBoundary(head, "{");
    if (brace != npos) {
      std::string_view sel = Trim(head.substr(0, brace));
      const std::size_t close = FindAtBoundary(sel, "}");
      if (close != npos) sel.remove_prefix(close + 1);
      selector = Replace(sel, ":#", " #");
    }

    value = CutBefore(CutBefore(Trim(value), "}"), ";");
    std::string v = ReplaceAllExact(value, "\"", "");
    if (HasRejectedChar(v)) continue;
    v = std::string(Trim(v));
    if (v == "#") break;
    if (!v.empty() && v.size() < kCssColorWidth) v.resize(kCssColorWidth, ' ');
    if (sorted) {
      distinct.try_emplace(LowerAscii(v), v);
    } else {
      list.push_back(v + " " + selector);
    }
  }
  if (sorted) {
    for (auto& [key, value] : distinct) list.push_back(std::move(value));
  }
  return list;
}

std::vector<std::string> CreateCssColorList(std::string_view text, bool sorted) {
  std::string t = StripComments(text, 1);
  t = ReplaceAllExact(t, "\"\\\"}\\\"\"", "");
  return ExtractCssColors(t, sorted);
}

std::int32_t ColorFromCss(std::string_view value) {
  std::string_view v = CutBefore(CutBefore(CutBefore(value, "}"), ";"), "{");
  if (!v.empty() && v.front() == '#') v.remove_prefix(1);
  if (v.empty()) return -1;
  std::string digits(v.substr(0, 6));
  if (digits.size() < 6) digits.insert(0, 6 - digits.size(), '0');
  auto nibble = [](char c) {
    const unsigned char u = AsciiUpper(static_cast<unsigned char>(c));
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
  };
  std::int32_t color = 0;
  for (int i = 0; i < 3; ++i) {
    const int hi = nibble(digits[2 * i]), lo = nibble(digits[2 * i + 1]);
    const int component = (hi < 0 || lo < 0) ? 0 : hi * 16 + lo;
    color |= component << (8 * i);
  }
  return color;
}

std::int32_t CssSwatchColor(std::string_view value) {
  std::string_view v = CutBefore(CutBefore(CutBefore(value, "}"), ";"), "{");
  if (!v.empty() && v.front() == '#') v.remove_prefix(1);
  const bool hex = std::all_of(v.begin(), v.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  });
  if (!hex) return ColorFromCss(value);
  std::string rgb;
  if (v.size() == 3 || v.size() == 4) {
    for (std::size_t i = 0; i < 3; ++i) rgb.append(2, v[i]);
  } else if (v.size() == 6 || v.size() == 8) {
    rgb = std::string(v.substr(0, 6));
  } else {
    return ColorFromCss(value);
  }
  return ColorFromCss(rgb);
}

CssColorPaint PaintCssColorEntry(std::string_view entry) {
  const std::string_view v = CutBefore(entry, " ");
  CssColorPaint paint;
  if (v.empty()) return paint;
  paint.draw = true;
  if (v.front() != '#') return paint;
  const int n = HexToInt(v.substr(1));
  // The entry is drawn on the colour CSS reads from the value ("#fff" is
  // white); the text colour keeps the list's rule on the number.
  const std::int32_t background = CssSwatchColor(v);
  paint.background = background < 0 ? 0xFFFFFF : background;
  paint.text = n > 0x900000 ? 0xFF0000 : n < 0x100000 ? 0x0000FF : 0x00FFFF;
  return paint;
}

std::optional<CssColorClick> ClickCssColorEntry(std::string_view entry) {
  const std::size_t blank = FindAtBoundary(entry, " ");
  if (blank == npos) return std::nullopt;
  CssColorClick click;
  click.color = LowerAscii(entry.substr(0, blank));
  const std::string rest = ReplaceAllExact(Trim(entry.substr(blank + 1)), ",", " ");
  click.keywords = rest.empty() ? click.color : rest;
  return click;
}

}  // namespace kaplo
