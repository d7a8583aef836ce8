// Stylesheets, scripts and the images found through them: whole jobs against
// a small site on a local HTTP server.
#include "engine/css_js.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "engine/engine.h"
#include "engine/engine_test_support.h"
#include "engine/http_server_support.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"
#include "text/strutil.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

struct Resource {
  std::string body;
  std::string type = "text/html";
  int status = 200;
};

const std::string kGif = std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13);

class Site : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kaplo-cssjs-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "save");
    folder_ = (root_ / "save").string() + "/";
    server_.server().Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard<std::mutex> lock(mu_);
      ++hits_[req.path];
      const auto it = site_.find(req.path);
      if (it == site_.end()) {
        res.status = 404;
        res.set_content("<html><body>no such file</body></html>", "text/html");
        return;
      }
      res.status = it->second.status;
      res.set_content(it->second.body, it->second.type);
    });
    server_.Start();
  }
  void TearDown() override { fs::remove_all(root_); }

  void Css(const std::string& path, const std::string& body) { site_[path] = {body, "text/css"}; }
  void Gif(const std::string& path) { site_[path] = {kGif, "image/gif"}; }
  int Hits(const std::string& path) {
    std::lock_guard<std::mutex> lock(mu_);
    return hits_[path];
  }
  std::string Url(const std::string& path) { return server_.Url(path); }
  std::string Local(const std::string& below) { return folder_ + below; }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  DownloadEngine& Run(const std::string& path) {
    engine_.form.url = Url(path);
    engine_.form.save_folder = folder_;
    engine_.btnDownloadAllClick();
    return engine_;
  }
  const std::vector<std::string>& CssOutcomes() {
    return engine_.lists.ListBoxPGTab02LTab02PageFileDownloaedCSSJS;
  }
  const std::vector<std::string>& ImageOutcomes() {
    return engine_.lists.ListBoxPGTab02LTab03PageImageDownloaedImage;
  }
  static bool Holds(const std::vector<std::string>& list, const std::string& line) {
    return std::find(list.begin(), list.end(), line) != list.end();
  }

  std::mutex mu_;
  std::map<std::string, int> hits_;
  std::map<std::string, Resource> site_;
  test::LocalServer server_;
  fs::path root_;
  std::string folder_;
  CurlFetcher fetcher_;
  test::ScriptedPrompter prompter_;
  JobObserver observer_;
  DownloadEngine engine_{fetcher_, prompter_, nullptr, observer_};
};

// The page's stylesheet imports one that imports a third, which imports a
// fourth; every level has an image of its own.
void LadderSite(std::map<std::string, Resource>& site) {
  site["/p/index.html"] = {
      "<html>\r\n<head>\r\n<title>t</title>\r\n"
      "<link rel=\"stylesheet\" type=\"text/css\" href=\"css/a.css\">\r\n"
      "<style>@import\"x.css\";</style>\r\n</head>\r\n"
      "<body>\r\n<p>text</p>\r\n<img src=\"top.gif\">\r\n</body>\r\n</html>\r\n"};
  site["/p/css/a.css"] = {"@import \"b.css\";\r\nbody { background: url(/img/l1.gif); }\r\n",
                          "text/css"};
  site["/p/css/b.css"] = {"@import url(c.css);\r\n.b { background: url(l2.gif); }\r\n", "text/css"};
  site["/p/css/c.css"] = {"@import \"d.css\";\r\n.c { background: url(\"/img/l3.gif\"); }\r\n",
                          "text/css"};
  site["/p/css/d.css"] = {".d { background: url(/img/d.gif); }\r\n", "text/css"};
  site["/p/x.css"] = {".x { color: red; }\r\n", "text/css"};
  for (const char* gif :
       {"/p/top.gif", "/img/l1.gif", "/p/css/l2.gif", "/img/l3.gif", "/img/d.gif"}) {
    site[gif] = {kGif, "image/gif"};
  }
}

