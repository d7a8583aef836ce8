#include "workspace/sites.h"

#include <cstdlib>

#include "shell/ini_file.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

struct EntrySpec {
  const char* name;
  const char* caption;  // UTF-8 here, Shift_JIS in the table
  const char* url;
};

constexpr EntrySpec kNews[] = {
    {"MenuNewspaperAsahi", "朝日新聞", "https://www.asahi.com/"},
    {"MenuNewspaperYomiuri", "読売新聞", "https://www.yomiuri.co.jp/"},
    {"MenuNewspaperSankei", "産経新聞", "https://www.sankei.com/"},
    {"MenuNewspaperNikkei", "日経新聞", "https://www.nikkei.com/"},
    {"MenuNewspaperYahoo", "Yahoo", "https://news.yahoo.co.jp/"},
    {"NHK1", "NHK", "https://www3.nhk.or.jp/news/"},
    {"MenuNewspaperJiji", "時事通信社", "https://www.jiji.com/"},
    {"MenuNewspaperNifty", "Ｎｉｆｔｙ", "https://news.nifty.com/"},
    {"MenuNewspaperSearchina", "ＳｅａｒChｉｎａ", "https://www.searchina.net/"},
    {"MenuNewspaperCNN", "CNN", "https://edition.cnn.com/"},
    {"MenuNewspaperReuter", "Reuters", "https://jp.reuters.com/"},
    {"MenuNewspaperAFP", "AFP", "https://www.afpbb.com/"},
    {"MenuNewPaperTenki", "天気", "https://tenki.jp/"},
    {"MenuNewspapeKoreaChuson", "朝鮮日報", "https://www.chosunonline.com/"},
    {"MenuNewspapeKoreajoin", "中央日報", "https://japanese.joins.com/"},
    {"MenuNewspapeKoreayonhap", "連合ニュース", "https://jp.yna.co.kr/"},
    {"MenuNewspapeChinanet", "チャイナネット", "http://japanese.china.org.cn/"},
};

constexpr EntrySpec kReference[] = {
    {"MenuSiteNikkeiWiki", "Ｗｉｋｉ", "https://ja.wikipedia.org/"},
    {"MenuSiteZAKZAK", "ZAKZAK", "https://www.zakzak.co.jp/"},
    {"MenuSiteNewsWeeek", "ニューズウィーク", "https://www.newsweekjapan.jp/"},
    {"MenuSiteNikkeiBp", "日経ＢＰ", "https://www.nikkeibp.co.jp/"},
    {"MenuSiteNikkeiBpBusiness", "日経ＢＰビジネス", "https://business.nikkei.com/"},
    {"MenuSiteSankeiBiz", "産経Ｂｉｚ", "https://www.sankei.com/economy/"},
    {"MenuSiteToyokeizai", "東洋経済", "https://toyokeizai.net/"},
    {"MenuSiteZaikei", "財経新聞", "https://www.zaikei.co.jp/"},
    {"MenuSiteBusinesswire", "ビジネスワイヤ", "https://www.businesswire.com/"},
    {"MenuSiteJBPress", "JBＰｒｅｓｓ", "https://jbpress.ismedia.jp/"},
    {"MenuSiteWedge", "ＷＥＤＧＥ", "https://wedge.ismedia.jp/list/wedgead"},
    {"MenuSiteVector", "VECTOR", "https://www.vector.co.jp/"},
    {"MenuSiteForrest", "窓の杜", "https://forest.watch.impress.co.jp/"},
    {"MenuSiteITMedia", "ITMedia", "https://www.itmedia.co.jp/"},
    {"MeniSiteASCII", "ＡＳＣＩＩ", "https://ascii.jp/"},
    {"MenuSiteAllAbout", "ＡｌｌＡｂｏｕｔ", "https://allabout.co.jp/"},
    {"MenuSiteKankokuKeizai", "韓国経済", "https://japanese.hankyung.com/"},
};

template <std::size_t N>
std::vector<SiteEntry> Entries(const EntrySpec (&specs)[N], const IniFile* file,
                               std::string_view section) {
  std::vector<SiteEntry> out;
  for (const EntrySpec& s : specs) {
    out.push_back({s.name, SjisFromUtf8Literal(s.caption),
                   file ? file->ReadString(section, s.name) : std::string(s.url)});
  }
  return out;
}

SiteTable BuildTable(const IniFile* file) {
  const auto value = [file](std::string_view section, std::string_view key,
                            std::string_view built_in) {
    return file ? file->ReadString(section, key) : std::string(built_in);
  };
  SiteTable t;
  t.google_japan = value("Search", "GoogleJapan", "https://www.google.co.jp");
  t.google_world = value("Search", "GoogleWorld", "https://www.google.com");
  t.yahoo_japan = value("Search", "YahooJapan", "https://search.yahoo.co.jp");
  t.yahoo_world = value("Search", "YahooWorld", "https://search.yahoo.com");
  t.google_cache_host = value("Search", "GoogleCacheHost", "webcache.googleusercontent.com");
  t.yahoo_dictionary = value("Pages", "YahooDictionary", "https://dic.yahoo.co.jp/");
  t.yahoo_map = value("Pages", "YahooMap", "https://map.yahoo.co.jp/");
  t.google_maps = value("Pages", "GoogleMaps",
                        "https://www.google.co.jp/maps?ie=UTF-8&oe=UTF-8&hl=ja&tab=wl&q=");
  t.own_address = value("Pages", "OwnAddress", "https://www.ugtop.com/spill.shtml");
  t.news = Entries(kNews, file, "News");
  t.reference = Entries(kReference, file, "Reference");
  // A trailing "/" on a search site would double the one its paths begin with.
  for (std::string* site : {&t.google_japan, &t.google_world, &t.yahoo_japan, &t.yahoo_world}) {
    while (!site->empty() && site->back() == '/') site->pop_back();
  }
  return t;
}

}  // namespace

const SiteTable& BuiltInSites() {
  static const SiteTable table = BuildTable(nullptr);
  return table;
}

SiteTableLoad LoadSiteTable(const std::filesystem::path& file) {
  const IniRead read = ReadIniFile(file);
  if (read.status != IniStatus::kOk) {
    // read.file is empty here: every address of the table is empty.
    return {BuildTable(&read.file),
            file.string() + (read.status == IniStatus::kMissing
                                 ? ": no such site table file"
                                 : ": the site table file cannot be read")};
  }
  return {BuildTable(&read.file), {}};
}

SiteTableLoad SitesFromEnvironment() {
  const char* file = std::getenv(kSitesVariable);
  if (!file || !*file) return {BuiltInSites(), {}};
  return LoadSiteTable(file);
}

}  // namespace kaplo
