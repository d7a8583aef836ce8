#include "engine/resource_stage.h"

#include <algorithm>
#include <unordered_map>

#include "engine/folder_names.h"
#include "engine/job_record.h"
#include "engine/local_path.h"
#include "engine/outcome_marks.h"
#include "engine/safe_write.h"
#include "engine/url.h"
#include "text/charset.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"

namespace kaplo {
namespace {

// A hostile server could name stylesheets that import new ones for ever.
constexpr int kMaxImportDepth = 32;
constexpr std::size_t kMaxResources = 20000;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsText(RefRole role) { return role == RefRole::kStylesheet || role == RefRole::kScript; }

std::string LowerType(std::string_view content_type) {
  return LowerAscii(content_type.substr(0, content_type.find(';')));
}

bool StartsLikeHtml(std::string_view body) {
  std::size_t at = 0;
  if (body.starts_with(kBom)) at = 3;
  while (at < body.size() && (body[at] == ' ' || body[at] == '\t' || body[at] == '\r' ||
                              body[at] == '\n')) {
    ++at;
  }
  const std::string head = LowerAscii(body.substr(at, 15));
  return head.starts_with("<!doctype html") || head.starts_with("<html") ||
         head.starts_with("<head") || head.starts_with("<body");
}

// A page came back: it opens like one, or it is labelled one and holds its
// tags. A stylesheet a server merely labels text/html is still a stylesheet.
bool IsHtmlAnswer(const Response& r) {
  if (StartsLikeHtml(r.body)) return true;
  const std::string type = LowerType(r.content_type);
  if (type != "text/html" && type != "application/xhtml+xml") return false;
  const std::string lower = LowerAscii(std::string_view(r.body).substr(0, 4096));
  return lower.find("<html") != std::string::npos || lower.find("<body") != std::string::npos;
}

bool IsImageAnswer(const Response& r) {
  if (LowerType(r.content_type).starts_with("image/")) return true;
  const std::string_view b = std::string_view(r.body).substr(0, 16);
  return b.starts_with("GIF8") || b.starts_with("\x89PNG") || b.starts_with("\xFF\xD8\xFF");
}

// Why an answer is no resource, as a mark and a reason; Saved when it is one.
// depth is how far below the page the resource was named.
OutcomeMark Judge(const Response& r, RefRole role, int depth, std::string& reason) {
  if (!r.complete) {
    reason = r.error.empty() ? "no answer" : r.error;
    return r.status == 404 ? OutcomeMark::NotFound404 : OutcomeMark::Failed;
  }
  // A stylesheet imported further down answered by a "not found" page.
  if (IsText(role) && depth >= 2 && !IsImageAnswer(r)) {
    const std::string lower = LowerAscii(r.body);
    if (lower.find("<html") != std::string::npos &&
        lower.find("404 not found") != std::string::npos) {
      reason = "a \"404 not found\" page came back";
      return OutcomeMark::NotFoundPage;
    }
  }
  if (r.status >= 400) {
    reason = "HTTP " + std::to_string(r.status);
    return r.status == 404 ? OutcomeMark::NotFound404 : OutcomeMark::Failed;
  }
  if (IsText(role)) {
    if (IsImageAnswer(r)) return OutcomeMark::WasImage;
    if (IsHtmlAnswer(r)) {
      const std::string lower = LowerAscii(r.body);
      if (lower.find("404 not found") != std::string::npos) {
        reason = "a \"404 not found\" page came back";
        return OutcomeMark::NotFound404;
      }
      if (ContainsAtBoundary(AnyCodeToShiftJIS(r.body, kCharsetAuto), SJ<"見つかり">())) {
        reason = "a \"not found\" page came back";
        return OutcomeMark::NotFoundPage;
      }
      reason = "an HTML page came back";
      return OutcomeMark::HtmlAnswer;
    }
    return OutcomeMark::Saved;
  }
  if (r.body.empty() && !r.spilled) {
    reason = "an empty answer";
    return OutcomeMark::Failed;
  }
  if (IsHtmlAnswer(r)) {
    reason = "an HTML page came back";
    return OutcomeMark::Failed;
  }
  return OutcomeMark::Saved;
}

// The code a text's query characters are sent in.
int QueryCode(std::string_view bytes, int code) {
  if (code != kCharsetAuto) return code == kCharsetUtf8N ? kCharsetUtf8 : code;
  const int declared = DetectDeclaredCharset(bytes);
  if (declared != kCharsetAuto) return declared;
  return Utf8ToShiftJIS(bytes).empty() && !bytes.empty() ? kCharsetShiftJis : kCharsetUtf8;
}

constexpr std::string_view kCssType = "text/css";
constexpr std::string_view kScriptType = "text/javascript";

}  // namespace

std::string_view SentCopyPrefix(int depth) {
  return depth <= 1 ? kFetchedResourcePrefix : kFetchedImportPrefix;
}

std::string FileType(const MappedResource& r, std::string_view content_type,
                     std::string_view first_bytes) {
  // An answer the judge found no page is not named one, whatever its label.
  const std::string label = LowerType(content_type);
  const bool page_label = label == kHtmlType || label == "application/xhtml+xml";
  std::string type = page_label ? std::string() : AnswerType(content_type, {});
  // A label that tells nothing: the address's own ending, else the bytes.
  const std::string_view url(r.url);
  if (type.empty()) type = TypeOfEnding(FileExtension(url.substr(0, url.find('?'))));
  if (type.empty()) type = AnswerType({}, first_bytes);
  return type == kHtmlType ? std::string() : type;
}

std::string ApplyEdits(std::string_view text, std::vector<TextEdit> edits) {
  // At one place an insertion goes before a replacement.
  std::stable_sort(edits.begin(), edits.end(), [](const TextEdit& a, const TextEdit& b) {
    if (a.begin != b.begin) return a.begin < b.begin;
    return (a.end == a.begin) > (b.end == b.begin);
  });
  std::string out;
  out.reserve(text.size() + edits.size() * 16);
  std::size_t at = 0;
  for (const TextEdit& e : edits) {
    if (e.begin < at || e.end > text.size() || e.end < e.begin) continue;
    out.append(text, at, e.begin - at);
    out += e.text;
    at = e.end;
  }
  out.append(text, at);
  return out;
}

ReadText ReadSavedText(std::string_view bytes, int chosen, std::string_view content_type,
                       bool page) {
  return ReadSavedText(bytes, chosen, content_type,
                       page ? Unmappable::SavedPage : Unmappable::Question);
}

ReadText ReadSavedText(std::string_view bytes, int chosen, std::string_view content_type,
                       Unmappable how) {
  const bool page = how == Unmappable::SavedPage || how == Unmappable::CharRef;
  ReadText r;
  const bool bom = bytes.starts_with(kBom);
  if (chosen != kCharsetAuto) {
    r.code = chosen;
  } else if (bom) {
    r.code = kCharsetUtf8;
  } else {
    r.code = page ? PageReadingCode(bytes, chosen, content_type)
                  : TextReadingCode(bytes, chosen, content_type);
  }
  if (bom && (r.code == kCharsetUtf8 || r.code == kCharsetUtf8N || r.code == kCharsetAuto)) {
    bytes.remove_prefix(kBom.size());
    r.code = kCharsetUtf8;
  }
  r.text = ToShiftJISKeepingText(bytes, r.code, how);
  r.code = QueryCode(bytes, r.code);
  return r;
}

ResourceStage::ResourceStage(Fetcher& fetcher, ResourceMap& map, JobLists& lists,
                             const DownloadOptions& options, Hooks hooks)
    : fetcher_(fetcher), map_(map), lists_(lists), options_(options), hooks_(std::move(hooks)) {}

std::vector<std::string> ResourceStage::ResolvePage(const PageScan& scan, const std::string& base,
                                                    int query_code) {
  std::vector<std::string> urls;
  urls.reserve(scan.references.size());
  std::unordered_map<std::string, std::string> known[2];
  for (const FoundReference& ref : scan.references) {
    auto& memo = known[ref.in_css ? 1 : 0];
    auto it = memo.find(ref.value);
    if (it == memo.end()) {
      it = memo.emplace(ref.value, RequestUrl(base, ref.value, ref.in_css ? kCharsetUtf8 : query_code))
               .first;
    }
    urls.push_back(it->second);
  }
  return urls;
}

void ResourceStage::ListImage(const std::string& reference, const MappedResource& r) {
  const std::string line = MakeResourceLine(reference, r.url, r.local);
  if (!listed_images_.insert(r.url).second) return;
  lists_.images.push_back(line);
  lists_.entered_images.push_back(line);
}

void ResourceStage::EnterPage(const PageScan& scan, const std::vector<std::string>& urls,
                              const std::string& base, const std::string& page_file) {
  page_base_ = base;
  page_folder_ = FolderOf(page_file);
  const std::string page_host = HostPortOf(base);
  // The page's frames join the list in sorted order, each once.
  const std::set<std::string> listed(lists_.frames.begin(), lists_.frames.end());
  std::set<std::string> frames;
  std::set<std::string> hosts, head_hrefs;
  for (std::size_t i = 0; i < scan.references.size(); ++i) {
    const FoundReference& ref = scan.references[i];
    const std::string& url = urls[i];
    if (ref.role == RefRole::kFrame) {
      std::string entry(Trim(ref.value));
      if (!listed.contains(entry)) frames.insert(std::move(entry));
      continue;
    }
    if (ref.role == RefRole::kLink) {
      if ((IsHttpUrl(ref.value) || ref.value.starts_with("//")) && !url.empty()) {
        const std::string host = HostPortOf(url);
        if (!host.empty() && host != page_host && hosts.insert(host).second) {
          lists_.link_hosts.push_back(host.substr(0, host.rfind(':')));
        }
      }
      continue;
    }
    if (url.empty() || map_.size() >= kMaxResources) continue;
    const std::string lower = LowerAscii(ref.value);
    if (lower.find(".swf") != std::string::npos) {
      lists_.flash.push_back(ref.value);
    }
    if (ref.in_head && !ref.in_css && ref.role != RefRole::kScript &&
        head_hrefs.insert(ref.value).second) {
      lists_.head_references.push_back(ref.value);
      for (std::string_view kind : {".css", ".ico", ".xml", ".rss", ".rdf"}) {
        if (lower.find(kind) != std::string::npos) {
          lists_.analysis_stylesheets.push_back(ref.value + "\t");
          break;
        }
      }
    }
    // "inpage.js?..." is listed but never fetched; the page keeps the
    // address as written.
    if (IsText(ref.role) && url.find("inpage.js?") != std::string::npos) {
      if (listed_scripts_.insert(url).second) {
        const std::string line = MakeResourceLine(ref.value, url, map_.LocalFileOf(url));
        lists_.stylesheets.push_back(line);
        lists_.all_stylesheets.push_back(line);
      }
      continue;
    }
    MappedResource& r = map_.Enter(url, ref.role, ref.value, 0);
    if (IsText(ref.role)) {
      const std::string line = MakeResourceLine(ref.value, r.url, r.local);
      if (listed_scripts_.insert(r.url).second) {
        lists_.stylesheets.push_back(line);
        lists_.all_stylesheets.push_back(line);
      }
    } else {
      ListImage(ref.value, r);
    }
  }
  lists_.frames.insert(lists_.frames.end(), frames.begin(), frames.end());
  hooks_.lists_changed();
}

void ResourceStage::EnterBrowserImages(const std::vector<std::string>& urls) {
  for (const std::string& shown : urls) {
    const std::string url = WireUrl(shown);
    if (url.empty() || map_.size() >= kMaxResources) continue;
    ListImage(shown, map_.Enter(url, RefRole::kImage, shown, 0));
  }
}

MappedResource* ResourceStage::EnterNested(const FoundReference& ref, const std::string& base,
                                           int depth) {
  const std::string url = RequestUrl(base, ref.value, kCharsetUtf8);
  if (url.empty()) return nullptr;
  if (MappedResource* known = map_.Find(url)) return known;
  if (map_.size() >= kMaxResources) return nullptr;
  MappedResource& r = map_.Enter(url, ref.role, ref.value, depth);
  const std::string line = MakeResourceLine(ref.value, r.url, r.local);
  if (IsText(ref.role)) {
    lists_.imports.push_back(line);
    lists_.all_stylesheets.push_back(line);
  } else {
    ListImage(ref.value, r);
  }
  return &r;
}

void ResourceStage::Prefetch(std::size_t from) {
  std::vector<std::string> urls;
  const auto& entries = map_.Entries();
  // Stylesheets and scripts first: what they name comes after them.
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = from; i < entries.size(); ++i) {
      const MappedResource& r = entries[i];
      if (IsText(r.role) != (pass == 0) || r.handled || Skip(r)) {
        continue;
      }
      if (!LocalFileExists(r.local)) urls.push_back(r.url);
    }
  }
  prefetched_ = entries.size();
  fetcher_.Prefetch(urls);
}

