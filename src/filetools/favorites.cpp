#include "filetools/favorites.h"

#include <algorithm>
#include <cstdlib>

#include "shell/ini_file.h"
#include "text/fsname.h"
#include "text/sjis.h"

namespace kaplo {
namespace fs = std::filesystem;
namespace {

bool EndsWithUrl(const std::string& name) {
  return name.size() > 4 && LowerAscii(std::string_view(name).substr(name.size() - 4)) == ".url";
}

struct Entry {
  std::string name;  // on-disk (UTF-8) name
  fs::path path;
  bool folder;
};

void Fill(const fs::path& folder, int depth_left, std::vector<FavoriteNode>& out) {
  std::vector<Entry> entries;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.') continue;
    std::error_code st_ec;
    // A linked folder is not followed: it could lead back up the tree.
    const fs::file_status own = it->symlink_status(st_ec);
    if (st_ec) continue;
    if (fs::is_directory(own)) {
      entries.push_back({std::move(name), it->path(), true});
    } else if (EndsWithUrl(name) && fs::is_regular_file(it->status(st_ec)) && !st_ec) {
      entries.push_back({std::move(name), it->path(), false});
    }
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    const std::string la = LowerAscii(a.name), lb = LowerAscii(b.name);
    return la != lb ? la < lb : a.name < b.name;
  });
  for (Entry& e : entries) {
    FavoriteNode node;
    node.folder = e.folder;
    if (e.folder) {
      node.caption = SjisFromFsPath(e.name);
      if (depth_left > 1) Fill(e.path, depth_left - 1, node.children);
    } else {
      node.caption = SjisFromFsPath(e.name.substr(0, e.name.size() - 4));
      node.url = ReadShortcutUrl(e.path);
    }
    out.push_back(std::move(node));
  }
}

void Outline(const std::vector<FavoriteNode>& nodes, int level, std::string& out) {
  for (const FavoriteNode& n : nodes) {
    out.append(static_cast<std::size_t>(level) * 2, ' ');
    if (n.folder) {
      out += n.caption + "/\n";
      Outline(n.children, level + 1, out);
    } else {
      out += n.caption + "\t" + n.url + "\n";
    }
  }
}

}  // namespace

fs::path FavoritesFolder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') {
    return fs::path(xdg) / "kaplo" / "Favorites";
  }
  if (const char* home = std::getenv("HOME"); home && home[0] != '\0') {
    return fs::path(home) / ".local" / "share" / "kaplo" / "Favorites";
  }
  return {};
}

std::string ReadShortcutUrl(const fs::path& file) {
  const IniRead read = ReadIniFile(file);
  if (read.status != IniStatus::kOk) return kNoFavoriteUrl;
  return read.file.ReadString("InternetShortcut", "URL", kNoFavoriteUrl);
}

std::vector<FavoriteNode> ReadFavorites(const fs::path& folder, int depth_limit) {
  std::vector<FavoriteNode> nodes;
  if (!folder.empty() && depth_limit > 0) Fill(folder, depth_limit, nodes);
  return nodes;
}

std::string FavoritesOutline(const std::vector<FavoriteNode>& nodes) {
  std::string out;
  Outline(nodes, 0, out);
  return out;
}

}  // namespace kaplo
