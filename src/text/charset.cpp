#include "text/charset.h"

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

#include "text/convert.h"
#include "text/detect.h"
#include "text/sjis.h"
#include "text/strutil.h"
#include "text/utf8_step.h"

namespace kaplo {
namespace {

struct Rule {
  std::string_view pattern;
  int code;
};

// The last matching row wins.
int LastMatch(std::string_view lowered, std::initializer_list<Rule> rules) {
  int code = 0;
  for (const Rule& r : rules) {
    if (ContainsAtBoundary(lowered, r.pattern)) code = r.code;
  }
  return code;
}

std::string ReplaceEach(std::string text, std::initializer_list<std::string_view> olds,
                        std::string_view new_text) {
  for (std::string_view old : olds) text = Replace(text, old, new_text);
  return text;
}

std::string_view WithoutBom(std::string_view text) {
  return text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text;
}

// How a reading route writes what it cannot carry over, and whether it
// squashes line breaks (the as-fetched copy keeps them for the caller).
struct Reading {
  Unmappable unmappable;
  bool squash;
  ConversionStats& stats;
};

std::string Lines(std::string s, bool squash) { return squash ? SquashLineBreaks(s) : s; }

// A code found from the bytes or from a declaration the head detection does
// not know: read as if chosen, a UTF-8 byte-order mark dropped.
std::string ReadAs(std::string_view text, int code, const Reading& r) {
  switch (code) {
    case kCharsetEucJp:
      return Lines(EucToShiftJIS(text, r.unmappable, r.stats), r.squash);
    case kCharsetUtf8:
      return Lines(Utf8ToShiftJISLenient(WithoutBom(text), r.unmappable, r.stats), r.squash);
    case kCharsetIso2022Jp:
      return Lines(JisToShiftJIS(text, r.stats), r.squash);
    default:  // Shift_JIS, ASCII
      return Lines(std::string(text), r.squash);
  }
}

// A text that declares UTF-8. When the strict reading refuses it, it is UTF-8
// with a few bad bytes (read with replacements), or a page written in another
// code than it declares (read in the code its bytes show).
std::string DeclaredUtf8(std::string_view text, const Reading& r) {
  text = WithoutBom(text);
  std::string s = Utf8ToShiftJIS(text, r.unmappable, r.stats);
  if (s.empty() && !text.empty()) {
    return ReadAs(text, IsMostlyUtf8(MeasureUtf8(text), true) ? kCharsetUtf8 : EucOrShiftJis(text), r);
  }
  return Lines(std::move(s), r.squash);
}

// The code declared anywhere in a lower-cased text, quoted or not.
int LooseDeclaredCharset(std::string_view lower) {
  return LastMatch(lower, {
                              {"charset=shift_jis", 3},
                              {"charset=shift-jis", 3},
                              {"charset=x-sjis", 3},
                              {"charset=euc-jp", 1},
                              {"charset=utf-8", 2},
                              {"charset=iso-2022", 4},
                              {"<meta charset=\"utf-8\"", 2},
                              {"<meta charset=\"shift_jis", 3},
                              {"<meta charset=\"euc-jp", 1},
                              {"<meta charset=\"shift-jis\"", 3},
                              {"<meta charset='utf-8", 2},
                              {"<meta charset='shift_jis", 3},
                              {"<meta charset='euc-jp", 1},
                              {"<meta charset='shift-jis'", 3},
                          });
}

// What the head of a text (before "</head", else "<link", else "<script")
// declares, in the order the head detection tests it.
enum class HeadDecl { kShiftJis, kEucJp, kUtf8, kIso2022Jp, kNone };

HeadDecl HeadDeclaration(std::string_view lower) {
  std::size_t end = FindAtBoundary(lower, "</head");
  if (end == std::string::npos) end = FindAtBoundary(lower, "<link");
  if (end == std::string::npos) end = FindAtBoundary(lower, "<script");
  const std::string_view h = lower.substr(0, end);
  auto has = [&](std::string_view p) { return ContainsAtBoundary(h, p); };
  if (has("shift_jis\"") || has("shift-jis\"") || has("xsjis\"") || has("x-sjis")) {
    return HeadDecl::kShiftJis;
  }
  if (has("euc-jp\"")) return HeadDecl::kEucJp;
  if (has("utf-8\"")) return HeadDecl::kUtf8;
  if (has("iso-2022-jp\"")) return HeadDecl::kIso2022Jp;
  return HeadDecl::kNone;
}

// A declaration in a form the head detection skips (unquoted, single quotes)
// in the head (before "</head" or "<body"), script start tags left out.
// lower is the text lower-cased.
int LooseHeadDeclaration(std::string_view lower) {
  const std::size_t end = std::min(FindAtBoundary(lower, "</head"), FindAtBoundary(lower, "<body"));
  return LooseDeclaredCharset(RemoveEnclosed(lower.substr(0, end), "<script", ">"));
}

HeadDecl HeadDeclOf(int code) {
  switch (code) {
    case kCharsetShiftJis: return HeadDecl::kShiftJis;
    case kCharsetEucJp: return HeadDecl::kEucJp;
    case kCharsetUtf8: return HeadDecl::kUtf8;
    case kCharsetIso2022Jp: return HeadDecl::kIso2022Jp;
    default: return HeadDecl::kNone;
  }
}

int CodeOf(HeadDecl decl) {
  switch (decl) {
    case HeadDecl::kShiftJis: return kCharsetShiftJis;
    case HeadDecl::kEucJp: return kCharsetEucJp;
    case HeadDecl::kUtf8: return kCharsetUtf8;
    case HeadDecl::kIso2022Jp: return kCharsetIso2022Jp;
    default: return kCharsetAuto;
  }
}

// The code the Content-Type names for a text that the head detection finds
// no declaration in; 0 when the text declares itself after all or the header
// names no code read here. lower is the text lower-cased.
int HeaderCode(std::string_view text, std::string_view lower, std::string_view content_type) {
  if (HeadDeclaration(lower) != HeadDecl::kNone) return kCharsetAuto;
  const int http = CharsetFromContentType(content_type);
  if (http == kCharsetAuto) return kCharsetAuto;
  // Before the header, a declaration in a form the detectors skip still
  // speaks for the text.
  if (const int declared = LooseHeadDeclaration(lower)) return declared;
  // UTF-8N drops the byte-order mark that the plain UTF-8 route keeps as "?".
  if (http == kCharsetUtf8 && text.starts_with("\xEF\xBB\xBF")) return kCharsetUtf8N;
  return http;
}

std::string HeadDetect(std::string_view text, const Reading& r) {
  const std::string lower = LowerAscii(text);
  HeadDecl decl = HeadDeclaration(lower);
  if (decl == HeadDecl::kNone) decl = HeadDeclOf(LooseHeadDeclaration(lower));
  switch (decl) {
    case HeadDecl::kShiftJis:
      return Lines(ReplaceEach(std::string(text),
                               {"Shift-JIS\"", "SHIFT-JIS\"", "XJIS\"", "X-JIS\"", "xjis\"",
                                "x-jis\""},
                               "Shift_JIS\""),
                   r.squash);
    case HeadDecl::kEucJp:
      return Lines(EucToShiftJIS(text, r.unmappable, r.stats), r.squash);
    case HeadDecl::kIso2022Jp:
      return JisToShiftJIS(text, r.stats);
    case HeadDecl::kUtf8:
      return DeclaredUtf8(text, r);
    default:  // nothing declared: the bytes tell
      return ReadAs(text, DetectCharsetFromBytes(text), r);
  }
}

std::string Decode(std::string_view text, int code, const Reading& r) {
  if (text.empty()) return {};
  switch (code) {
    case kCharsetAuto:
      return HeadDetect(text, r);
    case kCharsetEucJp:
      return Lines(EucToShiftJIS(text, r.unmappable, r.stats), r.squash);
    case kCharsetUtf8:
      return Lines(Utf8ToShiftJISOrLenient(text, r.unmappable, r.stats), r.squash);
    case kCharsetIso2022Jp:
      return Lines(JisToShiftJIS(text, r.stats), r.squash);
    case kCharsetUtf8N:
      return Lines(Utf8ToShiftJISLenient(WithoutBom(text), r.unmappable, r.stats), r.squash);
    default:  // Shift_JIS and out-of-range codes: unchanged
      return std::string(text);
  }
}

}  // namespace

std::string_view CharsetNameUtf8(int code) {
  switch (code) {
    case kCharsetAuto: return "自動";
    case kCharsetEucJp: return "EUC-JP";
    case kCharsetUtf8: return "UTF-8";
    case kCharsetShiftJis: return "Shift_JIS";
    case kCharsetIso2022Jp: return "ISO-2022-JP";
    case kCharsetUtf8N: return "UTF-8N";
    default: return {};
  }
}

std::string SquashLineBreaks(std::string_view text) {
  std::string s = Replace(text, "\r\n", "\n");
  s = Replace(s, "\n\n", "\n");
  return Replace(s, "\n", "\r\n");
}

std::string NormaliseLineBreaks(std::string_view text) {
  // CR and LF are never part of a double-byte character: bytes will do, in
  // one pass.
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  std::size_t done = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') continue;
    out.append(text, done, i - done);
    out += "\r\n";
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    done = i + 1;
  }
  out.append(text, done);
  return out;
}

