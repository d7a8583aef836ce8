#include "engine/local_path.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "engine/folder_names.h"
#include "engine/url.h"
#include "text/convert.h"
#include "text/fsname.h"
#include "text/sjis.h"
#include "text/strutil.h"
#include "text/urlcode.h"

namespace kaplo {
namespace {

constexpr auto npos = std::string_view::npos;

bool Has(std::string_view text, std::string_view sub) { return ContainsAtBoundary(text, sub); }

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The address with its path's percent escapes read, as the file name a
// browser looks for: "%E7%94%BB.png" is "画.png". Escapes that would make a
// separator or a control character stay, and so does a path that is not
// UTF-8 or names a character Shift_JIS lacks. The query stays as sent.
std::string ReadPathEscapes(std::string_view url) {
  const std::size_t scheme = url.find("://");
  if (scheme == npos) return std::string(url);
  const std::size_t path = url.find('/', scheme + 3);
  if (path == npos) return std::string(url);
  const std::size_t end = std::min(url.find('?', path), url.size());
  const std::string_view escaped = url.substr(path, end - path);
  if (escaped.find('%') == npos) return std::string(url);
  std::string bytes;
  bool wide = false;
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    if (escaped[i] == '%' && i + 2 < escaped.size() && Hex(escaped[i + 1]) >= 0 &&
        Hex(escaped[i + 2]) >= 0) {
      const int b = Hex(escaped[i + 1]) * 16 + Hex(escaped[i + 2]);
      if (b >= 0x20 && b != 0x7F && b != '/' && b != '\\') {
        bytes += static_cast<char>(b);
        wide |= b >= 0x80;
        i += 2;
        continue;
      }
    }
    bytes += escaped[i];
  }
  std::string name = bytes;
  if (wide) {
    name = Utf8ToShiftJIS(bytes);
    const auto questions = [](std::string_view s) { return std::count(s.begin(), s.end(), '?'); };
    if (name.empty() || questions(name) != questions(bytes)) return std::string(url);
  }
  return std::string(url.substr(0, path)) + name + std::string(url.substr(end));
}

}  // namespace

std::string SafeLocalPath(std::string_view path, std::string_view save_folder) {
  if (save_folder.empty()) return UrlToSafePath(path);
  std::string folder(save_folder);
  if (folder.back() != '/') folder += '/';
  if (path.starts_with(folder)) return UrlToSafePath(folder, path.substr(folder.size()));
  // Not made below this folder (a line without fields, a path typed elsewhere):
  // it goes below the folder all the same.
  return UrlToSafePath(folder, path);
}

std::string FolderOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string_view FileExtension(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.find_last_of("/\\");
  if (dot == npos || (slash != npos && dot < slash)) return {};
  return path.substr(dot);
}

std::string FileNameOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == npos ? path : path.substr(slash + 1));
}

std::string UrlToLocalPath(std::string_view url, std::string_view folder, int mode,
                           int fetched_copy) {
  if (!Has(url, "//")) return std::string(url);
  const std::string decoded =
      mode == kUrlDecodeNone ? ReadPathEscapes(url) : DecodeUrlForPath(url, mode);
  const std::string t = ReplaceFirstExact(StripSchemeAndWww(decoded), "//", "|");
  const std::size_t slash = FindAtBoundary(t, "/");
  std::string rest = slash == npos ? t : t.substr(slash + 1);
  // A backslash in a URL separates folders too, as "/" does; every colon of
  // the URL's part becomes ";".
  rest = ReplaceAllExact(rest, "\\", "/");
  rest = ReplaceAllExact(rest, ":", ";");
  std::string path = UrlToSafePath(folder, rest);
  if (fetched_copy == 1) {
    const std::string name = FileNameOf(path);
    path = PrefixedName(name.empty() ? path + std::string(kIndexPage) : path, kFetchedPagePrefix);
  }
  return path;
}

std::string SaveTextFile(std::string_view text, std::string_view file_name) {
  if (text.empty()) return {};
  if (Trim(file_name).empty() || file_name.back() == '/') return {};
  if (Has(file_name, "http:") || Has(file_name, "https:") || Has(file_name, "+") ||
      Has(file_name, "file:\\\\\\") || Has(file_name, "file:/")) {
    return {};
  }
  std::string name = ReplaceAllExact(file_name, "?", "@");
  name = ReplaceAllExact(name, "|", "~");
  // Colons of the file name part become ";"; the folder is the user's.
  name = FolderOf(name) + ReplaceAllExact(FileNameOf(name), ":", ";");
  if (!IsPathFitForFileSystem(name) || name.size() > 250) return {};
  if (const std::size_t eq = FindAtBoundary(name, "=http"); eq != npos) {
    // An address inside a query stays one file name.
    name = name.substr(0, eq) + ReplaceAllExact(name.substr(eq), "/", "~");
  }
  const std::string file = FileNameOf(name);
  if (file.empty()) return {};
  const std::string folder = FolderOf(name);
  // The folder is already safe (made by UrlToLocalPath or chosen by the user).
  if (!folder.empty() && ForceFolderForPath(folder, "").empty()) return {};

  namespace fs = std::filesystem;
  const fs::path target = FsPath(name);
  fs::path temp = target;
  temp += ".kaplo-part";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return {};
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  std::error_code ec;
  if (std::fclose(f) == 0 && written) {
    fs::rename(temp, target, ec);
    if (!ec) return name;
  }
  fs::remove(temp, ec);
  return {};
}

std::string PrefixedName(std::string_view path, std::string_view prefix) {
  return FolderOf(path) + std::string(prefix) + FileNameOf(path);
}

bool LocalFileExists(std::string_view path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(FsPath(path), ec);
}

bool LocalFolderExists(std::string_view folder) {
  std::error_code ec;
  return !folder.empty() && std::filesystem::is_directory(FsPath(folder), ec);
}

}  // namespace kaplo
