#include "engine/page_rewrite.h"

#include <gtest/gtest.h>

#include <functional>

#include "engine/download_job.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

TEST(PageRewrite, DepthLinks) {
  struct {
    const char* in;
    const char* top;
    const char* out;
  } cases[] = {
      {"<a href=\"../../\">", "", "<a href=\"../../index.html\">"},
      {"<a href=\"../../\">", "top.html", "<a href=\"../../top.html\">"},
      {"<a href='../'>", "", "<a href=\"../index.html\">"},
      {"<a href=\"\">", "", "<a href=\"index.html\">"},
      {"<a href=\"dir/\">", "", "<a href=\"dir/index.html\">"},
      {"<img src=\"a\\b.gif\">", "", "<img src=\"a/b.gif\">"},
      {"<a href=\"http://h/x/\">", "", "<a href=\"http://h/x/index.html\">"},
      // The body: queries and dynamic pages lead to their stored names.
      {"<body><a href=\"list.php?p=2\">", "", "<body><a href=\"list.php@p=2.html\">"},
      {"<body><a href=\"a.jsp\"><a href='b.asp'>", "",
       "<body><a href=\"a.jsp.html\"><a href='b.asp.html'>"},
      {"<body><a href=\"d/\" x>@#@", "", "<body><a href=\"d/index.html\" x>"},
      {"<a href=\"q.php?x\"><body>", "", "<a href=\"q.php?x\"><body>"},  // before the body: kept
      {"<body><a href=\"q.php?\">", "", "<body><a href=\"q.php@\">"},  // no empty query
  };
  for (const auto& c : cases) EXPECT_EQ(RewriteDepthLinks(c.top, c.in), c.out) << c.in;
  // The drive marker of a base folder becomes a colon once, other colons stay safe.
  EXPECT_EQ(RewriteDepthLinks("", "<base href=\"C@~@/dl/a/\">x:/y"),
            "<base href=\"C:/dl/a/index.html\">x;/y");
}

TEST(PageRewrite, CleanupInsertsTheSavedFromComment) {
  const std::string page = "<!DOCTYPE html>\r\n \r\n<HTML>\r\n" + SJ<"　 　">() +
                           "\r\n<head>\r\n<title>t</title>\r\n</head>\n\n<body>x</body>";
  EXPECT_EQ(ClleanupSaveHTMLFile(page, "http://h/a.html"),
            "<!DOCTYPE html>\r\n<HTML>\r\n<!-- saved from \"http://h/a.html\" by NOLDA-KAPLO -->\r\n"
            "<head>\r\n<title>t</title>\r\n</head>\r\n<body>x</body>\r\n");
  EXPECT_EQ(ClleanupSaveHTMLFile("<p>no head</p>", "u"), "<p>no head</p>\r\n");
  EXPECT_EQ(ClleanupSaveHTMLFile("", "u"), "");
}

TEST(PageRewrite, SpecialCharacterReferences) {
  const std::vector<std::string> list = {
      MakeResourceLine("pic.php?id=3", "http://h/a/pic.php?id=3", "/dl/a/pic.php@id=3"),
      MakeResourceLine("/img/x.gif", "http://h/img/x.gif", "/dl/img/x.gif"),
      "sub/q.cgi?a|b"};
  EXPECT_EQ(ChangeHTMLSrcUrlname("<img src=\"pic.php?id=3\"><img src=\"/img/x.gif\">"
                                 "<a href=\"sub/q.cgi?a|b\">",
                                 list),
            "<img src=\"pic.php@id=3\"><img src=\"/img/x.gif\"><a href=\"sub/q.cgi@a~b\">");
}

TEST(PageRewrite, OtherSitesAndRoots) {
  const std::vector<std::string> hosts = {"cdn.example", ""};
  EXPECT_EQ(RemoveDomainFromHTMLFile("<a href=\"http://cdn.example/x\"><b href=\"HTTPS://CDN.example/y\">",
                                     hosts),
            "<a href=\"/x\"><b href=\"/y\">");
  EXPECT_EQ(RemoveDomainFromHTMLFile("x", {}), "x");
  EXPECT_EQ(RemoveHTMLSrcUrlname("<a href=\"http://cdn.example/x\">", hosts), "<a href=\"x\">");
  EXPECT_EQ(RemoveUrlRoot("http://h/a/b/c.html", "<a href=\"http://h/x.html\"><b src='/y'>", ""),
            "<a href=\"x.html\"><b src='../../y'>");
  EXPECT_EQ(ChangeHTMLSrcCSSname("<link href=\"./s.css\"><link href=\"/r.css\">", "http://b/d/", "d",
                                 {"./s.css", "/r.css", "./s.css"}),
            "<link href=\"d/s.css\"><link href=\"/r.css\">");
  EXPECT_EQ(ChangeHTMLSrcCSSname("<link href=\"s.css\">", "", "d", {"s.css"}), "<link href=\"s.css\">");
}

