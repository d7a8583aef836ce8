#include "gui/window/tab_registry.h"

#include <array>

#include "gui/tabs/download/download_tab.h"
#include "gui/tabs/ip_address/ip_address_tab.h"

namespace kaplo::gui {

namespace {

// Settings keys that wait for their tab to bind them (kept in the file as
// read until then): NS Keyword ComboBoxSearchKeyWord, NS PageTopHeight
// PanelPGSearchTabTop, NS IMEMode RadioGroupIMEMode, DL BasePageLocal
// EditWBBasePageLocalFimename, GUI Url EditGUIUrl, GUI LocalFile
// BtnEditGUILocalFilename, IP Url EditIPUrl.
const std::array<TabEntry, 11> kTabs{{
    {TabId::Search, "PGMainTab01Search", "     ネット検索     ", false, MakeTab<EmptyTab>},
    {TabId::Favorites, "PGMainTab10FavariteBrowse", " 「 お気に入り 」閲覧（ 【 ２ 】画面 ） ",
     false, MakeTab<EmptyTab>},
    {TabId::UtilBrowse, "PGMainTab08UtilBrowse", " 辞書・地図【 １ 】画面  ", false,
     MakeTab<EmptyTab>},
    {TabId::GuiAnalysis, "PGMainTab08GUIBrowser", " Webﾍﾟｰｼﾞ解析  ", false, MakeTab<EmptyTab>},
    {TabId::Download, "PGMainTab02Dowload", " Ｗｅｂﾍﾟｰｼﾞのﾀﾞｳﾝﾛｰﾄﾞ ", false, MakeTab<DownloadTab>},
    {TabId::LocalPage, "PGMainTab03BrowseLocalFile", " ﾛｰｶﾙ・ﾍﾟｰｼﾞの閲覧  ", false,
     MakeTab<EmptyTab>},
    {TabId::Flash, "PGMainTab04FlashPlayer", " ﾛｰｶﾙFlashPlayer ", true, MakeTab<EmptyTab>},
    {TabId::TreeExplorer, "PGMainTab05TreeExplorer", " ﾌｫﾙﾀﾞｰ/ﾌｧｲﾙのﾂﾘｰ表示とﾌｧｲﾙ検索  ", false,
     MakeTab<EmptyTab>},
    {TabId::WebDecode, "PGMainTab06WebDecode", " Webｺｰﾄﾞ変換 ", false, MakeTab<EmptyTab>},
    {TabId::FileSearch, "PGMainTab07FileSearch", " ﾌｧｲﾙ検索 ", true, MakeTab<EmptyTab>},
    {TabId::IpAddress, "PGMainTabb09IPAddress", "\u3000ＩＰアドレス取得 ", false,
     MakeTab<IpAddressTab>},
}};

}  // namespace

std::span<const TabEntry> TabRegistry() { return kTabs; }

}  // namespace kaplo::gui
