#include "engine/references.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

#include "text/sjis.h"

namespace kaplo {
namespace {

constexpr std::size_t npos = std::string_view::npos;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == ':';
}

// A double-byte character at i takes two bytes; its second byte may look
// like "\\" or a letter, never like "<", ">", "=", quotes or blanks.
bool Wide(std::string_view s, std::size_t i) { return SjisCharLength(s, i) == 2; }

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

// The first "</name" at or after from (name lower case); npos when none.
// "<" is never the second byte of a double-byte character, so bytes do.
std::size_t FindEndTag(std::string_view s, std::string_view name, std::size_t from) {
  for (std::size_t at = s.find("</", from); at != npos; at = s.find("</", at + 2)) {
    if (StartsWithNoCase(s, at + 2, name)) {
      const std::size_t after = at + 2 + name.size();
      if (after >= s.size() || !IsNameChar(s[after])) return at;
    }
  }
  return npos;
}

bool Listable(std::string_view value) {
  if (value.empty() || value[0] == '#') return false;
  for (std::string_view scheme :
       {"data:", "blob:", "javascript:", "about:", "mailto:", "tel:", "vbscript:", "#"}) {
    if (StartsWithNoCase(value, 0, scheme)) return false;
  }
  return true;
}

// entities: the value stands in an HTML attribute, where "&amp;" is "&".
void Add(std::string_view text, std::size_t begin, std::size_t end, RefRole role, bool in_css,
         char quote, bool in_head, bool entities, std::vector<FoundReference>& out) {
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  const std::string_view raw = text.substr(begin, end - begin);
  std::string value = entities ? ReadEntities(raw) : std::string(raw);
  if (!Listable(value)) return;
  out.push_back({begin, end, std::move(value), role, in_css, entities, quote, in_head});
}

// ---------------------------------------------------------------------------
// Stylesheets

bool IsFontFile(std::string_view value) {
  const std::string path = LowerCopy(value.substr(0, value.find_first_of("?#")));
  for (std::string_view ext : {".woff2", ".woff", ".ttf", ".otf", ".eot"}) {
    if (path.ends_with(ext)) return true;
  }
  return false;
}

bool IsCodeFile(std::string_view value) {
  const std::string path = LowerCopy(value.substr(0, value.find_first_of("?#")));
  for (std::string_view ext : {".htc", ".css", ".js", ".xml"}) {
    if (path.ends_with(ext)) return true;
  }
  return false;
}

// CSS escapes read: "\28" and "\(" are "(".
std::string ReadCssEscapes(std::string_view s) {
  if (s.find('\\') == npos) return std::string(s);
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (Wide(s, i)) {
      out += s[i];
      out += s[++i];
      continue;
    }
    if (s[i] != '\\' || i + 1 >= s.size()) {
      out += s[i];
      continue;
    }
    std::size_t j = i + 1;
    unsigned value = 0;
    int digits = 0;
    while (j < s.size() && digits < 6 && std::isxdigit(static_cast<unsigned char>(s[j]))) {
      value = value * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(s[j]))
                                                     ? s[j] - '0'
                                                     : Lower(s[j]) - 'a' + 10);
      ++j;
      ++digits;
    }
    if (digits == 0) {
      out += s[j];
      i = j;
      continue;
    }
    if (j < s.size() && IsBlank(s[j])) ++j;
    // An ASCII character stays itself; others are kept as written.
    if (value > 0 && value < 0x80) {
      out += static_cast<char>(value);
    } else {
      out.append(s.substr(i, j - i));
    }
    i = j - 1;
  }
  return out;
}

// Reads CSS inside text[from, to). In an HTML attribute the quotes of the
// style may be written as entities.
class CssScanner {
 public:
  CssScanner(std::string_view text, std::size_t from, std::size_t to, bool in_attribute,
             bool in_head, std::vector<FoundReference>& out)
      : s_(text), from_(from), to_(to), attr_(in_attribute), head_(in_head), out_(out) {}