// Each step of the whole rewrite, seen on a small page: what it must leave
// in the saved page and what must be gone.
TEST(PageRewrite, EachStepOfTheWholeRewrite) {
  struct Case {
    const char* step;
    std::function<void(DownloadOptions&, DownloadLists&, std::string& base_dir)> setup;
    std::string page;
    std::vector<std::string> present, absent;
  };
  const std::string page_url = "http://h/a/page.html";
  const Case cases[] = {
      {"the site's own root goes",
       nullptr,
       "<body><a href=\"http://h/x/y.html\">",
       {"href=\"../x/y.html\""},
       {"http://h"}},
      {"root-relative references climb to the save folder",
       nullptr,
       "<body><img src=\"/i/a.gif\"><div style=\"background:url(/i/b.gif)\">",
       {"src=\"../i/a.gif\"", "url(../i/b.gif)"},
       {"\"/i/"}},
      {"the top link leads to the top page",
       nullptr,
       "<body><a href=\"/\">",
       {"href=\"../index.html\""},
       {}},
      {"the top page name is an option",
       [](DownloadOptions& o, DownloadLists&, std::string&) { o.top_page_filename = "top.html"; },
       "<body><a href=\"/\"><a href=\"d/\">",
       {"href=\"../top.html\"", "href=\"d/top.html\""},
       {}},
      {"a slash after a stylesheet or script name goes",
       nullptr,
       "<link href=\"s.css/\"><script src=\"j.js/\">",
       {"href=\"s.css\"", "src=\"j.js\""},
       {".css/", ".js/"}},
      {"frame references get their stored names",
       [](DownloadOptions&, DownloadLists& l, std::string&) {
         l.ListBoxWBInFrameFileList = {"f.php?id=1"};
       },
       "<frameset><frame src=\"f.php?id=1\"></frameset>",
       {"src=\"f.php@id=1.html\""},
       {"f.php?"}},
      {"resources with a query get their stored names",
       [](DownloadOptions&, DownloadLists& l, std::string&) {
         l.ListBoxPGTab02LTab03PageImage = {
             MakeResourceLine("pic.php?id=3", "http://h/a/pic.php?id=3", "/dl/a/pic.php@id=3")};
       },
       "<body><img src=\"pic.php?id=3\">",
       {"src=\"pic.php@id=3\""},
       {"pic.php?"}},
      {"other sites stay absolute by default",
       [](DownloadOptions&, DownloadLists& l, std::string&) {
         l.ListBoxPGTab02LTab09LHref = {"cdn.example"};
       },
       "<body><a href=\"http://cdn.example/x.html\">",
       {"http://cdn.example/x.html"},
       {}},
      {"other sites become local with the option",
       [](DownloadOptions& o, DownloadLists& l, std::string&) {
         o.remove_other_domain = 1;
         l.ListBoxPGTab02LTab09LHref = {"cdn.example"};
       },
       "<body><a href=\"http://cdn.example/x.html\">",
       {"href=\"../x.html\""},
       {"cdn.example"}},
      {"base tag kept, pointing into the save folder",
       [](DownloadOptions&, DownloadLists&, std::string& base) { base = "http://b/d/"; },
       "<head><base href=\"http://b/d/\"></head><body><img src=\"/i.gif\">",
       {"<base href=\"/dl/d/index.html\">", "src=\"/i.gif\""},
       {"http://b"}},
      {"base tag off, head links moved below its folder",
       [](DownloadOptions& o, DownloadLists& l, std::string& base) {
         o.remove_base_href = 2;
         base = "http://b/d/";
         l.ListBoxPGTab02LTab04ImportHTMLCSSForBase = {"s.css"};
       },
       "<head><base href=\"http://b/d/\"><link href=\"s.css\"></head><body><img src=\"/i.gif\">",
       {"<!-- " + SJ<"●●">() + " <base href=\"http://b/d/", "href=\"d/s.css\"", "src=\"../i.gif\""},
       {"<head><base"}},
      {"base tag only as a comment",
       [](DownloadOptions& o, DownloadLists&, std::string& base) {
         o.remove_base_href = 3;
         base = "http://b/d/";
       },
       "<head><base href=\"http://b/d/\"><link href=\"s.css\"></head>",
       {"<!-- " + SJ<"●●">() + " <base href=\"http://b/d/", "href=\"s.css\""},
       {"<head><base"}},
      {"what stands before the head stays, the saved-from comment follows",
       nullptr,
       "<!DOCTYPE html>\r\n<html>\r\n<head><title>t</title></head><body>b</body>",
       {"<!DOCTYPE html>\r\n<html>\r\n" + SavedFromComment("http://h/a/page.html@#@") +
        "\r\n<head>"},
       {}},
      {"extension-less inline frames gain .html",
       [](DownloadOptions&, DownloadLists& l, std::string&) {
         l.ListBoxWBInFrameFileList = {"/c/frame"};
       },
       "<body><iframe src=\"/c/frame\"></iframe>",
       {"src=\"../c/frame.html\""},
       {}},
  };
  for (const Case& c : cases) {
    DownloadOptions options;
    DownloadLists lists;
    std::string base;
    if (c.setup) c.setup(options, lists, base);
    const std::string out = RewritePage(c.page, {.page_url = page_url,
                                                 .saved_from = "http://h/a/page.html@#@",
                                                 .save_folder = "/dl/",
                                                 .base_href_dir = base,
                                                 .lists = lists,
                                                 .options = options});
    for (const std::string& p : c.present) {
      EXPECT_NE(out.find(p), std::string::npos) << c.step << "\n" << out;
    }
    for (const std::string& a : c.absent) {
      EXPECT_EQ(out.find(a), std::string::npos) << c.step << "\n" << out;
    }
  }
}

TEST(PageRewrite, ResourceLines) {
  const ResourceFields f = SplitResourceLine("a.css\thttp://h/a.css\t/dl/a.css");
  EXPECT_EQ(f.reference, "a.css");
  EXPECT_EQ(f.absolute_url, "http://h/a.css");
  EXPECT_EQ(f.local_path, "/dl/a.css");
  EXPECT_EQ(SplitResourceLine("only").reference, "only");
  EXPECT_EQ(SplitResourceLine("only").absolute_url, "");
}

}  // namespace
}  // namespace kaplo
