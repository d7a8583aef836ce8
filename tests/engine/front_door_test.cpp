// The engine's front door: a request in, a result out, without touching the
// engine's working state.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "engine/engine.h"
#include "engine/engine_test_support.h"
#include "engine/http_server_support.h"
#include "shell/messages.h"
#include "text/fsname.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

class FrontDoor : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ServeSite(server_.server(), site_, "<html><body>404 Not Found</body></html>");
    server_.Start();
  }

  DownloadRequest Request(const std::string& path) {
    DownloadRequest r;
    r.url = path.starts_with("/") ? server_.Url(path) : path;
    r.save_folder = folder_;
    r.options.dont_empty_folder = true;
    return r;
  }

  std::map<std::string, std::string> site_ = {
      {"/p/index.html",
       "<html><head><title>p</title><link rel=\"stylesheet\" href=\"p.css\">"
       "<link rel=\"stylesheet\" href=\"gone.css\"></head>\r\n<body><img src=\"no.png\">"
       "</body></html>\r\n"},
      {"/p/p.css", "p { color: red; }"},
      {"/r.html",
       "<html><head><meta http-equiv=\"refresh\" content=\"0; url=http://127.0.0.1/x\"></head>"
       "<body></body></html>"},
      {"/f/top.html",
       "<html><head></head><frameset cols=\"*,*\"><frame src=\"a.html\"><frame src=\"b.html\">"
       "</frameset></html>"},
      {"/f/a.html", "<html><head></head><body>a</body></html>"},
  };
  test::TempSaveFolder temp_{"front"};
  const fs::path root_ = temp_.root;
  const std::string folder_ = temp_.save;
  test::LocalServer server_;
  CurlFetcher fetcher_;
  test::ScriptedPrompter prompter_;
  JobObserver observer_;
  DownloadEngine engine_{fetcher_, prompter_, nullptr, observer_};
};

TEST_F(FrontDoor, SavedPageWithCountsAndReports) {
  DownloadRequest request = Request("/p/index.html");
  request.options.dont_make_css_list = false;
  const DownloadResult r = engine_.Run(request);
  ASSERT_TRUE(r.page_saved) << r.failure;
  EXPECT_EQ(r.failure_kind, DownloadFailure::None);
  EXPECT_TRUE(r.failure.empty());
  EXPECT_EQ(r.saved_page, folder_ + "p/index.html");
  EXPECT_EQ(r.url, server_.Url("/p/index.html"));
  EXPECT_FALSE(r.frameset);
  EXPECT_EQ(r.stylesheet_counts.at(OutcomeMark::Saved), 1);
  EXPECT_EQ(r.stylesheet_counts.at(OutcomeMark::NotFound404), 1);
  EXPECT_EQ(r.image_counts.at(OutcomeMark::NotFound404), 1);
  EXPECT_EQ(r.image_counts.at(OutcomeMark::Saved), 0);
  EXPECT_EQ(r.reports.size(), 3u);
  for (const std::string& report : r.reports) EXPECT_TRUE(fs::exists(FsPath(report)));
  // The result is the engine's own state, read back.
  EXPECT_EQ(engine_.LastResult().saved_page, r.saved_page);
  EXPECT_EQ(engine_.Lists().ListBoxPGTab02LTab02PageFileDownloaedCSSJS.size(), 2u);
}

TEST_F(FrontDoor, FailuresSayWhy) {
  struct Case {
    std::string what, url;
    std::function<void(DownloadRequest&)> change;
    std::vector<test::ScriptedPrompter::Answer> answers;
    DownloadFailure kind;
  } cases[] = {
      {"no address", "", nullptr, {}, DownloadFailure::NoAddress},
      {"page question cancelled",
       "/p/x",
       nullptr,
       {Prompter::Answer::Cancel},
       DownloadFailure::Cancelled},
      {"redirect not followed",
       "/r.html",
       nullptr,
       {Prompter::Answer::No},
       DownloadFailure::Cancelled},
      {"missing folder",
       "/p/index.html",
       [&](DownloadRequest& r) { r.save_folder = (root_ / "missing").string() + "/"; },
       {},
       DownloadFailure::FolderNotFound},
      {"save dialog cancelled",
       "/p/index.html",
       [](DownloadRequest& r) { r.save_folder.clear(); },
       {},
       DownloadFailure::Cancelled},
      {"browser page without navigating",
       "/p/index.html",
       [](DownloadRequest& r) { r.options.download_inner_html = true; },
       {},
       DownloadFailure::NotNavigated},
      {"server gone", "http://127.0.0.1:1/a.html", nullptr, {}, DownloadFailure::PageNotFetched},
  };
  for (const Case& c : cases) {
    DownloadRequest request = Request(c.url);
    if (c.change) c.change(request);
    test::ScriptedPrompter prompter;
    prompter.answers = c.answers;
    DownloadEngine engine(fetcher_, prompter, nullptr, observer_);
    const DownloadResult r = engine.Run(request);
    EXPECT_FALSE(r.page_saved) << c.what;
    EXPECT_TRUE(r.saved_page.empty()) << c.what;
    EXPECT_EQ(r.failure_kind, c.kind) << c.what;
    // A fetch failure adds what libcurl said.
    EXPECT_TRUE(r.failure.starts_with(DownloadFailureText(c.kind))) << c.what;
    EXPECT_FALSE(r.failure.empty()) << c.what;
    EXPECT_FALSE(engine.Running()) << c.what;
  }
  EXPECT_EQ(DownloadFailureText(DownloadFailure::FolderNotFound), msg::FolderNotFound());
}

TEST_F(FrontDoor, FramesetThenOneFrame) {
  prompter_.save_path = folder_ + "top.html";
  const DownloadResult top = engine_.Run(Request("/f/top.html"));
  ASSERT_TRUE(top.page_saved) << top.failure;
  EXPECT_TRUE(top.frameset);
  EXPECT_EQ(top.frames, (std::vector<std::string>{"a.html", "b.html"}));

  const DownloadResult frame = engine_.RunFrame("a.html");
  ASSERT_TRUE(frame.page_saved) << frame.failure;
  EXPECT_EQ(frame.saved_page, folder_ + "f/a.html");
  EXPECT_FALSE(frame.frameset);

  const DownloadResult none = engine_.RunFrame("javascript:void(0)");
  EXPECT_FALSE(none.page_saved);
  EXPECT_EQ(none.failure_kind, DownloadFailure::NotWebAddress);
  // A new address starts over: the last page's lists and frames go.
  engine_.StartOver();
  EXPECT_TRUE(engine_.Lists().ListBoxWBInFrameFileList.empty());
  EXPECT_TRUE(engine_.Lists().ListBoxPGTab02LTab02PageWebCSS.empty());
  engine_.Reset();
  EXPECT_TRUE(engine_.Job().PageUrl.empty());
  // Without a page loaded first, an absolute address is the frame.
  engine_.Load(Request(""));
  EXPECT_TRUE(engine_.RunFrame(server_.Url("/f/a.html")).page_saved);
}

}  // namespace
}  // namespace kaplo
