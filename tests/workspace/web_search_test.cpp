#include "workspace/web_search.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <mutex>

#include "engine/fetch.h"
#include "engine/http_server_support.h"
#include "text/convert.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

SiteTable TestSites() {
  SiteTable t;
  t.google_japan = "http://gj.test";
  t.google_world = "http://gw.test";
  t.yahoo_japan = "http://yj.test";
  t.yahoo_world = "http://yw.test";
  t.google_cache_host = "cache.test";
  return t;
}

std::string S(const char* utf8) { return Utf8ToShiftJIS(utf8); }

TEST(WebSearchTest, KeywordsAreTrimmedAndTheirBlanksSqueezed) {
  EXPECT_EQ(NormaliseKeyword(S("  a　　　b  \t")), "a b");
  EXPECT_EQ(NormaliseKeyword(S("a 　 　b　c")), "a b c");
  EXPECT_EQ(NormaliseKeyword(S(" 　 　")), "");
  // The bytes 81 81 40 are "＝" and "@", not a full-width blank (81 40).
  EXPECT_EQ(NormaliseKeyword(S("＝@")), S("＝@"));
}

TEST(WebSearchTest, KeywordsReachTheQueryAsOneEncodedValue) {
  EXPECT_EQ(EncodeQueryValue("C#"), "C%23");
  EXPECT_EQ(EncodeQueryValue("AT&T 100%"), "AT%26T+100%25");
  EXPECT_EQ(EncodeQueryValue(S("あ=?/+")), "%E3%81%82%3D%3F%2F%2B");
  EXPECT_EQ(EncodeQueryValue(std::string("a\0b-._~", 7)), "ab-._~");
}

TEST(WebSearchTest, NewSearchesBuildTheEnginesQueryAddresses) {
  const SiteTable t = TestSites();
  SearchState state{SearchEngine::kYahoo, 501};
  SearchRequest r = StartSearch(t, state, SearchEngine::kGoogle, S(" あ　C# "), false);
  EXPECT_EQ(r.url,
            "http://gj.test/search?as_q=%E3%81%82+C%23&num=100&hl=ja&ie=UTF-8&oe=UTF-8"
            "&btnG=Google+%E6%A4%9C%E7%B4%A2&as_epq=&as_oq=&as_eq=&lr=&as_ft=i&as_filetype="
            "&as_qdr=all&as_occt=any&as_dt=i&as_sitesearch=");
  EXPECT_EQ(r.history, S("あ C#"));
  EXPECT_EQ(r.highlight, S("あ　C#"));
  EXPECT_EQ(state.engine, SearchEngine::kGoogle);
  EXPECT_EQ(state.offset, 1);

  r = StartSearch(t, state, SearchEngine::kGoogle, "x", true);
  EXPECT_EQ(r.url,
            "http://gw.test/search?as_q=x&as_epq=&as_oq=&as_eq=&hl=ja&num=100&lr=lang_en&cr="
            "&as_ft=i&as_filetype=&as_qdr=all&as_occt=any&as_dt=i&as_sitesearch=&as_rights="
            "&safe=images&btnG=Google+%E6%A4%9C%E7%B4%A2");

  r = StartSearch(t, state, SearchEngine::kYahoo, S("a　b"), false);
  EXPECT_EQ(r.url, "http://yj.test/search?p=a+b&aq=-1&oq=&ei=UTF-8&fr=top_ga1_sa&x=wrt");
  EXPECT_EQ(r.history, S("a　b"));  // Yahoo keeps the typed form, highlights the squeezed one
  EXPECT_EQ(r.highlight, "a b");
  EXPECT_EQ(state.engine, SearchEngine::kYahoo);
  EXPECT_TRUE(
      StartSearch(t, state, SearchEngine::kYahoo, "a", true).url.starts_with("http://yw.test/"));

  // Blanks only, or a site the table does not name: no search, state kept.
  state = {SearchEngine::kYahoo, 301};
  EXPECT_EQ(StartSearch(t, state, SearchEngine::kGoogle, S(" 　 "), false).url, "");
  SiteTable no_google = t;
  no_google.google_japan.clear();
  EXPECT_EQ(StartSearch(no_google, state, SearchEngine::kGoogle, "a", false).url, "");
  EXPECT_EQ(state.engine, SearchEngine::kYahoo);
  EXPECT_EQ(state.offset, 301);
}