int DetectDeclaredCharset(std::string_view html) {
  std::string h = LowerAscii(html);
  const std::size_t body = FindAtBoundary(h, "<body");
  if (body != std::string::npos) h.resize(body);
  h = RemoveEnclosed(h, "<script", ">");
  return LastMatch(h, {
                          {"charset=shift_jis\"", 3},
                          {"charset=shift-jis\"", 3},
                          {"charset=x-sjis\"", 3},
                          {"charset=euc-jp\"", 1},
                          {"charset=utf-8\"", 2},
                          {"charset=iso-2022", 4},
                          {"<meta charset=\"utf-8\"", 2},
                          {"<meta charset=\"shift_jis\"", 3},
                          {"<meta charset=\"euc-jp\"", 1},
                      });
}

int CharsetFromContentType(std::string_view content_type) {
  const std::string lower = LowerAscii(content_type);
  std::size_t at = lower.find("charset=");
  if (at == std::string::npos) return kCharsetAuto;
  std::string_view v = std::string_view(lower).substr(at + 8);
  v = v.substr(0, v.find_first_of("; \t\r\n,"));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'')) v = v.substr(1, v.size() - 2);
  return CharsetOfName(v);
}

int CharsetOfName(std::string_view name) {
  const std::string v = LowerAscii(name);
  static constexpr Rule kNames[] = {
      {"euc-jp", 1},      {"x-euc-jp", 1},    {"eucjp", 1},         {"euc_jp", 1},
      {"shift_jis", 3},   {"shift-jis", 3},   {"x-sjis", 3},        {"sjis", 3},
      {"windows-31j", 3}, {"cp932", 3},       {"ms_kanji", 3},      {"csshiftjis", 3},
      {"iso-2022-jp", 4}, {"csiso2022jp", 4}, {"utf-8", 2},         {"utf8", 2},
  };
  for (const Rule& r : kNames) {
    if (v == r.pattern) return r.code;
  }
  return kCharsetAuto;
}