  void Run() {
    std::size_t i = from_;
    int depth = 0;
    int font_depth = -1;  // the brace depth of the @font-face rule we are in
    while (i < to_) {
      const char c = s_[i];
      if (Wide(s_, i)) {
        i += 2;
        continue;
      }
      if (c == '/' && i + 1 < to_ && s_[i + 1] == '*') {
        const std::size_t close = s_.find("*/", i + 2);
        i = (close == npos || close + 2 > to_) ? to_ : close + 2;
        continue;
      }
      std::size_t qb, qe, qa;
      char quote;
      if (QuoteAt(i, qb, qe, qa, quote)) {
        i = qa;  // a string that is no address
        continue;
      }
      if (c == '\\') {
        i += 2;
        continue;
      }
      if (c == '{') {
        ++depth;
      } else if (c == '}') {
        if (depth == font_depth) font_depth = -1;
        --depth;
      } else if (c == '@') {
        if (StartsWithNoCase(s_, i, "@import")) {
          i = Import(i + 7);
          continue;
        }
        if (StartsWithNoCase(s_, i, "@font-face")) font_depth = depth + 1;
      } else if ((c == 'u' || c == 'U') && !Ident(i) && StartsWithNoCase(s_, i, "url(")) {
        i = Url(i + 4, font_depth >= 0 ? RefRole::kFont : RefRole::kImage);
        continue;
      } else if ((c == 'i' || c == 'I') && !Ident(i) && StartsWithNoCase(s_, i, "image-set(")) {
        i = ImageSet(i + 10);
        continue;
      }
      ++i;
    }
  }

 private:
  bool Ident(std::size_t at) const {
    return at > from_ && (IsNameChar(s_[at - 1]) && s_[at - 1] != ':');
  }

  // A quote at at (a character, or in an attribute an entity): the
  // content's range and what follows the closing quote.
  bool QuoteAt(std::size_t at, std::size_t& begin, std::size_t& end, std::size_t& after,
               char& quote) const {
    static constexpr std::array<std::pair<std::string_view, char>, 5> kQuotes = {
        {{"\"", '"'}, {"'", '\''}, {"&quot;", '"'}, {"&#34;", '"'}, {"&#39;", '\''}}};
    for (const auto& [q, ch] : kQuotes) {
      if (q.size() > 1 && !attr_) break;
      if (s_.compare(at, q.size(), q) != 0) continue;
      std::size_t p = at + q.size();
      while (p < to_) {
        if (Wide(s_, p)) {
          p += 2;
          continue;
        }
        if (s_[p] == '\\') {
          p += 2;
          continue;
        }
        if (s_.compare(p, q.size(), q) == 0 || s_[p] == '\n') break;
        ++p;
      }
      begin = at + q.size();
      end = std::min(p, to_);
      after = std::min(p < to_ && s_[p] != '\n' ? p + q.size() : p, to_);
      quote = ch;
      return true;
    }
    return false;
  }

  std::size_t SkipBlanks(std::size_t i) const {
    while (i < to_ && IsBlank(s_[i])) ++i;
    return i;
  }

  void Emit(std::size_t begin, std::size_t end, RefRole role, char quote) {
    const std::size_t first = out_.size();
    Add(s_, begin, end, role, true, quote, head_, attr_, out_);
    if (out_.size() == first) return;
    FoundReference& r = out_.back();
    r.value = ReadCssEscapes(r.value);
    if (!Listable(r.value)) {
      out_.pop_back();
      return;
    }
    if (role == RefRole::kImage) {
      if (IsFontFile(r.value)) r.role = RefRole::kFont;
      else if (IsCodeFile(r.value)) r.role = RefRole::kFile;
    }
  }

  // url( ... ): quoted or not. Returns where scanning goes on.
  std::size_t Url(std::size_t i, RefRole role) {
    i = SkipBlanks(i);
    std::size_t b, e, a;
    char quote;
    if (QuoteAt(i, b, e, a, quote)) {
      Emit(b, e, role, quote);
      const std::size_t close = s_.find(')', a);
      return close == npos || close >= to_ ? a : close + 1;
    }
    std::size_t p = i;
    while (p < to_ && s_[p] != ')') p += Wide(s_, p) ? 2 : (s_[p] == '\\' ? 2 : 1);
    p = std::min(p, to_);
    Emit(i, p, role, 0);
    return p < to_ ? p + 1 : p;
  }