bool ResourceStage::Skip(const MappedResource& r) const {
  return r.role == RefRole::kImage && options_.dont_save_image;
}

void ResourceStage::Mark(MappedResource& r, OutcomeMark mark, std::string reason) {
  r.handled = true;
  r.mark = mark;
  r.reason = std::move(reason);
  const std::string line = MarkText(mark) + r.local;
  if (IsText(r.role)) {
    lists_.stylesheet_outcomes.push_back(line);
    lists_.all_stylesheet_outcomes.push_back(line);
    return;
  }
  auto& outcomes = lists_.image_outcomes;
  outcomes.insert(outcomes.begin(), line);  // the newest first
  if (!r.Saved()) lists_.failed_images.push_back(r.url + "\t" + line);
}

bool ResourceStage::Existing(MappedResource& r) {
  // A file of an earlier job is kept; one this job wrote for another
  // address is shared.
  if (!LocalFileExists(r.local)) return false;
  Mark(r, IsText(r.role) ? OutcomeMark::Existed : OutcomeMark::Present);
  if (IsText(r.role)) EnterNamedBy(r);
  return true;
}

void ResourceStage::EnterNamedBy(const MappedResource& r) {
  // What a kept stylesheet or script names is still the page's: read from its
  // copy as the server sent it (a stylesheet: else the kept file), what is
  // missing of it is fetched.
  const bool sheet = r.role == RefRole::kStylesheet;
  std::string bytes;
  const std::string copy = PrefixedName(r.local, SentCopyPrefix(r.depth));
  const bool sent = LocalFileExists(copy) && ReadSavedFile(copy, bytes);
  if (!sent && (!sheet || !ReadSavedFile(r.local, bytes))) return;
  if (!sheet && page_folder_.empty()) return;
  const ReadText read =
      ReadSavedText(bytes, sent ? options_.css_js_charset : kCharsetAuto, "", false);
  std::vector<FoundReference> refs;
  if (sheet) {
    ScanStylesheet(read.text, 0, refs);
  } else {
    ScanScriptMarkup(read.text, 0, read.text.size(), false, refs);
  }
  const std::size_t before = map_.size();
  for (const FoundReference& ref : refs) {
    if (ref.role == RefRole::kStylesheet && r.depth + 1 > kMaxImportDepth) continue;
    EnterNested(ref, sheet ? r.url : page_base_, r.depth + 1);
  }
  if (map_.size() > before) Prefetch(before);
}

