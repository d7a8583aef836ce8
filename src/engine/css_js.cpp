// Stylesheets and scripts: what a page and its stylesheets refer to, found by
// cutting their texts at known markers (no parsing), fetched, and stylesheets
// rewritten so that their own references resolve inside the save folder.
#include "engine/css_js.h"

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "engine/folder_names.h"
#include "engine/local_path.h"
#include "engine/outcome_marks.h"
#include "engine/page_rewrite.h"
#include "engine/url.h"
#include "text/charset.h"
#include "text/fsname.h"
#include "text/normalise.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"
#include "text/urlcode.h"

namespace kaplo {
namespace {

constexpr auto npos = std::string_view::npos;

// A stylesheet that imports stylesheets that were written in the pass before
// is the only thing that adds to the work list, so it ends after a few passes;
// the cap only guards against a file system that loses what was written.
constexpr int kMaxImportPasses = 64;

// Script files that discovery fills with the page text, in bytes per job.
constexpr std::size_t kMaxPlaceholderBytes = 64u << 20;

using Markers = std::initializer_list<std::pair<std::string_view, std::string_view>>;
using Words = std::initializer_list<std::string_view>;

bool Has(std::string_view text, std::string_view sub) { return ContainsAtBoundary(text, sub); }

bool HasAny(std::string_view text, Words subs) {
  return std::any_of(subs.begin(), subs.end(), [&](std::string_view s) { return Has(text, s); });
}

bool StartsWithAny(std::string_view text, Words heads) {
  return std::any_of(heads.begin(), heads.end(),
                     [&](std::string_view h) { return text.starts_with(h); });
}

// The text before the first mark (all of it when there is none).
std::string CutBefore(std::string_view text, std::string_view mark) {
  const std::size_t at = FindAtBoundary(text, mark);
  return std::string(at == npos ? text : text.substr(0, at));
}

// Between(text, open, close), or from open to the end when close is missing.
std::string FromTo(std::string_view text, std::string_view open, std::string_view close) {
  const std::size_t o = FindAtBoundary(text, open);
  if (o == npos) return {};
  const std::size_t start = o + open.size();
  const std::size_t c = FindAtBoundary(text, close, start);
  return std::string(text.substr(start, c == npos ? npos : c - start));
}

bool IsTextResourceName(std::string_view lower) {
  return HasAny(lower, {".css", ".js", ".kss", ".rdf", ".xml", ".txt", ".htc"});
}

bool HasImageExtension(std::string_view text) {
  return HasAny(text, {".gif", ".jpg", ".jpeg", ".png", ".swf"});
}

bool HasImageMagic(std::string_view text) {
  return HasAny(text, {"GIF89a", "JFIF", "IHDR", "Exif"});
}

// Absolute addresses into the hosts named in text become root-relative:
// every "http://" + host (letter case ignored) is removed. One pass over the
// text, however many hosts it names.
std::string RemoveHosts(const std::string& text, StringSet& hosts) {
  std::vector<std::string> found;
  ExtractHostNames(text, found);
  hosts.clear();
  hosts.insert(found.begin(), found.end());
  if (hosts.empty()) return text;
  StringSet lowered;
  for (const std::string& host : hosts) {
    if (!host.empty()) lowered.insert(LowerAscii(host));
  }
  const std::string lower = LowerAscii(text);
  BoundaryFinder finder(lower);
  std::string out;
  std::size_t done = 0, pos = 0;
  while (true) {
    const std::size_t at = finder.Find("http://", pos);
    if (at == npos) break;
    const std::size_t host = at + 7;
    // A host ends at the next "/"; what follows the last "/" names no host.
    const std::size_t slash = lower.find('/', host);
    if (slash == npos) break;
    if (lowered.contains(lower.substr(host, slash - host))) {
      out.append(text, done, at - done);
      done = slash;
    }
    pos = slash;
  }
  if (done == 0) return text;
  out.append(text, done);
  return out;
}

// RemoveEnclosed, without copying a text that holds no open at all.
std::string RemoveRegions(std::string text, std::string_view open, std::string_view close) {
  if (text.find(open) == std::string::npos) return text;
  return RemoveEnclosed(text, open, close);
}

std::string RemoveAllRegions(std::string text, Markers regions) {
  for (const auto& [open, close] : regions) text = RemoveRegions(std::move(text), open, close);
  return text;
}

void CollectAll(std::string_view text, Markers markers, StringSet& set) {
  for (const auto& [open, close] : markers) CollectDistinctBetween(text, open, close, set);
}

void AddMark(std::vector<std::string>& box, const std::string& mark, const std::string& path) {
  box.push_back(mark + path);
}

// Finds one pattern for queries that never go backwards; a query inside the
// stretch already known to hold no match reuses the last answer, so the
// boundary walk never restarts.
class ForwardFinder {
 public:
  ForwardFinder(std::string_view text, std::string_view sub)
      : text_(text), sub_(sub), finder_(text) {}
  std::size_t Find(std::size_t from) {
    if (asked_ && from >= query_ && (result_ == npos || from <= result_)) return result_;
    const std::size_t r =
        (asked_ && from < query_) ? FindAtBoundary(text_, sub_, from) : finder_.Find(sub_, from);
    asked_ = true;
    query_ = from;
    result_ = r;
    return r;
  }