int PageReadingCode(std::string_view text, int chosen, std::string_view content_type) {
  if (chosen != kCharsetAuto) return chosen;
  if (const int declared = DetectDeclaredCharset(text)) return declared;
  return HeaderCode(text, LowerAscii(text), content_type);
}

int TextReadingCode(std::string_view text, int chosen, std::string_view content_type) {
  if (chosen != kCharsetAuto) return chosen;
  return HeaderCode(text, LowerAscii(text), content_type);
}

CharsetDecision DecideCharset(std::string_view text, std::string_view content_type) {
  if (const int declared = DetectDeclaredCharset(text)) return {declared, CharsetSource::kText};
  const std::string lower = LowerAscii(text);
  if (const int head = CodeOf(HeadDeclaration(lower))) return {head, CharsetSource::kText};
  if (const int loose = LooseHeadDeclaration(lower)) return {loose, CharsetSource::kText};
  if (const int http = CharsetFromContentType(content_type)) return {http, CharsetSource::kHeader};
  return {DetectCharsetFromBytes(text), CharsetSource::kBytes};
}

std::string AnyCodeToShiftJIS(std::string_view text, int code, Unmappable unmappable) {
  ConversionStats stats;
  return AnyCodeToShiftJIS(text, code, unmappable, stats);
}

std::string AnyCodeToShiftJIS(std::string_view text, int code, Unmappable unmappable,
                              ConversionStats& stats) {
  return Decode(text, code, {unmappable, true, stats});
}

bool LooksLikeHtml(std::string_view text) {
  const std::string start = LowerAscii(text.substr(0, 1024));
  for (std::string_view tag : {"<!doctype", "<html", "<head", "<body"}) {
    if (ContainsAtBoundary(start, tag)) return true;
  }
  return false;
}

std::string PageToShiftJIS(std::string_view text, int code) {
  return RewriteQuotedCharsetToShiftJIS(AnyCodeToShiftJIS(text, code, Unmappable::CharRef));
}

