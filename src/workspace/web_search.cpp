#include "workspace/web_search.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iterator>

#include "engine/url.h"
#include "text/convert.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"
#include "text/urlcode.h"

namespace kaplo {
namespace {

constexpr auto npos = std::string::npos;

bool StartsWithSite(std::string_view url, std::string_view site) {
  return !site.empty() && url.starts_with(site) && url.size() > site.size() &&
         url[site.size()] == '/';
}

// Words of a keyword: runs of anything but blanks (half- or full-width) and,
// when commas_split, commas.
std::vector<std::string> Words(std::string_view text, bool commas_split) {
  std::vector<std::string> words;
  std::string word;
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    const bool pair = IsSjisLeadByte(b) && i + 1 < text.size() &&
                      IsSjisTrailByte(static_cast<unsigned char>(text[i + 1]));
    const std::size_t len = pair ? 2 : 1;
    const std::string_view ch = text.substr(i, len);
    const bool gap = ch == " " || ch == SJ<"　">() || (commas_split && ch == ",");
    if (gap) {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word.append(ch);
    }
    i += len;
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

std::string GoogleSearchUrl(const SiteTable& sites, std::string_view q, bool world) {
  const std::string& site = world ? sites.google_world : sites.google_japan;
  if (site.empty()) return {};
  if (world) {
    return site + "/search?as_q=" + std::string(q) +
           "&as_epq=&as_oq=&as_eq=&hl=ja&num=100&lr=lang_en&cr=&as_ft=i&as_filetype=&as_qdr=all"
           "&as_occt=any&as_dt=i&as_sitesearch=&as_rights=&safe=images"
           "&btnG=Google+%E6%A4%9C%E7%B4%A2";
  }
  return site + "/search?as_q=" + std::string(q) +
         "&num=100&hl=ja&ie=UTF-8&oe=UTF-8&btnG=Google+%E6%A4%9C%E7%B4%A2&as_epq=&as_oq=&as_eq="
         "&lr=&as_ft=i&as_filetype=&as_qdr=all&as_occt=any&as_dt=i&as_sitesearch=";
}

std::string YahooSearchUrl(const SiteTable& sites, std::string_view q, bool world) {
  const std::string& site = world ? sites.yahoo_world : sites.yahoo_japan;
  if (site.empty()) return {};
  return site + "/search?p=" + std::string(q) + "&aq=-1&oq=&ei=UTF-8&fr=top_ga1_sa&x=wrt";
}

LinkAction Go(LinkTarget target, std::string url, bool hand_on = false) {
  // Only web addresses are ever followed or handed on: never "javascript:",
  // "file:" or anything else a page may carry.
  if (!IsHttpUrl(url)) return {};
  return {target, std::string(Trim(url)), hand_on};
}

bool MentionsJava(std::string_view url) { return ContainsAtBoundary(LowerAscii(url), "java"); }

std::string FormatTime(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d年%02d月%02d日 %02d時%02d分", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min);
  return Utf8ToShiftJIS(buf);
}

}  // namespace

std::string NormaliseKeyword(std::string_view keyword) {
  std::string out;
  for (const std::string& w : Words(Trim(keyword), false)) {
    if (!out.empty()) out += ' ';
    out += w;
  }
  return out;
}

std::string EncodeQueryValue(std::string_view sjis) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::string utf8 = ShiftJISToUtf8(sjis);
  std::string out;
  out.reserve(utf8.size() * 3);
  for (const char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '-' ||
        b == '.' || b == '_' || b == '~') {
      out += c;
    } else if (b == ' ') {
      out += '+';
    } else if (b != 0) {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
    }
  }
  return out;
}

SearchRequest StartSearch(const SiteTable& sites, SearchState& state, SearchEngine engine,
                          std::string_view keyword, bool world) {
  const std::string trimmed(Trim(keyword));
  const std::string k = NormaliseKeyword(keyword);
  if (k.empty()) return {};
  const std::string q = EncodeQueryValue(k);
  SearchRequest r;
  if (engine == SearchEngine::kGoogle) {
    r = {GoogleSearchUrl(sites, q, world), k, trimmed};
  } else {
    r = {YahooSearchUrl(sites, q, world), trimmed, k};
  }
  if (r.url.empty()) return {};
  state.engine = engine;
  state.offset = 1;
  return r;
}

