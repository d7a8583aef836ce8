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

class FrontDoor : public test::EngineTest {
 protected:
  FrontDoor() : EngineTest("front", true) {
    options_.dont_empty_folder = true;
    site_ = {
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
  }
};

TEST_F(FrontDoor, SavedPageWithCountsAndReports) {
  options_.dont_make_css_list = false;
  const DownloadResult r = Run("/p/index.html");
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
  EXPECT_EQ(Engine().LastResult().saved_page, r.saved_page);
  EXPECT_EQ(Engine().Lists().stylesheet_outcomes, r.lists.stylesheet_outcomes);
  EXPECT_EQ(r.lists.stylesheet_outcomes.size(), 2u);
  // The page is asked for once, though the job reads it at three stages.
  EXPECT_EQ(Hits("/p/index.html"), 1);
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

TEST_F(FrontDoor, ThePageIsFetchedOncePerJob) {
  // Navigated first (the browser-built save needs the page's head), then
  // saved: the navigate step's answer serves the stages after it.
  DownloadRequest request = Request("/p/index.html");
  request.navigate_first = true;
  ASSERT_TRUE(Run(request).page_saved);
  EXPECT_EQ(Hits("/p/index.html"), 1);
  EXPECT_EQ(Hits("/p/p.css"), 1);
  // The next job asks again: the page may have changed since.
  ASSERT_TRUE(Run("/p/index.html").page_saved);
  EXPECT_EQ(Hits("/p/index.html"), 2);
  // So does a job after the navigate button, which the user may press long before.
  const NavigateResult navigated =
      Engine().Navigate({.url = Url("/p/index.html"), .save_folder = folder_, .options = options_});
  EXPECT_TRUE(navigated.navigated);
  EXPECT_EQ(Hits("/p/index.html"), 3);
  ASSERT_TRUE(Run("/p/index.html").page_saved);
  EXPECT_EQ(Hits("/p/index.html"), 4);
}

TEST_F(FrontDoor, FramesetThenOneFrame) {
  prompter_.save_path = folder_ + "top.html";
  const DownloadResult top = Run("/f/top.html");
  ASSERT_TRUE(top.page_saved) << top.failure;
  EXPECT_TRUE(top.frameset);
  EXPECT_EQ(top.frames, (std::vector<std::string>{"a.html", "b.html"}));

  const DownloadResult frame = RunFrame("a.html");
  ASSERT_TRUE(frame.page_saved) << frame.failure;
  EXPECT_EQ(frame.saved_page, folder_ + "f/a.html");
  EXPECT_FALSE(frame.frameset);

  last_ = top;
  const DownloadResult none = RunFrame("javascript:void(0)");
  EXPECT_FALSE(none.page_saved);
  EXPECT_EQ(none.failure_kind, DownloadFailure::NotWebAddress);
  // A new address starts over: the last page's lists and frames go.
  EXPECT_FALSE(Engine().Lists().frames.empty());
  Engine().StartOver();
  EXPECT_TRUE(Engine().Lists().frames.empty());
  EXPECT_TRUE(Engine().Lists().stylesheets.empty());
  Engine().Reset();
  EXPECT_TRUE(Engine().Labels().page_address.empty());
  EXPECT_TRUE(Engine().Labels().url.empty());
  // Without a page first, an absolute address is the frame.
  EXPECT_TRUE(Engine()
                  .RunFrame({.page_url = "",
                             .save_folder = folder_,
                             .reference = Url("/f/a.html"),
                             .options = options_})
                  .page_saved);
}

}  // namespace
}  // namespace kaplo
