#include "text/strutil.h"

#include <algorithm>
#include <cstring>

#include "text/sjis.h"

namespace kaplo {
namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::string_view kFullWidthBlank = "\x81\x40";

std::size_t ToPos(std::size_t offset) { return offset == npos ? 0 : offset + 1; }

}  // namespace

std::size_t PosFrom(std::string_view sub, std::string_view text, std::size_t index) {
  if (index > text.size()) return 0;
  // Starting just after position index skips the second byte of a character
  // that begins there: the boundary search moves past it anyway.
  return ToPos(FindAtBoundary(text, sub, index));
}

std::size_t PosFromBytes(std::string_view sub, std::string_view text, std::size_t start) {
  if (sub.empty()) return 0;
  if (start <= 1) return PosFrom(sub, text, 0);
  if (start > text.size()) return 0;
  return ToPos(text.find(sub, start - 1));
}

std::size_t PosIgnoreCase(std::string_view sub, std::string_view text) {
  if (sub.empty()) return 0;
  return ToPos(UpperAscii(text).find(UpperAscii(sub)));
}

std::string Between(std::string_view text, std::string_view open, std::string_view close) {
  const std::size_t o = FindAtBoundary(text, open);
  if (o == npos) return {};
  const std::size_t start = o + open.size();
  const std::size_t c = FindAtBoundary(text, close, start);
  if (c == npos) return {};
  return std::string(text.substr(start, c - start));
}

std::string RemoveEnclosed(std::string_view text, std::string_view open, std::string_view close) {
  if (open.empty() || close.empty() || !ContainsAtBoundary(text, open)) return std::string(text);
  // Streams the text into out and checks after every byte whether out ends in
  // an open that starts on a character boundary. A deletion only truncates
  // out, so this finds the same first open as searching the whole text again
  // after each deletion, in one pass.
  std::string out;
  out.reserve(text.size());
  std::vector<bool> boundary;  // per byte of out: starts a character
  boundary.reserve(text.size());
  bool second = false;  // the next byte of out, if it can be a second byte, is one
  const std::size_t n = text.size(), k = open.size();
  const char last = open.back();
  std::size_t i = 0;
  while (i < n) {
    const auto b = static_cast<unsigned char>(text[i]);
    out.push_back(static_cast<char>(b));
    const bool starts = !second || !IsSjisTrailByte(b);
    boundary.push_back(starts);
    second = starts && IsSjisLeadByte(b);
    ++i;
    if (text[i - 1] != last || out.size() < k) continue;
    const std::size_t m = out.size() - k;
    if (!boundary[m] || std::memcmp(out.data() + m, open.data(), k) != 0) continue;
    // The close is searched from the last character of the open on.
    const std::size_t c = text.find(close, i - 1);
    if (c == npos) {
      out.append(text.substr(i));
      return out;
    }
    out.resize(m);
    boundary.resize(m);
    second = m > 0 && boundary[m - 1] && IsSjisLeadByte(static_cast<unsigned char>(out[m - 1]));
    i = c + close.size();
  }
  return out;
}

void CollectBetween(std::string_view text, std::string_view open, std::string_view close,
                    std::vector<std::string>& list) {
  if (open.empty() || close.empty()) return;
  // t is text cut from the front; positions below are offsets into t. Each
  // search result stays valid while the cut has not passed it, so a long run
  // of closes before an open is not searched again and again. A close that
  // begins with a double-byte first byte leaves t starting on a second byte,
  // which shifts character boundaries: then everything is searched afresh.
  const bool shifts = IsSjisLeadByte(static_cast<unsigned char>(close.front()));
  std::string_view t = text;
  std::size_t open_at = npos, value_close = npos, first_close = npos;
  bool have_open = false, have_value = false, have_first = false;
  while (true) {
    if (!have_open) {
      open_at = FindAtBoundary(t, open);
      have_open = true;
      have_value = false;
    }
    if (open_at == npos) return;
    if (!have_value) {
      value_close = FindAtBoundary(t, close, open_at + open.size());
      have_value = true;
    }
    std::string v;
    if (value_close != npos) {
      const std::size_t s = open_at + open.size();
      v.reserve(value_close - s);
      for (char ch : t.substr(s, value_close - s)) {
        if (ch != '\r' && ch != '\n') v.push_back(ch);
      }
    }
    if (!have_first) {
      first_close = FindAtBoundary(t, close);
      have_first = true;
    }
    if (first_close == npos) return;
    const std::size_t cut = first_close + 1;
    t.remove_prefix(cut);
    list.push_back(std::move(v));
    if (shifts) {
      have_open = have_first = false;
      continue;
    }
    have_first = false;
    if (open_at != npos && open_at >= cut) {
      open_at -= cut;
      if (value_close != npos) value_close -= cut;
    } else {
      have_open = false;
    }
  }
}