TEST_F(Site, ImportsAreFollowedThreeLevelsDownAndRewritten) {
  LadderSite(site_);
  Run("/p/index.html");
  ASSERT_TRUE(engine_.PageSaved());

  // Page level and the import without a blank.
  EXPECT_EQ(Read(Local("p/css/a.css")),
            "@import \"b.css\";\r\nbody { background: url(../../img/l1.gif); }\r\n");
  EXPECT_EQ(Read(Local("p/x.css")), ".x { color: red; }\r\n");
  EXPECT_TRUE(fs::exists(Local("p/css/ZYOrg_a.css")));
  // Second level: fetched by the stylesheet stage, relative image kept.
  EXPECT_EQ(Read(Local("p/css/b.css")),
            "@import url(c.css);\r\n.b { background: url(l2.gif); }\r\n");
  // Third level: the work list saves the original and a rewritten copy.
  EXPECT_EQ(Read(Local("p/css/ZXOrg_c.css")), site_["/p/css/c.css"].body);
  EXPECT_TRUE(ContainsAtBoundary(Read(Local("p/css/c.css")), "url(\"../../img/l3.gif\")"))
      << Read(Local("p/css/c.css"));
  // Fourth level: saved as fetched, its own references not followed.
  EXPECT_EQ(Read(Local("p/css/d.css")), site_["/p/css/d.css"].body);
  EXPECT_EQ(Hits("/img/d.gif"), 0);

  // Images of every level, each fetched once, some only reached through a stylesheet.
  for (const char* gif : {"/p/top.gif", "/img/l1.gif", "/p/css/l2.gif", "/img/l3.gif"}) {
    SCOPED_TRACE(gif);
    EXPECT_EQ(Hits(gif), 1);
    EXPECT_EQ(Read(Local(std::string(gif).substr(1))), kGif);
    EXPECT_TRUE(Holds(ImageOutcomes(), SJ<"◎">() + Local(std::string(gif).substr(1))));
  }
  for (const char* css : {"p/css/a.css", "p/x.css", "p/css/b.css", "p/css/c.css"}) {
    EXPECT_TRUE(Holds(CssOutcomes(), SJ<"◎">() + Local(css))) << css;
  }
  for (const char* css : {"/p/css/a.css", "/p/css/b.css", "/p/css/c.css", "/p/css/d.css"}) {
    EXPECT_LE(Hits(css), 2) << css << ": once as text, once for the as-fetched copy";
  }
}

TEST_F(Site, ASecondJobIntoAKeptFolderFetchesNoImageAgain) {
  LadderSite(site_);
  Run("/p/index.html");
  ASSERT_TRUE(engine_.settings.dont_empty_folder);
  Run("/p/index.html");
  ASSERT_TRUE(engine_.PageSaved());
  EXPECT_TRUE(Holds(ImageOutcomes(), SJ<"○">() + Local("p/top.gif")));
  EXPECT_EQ(Hits("/p/top.gif"), 1);
  EXPECT_EQ(Hits("/img/l1.gif"), 1);
  EXPECT_TRUE(Holds(CssOutcomes(), SJ<"□">() + Local("p/css/a.css")));
  EXPECT_TRUE(Holds(CssOutcomes(), SJ<"□">() + Local("p/x.css")));
  EXPECT_EQ(Read(Local("p/css/a.css")),
            "@import \"b.css\";\r\nbody { background: url(../../img/l1.gif); }\r\n");
}

