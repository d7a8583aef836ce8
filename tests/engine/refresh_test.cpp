// Refreshing a saved copy: every file asked for with the validators it was
// saved with, against a real server that answers 304 when they still hold.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "engine/engine_test_support.h"
#include "engine/job_record.h"
#include "engine/site_job.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

struct Exchange {
  std::string path;
  bool if_none_match = false, if_modified_since = false;
  int status = 0;
  std::size_t body = 0;  // bytes of body sent
};

class RefreshTest : public test::EngineTest {
 protected:
  RefreshTest() : EngineTest("refresh") {
    site_["/index.html"] =
        "<html><head><link rel=\"stylesheet\" href=\"css/a.css\"></head><body>"
        "<img src=\"img/p.png\"><img src=\"img/q.gif\"></body></html>";
    site_["/css/a.css"] = "body { background: url(../img/bg.png) }";
    site_["/img/p.png"] = "\x89PNG-one";
    site_["/img/q.gif"] = "GIF89a-one";
    site_["/img/bg.png"] = "\x89PNG-background";
  }

  // Pages and stylesheets carry an ETag, images a Last-Modified, each
  // derived from the body; a server that ignores validators answers 200.
  void SetUp() override {
    server_.server().Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard<std::mutex> lock(site_mu_);
      Exchange x{req.path, req.has_header("If-None-Match"), req.has_header("If-Modified-Since")};
      const auto it = site_.find(req.path);
      if (it == site_.end()) {
        res.status = 404;
        res.set_content(not_found_, "text/html");
      } else {
        const std::string version = std::to_string(std::hash<std::string>{}(it->second) % 100000);
        const bool image = req.path.starts_with("/img/");
        const std::string etag = "\"v" + version + "\"";
        // Distinct dates per version, in the form HTTP dates take.
        const std::string date = "Mon, 01 Jan 2024 00:00:" +
                                 std::string(version.size() < 2 ? "0" : "") +
                                 version.substr(0, 2) + " GMT";
        if (image) res.set_header("Last-Modified", date); else res.set_header("ETag", etag);
        const bool same = image ? req.get_header_value("If-Modified-Since") == date
                                : req.get_header_value("If-None-Match") == etag;
        if (same && !ignore_validators_) {
          res.status = 304;
        } else {
          std::string type = "text/html";
          if (req.path.ends_with(".css")) type = "text/css";
          if (req.path.ends_with(".png")) type = "image/png";
          if (req.path.ends_with(".gif")) type = "image/gif";
          res.set_content(it->second, type);
        }
      }
      x.status = res.status == -1 ? 200 : res.status;
      x.body = res.body.size();
      log_.push_back(x);
    });
    server_.Start();
  }

  // Every file below the save folder with its bytes and its time.
  struct FileState {
    std::string bytes;
    fs::file_time_type time;
    bool operator==(const FileState&) const = default;
  };
  std::map<std::string, FileState> Snapshot() const {
    std::map<std::string, FileState> files;
    for (const auto& e : fs::recursive_directory_iterator(folder_)) {
      if (e.is_regular_file()) {
        files[e.path().string()] = {test::ReadFile(e.path()), fs::last_write_time(e.path())};
      }
    }
    return files;
  }

  DownloadResult RunRefresh() {
    {
      std::lock_guard<std::mutex> lock(site_mu_);
      log_.clear();
    }
    options_.refresh = true;
    return Run("/index.html");
  }
  std::vector<Exchange> Log() {
    std::lock_guard<std::mutex> lock(site_mu_);
    return log_;
  }
  void Change(const std::string& path, const std::string& body) {
    std::lock_guard<std::mutex> lock(site_mu_);
    if (body.empty()) site_.erase(path); else site_[path] = body;
  }

  bool ignore_validators_ = false;
  std::mutex site_mu_;
  std::vector<Exchange> log_;
};

