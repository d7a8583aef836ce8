#include "engine/job_record.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/local_path.h"
#include "engine/resource_map.h"
#include "engine/folder_names.h"
#include "text/fsname.h"

namespace kaplo {
namespace {

std::string Escape(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Unescape(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    const char c = value[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (true) {
    const std::size_t tab = line.find('\t', at);
    fields.push_back(line.substr(at, tab == std::string_view::npos ? line.npos : tab - at));
    if (tab == std::string_view::npos) return fields;
    at = tab + 1;
  }
}

}  // namespace

bool ReadSavedFile(std::string_view file, std::string& bytes) {
  std::ifstream in(FsPath(file), std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

std::string RecordFileOf(std::string_view page_file) {
  std::string base = FileNameOf(page_file);
  if (const std::size_t dot = base.rfind('.'); dot != std::string::npos && dot > 0) {
    base.resize(dot);
  }
  return FolderOf(page_file) + std::string(kRecordPrefix) + base + ".tsv";
}

bool LoadPageRecord(JobRecord& record, std::string_view page_file) {
  if (record.Load(RecordFileOf(page_file))) return true;
  std::string_view stem = page_file;
  if (!stem.ends_with(".html")) return false;
  stem.remove_suffix(5);
  const std::string_view ending = FileExtension(stem);
  if (ending == ".html" || ending == ".htm") return false;
  return record.Load(RecordFileOf(stem));
}

std::string RecordText(const std::vector<RecordLine>& lines, std::string_view folder) {
  std::string out;
  for (const RecordLine& l : lines) {
    out += Escape(l.url) + '\t' + Escape(RelativePath(folder, l.local)) + '\t' +
           Escape(l.validators.etag) + '\t' + Escape(l.validators.last_modified) + '\t' +
           Escape(l.content_type) + '\n';
  }
  return out;
}

std::vector<RecordLine> ParseRecord(std::string_view text, std::string_view folder) {
  std::vector<RecordLine> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (line.ends_with('\r')) line.remove_suffix(1);
    const std::vector<std::string_view> f = Fields(line);
    // A line that lost its fields (a hand edit, a cut write) is left out.
    if (f.size() < 4 || f[0].empty() || f[1].empty()) continue;
    RecordLine r;
    r.url = Unescape(f[0]);
    const std::filesystem::path local =
        (std::filesystem::path(std::string(folder)) / Unescape(f[1])).lexically_normal();
    r.local = local.string();
    r.validators = {Unescape(f[2]), Unescape(f[3])};
    if (f.size() > 4) r.content_type = Unescape(f[4]);
    lines.push_back(std::move(r));
  }
  return lines;
}

void JobRecord::Reset() {
  earlier_.clear();
  now_.clear();
}

bool JobRecord::Load(std::string_view file) {
  earlier_.clear();
  std::string text;
  if (!LocalFileExists(file) || !ReadSavedFile(file, text)) return false;
  for (RecordLine& line : ParseRecord(text, FolderOf(file))) {
    earlier_.emplace(line.url, std::move(line));
  }
  return true;
}

const RecordLine* JobRecord::Earlier(std::string_view url) const {
  const auto it = earlier_.find(url);
  return it == earlier_.end() ? nullptr : &it->second;
}

void JobRecord::Answered(const std::string& url, const Response& response) {
  if (!response.complete || response.status >= 400) return;
  if (response.status != 304) {
    Sent(url, {response.etag, response.last_modified}, response.content_type);
    return;
  }
  RecordLine line;
  if (const RecordLine* before = Earlier(url)) line = *before;
  line.url = url;
  if (!response.etag.empty()) line.validators.etag = response.etag;
  if (!response.last_modified.empty()) line.validators.last_modified = response.last_modified;
  now_[url] = std::move(line);
}

void JobRecord::Sent(const std::string& url, const Validators& validators,
                     std::string content_type) {
  RecordLine& line = now_[url];
  line.url = url;
  line.validators = validators;
  line.content_type = std::move(content_type);
}

RecordLine JobRecord::LineOf(const std::string& url, const std::string& local) const {
  RecordLine line;
  if (const auto it = now_.find(url); it != now_.end()) {
    line = it->second;
  } else if (const RecordLine* before = Earlier(url)) {
    line = *before;
  }
  line.url = url;
  line.local = local;
  return line;
}

}  // namespace kaplo