TEST_F(Site, ScriptsFoundOnlyInTheBody) {
  site_["/s/page.html"] = {
      "<html><head><title>s</title></head>\r\n<body>\r\n"
      "<script>document.write('<script src=\"w.js\"></scr' + 'ipt>');</script>\r\n"
      "<script>var u = \"z.js\";</script>\r\n"
      "<script src=\"inpage.js?x=1\"></script>\r\n</body></html>\r\n"};
  site_["/s/w.js"] = {"var w = 1;\r\n", "application/javascript"};
  site_["/s/z.js"] = {"<html><body><h1>404 Not Found</h1></body></html>", "text/html", 404};

  // Discovery alone: the file is there at once, holding the page it was found in.
  const std::string scan = "<html><body><script>var s = \"w.js\";</script></body></html>";
  engine_.DLButtonDisable();
  ASSERT_EQ(engine_.DLMakePageCSSJS(Url("/s/page.html"), folder_, scan), 0);
  EXPECT_EQ(Read(Local("s/w.js")), scan);
  EXPECT_TRUE(Holds(engine_.lists.ListBoxPGTab02LTab02PageWebCSS,
                    MakeResourceLine("w.js", Url("/s/w.js"), Local("s/w.js"))));
  engine_.DLButtonEnable();
  fs::remove_all(folder_);
  fs::create_directories(folder_);

  Run("/s/page.html");
  ASSERT_TRUE(engine_.PageSaved());
  EXPECT_EQ(Read(Local("s/w.js")), "var w = 1;\r\n");
  EXPECT_TRUE(Holds(CssOutcomes(), SJ<"◎">() + Local("s/w.js")));
  // A script the server does not have keeps the page text and its mark.
  EXPECT_TRUE(Holds(CssOutcomes(), SJ<"■">() + Local("s/z.js")));
  EXPECT_TRUE(ContainsAtBoundary(Read(Local("s/z.js")), "document.write"));
  EXPECT_EQ(Hits("/s/inpage.js"), 0);
}

TEST_F(Site, AnswersThatAreNotWhatWasAskedFor) {
  site_["/e/page.html"] = {
      "<html><head><link rel=\"stylesheet\" href=\"gone.css\"></head>\r\n<body>\r\n"
      "<img src=\"a.gif\"><p>again:</p><img src=\"a.gif\">\r\n"
      "<img src=\"page.gif\"><img src=\"b.gif\">\r\n</body></html>\r\n"};
  site_["/e/gone.css"] = {"<html><body>moved away</body></html>", "text/html", 404};
  site_["/e/page.gif"] = {"<html><body>an advert</body></html>", "text/html"};
  Gif("/e/a.gif");
  Gif("/e/b.gif");
  Run("/e/page.html");
  ASSERT_TRUE(engine_.PageSaved());

  EXPECT_TRUE(Holds(CssOutcomes(), SJ<"▼">() + Local("e/gone.css")));
  EXPECT_FALSE(fs::exists(Local("e/gone.css")));
  EXPECT_EQ(Hits("/e/a.gif"), 1) << "referenced twice, listed and fetched once";
  EXPECT_TRUE(Holds(ImageOutcomes(), SJ<"●">() + Local("e/page.gif")));
  EXPECT_FALSE(fs::exists(Local("e/page.gif")));
  EXPECT_TRUE(Holds(engine_.lists.ListBoxPGTab02LTab06DLImageNotFound,
                    Url("/e/page.gif") + "\t" + SJ<"●">() + Local("e/page.gif")));
  EXPECT_EQ(Read(Local("e/b.gif")), kGif);
}

TEST_F(Site, NothingIsWrittenOutsideTheSaveFolder) {
  const std::string deep = (root_ / "a/b/save").string() + "/";
  fs::create_directories(deep);
  engine_.settings.url_web_decode = 1;  // "%2e%2e" decodes to ".."
  site_["/t/page.html"] = {
      "<html><head><link rel=\"stylesheet\" href=\"/t/%2e%2e/%2e%2e/%2e%2e/up.css\"></head>\r\n"
      "<body><img src=\"../../../../../etc/x.gif\"><img src=\"%2e%2e/%2e%2e/y.gif\"></body>"
      "</html>\r\n"};
  engine_.form.url = Url("/t/page.html");
  engine_.form.save_folder = deep;
  engine_.btnDownloadAllClick();
  ASSERT_TRUE(engine_.PageSaved());
  for (const auto& e : fs::recursive_directory_iterator(root_)) {
    if (!e.is_directory()) {
      EXPECT_TRUE(e.path().string().starts_with(deep)) << e.path();
    }
  }
  for (const auto* list : {&engine_.lists.ListBoxPGTab02LTab03PageImage,
                           &engine_.lists.ListBoxPGTab02LTab02PageWebCSS}) {
    for (const std::string& line : *list) {
      EXPECT_TRUE(SplitResourceLine(line).local_path.starts_with(deep)) << line;
    }
  }
}