 private:
  std::string_view text_, sub_;
  BoundaryFinder finder_;
  bool asked_ = false;
  std::size_t query_ = 0, result_ = npos;
};

// A stylesheet or script text in Shift_JIS: the chosen code, else its own
// declaration, else the charset of its Content-Type.
std::string ReadStyleText(std::string_view text, const DownloadOptions& settings,
                          std::string_view content_type) {
  return AnyCodeToShiftJIS(text, TextReadingCode(text, settings.css_js_charset, content_type));
}

}  // namespace

void CollectDistinctBetween(std::string_view text, std::string_view open, std::string_view close,
                            StringSet& set) {
  if (open.empty() || close.empty()) return;
  if (static_cast<unsigned char>(close.front()) >= 0x80) {
    std::vector<std::string> list;
    CollectBetween(text, open, close, list);
    set.insert(list.begin(), list.end());
    return;
  }
  // CollectBetween cuts the text after the first close again and again and
  // appends the value of the first open each time. Here each open is visited
  // once: its value, then the first close at or after it, which is the cut
  // that passes it.
  ForwardFinder opens(text, open), closes(text, close), values(text, close);
  std::size_t pos = 0;
  while (true) {
    const std::size_t o = opens.Find(pos);
    if (o == npos) return;
    const std::size_t first = closes.Find(pos);
    if (first == npos) return;
    const std::size_t c = first >= o ? first : closes.Find(o);
    const std::size_t start = o + open.size();
    const std::size_t vc = (c != npos && c >= start) ? c : values.Find(start);
    std::string v;
    if (vc != npos) {
      v.reserve(vc - start);
      for (char ch : text.substr(start, vc - start)) {
        if (ch != '\r' && ch != '\n') v.push_back(ch);
      }
    }
    set.insert(std::move(v));
    if (c == npos) return;
    pos = c + 1;
  }
}

std::string SafeLocalPath(std::string_view path, std::string_view save_folder) {
  if (save_folder.empty()) return UrlToSafePath(path);
  std::string folder(save_folder);
  if (folder.back() != '/') folder += '/';
  if (path.starts_with(folder)) return UrlToSafePath(folder, path.substr(folder.size()));
  // Not made below this folder (a line without fields, a path typed elsewhere):
  // it goes below the folder all the same.
  return UrlToSafePath(folder, path);
}

bool IsJunkResourceLine(std::string_view line) { return StartsWithAny(line, {";", "=", " ", "%"}); }

ResourceFields ResourceLineFields(const std::string& line) {
  if (line.find('\t') == std::string::npos) return {line, line, line};
  return SplitResourceLine(line);
}

namespace {
// A page line whose reference holds a quote is a piece of script: not fetched.
ResourceFields UnquotedLineFields(const std::string& line) {
  ResourceFields f = ResourceLineFields(line);
  return HasAny(f.reference, {"\"", "'"}) ? ResourceFields{} : f;
}
}  // namespace

std::string DownloadEngine::SafeLocal(std::string_view path) const {
  return SafeLocalPath(path, stage_folder_);
}

std::string DownloadEngine::LocalOf(const std::string& abs_url,
                                    const std::string& save_folder) const {
  return UrlToLocalPath(abs_url, save_folder, settings.url_web_decode, 0);
}

// ---------------------------------------------------------------------------
// Discovery

void DownloadEngine::GetHrefLInkList(std::string_view text) {
  lists.LinkHostSet.clear();
  CollectAll(text, {{"\"http://", "/"}, {"\"https://", "/"}, {"'http://", "/"}, {"'https://", "/"}},
             lists.LinkHostSet);
  lists.ListBoxPGTab02LTab09LHref.clear();
  for (const std::string& host : lists.LinkHostSet) {
    if (host.find_first_of("\"' +)(") == std::string::npos) {
      lists.ListBoxPGTab02LTab09LHref.push_back(host);
    }
  }
}

void DownloadEngine::GetHTMLCSSList(std::string_view text) {
  lists.HeadHrefSet.clear();
  // The list feeds the base-tag rewrite of this page only: what an earlier
  // page listed must not be rewritten into this one.
  lists.ListBoxPGTab02LTab04ImportHTMLCSSForBase.clear();
  const std::string outside_body = RemoveRegions(std::string(text), "<body", "</body");
  CollectAll(outside_body, {{" href=\"", "\""}, {" href='", "'"}}, lists.HeadHrefSet);
  StringSet entered;
  for (const std::string& raw : lists.HeadHrefSet) {
    const std::string value(Trim(raw));
    if (value.empty() || value == "/" || Has(value, ".htm")) continue;
    if (HasAny(value, {".css", ".ico", ".xml", ".rss", ".rdf"})) {
      lists.ListBoxGUICSS.push_back(value + "\t");
    }
    if (entered.insert(value).second) {
      lists.ListBoxPGTab02LTab04ImportHTMLCSSForBase.push_back(value);
      lists.ResourceCandidateSet.insert(value);
    }
  }
}

void DownloadEngine::GetHTMLSWFList(std::string_view text) {
  lists.QuotedTextSet.clear();
  // Flash files of an earlier page are no candidates of this one.
  lists.ListBoxPGTab02LTab04ImportHTMLSWF.clear();
  CollectDistinctBetween(text, "\"", "\"", lists.QuotedTextSet);
  for (const std::string& raw : lists.QuotedTextSet) {
    const std::string_view piece = Trim(raw);
    if (Has(piece, ".swf")) lists.ListBoxPGTab02LTab04ImportHTMLSWF.emplace_back(piece);
  }
}

int DownloadEngine::DLMakePageCSSJS(const std::string& url, const std::string& save_folder,
                                    const std::string& scan) {
  if (!IsHttpUrl(url)) return -1;
  stage_folder_ = save_folder;
  placeholder_files_.clear();
  placeholder_bytes_ = 0;
  DownloadLists& l = lists;
  l.LinkHostSet.clear();
  l.ResourceCandidateSet.clear();
  GetHrefLInkList(scan);
  GetHTMLCSSList(scan);
  GetHTMLSWFList(scan);

  // Head: links, scripts and imports, with the attributes that are never
  // addresses cut out first.
  {
    std::string head = Between(scan, "<head", "</head");
    head = RemoveAllRegions(std::move(head), {{"<meta ", ">"},
                                              {"rel=\" ", "\""},
                                              {"type=\" ", "\""},
                                              {"media=\" ", "\""},
                                              {"<base ", ">"}});
    for (const auto& [from, to] : Markers{{"= '", "='"},
                                          {" ='", "='"},
                                          {"= \"", "=\""},
                                          {" =\"", "=\""},
                                          {"\",\"", "\",,,,,\""},
                                          {"','", "',,,,,'"},
                                          {"@import\"", "@import \""},
                                          {"@import'", "@import '"}}) {
      head = Replace(head, from, to);
    }
    l.ListBoxPGTab02LTab02PageWebCSS.clear();
    l.ListBoxPGTab02LTab03PageImage.clear();
    l.ListBoxPGTab02LTab08UnkownImage.clear();
    CollectAll(head,
               {{"href=\"", "\""},
                {"href='", "'"},
                {"src=\"", "\""},
                {"src='", "'"},
                {"url(", ")"},
                {"@import \"", "\""},
                {"@import '", "'"}},
               l.ResourceCandidateSet);
  }

  // Scripts: with the tags gone, what is left between quotes is script
  // code's strings, which name the files that scripts load.
  {
    std::string s = Replace(scan, "_UACCT", "_uacct");
    s = RemoveRegions(std::move(s), "_uacct", "</script>");  // the analytics snippet
    s = StripAttributeOpeners(StripAttributeOpeners(s));
    s = RemoveRegions(std::move(s), "<iframe ", ">");
    CollectAll(s, {{"src=\"", "\""}, {"src='", "'"}}, l.ResourceCandidateSet);
    s = RemoveRegions(std::move(s), "src=\"", "\"");
    s = RemoveRegions(std::move(s), "src='", "'");
    CollectDistinctBetween(s, "src=", " ", l.ResourceCandidateSet);
    s = RemoveRegions(std::move(s), "src=", " ");
    s = RemoveRegions(std::move(s), "<", ">");
    CollectDistinctBetween(s, "\"", "\"", l.ResourceCandidateSet);
    s = RemoveRegions(std::move(s), "\"", "\"");
    CollectAll(s, {{"'", "'"}, {"(\"", "\")"}, {"('", "')"}}, l.ResourceCandidateSet);
  }
  ClassifyPageCandidates(url, save_folder);

  // Inline frames; their pages are fetched by jobs of their own.
  {
    std::string f = Replace(scan, "\",\"", "\",,,,,\"");
    f = Replace(f, "','", "',,,,,'");
    CollectDistinctBetween(f, "<iframe ", ">", l.FrameTagSet);
  }

  // Body: the body tag's attributes, then the body with links, form fields
  // and click handlers cut out.
  l.ResourceCandidateSet.clear();
  {
    const std::string tag = Replace(Between(scan, "<bod", ">"), ",", ",\r\n");
    CollectAll(tag, {{"\"", "\""}, {"'", "'"}, {"background=\"", "\""}, {"url(", ")"}},
               l.ResourceCandidateSet);
  }
  {
    // A page that never closes its html element still has a body.
    std::string b = FromTo(scan, "<body", "</html");
    b = RemoveAllRegions(std::move(b), {{"<a ", ">"},
                                        {"<input ", ">"},
                                        {"<textarea ", ">"},
                                        {"<rdf", "rdf>"},
                                        {"onclick=", "\""}});
    b = StripAttributeOpeners(b);
    b = Replace(b, "\",\"", "\",\r\n\"");
    b = Replace(b, "'\",'", "'\",\r\n'");
    CollectAll(b,
               {{"background=\"", "\""},
                {"background='", "'"},
                {"src=\"", "\""},
                {"src=\\\"", "\\\""},
                {"src='", "'"},
                {"url(", ")"}},
               l.ResourceCandidateSet);
    b = Replace(b, "OBJECT(\"", "object(\"");
    CollectAll(b, {{"object(\"", "\""}, {"object='", "'"}}, l.ResourceCandidateSet);
    b = Replace(b, "embedSWF(\"\"", "embedswf(\"\"");
    CollectAll(b,
               {{"embedswf(\"", "\""},
                {"embedswf('", "'"},
                {"url(\"", "\""},
                {"url('", "'"},
                {"\"", "\""},
                {"'", "'"}},
               l.ResourceCandidateSet);
  }
  l.ResourceCandidateSet.insert(l.ListBoxIEImage.begin(), l.ListBoxIEImage.end());
  for (const std::string& swf : l.ListBoxPGTab02LTab04ImportHTMLSWF) {
    l.ResourceCandidateSet.emplace(Trim(swf));
  }
  ClassifyBodyCandidates(url, save_folder, scan);
  observer_.ListsChanged();
  return 0;
}

void DownloadEngine::ClassifyPageCandidates(const std::string& url,
                                            const std::string& save_folder) {
  DownloadLists& l = lists;
  for (const std::string& raw : l.ResourceCandidateSet) {
    std::string c(Trim(raw));
    if (c.empty() || Has(c, "\\") || c.back() == '/') continue;
    switch (ClassifyResource(c)) {
      case kTextResource: {
        if (Has(c, "\"")) c = Between(c, "\"", "\"");
        const std::string low = LowerAscii(c);
        if (c.size() < 4 || low == "javascript" || c.back() == '/' || c.starts_with("&") ||
            Has(low, ".jsp") || Has(low, ".xmldom") || (Has(low, "google") && Has(low, "%"))) {
          continue;
        }
        if (Has(c, kAnalyticsDomain)) c = std::string(kAnalyticsScriptUrl);
        const bool absolute = Has(c, "http://") || Has(c, "https://");
        if (!absolute && HasAny(c, {")", "(", "{", "+"})) continue;
        c = ReplaceFirstExact(c, ".js,", ".js");
        const std::string& base =
            (Has(c, ".css") && !job.BaseHrefValue.empty()) ? job.BaseHrefValue : url;
        const std::string abs = CombineUrl(base, c);
        const std::string line = MakeResourceLine(c, abs, SafeLocal(LocalOf(abs, save_folder)));
        l.ListBoxPGTab02LTab02PageWebCSS.push_back(line);
        l.ListBoxPGTab02LTab07DLAllCSSFileImportCSS.push_back(line);
        break;
      }
      case kImageResource: {
        if (HasAny(c, {"+", "'", "\""})) continue;
        EnterImage(c, CombineUrl(url, c), save_folder, l.ListBoxPGTab02LTab03PageImage);
        if (!job.BaseHrefValue.empty()) {
          EnterImage(c, CombineUrl(job.BaseHrefDir, c), save_folder,
                     l.ListBoxPGTab02LTab03PageImage);
        }
        break;
      }
      default:
        break;
    }
  }
}

void DownloadEngine::EnterImage(const std::string& reference, const std::string& abs_url,
                                const std::string& save_folder,
                                std::vector<std::string>& image_box) {
  DLSetListbox(MakeResourceLine(reference, abs_url, LocalOf(abs_url, save_folder)), image_box,
               lists.ListedImageSet, lists.ListBoxPGTab02LTab06DLImportCSSImage);
}

void DownloadEngine::ClassifyBodyCandidates(const std::string& url, const std::string& save_folder,
                                            const std::string& scan) {
  DownloadLists& l = lists;
  const std::string& search = SJ<"検索">();
  for (const std::string& raw : l.ResourceCandidateSet) {
    std::string c(Trim(raw));
    if (c.empty() || c.back() == '/' || c.back() == '=') continue;
    std::string low = LowerAscii(c);
    if (!Has(low, ".") && !Has(low, "=")) continue;
    if (Has(low, "/") && !HasAny(low, {"?", ".gif", ".jpg", ".jpeg", ".png", ".swf"})) continue;
    if (Has(low, "[")) continue;
    std::erase(c, '"');
    std::erase(c, '\'');
    low = LowerAscii(c);
    if (low == "=" || Has(low, ">")) continue;
    c = CutBefore(CutBefore(c, ">"), "<");
    low = LowerAscii(c);
    if (c.empty()) continue;

    if (Has(c, "+") || Has(c, " ") || !Has(low, ".js")) {
      if (IsNoImageReference(low)) continue;
      std::string abs;
      if (c.starts_with("//")) {
        c = "http:" + c;
        const std::string host = Between(c, "//", "/");
        if (!host.empty()) l.LinkHostSet.insert("//" + host + "/");
        abs = c;
      } else {
        abs = CombineUrl(url, c);
      }
      if (HasAny(c, {"+", "'", "\""}) || Has(low, "utf-8") || Has(c, search)) continue;
      EnterImage(c, abs, save_folder, l.ListBoxPGTab02LTab03PageImage);
      if (!job.BaseHrefValue.empty()) {
        EnterImage(c, CombineUrl(job.BaseHrefDir, c), save_folder, l.ListBoxPGTab02LTab03PageImage);
      }
    } else {
      const std::string abs = CombineUrl(url, c);
      const std::string local = SafeLocal(LocalOf(abs, save_folder));
      const bool had = l.WrittenFileSet.contains(local);
      // Until its own text is fetched the file holds the page it was found
      // in; a page that names thousands of scripts does not fill the disk.
      const bool room = placeholder_bytes_ + scan.size() <= kMaxPlaceholderBytes;
      DLCSSSetListbox(MakeResourceLine(c, abs, local), local, room ? scan : std::string());
      if (!had && l.WrittenFileSet.contains(local)) {
        placeholder_files_.insert(local);
        placeholder_bytes_ += scan.size();
      }
    }
  }
}

void DownloadEngine::DLCSSSetListbox(std::string line, const std::string& local_path,
                                     std::string_view text) {
  if (Has(line, "XMLDOM") || Has(LowerAscii(line), ".json") || IsJunkResourceLine(line)) return;
  line = Replace(line, "\\/", "/");
  if (lists.ListedScriptSet.contains(line)) return;
  const bool first = lists.ListedScriptSet.empty();
  lists.ListedScriptSet.insert(line);
  lists.ListBoxPGTab02LTab02PageWebCSS.push_back(line);
  const std::string path = SafeLocal(local_path);
  if (LocalFileExists(path)) return;
  auto& outcome = lists.ListBoxPGTab02LTab02PageFileDownloaedCSSJS;
  if (!lists.WrittenFileSet.contains(path)) {
    SaveTextFile(text, path);
    if (LocalFileExists(path)) {
      AddMark(outcome, MarkText(OutcomeMark::Saved), path);
      lists.WrittenFileSet.insert(path);
    }
  }
  if (first) AddMark(outcome, MarkText(OutcomeMark::Present), path);
}

// ---------------------------------------------------------------------------
// Fetching

int DownloadEngine::DLDownloadCSSJS(const std::string& save_folder,
                                    std::vector<std::string>& list_box) {
  if (list_box.empty()) return -1;
  stage_folder_ = save_folder;
  DownloadLists& l = lists;
  l.ListBoxPGTab02LTab02PageFileDownloaedCSSJS.clear();
  l.ListBoxPGTab02LTab06DLImportCSSImage.clear();

  // A file listed twice (found in the head and again in the body) is fetched once.
  StringSet done;
  auto run = [&](const std::vector<std::string>& lines, std::vector<std::string>& import_box,
                 bool quote_test) {
    PrefetchAhead(lines, quote_test ? UnquotedLineFields : ResourceLineFields, false);
    const int n = static_cast<int>(lines.size());
    for (int i = 0; i < n; ++i) {
      const ResourceFields f = ResourceLineFields(lines[static_cast<std::size_t>(i)]);
      std::string local = SafeLocal(f.local_path);
      if (!local.empty() && local.back() == '/') local.pop_back();
      if ((!quote_test || !HasAny(f.reference, {"\"", "'"})) && done.insert(local).second) {
        DLDownloadedResultCSSJS(f.absolute_url, local, 0, l.ListBoxPGTab02LTab03PageImage,
                                import_box, l.ListBoxPGTab02LTab02PageFileDownloaedCSSJS,
                                save_folder);
      }
      form.label_downloaded_file = SJ<"【 ">() + local + SJ<" 】">();
      DLFileDownloadInfo(local, n, i);
      observer_.ListsChanged();
      if (!Running()) return false;
    }
    return true;
  };

  // Lines that discovery of the stylesheets adds wait for the work list.
  const std::vector<std::string> page_lines = list_box;
  if (!run(page_lines, l.ListBoxPGTab02LTab04DLCSSFileImportCSS, true)) return 0;
  const std::vector<std::string> imports = l.ListBoxPGTab02LTab04DLCSSFileImportCSS;
  run(imports, l.ListBoxPGTab02LTab04ImportCSSFileDownloaedCSSJS, false);
  return 0;
}

int DownloadEngine::DLDownloadedResultCSSJS(const std::string& abs_url,
                                            const std::string& local_path, int /*mode*/,
                                            std::vector<std::string>& image_box,
                                            std::vector<std::string>& import_box,
                                            std::vector<std::string>& outcome_box,
                                            const std::string& save_folder) {
  // The path holds "@" where the address held "?", so the address is asked too.
  if (Has(abs_url, "inpage.js?") || Has(local_path, "inpage.js?")) return 0;
  const std::string local = SafeLocal(local_path);
  if (!IsHttpUrl(abs_url)) return 0;
  DownloadLists& l = lists;
  const bool existed = LocalFileExists(local) && !placeholder_files_.contains(local);

  const TextResponse response = fetcher_.FetchTextResponse(abs_url);
  const std::string& fetched = response.text;
  const std::string lower = LowerAscii(fetched);
  const std::string* mark = nullptr;
  if (Has(lower, "404 not found")) {
    mark = &MarkText(OutcomeMark::NotFound404);
  } else if (Has(fetched, SJ<"見つかり">())) {
    mark = &MarkText(OutcomeMark::NotFoundPage);
  } else if (Has(LowerAscii(local), ".css") && Has(lower, "<body")) {
    mark = &MarkText(OutcomeMark::HtmlAnswer);
  }
  if (mark) {
    AddMark(outcome_box, *mark, local);
    AddMark(l.ListBoxPGTab02LTab07AllImportCSSFileDownloaedCSSJS, *mark, local);
    return 0;
  }
  if (HasImageMagic(fetched)) {
    l.ListBoxPGTab02LTab08UnkownImage.push_back(abs_url);
    return 0;
  }

  std::string content = Replace(
      RewriteQuotedCharsetToShiftJIS(ReadStyleText(fetched, settings, response.content_type)),
      "\"/*", "\" /*");
  const std::string original = PrefixedName(local, kFetchedResourcePrefix);
  const bool css = Has(local, ".css");
  const bool js = Has(local, ".js");
  bool written = false;
  if (!css) {
    SaveTextFile(content, local);
    written = !content.empty() && LocalFileExists(local);
    fetcher_.FetchToFile(abs_url, original);
    if (!js) return 0;
  }

  std::string scan = Replace(content, "/**/", " ");
  scan = RemoveRegions(std::move(scan), "/*", "*/");
  scan = Replace(scan, "@import\"", "@import \"");
  scan = Replace(scan, "@import'", "@import '");

  const std::string prefix = UrlDepthPrefix(abs_url, "");
  content = RemoveHosts(content, l.StylesheetHostSet);
  if (css) content = PrefixRootReferences(std::move(content), prefix);
  if (Has(content, "http://")) {
    const std::string up = ReplaceFirstExact(prefix, "../", "");
    const std::string root = UrlRoot(abs_url);
    for (std::string_view opener : kReferenceOpeners) {
      content = Replace(content, std::string(opener) + root, std::string(opener) + up);
    }
  }
  ForceFolderForPath(FolderOf(local), "");
  content = DropSlashAfterCssJsNames(std::move(content));
  if (css) content = ModernStylesheet(abs_url, local, content, image_box, save_folder);
  if (existed) {
    AddMark(outcome_box, MarkText(OutcomeMark::Existed), local);
  } else {
    if (css) {
      SaveTextFile(content, local);
      written = !content.empty() && LocalFileExists(local);
      fetcher_.FetchToFile(abs_url, original);
    }
    // A file whose fetch gave nothing is not reported as written.
    if (written) {
      AddMark(outcome_box, MarkText(OutcomeMark::Saved), local);
      l.WrittenFileSet.insert(local);
      placeholder_files_.erase(local);
    }
  }
  l.ListBoxPGTab02LTab07AllImportCSSFileDownloaedCSSJS.push_back(local);

  ListNestedReferences(abs_url, local, fetched, scan, image_box, import_box, save_folder);
  return 0;
}

void DownloadEngine::ListNestedReferences(const std::string& abs_url, const std::string& local,
                                          const std::string& fetched, const std::string& scan,
                                          std::vector<std::string>& image_box,
                                          std::vector<std::string>& import_box,
                                          const std::string& save_folder) {
  DownloadLists& l = lists;
  {
    std::string copy = Replace(scan, "\",\"", "\",\r\n\"");
    copy = Replace(copy, "','", "',\r\n'");
    l.NestedCandidateSet.clear();
    CollectAll(copy,
               {{"(\"", "\")"},
                {"url(", ")"},
                {"\"", "\""},
                {" '", "'"},
                {"src=\"", "\""},
                {"src='", "'"},
                {"('", "')"}},
               l.NestedCandidateSet);
  }
  const std::string root = UrlRoot(abs_url);
  for (const std::string& raw : l.NestedCandidateSet) {
    std::string p(Trim(raw));
    if (p.size() <= 3 || p == "&nbsp;") continue;
    if (Has(p, "src=")) p = Between(p, "src=", " ");
    if (p.size() < 4 || p.back() == '/' || StartsWithAny(p, {"&", ".js", ".css"})) continue;
    if (Has(p, kAnalyticsDomain)) p = std::string(kAnalyticsScriptUrl);
    if (HasAny(p, {"cssFloat", "XMLDOM", ".jsp", "cssPos"})) continue;
    p = CutBefore(CutBefore(p, ">"), "<");
    if (p.size() < 4 || p.starts_with("<")) continue;
    if (const std::string up = UpperAscii(p); HasAny(up, {".XMLHTTP", ".XLMDOM"})) continue;
    if (Has(p, "url(") && Has(p, ")")) p = Between(p, "url(", ")");
    if (HasAny(p, {"(", ")"})) continue;
    if (Has(p, "'")) {
      std::erase(p, '\'');
    } else {
      std::erase(p, '"');
    }
    if (const std::size_t at = FindAtBoundary(p, "href,"); at != npos) p.erase(0, at + 5);
    if (p.empty()) continue;
    p = ReplaceFirstExact(p, ".js,", ".js");
    if (HasAny(p, {"+", "{"})) continue;

    if (!IsTextResourceName(LowerAscii(p))) {
      if (!HasImageExtension(p)) continue;
      if (IsNoImageReference(p) || Has(p, ";") || (Has(p, "google") && Has(p, "%"))) continue;
      const std::string abs = CombineUrl(abs_url, p);
      if (LocalFileExists(SafeLocal(LocalOf(abs, save_folder)))) continue;
      EnterImage(p, abs, save_folder, image_box);
      // The same reference read from the site's top, for stylesheets whose
      // images are addressed from the page rather than from themselves.
      EnterImage(p, CombineUrl(root, p), save_folder, image_box);
    } else {
      const std::string abs = CombineUrl(abs_url, p);
      const std::string nested = SafeLocal(LocalOf(abs, save_folder));
      if (LocalFileExists(nested)) continue;
      const std::string line = MakeResourceLine(p, abs, nested);
      import_box.push_back(line);
      DLCSSSetListbox(line, local, fetched);
      if (&import_box != &l.ListBoxPGTab02LTab04DLCSSFileImportCSS) {
        l.ListBoxPGTab02LTab04DLCSSFileImportCSS.push_back(line);
      }
      l.ListBoxPGTab02LTab07DLAllCSSFileImportCSS.push_back(line);
    }
  }
}

// ---------------------------------------------------------------------------
// The import work list

int DownloadEngine::DLRecursiveGetCSSJS(const std::string& /*url*/,
                                        const std::string& /*local_page_file*/, int /*mode*/,
                                        std::vector<std::string>& image_box,
                                        std::vector<std::string>& work_list,
                                        std::vector<std::string>& outcome_box,
                                        const std::string& save_folder) {
  stage_folder_ = save_folder;
  std::vector<std::string>& next = lists.ListBoxPGTab02LTab04ImportCSSFileDownloaedCSSJS;
  for (int pass = 0; !work_list.empty() && pass < kMaxImportPasses; ++pass) {
    const std::vector<std::string> lines = work_list;
    PrefetchAhead(lines, ResourceLineFields, true);
    const int n = static_cast<int>(lines.size());
    bool stopped = false;
    for (int i = 0; i < n && !stopped; ++i) {
      const std::string line = CutBefore(CutBefore(lines[static_cast<std::size_t>(i)], ">"), "<");
      FetchImport(line, image_box, work_list, outcome_box, save_folder);
      DLFileDownloadInfo(SafeLocal(ResourceLineFields(line).local_path), n, i);
      observer_.ListsChanged();
      stopped = !Running();
    }
    work_list = std::move(next);
    next.clear();
    observer_.ListsChanged();
    if (stopped) break;
  }
  return 0;
}

void DownloadEngine::FetchImport(const std::string& line, std::vector<std::string>& image_box,
                                 std::vector<std::string>& work_list,
                                 std::vector<std::string>& outcome_box,
                                 const std::string& save_folder) {
  DownloadLists& l = lists;
  const ResourceFields f = ResourceLineFields(line);
  const std::string local = SafeLocal(f.local_path);
  if (LocalFileExists(local) || !IsHttpUrl(f.absolute_url)) return;
  auto mark = [&](const std::string& m) {
    AddMark(outcome_box, m, local);
    AddMark(l.ListBoxPGTab02LTab07AllImportCSSFileDownloaedCSSJS, m, local);
  };

  const TextResponse response = fetcher_.FetchTextResponse(f.absolute_url);
  const std::string& fetched = response.text;
  if (HasImageMagic(fetched)) {
    mark(fetcher_.FetchResourceToFile(f.absolute_url, local, 0) ? MarkText(OutcomeMark::WasImage)
                                                                : MarkText(OutcomeMark::Failed));
    return;
  }
  const std::string lower = LowerAscii(fetched);
  if (Has(lower, "<html") && Has(lower, "404 not found")) {
    mark(MarkText(OutcomeMark::NotFoundPage));
    return;
  }
  SaveTextFile(fetched, PrefixedName(local, kFetchedImportPrefix));
  const std::string normalised = NormaliseHtml(fetched);
  std::string text = ReadStyleText(normalised, settings, response.content_type);
  if (text.empty()) text = normalised;
  text = RewriteQuotedCharsetToShiftJIS(text);
  if (!LocalFileExists(local))
    text = ResolveCSSJS(f.absolute_url, local, image_box, text, save_folder);
  text = RemoveHosts(text, l.StylesheetHostSet);
  if (HasRootReference(text)) {
    text = PrefixRootReferences(std::move(text), UrlDepthPrefix(f.absolute_url, ""));
  }
  if (text.empty() || LocalFileExists(local)) return;
  if (Has(local, ".css")) text = ModernStylesheet(f.absolute_url, local, text, image_box, save_folder);
  SaveTextFile(text, local);
  // Only a written file goes on to the next pass, where it ends: one that
  // could not be written would be fetched again pass after pass.
  if (!LocalFileExists(local)) return;
  DLCSSSetListbox(line, local, fetched);
  work_list.push_back(line);
  l.ListBoxPGTab02LTab04ImportCSSFileDownloaedCSSJS.push_back(line);
  AddMark(l.ListBoxPGTab02LTab02PageFileDownloaedCSSJS, MarkText(OutcomeMark::Saved), local);
}

std::string DownloadEngine::ResolveCSSJS(const std::string& abs_url,
                                         const std::string& /*local_path*/,
                                         std::vector<std::string>& image_box, std::string_view text,
                                         const std::string& save_folder) {
  std::string result = RewriteQuotedCharsetToShiftJIS(AnyCodeToShiftJIS(text, kCharsetAuto));
  std::string copy = Replace(result, "\",\"", "\",,,,,,\"");
  copy = Replace(copy, "','", "',,,,,,'");
  // Each reference is handled once: a repeat would only fetch it again.
  StringSet pieces;
  CollectAll(copy, {{"(\"", "\")"}, {"url(", ")"}, {" \"", "\""}, {"src=\"", "\""}, {"src='", "'"}},
             pieces);
  const int n = static_cast<int>(pieces.size());
  int i = 0;
  for (const std::string& raw : pieces) {
    const int index = i++;
    std::string p(Trim(raw));
    if (p.size() <= 3 || StartsWithAny(p, {"&", ".js", ".css"}) ||
        HasAny(p, {".jsp", "\\", "google", "XMLDOM", "<", ">"}) || p.find(' ', 1) != npos) {
      continue;
    }
    p = Replace(p, "\\/", "/");
    if (Has(p, "'")) {
      p = Between(p, "'", "'");
    } else if (Has(p, "\"")) {
      p = Between(p, "\"", "\"");
    }
    if (Has(p, "src=")) p = Between(p, "src=", " ");
    p = CutBefore(CutBefore(p, ">"), "<");
    p = ReplaceFirstExact(p, ".js,", ".js");
    if (p.empty()) continue;

    if (IsTextResourceName(LowerAscii(p))) {
      const std::string abs = CombineUrl(abs_url, p);
      const std::string local = SafeLocal(LocalOf(abs, save_folder));
      if (LocalFileExists(local) || !IsHttpUrl(abs)) continue;
      ForceFolderForPath(FolderOf(local), "");
      // Saved as read, unrewritten: references four levels below the page
      // are not followed.
      const TextResponse nested = fetcher_.FetchTextResponse(abs);
      DLCSSSetListbox(MakeResourceLine(p, abs, local), local,
                      RewriteQuotedCharsetToShiftJIS(
                          ReadStyleText(nested.text, settings, nested.content_type)));
      DLFileDownloadInfo(local, n, index);
      if (!Running()) break;
    } else if (HasImageExtension(p)) {
      if (IsNoImageReference(p) || HasAny(p, {";", "google"})) continue;
      const std::string abs = CombineUrl(abs_url, p);
      const std::string local = LocalOf(abs, save_folder);
      ForceFolderForPath(FolderOf(SafeLocal(local)), "");
      // Straight into the image list, still once per job.
      std::string line = MakeResourceLine(p, abs, local);
      if (lists.ListedImageSet.insert(line).second) image_box.push_back(std::move(line));
    }
  }
  return result;
}

bool HasRootReference(std::string_view text) {
  return std::any_of(std::begin(kReferenceOpeners), std::end(kReferenceOpeners),
                     [&](std::string_view o) { return Has(text, std::string(o) + "/"); });
}

std::string PrefixRootReferences(std::string text, std::string_view prefix) {
  for (std::string_view opener : kReferenceOpeners) {
    text = Replace(text, std::string(opener) + "/", std::string(opener) + std::string(prefix));
  }
  return text;
}

ResourceFields ImageLineFields(const std::string& raw) {
  const std::string line = Replace(Trim(raw), kEscapedQuote, "");
  if (line.empty() || IsJunkResourceLine(line)) return {};
  if (line.find('\t') == std::string::npos) return {line, line, UrlToSafePath(line)};
  return SplitResourceLine(line);
}

bool IsNoImageReference(std::string_view reference) {
  return HasAny(reference, {"=http", ".htm", "\\", "}", ")", "utf-8"}) ||
         Has(reference, SJ<"検索">());
}

void DownloadEngine::PrefetchAhead(const std::vector<std::string>& lines,
                                   ResourceFields (*fields_of)(const std::string&),
                                   bool skip_existing, const std::vector<std::string>* more) {
  std::vector<std::string> urls;
  for (const auto* box : {&lines, more}) {
    if (!box) continue;
    for (const std::string& line : *box) {
      const ResourceFields f = fields_of(line);
      if (IsHttpUrl(f.absolute_url) &&
          !(skip_existing && LocalFileExists(SafeLocal(f.local_path)))) {
        urls.push_back(f.absolute_url);
      }
    }
  }
  fetcher_.Prefetch(urls);
}

}  // namespace kaplo