  std::size_t Import(std::size_t i) {
    i = SkipBlanks(i);
    std::size_t b, e, a;
    char quote;
    if (QuoteAt(i, b, e, a, quote)) {
      Emit(b, e, RefRole::kStylesheet, quote);
      return a;
    }
    if (StartsWithNoCase(s_, i, "url(")) return Url(i + 4, RefRole::kStylesheet);
    return i;
  }

  // image-set("a.png" 1x, url(b.png) 2x)
  std::size_t ImageSet(std::size_t i) {
    int depth = 1;
    while (i < to_ && depth > 0) {
      if (Wide(s_, i)) {
        i += 2;
        continue;
      }
      std::size_t b, e, a;
      char quote;
      if (QuoteAt(i, b, e, a, quote)) {
        if (depth == 1) Emit(b, e, RefRole::kImage, quote);
        i = a;
        continue;
      }
      if (StartsWithNoCase(s_, i, "url(")) {
        i = Url(i + 4, RefRole::kImage);
        continue;
      }
      if (s_[i] == '(') ++depth;
      if (s_[i] == ')') --depth;
      ++i;
    }
    return i;
  }

  std::string_view s_;
  std::size_t from_, to_;
  bool attr_, head_;
  std::vector<FoundReference>& out_;
};

// ---------------------------------------------------------------------------
// Pages

struct Attribute {
  std::string name;  // lower case
  std::size_t begin = 0, end = 0;
  char quote = 0;
  bool has_value = false;
};

// Elements whose content is not markup.
constexpr std::string_view kRawElements[] = {"script", "style",    "textarea", "title",    "xmp",
                                             "noembed", "noscript", "iframe",   "plaintext"};

bool IsRaw(std::string_view name) {
  return std::find(std::begin(kRawElements), std::end(kRawElements), name) !=
         std::end(kRawElements);
}

bool HasWord(std::string_view list, std::string_view word) {
  std::string have = " " + LowerCopy(list) + " ";
  for (char& c : have) {
    if (IsBlank(c)) c = ' ';
  }
  return have.find(" " + std::string(word) + " ") != std::string::npos;
}

// Markup that scripts write

class ScriptMarkupScanner {
 public:
  ScriptMarkupScanner(std::string_view text, bool in_head, std::vector<FoundReference>& out)
      : s_(text), head_(in_head), out_(out) {}

  // The code in [from, to): its comments skipped, its strings read.
  void Run(std::size_t from, std::size_t to) {
    std::size_t i = from;
    while (i < to) {
      const char c = s_[i];
      if (Wide(s_, i)) {
        i += 2;
      } else if (c == '/' && i + 1 < to && s_[i + 1] == '/') {
        const std::size_t eol = s_.find('\n', i);
        i = eol == npos || eol > to ? to : eol;
      } else if (c == '/' && i + 1 < to && s_[i + 1] == '*') {
        const std::size_t close = s_.find("*/", i + 2);
        i = close == npos || close + 2 > to ? to : close + 2;
      } else if (c == '"' || c == '\'' || c == '`') {
        std::size_t j = i + 1;
        while (j < to && s_[j] != c && (c == '`' || s_[j] != '\n')) {
          j += Wide(s_, j) || s_[j] == '\\' ? 2 : 1;
        }
        j = std::min(j, to);
        Literal(i + 1, j);
        i = j + 1;
      } else {
        ++i;
      }
    }
  }

 private:
  struct Value {
    std::string name;  // lower case
    std::size_t begin = 0, end = 0;
    char quote = 0;
  };

  bool Blank(std::size_t at) const { return at < end_ && IsBlank(s_[at]); }

