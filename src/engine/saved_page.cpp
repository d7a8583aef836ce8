#include "engine/saved_page.h"

#include "engine/local_path.h"
#include "engine/resource_stage.h"
#include "engine/saved_names.h"
#include "engine/url.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "text/web_escape.h"

namespace kaplo {
namespace {

constexpr auto npos = std::string_view::npos;

bool IsAbsolute(std::string_view value) {
  return IsHttpUrl(value) || value.starts_with("//") ||
         LowerAscii(value.substr(0, 8)).starts_with("https:") ||
         LowerAscii(value.substr(0, 8)).starts_with("http:");
}

// An address written into an attribute as it is sent.
std::string AbsoluteReference(std::string_view url, std::string_view fragment, bool html) {
  std::string out;
  for (const char c : url) {
    if (c == '&' && html) out += "&amp;";
    else out += c;
  }
  return out + std::string(fragment);
}

// Written from the site's root or with a scheme.
bool FromRoot(std::string_view value) {
  return value.starts_with('/') || value.starts_with('\\') || IsAbsolute(value);
}

bool HasWideBytes(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

// The encoding name of an XML declaration that opens the page.
void XmlDeclaration(std::string_view page, std::string_view charset, std::vector<TextEdit>& edits) {
  std::size_t at = 0;
  while (at < page.size() && (page[at] == ' ' || page[at] == '\r' || page[at] == '\n')) ++at;
  if (page.compare(at, 5, "<?xml") != 0) return;
  const std::size_t close = page.find("?>", at);
  const std::size_t enc = page.find("encoding=", at);
  if (close == npos || enc == npos || enc > close) return;
  const std::size_t q = enc + 9;
  if (q >= close || (page[q] != '"' && page[q] != '\'')) return;
  const std::size_t end = page.find(page[q], q + 1);
  if (end == npos || end > close) return;
  edits.push_back({q + 1, end, std::string(charset)});
}

// The first "<head" (any letter case), without a lower-cased copy of the page.
std::size_t FindHead(std::string_view page) {
  for (std::size_t at = page.find('<'); at != npos; at = page.find('<', at + 1)) {
    if (at + 5 <= page.size() && LowerAscii(page.substr(at, 5)) == "<head") return at;
  }
  return npos;
}

}  // namespace

std::string SavedFromComment(std::string_view page_url) {
  return "<!-- saved from \"" + std::string(page_url) + "\" by NOLDA-KAPLO -->";
}

std::string RewriteSavedPage(const SavedPageInput& in) {
  const std::string_view page = in.page;
  const std::string folder = FolderOf(in.page_file);
  const std::string page_host = HostPortOf(in.page_url);
  std::vector<TextEdit> edits;

  for (std::size_t i = 0; i < in.scan.references.size(); ++i) {
    const FoundReference& ref = in.scan.references[i];
    const std::string& url = in.urls[i];
    if (url.empty()) continue;
    const std::string_view raw = page.substr(ref.begin, ref.end - ref.begin);
    const std::string_view fragment = FragmentOf(raw);
    const bool html = ref.in_attribute;
    const std::string_view root = FromRoot(ref.value) ? in.map.SaveFolder() : std::string_view();
    if (IsFetchedRole(ref.role)) {
      const MappedResource* r = in.map.Find(url);
      if (!r) continue;
      // Images the user chose not to save still show from the web.
      const bool from_web = r->role == RefRole::kImage && in.options.dont_save_image && !r->Saved();
      edits.push_back({ref.begin, ref.end,
                       from_web ? AbsoluteReference(url, fragment, html)
                                : ReferenceTo(folder, r->local, fragment, html, root)});
      continue;
    }
    // A frame of the site leads to the name its own job saves it under; a
    // link leads to the copy of its target when that is saved (by this job
    // or in the folder already). Anything else leads to the web: written
    // absolute (as written when it is already).
    std::string local;
    if (ref.role == RefRole::kFrame) {
      if (in.options.remove_other_domain == 1 || HostPortOf(url) == page_host) {
        local = PageFileOf(url, in.map.Rules());
      }
    } else if (url == in.page_url) {
      local = std::string(in.page_file);
    } else if (const MappedResource* r = in.map.Find(url); r && r->Saved()) {
      local = r->local;
    } else if (std::string file = in.map.LinkFileOf(url);
               file == in.page_file || LocalFileExists(file)) {
      local = std::move(file);
    }
    if (!local.empty()) {
      edits.push_back({ref.begin, ref.end, ReferenceTo(folder, local, fragment, html, root)});
    } else if (!IsAbsolute(ref.value)) {
      edits.push_back({ref.begin, ref.end, AbsoluteReference(url, fragment, html)});
    }
  }

  if (in.scan.has_base) {
    const std::string_view tag =
        page.substr(in.scan.base_tag_begin, in.scan.base_tag_end - in.scan.base_tag_begin);
    edits.push_back({in.scan.base_tag_begin, in.scan.base_tag_end,
                     SJ<"<!-- ●● ">() + std::string(tag) + SJ<" ●●-->">()});
  }
  // A page with characters that only its own code carries (in places where
  // no reference or escape reads back) is kept in that code.
  const std::string charset(SavedPageCharset(page));
  for (const CharsetDeclaration& cs : in.scan.charsets) edits.push_back({cs.begin, cs.end, charset});
  if (in.scan.charsets.empty() && in.scan.has_head &&
      (HasWideBytes(page) || charset != "Shift_JIS")) {
    edits.push_back({in.scan.head_content_begin, in.scan.head_content_begin,
                     "<meta charset=\"" + charset + "\">"});
  }
  XmlDeclaration(page, charset, edits);

  // The saved-from line goes before the line that holds the head.
  if (const std::size_t head = FindHead(page); head != npos) {
    const std::size_t line = page.rfind('\n', head);
    const std::size_t at = line == npos ? 0 : line + 1;
    edits.push_back({at, at, SavedFromComment(in.saved_from) + "\r\n"});
  }
  return RestoreOwnCode(ApplyEdits(page, std::move(edits)));
}

}  // namespace kaplo
