#include "text/charset.h"

#include <initializer_list>
#include <utility>

#include "text/convert.h"
#include "text/sjis.h"
#include "text/strutil.h"

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

std::string DropLeadingQuestion(std::string text) {
  if (!text.empty() && text.front() == '?') text.erase(0, 1);
  return text;
}

// The line-break rule of a reading route: squashed, or left for the caller.
std::string Lines(std::string s, bool squash) { return squash ? SquashLineBreaks(s) : s; }

std::string Utf8Route(std::string_view text, Unmappable unmappable, bool squash) {
  std::string s = Utf8ToShiftJIS(text, unmappable);
  if (s.empty()) s = std::string(text);  // not UTF-8: taken to be Shift_JIS
  return Lines(DropLeadingQuestion(std::move(s)), squash);
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

// The code the Content-Type names for a text that the head detection finds
// no declaration in; 0 when the text declares itself after all or the header
// names no code read here. lower is the text lower-cased.
int HeaderCode(std::string_view text, std::string lower, std::string_view content_type) {
  if (HeadDeclaration(lower) != HeadDecl::kNone) return kCharsetAuto;
  const int http = CharsetFromContentType(content_type);
  if (http == kCharsetAuto) return kCharsetAuto;
  // Before the header, a declaration in a form the detectors skip (unquoted,
  // single quotes) in the head still speaks for the text.
  const std::size_t body = FindAtBoundary(lower, "<body");
  if (body != std::string::npos) lower.resize(body);
  if (const int declared = LooseDeclaredCharset(RemoveEnclosed(lower, "<script", ">"))) {
    return declared;
  }
  // UTF-8N drops the byte-order mark that the plain UTF-8 route keeps as "?".
  if (http == kCharsetUtf8 && text.starts_with("\xEF\xBB\xBF")) return kCharsetUtf8N;
  return http;
}

std::string HeadDetect(std::string_view text, Unmappable unmappable, bool squash) {
  switch (HeadDeclaration(LowerAscii(text))) {
    case HeadDecl::kShiftJis:
      return Lines(ReplaceEach(std::string(text),
                               {"Shift-JIS\"", "SHIFT-JIS\"", "XJIS\"", "X-JIS\"", "xjis\"",
                                "x-jis\""},
                               "Shift_JIS\""),
                   squash);
    case HeadDecl::kEucJp:
      return Lines(EucToShiftJIS(text), squash);
    case HeadDecl::kIso2022Jp:
      return JisToShiftJIS(text);
    default:  // declared UTF-8, or nothing: UTF-8 when the bytes are
      return Utf8Route(text, unmappable, squash);
  }
}

std::string Decode(std::string_view text, int code, Unmappable unmappable, bool squash) {
  if (text.empty()) return {};
  switch (code) {
    case kCharsetAuto:
      return HeadDetect(text, unmappable, squash);
    case kCharsetEucJp:
      return Lines(EucToShiftJIS(text), squash);
    case kCharsetUtf8: {
      std::string s = Utf8ToShiftJIS(text, unmappable);
      if (s.empty()) s = Utf8ToShiftJISLenient(text, unmappable);
      return Lines(std::move(s), squash);
    }
    case kCharsetIso2022Jp:
      return Lines(JisToShiftJIS(text), squash);
    case kCharsetUtf8N:
      return Lines(DropLeadingQuestion(Utf8ToShiftJISLenient(text, unmappable)), squash);
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

std::string AnyCodeToShiftJIS(std::string_view text, int code, Unmappable unmappable) {
  return Decode(text, code, unmappable, true);
}

std::string PageToShiftJIS(std::string_view text, int code) {
  return RewriteQuotedCharsetToShiftJIS(AnyCodeToShiftJIS(text, code, Unmappable::CharRef));
}

std::string AsFetchedToShiftJIS(std::string_view text, int code, Unmappable unmappable) {
  return RewriteEncodingDeclToShiftJIS(
      RewriteQuotedCharsetToShiftJIS(Decode(text, code, unmappable, false)));
}

std::string ToShiftJISKeepingText(std::string_view text, int code, Unmappable unmappable) {
  return NormaliseLineBreaks(Decode(text, code, unmappable, false));
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

}  // namespace kaplo
