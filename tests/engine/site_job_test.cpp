// Several pages in one job, against a real local site: which pages are
// saved, each shared resource fetched once, links between the saved pages
// pointed at the copies and the others left on the web.
#include "engine/site_job.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <future>
#include <regex>
#include <set>

#include "engine/engine_test_support.h"
#include "engine/http_server_support.h"
#include "engine/local_path.h"
#include "engine/parallel_fetch.h"
#include "engine/robots.h"
#include "text/fsname.h"
#include "text/sjis.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

std::string Page(const std::string& body) {
  return "<html><head><link rel=\"stylesheet\" href=\"/site/style.css\"></head>\r\n<body>" + body +
         "<img src=\"/site/shared.png\"></body></html>\r\n";
}

class SiteJobTest : public test::EngineTest {
 protected:
  SiteJobTest() : EngineTest("site") {
    options_.dont_empty_folder = true;
    site_ = {
        {"/site/index.html",
         Page("<a href=\"a.html\">a</a> <a href=\"b.html#part\">b</a> <a href=\"sub/c.html\">c</a>"
              "<a href=\"/outside.html\">out</a> <a href=\"private/p.html\">p</a>"
              "<a href=\"moved.html\">m</a> <a href=\"index.html#top\">self</a>"
              "<a href=\"OTHER/site/x.html\">x</a> <a href=\"logo.png\">file</a>"
              "<form action=\"a.html\"></form>")},
        {"/site/a.html", Page("<a href=\"index.html\">up</a> <a href=\"sub/d.html\">d</a>")},
        {"/site/b.html", Page("<a href=\"a.html\">a</a> <a href=\"sub/c.html\">c</a>")},
        {"/site/sub/c.html", Page("<a href=\"../index.html\">up</a> <a href=\"gone.html\">g</a>")},
        {"/site/sub/d.html", Page("<a href=\"deep.html\">deeper</a>")},
        {"/site/sub/deep.html", Page("deep")},
        {"/site/target.html", Page("<a href=\"a.html\">a</a>")},
        {"/site/private/p.html", Page("private")},
        {"/outside.html", Page("outside")},
        {"/site/logo.png", "\x89PNG\r\n\x1a\nlogo"},
        {"/site/shared.png", "\x89PNG\r\n\x1a\nshared"},
        {"/site/bg.png", "\x89PNG\r\n\x1a\nbg"},
        {"/site/style.css", "body { background: url(bg.png); }"},
        {"/robots.txt", "User-agent: *\nDisallow: /site/private/\n"},
        // Pages whose image answers only when the test lets it.
        {"/site/slow/index.html", Page("<a href=\"one.html\">1</a> <a href=\"two.html\">2</a>")},
        {"/site/slow/one.html", Page("one")},
        {"/site/slow/two.html", Page("<img src=\"held.png\">")},
    };
    other_site_ = {{"/site/x.html", Page("other port")}};
  }

  void SetUp() override {
    server_.server().Get("/site/moved.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_redirect("/site/target.html");
    });
    server_.server().Get("/site/slow/held.png", [this](const httplib::Request&,
                                                       httplib::Response& res) {
      ++held_hits_;
      std::unique_lock lock(held_mu_);
      held_cv_.wait_for(lock, std::chrono::seconds(20), [this] { return released_; });
      res.set_content("\x89PNG\r\n\x1a\nheld", "image/png");
    });
    test::ServeSite(other_.server(), other_site_, "no", nullptr,
              [this](const std::string&) { ++other_hits_; });
    other_.Start();
    const std::string other_root = other_.Url("");
    for (auto& [path, body] : site_) {
      body = std::regex_replace(body, std::regex("OTHER"), other_root);
    }
    EngineTest::SetUp();
  }

  SiteResult RunSite(SiteOptions site) {
    SiteJob job(fetcher_, prompter_, nullptr, observer_);
    return job.Run(Request("/site/index.html"), site);
  }

  // The addresses of the pages saved, below the server's root.
  std::set<std::string> Saved(const SiteResult& r) const {
    std::set<std::string> out;
    for (const SitePage& p : r.pages) {
      if (p.mark == OutcomeMark::Saved) out.insert(p.url.substr(Url("").size()));
    }
    return out;
  }

  static std::string LocalOf(const SiteResult& r, const std::string& url) {
    for (const SitePage& p : r.pages) {
      if (p.url == url) return p.local_file;
    }
    return {};
  }

  // Every href of a saved page, in order.
  static std::vector<std::string> Hrefs(const std::string& file) {
    const std::string text = test::ReadFile(FsPath(file));
    std::vector<std::string> out;
    const std::regex href("<a href=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), href);
         it != std::sregex_iterator(); ++it) {
      out.push_back((*it)[1]);
    }
    return out;
  }

  void TearDown() override { Release(); }
  void Release() {
    {
      std::lock_guard lock(held_mu_);
      released_ = true;
    }
    held_cv_.notify_all();
  }

  std::atomic<int> held_hits_{0};
  std::mutex held_mu_;
  std::condition_variable held_cv_;
  bool released_ = false;
  std::map<std::string, std::string> other_site_;
  test::LocalServer other_;
  std::atomic<int> other_hits_{0};
};

