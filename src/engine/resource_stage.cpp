#include "engine/resource_stage.h"

#include <algorithm>
#include <unordered_map>

#include "engine/folder_names.h"
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
OutcomeMark Judge(const Response& r, RefRole role, std::string& reason) {
  if (!r.complete) {
    reason = r.error.empty() ? "no answer" : r.error;
    return r.status == 404 ? OutcomeMark::NotFound404 : OutcomeMark::Failed;
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

}  // namespace

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
                              const std::string& base) {
  const std::string page_host = HostPortOf(base);
  std::set<std::string> frames(lists_.frames.begin(),
                               lists_.frames.end());
  std::set<std::string> hosts, head_hrefs;
  for (std::size_t i = 0; i < scan.references.size(); ++i) {
    const FoundReference& ref = scan.references[i];
    const std::string& url = urls[i];
    if (ref.role == RefRole::kFrame) {
      const std::string entry(Trim(ref.value));
      if (frames.insert(entry).second) lists_.frames.push_back(entry);
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
  return true;
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

void ResourceStage::Stylesheet(MappedResource& r, const Response& response, const ReadText& read) {
  const std::string base = response.final_url.empty() ? r.url : response.final_url;
  std::vector<FoundReference> refs;
  ScanStylesheet(read.text, 0, refs);
  const std::string folder = FolderOf(r.local);
  std::vector<TextEdit> edits;
  for (const FoundReference& ref : refs) {
    if (ref.role == RefRole::kStylesheet && r.depth + 1 > kMaxImportDepth) continue;
    const MappedResource* target = EnterNested(ref, base, r.depth + 1);
    if (!target) continue;
    const std::string_view raw(read.text.data() + ref.begin, ref.end - ref.begin);
    const bool from_root = ref.value.starts_with('/') || ref.value.find("://") != std::string::npos;
    edits.push_back({ref.begin, ref.end,
                     ReferenceTo(folder, target->local, FragmentOf(raw), false,
                                 from_root ? map_.SaveFolder() : std::string_view())});
  }
  if (const CharsetDeclaration cs = StylesheetCharset(read.text); cs.end > cs.begin) {
    edits.push_back({cs.begin, cs.end, "Shift_JIS"});
  }
  const std::string saved = ApplyEdits(read.text, std::move(edits));
  if (Write(r, saved)) Mark(r, OutcomeMark::Saved);
}

void ResourceStage::HandleText(MappedResource& r) {
  Response response;
  if (!Obtain(r, response)) return;
  if (response.complete && !LoadBody(response)) {
    response.complete = false;
    response.error = "the fetched body could not be read back";
  }
  std::string reason;
  const OutcomeMark judged = Judge(response, r.role, reason);
  if (judged == OutcomeMark::WasImage) {
    lists_.found_images.push_back(r.url);
    if (Write(r, response.body)) Mark(r, OutcomeMark::WasImage);
    return;
  }
  if (judged != OutcomeMark::Saved) {
    Mark(r, judged, reason);
    return;
  }
  // The copy as the server sent it, beside the saved file.
  const std::string_view prefix = r.depth == 0 ? kFetchedResourcePrefix : kFetchedImportPrefix;
  WriteFileBelow(map_.SaveFolder(), PrefixedName(r.local, prefix), response.body);
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
  if (Write(r, read.text)) Mark(r, OutcomeMark::Saved);
}

void ResourceStage::HandleBinary(MappedResource& r) {
  Response response;
  if (!Obtain(r, response)) return;
  std::string reason;
  const OutcomeMark judged = Judge(response, r.role, reason);
  if (judged != OutcomeMark::Saved) {
    Mark(r, judged, reason);
    return;
  }
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
      if (!hooks_.running()) return;
    }
  }
}

}  // namespace kaplo
