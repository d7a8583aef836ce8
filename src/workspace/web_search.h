// The rules of the web search and favourites tabs, without a window: query
// addresses for Google and Yahoo, paging, the quotation button, and where a
// link that the user clicks in a pane goes. The window only carries out the
// LinkAction it is given.
//
// Texts are Shift_JIS. Addresses of the outside world come from a SiteTable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/fetch.h"
#include "workspace/sites.h"

namespace kaplo {

enum class SearchEngine { kGoogle, kYahoo };

// What the search tab remembers between searches.
struct SearchState {
  SearchEngine engine = SearchEngine::kGoogle;
  int offset = 0;  // 1 after a new search, moved by 100 by the paging buttons
};

// Trimmed (full-width blanks too), each run of full-width or half-width
// blanks made one blank.
std::string NormaliseKeyword(std::string_view keyword);

// The UTF-8 form of a Shift_JIS text percent-encoded as one query value:
// only letters, digits and "-._~" stay, a blank is "+", NUL bytes are dropped.
// So "C#", "AT&T" and "100%" reach the engine as typed.
std::string EncodeQueryValue(std::string_view sjis);

struct SearchRequest {
  std::string url;        // empty when the keyword is blank: no search
  std::string history;    // what the keyword box's drop-down gains
  std::string highlight;  // what the highlight boxes show
};

// A new search of 100 results a page; world picks the international site.
// On success the state is set to the engine with offset 1.
SearchRequest StartSearch(const SiteTable& sites, SearchState& state, SearchEngine engine,
                          std::string_view keyword, bool world);

// The next (+100) or previous (-100) page of the last search; empty when
// nothing is to be loaded (blank keyword, or back before the first page, which
// puts the offset to 1). Yahoo pages always come from the Japanese site.
std::string PageSearch(const SiteTable& sites, SearchState& state, std::string_view keyword,
                       bool world, bool next);

// The query address for a given offset, as the paging buttons build it.
std::string PagingUrl(const SiteTable& sites, SearchEngine engine, std::string_view keyword,
                      bool world, int offset);

// The quotation button: every word of the keyword in double quotes, joined
// by blanks; empty when there is no word.
std::string QuoteKeywords(std::string_view keyword);

// Adds a keyword to a history list unless empty or already there.
bool AddKeywordToHistory(std::vector<std::string>& items, std::string_view keyword);

// "%25" back to "%" in a link that was encoded twice.
std::string UndoDoubleEncoding(std::string_view url);
// DecodeSearchRedirect, with the table's Japanese Google site taking the
// place of the one it knows.
std::string UnwrapSearchRedirect(const SiteTable& sites, std::string_view url);

enum class LinkTarget {
  kNothing,        // the click is cancelled and nothing loads
  kSystemBrowser,  // the desktop's browser opens it
  kResultPane,
  kTargetPane,
  kAuxiliaryPane,
  kNewTab,         // a new numbered tab
  kFavouritesMain,  // favourites tab: main pane, contents pane, side pane (" 詳細 ")
  kContentsPane,
  kSidePane,
};

struct LinkAction {
  LinkTarget target = LinkTarget::kNothing;
  std::string url;
  // The link is also given to the download, address and analysis tabs.
  bool hand_on = false;
};

// A click on a link of the search result pane. immediate: "直接【 ＩＥ 】で
// 新規ｳｨﾝﾄﾞｳに表示する" is checked.
LinkAction ResultPaneClick(const SiteTable& sites, std::string_view link, bool immediate);
// A link of the result pane that asks for a new window; page_complete: the
// result page has finished loading.
LinkAction ResultPaneNewWindow(const SiteTable& sites, SearchEngine engine, std::string_view link,
                               bool page_complete);
// A click in the target pane.
LinkAction TargetPaneClick(std::string_view link);

// A site opened in the favourites tab from a menu, the favourites or the
// paste button.
LinkAction OpenFavouriteSite(std::string_view url, bool immediate);
// A click in the favourites main pane (contents_pane false) or contents pane.
LinkAction FavouritesPaneClick(std::string_view link, bool contents_pane, bool immediate);
// A new window asked for by the favourites main pane.
LinkAction FavouritesNewWindow(std::string_view link, bool page_complete);

// What the "ＨＴＴＰｇｅｔ" button shows of a probe.
struct ProbeTexts {
  bool found = false;
  std::string message;  // when not found
  std::string headers;  // status line, header lines, an empty line
  std::string details;  // address, time, size, full and file name
};
ProbeTexts DescribeProbe(const ProbeReport& report);

}  // namespace kaplo
