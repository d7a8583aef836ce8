#include "text/web_escape.h"

#include <algorithm>
#include <array>

#include "text/charset.h"
#include "text/cp932.h"
#include "text/sjis.h"

namespace kaplo {
namespace {

// Where a written reference sits, for the form it takes.
enum class Place {
  kMarkup,      // text, attribute values, comments: the reference reads back
  kFormless,    // names, <xmp>, <plaintext>, data blocks: nothing reads back
  kStyle,       // CSS
  kScriptText,  // JS strings, template literals, regular expressions, comments
  kScriptCode,  // JS outside those: names, white space
};

struct Located {
  Place place;
  bool escaped;  // a backslash of the language stands right before it
};

constexpr char kHex[] = "0123456789ABCDEF";

void AppendHex(std::string& out, unsigned v, int min_digits) {
  int digits = 1;
  while (digits < 8 && (v >> (4 * digits)) != 0) ++digits;
  digits = std::max(digits, min_digits);
  for (int i = digits - 1; i >= 0; --i) out += kHex[(v >> (4 * i)) & 15];
}

bool IsJsSpace(char32_t cp) {
  return cp == 0xA0 || cp == 0x1680 || (cp >= 0x2000 && cp <= 0x200A) || cp == 0x202F ||
         cp == 0x205F || cp == 0x3000 || cp == 0xFEFF;
}

// "\u2014", or a surrogate pair beyond U+FFFF: what strings and regular
// expressions with or without the u flag read alike. An escaped place
// already has its backslash.
void AppendJsUnits(std::string& out, char32_t cp, bool escaped) {
  if (!escaped) out += '\\';
  out += 'u';
  if (cp < 0x10000) {
    AppendHex(out, static_cast<unsigned>(cp), 4);
    return;
  }
  const unsigned v = static_cast<unsigned>(cp) - 0x10000;
  AppendHex(out, 0xD800 + (v >> 10), 4);
  out += "\\u";
  AppendHex(out, 0xDC00 + (v & 0x3FF), 4);
}

// Marks of characters that only the page's own code carries: DEL, the code's
// letter, the code point in hex, DEL. Used only in texts without DEL.
constexpr char kMark = '\x7F';

std::string Form(const WrittenReference& r, Located at, std::string_view text, Unmappable how,
                 int source_code, bool marks, ConversionStats& stats) {
  std::string out;
  switch (at.place) {
    case Place::kMarkup:
      return std::string(text.substr(r.at, r.length));
    case Place::kFormless:
      ++stats.formless;
      if (how != Unmappable::SavedPage || !marks) return std::string(text.substr(r.at, r.length));
      out += kMark;
      out += source_code == kCharsetEucJp ? 'E' : 'U';
      AppendHex(out, static_cast<unsigned>(r.cp), 1);
      out += kMark;
      return out;
    case Place::kStyle:
      // The blank ends the escape and is taken with it, whatever follows.
      if (!at.escaped) out += '\\';
      AppendHex(out, static_cast<unsigned>(r.cp), r.cp > 0xFFFF ? 6 : 4);
      out += ' ';
      return out;
    case Place::kScriptText:
      AppendJsUnits(out, r.cp, at.escaped);
      return out;
    case Place::kScriptCode:
      if (r.cp == 0x2028 || r.cp == 0x2029) return "\n";
      if (IsJsSpace(r.cp)) return " ";
      if (r.cp < 0x10000) {
        AppendJsUnits(out, r.cp, false);
        return out;
      }
      out += "\\u{";  // names take a code point, not a surrogate pair
      AppendHex(out, static_cast<unsigned>(r.cp), 1);
      out += '}';
      return out;
  }
  return out;
}

// Places the references of one region of the text, handed over in order.
using RefIter = std::vector<WrittenReference>::const_iterator;

bool IsIdentByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$' || c >= 0x80;
}

// Words after which a slash starts a regular expression, not a division.
bool KeywordBeforeOperand(std::string_view w) {
  static constexpr std::string_view kWords[] = {
      "return", "typeof", "instanceof", "in", "of", "new", "delete", "void",
      "throw",  "case",   "do",         "else", "yield", "await"};
  return std::find(std::begin(kWords), std::end(kWords), w) != std::end(kWords);
}

// A light JavaScript lexer over text[begin, end): enough to tell strings,
// template literals, regular expressions and comments from code.
void PlaceScript(std::string_view text, std::size_t begin, std::size_t end, RefIter& ref,
                 RefIter refs_end, TextBytes bytes, std::vector<Located>& out) {
  enum State { kCode, kSingle, kDouble, kTemplate, kLine, kBlock, kRegex, kClass } state = kCode;
  bool escaped = false;
  bool operand_next = true;  // a slash here starts a regular expression
  std::string word;
  std::vector<int> template_depth;  // brace depth at each open "${"
  int depth = 0;
  auto text_state = [&] { return state != kCode && state != kLine && state != kBlock; };
  std::size_t i = begin;
  while (i < end && ref != refs_end) {
    if (ref->at == i) {
      if (state == kCode) {
        out.push_back({Place::kScriptCode, false});
        operand_next = false;
        word = "x";
      } else if (state == kLine || state == kBlock) {
        out.push_back({Place::kScriptText, false});
      } else {
        out.push_back({Place::kScriptText, escaped});
        escaped = false;
      }
      i += ref->length;
      ++ref;
      continue;
    }
    if (ref->at < i) {  // inside a character: cannot happen for a converter's output
      out.push_back({Place::kMarkup, false});
      ++ref;
      continue;
    }
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t len = bytes == TextBytes::kShiftJis ? SjisCharLength(text, i) : 1;
    const char next = i + 1 < end ? text[i + 1] : '\0';
    if (text_state() && escaped) {
      escaped = false;
      // A line continuation takes a CR LF whole.
      i += c == '\r' && next == '\n' ? 2 : len;
      continue;
    }
    switch (state) {
      case kCode:
        if (IsIdentByte(c) || len == 2) {
          if (word.empty() || !IsIdentByte(static_cast<unsigned char>(text[i - 1]))) word.clear();
          word.append(text.substr(i, len));
          operand_next = false;
          break;
        }
        if (c == '\\') {  // a \u escape in a name
          operand_next = false;
          break;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') break;
        if (!word.empty() && KeywordBeforeOperand(word)) operand_next = true;
        word.clear();
        if (c == '/' && next == '/') {
          state = kLine;
          ++i;
        } else if (c == '/' && next == '*') {
          state = kBlock;
          ++i;
        } else if (c == '/') {
          if (operand_next) {
            state = kRegex;
          } else {
            operand_next = true;
          }
        } else if (c == '<' && text.substr(i, 4) == "<!--") {
          state = kLine;
        } else if (c == '\'') {
          state = kSingle;
        } else if (c == '"') {
          state = kDouble;
        } else if (c == '`') {
          state = kTemplate;
        } else if (c == '{') {
          ++depth;
          operand_next = true;
        } else if (c == '}') {
          if (!template_depth.empty() && depth == template_depth.back() + 1) {
            template_depth.pop_back();
            state = kTemplate;
          }
          --depth;
          operand_next = false;
        } else if (c == ')' || c == ']') {
          operand_next = false;
        } else if ((c == '+' || c == '-') && next == c) {
          ++i;  // "i++ / 2" divides: ++ and -- leave the expression as it was
        } else {
          operand_next = true;
        }
        break;
      case kSingle:
      case kDouble:
        if (c == '\\') {
          escaped = true;
        } else if (c == (state == kSingle ? '\'' : '"') || c == '\n' || c == '\r') {
          state = kCode;
          operand_next = false;
        }
        break;
      case kTemplate:
        if (c == '\\') {
          escaped = true;
        } else if (c == '`') {
          state = kCode;
          operand_next = false;
        } else if (c == '$' && next == '{') {
          template_depth.push_back(depth++);
          state = kCode;
          operand_next = true;
          ++i;
        }
        break;
      case kLine:
        if (c == '\n' || c == '\r') state = kCode;
        break;
      case kBlock:
        if (c == '*' && next == '/') {
          state = kCode;
          ++i;
        }
        break;
      case kRegex:
      case kClass:
        if (c == '\\') {
          escaped = true;
        } else if (c == '\n' || c == '\r') {
          state = kCode;
        } else if (state == kClass) {
          if (c == ']') state = kRegex;
        } else if (c == '[') {
          state = kClass;
        } else if (c == '/') {
          state = kCode;
          operand_next = false;
          word = "x";  // the flags follow as a word
        }
        break;
    }
    i += len;
  }
}

// Whether the character at i follows an odd run of backslashes.
bool AfterBackslash(std::string_view text, std::size_t begin, std::size_t i, TextBytes bytes) {
  std::size_t n = 0;
  while (i > begin && text[i - 1] == '\\' &&
         (bytes == TextBytes::kAsciiSafe || StartsCharacterAt(text, i - 1))) {
    ++n;
    --i;
  }
  return n % 2 == 1;
}

std::string LowerName(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(AsciiLower(static_cast<unsigned char>(c)));
  return out;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// How a script element's content is read, from its type attribute.
Place ScriptPlace(std::string_view type) {
  std::string t = LowerName(type);
  t.erase(0, t.find_first_not_of(" \t\r\n"));
  t.erase(t.find_last_not_of(" \t\r\n") + 1);
  t = t.substr(0, t.find(';'));
  if (t.empty() || t == "module" || t == "importmap" || t == "speculationrules") {
    return Place::kScriptCode;
  }
  for (std::string_view js : {"javascript", "ecmascript", "jscript", "livescript", "json",
                              "babel", "jsx", "typescript"}) {
    if (t.find(js) != std::string::npos) return Place::kScriptCode;
  }
  // Templates are inserted as markup, where references read back.
  for (std::string_view markup : {"template", "html", "tmpl", "handlebars", "mustache"}) {
    if (t.find(markup) != std::string::npos) return Place::kMarkup;
  }
  return Place::kFormless;
}

// The end of a raw text element's content: its end tag, or the end of the text.
std::size_t RawTextEnd(std::string_view text, std::size_t from, std::string_view name) {
  for (std::size_t at = text.find("</", from); at != std::string_view::npos;
       at = text.find("</", at + 2)) {
    if (at + 2 + name.size() > text.size()) break;
    if (LowerName(text.substr(at + 2, name.size())) != name) continue;
    const char after = at + 2 + name.size() < text.size() ? text[at + 2 + name.size()] : '>';
    if (IsSpace(after) || after == '>' || after == '/') return at;
  }
  return text.size();
}

// Walks the markup of an HTML text and places every reference.
class MarkupWalker {
 public:
  MarkupWalker(std::string_view text, const std::vector<WrittenReference>& refs, TextBytes bytes)
      : text_(text), bytes_(bytes), ref_(refs.begin()), end_(refs.end()) {}

  std::vector<Located> Run() {
    std::size_t pos = 0;
    while (ref_ != end_) {
      const std::size_t lt = text_.find('<', pos);
      Until(lt == std::string_view::npos ? text_.size() : lt, Place::kMarkup);
      if (lt == std::string_view::npos) break;
      pos = Tag(lt);
    }
    return std::move(out_);
  }

 private:
  // Every reference before `end` is in `place`.
  void Until(std::size_t end, Place place) {
    for (; ref_ != end_ && ref_->at < end; ++ref_) out_.push_back({place, false});
  }

  std::size_t Skip(std::string_view close, std::size_t from) {
    const std::size_t at = text_.find(close, from);
    const std::size_t end = at == std::string_view::npos ? text_.size() : at + close.size();
    Until(end, Place::kMarkup);
    return end;
  }

  static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

  // The tag at lt; returns where the text goes on.
  std::size_t Tag(std::size_t lt) {
    const std::string_view t = text_;
    if (t.substr(lt, 4) == "<!--") return Skip("-->", lt + 4);
    if (lt + 1 < t.size() && (t[lt + 1] == '!' || t[lt + 1] == '?')) return Skip(">", lt + 1);
    if (lt + 2 < t.size() && t[lt + 1] == '/' && IsLetter(t[lt + 2])) return Skip(">", lt + 2);
    if (lt + 1 >= t.size() || !IsLetter(t[lt + 1])) return lt + 1;
    std::size_t i = lt + 1;
    const std::size_t name_begin = i;
    while (i < t.size() && !IsSpace(t[i]) && t[i] != '/' && t[i] != '>') ++i;
    const std::string name = LowerName(t.substr(name_begin, i - name_begin));
    Until(i, Place::kFormless);
    std::string_view type;
    while (i < t.size() && t[i] != '>') {
      if (IsSpace(t[i]) || t[i] == '/') {
        ++i;
        continue;
      }
      const std::size_t attr = i;
      while (i < t.size() && !IsSpace(t[i]) && t[i] != '/' && t[i] != '>' &&
             (t[i] != '=' || i == attr)) {
        ++i;
      }
      const std::string attr_name = LowerName(t.substr(attr, i - attr));
      Until(i, Place::kFormless);
      std::size_t j = i;
      while (j < t.size() && IsSpace(t[j])) ++j;
      if (j >= t.size() || t[j] != '=') continue;
      ++j;
      while (j < t.size() && IsSpace(t[j])) ++j;
      std::size_t value = j, value_end;
      if (j < t.size() && (t[j] == '"' || t[j] == '\'')) {
        value = j + 1;
        value_end = t.find(t[j], value);
        if (value_end == std::string_view::npos) value_end = t.size();
        i = std::min(value_end + 1, t.size());
      } else {
        value_end = j;
        while (value_end < t.size() && !IsSpace(t[value_end]) && t[value_end] != '>') ++value_end;
        i = value_end;
      }
      if (attr_name == "type") type = t.substr(value, value_end - value);
      Until(i, Place::kMarkup);
    }
    const std::size_t content = std::min(i + 1, t.size());
    Until(content, Place::kMarkup);
    if (name == "plaintext") {
      Until(t.size(), Place::kFormless);
      return t.size();
    }
    Place place;
    if (name == "script") {
      place = ScriptPlace(type);
    } else if (name == "style") {
      place = Place::kStyle;
    } else if (name == "xmp") {
      place = Place::kFormless;
    } else if (name == "textarea" || name == "title" || name == "noscript" || name == "iframe" ||
               name == "noembed" || name == "noframes") {
      place = Place::kMarkup;  // references read back, or the content is never shown
    } else {
      return content;
    }
    const std::size_t end = RawTextEnd(t, content, name);
    if (place == Place::kScriptCode) {
      PlaceScript(t, content, end, ref_, end_, bytes_, out_);
      Until(end, Place::kMarkup);  // none left; kept for safety
    } else if (place == Place::kStyle) {
      for (; ref_ != end_ && ref_->at < end; ++ref_) {
        out_.push_back({Place::kStyle, AfterBackslash(t, content, ref_->at, bytes_)});
      }
    } else {
      Until(end, place);
    }
    return end;
  }

  std::string_view text_;
  TextBytes bytes_;
  RefIter ref_, end_;
  std::vector<Located> out_;
};

}  // namespace

std::string EscapeWrittenReferences(std::string_view text, const std::vector<WrittenReference>& refs,
                                    Unmappable how, int source_code, ConversionStats& stats,
                                    TextBytes bytes) {
  if (refs.empty() || how == Unmappable::Question) return std::string(text);
  std::vector<Located> places;
  if (how == Unmappable::StyleEscape) {
    for (const WrittenReference& r : refs) {
      places.push_back({Place::kStyle, AfterBackslash(text, 0, r.at, bytes)});
    }
  } else if (how == Unmappable::ScriptEscape) {
    RefIter it = refs.begin();
    PlaceScript(text, 0, text.size(), it, refs.end(), bytes, places);
  } else {
    places = MarkupWalker(text, refs, bytes).Run();
  }
  places.resize(refs.size(), {Place::kMarkup, false});
  const bool marks = text.find(kMark) == std::string_view::npos;
  std::string out;
  out.reserve(text.size() + refs.size() * 4);
  std::size_t done = 0;
  for (std::size_t k = 0; k < refs.size(); ++k) {
    const WrittenReference& r = refs[k];
    if (r.at < done || r.at + r.length > text.size()) continue;
    out.append(text, done, r.at - done);
    out += Form(r, places[k], text, how, source_code, marks, stats);
    done = r.at + r.length;
  }
  out.append(text, done);
  return out;
}

namespace {

struct Mark {
  std::size_t at, length;
  char code;
  char32_t cp;
};

// The mark at text[at] (a DEL), if it is one.
bool ReadMark(std::string_view text, std::size_t at, Mark& m) {
  if (at + 4 > text.size() || (text[at + 1] != 'U' && text[at + 1] != 'E')) return false;
  char32_t cp = 0;
  std::size_t i = at + 2;
  for (; i < text.size() && i < at + 9; ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') cp = cp * 16 + static_cast<char32_t>(c - '0');
    else if (c >= 'A' && c <= 'F') cp = cp * 16 + static_cast<char32_t>(c - 'A' + 10);
    else break;
  }
  if (i == at + 2 || i >= text.size() || text[i] != kMark || cp > 0x10FFFF) return false;
  m = {at, i + 1 - at, text[at + 1], cp};
  return true;
}

std::string Utf8Of(char32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

// The EUC-JP bytes of a character read from an EUC-JP page.
std::string EucOf(char32_t cp) {
  if (cp < 0x10000) {
    const cp932::JisTables& jis = cp932::Jis();
    if (const std::uint16_t j = jis.to_jis0212[cp]) {
      return {'\x8F', static_cast<char>((j >> 8) | 0x80), static_cast<char>((j & 0xFF) | 0x80)};
    }
    if (const std::uint16_t s = jis.row_pair[cp]) {
      const BytePair j = ShiftJISPairToJis(static_cast<unsigned char>(s >> 8),
                                           static_cast<unsigned char>(s));
      return {static_cast<char>(j.first | 0x80), static_cast<char>(j.second | 0x80)};
    }
  }
  return "?";
}

char FirstMarkCode(std::string_view page) {
  for (std::size_t at = page.find(kMark); at != std::string_view::npos;
       at = page.find(kMark, at + 1)) {
    Mark m;
    if (ReadMark(page, at, m)) return m.code;
  }
  return 0;
}

}  // namespace

std::string_view SavedPageCharset(std::string_view page) {
  switch (FirstMarkCode(page)) {
    case 'U': return "UTF-8";
    case 'E': return "EUC-JP";
    default: return "Shift_JIS";
  }
}

namespace {

// The text in the code of its first mark ('E' EUC-JP, else UTF-8), each
// mark its character.
std::string Restore(std::string_view page, char code) {
  auto convert = [code](std::string_view sjis) {
    return code == 'E' ? ShiftJISToEuc(sjis) : ShiftJISToUtf8(sjis);
  };
  std::string out;
  out.reserve(page.size() + page.size() / 2);
  std::size_t done = 0;
  for (std::size_t at = page.find(kMark); at != std::string_view::npos;
       at = page.find(kMark, at + 1)) {
    Mark m;
    if (!ReadMark(page, at, m)) continue;
    out += convert(page.substr(done, at - done));
    out += code == 'E' ? EucOf(m.cp) : Utf8Of(m.cp);
    done = at + m.length;
    at = done - 1;
  }
  out += convert(page.substr(done));
  return out;
}

}  // namespace

std::string RestoreOwnCode(std::string_view page) {
  const char code = FirstMarkCode(page);
  return code == 0 ? std::string(page) : Restore(page, code);
}

std::string MarkedShiftJISToUtf8(std::string_view sjis) { return Restore(sjis, 'U'); }

std::string SavedPageToShiftJIS(std::string_view page) {
  ConversionStats stats;
  switch (DetectDeclaredCharset(page)) {
    case kCharsetUtf8: return Utf8ToShiftJISLenient(page, Unmappable::SavedPage, stats);
    case kCharsetEucJp: return EucToShiftJIS(page, Unmappable::SavedPage, stats);
    default: return std::string(page);
  }
}

}  // namespace kaplo
