// The favourites menu read from the user's favourites folder: one submenu per
// folder, one item per ".url" shortcut, nested as the folders are.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kaplo {

struct FavoriteNode {
  std::string caption;  // Shift_JIS: the folder's name, or the shortcut's without ".url"
  std::string url;      // links only: the shortcut's address, "non url" when it has none
  bool folder = false;
  std::vector<FavoriteNode> children;
};

// The address of a shortcut that names none.
inline constexpr char kNoFavoriteUrl[] = "non url";
// Folders below this depth are shown empty: a deep or looping tree stays small.
inline constexpr int kFavoritesDepthLimit = 16;

// $XDG_DATA_HOME/kaplo/Favorites (~/.local/share/kaplo/Favorites); empty when
// no home folder is known.
std::filesystem::path FavoritesFolder();

// The entries of a favourites folder, sorted by name without regard to
// letter case. Names beginning with "." are skipped, and so are folders
// reached through a symbolic link and files that are not ".url" shortcuts.
// A missing or unreadable folder gives no entries.
std::vector<FavoriteNode> ReadFavorites(const std::filesystem::path& folder,
                                        int depth_limit = kFavoritesDepthLimit);

// The address of a shortcut file (section "InternetShortcut", key "URL").
std::string ReadShortcutUrl(const std::filesystem::path& file);

// The tree as indented lines: a folder as "name/", a link as "name<TAB>url",
// two blanks per level; Shift_JIS, LF line ends.
std::string FavoritesOutline(const std::vector<FavoriteNode>& nodes);

}  // namespace kaplo