TEST(WebSearchTest, PagingMovesByAHundredAndStopsBeforeTheFirstPage) {
  const SiteTable t = TestSites();
  SearchState state;
  StartSearch(t, state, SearchEngine::kGoogle, "kw", true);
  EXPECT_EQ(PageSearch(t, state, "kw", true, false), "");  // right after a search
  EXPECT_EQ(state.offset, 1);
  EXPECT_EQ(PageSearch(t, state, "kw", true, true),
            "http://gw.test/search?as_q=kw&num=100&hl=ja&lr=&ie=UTF-8&oe=UTF-8&as_qdr=all"
            "&start=101&sa=N");
  EXPECT_TRUE(PageSearch(t, state, "kw", false, true).starts_with("http://gj.test/"));
  EXPECT_EQ(state.offset, 201);
  EXPECT_NE(PageSearch(t, state, "kw", false, false).find("&start=101&"), std::string::npos);

  // Yahoo pages come from the Japanese site whatever the language choice.
  StartSearch(t, state, SearchEngine::kYahoo, "kw", true);
  EXPECT_EQ(PageSearch(t, state, "kw", true, true),
            "http://yj.test/search?p=kw&aq=-1&ei=UTF-8&pstart=1&fr=ush-jp_full&b=101");

  EXPECT_EQ(PageSearch(t, state, S("　"), true, true), "");
  EXPECT_EQ(state.offset, 101);
  state.offset = -1;
  EXPECT_EQ(PageSearch(t, state, "kw", true, true), "");
  EXPECT_EQ(state.offset, -1);
}

TEST(WebSearchTest, QuotationPutsEveryWordInQuotes) {
  EXPECT_EQ(QuoteKeywords(S("a　b")), "\"a\" \"b\"");
  EXPECT_EQ(QuoteKeywords(S(" \"a b\"   c,d,,e    　 ")), "\"a\" \"b\" \"c\" \"d\" \"e\"");
  EXPECT_EQ(QuoteKeywords(S("表示")), "\"" + S("表示") + "\"");
  EXPECT_EQ(QuoteKeywords("\"\" ,"), "");
}

TEST(WebSearchTest, HistoryTakesEachKeywordOnce) {
  std::vector<std::string> items{"a"};
  EXPECT_FALSE(AddKeywordToHistory(items, "a"));
  EXPECT_FALSE(AddKeywordToHistory(items, ""));
  EXPECT_TRUE(AddKeywordToHistory(items, "b"));
  EXPECT_EQ(items, (std::vector<std::string>{"a", "b"}));
}

struct LinkCase {
  const char* link;
  LinkTarget target;
  const char* url;
  bool hand_on;
};

void ExpectAction(const LinkAction& a, const LinkCase& c) {
  EXPECT_EQ(a.target, c.target) << c.link;
  EXPECT_EQ(a.url, c.url) << c.link;
  EXPECT_EQ(a.hand_on, c.hand_on) << c.link;
}

constexpr auto kNothing = LinkTarget::kNothing;
constexpr auto kBrowser = LinkTarget::kSystemBrowser;

TEST(WebSearchTest, ResultPaneClicksGoWhereTheLinkBelongs) {
  const SiteTable t = TestSites();
  const LinkCase cases[] = {
      {"", kNothing, "", false},
      {"http://a.test/page.html", LinkTarget::kTargetPane, "http://a.test/page.html", true},
      // The table's Google redirect and the built-in one are both unwrapped.
      {"http://gj.test/url?q=http://a.test/x.html&sa=U&ei=1", LinkTarget::kTargetPane,
       "http://a.test/x.html", true},
      {"https://www.google.co.jp/url?q=https://a.test/y&sa=U", LinkTarget::kTargetPane,
       "https://a.test/y", true},
      {"http://r.test/**http%3A//a.test/x%3Fy=1", LinkTarget::kTargetPane,
       "http://a.test/x?y=1", true},
      {"http://a.test/a%2520b.html", LinkTarget::kTargetPane, "http://a.test/a%20b.html", true},
      // A further Yahoo result page stays in the result pane.
      {"http://yj.test/search?p=kw&b=101&pstart=1", LinkTarget::kResultPane,
       "http://yj.test/search?p=kw&b=101&pstart=1", true},
      {"http://a.test/search?start=1", LinkTarget::kTargetPane, "http://a.test/search?start=1",
       true},
      {"http://java.test/x", LinkTarget::kTargetPane, "http://java.test/x", false},
      // Documents go to the desktop's browser; a PDF address ends at ".pdf".
      {"http://a.test/DOC.PDF?x=1", kBrowser, "http://a.test/DOC.PDF", false},
      {"http://a.test/b.zip", kBrowser, "http://a.test/b.zip", false},
      // Nothing but web addresses is ever followed.
      {"mailto:me@a.test", kNothing, "", false},
      {"javascript:location='http://a.test/'", kNothing, "", false},
      {"file:///etc/passwd", kNothing, "", false},
      {"file:///tmp/x.pdf", kNothing, "", false},
  };
  for (const LinkCase& c : cases) ExpectAction(ResultPaneClick(t, c.link, false), c);

  ExpectAction(ResultPaneClick(t, "http://gj.test/url?q=http://a.test/x.html&sa=U", true),
               {"", kBrowser, "http://a.test/x.html", false});
  ExpectAction(ResultPaneClick(t, "javascript:x()", true), {"", kNothing, "", false});
}