  // A string's text [b, e): every <script>, <img> and <link> tag in it.
  void Literal(std::size_t b, std::size_t e) {
    end_ = e;
    // Searched within the string alone: a large script has many strings.
    const std::string_view text = s_.substr(b, e - b);
    for (std::size_t at = text.find('<'); at != npos; at = text.find('<', at + 1)) {
      const std::size_t lt = b + at;
      std::string element;
      for (std::string_view name : {"script", "img", "link"}) {
        const std::size_t after = lt + 1 + name.size();
        if (StartsWithNoCase(s_, lt + 1, name) && after < e &&
            (IsBlank(s_[after]) || s_[after] == '/' || s_[after] == '\\')) {
          element = name;
        }
      }
      if (!element.empty()) Tag(element, lt + 1 + element.size());
    }
  }

  // Skips blanks, and the escapes a string writes them with.
  std::size_t SkipBlanks(std::size_t p) const {
    while (p < end_) {
      if (IsBlank(s_[p]) || s_[p] == '/') {
        ++p;
      } else if (s_[p] == '\\' && p + 1 < end_ &&
                 (s_[p + 1] == 'n' || s_[p + 1] == 't' || s_[p + 1] == 'r' || s_[p + 1] == '/')) {
        p += 2;
      } else {
        break;
      }
    }
    return p;
  }

  void Tag(const std::string& element, std::size_t p) {
    std::vector<Value> values;
    while ((p = SkipBlanks(p)) < end_ && s_[p] != '>') {
      const std::size_t name_begin = p;
      while (p < end_ && !IsBlank(s_[p]) && s_[p] != '=' && s_[p] != '>' && s_[p] != '\\') ++p;
      if (p == name_begin) return;  // an escape that is no quote: not markup to read
      Value v{LowerCopy(s_.substr(name_begin, p - name_begin))};
      while (p < end_ && IsBlank(s_[p])) ++p;
      if (p >= end_ || s_[p] != '=') continue;
      ++p;
      while (p < end_ && IsBlank(s_[p])) ++p;
      // A quote, or an escaped one (\" in a string quoted by ").
      std::string_view quote;
      if (p < end_ && (s_[p] == '"' || s_[p] == '\'')) quote = s_.substr(p, 1);
      if (p + 1 < end_ && s_[p] == '\\' && (s_[p + 1] == '"' || s_[p + 1] == '\'')) {
        quote = s_.substr(p, 2);
      }
      if (!quote.empty()) {
        v.begin = p + quote.size();
        const std::size_t close = s_.substr(0, end_).find(quote, v.begin);
        // Not closed in the string: the value is put together by the code.
        if (close == npos) return;
        v.end = close;
        v.quote = quote.back();
        p = close + quote.size();
      } else {
        v.begin = p;
        while (p < end_ && !IsBlank(s_[p]) && s_[p] != '>' && s_[p] != '\\') ++p;
        v.end = p;
      }
      values.push_back(std::move(v));
    }
    const auto find = [&](std::string_view name) -> const Value* {
      for (const Value& v : values) {
        if (v.name == name) return &v;
      }
      return nullptr;
    };
    if (element == "script") {
      if (const Value* v = find("src")) Emit(*v, RefRole::kScript);
    } else if (element == "img") {
      if (const Value* v = find("src")) Emit(*v, RefRole::kImage);
    } else if (const Value* href = find("href")) {
      const Value* rel = find("rel");
      const std::string_view rel_text =
          rel ? s_.substr(rel->begin, rel->end - rel->begin) : std::string_view();
      if (HasWord(rel_text, "stylesheet")) {
        Emit(*href, RefRole::kStylesheet);
      } else if (HasWord(rel_text, "icon")) {
        Emit(*href, RefRole::kImage);
      }
    }
  }