TEST_F(RefreshTest, UnchangedSiteAnswersOnly304AndLeavesEveryFileAlone) {
  ASSERT_TRUE(Run("/index.html").page_saved);
  const auto before = Snapshot();
  ASSERT_TRUE(before.count(Local("ZV_index.tsv")));
  const DownloadResult r = RunRefresh();
  ASSERT_TRUE(r.page_saved);
  const std::vector<Exchange> log = Log();
  ASSERT_EQ(log.size(), 5u);  // the page, the stylesheet, three images
  for (const Exchange& x : log) {
    SCOPED_TRACE(x.path);
    EXPECT_EQ(x.status, 304);
    EXPECT_EQ(x.body, 0u);
    EXPECT_TRUE(x.path.starts_with("/img/") ? x.if_modified_since : x.if_none_match);
  }
  EXPECT_EQ(Snapshot(), before);
  EXPECT_TRUE(r.refresh.had_record);
  EXPECT_EQ(r.refresh.unchanged, 5);
  EXPECT_EQ(r.refresh.changed, 0);
  EXPECT_EQ(r.refresh.gone, 0);
}

TEST_F(RefreshTest, ChangedImageAndStylesheetAloneAreFetchedAndReplaced) {
  ASSERT_TRUE(Run("/index.html").page_saved);
  const auto before = Snapshot();
  Change("/img/p.png", "\x89PNG-two");
  // The new stylesheet names a new image: it is saved too.
  Change("/css/a.css", "body { background: url(../img/new.png) }");
  Change("/img/new.png", "\x89PNG-new");
  const DownloadResult r = RunRefresh();
  ASSERT_TRUE(r.page_saved);
  std::map<std::string, int> with_body;
  for (const Exchange& x : Log()) {
    if (x.status == 200) ++with_body[x.path];
    else EXPECT_EQ(x.status, 304) << x.path;
  }
  EXPECT_EQ(with_body, (std::map<std::string, int>{
                           {"/css/a.css", 1}, {"/img/new.png", 1}, {"/img/p.png", 1}}));
  EXPECT_EQ(test::ReadFile(Local("img/p.png")), "\x89PNG-two");
  EXPECT_EQ(test::ReadFile(Local("css/a.css")), "body { background: url(../img/new.png) }");
  EXPECT_EQ(test::ReadFile(Local("img/new.png")), "\x89PNG-new");
  const auto after = Snapshot();
  for (const char* kept : {"index.html", "ZZOrg_index.html", "img/q.gif", "img/bg.png"}) {
    EXPECT_EQ(after.at(Local(kept)), before.at(Local(kept))) << kept;
  }
  EXPECT_EQ(r.refresh.changed, 3);  // the two, and the new image
  EXPECT_EQ(r.refresh.unchanged, 2);  // the page and q.gif: bg.png is named no more
  // The record now holds the new image, and the next refresh asks it with validators.
  RunRefresh();
  for (const Exchange& x : Log()) EXPECT_EQ(x.status, 304) << x.path;
}

TEST_F(RefreshTest, ChangedPageIsRebuiltWithItsNewReference) {
  ASSERT_TRUE(Run("/index.html").page_saved);
  Change("/index.html", "<html><head><link rel=\"stylesheet\" href=\"css/a.css\"></head><body>"
                        "<img src=\"img/p.png\"><img src=\"/img/r.png\"></body></html>");
  Change("/img/r.png", "\x89PNG-r");
  const DownloadResult r = RunRefresh();
  ASSERT_TRUE(r.page_saved);
  const std::string page = test::ReadFile(Local("index.html"));
  EXPECT_NE(page.find("img/r.png"), std::string::npos);
  EXPECT_EQ(page.find("q.gif"), std::string::npos);
  EXPECT_EQ(test::ReadFile(Local("img/r.png")), "\x89PNG-r");
  // The image the page no longer names stays on disk.
  EXPECT_TRUE(fs::exists(Local("img/q.gif")));
}