std::string PagingUrl(const SiteTable& sites, SearchEngine engine, std::string_view keyword,
                      bool world, int offset) {
  const std::string k = NormaliseKeyword(keyword);
  if (k.empty()) return {};
  const std::string q = EncodeQueryValue(k);
  const std::string n = std::to_string(offset);
  if (engine == SearchEngine::kYahoo) {
    if (sites.yahoo_japan.empty()) return {};
    return sites.yahoo_japan + "/search?p=" + q + "&aq=-1&ei=UTF-8&pstart=1&fr=ush-jp_full&b=" + n;
  }
  const std::string& site = world ? sites.google_world : sites.google_japan;
  if (site.empty()) return {};
  return site + "/search?as_q=" + q + "&num=100&hl=ja&lr=&ie=UTF-8&oe=UTF-8&as_qdr=all&start=" +
         n + "&sa=N";
}

std::string PageSearch(const SiteTable& sites, SearchState& state, std::string_view keyword,
                       bool world, bool next) {
  if (NormaliseKeyword(keyword).empty() || state.offset == -1) return {};
  if (next) {
    state.offset += 100;
  } else {
    state.offset -= 100;
    if (state.offset < 0) {
      state.offset = 1;
      return {};
    }
  }
  return PagingUrl(sites, state.engine, keyword, world, state.offset);
}

std::string QuoteKeywords(std::string_view keyword) {
  std::string out;
  for (const std::string& w : Words(Trim(keyword), true)) {
    std::string bare;
    std::remove_copy(w.begin(), w.end(), std::back_inserter(bare), '"');
    if (bare.empty()) continue;
    if (!out.empty()) out += ' ';
    out += '"' + bare + '"';
  }
  return out;
}

bool AddKeywordToHistory(std::vector<std::string>& items, std::string_view keyword) {
  if (keyword.empty() || std::find(items.begin(), items.end(), keyword) != items.end()) {
    return false;
  }
  items.emplace_back(keyword);
  return true;
}

std::string UndoDoubleEncoding(std::string_view url) { return ReplaceAllExact(url, "%25", "%"); }

std::string UnwrapSearchRedirect(const SiteTable& sites, std::string_view url) {
  const std::string_view site = sites.google_japan;
  if (site.empty() || site == kGoogleJapanAddress || !url.starts_with(site) ||
      !url.substr(site.size()).starts_with("/url?")) {
    return DecodeSearchRedirect(url);
  }
  const std::string mapped = std::string(kGoogleJapanAddress) + std::string(url.substr(site.size()));
  std::string target = DecodeSearchRedirect(mapped);
  return target == mapped ? std::string(url) : target;
}

LinkAction ResultPaneClick(const SiteTable& sites, std::string_view link, bool immediate) {
  if (link.empty()) return {};
  if (IsPageLink(link)) {
    std::string u = UnwrapSearchRedirect(sites, link);
    if (immediate) return Go(LinkTarget::kSystemBrowser, u);
    u = UndoDoubleEncoding(u);
    // A further page of Yahoo results stays in the result pane.
    const bool paging = (StartsWithSite(u, sites.yahoo_japan) ||
                         StartsWithSite(u, sites.yahoo_world)) &&
                        ContainsAtBoundary(u, "start=");
    const bool hand_on = !MentionsJava(u);
    return Go(paging ? LinkTarget::kResultPane : LinkTarget::kTargetPane, u, hand_on);
  }
  // A document or a mail link.
  std::string u = UndoDoubleEncoding(link);
  if (const std::size_t pdf = FindAtBoundary(LowerAscii(u), ".pdf"); pdf != npos) {
    u.resize(pdf + 4);
  }
  return Go(LinkTarget::kSystemBrowser, u);
}

