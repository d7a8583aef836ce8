#include "engine/page_rewrite.h"

#include <gtest/gtest.h>

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
