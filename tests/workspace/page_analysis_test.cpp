// The page analysis workspace against a small site on a local HTTP server:
// every reference form, duplicates, imports, the charset groups and the
// combined texts.
#include "workspace/page_analysis.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

#include "engine/http_server_support.h"
#include "text/convert.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

std::string Sjis(const std::string& utf8) { return Utf8ToShiftJIS(utf8); }

class AnalysisSite : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kaplo-workspace-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    server_.server().Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard<std::mutex> lock(mu_);
      ++hits_[req.path];
      const auto it = site_.find(req.path);
      if (it == site_.end()) {
        res.status = 404;
        return;
      }
      res.set_content(it->second, "text/plain");
    });
    server_.Start();
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Put(const std::string& path, const std::string& body) {
    std::lock_guard<std::mutex> lock(mu_);
    site_[path] = body;
  }
  int Hits(const std::string& path) {
    std::lock_guard<std::mutex> lock(mu_);
    return hits_[path];
  }
  std::string Url(const std::string& path) { return server_.Url(path); }
  std::string WriteFile(const std::string& name, const std::string& bytes) {
    const fs::path p = dir_ / name;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }

  CurlFetcher fetcher_;
  fs::path dir_;
  std::mutex mu_;
  std::map<std::string, std::string> site_;
  std::map<std::string, int> hits_;
  test::LocalServer server_;
};

// Every stylesheet reference form of the head, each reference listed once;
// references after <body and names without ".css" are not stylesheets.
TEST_F(AnalysisSite, ListsEachStylesheetOnceInFoundOrder) {
  const std::string page =
      "<html><head>\r\n"
      "<link rel=\"stylesheet\" href=\"css/a.css\">\r\n"
      "<LINK REL=stylesheet HREF=\"CSS/A.CSS\">\r\n"
      "<link  rel='stylesheet'   href='b.css?v=1'><link rel=\"stylesheet\" href=\"theme_http.css\">\r\n"
      "<link rel=\"icon\" href=\"fav.ico\"><a href=\"x.html\">\r\n"
      "<style>@import url(\"i1.css\"); @import url('i2.css'); @import url(i3.css);\r\n"
      "@import \"/root/i4.css\";</style>\r\n"
      "</head><body><link href=\"late.css\"></body></html>\r\n";
  ListedReferences listed;
  std::vector<std::string> list;
  GetDHTMLCSSList("http://h/d/p.html", page, listed, list);
  EXPECT_EQ(list, (std::vector<std::string>{
                      "css/a.css\thttp://h/d/css/a.css",
                      "theme_http.css\thttp://h/d/theme_http.css",
                      "b.css?v=1\thttp://h/d/b.css?v=1",
                      "i1.css\thttp://h/d/i1.css",
                      "i2.css\thttp://h/d/i2.css",
                      "i3.css\thttp://h/d/i3.css",
                      "/root/i4.css\thttp://h/root/i4.css",
                  }));
  // A stylesheet that imports one the page already listed adds nothing.
  std::vector<std::string> imports;
  GetDHTMLCSSList("http://h/d/css/a.css", "@import url(i1.css);\r\n@import 'new.css';", listed,
                  imports);
  GetDHTMLCSSList("http://h/d/css/a.css", "@import url(\"new.css\");", listed, imports);
  EXPECT_EQ(imports, (std::vector<std::string>{"new.css\thttp://h/d/css/new.css"}));
}

// Double-quoted sources come first, then single-quoted ones; ".js" and
// "src" are matched in lower case only.
TEST_F(AnalysisSite, ScriptFiltersKeepOnlyPlainScriptFiles) {
  const std::string page =
      "<script src=\"s1.js\"></script><script src='lib/s2.js?v=2'></script>"
      "<script src=\"data.json\"></script><script src=\"a b.js\"></script>"
      "<script src=\"x+y.js\"></script><img src=\"p.gif\"><script src=\"s1.js\"></script>"
      "<body><SCRIPT SRC=\"UPPER.js\"></SCRIPT><script src=\"/abs/s3.JS\"></script>"
      "<script src=\"late.js\"></script>";
  std::vector<std::string> list;
  GetDHTMLJSList("http://h/d/p.html", page, list);
  EXPECT_EQ(list, (std::vector<std::string>{
                      "s1.js\thttp://h/d/s1.js",
                      "late.js\thttp://h/d/late.js",
                      "lib/s2.js?v=2\thttp://h/d/lib/s2.js?v=2",
                  }));
}

