#include "engine/resource_map.h"

#include <algorithm>

#include "engine/folder_names.h"
#include "engine/download_job.h"
#include "engine/local_path.h"
#include "text/sjis.h"
#include "text/strutil.h"

namespace kaplo {

void NameBook::Open(const std::string& folder) {
  if (folder == folder_) return;
  folder_ = folder;
  lines_.clear();
}

void NameBook::Note(RecordLine line) {
  if (folder_.empty() || !line.local.starts_with(folder_)) return;
  std::string url = line.url;
  lines_.insert_or_assign(std::move(url), std::move(line));
}

std::string NameBook::Find(std::string_view url, std::string_view base) const {
  const auto it = lines_.find(url);
  if (it == lines_.end() || !IsNameOf(it->second.local, base) ||
      !LocalFileExists(it->second.local)) {
    return {};
  }
  return it->second.local;
}

const RecordLine* NameBook::Line(std::string_view url, std::string_view local) const {
  const auto it = lines_.find(url);
  return it == lines_.end() || it->second.local != local ? nullptr : &it->second;
}

ResourceMap::ResourceMap(NameRules rules, const NameBook* known)
    : rules_(std::move(rules)), known_(known) {
  if (!rules_.save_folder.empty() && rules_.save_folder.back() != '/') rules_.save_folder += '/';
}

std::string ResourceMap::LocalFileOf(std::string_view url) const {
  return SavedFileOf(url, SavedAs::kResource, {}, rules_);
}

bool ResourceMap::Name(MappedResource& r, std::string_view type) const {
  std::string named = SavedFileOf(r.url, SavedAs::kResource, type, rules_);
  if (named == r.local) return false;
  r.local = std::move(named);
  return true;
}

std::string ResourceMap::LinkFileOf(std::string_view url) const {
  if (const auto it = link_files_.find(url); it != link_files_.end()) return it->second;
  const std::string_view path = url.substr(0, url.find_first_of("?#"));
  const std::string_view name = path.substr(path.rfind('/') + 1);
  const std::size_t dot = name.rfind('.');
  const std::string ext = dot == std::string_view::npos ? "" : LowerAscii(name.substr(dot));
  static constexpr std::string_view kPageExtensions[] = {
      "", ".htm", ".html", ".xhtml", ".shtml", ".php", ".php3", ".asp", ".aspx", ".jsp", ".cgi"};
  // A link to a file that is no page (a PDF, an image) keeps its name.
  const bool page = std::find(std::begin(kPageExtensions), std::end(kPageExtensions), ext) !=
                    std::end(kPageExtensions);
  std::string file = page ? PageFileOf(url, rules_) : LocalFileOf(url);
  link_files_.emplace(std::string(url), file);
  return file;
}

MappedResource& ResourceMap::Enter(const std::string& url, RefRole role,
                                   std::string_view reference, int depth) {
  if (const auto it = index_.find(url); it != index_.end()) {
    MappedResource& known = entries_[it->second];
    if (role == RefRole::kStylesheet && !known.handled) known.role = role;
    return known;
  }
  index_.emplace(url, entries_.size());
  MappedResource& r = entries_.emplace_back();
  r.url = url;
  r.local = LocalFileOf(url);
  if (known_) {
    if (std::string earlier = known_->Find(url, r.local); !earlier.empty()) r.local = std::move(earlier);
  }
  r.role = role;
  r.reference = std::string(reference);
  r.depth = depth;
  return r;
}

MappedResource* ResourceMap::Find(std::string_view url) {
  const auto it = index_.find(url);
  return it == index_.end() ? nullptr : &entries_[it->second];
}

const MappedResource* ResourceMap::Find(std::string_view url) const {
  const auto it = index_.find(url);
  return it == index_.end() ? nullptr : &entries_[it->second];
}

ResourceFields SplitResourceLine(const std::string& line) {
  ResourceFields f;
  const std::size_t t1 = line.find('\t');
  if (t1 == std::string::npos) {
    f.reference = line;
    return f;
  }
  f.reference = line.substr(0, t1);
  const std::size_t t2 = line.find('\t', t1 + 1);
  f.absolute_url = line.substr(t1 + 1, t2 == std::string::npos ? std::string::npos : t2 - t1 - 1);
  if (t2 != std::string::npos) f.local_path = line.substr(t2 + 1);
  return f;
}

std::string MakeResourceLine(const std::string& reference, const std::string& absolute_url,
                             const std::string& local_path) {
  return reference + "\t" + absolute_url + "\t" + local_path;
}

std::string RelativePath(std::string_view from_folder, std::string_view file) {
  auto split = [](std::string_view s) {
    std::vector<std::string_view> parts;
    for (std::size_t at = 0; at <= s.size();) {
      const std::size_t end = std::min(s.find('/', at), s.size());
      if (end > at) parts.push_back(s.substr(at, end - at));
      at = end + 1;
    }
    return parts;
  };
  const auto from = split(from_folder), to = split(file);
  std::size_t common = 0;
  while (common < from.size() && common + 1 < to.size() && from[common] == to[common]) ++common;
  std::string out;
  for (std::size_t i = common; i < from.size(); ++i) out += "../";
  for (std::size_t i = common; i < to.size(); ++i) {
    out += to[i];
    if (i + 1 < to.size()) out += '/';
  }
  return out;
}

std::string EscapeReference(std::string_view path, bool html_attribute) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size() + 8);
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (SjisCharLength(path, i) == 2) {
      out += path[i];
      out += path[++i];
      continue;
    }
    const auto c = static_cast<unsigned char>(path[i]);
    if (c < 0x20 || c == 0x7F || c == ' ' || c == '%' || c == '#' || c == '?' || c == '"' ||
        c == '\'' || c == '(' || c == ')' || c == '<' || c == '>' || c == '\\') {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else if (c == '&' && html_attribute) {
      out += "&amp;";
    } else {
      out += path[i];
    }
  }
  return out;
}

std::string ReadReference(std::string_view reference) {
  const std::string_view path = reference.substr(0, reference.find_first_of("?#"));
  const auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '%' && i + 2 < path.size() && hex(path[i + 1]) >= 0 && hex(path[i + 2]) >= 0) {
      out += static_cast<char>(hex(path[i + 1]) * 16 + hex(path[i + 2]));
      i += 2;
    } else {
      out += path[i];
    }
  }
  return out;
}

std::string ReferenceTo(std::string_view from_folder, std::string_view local,
                        std::string_view fragment, bool html_attribute,
                        std::string_view save_folder) {
  std::string path;
  if (!save_folder.empty() && from_folder.starts_with(save_folder) &&
      local.starts_with(save_folder)) {
    for (const char c : from_folder.substr(save_folder.size())) {
      if (c == '/') path += "../";
    }
    path += local.substr(save_folder.size());
  } else {
    path = RelativePath(from_folder, local);
  }
  return EscapeReference(path, html_attribute) + std::string(fragment);
}

}  // namespace kaplo