// Pages built to make text scans slow; each must still be saved soon.
TEST_F(Site, PathologicalPagesFinish) {
  std::string urls = "<html><head><style>";
  for (int i = 0; i < 100000; ++i) urls += "a{background:url(x ";
  urls += "</style></head><body><p>x</p></body></html>";
  std::string quotes = "<html><head><title>q</title></head><body><p>";
  for (int i = 0; i < 50000; ++i) quotes += "\"w" + std::to_string(i) + " ";
  quotes += "</p></body></html>";
  std::string script = "<html><head><title>s</title></head><body><script>";
  const std::string code = "var a=b+c;if(x<y){f(\"s\",'t');}\n";
  while (script.size() < (20u << 20)) script += code;
  script += "</script></body></html>";
  // Addresses on 100 000 hosts, inside a comment so that none is fetched.
  std::string hosts = "/*";
  for (int i = 0; i < 100000; ++i) hosts += " http://h" + std::to_string(i) + "/q.png";
  hosts += " */\r\n";
  site_["/x/urls.html"] = {urls};
  site_["/x/quotes.html"] = {quotes};
  site_["/x/script.html"] = {script};
  site_["/x/hosts.html"] = {
      "<html><head><link rel=\"stylesheet\" href=\"h.css\"></head>"
      "<body></body></html>"};
  Css("/x/h.css", hosts);

  for (const char* page : {"/x/urls.html", "/x/quotes.html", "/x/script.html", "/x/hosts.html"}) {
    SCOPED_TRACE(page);
    const auto start = std::chrono::steady_clock::now();
    Run(page);
    EXPECT_TRUE(engine_.PageSaved());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::minutes(3)) << "hang";
  }
  // Every host of the stylesheet lost its address in one pass.
  const std::string css = Read(Local("x/h.css"));
  EXPECT_FALSE(ContainsAtBoundary(css, "http://")) << css.substr(0, 200);
  EXPECT_TRUE(css.starts_with("/* /q.png /q.png")) << css.substr(0, 200);
}

// The distinct values are those CollectBetween appends, however the markers
// overlap, repeat or fall on the second byte of a character.
TEST(CollectDistinctBetween, AgreesWithCollectBetween) {
  const std::string sjis = SJ<"表\"示\"">();  // 0x95 0x5C: a second byte that is no backslash
  const struct {
    std::string text, open, close;
  } cases[] = {
      {"a \"b\" c \"d\" \"\" e", "\"", "\""},
      {"x) y) url(a.gif) url(b.gif url(c.gif)", "url(", ")"},
      {"(\")(\"x\")(\")(\"", "(\"", "\")"},
      {"src=\"a\" src=\"\" src=\"b", "src=\"", "\""},
      {"ab abab bab", "ab", "ba"},
      {"no open here )", "url(", ")"},
      {"url(never closed", "url(", ")"},
      {"\"line\r\nbreak\"", "\"", "\""},
      {sjis + "\\\"x\\\"" + sjis, "\\\"", "\\\""},
      {sjis + " '" + sjis + "' '", " '", "'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<std::string> list;
    CollectBetween(c.text, c.open, c.close, list);
    StringSet expected(list.begin(), list.end()), got;
    CollectDistinctBetween(c.text, c.open, c.close, got);
    EXPECT_EQ(got, expected);
  }
}

TEST(SafeLocalPath, StaysBelowTheSaveFolder) {
  const struct {
    const char *path, *want;
  } cases[] = {
      {"/dl/a/b.css", "/dl/a/b.css"},    {"/dl/a/../../x.css", "/dl/a/x.css"},
      {"/dl/q?a=1|2", "/dl/q@a=1~2"},    {"rel/x.gif", "/dl/rel/x.gif"},
      {"/etc/passwd", "/dl/etc/passwd"},
  };
  for (const auto& c : cases) EXPECT_EQ(SafeLocalPath(c.path, "/dl/"), c.want) << c.path;
  EXPECT_EQ(SafeLocalPath("/dl/a.css", "/dl"), "/dl/a.css");
}

}  // namespace
}  // namespace kaplo
