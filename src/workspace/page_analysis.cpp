#include "workspace/page_analysis.h"

#include "engine/local_path.h"
#include "engine/url.h"
#include "text/charset.h"
#include "text/convert.h"
#include "text/normalise.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"

namespace kaplo {
namespace {

constexpr auto npos = std::string_view::npos;

std::string WithoutQuotes(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c != '"' && c != '\'') out.push_back(c);
  }
  return out;
}

// A reference resolves as a browser resolves it (a name holding "http" is
// a name); a local page's as a file URL, "file://" taken off again so the
// result is a path.
std::string ResolveReference(std::string_view address, std::string_view ref) {
  std::string base(address);
  if (!IsHttpUrl(base) && !base.starts_with("file://")) base = "file://" + base;
  return ReplaceFirstExact(ResolveUrl(base, ref), "file://", "");
}

bool Stopped(const std::atomic<bool>* stop) { return stop && stop->load(); }

// The lines of a text: a final line end does not start another line.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The file a resolved local reference names. Resolving percent-codes what a
// file URL cannot hold (blanks, non-ASCII names as UTF-8), so a path that is
// not there as written is looked for decoded too; "+" stays "+" in a path.
std::string ExistingLocalFile(const std::string& path) {
  if (LocalFileExists(path)) return path;
  if (path.find('%') == std::string::npos) return {};
  // Each run of escapes is UTF-8 of its own; the rest is already Shift_JIS.
  std::string out, run;
  const auto flush = [&] {
    const std::string sjis = Utf8ToShiftJIS(run);
    out += sjis.empty() ? run : sjis;
    run.clear();
  };
  for (std::size_t i = 0; i < path.size(); ++i) {
    const int hi = i + 2 < path.size() && path[i] == '%' ? HexDigit(path[i + 1]) : -1;
    const int lo = hi < 0 ? -1 : HexDigit(path[i + 2]);
    if (lo < 0) {
      flush();
      out += path[i];
      continue;
    }
    run += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  flush();
  return LocalFileExists(out) ? out : std::string();
}

std::string OpenMarker(std::string_view address) {
  return SJ<"▼▼▼【 ">() + std::string(address) + SJ<" 】▽▽▽">();
}

std::string CloseMarker(std::string_view address) {
  return SJ<"△△△【 ">() + std::string(address) + SJ<" 】▲▲▲">();
}

std::string AddressOfLine(const std::string& line) {
  const std::size_t tab = line.find('\t');
  return tab == std::string::npos ? line : line.substr(tab + 1);
}

}  // namespace

void GetDHTMLCSSList(std::string_view address, std::string_view text, ListedReferences& listed,
                     std::vector<std::string>& list) {
  std::string t = SqueezeSpaces(LowerAscii(text));
  if (const std::size_t body = FindAtBoundary(t, "<body"); body != npos) t.resize(body);
  std::vector<std::string> candidates;
  static constexpr std::string_view kPairs[][2] = {
      {" href=\"", "\""},     {" href='", "'"},      {"@import url(\"", "\""},
      {"@import url('", "'"}, {"@import url(", ")"}, {"@import \"", "\""},
  };
  for (const auto& pair : kPairs) CollectBetween(t, pair[0], pair[1], candidates);
  for (const std::string& candidate : candidates) {
    const std::string ref = WithoutQuotes(Trim(candidate));
    if (!ContainsAtBoundary(ref, ".css")) continue;
    const std::string resolved = WithoutQuotes(ResolveReference(address, ref));
    if (!listed.insert(ref).second) continue;
    list.push_back(ref + "\t" + resolved);
  }
}

void GetDHTMLJSList(std::string_view address, std::string_view text,
                    std::vector<std::string>& list) {
  std::vector<std::string> candidates;
  CollectBetween(text, " src=\"", "\"", candidates);
  CollectBetween(text, " src='", "'", candidates);
  // CollectBetween repeats a value for each earlier close it cuts through;
  // a script is listed, and combined, once.
  std::set<std::string> seen;
  for (const std::string& candidate : candidates) {
    const std::string ref(Trim(candidate));
    if (!seen.insert(ref).second) continue;
    if (!ContainsAtBoundary(ref, ".js")) continue;
    bool junk = false;
    for (std::string_view bad : {".json", " ", "+", "\""})
      junk = junk || ContainsAtBoundary(ref, bad);
    if (junk) continue;
    list.push_back(ref + "\t" + ResolveReference(address, ref));
  }
}

bool IsFramesetPage(std::string_view text) {
  return ContainsAtBoundary(LowerAscii(text), "<frameset");
}

bool HasLiveIframe(std::string_view text) {
  const std::string lower = LowerAscii(text);
  return ContainsAtBoundary(lower, "<iframe") && !ContainsAtBoundary(lower, "<!-- ==<iframe");
}

