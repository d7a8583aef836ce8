// Every outside address the window knows: the search engines, Google's cache
// and redirect forms, the news and reference sites of the menus, the
// dictionary and map pages and the own-address page.
//
// The built-in table can be replaced as a whole by a file (KAPLO_SITES), so
// that tests point every address at 127.0.0.1. Captions and addresses are
// Shift_JIS.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

// One menu entry: the item's component name, its caption and the site's top page.
struct SiteEntry {
  std::string name;
  std::string caption;
  std::string url;
};

struct SiteTable {
  // Scheme and host (and port) of the search sites, no trailing "/".
  std::string google_japan;  // also the site whose "/url?q=" redirects are unwrapped
  std::string google_world;
  std::string yahoo_japan;
  std::string yahoo_world;
  // Host name that marks a link into Google's page cache.
  std::string google_cache_host;
  // Start pages of the dictionary and map panes.
  std::string yahoo_dictionary;
  std::string yahoo_map;
  std::string google_maps;  // with its path and query
  // A public page that shows the caller's own address.
  std::string own_address;
  std::vector<SiteEntry> news;       // "新聞・通信社"
  std::vector<SiteEntry> reference;  // " 参照サイト  "
};

// The addresses this program ships with.
const SiteTable& BuiltInSites();

// The environment variable that names a replacement file.
inline constexpr char kSitesVariable[] = "KAPLO_SITES";

struct SiteTableLoad {
  SiteTable table;
  std::string error;  // UTF-8; empty when the table is usable
};

// Reads a replacement table: an INI file (UTF-8 or Shift_JIS) with
//   [Search]    GoogleJapan= GoogleWorld= YahooJapan= YahooWorld= GoogleCacheHost=
//   [Pages]     YahooDictionary= YahooMap= GoogleMaps= OwnAddress=
//   [News] and [Reference]: ComponentName=address, for the menu entries.
// The file replaces the whole table: an address it does not name is empty and
// is never loaded. Menu captions stay the built-in ones.
SiteTableLoad LoadSiteTable(const std::filesystem::path& file);

// The table named by KAPLO_SITES, or the built-in one when it is unset or
// empty. A file that cannot be read gives an empty table and the reason, so
// nothing falls back to outside addresses.
SiteTableLoad SitesFromEnvironment();

}  // namespace kaplo
