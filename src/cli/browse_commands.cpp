// The browsing tabs without a window: the query address a search would load
// and the favourites menu.
#include <cstdio>
#include <iostream>
#include <string>

#include "cli/cli.h"
#include "filetools/favorites.h"
#include "text/convert.h"
#include "workspace/sites.h"
#include "workspace/web_search.h"

namespace kaplo::cli {
namespace {

std::string FromTerminal(const std::string& utf8) {
  std::string s = Utf8ToShiftJIS(utf8);
  return s.empty() ? utf8 : s;
}

int SearchUrl(std::span<const std::string> argv) {
  Args args(argv);
  const bool yahoo = args.Flag("--yahoo");
  const bool world = args.Flag("--en");
  long long offset = -1;
  const bool paging = args.IntValue("--offset", 0, 1'000'000'000, offset);
  const std::vector<std::string> words = args.Positionals(1, 1000);

  const SiteTableLoad sites = SitesFromEnvironment();
  if (!sites.error.empty()) {
    std::cerr << "kaplo search-url: " << sites.error << "\n";
    return 1;
  }
  std::string keyword;
  for (const std::string& w : words) keyword += (keyword.empty() ? "" : " ") + FromTerminal(w);
  const SearchEngine engine = yahoo ? SearchEngine::kYahoo : SearchEngine::kGoogle;
  std::string url;
  if (paging) {
    url = PagingUrl(sites.table, engine, keyword, world, static_cast<int>(offset));
  } else {
    SearchState state;
    url = StartSearch(sites.table, state, engine, keyword, world).url;
  }
  if (url.empty()) {
    std::cerr << "kaplo search-url: "
              << (NormaliseKeyword(keyword).empty() ? "the keyword is blank"
                                                    : "the site table names no such search site")
              << "\n";
    return 1;
  }
  std::cout << ShiftJISToUtf8(url) << "\n";
  return 0;
}

int Favorites(std::span<const std::string> argv) {
  Args args(argv);
  const std::vector<std::string> pos = args.Positionals(0, 1);
  const std::filesystem::path folder = pos.empty() ? FavoritesFolder() : std::filesystem::path(pos[0]);
  std::error_code ec;
  if (folder.empty() || !std::filesystem::is_directory(folder, ec)) {
    std::cerr << "kaplo favorites: no favourites folder " << folder.string() << "\n";
    return 1;
  }
  WriteStdout(ShiftJISToUtf8(FavoritesOutline(ReadFavorites(folder))));
  return 0;
}

constexpr Command kCommands[] = {
    {"search-url", "[--yahoo] [--en] [--offset N] WORDS...",
     "the Google (or Yahoo) query address the search tab loads; --en: the international "
     "site, --offset: the page the paging buttons load",
     SearchUrl},
    {"favorites", "[FOLDER]",
     "the favourites menu: folders as \"name/\", links as name TAB address",
     Favorites},
};

}  // namespace

std::span<const Command> BrowseCommands() { return kCommands; }

}  // namespace kaplo::cli
