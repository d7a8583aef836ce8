// The browsing tabs without a window: the query address a search would load
// and the favourites menu.
#include <cstdio>
#include <iostream>
#include <string>

#include "cli/cli.h"
#include "cli/terminal.h"
#include "filetools/favorites.h"
#include "text/convert.h"
#include "workspace/sites.h"
#include "workspace/web_search.h"

namespace kaplo::cli {
namespace {

int SearchUrl(std::span<const std::string> argv) {
  Args args(argv);
  const bool yahoo = args.Flag("--yahoo");
  const bool world = args.Flag("--en");
  long long offset = -1;
  const bool paging = args.IntValue("--offset", 0, 1'000'000'000, offset);
  const std::vector<std::string> words = args.Positionals(1, 1000);

  const SiteTableLoad sites = SitesFromEnvironment();
  if (!sites.error.empty()) {
    Complain(sites.error);
    return 1;
  }
  std::string keyword;
  for (const std::string& w : words) keyword += (keyword.empty() ? "" : " ") + ArgToSjis(w);
  const SearchEngine engine = yahoo ? SearchEngine::kYahoo : SearchEngine::kGoogle;
  std::string url;
  if (paging) {
    url = PagingUrl(sites.table, engine, keyword, world, static_cast<int>(offset));
  } else {
    SearchState state;
    url = StartSearch(sites.table, state, engine, keyword, world).url;
  }
  if (url.empty()) {
    Complain(NormaliseKeyword(keyword).empty()
                 ? Tr("the keyword is blank", "キーワードが空です")
                 : Tr("the site table names no such search site",
                      "サイト表にその検索サイトがありません"));
    return 1;
  }
  WriteStdout(SjisToTerminal(url) + "\n");
  return 0;
}

int Favorites(std::span<const std::string> argv) {
  Args args(argv);
  const std::vector<std::string> pos = args.Positionals(0, 1);
  const std::filesystem::path folder = pos.empty() ? FavoritesFolder() : std::filesystem::path(pos[0]);
  std::error_code ec;
  if (folder.empty() || !std::filesystem::is_directory(folder, ec)) {
    Complain(Tr("no favourites folder ", "お気に入りのフォルダーがありません: ") +
             ArgForMessage(folder.string()));
    return 1;
  }
  WriteStdout(SjisToTerminal(FavoritesOutline(ReadFavorites(folder))));
  return 0;
}

constexpr Option kSearchOptions[] = {
    {"--yahoo", "", "", "the Yahoo query address instead of Google's",
     "Google ではなく Yahoo の検索アドレス"},
    {"--en", "", "", "the international site instead of the Japanese one",
     "日本のサイトではなく国際版のサイト"},
    {"--offset", "N", "", "the page of results the paging buttons load (N results on)",
     "ページ送りのボタンが読み込む結果のページ（N 件目から）"},
};

constexpr Command kCommands[] = {
    {"search-url", "[--yahoo] [--en] [--offset N] WORDS...",
     "the Google (or Yahoo) query address the search tab loads for WORDS (100 results a page)",
     SearchUrl, kSearchOptions,
     "検索タブが WORDS について読み込む Google（または Yahoo）の検索アドレス（1 ページ 100 件）",
     "Every outside address comes from the site table: KAPLO_SITES=FILE replaces it (INI "
     "sections Search, Pages, News, Reference; an address the file does not name stays empty).",
     "外部のアドレスはすべてサイト表から来ます: KAPLO_SITES=FILE で置き換えられます（INI の"
     "セクション Search、Pages、News、Reference。ファイルにないアドレスは空のままです）。"},
    {"favorites", "[FOLDER]",
     "the favourites menu read from FOLDER (default $XDG_DATA_HOME/kaplo/Favorites): folders as "
     "\"name/\", .url shortcuts as name, a tab and the address",
     Favorites, {},
     "FOLDER（既定は $XDG_DATA_HOME/kaplo/Favorites）から読んだお気に入りのメニュー: "
     "フォルダーは「名前/」、.url のショートカットは名前、タブ、アドレス"},
};

}  // namespace

std::span<const Command> BrowseCommands() { return kCommands; }

}  // namespace kaplo::cli
