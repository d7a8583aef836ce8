// Whole download jobs against a local HTTP server.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "engine/engine.h"
#include "engine/engine_test_support.h"
#include "engine/http_server_support.h"
#include "engine/url.h"
#include "shell/messages.h"
#include "text/charset.h"
#include "text/convert.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

class JobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kaplo-job-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "save");
    folder_ = (root_ / "save").string() + "/";
    server_.server().Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
      const auto it = pages_.find(req.path);
      if (it == pages_.end()) {
        res.status = 404;
        res.set_content("<html><body>not found</body></html>", "text/html");
        return;
      }
      res.set_content(it->second, "text/html");
    });
    server_.Start();
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string Url(const std::string& path) { return server_.Url(path); }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // One whole job, as the download button runs it.
  DownloadEngine& Run(const std::string& url) {
    engine_.form.url = url;
    engine_.form.save_folder = folder_;
    engine_.btnDownloadAllClick();
    return engine_;
  }

  std::map<std::string, std::string> pages_;
  test::LocalServer server_;
  fs::path root_;
  std::string folder_;
  CurlFetcher fetcher_;
  test::ScriptedPrompter prompter_;
  JobObserver observer_;
  DownloadEngine engine_{fetcher_, prompter_, nullptr, observer_};
};

// The same Japanese page in every code the web uses.
std::string JapanesePage(std::string_view charset) {
  return "<!DOCTYPE html>\n<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
         "charset=" + std::string(charset) + "\">\n<title>" + SJ<"日本語のページ">() +
         "</title>\n</head>\n<body>\n<p>" + SJ<"こんにちは、世界。">() +
         "</p>\n<a href=\"/x/y.html\">x</a>\n<a href=\"/\">top</a>\n"
         "<a href=\"http://HOST/a/d.html\">same site</a>\n</body>\n</html>\n";
}

TEST_F(JobTest, SavesPagesInEveryCodeAsShiftJis) {
  struct {
    const char* charset;
    std::string (*encode)(std::string_view);
  } codes[] = {
      {"Shift_JIS", [](std::string_view s) { return std::string(s); }},
      {"EUC-JP", [](std::string_view s) { return ShiftJISToEuc(s); }},
      {"UTF-8", [](std::string_view s) { return ShiftJISToUtf8(s); }},
      {"ISO-2022-JP", [](std::string_view s) { return ShiftJISToJis(s); }},
  };
  for (const auto& c : codes) {
    SCOPED_TRACE(c.charset);
    const std::string host = Url("");
    std::string page = JapanesePage(c.charset);
    page = ReplaceAllExact(page, "http://HOST", host);
    pages_["/a/b/c.html"] = c.encode(page);
    ASSERT_TRUE(EmptyFolder(folder_) || fs::is_empty(folder_));
    Run(Url("/a/b/c.html#top"));
    EXPECT_EQ(engine_.form.url, Url("/a/b/c.html")) << "the fragment is cut in the URL box";
    ASSERT_TRUE(engine_.PageSaved());
    EXPECT_EQ(engine_.form.local_filename, folder_ + "a/b/c.html");

    const std::string saved = Read(folder_ + "a/b/c.html");
    EXPECT_TRUE(ContainsAtBoundary(saved, SJ<"こんにちは、世界。">())) << saved;
    EXPECT_TRUE(ContainsAtBoundary(saved, "charset=Shift_JIS")) << saved;
    EXPECT_TRUE(ContainsAtBoundary(saved, "<!-- saved from \"" + Url("/a/b/c.html") +
                                              "\" by NOLDA-KAPLO -->\r\n<head>"))
        << saved;
    EXPECT_TRUE(ContainsAtBoundary(saved, "href=\"../../x/y.html\"")) << saved;
    EXPECT_TRUE(ContainsAtBoundary(saved, "href=\"../../index.html\"")) << saved;
    EXPECT_TRUE(ContainsAtBoundary(saved, "href=\"../../a/d.html\"")) << saved;
    // The as-fetched copy is the server's bytes, each line ending CR LF.
    EXPECT_EQ(Read(folder_ + "a/b/ZZOrg_c.html"), NormaliseLineBreaks(c.encode(page)));
  }
}

TEST_F(JobTest, CharactersWithoutShiftJisFormBecomeReferences) {
  pages_["/e.html"] = "<html><head><meta charset=\"utf-8\"></head><body>caf\xC3\xA9 \xF0\x9F\x98\x80 "
                      "\xE6\x97\xA5</body></html>";
  Run(Url("/e.html"));
  ASSERT_TRUE(engine_.PageSaved());
  const std::string saved = Read(folder_ + "e.html");
  EXPECT_TRUE(ContainsAtBoundary(saved, "caf&#xE9; &#x1F600; " + SJ<"日">())) << saved;
}

