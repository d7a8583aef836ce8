#include "engine/modern_resources.h"

#include <algorithm>
#include <cctype>

#include "text/sjis.h"

namespace kaplo {

using Value = ModernPattern::Value;

// Images of <img> and of <picture>'s <source>, lazy loading, video posters,
// the <link> rows, and inline styles.
const std::vector<ModernPattern> kModernPagePatterns = {
    {"img", "srcset", Value::kCandidates, {}, ModernKind::kImage},
    {"source", "srcset", Value::kCandidates, {}, ModernKind::kImage},
    {"img", "data-src", Value::kAddress, {}, ModernKind::kImage},
    {"source", "data-src", Value::kAddress, {}, ModernKind::kImage},
    {"img", "data-srcset", Value::kCandidates, {}, ModernKind::kImage},
    {"source", "data-srcset", Value::kCandidates, {}, ModernKind::kImage},
    {"*", "data-original", Value::kAddress, {}, ModernKind::kImage},
    {"video", "poster", Value::kAddress, {}, ModernKind::kImage},
    {"link", "href", Value::kAddress, "icon apple-touch-icon apple-touch-icon-precomposed",
     ModernKind::kImage},
    // A preload is a font, an image or another file by its "as" (a
    // stylesheet or script preload is left to the stylesheet stages).
    {"link", "href", Value::kAddress, "preload", ModernKind::kFile},
    {"link", "href", Value::kAddress, "manifest", ModernKind::kFile},
    {"*", "style", Value::kCss, {}, ModernKind::kImage},
};

namespace {

constexpr std::size_t npos = std::string_view::npos;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool StartsWithNoCase(std::string_view s, std::size_t at, std::string_view word) {
  if (at + word.size() > s.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (Lower(s[at + i]) != word[i]) return false;
  }
  return true;
}

std::string LowerCopy(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Lower(c);
  return out;
}

// The first place of word (lower case) at or after from, on a character
// boundary; npos when there is none.
std::size_t FindNoCase(std::string_view s, std::string_view word, std::size_t from) {
  for (std::size_t i = from; i < s.size();) {
    if (StartsWithNoCase(s, i, word)) return i;
    i += IsSjisLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
  }
  return npos;
}

std::string Unescape(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s.compare(i, 5, "&amp;") == 0) {
      out += '&';
      i += 4;
    } else {
      out += s[i];
    }
  }
  return out;
}

bool Listable(std::string_view address) {
  if (address.empty() || address[0] == '#') return false;
  for (std::string_view scheme : {"data:", "blob:", "javascript:", "about:", "mailto:"}) {
    if (StartsWithNoCase(address, 0, scheme)) return false;
  }
  return true;
}

void Add(std::string_view text, std::size_t begin, std::size_t end, ModernKind kind,
         std::vector<ModernReference>& out) {
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  const std::string address = Unescape(text.substr(begin, end - begin));
  if (Listable(address)) out.push_back({begin, end, address, kind});
}

bool IsFontFile(std::string_view address) {
  std::string path = LowerCopy(address.substr(0, address.find_first_of("?#")));
  for (std::string_view ext : {".woff2", ".woff", ".ttf", ".otf", ".eot"}) {
    if (path.ends_with(ext)) return true;
  }
  return false;
}

// A quoted CSS string or an HTML-escaped quote at at: its content's range.
bool QuotedAt(std::string_view s, std::size_t at, std::size_t limit, std::size_t& begin,
              std::size_t& end, std::size_t& after) {
  for (std::string_view quote : {"\"", "'", "&quot;", "&#39;", "&#34;"}) {
    if (s.compare(at, quote.size(), quote) != 0) continue;
    const std::size_t close = s.find(quote, at + quote.size());
    if (close == npos || close > limit) return false;
    begin = at + quote.size();
    end = close;
    after = close + quote.size();
    return true;
  }
  return false;
}

