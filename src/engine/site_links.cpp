#include "engine/site_links.h"

#include "engine/local_path.h"
#include "engine/references.h"
#include "engine/resource_map.h"
#include "engine/resource_stage.h"
#include "engine/safe_write.h"
#include "engine/url.h"
#include "text/fsname.h"
#include "text/sjis.h"

#include <fstream>
#include <sstream>

namespace kaplo {
namespace {

// The reference is the value of an <a> or <area> tag (not a form's action).
bool InAnchor(std::string_view text, const FoundReference& ref) {
  const std::size_t open = text.rfind('<', ref.begin);
  if (open == std::string_view::npos) return false;
  std::size_t end = open + 1;
  while (end < text.size() && end < ref.begin && text[end] != ' ' && text[end] != '\t' &&
         text[end] != '\r' && text[end] != '\n' && text[end] != '>') {
    ++end;
  }
  const std::string tag = LowerAscii(text.substr(open + 1, end - open - 1));
  return tag == "a" || tag == "area";
}

std::vector<const FoundReference*> Anchors(std::string_view text, const PageScan& scan) {
  std::vector<const FoundReference*> out;
  for (const FoundReference& ref : scan.references) {
    if (ref.role == RefRole::kLink && InAnchor(text, ref)) out.push_back(&ref);
  }
  return out;
}

std::string AsAttribute(std::string_view url) {
  std::string out;
  for (const char c : url) {
    if (c == '&') out += "&amp;";
    else out += c;
  }
  return out;
}

}  // namespace

std::string WithoutFragment(std::string_view url) {
  return std::string(url.substr(0, url.find('#')));
}

std::vector<PageLink> PageLinks(const TextResponse& page, const std::string& url, int chosen_code,
                                std::vector<std::string>* loads, bool images) {
  const ReadText read = ReadSavedText(page.text, chosen_code, page.content_type, true);
  const PageScan scan = ScanPage(read.text);
  std::string base = page.final_url.empty() ? url : page.final_url;
  if (scan.has_base) {
    if (std::string b = RequestUrl(base, scan.base_href, read.code); !b.empty()) base = b;
  }
  std::vector<PageLink> links;
  for (const FoundReference* ref : Anchors(read.text, scan)) {
    const std::string_view raw(read.text.data() + ref->begin, ref->end - ref->begin);
    const std::string resolved = RequestUrl(base, ref->value, read.code);
    links.push_back({WithoutFragment(resolved), std::string(FragmentOf(raw))});
  }
  if (loads) {
    const std::vector<std::string> urls = ResourceStage::ResolvePage(scan, base, read.code);
    for (const bool text_pass : {true, false}) {
      for (std::size_t i = 0; i < urls.size(); ++i) {
        const RefRole role = scan.references[i].role;
        if (!IsFetchedRole(role) || urls[i].empty()) continue;
        const bool text = role == RefRole::kStylesheet || role == RefRole::kScript;
        if (text == text_pass && (images || role != RefRole::kImage)) loads->push_back(urls[i]);
      }
    }
  }
  return links;
}

bool PointLinksAtCopies(const std::string& save_folder, const std::string& page_file,
                        const std::vector<PageLink>& links,
                        const std::map<std::string, std::string>& saved_pages) {
  std::ifstream in(FsPath(page_file), std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  const std::string text = bytes.str();
  const PageScan scan = ScanPage(text);
  const std::vector<const FoundReference*> anchors = Anchors(text, scan);
  const std::string folder = FolderOf(page_file);
  std::vector<TextEdit> edits;
  for (std::size_t i = 0; i < anchors.size() && anchors.size() == links.size(); ++i) {
    const PageLink& link = links[i];
    if (link.url.empty() || !IsHttpUrl(link.url)) continue;
    const auto saved = saved_pages.find(link.url);
    std::string value = saved != saved_pages.end()
                            ? ReferenceTo(folder, saved->second, link.fragment, true)
                            : AsAttribute(link.url) + link.fragment;
    const std::string_view now(text.data() + anchors[i]->begin, anchors[i]->end - anchors[i]->begin);
    if (value != now) edits.push_back({anchors[i]->begin, anchors[i]->end, std::move(value)});
  }
  // Other links (a form's action) were written absolute while their page
  // was not saved yet.
  for (const FoundReference& ref : scan.references) {
    if (ref.role != RefRole::kLink || InAnchor(text, ref) || !IsHttpUrl(ref.value)) continue;
    const auto saved = saved_pages.find(WithoutFragment(ref.value));
    if (saved == saved_pages.end()) continue;
    const std::string_view raw(text.data() + ref.begin, ref.end - ref.begin);
    edits.push_back({ref.begin, ref.end, ReferenceTo(folder, saved->second, FragmentOf(raw), true)});
  }
  if (edits.empty()) return true;
  return WriteFileBelow(save_folder, page_file, ApplyEdits(text, std::move(edits)));
}

}  // namespace kaplo