bool ResourceStage::Write(MappedResource& r, std::string_view bytes) {
  std::string why;
  if (WriteFileBelow(map_.SaveFolder(), r.local, bytes, &why)) {
    written_.insert(r.local);
    return true;
  }
  Mark(r, OutcomeMark::Failed, why);
  return false;
}

namespace {

bool FromRoot(std::string_view value) {
  return value.starts_with('/') || value.find("://") != std::string_view::npos;
}

}  // namespace

void ResourceStage::Stylesheet(MappedResource& r, const Response& response, const ReadText& read) {
  const std::string base = response.final_url.empty() ? r.url : response.final_url;
  std::vector<FoundReference> refs;
  ScanStylesheet(read.text, 0, refs);
  PendingText pending{&r, read.text, FolderOf(r.local), {}};
  for (const FoundReference& ref : refs) {
    if (ref.role == RefRole::kStylesheet && r.depth + 1 > kMaxImportDepth) continue;
    const MappedResource* target = EnterNested(ref, base, r.depth + 1);
    if (!target) continue;
    const std::string_view raw(read.text.data() + ref.begin, ref.end - ref.begin);
    pending.edits.push_back(
        {ref.begin, ref.end, target, std::string(FragmentOf(raw)), false, FromRoot(ref.value)});
  }
  if (const CharsetDeclaration cs = StylesheetCharset(read.text); cs.end > cs.begin) {
    pending.edits.push_back({cs.begin, cs.end, nullptr, "Shift_JIS"});
  }
  pending_.push_back(std::move(pending));
  Mark(r, OutcomeMark::Saved);
}