TEST_F(RefreshTest, ResourceGoneFromTheServerKeepsItsFileAndIsCountedGone) {
  ASSERT_TRUE(Run("/index.html").page_saved);
  const std::string gif = test::ReadFile(Local("img/q.gif"));
  Change("/img/q.gif", "");
  const DownloadResult r = RunRefresh();
  ASSERT_TRUE(r.page_saved);
  EXPECT_EQ(test::ReadFile(Local("img/q.gif")), gif);
  EXPECT_EQ(r.refresh.gone, 1);
  EXPECT_EQ(r.refresh.unchanged, 4);
  // Still recorded: asked for again next time.
  EXPECT_NE(test::ReadFile(Local("ZV_index.tsv")).find("/img/q.gif"), std::string::npos);
}

TEST_F(RefreshTest, ServerIgnoringValidatorsSendsBodiesButSameBytesRewriteNothing) {
  ASSERT_TRUE(Run("/index.html").page_saved);
  const auto before = Snapshot();
  ignore_validators_ = true;
  const DownloadResult r = RunRefresh();
  ASSERT_TRUE(r.page_saved);
  for (const Exchange& x : Log()) EXPECT_EQ(x.status, 200) << x.path;
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(r.refresh.unchanged, 5);
  EXPECT_EQ(r.refresh.changed, 0);
}

// A file to compare with is missing: asked for whole, and saved again.
TEST_F(RefreshTest, FileDeletedByHandIsFetchedWholeAgain) {
  ASSERT_TRUE(Run("/index.html").page_saved);
  const std::string css = test::ReadFile(Local("css/a.css"));
  fs::remove(Local("css/ZYOrg_a.css"));
  fs::remove(Local("img/p.png"));
  ASSERT_TRUE(RunRefresh().page_saved);
  for (const Exchange& x : Log()) {
    const bool whole = x.path == "/css/a.css" || x.path == "/img/p.png";
    EXPECT_EQ(x.status, whole ? 200 : 304) << x.path;
    if (whole) EXPECT_FALSE(x.if_none_match || x.if_modified_since) << x.path;
  }
  EXPECT_EQ(test::ReadFile(Local("css/a.css")), css);
  EXPECT_EQ(test::ReadFile(Local("img/p.png")), "\x89PNG-one");
}

TEST_F(RefreshTest, RefreshWithoutRecordIsAWholeJob) {
  const DownloadResult r = RunRefresh();
  ASSERT_TRUE(r.page_saved);
  EXPECT_TRUE(r.refresh.asked);
  EXPECT_FALSE(r.refresh.had_record);
  for (const Exchange& x : Log()) {
    EXPECT_EQ(x.status, 200) << x.path;
    EXPECT_FALSE(x.if_none_match || x.if_modified_since) << x.path;
  }
  EXPECT_TRUE(fs::exists(Local("ZV_index.tsv")));
}

// A site saved with its linked pages is refreshed through the site job's
// fetcher: every address asked for once for the whole site, each with its
// validators; what answers 304 is left as it is.
TEST_F(RefreshTest, SiteRefreshAsksForEachAddressOnceWithValidators) {
  const std::string page_body =
      "<link rel=\"stylesheet\" href=\"css/a.css\"></head><body><img src=\"img/p.png\">";
  Change("/index.html", "<html><head>" + page_body +
                            "<a href=\"a.html\">a</a> <a href=\"b.html\">b</a></body></html>");
  Change("/a.html", "<html><head>" + page_body + "<a href=\"b.html\">b</a></body></html>");
  Change("/b.html", "<html><head>" + page_body + "<a href=\"index.html\">i</a></body></html>");
  auto run_site = [&] {
    {
      std::lock_guard<std::mutex> lock(site_mu_);
      log_.clear();
    }
    SiteJob job(fetcher_, prompter_, nullptr, observer_);
    return job.Run(Request("/index.html"), {.depth = 1, .robots = false});
  };
  ASSERT_EQ(run_site().pages.size(), 3u);
  const auto before = Snapshot();
  options_.refresh = true;
  const SiteResult r = run_site();
  ASSERT_EQ(r.pages.size(), 3u);
  std::map<std::string, int> asked;
  for (const Exchange& x : Log()) {
    SCOPED_TRACE(x.path);
    ++asked[x.path];
    EXPECT_EQ(x.status, 304);
    EXPECT_TRUE(x.if_none_match || x.if_modified_since);
  }
  EXPECT_EQ(asked, (std::map<std::string, int>{{"/index.html", 1}, {"/a.html", 1}, {"/b.html", 1},
                                               {"/css/a.css", 1}, {"/img/p.png", 1},
                                               {"/img/bg.png", 1}}));
  EXPECT_EQ(Snapshot(), before);

  // A shared stylesheet that changed comes once, whole, and its new copy serves every page.
  Change("/css/a.css", "body { color: red }");
  run_site();
  std::map<std::string, int> bodies;
  for (const Exchange& x : Log()) bodies[x.path] += x.status == 200 ? 1 : 0;
  EXPECT_EQ(bodies["/css/a.css"], 1);
  EXPECT_EQ(test::ReadFile(Local("css/a.css")), "body { color: red }");
  for (const auto& [path, n] : bodies) EXPECT_EQ(n, path == "/css/a.css" ? 1 : 0) << path;
}