  void Emit(const Value& v, RefRole role) {
    std::size_t begin = v.begin, end = v.end;
    while (begin < end && IsBlank(s_[begin])) ++begin;
    while (end > begin && IsBlank(s_[end - 1])) --end;
    const std::string_view raw = s_.substr(begin, end - begin);
    // "\/" is "/"; any other escape, or a template's ${...}, is code's doing.
    std::string value;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (Wide(raw, i)) {
        value += raw.substr(i, 2);
        ++i;
      } else if (raw[i] == '\\') {
        if (i + 1 >= raw.size() || raw[i + 1] != '/') return;
        value += '/';
        ++i;
      } else {
        value += raw[i];
      }
    }
    if (value.find("${") != npos) return;
    value = ReadEntities(value);
    if (!Listable(value)) return;
    out_.push_back({begin, end, std::move(value), role, false, true, v.quote, head_, true});
  }

  std::string_view s_;
  bool head_;
  std::vector<FoundReference>& out_;
  std::size_t end_ = 0;  // the end of the string being read
};

enum class ValueKind { kAddress, kCandidates };

struct Rule {
  std::string_view element;  // "*" for any
  std::string_view attribute;
  RefRole role;
  ValueKind kind = ValueKind::kAddress;
};

// Attributes that hold addresses, by element. <link>, <source>, <input>,
// <param> and SVG links are decided in code below.
constexpr Rule kRules[] = {
    {"a", "href", RefRole::kLink},
    {"area", "href", RefRole::kLink},
    {"form", "action", RefRole::kLink},
    {"img", "src", RefRole::kImage},
    {"img", "srcset", RefRole::kImage, ValueKind::kCandidates},
    {"img", "data-src", RefRole::kImage},
    {"img", "data-srcset", RefRole::kImage, ValueKind::kCandidates},
    {"source", "data-srcset", RefRole::kImage, ValueKind::kCandidates},
    {"source", "srcset", RefRole::kImage, ValueKind::kCandidates},
    {"*", "data-original", RefRole::kImage},
    {"video", "poster", RefRole::kImage},
    {"video", "src", RefRole::kMedia},
    {"audio", "src", RefRole::kMedia},
    {"track", "src", RefRole::kFile},
    {"embed", "src", RefRole::kFile},
    {"object", "data", RefRole::kFile},
    {"script", "src", RefRole::kScript},
    {"body", "background", RefRole::kImage},
    {"table", "background", RefRole::kImage},
    {"td", "background", RefRole::kImage},
    {"th", "background", RefRole::kImage},
    {"tr", "background", RefRole::kImage},
    {"iframe", "src", RefRole::kFrame},
    {"frame", "src", RefRole::kFrame},
};

class PageScanner {
 public:
  explicit PageScanner(std::string_view page) : s_(page) {}

  PageScan Run() {
    const std::size_t n = s_.size();
    std::size_t i = 0;
    while ((i = s_.find('<', i)) != npos) {
      if (s_.compare(i, 4, "<!--") == 0) {
        const std::size_t close = s_.find("-->", i + 4);
        if (close == npos) break;
        i = close + 3;
        continue;
      }
      if (i + 1 < n && (s_[i + 1] == '!' || s_[i + 1] == '?')) {
        const std::size_t close = s_.find('>', i + 2);
        if (close == npos) break;
        i = close + 1;
        continue;
      }
      if (i + 1 < n && s_[i + 1] == '/') {
        std::size_t p = i + 2;
        const std::size_t name_begin = p;
        while (p < n && IsNameChar(s_[p])) ++p;
        const std::string name = LowerCopy(s_.substr(name_begin, p - name_begin));
        if (name == "video" || name == "audio") in_media_ = false;
        const std::size_t close = s_.find('>', p);
        if (close == npos) break;
        i = close + 1;
        continue;
      }
      if (i + 1 >= n || !std::isalpha(static_cast<unsigned char>(s_[i + 1]))) {
        ++i;
        continue;
      }
      i = StartTag(i);
    }
    return std::move(scan_);
  }

 private:
  std::string_view Value(const Attribute& a) const { return s_.substr(a.begin, a.end - a.begin); }

  const Attribute* Find(const std::vector<Attribute>& attrs, std::string_view name) const {
    for (const Attribute& a : attrs) {
      if (a.name == name) return &a;
    }
    return nullptr;
  }