TEST_F(SiteJobTest, DepthTwoSavesTheSiteOnceAndLinksTheCopies) {
  const SiteResult r = RunSite({.depth = 2});
  ASSERT_TRUE(r.start.page_saved);
  EXPECT_EQ(Saved(r), (std::set<std::string>{"/site/index.html", "/site/a.html", "/site/b.html",
                                             "/site/sub/c.html", "/site/target.html",
                                             "/site/sub/d.html"}));
  // The missing page is listed as not found; depth 3, robots, other folders
  // and ports are never asked for.
  EXPECT_EQ(r.pages.back().mark, OutcomeMark::NotFound404);
  EXPECT_EQ(r.pages.back().url, Url("/site/sub/gone.html"));
  EXPECT_EQ(Hits("/site/sub/deep.html"), 0);
  EXPECT_EQ(Hits("/site/private/p.html"), 0);
  EXPECT_EQ(Hits("/outside.html"), 0);
  EXPECT_EQ(other_hits_.load(), 0);
  EXPECT_EQ(r.skipped_by_robots, 1);
  // Each page and each shared resource once for the whole job.
  for (const char* path : {"/site/index.html", "/site/a.html",
                           "/site/target.html", "/site/style.css", "/site/shared.png",
                           "/site/bg.png", "/robots.txt", "/site/sub/gone.html"}) {
    EXPECT_EQ(Hits(path), 1) << path;
  }

  // Links between saved pages lead to the copies, which open from disk.
  const std::string index = LocalOf(r, Url("/site/index.html"));
  const std::vector<std::string> hrefs = Hrefs(index);
  ASSERT_EQ(hrefs.size(), 9u);
  EXPECT_EQ(hrefs[0], "a.html");
  EXPECT_EQ(hrefs[1], "b.html#part");
  EXPECT_EQ(hrefs[2], "sub/c.html");
  EXPECT_EQ(hrefs[3], Url("/outside.html"));
  EXPECT_EQ(hrefs[4], Url("/site/private/p.html"));
  EXPECT_EQ(hrefs[5], "target.html");  // the redirect's copy
  EXPECT_EQ(hrefs[6], "index.html#top");
  EXPECT_EQ(hrefs[7], other_.Url("/site/x.html"));
  EXPECT_EQ(hrefs[8], Url("/site/logo.png"));  // a file, not a page
  for (const std::string& h : hrefs) {
    if (h.starts_with("http")) continue;
    EXPECT_TRUE(fs::exists(FsPath(FolderOf(index)) / h.substr(0, h.find('#')))) << h;
  }
  const std::string index_text = test::ReadFile(FsPath(index));
  EXPECT_NE(index_text.find("<form action=\"a.html\">"), std::string::npos);
  EXPECT_EQ(Hrefs(LocalOf(r, Url("/site/sub/c.html"))),
            (std::vector<std::string>{"../index.html", Url("/site/sub/gone.html")}));
  EXPECT_EQ(Hrefs(LocalOf(r, Url("/site/sub/d.html"))),
            (std::vector<std::string>{Url("/site/sub/deep.html")}));

  // The report beside the start page: depth, address, file, mark.
  ASSERT_FALSE(r.report.empty());
  EXPECT_EQ(FileNameOf(r.report).substr(0, 3), "ZU_");
  const std::string report = test::ReadFile(FsPath(r.report));
  EXPECT_NE(report.find("0\t" + Url("/site/index.html") + "\tindex.html\t"), std::string::npos);
  EXPECT_NE(report.find("2\t" + Url("/site/sub/d.html") + "\tsub/d.html\t"), std::string::npos);
  EXPECT_NE(report.find("2\t" + Url("/site/sub/gone.html") + "\t-\t"), std::string::npos);
}