// url(...) and the strings of image-set(...) in css[from, to), at their
// places offset by base.
void ScanCss(std::string_view text, std::size_t from, std::size_t to,
             std::vector<ModernReference>& out) {
  // The ranges of @font-face rules: every address in them is a font.
  std::vector<std::pair<std::size_t, std::size_t>> fonts;
  for (std::size_t at = from; (at = FindNoCase(text, "@font-face", at)) < to;) {
    const std::size_t close = text.find('}', at);
    fonts.emplace_back(at, std::min(close, to));
    at = std::min(close, to);
  }
  auto kind_at = [&](std::size_t at, std::string_view address) {
    for (const auto& [b, e] : fonts) {
      if (at >= b && at < e) return ModernKind::kFont;
    }
    return IsFontFile(address) ? ModernKind::kFont : ModernKind::kImage;
  };
  const std::size_t first = out.size();
  for (std::size_t at = from; (at = FindNoCase(text, "url(", at)) < to;) {
    // An imported stylesheet is the stylesheet stages' own.
    std::size_t back = at;
    while (back > from && IsBlank(text[back - 1])) --back;
    const bool import = back >= from + 7 && StartsWithNoCase(text, back - 7, "@import");
    std::size_t p = at + 4;
    while (p < to && IsBlank(text[p])) ++p;
    std::size_t begin, end, after;
    if (!QuotedAt(text, p, to, begin, end, after)) {
      begin = p;
      end = text.find(')', p);
      if (end == npos || end > to) break;
    }
    if (!import) Add(text, begin, end, ModernKind::kImage, out);
    at = end;
  }
  // image-set("a.png" 1x, "b.png" 2x): its strings are addresses too.
  for (std::size_t at = from; (at = FindNoCase(text, "image-set(", at)) < to;) {
    std::size_t p = at + 10;
    int depth = 1;
    for (; p < to && depth > 0; ++p) {
      if (text[p] == '(') ++depth;
      if (text[p] == ')') --depth;
      std::size_t begin, end, after;
      if (depth == 1 && QuotedAt(text, p, to, begin, end, after)) {
        Add(text, begin, end, ModernKind::kImage, out);
        p = after - 1;
      }
    }
    at = p;
  }
  for (std::size_t i = first; i < out.size(); ++i) out[i].kind = kind_at(out[i].begin, out[i].address);
}

// srcset: "address descriptors, address descriptors, ..."; an address may
// hold commas, only a trailing one ends it.
void ScanCandidates(std::string_view text, std::size_t from, std::size_t to, ModernKind kind,
                    std::vector<ModernReference>& out) {
  std::size_t p = from;
  while (p < to) {
    while (p < to && (IsBlank(text[p]) || text[p] == ',')) ++p;
    if (p >= to) break;
    const std::size_t begin = p;
    while (p < to && !IsBlank(text[p])) ++p;
    std::size_t end = p;
    bool ended = false;
    while (end > begin && text[end - 1] == ',') {
      --end;
      ended = true;
    }
    Add(text, begin, end, kind, out);
    if (ended) continue;
    // The descriptors, up to the comma that ends the candidate.
    int depth = 0;
    for (; p < to; ++p) {
      if (text[p] == '(') ++depth;
      if (text[p] == ')') --depth;
      if (text[p] == ',' && depth <= 0) break;
    }
  }
}

struct Attribute {
  std::string name;  // lower case
  std::size_t begin = 0, end = 0;  // the value
};

bool HasKeyword(std::string_view list, std::string_view keywords) {
  const std::string have = " " + LowerCopy(list) + " ";
  std::size_t at = 0;
  while (at < keywords.size()) {
    const std::size_t end = std::min(keywords.find(' ', at), keywords.size());
    const std::string word = " " + std::string(keywords.substr(at, end - at)) + " ";
    if (have.find(word) != std::string::npos) return true;
    at = end + 1;
  }
  return false;
}

}  // namespace