  // Parses the tag at lt; returns where scanning goes on.
  std::size_t StartTag(std::size_t lt) {
    const std::size_t n = s_.size();
    std::size_t p = lt + 1;
    const std::size_t name_begin = p;
    while (p < n && IsNameChar(s_[p])) ++p;
    const std::string element = LowerCopy(s_.substr(name_begin, p - name_begin));
    std::vector<Attribute> attrs;
    while (p < n && s_[p] != '>') {
      if (IsBlank(s_[p]) || s_[p] == '/') {
        ++p;
        continue;
      }
      const std::size_t a = p;
      ++p;  // a name may start with "="
      while (p < n && !IsBlank(s_[p]) && s_[p] != '=' && s_[p] != '>' && s_[p] != '/') ++p;
      Attribute attr{LowerCopy(s_.substr(a, p - a))};
      std::size_t q = p;
      while (q < n && IsBlank(s_[q])) ++q;
      if (q < n && s_[q] == '=') {
        p = q + 1;
        while (p < n && IsBlank(s_[p])) ++p;
        attr.has_value = true;
        if (p < n && (s_[p] == '"' || s_[p] == '\'')) {
          attr.quote = s_[p];
          const std::size_t close = s_.find(s_[p], p + 1);
          attr.begin = p + 1;
          attr.end = close == npos ? n : close;
          p = close == npos ? n : close + 1;
        } else {
          attr.begin = p;
          while (p < n && !IsBlank(s_[p]) && s_[p] != '>') ++p;
          attr.end = p;
        }
      } else {
        attr.begin = attr.end = p;
      }
      attrs.push_back(std::move(attr));
    }
    const std::size_t tag_end = std::min(p + 1, n);
    Element(element, attrs, lt, tag_end);
    if (IsRaw(element)) {
      const std::size_t close = FindEndTag(s_, element, tag_end);
      const std::size_t content_end = close == npos ? n : close;
      if (element == "style") {
        CssScanner(s_, tag_end, content_end, false, !in_body_, scan_.references).Run();
      }
      if (element == "script" && IsCode(attrs)) {
        ScriptMarkupScanner(s_, !in_body_, scan_.references).Run(tag_end, content_end);
      }
      if (element == "plaintext") return n;
      return content_end;
    }
    return tag_end;
  }

  // A script element that holds code (not data or a template).
  bool IsCode(const std::vector<Attribute>& attrs) const {
    const Attribute* type = Find(attrs, "type");
    if (!type || !type->has_value) return true;
    const std::string t = LowerCopy(Value(*type));
    return t.empty() || t == "module" || t.find("javascript") != npos ||
           t.find("ecmascript") != npos || t.find("jscript") != npos;
  }

  void AddValue(const Attribute& a, RefRole role, ValueKind kind) {
    if (!a.has_value) return;
    if (kind == ValueKind::kCandidates) {
      const std::size_t first = scan_.references.size();
      ScanCandidates(s_, a.begin, a.end, role, scan_.references);
      for (std::size_t k = first; k < scan_.references.size(); ++k) {
        scan_.references[k].quote = a.quote;
        scan_.references[k].in_head = !in_body_;
      }
      return;
    }
    Add(s_, a.begin, a.end, role, false, a.quote, !in_body_, true, scan_.references);
  }