std::string EnsureHtmlExtension(std::string_view name) {
  const std::size_t p = FindAtBoundary(name, ".htm");
  // Positions from 1: the first ".htm" must start within the last seven characters.
  if (p == npos || p + 1 + 6 < name.size()) return std::string(name) + ".html";
  return std::string(name);
}

std::string ReplaceIfFound(std::string_view text, std::string_view old_text,
                           std::string_view new_text) {
  if (!ContainsAtBoundary(text, old_text)) return std::string(text);
  return Replace(text, old_text, new_text);
}

std::string ReplaceFrom(std::string_view text, std::string_view old_text,
                        std::string_view new_text, std::size_t from) {
  if (from == 0 || from > text.size() || !ContainsAtBoundary(text, old_text)) {
    return std::string(text);
  }
  std::string out(text.substr(0, from - 1));
  out += Replace(text.substr(from - 1), old_text, new_text);
  return out;
}

std::string SqueezeSpaces(std::string_view text) {
  // Tabs become blanks, then runs of 12, 11, ... 2 blanks each become one
  // blank, pass after pass. Runs never merge and a blank is never a second
  // byte, so each run's final length follows from its length alone.
  std::string out;
  out.reserve(text.size());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    if (text[i] != ' ' && text[i] != '\t') {
      out.push_back(text[i++]);
      continue;
    }
    std::size_t run = 0;
    while (i < n && (text[i] == ' ' || text[i] == '\t')) {
      ++run;
      ++i;
    }
    for (std::size_t m = 12; m >= 2; --m) run = run / m + run % m;
    out.append(run, ' ');
  }
  return out;
}

std::string_view Trim(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  return text.substr(b, e - b);
}

std::string SqueezeFullWidthBlanks(std::string_view text) {
  std::string s(Trim(text));
  s = Replace(s, "\x81\x40\x81\x40\x81\x40", " ");
  s = Replace(s, "\x81\x40\x81\x40", " ");
  s = Replace(s, kFullWidthBlank, " ");
  s = Replace(s, "   ", " ");
  return Replace(s, "  ", " ");
}

std::string TrimAllBlanks(std::string_view text) {
  std::string_view s = Trim(text);
  while (true) {
    if (!s.empty() && s.front() == ' ') {
      s.remove_prefix(1);
    } else if (s.substr(0, 2) == kFullWidthBlank) {
      s.remove_prefix(2);
    } else {
      break;
    }
  }
  // From the end a full-width blank counts only when its first byte starts a
  // character; find the offset where the last character begins.
  while (!s.empty()) {
    if (s.back() == ' ') {
      s.remove_suffix(1);
      continue;
    }
    if (s.size() >= 2 && s.substr(s.size() - 2) == kFullWidthBlank &&
        SjisBoundary(s).IsBoundary(s.size() - 2)) {
      s.remove_suffix(2);
      continue;
    }
    break;
  }
  return std::string(s);
}

namespace {
std::string PadNumber(long long n, int width, char pad) {
  std::string digits = std::to_string(n);
  if (width > 0 && digits.size() < static_cast<std::size_t>(width)) {
    digits.insert(0, static_cast<std::size_t>(width) - digits.size(), pad);
  }
  return digits;
}
}  // namespace

std::string PadNumberZeros(long long n, int width) { return PadNumber(n, width, '0'); }
std::string PadNumberBlanks(long long n, int width) { return PadNumber(n, width, ' '); }

int HexToInt(std::string_view text) {
  unsigned value = 0;  // wraps like the 32-bit original instead of overflowing
  for (char ch : text) {
    const auto c = AsciiUpper(static_cast<unsigned char>(ch));
    if (c >= '0' && c <= '9') {
      value = value * 16 + (c - '0');
    } else if (c >= 'A' && c <= 'F') {
      value = value * 16 + (c - 'A' + 10);
    } else {
      value = 0;
    }
  }
  return static_cast<int>(value);
}

std::string AlignTab(std::string_view text, int width) {
  const std::size_t tab = text.find('\t');
  if (tab == npos) return std::string(text);
  const std::string_view first = text.substr(0, tab);
  const long long len = static_cast<long long>(first.size());
  const long long blanks = width < len ? 3 : width - len - 1;
  std::string out(first);
  out.append(static_cast<std::size_t>(std::max(0LL, blanks)), ' ');
  out += "\t\t";
  out += text.substr(tab + 1);
  return out;
}

std::size_t CountBackslashes(std::string_view path) {
  return static_cast<std::size_t>(std::count(path.begin(), path.end(), '/'));
}

std::string ParentFolder(std::string_view path) {
  if (!path.empty() && path.back() == '/') path.remove_suffix(1);
  const std::size_t slash = path.rfind('/');
  if (slash == npos) return {};
  if (slash == 0) return "/";  // the root keeps its one separator
  return std::string(path.substr(0, slash));
}

}  // namespace kaplo