TEST_F(SiteJobTest, FetchingAheadAsksForEachResourceOnce) {
  ParallelFetcher ahead;
  SiteJob job(ahead, prompter_, nullptr, observer_);
  const SiteResult r = job.Run(Request("/site/index.html"), {.depth = 2});
  EXPECT_EQ(Saved(r).size(), 6u);
  // Every page names style.css and shared.png; the stylesheet names bg.png.
  for (const char* path : {"/site/index.html", "/site/a.html", "/site/b.html",
                           "/site/sub/c.html", "/site/style.css", "/site/shared.png",
                           "/site/bg.png", "/robots.txt"}) {
    EXPECT_EQ(Hits(path), 1) << path;
  }
  EXPECT_EQ(test::ReadFile(FsPath(Local("site/shared.png"))), site_["/site/shared.png"]);
}

TEST_F(SiteJobTest, StopWhileFetchingAheadEndsAtOnceAndWritesNoPart) {
  ParallelFetcher ahead;
  SiteJob job(ahead, prompter_, nullptr, observer_);
  auto running = std::async(std::launch::async, [&] {
    return job.Run(Request("/site/slow/index.html"), {.depth = 1});
  });
  for (int i = 0; i < 1000 && held_hits_ == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(held_hits_.load(), 1);
  job.Stop();
  // The held answer is still held: the job did not wait for it.
  ASSERT_EQ(running.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  const SiteResult r = running.get();
  EXPECT_TRUE(r.stopped);
  Release();
  bool held_file = false;
  for (const auto& e : fs::recursive_directory_iterator(FsPath(folder_))) {
    const std::string name = e.path().filename().string();
    EXPECT_EQ(name.find("kaplo-part"), std::string::npos) << name;
    held_file = held_file || name == "held.png";
  }
  EXPECT_FALSE(held_file);
  EXPECT_EQ(held_hits_.load(), 1);
}

TEST_F(SiteJobTest, LimitsAndSwitches) {
  struct Case {
    SiteOptions options;
    std::set<std::string> saved;
  };
  const Case cases[] = {
      {{.depth = 0}, {"/site/index.html"}},
      {{.depth = 1, .max_pages = 3}, {"/site/index.html", "/site/a.html", "/site/b.html"}},
      {{.depth = 1, .robots = false},
       {"/site/index.html", "/site/a.html", "/site/b.html", "/site/sub/c.html",
        "/site/private/p.html", "/site/target.html"}},
      {{.depth = 1, .any_folder = true},
       {"/site/index.html", "/site/a.html", "/site/b.html", "/site/sub/c.html", "/outside.html",
        "/site/target.html"}},
  };
  SiteResult last;
  for (const Case& c : cases) {
    fs::remove_all(FsPath(folder_));
    fs::create_directories(FsPath(folder_));
    ClearHits();
    last = RunSite(c.options);
    EXPECT_EQ(Saved(last), c.saved) << c.options.depth << " " << c.options.max_pages;
    EXPECT_LE(static_cast<int>(last.pages.size()), c.options.max_pages);
    EXPECT_EQ(Hits("/site/shared.png"), 1);
  }
  // The last level's links to pages not saved stay on the web.
  EXPECT_EQ(Hrefs(LocalOf(last, Url("/site/a.html"))),
            (std::vector<std::string>{"index.html", Url("/site/sub/d.html")}));
}

TEST(Robots, LongestMatchDecides) {
  const RobotsRules rules = RobotsRules::Parse(
      "# comment\r\nUser-agent: other\nDisallow: /\n\nUser-agent: *\nDisallow: /a/\n"
      "Allow: /a/open\nDisallow: /*.cgi$\nDisallow:\n",
      OwnRobotNames());
  const struct {
    const char* path;
    bool allowed;
  } cases[] = {{"/", true},          {"/a/", false},       {"/a/x.html", false},
               {"/a/open.html", true}, {"/b/run.cgi", false}, {"/b/run.cgi?x", true},
               {"/b/a/", true}};
  for (const auto& c : cases) EXPECT_EQ(rules.Allowed(c.path), c.allowed) << c.path;

  // A group for the program's own name wins over "*".
  const RobotsRules own =
      RobotsRules::Parse("User-agent: *\nDisallow: /\n\nUser-agent: KAPLO\nDisallow: /x\n",
                         OwnRobotNames());
  EXPECT_TRUE(own.Allowed("/y"));
  EXPECT_FALSE(own.Allowed("/x/y"));
  EXPECT_TRUE(RobotsRules().Allowed("/anything"));
}

}  // namespace
}  // namespace kaplo