std::string AsFetchedToShiftJIS(std::string_view text, int code, Unmappable unmappable) {
  ConversionStats stats;
  return RewriteEncodingDeclToShiftJIS(
      RewriteQuotedCharsetToShiftJIS(Decode(text, code, {unmappable, false, stats})));
}

std::string ToShiftJISKeepingText(std::string_view text, int code, Unmappable unmappable) {
  ConversionStats stats;
  return NormaliseLineBreaks(Decode(text, code, {unmappable, false, stats}));
}

std::string NormaliseCharsetToShiftJIS(std::string_view text, Unmappable unmappable,
                                       std::string_view content_type) {
  const std::string lower = LowerAscii(text);
  std::string s = SqueezeSpaces(text);
  int code = LooseDeclaredCharset(lower);
  if (code == kCharsetAuto) code = HeaderCode(text, lower, content_type);
  s = AnyCodeToShiftJIS(s, code, unmappable);
  s = Replace(s, "\"/*", "\" /*");
  return ReplaceEach(std::move(s),
                     {"charset=UTF-8\"", "charset=utf-8\"", "charset=EUC-JP\"", "charset=euc-jp\"",
                      "charset=shift_jis\"", "charset=shift-jis\"", "charset=x-sjis\"   "},
                     "charset=Shift_JIS\"");
}

std::string RewriteCharsetDeclToShiftJIS(std::string_view text) {
  std::string s = Replace(text, "\"/*", "\" /*");
  return ReplaceEach(std::move(s),
                     {"charset=UTF-8\"", "charset=utf-8\"", "charset=EUC-JP\"", "charset=euc-jp\"",
                      "charset=shift_jis\"", "charset=shift-jis\"", "charset=x_jis\"    ",
                      "charset= UTF-8?"},
                     "charset=Shift_JIS\"");
}

std::string RewriteQuotedCharsetToShiftJIS(std::string_view text) {
  std::string s = ReplaceEach(std::string(text),
                              {"\"shift_js\"", "\"euc-jp\"", "\"EUC-JP\"", "\"utf-8\"", "\"UTF-8\"",
                               "\"iso-2022-jp\"", "\"ISO-2022-JP\""},
                              "\"Shift_JIS\"");
  return NormaliseLineBreaks(s);
}

std::string RewriteEncodingDeclToShiftJIS(std::string_view text) {
  // The deletion of "cf7" that once followed here is gone: it corrupted
  // colours such as #0CF7A0.
  static constexpr std::pair<std::string_view, std::string_view> kRules[] = {
      {"encoding=\"euc-jp", "encoding=\"Shift_JIS"},
      {"encoding=\"EUC-JP", "encoding=\"Shift_JIS"},
      {"charset=euc-jp", "charset=Shift_JIS"},
      {"charset=EUC-JP", "charset=Shift_JIS"},
      {"encoding=\"utf-8", "encoding=\"Shift_JIS"},
      {"encoding=\"UTF-8", "encoding=\"Shift_JIS"},
      {"charset=utf-8", "charset=Shift_JIS"},
      {"charset=UTF-8", "charset=Shift_JIS"},
      {"encoding=\"iso-2022-jp", "encoding=\"Shift_JIS"},
      {"encoding=\"ISO-2022-JP", "encoding=\"Shift_JIS"},
      {"charset=iso-2022-jp", "charset=Shift_JIS"},
      {"charset=ISO-2022-JP", "charset=Shift_JIS"},
  };
  std::string s(text);
  for (const auto& [old_text, new_text] : kRules) s = Replace(s, old_text, new_text);
  return s;
}