LinkAction ResultPaneNewWindow(const SiteTable& sites, SearchEngine engine, std::string_view link,
                               bool page_complete) {
  if (link.empty()) return {};
  std::string u = engine == SearchEngine::kYahoo ? UndoDoubleEncoding(link) : std::string(link);
  if (!sites.google_cache_host.empty() && ContainsAtBoundary(u, sites.google_cache_host)) {
    if (const std::size_t ei = PosIgnoreCase("&ei=", u); ei > 0) u.resize(ei - 1);
    if (const std::size_t at = FindAtBoundary(u, "url="); at != npos) u.erase(0, at + 4);
    u = UrlDecodeBytes(ReplaceAllExact(ReplaceAllExact(u, "%2F", "/"), "%3A", ":"));
  }
  if (engine == SearchEngine::kYahoo && page_complete) return Go(LinkTarget::kNewTab, u);
  if (!sites.google_japan.empty()) {
    const std::string prefix = sites.google_japan + "/url?q=";
    if (const std::size_t at = FindAtBoundary(u, prefix); at != npos) {
      const std::string_view rest = std::string_view(u).substr(at + prefix.size());
      // The target runs to Google's own parameters.
      if (rest.starts_with("http:") || rest.starts_with("https:")) {
        u = std::string(rest.substr(0, rest.find("&sa=")));
      }
    }
  }
  return Go(LinkTarget::kTargetPane, u, true);
}

LinkAction TargetPaneClick(std::string_view link) {
  if (link.empty() || !IsPageLink(link)) return {};
  return Go(LinkTarget::kAuxiliaryPane, std::string(link));
}

LinkAction OpenFavouriteSite(std::string_view url, bool immediate) {
  if (url.empty()) return {};
  return Go(immediate ? LinkTarget::kSystemBrowser : LinkTarget::kFavouritesMain,
            std::string(Trim(url)));
}

LinkAction FavouritesPaneClick(std::string_view link, bool contents_pane, bool immediate) {
  if (link.empty()) return {};
  std::string t(link);
  if (const std::size_t mark = FindAtBoundary(t, "*-"); mark != npos) t.erase(0, mark + 2);
  const std::string lower = LowerAscii(t);
  for (std::string_view document : {".pdf", ".doc", ".xls", ".zip", ".lzh", ".nfs"}) {
    if (ContainsAtBoundary(lower, document)) {
      return Go(LinkTarget::kSystemBrowser, std::string(link));
    }
  }
  if (const std::size_t related = FindAtBoundary(t, "related:+"); related != npos) {
    t.resize(related);
  }
  // An address written after a "+" is the one the link leads to.
  for (std::string_view embedded : {"+http://", "+https://"}) {
    if (const std::size_t plus = FindAtBoundary(t, embedded); plus != npos) {
      t.erase(0, plus + 1);
      break;
    }
  }
  if (contents_pane) return Go(LinkTarget::kSidePane, t);
  return Go(immediate ? LinkTarget::kSystemBrowser : LinkTarget::kContentsPane, t);
}

LinkAction FavouritesNewWindow(std::string_view link, bool page_complete) {
  if (link.empty() || !page_complete) return {};
  return Go(LinkTarget::kNewTab, std::string(link));
}

ProbeTexts DescribeProbe(const ProbeReport& report) {
  ProbeTexts texts;
  if (!report.ok) {
    texts.message = SJ<"指定したページまたはファイルが見つかりませんでした．">();
    return texts;
  }
  texts.found = true;
  texts.headers = report.status_line + "\r\n";
  for (const std::string& line : report.header_lines) texts.headers += line + "\r\n";
  texts.headers += "\r\n";
  const std::string time = report.last_modified ? FormatTime(*report.last_modified) : "";
  const std::string size =
      report.content_length >= 0 ? std::to_string(report.content_length) : "";
  texts.details = report.final_url + "\r\n\r\n\r\n" + SJ<"最終更新日時　　： ">() + time + "\r\n" +
                  SJ<"ファイルサイズ　　： ">() + size + SJ<" バイト">() + "\r\n" +
                  SJ<"フルパス名　　　　： ">() + report.final_url + "\r\n" +
                  SJ<"ファイル名　　　　 ： ">() + UrlFileName(report.final_url) + "\r\n\r\n";
  return texts;
}

}  // namespace kaplo