TEST(WebSearchTest, NewWindowsFromTheResultPane) {
  const SiteTable t = TestSites();
  const auto G = SearchEngine::kGoogle;
  const auto Y = SearchEngine::kYahoo;
  ExpectAction(ResultPaneNewWindow(t, Y, "http://a.test/b%2520c", true),
               {"", LinkTarget::kNewTab, "http://a.test/b%20c", false});
  ExpectAction(ResultPaneNewWindow(t, Y, "http://a.test/b%2520c", false),
               {"", LinkTarget::kTargetPane, "http://a.test/b%20c", true});
  ExpectAction(ResultPaneNewWindow(t, G, "http://a.test/b%2520c", true),
               {"", LinkTarget::kTargetPane, "http://a.test/b%2520c", true});
  ExpectAction(
      ResultPaneNewWindow(t, G, "http://cache.test/search?q=cache:k&url=http%3A%2F%2Fa.test%2F"
                                "c.html%3Fq%3Da%2Bb&EI=zz", true),
      {"", LinkTarget::kTargetPane, "http://a.test/c.html?q=a b", true});
  ExpectAction(ResultPaneNewWindow(t, G, "http://gj.test/url?q=https://a.test/n.html&sa=U", true),
               {"", LinkTarget::kTargetPane, "https://a.test/n.html", true});
  ExpectAction(ResultPaneNewWindow(t, Y, "javascript:open()", true), {"", kNothing, "", false});
  ExpectAction(ResultPaneNewWindow(t, G, "", true), {"", kNothing, "", false});
}

TEST(WebSearchTest, TargetPaneClicksOpenPagesInTheAuxiliaryPane) {
  ExpectAction(TargetPaneClick("http://a.test/p"),
               {"", LinkTarget::kAuxiliaryPane, "http://a.test/p", false});
  for (const char* link : {"", "http://a.test/f.pdf", "mailto:x@a.test", "javascript:void(0)"}) {
    ExpectAction(TargetPaneClick(link), {link, kNothing, "", false});
  }
}

TEST(WebSearchTest, FavouritesOpenSitesAndFollowTheirLinks) {
  ExpectAction(OpenFavouriteSite("  http://a.test/  ", false),
               {"", LinkTarget::kFavouritesMain, "http://a.test/", false});
  ExpectAction(OpenFavouriteSite("https://a.test/", true), {"", kBrowser, "https://a.test/", false});
  for (const char* url : {"", "non url", "ftp://a.test/", "file:///etc/"}) {
    ExpectAction(OpenFavouriteSite(url, false), {url, kNothing, "", false});
  }

  const LinkCase main_cases[] = {
      {"http://r.test/*-http://a.test/p.html", LinkTarget::kContentsPane, "http://a.test/p.html",
       false},
      {"http://a.test/x.PDF", kBrowser, "http://a.test/x.PDF", false},
      {"http://r.test/*-http://a.test/x.zip", kBrowser, "http://r.test/*-http://a.test/x.zip",
       false},
      {"http://s.test/search?q=related:+http://a.test/", LinkTarget::kContentsPane,
       "http://s.test/search?q=", false},
      {"http://s.test/go?u=+http://a.test/z", LinkTarget::kContentsPane, "http://a.test/z", false},
      {"http://a.test/q?x=a+b", LinkTarget::kContentsPane, "http://a.test/q?x=a+b", false},
      {"javascript:x()", kNothing, "", false},
      {"", kNothing, "", false},
  };
  for (const LinkCase& c : main_cases) ExpectAction(FavouritesPaneClick(c.link, false, false), c);
  ExpectAction(FavouritesPaneClick("http://r.test/*-http://a.test/p", false, true),
               {"", kBrowser, "http://a.test/p", false});
  ExpectAction(FavouritesPaneClick("http://r.test/*-http://a.test/p", true, true),
               {"", LinkTarget::kSidePane, "http://a.test/p", false});
  ExpectAction(FavouritesPaneClick("http://a.test/d.doc", true, false),
               {"", kBrowser, "http://a.test/d.doc", false});

  ExpectAction(FavouritesNewWindow("http://a.test/", true),
               {"", LinkTarget::kNewTab, "http://a.test/", false});
  ExpectAction(FavouritesNewWindow("http://a.test/", false), {"", kNothing, "", false});
  ExpectAction(FavouritesNewWindow("javascript:x()", true), {"", kNothing, "", false});
}