std::string RewriteCharsetDeclForSave(std::string_view text, int code) {
  switch (code) {
    case kCharsetAuto:
      return ReplaceEach(std::string(text),
                         {"shift_jis\"", "s_jis\"", "sjis\"", "s-jis\"", "xjis\"", "x-jis\"",
                          "SHIFT_JIS\"", "shift-jis\"", "SHIFT-JIS\"", "S-JIS\"", "X-JIS\"",
                          "shift-jis\"", "UTF-8\"", "utf-8\"", "EUC-JP\"", "euc-jp\"",
                          "ISO-2022-JP\"", "iso-2022-jp\""},
                         "Shift_JIS\"");
    case kCharsetShiftJis:
      return ReplaceEach(std::string(text),
                         {"shift_jis\"", "s_jis\"", "sjis\"", "s-jis\"", "xjis\"", "x-sjis\"",
                          "SHIFT_JIS\"", "shift-jis\"", "SHIFT-JIS\"", "S-JIS\"", "X-SJIS\"",
                          "shift-jis\"", "UTF-8\"", "utf-8\"", "EUC-JP\"", "euc-jp\"",
                          "ISO-2022-JP\"", "iso-2022-jp\""},
                         "Shift_JIS\"");
    case kCharsetEucJp: return Replace(text, "Shift_JIS\"", "euc-jp\"");
    case kCharsetUtf8: return Replace(text, "Shift_JIS\"", "UTF-8\"");
    case kCharsetIso2022Jp: return Replace(text, "Shift_JIS\"", "iso-2022-jp\"");
    case kCharsetUtf8N: return Replace(text, "Shift_JIS\"", "utf-8\"");
    default: return std::string(text);
  }
}

std::string ConvertShiftJISForSave(std::string_view text, int code) {
  switch (code) {
    case kCharsetEucJp: return ShiftJISToEuc(text);
    case kCharsetUtf8:
    case kCharsetUtf8N: return ShiftJISToUtf8(text);
    case kCharsetIso2022Jp: return ShiftJISToJis(text);
    default: return std::string(text);
  }
}

std::string_view DeclarationName(int code) {
  switch (code) {
    case kCharsetEucJp: return "EUC-JP";
    case kCharsetUtf8:
    case kCharsetUtf8N: return "UTF-8";
    case kCharsetIso2022Jp: return "ISO-2022-JP";
    default: return "Shift_JIS";
  }
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// The value span of a name = value pair that starts at `at` in a tag: after
// the name, blanks, "=", blanks and an opening quote, up to the closing
// quote, or up to a blank, ";" or ">" unquoted.
bool ValueAfter(std::string_view t, std::size_t at, std::size_t limit, std::size_t& begin,
                std::size_t& end) {
  while (at < limit && IsBlank(t[at])) ++at;
  if (at >= limit || t[at] != '=') return false;
  ++at;
  while (at < limit && IsBlank(t[at])) ++at;
  if (at >= limit) return false;
  if (t[at] == '"' || t[at] == '\'') {
    begin = at + 1;
    end = t.find(t[at], begin);
    if (end == std::string_view::npos || end > limit) end = limit;
  } else {
    begin = at;
    end = begin;
    while (end < limit && !IsBlank(t[end]) && t[end] != '>' && t[end] != ';' && t[end] != '"' &&
           t[end] != '\'') {
      ++end;
    }
  }
  return end > begin;
}

// The first case-insensitive occurrence of a lower-case ASCII word in
// t[from, limit) that does not continue a name or a double-byte character.
std::size_t FindWord(std::string_view lower, std::string_view word, std::size_t from,
                     std::size_t limit) {
  for (std::size_t at = lower.find(word, from); at != std::string_view::npos && at < limit;
       at = lower.find(word, at + 1)) {
    const char before = at == 0 ? ' ' : lower[at - 1];
    if (IsBlank(before) || before == ';' || before == '"' || before == '\'' || before == '/' ||
        before == '<' || before == '?' || before == '@') {
      return at;
    }
  }
  return std::string_view::npos;
}

}  // namespace

