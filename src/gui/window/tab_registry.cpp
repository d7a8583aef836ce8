#include "gui/window/tab_registry.h"

#include <array>

#include "gui/tabs/analysis/analysis_tab.h"
#include "gui/tabs/download/download_tab.h"
#include "gui/tabs/favorites/favorites_tab.h"
#include "gui/tabs/file_search/file_search_tab.h"
#include "gui/tabs/flash/flash_tab.h"
#include "gui/tabs/ip_address/ip_address_tab.h"
#include "gui/tabs/local_page/local_page_tab.h"
#include "gui/tabs/search/search_tab.h"
#include "gui/tabs/tree_explorer/tree_explorer_tab.h"
#include "gui/tabs/util_browse/util_browse_tab.h"
#include "gui/tabs/web_decode/web_decode_tab.h"

namespace kaplo::gui {

namespace {

const std::array<TabEntry, 11> kTabs{{
    {TabId::Search, "PGMainTab01Search", "     ネット検索     ", false, MakeTab<SearchTab>},
    {TabId::Favorites, "PGMainTab10FavariteBrowse", " 「 お気に入り 」閲覧（ 【 ２ 】画面 ） ",
     false, MakeTab<FavoritesTab>},
    {TabId::UtilBrowse, "PGMainTab08UtilBrowse", " 辞書・地図【 １ 】画面  ", false,
     MakeTab<UtilBrowseTab>},
    {TabId::GuiAnalysis, "PGMainTab08GUIBrowser", " Webﾍﾟｰｼﾞ解析  ", false, MakeTab<AnalysisTab>},
    {TabId::Download, "PGMainTab02Dowload", " Ｗｅｂﾍﾟｰｼﾞのﾀﾞｳﾝﾛｰﾄﾞ ", false, MakeTab<DownloadTab>},
    {TabId::LocalPage, "PGMainTab03BrowseLocalFile", " ﾛｰｶﾙ・ﾍﾟｰｼﾞの閲覧  ", false,
     MakeTab<LocalPageTab>},
    {TabId::Flash, "PGMainTab04FlashPlayer", " ﾛｰｶﾙFlashPlayer ", true, MakeTab<FlashTab>},
    {TabId::TreeExplorer, "PGMainTab05TreeExplorer", " ﾌｫﾙﾀﾞｰ/ﾌｧｲﾙのﾂﾘｰ表示とﾌｧｲﾙ検索  ", false,
     MakeTab<TreeExplorerTab>},
    {TabId::WebDecode, "PGMainTab06WebDecode", " Webｺｰﾄﾞ変換 ", false, MakeTab<WebDecodeTab>},
    {TabId::FileSearch, "PGMainTab07FileSearch", " ﾌｧｲﾙ検索 ", true, MakeTab<FileSearchTab>},
    {TabId::IpAddress, "PGMainTabb09IPAddress", "\u3000ＩＰアドレス取得 ", false,
     MakeTab<IpAddressTab>},
}};

}  // namespace

std::span<const TabEntry> TabRegistry() { return kTabs; }

}  // namespace kaplo::gui