  void Element(const std::string& element, const std::vector<Attribute>& attrs, std::size_t lt,
               std::size_t tag_end) {
    if (element == "body") in_body_ = true;
    if (element == "frameset") scan_.frameset = true;
    if (element == "video" || element == "audio") in_media_ = true;
    if (element == "head" && !scan_.has_head) {
      scan_.has_head = true;
      scan_.head_content_begin = tag_end;
    }
    if (element == "base" && !scan_.has_base) {
      if (const Attribute* href = Find(attrs, "href"); href && href->has_value) {
        scan_.has_base = true;
        scan_.base_href = ReadEntities(Value(*href));
        scan_.base_tag_begin = lt;
        scan_.base_tag_end = tag_end;
      }
      return;
    }
    if (element == "meta") {
      Meta(attrs);
      return;
    }
    // A script or stylesheet said to be in another code is saved in Shift_JIS.
    if (element == "script" || element == "link") {
      if (const Attribute* cs = Find(attrs, "charset"); cs && cs->has_value && cs->end > cs->begin) {
        scan_.charsets.push_back({cs->begin, cs->end});
      }
    }
    for (const Attribute& a : attrs) {
      if (a.name == "style" && a.has_value) {
        CssScanner(s_, a.begin, a.end, true, !in_body_, scan_.references).Run();
        continue;
      }
      if (element == "link" && a.name == "href") {
        if (const auto role = LinkRole(attrs)) AddValue(a, *role, ValueKind::kAddress);
        continue;
      }
      if (element == "source" && a.name == "src") {
        AddValue(a, in_media_ ? RefRole::kMedia : RefRole::kImage, ValueKind::kAddress);
        continue;
      }
      if (element == "input" && a.name == "src") {
        const Attribute* type = Find(attrs, "type");
        if (type && LowerCopy(Value(*type)) == "image") {
          AddValue(a, RefRole::kImage, ValueKind::kAddress);
        }
        continue;
      }
      if (element == "param" && a.name == "value") {
        const Attribute* name = Find(attrs, "name");
        const std::string n = name ? LowerCopy(Value(*name)) : std::string();
        if (n == "movie" || n == "src") AddValue(a, RefRole::kFile, ValueKind::kAddress);
        continue;
      }
      if ((element == "image" || element == "use") && (a.name == "href" || a.name == "xlink:href")) {
        AddValue(a, RefRole::kImage, ValueKind::kAddress);
        continue;
      }
      for (const Rule& rule : kRules) {
        if ((rule.element == "*" || rule.element == element) && rule.attribute == a.name) {
          AddValue(a, rule.role, rule.kind);
          break;
        }
      }
    }
  }

  // What a <link> loads by its rel (and, for a preload, its as).
  std::optional<RefRole> LinkRole(const std::vector<Attribute>& attrs) const {
    const Attribute* rel_attr = Find(attrs, "rel");
    if (!rel_attr) return std::nullopt;
    const std::string_view rel = Value(*rel_attr);
    if (HasWord(rel, "stylesheet")) return RefRole::kStylesheet;
    for (std::string_view icon :
         {"icon", "apple-touch-icon", "apple-touch-icon-precomposed", "mask-icon"}) {
      if (HasWord(rel, icon)) return RefRole::kImage;
    }
    if (HasWord(rel, "modulepreload")) return RefRole::kScript;
    if (HasWord(rel, "manifest")) return RefRole::kFile;
    if (HasWord(rel, "preload")) {
      const Attribute* as_attr = Find(attrs, "as");
      const std::string as = as_attr ? LowerCopy(Value(*as_attr)) : std::string();
      if (as == "style") return RefRole::kStylesheet;
      if (as == "script") return RefRole::kScript;
      if (as == "font") return RefRole::kFont;
      if (as == "image") return RefRole::kImage;
      return RefRole::kFile;
    }
    return std::nullopt;  // links to other pages and hints: left as they are
  }

  void Meta(const std::vector<Attribute>& attrs) {
    if (const Attribute* cs = Find(attrs, "charset"); cs && cs->has_value) {
      scan_.charsets.push_back({cs->begin, cs->end});
      return;
    }
    const Attribute* content = Find(attrs, "content");
    const Attribute* equiv = Find(attrs, "http-equiv");
    if (!content || !equiv || LowerCopy(Value(*equiv)) != "content-type") return;
    const std::string lower = LowerCopy(Value(*content));
    const std::size_t at = lower.find("charset=");
    if (at == npos) return;
    std::size_t b = at + 8;
    while (b < lower.size() && IsBlank(lower[b])) ++b;
    std::size_t e = b;
    while (e < lower.size() && !IsBlank(lower[e]) && lower[e] != ';' && lower[e] != '"' &&
           lower[e] != '\'') {
      ++e;
    }
    if (e > b) scan_.charsets.push_back({content->begin + b, content->begin + e});
  }