void ResourceStage::Script(MappedResource& r, const ReadText& read) {
  PendingText pending{&r, read.text, page_folder_, {}};
  // Markup the script writes is read by the page: its addresses are the
  // page's, and lead from the page's folder.
  if (!page_folder_.empty() && r.depth < kMaxImportDepth) {
    std::vector<FoundReference> refs;
    ScanScriptMarkup(read.text, 0, read.text.size(), false, refs);
    const std::size_t before = map_.size();
    for (const FoundReference& ref : refs) {
      const MappedResource* target = EnterNested(ref, page_base_, r.depth + 1);
      if (!target) continue;
      const std::string_view raw(read.text.data() + ref.begin, ref.end - ref.begin);
      pending.edits.push_back(
          {ref.begin, ref.end, target, std::string(FragmentOf(raw)), true, FromRoot(ref.value)});
    }
    if (map_.size() > before) Prefetch(before);
  }
  pending_.push_back(std::move(pending));
  Mark(r, OutcomeMark::Saved);
}

void ResourceStage::WritePending() {
  for (PendingText& p : pending_) {
    std::vector<TextEdit> edits;
    for (const PendingEdit& e : p.edits) {
      if (!e.target) {
        edits.push_back({e.begin, e.end, e.text});
        continue;
      }
      // An image the user chose not to save is still the page's to fetch.
      if (e.html && Skip(*e.target) && !e.target->Saved()) continue;
      edits.push_back({e.begin, e.end,
                       ReferenceTo(p.from_folder, e.target->local, e.text, e.html,
                                   e.from_root ? map_.SaveFolder() : std::string_view())});
    }
    MappedResource& r = *p.r;
    std::string why;
    if (WriteFileBelow(map_.SaveFolder(), r.local, ApplyEdits(p.text, std::move(edits)), &why)) {
      written_.insert(r.local);
      continue;
    }
    // Marked saved when it was read: the lines say it failed after all.
    const std::string was = MarkText(r.mark) + r.local;
    r.mark = OutcomeMark::Failed;
    r.reason = why;
    for (auto* list : {&lists_.stylesheet_outcomes, &lists_.all_stylesheet_outcomes}) {
      std::replace(list->begin(), list->end(), was, MarkText(r.mark) + r.local);
    }
  }
  pending_.clear();
  hooks_.lists_changed();
}