std::string CommentOutFirstIframe(std::string_view text) {
  // Lower-casing keeps every byte where it was, so offsets carry over.
  const std::string lower = LowerAscii(text);
  const std::size_t open = FindAtBoundary(lower, "<iframe ");
  if (open == npos) return std::string(text);
  const std::size_t close = FindAtBoundary(lower, ">", open);
  if (close == npos) return std::string(text);
  std::string out(text.substr(0, open));
  out += "<!-- " + SJ<"●●">() + " ";
  out += text.substr(open, close + 1 - open);
  out += " " + SJ<"●●">() + "-->";
  out += text.substr(close + 1);
  return out;
}

std::string CombineFiles(Fetcher& fetcher, const CombineRequest& request) {
  std::vector<std::string> out;
  if (!request.files) return {};
  // Imports appended to the list being walked are walked too when the
  // caller passes the same vector; index, not iterators, for that reason.
  for (std::size_t i = 0; i < request.files->size() && i < request.max_files; ++i) {
    if (Stopped(request.stop)) break;
    const std::string address = AddressOfLine((*request.files)[i]);
    std::string raw;
    if (IsHttpUrl(address)) {
      raw = fetcher.FetchText(address);
    } else if (const std::string file = request.web_page ? "" : ExistingLocalFile(address);
               !file.empty()) {
      raw = LoadTextFile(file);
    } else {
      continue;  // a web page's file reference is never read from disk
    }
    const std::string text = AnyCodeToShiftJIS(raw, request.code);
    if (request.imports && request.listed) {
      GetDHTMLCSSList(address, text, *request.listed, *request.imports);
    }
    if (request.read_files) request.read_files->push_back(address);
    out.push_back(OpenMarker(address));
    out.insert(out.end(), 2, std::string());
    for (std::string_view line : SplitLines(text)) out.emplace_back(line);
    out.insert(out.end(), 2, std::string());
    out.push_back(CloseMarker(address));
  }
  std::string joined;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (i) joined += "\r\n";
    joined += out[i];
  }
  return joined;
}

std::string CombinedFileText(std::string_view combined, std::string_view address) {
  const std::string open = OpenMarker(address), close = CloseMarker(address);
  const std::size_t from = combined.find(open);
  if (from == npos) return {};
  const std::size_t to = combined.find(close, from + open.size());
  if (to == npos) return {};
  return std::string(combined.substr(from, to + close.size() - from));
}

PageAnalysis AnalysePage(Fetcher& fetcher, std::string_view address, const AnalysisOptions& options,
                         const std::atomic<bool>* stop) {
  PageAnalysis a;
  a.address = std::string(Trim(address));
  if (a.address.starts_with("file://")) a.address.erase(0, 7);
  a.web = IsHttpUrl(a.address);
  a.raw = a.web ? fetcher.FetchText(a.address) : LoadTextFile(a.address);
  a.read = !a.raw.empty();
  if (!a.read) return a;

  if (options.html_code == kCharsetAuto) {
    a.text = AnyCodeToShiftJIS(a.raw, DetectDeclaredCharset(a.raw), Unmappable::CharRef);
  } else {
    // The text is read in the code the user chose: left in its own bytes it
    // would be shown and searched as if it were Shift_JIS.
    a.text = RewriteCharsetDeclForSave(
        AnyCodeToShiftJIS(a.raw, options.html_code, Unmappable::CharRef), options.css_js_code);
  }
  a.normalised = NormaliseHtml(a.text);
  const std::size_t body = FindAtBoundary(a.normalised, "<body");
  a.head = a.normalised.substr(0, body == npos ? a.normalised.size() : body);

  ListedReferences listed;
  GetDHTMLCSSList(a.address, a.text, listed, a.css_list);
  GetDHTMLJSList(a.address, a.text, a.js_list);
  if (!options.combine) return a;

  CombineRequest css{&a.css_list,           a.web, options.css_js_code, &listed, &a.css_import_list,
                     &a.combined_css_files, stop};
  a.combined_css = CombineFiles(fetcher, css);
  // Imported stylesheets, and what they import in turn: the import list
  // grows while it is walked, and each reference is listed once, so this ends.
  CombineRequest imports = css;
  imports.files = &a.css_import_list;
  const std::string imported = CombineFiles(fetcher, imports);
  if (!imported.empty()) {
    if (!a.combined_css.empty()) a.combined_css += "\r\n";
    a.combined_css += imported;
  }
  CombineRequest js{&a.js_list,           a.web, options.css_js_code, nullptr, nullptr,
                    &a.combined_js_files, stop};
  a.combined_js = CombineFiles(fetcher, js);
  a.stopped = Stopped(stop);
  return a;
}

}  // namespace kaplo