  std::string_view s_;
  PageScan scan_;
  bool in_body_ = false;
  bool in_media_ = false;
};

}  // namespace

bool IsFetchedRole(RefRole role) { return role != RefRole::kFrame && role != RefRole::kLink; }

std::string ReadEntities(std::string_view value) {
  if (value.find('&') == npos) return std::string(value);
  static constexpr std::pair<std::string_view, char> kNamed[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (Wide(value, i)) {
      out += value[i];
      out += value[++i];
      continue;
    }
    if (value[i] != '&') {
      out += value[i];
      continue;
    }
    bool done = false;
    for (const auto& [name, ch] : kNamed) {
      if (StartsWithNoCase(value, i, name)) {
        out += ch;
        i += name.size() - 1;
        done = true;
        break;
      }
    }
    if (done) continue;
    if (i + 2 < value.size() && value[i + 1] == '#') {
      const bool hex = value[i + 2] == 'x' || value[i + 2] == 'X';
      std::size_t j = i + (hex ? 3 : 2);
      unsigned long code = 0;
      const std::size_t digits_begin = j;
      while (j < value.size() && (hex ? std::isxdigit(static_cast<unsigned char>(value[j]))
                                      : std::isdigit(static_cast<unsigned char>(value[j])))) {
        code = code * (hex ? 16 : 10) +
               static_cast<unsigned long>(std::isdigit(static_cast<unsigned char>(value[j]))
                                              ? value[j] - '0'
                                              : Lower(value[j]) - 'a' + 10);
        if (code > 0x10FFFF) break;
        ++j;
      }
      // Only ASCII is read here; any other character stays a reference,
      // read where the address is made UTF-8.
      if (j > digits_begin && code > 0 && code < 0x80) {
        out += static_cast<char>(code);
        i = (j < value.size() && value[j] == ';') ? j : j - 1;
        continue;
      }
    }
    out += '&';
  }
  return out;
}

void ScanCandidates(std::string_view text, std::size_t from, std::size_t to, RefRole role,
                    std::vector<FoundReference>& out) {
  std::size_t p = from;
  while (p < to) {
    while (p < to && (IsBlank(text[p]) || text[p] == ',')) ++p;
    if (p >= to) break;
    const std::size_t begin = p;
    while (p < to && !IsBlank(text[p])) p += Wide(text, p) ? 2 : 1;
    p = std::min(p, to);
    std::size_t end = p;
    bool ended = false;
    while (end > begin && text[end - 1] == ',') {
      --end;
      ended = true;
    }
    Add(text, begin, end, role, false, 0, false, true, out);
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

PageScan ScanPage(std::string_view page) { return PageScanner(page).Run(); }

void ScanScriptMarkup(std::string_view text, std::size_t from, std::size_t to, bool in_head,
                      std::vector<FoundReference>& out) {
  ScriptMarkupScanner(text, in_head, out).Run(from, std::min(to, text.size()));
}

void ScanStylesheet(std::string_view css, std::size_t base, std::vector<FoundReference>& out) {
  const std::size_t first = out.size();
  CssScanner(css, 0, css.size(), false, false, out).Run();
  for (std::size_t i = first; i < out.size(); ++i) {
    out[i].begin += base;
    out[i].end += base;
  }
}

std::vector<FoundReference> ScanStylesheet(std::string_view css) {
  std::vector<FoundReference> out;
  ScanStylesheet(css, 0, out);
  return out;
}

CharsetDeclaration StylesheetCharset(std::string_view css) {
  std::size_t at = 0;
  if (css.starts_with("\xEF\xBB\xBF")) at = 3;
  if (css.compare(at, 10, "@charset \"") != 0) return {};
  const std::size_t begin = at + 10;
  const std::size_t end = css.find('"', begin);
  if (end == npos || end - begin > 40) return {};
  return {begin, end};
}

}  // namespace kaplo