void ResourceStage::Typed(MappedResource& r, std::string_view type) {
  const std::string was = r.local;
  if (!map_.Name(r, type)) return;
  for (auto* list : {&lists_.stylesheets, &lists_.all_stylesheets, &lists_.imports,
                     &lists_.images, &lists_.entered_images}) {
    for (std::string& line : *list) {
      const ResourceFields f = SplitResourceLine(line);
      if (f.local_path == was && f.absolute_url == r.url) {
        line = MakeResourceLine(f.reference, f.absolute_url, r.local);
      }
    }
  }
}

void ResourceStage::HandleText(MappedResource& r) {
  Response response;
  if (!Obtain(r, response)) return;
  if (response.complete && !LoadBody(response)) {
    response.complete = false;
    response.error = "the fetched body could not be read back";
  }
  std::string reason;
  const OutcomeMark judged = Judge(response, r.role, r.depth, reason);
  if (judged == OutcomeMark::WasImage) {
    lists_.found_images.push_back(r.url);
    Typed(r, FileType(r, response.content_type, response.body));
    if (Write(r, response.body)) Mark(r, OutcomeMark::WasImage);
    return;
  }
  if (judged != OutcomeMark::Saved) {
    Mark(r, judged, reason);
    return;
  }
  Typed(r, r.role == RefRole::kStylesheet ? kCssType : kScriptType);
  // The copy as the server sent it, beside the saved file.
  WriteFileBelow(map_.SaveFolder(), PrefixedName(r.local, SentCopyPrefix(r.depth)), response.body);
  // What Shift_JIS lacks is kept as the language's own escapes.
  const ReadText read = ReadSavedText(
      response.body, options_.css_js_charset, response.content_type,
      r.role == RefRole::kStylesheet ? Unmappable::StyleEscape : Unmappable::ScriptEscape);
  if (r.role == RefRole::kStylesheet) {
    const std::size_t before = map_.size();
    Stylesheet(r, response, read);
    if (map_.size() > before) Prefetch(before);
    return;
  }
  Script(r, read);
}

void ResourceStage::HandleBinary(MappedResource& r) {
  Response response;
  if (!Obtain(r, response)) return;
  std::string reason;
  const OutcomeMark judged = Judge(response, r.role, r.depth, reason);
  if (judged != OutcomeMark::Saved) {
    Mark(r, judged, reason);
    return;
  }
  Typed(r, FileType(r, response.content_type, response.body));
  // A large body came to a temporary file: it is copied, never held whole.
  if (response.spilled) {
    std::string why;
    if (!CopyFileBelow(map_.SaveFolder(), r.local, response.spilled->path(), &why)) {
      Mark(r, OutcomeMark::Failed, why);
      return;
    }
    written_.insert(r.local);
    Mark(r, OutcomeMark::Saved);
    return;
  }
  if (Write(r, response.body)) Mark(r, OutcomeMark::Saved);
}

void ResourceStage::Run() {
  Prefetch(0);
  auto& entries = map_.Entries();
  // Stylesheets and scripts, with the stylesheets these name as they come;
  // then everything else.
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
      MappedResource& r = entries[i];
      if (r.handled || IsText(r.role) != (pass == 0) || Skip(r)) continue;
      if (pass == 0) {
        HandleText(r);
      } else {
        HandleBinary(r);
      }
      hooks_.progress(r.local, static_cast<int>(entries.size()), static_cast<int>(i));
      hooks_.lists_changed();
      if (!hooks_.running()) {
        WritePending();
        return;
      }
    }
  }
  WritePending();
}

}  // namespace kaplo