// The engine pages are served on 127.0.0.1: the queries must arrive as typed.
class SearchServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.server().Get("/search", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard lock(mu_);
      params_ = {req.params.begin(), req.params.end()};
      res.set_content("results", "text/html");
    });
    server_.Start();
    sites_.google_japan = server_.Url("");
    sites_.google_world = server_.Url("");
    sites_.yahoo_japan = server_.Url("");
  }
  std::string Received(const std::string& url, const std::string& key) {
    EXPECT_EQ(fetcher_.FetchText(url), "results") << url;
    std::lock_guard lock(mu_);
    const auto it = params_.find(key);
    return it == params_.end() ? "(missing)" : it->second;
  }
  test::LocalServer server_;
  SiteTable sites_;
  CurlFetcher fetcher_;
  std::mutex mu_;
  std::map<std::string, std::string> params_;
};

TEST_F(SearchServerTest, EveryKeywordArrivesIntact) {
  SearchState state;
  for (const char* kw : {"C#", "AT&T", "100%", "a+b=c?d/e#f", "日本語　の 検索", "&as_q=x"}) {
    const std::string sjis = S(kw);
    const std::string expected = ShiftJISToUtf8(NormaliseKeyword(sjis));
    EXPECT_EQ(Received(StartSearch(sites_, state, SearchEngine::kGoogle, sjis, false).url,
                       "as_q"),
              expected);
    EXPECT_EQ(Received(StartSearch(sites_, state, SearchEngine::kYahoo, sjis, false).url, "p"),
              expected);
    EXPECT_EQ(Received(PageSearch(sites_, state, sjis, false, true), "p"), expected);
    EXPECT_EQ(Received(PagingUrl(sites_, SearchEngine::kGoogle, sjis, true, 301), "as_q"),
              expected);
  }
  EXPECT_EQ(Received(PagingUrl(sites_, SearchEngine::kGoogle, "x", true, 301), "start"), "301");
  EXPECT_EQ(Received(PagingUrl(sites_, SearchEngine::kGoogle, "x", true, 301), "num"), "100");
}

TEST(WebSearchProbeTest, TheHttpGetButtonDescribesTheFinalAddress) {
  setenv("TZ", "UTC", 1);
  tzset();
  test::LocalServer server;
  server.server().Get("/doc.zip", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Last-Modified", "Wed, 21 Oct 2015 07:28:00 GMT");
    res.set_content(std::string(1234, 'z'), "application/zip");
  });
  server.server().Get("/old", [&server](const httplib::Request&, httplib::Response& res) {
    res.set_redirect(server.Url("/doc.zip"));
  });
  server.Start();

  CurlFetcher fetcher;
  const ProbeTexts texts = DescribeProbe(fetcher.Probe(server.Url("/old")));
  ASSERT_TRUE(texts.found);
  EXPECT_TRUE(texts.headers.starts_with("HTTP/1.1 200 OK\r\n")) << texts.headers;
  EXPECT_NE(texts.headers.find("Content-Length: 1234\r\n"), std::string::npos);
  EXPECT_TRUE(texts.headers.ends_with("\r\n\r\n"));
  const std::string final_url = server.Url("/doc.zip");
  EXPECT_EQ(texts.details, final_url + "\r\n\r\n\r\n" + S("最終更新日時　　： 2015年10月21日 07時28分") +
                               "\r\n" + S("ファイルサイズ　　： 1234 バイト") + "\r\n" +
                               S("フルパス名　　　　： ") + final_url + "\r\n" +
                               S("ファイル名　　　　 ： doc.zip") + "\r\n\r\n");

  server.server().stop();
  const ProbeTexts failed = DescribeProbe(fetcher.Probe(final_url));
  EXPECT_FALSE(failed.found);
  EXPECT_EQ(failed.message, S("指定したページまたはファイルが見つかりませんでした．"));
}

}  // namespace
}  // namespace kaplo