// A copy saved before names carried their type: its record (named after the
// page without the ".html" it now carries) is read, and a file saved without
// the ending of its type gets a copy that has it, without a body asked for.
TEST_F(RefreshTest, CopyOfAnEarlierVersionIsRefreshedUnderTheNamesOfNow) {
  Change("/doc.aspx", "<html><head></head><body><img src=\"img/p.png?v=1\"></body></html>");
  ASSERT_TRUE(Run("/doc.aspx").page_saved);
  const std::string image = Local("img/p.png@v=1.png");
  ASSERT_TRUE(fs::exists(image));
  // As the earlier version left it.
  fs::rename(image, Local("img/p.png@v=1"));
  std::string record = test::ReadFile(Local("ZV_doc.aspx.tsv"));
  const std::size_t at = record.find("img/p.png@v=1.png");
  ASSERT_NE(at, std::string::npos) << record;
  record.replace(at, 17, "img/p.png@v=1");
  fs::remove(Local("ZV_doc.aspx.tsv"));
  std::ofstream(Local("ZV_doc.tsv"), std::ios::binary) << record;

  options_.refresh = true;
  {
    std::lock_guard<std::mutex> lock(site_mu_);
    log_.clear();
  }
  const DownloadResult r = Run("/doc.aspx");
  ASSERT_TRUE(r.page_saved);
  EXPECT_TRUE(r.refresh.had_record);
  for (const Exchange& x : Log()) EXPECT_EQ(x.status, 304) << x.path;
  EXPECT_EQ(test::ReadFile(image), "\x89PNG-one");
  EXPECT_NE(test::ReadFile(Local("doc.aspx.html")).find("img/p.png@v=1.png"), std::string::npos);
}

TEST(JobRecordTest, TextKeepsEveryValueOnItsLineAndFilesRelative) {
  const std::vector<RecordLine> lines{
      {"http://h/a b", "/s/p/ZZOrg_x.html", {"\"e\ttab\nline\\\"", ""}, "text/html"},
      {"http://h/i.png", "/s/img/i.png", {"", "Mon, 01 Jan 2024 00:00:00 GMT"}, ""}};
  const std::string text = RecordText(lines, "/s/p/");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
  EXPECT_NE(text.find("\t../img/i.png\t"), std::string::npos);
  const std::vector<RecordLine> back = ParseRecord(text + "broken line\n\n", "/s/p/");
  ASSERT_EQ(back.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(back[i].url, lines[i].url);
    EXPECT_EQ(back[i].local, lines[i].local);
    EXPECT_EQ(back[i].validators.etag, lines[i].validators.etag);
    EXPECT_EQ(back[i].validators.last_modified, lines[i].validators.last_modified);
    EXPECT_EQ(back[i].content_type, lines[i].content_type);
  }
  EXPECT_EQ(RecordFileOf("/s/p/index.html"), "/s/p/ZV_index.tsv");
}

}  // namespace
}  // namespace kaplo