std::string RewriteDeclarations(std::string_view text, int code) {
  const std::string_view name = DeclarationName(code);
  std::vector<std::pair<std::size_t, std::size_t>> spans;
  auto take = [&](std::size_t begin, std::size_t end) {
    const int named = CharsetOfName(text.substr(begin, end - begin));
    const bool same = named == code || (code == kCharsetUtf8N && named == kCharsetUtf8) ||
                      (code == kCharsetAuto && named == kCharsetShiftJis);
    if (!same) spans.emplace_back(begin, end);
  };
  // The value after a word found at `word` in the piece of the text from `at`.
  auto value = [&](std::size_t at, std::size_t word, std::size_t length, std::size_t limit) {
    std::size_t b, e;
    if (word != std::string::npos && ValueAfter(text.substr(at), word + length, limit, b, e)) {
      take(at + b, at + e);
    }
  };
  std::size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  while (start < text.size() && IsBlank(text[start])) ++start;
  // An XML declaration or a stylesheet's @charset opens the text.
  const std::string opening = LowerAscii(text.substr(start, 256));
  if (opening.starts_with("<?xml")) {
    const std::size_t close = std::min(opening.find("?>"), opening.size());
    value(start, FindWord(opening, "encoding", 0, close), 8, close);
  } else if (opening.starts_with("@charset ")) {
    const std::size_t q = opening.find('"');
    const std::size_t close = q == std::string::npos ? q : opening.find('"', q + 1);
    if (close != std::string::npos) take(start + q + 1, start + close);
  }
  // Each meta tag: its charset attribute, or the charset of its content.
  for (std::size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at + 1)) {
    if (at + 6 > text.size() || LowerAscii(text.substr(at + 1, 4)) != "meta" ||
        !(IsBlank(text[at + 5]) || text[at + 5] == '/')) {
      continue;
    }
    const std::size_t close = std::min(text.find('>', at), text.size()) - at;
    const std::string tag = LowerAscii(text.substr(at, close));
    for (std::size_t cs = FindWord(tag, "charset", 0, close); cs != std::string::npos;
         cs = FindWord(tag, "charset", cs + 7, close)) {
      value(at, cs, 7, close);
    }
  }
  std::sort(spans.begin(), spans.end());
  std::string out;
  out.reserve(text.size() + spans.size() * 8);
  std::size_t done = 0;
  for (const auto& [begin, end] : spans) {
    if (begin < done) continue;
    out.append(text, done, begin - done);
    out += name;
    done = end;
  }
  out.append(text, done);
  return out;
}

namespace {

// Every line end as CR LF, or as LF.
std::string LineEnds(std::string_view text, LineEndStyle style) {
  if (style == LineEndStyle::kCrLf) return NormaliseLineBreaks(text);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// UTF-8 as it is, each ill-formed part one U+FFFD, counted invalid.
std::string CleanUtf8(std::string_view text, ConversionStats& stats) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  std::string out;
  out.reserve(text.size());
  std::size_t done = 0;
  for (std::size_t p = 0; p < text.size();) {
    if (s[p] < 0x80) {
      ++p;
      continue;
    }
    const Utf8Step step = ReadUtf8(s, p, text.size());
    if (!step.ok) {
      ++stats.invalid;
      out.append(text, done, p - done);
      out += "\xEF\xBF\xBD";
      done = p + step.length;
    }
    p += step.length;
  }
  out.append(text, done);
  return out;
}

int Canonical(int code) {
  switch (code) {
    case kCharsetUtf8N: return kCharsetUtf8;
    case kCharsetAuto: return kCharsetShiftJis;
    default: return code;
  }
}

}  // namespace

std::string ConvertText(std::string_view text, const TextConversion& c, ConversionStats& stats) {
  int from = c.from == kCharsetAuto ? DecideCharset(text).code : Canonical(c.from);
  const int to = Canonical(c.to);
  if (from == kCharsetUtf8 && to != kCharsetUtf8) text = WithoutBom(text);
  // UTF-8 pivots for UTF-8 and EUC-JP, which hold more than Shift_JIS;
  // Shift_JIS for itself and ISO-2022-JP.
  const bool utf8_pivot = to == kCharsetUtf8 || to == kCharsetEucJp;
  std::string pivot;
  if (from == to) {
    pivot = std::string(text);
  } else if (utf8_pivot) {
    switch (from) {
      case kCharsetUtf8: pivot = CleanUtf8(text, stats); break;
      case kCharsetEucJp: pivot = EucToUtf8(text, stats); break;
      case kCharsetIso2022Jp: pivot = ShiftJISToUtf8(JisToShiftJIS(text, stats), stats); break;
      default: pivot = ShiftJISToUtf8(text, stats); break;
    }
  } else {
    switch (from) {
      case kCharsetUtf8: pivot = Utf8ToShiftJISLenient(text, c.unmappable, stats); break;
      case kCharsetEucJp: pivot = EucToShiftJIS(text, c.unmappable, stats); break;
      case kCharsetIso2022Jp: pivot = JisToShiftJIS(text, stats); break;
      default:
        stats.invalid += InvalidShiftJISSequences(text);
        pivot = std::string(text);
        break;
    }
  }
  if (c.line_ends != LineEndStyle::kKeep) pivot = LineEnds(pivot, c.line_ends);
  if (c.declarations) pivot = RewriteDeclarations(pivot, to);
  if (from == to) return pivot;
  if (to == kCharsetEucJp) return Utf8ToEuc(pivot, c.unmappable, stats);
  if (to == kCharsetIso2022Jp) return ShiftJISToJis(pivot, stats, true);
  return pivot;
}

}  // namespace kaplo