std::vector<ModernReference> FindModernPageReferences(std::string_view page) {
  std::vector<ModernReference> out;
  const std::size_t n = page.size();
  std::size_t i = 0;
  while ((i = page.find('<', i)) != npos) {
    if (page.compare(i, 4, "<!--") == 0) {
      const std::size_t close = page.find("-->", i + 4);
      if (close == npos) break;
      i = close + 3;
      continue;
    }
    std::size_t p = i + 1;
    const std::size_t name_begin = p;
    while (p < n && (std::isalnum(static_cast<unsigned char>(page[p])) || page[p] == '-')) ++p;
    if (p == name_begin) {
      i = p;
      continue;
    }
    const std::string element = LowerCopy(page.substr(name_begin, p - name_begin));
    std::vector<Attribute> attributes;
    while (p < n && page[p] != '>') {
      if (IsBlank(page[p]) || page[p] == '/') {
        ++p;
        continue;
      }
      const std::size_t a = p;
      while (p < n && !IsBlank(page[p]) && page[p] != '=' && page[p] != '>' && page[p] != '/') ++p;
      Attribute attr{LowerCopy(page.substr(a, p - a))};
      while (p < n && IsBlank(page[p])) ++p;
      if (p < n && page[p] == '=') {
        ++p;
        while (p < n && IsBlank(page[p])) ++p;
        if (p < n && (page[p] == '"' || page[p] == '\'')) {
          const std::size_t close = page.find(page[p], p + 1);
          attr.begin = p + 1;
          attr.end = close == npos ? n : close;
          p = close == npos ? n : close + 1;
        } else {
          attr.begin = p;
          while (p < n && !IsBlank(page[p]) && page[p] != '>') ++p;
          attr.end = p;
        }
      } else {
        attr.begin = attr.end = p;
      }
      attributes.push_back(std::move(attr));
    }
    const std::size_t tag_end = std::min(p + 1, n);
    auto value = [&](std::string_view name) {
      for (const Attribute& a : attributes) {
        if (a.name == name) return page.substr(a.begin, a.end - a.begin);
      }
      return std::string_view();
    };
    for (const Attribute& a : attributes) {
      for (const ModernPattern& row : kModernPagePatterns) {
        if ((row.element != "*" && row.element != element) || row.attribute != a.name) continue;
        ModernKind kind = row.kind;
        if (!row.rel.empty()) {
          if (!HasKeyword(value("rel"), row.rel)) continue;
          const std::string as = LowerCopy(value("as"));
          // Preloaded stylesheets and scripts are the stylesheet stages' own.
          if (as == "style" || as == "script") continue;
          if (as == "font") kind = ModernKind::kFont;
          if (as == "image") kind = ModernKind::kImage;
        }
        switch (row.value) {
          case Value::kAddress: Add(page, a.begin, a.end, kind, out); break;
          case Value::kCandidates: ScanCandidates(page, a.begin, a.end, kind, out); break;
          case Value::kCss: ScanCss(page, a.begin, a.end, out); break;
        }
        break;  // one row per attribute
      }
    }
    i = tag_end;
    // A style block's addresses; a script's text holds no tags.
    if (element == "style" || element == "script") {
      const std::size_t close = FindNoCase(page, element == "style" ? "</style" : "</script", i);
      if (element == "style") ScanCss(page, i, close == npos ? n : close, out);
      if (close == npos) break;
      i = close;
    }
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const auto& a, const auto& b) { return a.begin < b.begin; });
  return out;
}

std::vector<ModernReference> FindStylesheetReferences(std::string_view css) {
  std::vector<ModernReference> out;
  ScanCss(css, 0, css.size(), out);
  std::stable_sort(out.begin(), out.end(),
                   [](const auto& a, const auto& b) { return a.begin < b.begin; });
  return out;
}

std::string RewriteReferences(std::string_view text, const std::vector<ModernReference>& refs,
                              const std::function<std::string(const ModernReference&)>& local_of) {
  std::string out;
  out.reserve(text.size());
  std::size_t at = 0;
  for (const ModernReference& ref : refs) {
    if (ref.begin < at || ref.end > text.size()) continue;  // overlapping: the first wins
    const std::string local = local_of(ref);
    if (local.empty()) continue;
    out.append(text, at, ref.begin - at);
    out += local;
    at = ref.end;
  }
  out.append(text, at);
  return out;
}

std::string RelativePath(std::string_view from_folder, std::string_view file) {
  auto split = [](std::string_view s) {
    std::vector<std::string_view> parts;
    for (std::size_t at = 0; at <= s.size();) {
      const std::size_t end = std::min(s.find('/', at), s.size());
      if (end > at) parts.push_back(s.substr(at, end - at));
      at = end + 1;
    }
    return parts;
  };
  const auto from = split(from_folder), to = split(file);
  std::size_t common = 0;
  while (common < from.size() && common + 1 < to.size() && from[common] == to[common]) ++common;
  std::string out;
  for (std::size_t i = common; i < from.size(); ++i) out += "../";
  for (std::size_t i = common; i < to.size(); ++i) {
    out += to[i];
    if (i + 1 < to.size()) out += '/';
  }
  return out;
}

}  // namespace kaplo