TEST_F(JobTest, PageQuestionAndRefreshRedirect) {
  pages_["/index.html"] = "<html><head><title>t</title></head><body>home</body></html>";
  prompter_.answers = {Prompter::Answer::No};  // append "/index.html"
  Run(Url(""));
  ASSERT_EQ(prompter_.asked.size(), 1u);
  EXPECT_EQ(prompter_.asked[0], msg::NoHtmlFile());
  EXPECT_EQ(engine_.form.url, Url("/index.html"));
  EXPECT_TRUE(fs::exists(folder_ + "index.html"));

  prompter_.asked.clear();
  prompter_.answers = {Prompter::Answer::Cancel};
  Run(Url("/dir"));
  EXPECT_EQ(prompter_.asked.size(), 1u);
  EXPECT_FALSE(engine_.PageSaved());

  pages_["/r.html"] =
      "<html><head><meta http-equiv=\"refresh\" content=\"0; url='http://x/y'\"></head>"
      "<body>moved</body></html>";
  prompter_.asked.clear();
  prompter_.answers = {Prompter::Answer::Yes};
  Run(Url("/r.html"));
  EXPECT_EQ(prompter_.information_labels.back(), msg::RefreshRedirect());
  EXPECT_EQ(prompter_.asked, std::vector<std::string>{msg::GoOn()});
  EXPECT_EQ(engine_.form.url, "http://x/y") << "the target is offered in the URL box";
  EXPECT_TRUE(engine_.PageSaved()) << "the job goes on with the URL it started with";
  EXPECT_TRUE(fs::exists(folder_ + "r.html"));

  prompter_.answers = {Prompter::Answer::No};
  Run(Url("/r.html"));
  EXPECT_FALSE(engine_.PageSaved());
  EXPECT_FALSE(engine_.Running());
}

TEST_F(JobTest, BaseTagOptions) {
  pages_["/p/base.html"] =
      "<html><head><base href=\"http://other.example/d/\"><link href=\"s.css\"></head>"
      "<body><a href=\"/q.html\">q</a></body></html>";
  prompter_.answers = {Prompter::Answer::No};
  Run(Url("/p/base.html"));
  EXPECT_EQ(prompter_.asked, std::vector<std::string>{msg::BaseHref()});
  EXPECT_FALSE(engine_.PageSaved());

  // Switched off: kept only as a comment.
  engine_.settings.remove_base_href = 3;
  prompter_.asked.clear();
  Run(Url("/p/base.html"));
  EXPECT_TRUE(prompter_.asked.empty());
  const std::string saved = Read(folder_ + "p/base.html");
  EXPECT_TRUE(ContainsAtBoundary(saved, SJ<"<!-- ●● <base href=\"http://other.example/d/">()))
      << saved;
  EXPECT_FALSE(ContainsAtBoundary(saved, SJ<"\n<base ">()));
}

TEST_F(JobTest, FoldersAreCheckedBeforeAnythingIsDeleted) {
  pages_["/f.html"] = "<html><head></head><body>f</body></html>";
  engine_.form.url = Url("/f.html");
  engine_.form.save_folder = (root_ / "missing").string() + "/";
  engine_.btnDownloadAllClick();
  EXPECT_EQ(prompter_.informed.back(), msg::FolderNotFound());

  // The window's default empties the folder; a refused folder stops the job.
  engine_.settings.dont_empty_folder = false;
  engine_.form.save_folder = "/";
  engine_.btnDownloadAllClick();
  // It says that the folder cannot be emptied, and why; never that it is not there.
  EXPECT_TRUE(prompter_.informed.back().starts_with(msg::FolderNotEmptied()))
      << prompter_.informed.back();
  EXPECT_EQ(engine_.LastResult().failure_kind, DownloadFailure::FolderNotEmptied);
  EXPECT_FALSE(engine_.PageSaved());
  EXPECT_TRUE(engine_.settings.dont_empty_folder) << "after any job the folder is kept next time";

  // No folder: the save dialog names the page.
  engine_.form.save_folder.clear();
  prompter_.save_path = folder_ + "chosen.html";
  engine_.btnDownloadAllClick();
  EXPECT_EQ(prompter_.save_dialogs, 1);
  EXPECT_EQ(engine_.form.save_folder, folder_);
  EXPECT_TRUE(engine_.PageSaved());
}

TEST_F(JobTest, HostileServersDoNotHangTheJob) {
  // One server accepts and never answers, another never ends its body.
  test::LocalServer slow;
  std::atomic<bool> stop{false};
  slow.server().Get("/silent.html", [&](const httplib::Request&, httplib::Response&) {
    for (int i = 0; i < 100 && !stop; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  });
  slow.server().Get("/endless.html", [&](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("text/html", [&](size_t, httplib::DataSink& sink) {
      sink.write("<p>", 3);
      for (int i = 0; i < 100 && !stop; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      return false;
    });
  });
  slow.Start();
  FetchLimits limits;
  limits.low_speed_time_s = 1;
  CurlFetcher quick(limits);
  DownloadEngine engine(quick, prompter_, nullptr, observer_);
  for (const char* path : {"/silent.html", "/endless.html"}) {
    engine.form.url = slow.Url(path);
    engine.form.save_folder = folder_;
    const auto start = std::chrono::steady_clock::now();
    engine.btnDownloadAllClick();
    EXPECT_FALSE(engine.PageSaved()) << path;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << path;
  }
  stop = true;
  EXPECT_TRUE(fs::is_empty(folder_)) << "nothing half-written";
}

TEST_F(JobTest, DotDotAddressesStayInTheFolder) {
  pages_["/x.html"] = "<html><head></head><body>escape</body></html>";
  engine_.settings.url_web_decode = 1;
  Run(Url("/a/%2e%2e/%2e%2e/%2E%2E/x.html"));
  for (const auto& e : fs::recursive_directory_iterator(root_)) {
    EXPECT_EQ((e.path().string() + "/").rfind(folder_, 0), 0u) << e.path();
  }
}

}  // namespace
}  // namespace kaplo