TEST(WorkspaceQuestions, FramesetAndInlineFrames) {
  EXPECT_TRUE(IsFramesetPage("<HTML><FRAMESET cols=\"1,2\">"));
  EXPECT_FALSE(IsFramesetPage("<html><frame src=a>"));
  EXPECT_TRUE(HasLiveIframe("<p><IFRAME SRC=\"f.html\"></IFRAME>"));
  EXPECT_FALSE(HasLiveIframe("<!-- ==<iframe src=\"f.html\"> -->"));
  EXPECT_FALSE(HasLiveIframe("<p>no frames</p>"));
  const std::string bullets = SJ<"●●">();
  EXPECT_EQ(
      CommentOutFirstIframe("a<iframe src=\"f.html\" width=9>x<iframe src=g>"),
      "a<!-- " + bullets + " <iframe src=\"f.html\" width=9> " + bullets + "-->x<iframe src=g>");
  EXPECT_EQ(CommentOutFirstIframe("<IFRAME src=f>"),
            "<!-- " + bullets + " <IFRAME src=f> " + bullets + "-->");
  EXPECT_EQ(CommentOutFirstIframe("<iframe src=f"), "<iframe src=f");
  EXPECT_EQ(CommentOutFirstIframe("<iframe>"), "<iframe>");
}

// The whole fill of a web page: lists, imports followed through a cycle,
// combined texts between their markers, each file fetched once.
TEST_F(AnalysisSite, WebPageCombinesStylesheetsImportsAndScripts) {
  const std::string secret = WriteFile("secret.css", "SECRET{}");
  Put("/d/p.html",
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">"
      "\r\n<link rel=stylesheet href=\"a.css\"><link rel=stylesheet href=\"a.css\">\r\n"
      "<link rel=stylesheet href=\"file://" +
          secret +
          "\">\r\n"
          "<link rel=stylesheet href=\"gone.css\">\r\n"
          "<script src=\"s.js\"></script><script src=\"s.js\"></script>"
          "<script src=\"file://" +
          dir_.string() +
          "/x.js\"></script>\r\n"
          "</head><body>" +
          Sjis("日本") + "</body></html>\r\n");
  Put("/d/a.css", "@import url(deep.css);\r\na{color:red}\r\n");
  Put("/d/deep.css", "@import \"a.css\";\r\n@import \"more/m.css\";\r\nb{}\r\n");
  Put("/d/more/m.css", "m{}");
  Put("/d/s.js", "var s = 1;\r\n");
  WriteFile("x.js", "LOCALJS");

  const PageAnalysis a = AnalysePage(fetcher_, Url("/d/p.html"), {});
  ASSERT_TRUE(a.read);
  EXPECT_TRUE(a.web);
  EXPECT_NE(a.text.find(Sjis("日本")), std::string::npos);
  EXPECT_EQ(a.head.find("<body"), std::string::npos);
  EXPECT_NE(a.normalised.find("<body"), std::string::npos);
  ASSERT_EQ(a.css_list.size(), 3u);
  EXPECT_EQ(a.css_list[1], "file://" + secret + "\t" + secret);
  EXPECT_EQ(a.css_import_list, (std::vector<std::string>{"deep.css\t" + Url("/d/deep.css"),
                                                         "more/m.css\t" + Url("/d/more/m.css")}));
  // The page's file reference is listed, never read from disk.
  EXPECT_EQ(a.combined_css.find("SECRET"), std::string::npos);
  EXPECT_EQ(a.combined_js.find("LOCALJS"), std::string::npos);
  EXPECT_EQ(a.combined_css_files,
            (std::vector<std::string>{Url("/d/a.css"), Url("/d/gone.css"), Url("/d/deep.css"),
                                      Url("/d/more/m.css")}));
  const auto open = [](const std::string& u) { return SJ<"▼▼▼【 ">() + u + SJ<" 】▽▽▽">(); };
  const auto close = [](const std::string& u) { return SJ<"△△△【 ">() + u + SJ<" 】▲▲▲">(); };
  EXPECT_EQ(a.combined_js,
            open(Url("/d/s.js")) + "\r\n\r\n\r\nvar s = 1;\r\n\r\n\r\n" + close(Url("/d/s.js")));
  const std::size_t a_at = a.combined_css.find(open(Url("/d/a.css")));
  const std::size_t m_at = a.combined_css.find(open(Url("/d/more/m.css")));
  ASSERT_NE(a_at, std::string::npos);
  ASSERT_NE(m_at, std::string::npos);
  EXPECT_LT(a_at, m_at);
  EXPECT_NE(a.combined_css.find("a{color:red}"), std::string::npos);
  EXPECT_EQ(a.combined_css.substr(a.combined_css.size() - close(Url("/d/more/m.css")).size()),
            close(Url("/d/more/m.css")));
  EXPECT_EQ(
      CombinedFileText(a.combined_css, Url("/d/more/m.css")),
      open(Url("/d/more/m.css")) + "\r\n\r\n\r\nm{}\r\n\r\n\r\n" + close(Url("/d/more/m.css")));
  EXPECT_EQ(CombinedFileText(a.combined_css, Url("/d/none.css")), "");
  EXPECT_EQ(Hits("/d/a.css"), 1);
  EXPECT_EQ(Hits("/d/s.js"), 1);
  EXPECT_EQ(Hits("/d/p.html"), 1);
}

// An EUC-JP page is read by its declaration; the stylesheets by the CSS/JS
// group; a chosen page code reads the page in that code.
TEST_F(AnalysisSite, CharsetGroupsReadEucPagesAndStylesheets) {
  const std::string euc_text = ShiftJISToEuc(Sjis("漢字テスト"));
  Put("/e.html",
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">\r\n"
      "<link rel=stylesheet href=\"e.css\"></head><body>" +
          euc_text + "</body></html>\r\n");
  Put("/e.css", "/* " + euc_text + " */\r\n");
  AnalysisOptions options;
  options.css_js_code = 1;
  const PageAnalysis a = AnalysePage(fetcher_, Url("/e.html"), options);
  EXPECT_NE(a.text.find(Sjis("漢字テスト")), std::string::npos);
  EXPECT_NE(a.combined_css.find(Sjis("漢字テスト")), std::string::npos);
  EXPECT_EQ(a.raw.find(Sjis("漢字テスト")), std::string::npos);

  // No declaration: the page code chosen reads it, and the declarations are
  // rewritten for the CSS/JS code.
  Put("/n.html", "<html><head><meta charset=\"utf-8\"></head><body>" + euc_text + "</body>");
  options.html_code = 1;
  options.css_js_code = 3;
  const PageAnalysis b = AnalysePage(fetcher_, Url("/n.html"), options);
  EXPECT_NE(b.text.find(Sjis("漢字テスト")), std::string::npos);
  EXPECT_EQ(b.text.find("utf-8"), std::string::npos) << b.text;
}

TEST_F(AnalysisSite, LocalPageReadsLocalFilesAndSkipsMissingOnes) {
  const std::string css = WriteFile("site/css/l.css", Sjis("/* ローカル */\r\nl{}\r\n"));
  WriteFile("site/i.css", "i{}");
  Put("/w.css", "w{}");
  const std::string page =
      WriteFile("site/p.html",
                "<html><head><link rel=stylesheet href=\"css/l.css\"><link href=\"missing.css\">"
                "<link href=\"" +
                    Url("/w.css") +
                    "\"><style>@import \"i.css\";</style></head>"
                    "<body><iframe src=\"f.html\"></iframe></body></html>");
  const PageAnalysis a = AnalysePage(fetcher_, page, {});
  ASSERT_TRUE(a.read);
  EXPECT_FALSE(a.web);
  EXPECT_EQ(a.css_list.front(), "css/l.css\t" + css);
  EXPECT_EQ(a.combined_css_files,
            (std::vector<std::string>{css, Url("/w.css"), (dir_ / "site/i.css").string()}));
  EXPECT_NE(a.combined_css.find(Sjis("ローカル")), std::string::npos);
  EXPECT_TRUE(HasLiveIframe(a.text));

  // Names a file URL has to percent-code: a blank, a Japanese folder.
  WriteFile("site/a b.css", "blank{}");
  WriteFile("site/日本/j.css", "japanese{}");
  const std::string coded = WriteFile(
      "site/coded.html", "<link href=\"a b.css\"><link href=\"%E6%97%A5%E6%9C%AC/j.css\">");
  const PageAnalysis c = AnalysePage(fetcher_, coded, {});
  EXPECT_EQ(c.combined_css_files.size(), 2u);
  EXPECT_NE(c.combined_css.find("blank{}"), std::string::npos);
  EXPECT_NE(c.combined_css.find("japanese{}"), std::string::npos);

  const PageAnalysis none = AnalysePage(fetcher_, (dir_ / "nothing.html").string(), {});
  EXPECT_FALSE(none.read);
  EXPECT_TRUE(none.css_list.empty());
}

TEST_F(AnalysisSite, StopEndsCombiningAndListsOnlyNeedNoFetch) {
  Put("/p.html", "<link href=\"a.css\"><script src=\"s.js\"></script>");
  Put("/a.css", "a{}");
  Put("/s.js", "s");
  std::atomic<bool> stop{true};
  const PageAnalysis a = AnalysePage(fetcher_, Url("/p.html"), {}, &stop);
  EXPECT_TRUE(a.stopped);
  EXPECT_EQ(a.css_list.size(), 1u);
  EXPECT_TRUE(a.combined_css.empty());
  AnalysisOptions lists_only;
  lists_only.combine = false;
  const PageAnalysis b = AnalysePage(fetcher_, Url("/p.html"), lists_only);
  EXPECT_EQ(b.js_list.size(), 1u);
  EXPECT_EQ(Hits("/a.css") + Hits("/s.js"), 0);
}

}  // namespace
}  // namespace kaplo
