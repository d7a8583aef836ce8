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

class JobTest : public test::EngineTest {
 protected:
  JobTest() : EngineTest("job") { not_found_ = "<html><body>not found</body></html>"; }
};

// The same Japanese page in every code the web uses.
std::string JapanesePage(std::string_view charset) {
  return "<!DOCTYPE html>\n<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
         "charset=" +
         std::string(charset) + "\">\n<title>" + SJ<"日本語のページ">() +
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
    site_["/a/b/c.html"] = c.encode(page);
    ASSERT_TRUE(EmptyFolder(folder_) || fs::is_empty(folder_));
    const DownloadResult r = Run("/a/b/c.html#top");
    EXPECT_EQ(r.url, Url("/a/b/c.html")) << "the fragment is cut in the URL box";
    ASSERT_TRUE(r.page_saved) << r.failure;
    EXPECT_EQ(r.saved_page, folder_ + "a/b/c.html");

    const std::string saved = test::ReadFile(folder_ + "a/b/c.html");
    EXPECT_TRUE(ContainsAtBoundary(saved, SJ<"こんにちは、世界。">())) << saved;
    EXPECT_TRUE(ContainsAtBoundary(saved, "charset=Shift_JIS")) << saved;
    EXPECT_TRUE(ContainsAtBoundary(
        saved, "<!-- saved from \"" + Url("/a/b/c.html") + "\" by NOLDA-KAPLO -->\r\n<head>"))
        << saved;
    // Links to pages that were not saved lead to the web.
    EXPECT_TRUE(ContainsAtBoundary(saved, "href=\"" + Url("/x/y.html") + "\"")) << saved;
    EXPECT_TRUE(ContainsAtBoundary(saved, "href=\"" + Url("/") + "\"")) << saved;
    EXPECT_TRUE(ContainsAtBoundary(saved, "href=\"" + Url("/a/d.html") + "\"")) << saved;
    // The as-fetched copy is the server's bytes, each line ending CR LF.
    EXPECT_EQ(test::ReadFile(folder_ + "a/b/ZZOrg_c.html"), NormaliseLineBreaks(c.encode(page)));
  }
}

// A manual's chapters: a link leads to the copy of a page that is saved (the
// page itself, one saved before into the folder, a file the job saved) and
// to the web otherwise, so every link of the copy leads somewhere.
TEST_F(JobTest, LinksLeadToCopiesOrToTheWeb) {
  site_["/man/ch01.html"] =
      "<html><head><title>1</title></head><body><a href=\"ch02.html#s2\">next</a> "
      "<a href=\"ch01.html#top\">here</a> <a href=\"./\">contents</a> "
      "<a href=\"fig.png\"><img src=\"fig.png\"></a> <a href=\"/other/\">other</a></body></html>";
  site_["/man/ch02.html"] = "<html><head><title>2</title></head><body>two</body></html>";
  site_["/man/fig.png"] = "\x89PNG\r\n\x1a\nfig";
  options_.dont_empty_folder = true;
  ASSERT_TRUE(Run("/man/ch01.html").page_saved);
  std::string saved = test::ReadFile(Local("man/ch01.html"));
  EXPECT_TRUE(ContainsAtBoundary(saved, "href=\"" + Url("/man/ch02.html") + "#s2\"")) << saved;
  EXPECT_TRUE(ContainsAtBoundary(saved, "href=\"ch01.html#top\"")) << saved;
  EXPECT_TRUE(ContainsAtBoundary(saved, "href=\"" + Url("/man/") + "\"")) << saved;
  EXPECT_TRUE(ContainsAtBoundary(saved, "<a href=\"fig.png\"><img src=\"fig.png\">")) << saved;
  EXPECT_TRUE(ContainsAtBoundary(saved, "href=\"" + Url("/other/") + "\"")) << saved;

  // With the next chapter saved into the folder, the link leads to its copy.
  ASSERT_TRUE(Run("/man/ch02.html").page_saved);
  ASSERT_TRUE(Run("/man/ch01.html").page_saved);
  saved = test::ReadFile(Local("man/ch01.html"));
  EXPECT_TRUE(ContainsAtBoundary(saved, "href=\"ch02.html#s2\"")) << saved;
}

// Each file is named for its type, and the page refers to that name; this
// server labels every unknown ending text/html, which names nothing.
TEST_F(JobTest, FilesAreNamedForTheirType) {
  site_["/t/page.html"] =
      "<html><head><link rel=\"stylesheet\" href=\"style.php?v=2\">"
      "<script src=\"app?v=1\"></script></head><body><img src=\"pic.php?id=3\">"
      "<img src=\"photo.png?w=10\"><img src=\"blob.bin\"></body></html>";
  site_["/t/style.php"] = "p { color: red }";
  site_["/t/app"] = "var a = 1;";
  site_["/t/pic.php"] = "GIF89a-pic";
  site_["/t/photo.png"] = "\x89PNG\r\n\x1a\nphoto";
  site_["/t/blob.bin"] = "no signature";
  ASSERT_TRUE(Run("/t/page.html").page_saved);
  const std::string page = test::ReadFile(Local("t/page.html"));
  for (const char* name : {"style.php@v=2.css", "app@v=1.js", "pic.php@id=3.gif",
                           "photo.png@w=10.png", "blob.bin"}) {
    EXPECT_TRUE(fs::is_regular_file(Local(std::string("t/") + name))) << name;
    EXPECT_TRUE(ContainsAtBoundary(page, std::string("\"") + name + "\"")) << name << "\n" << page;
  }
}

TEST_F(JobTest, CharactersWithoutShiftJisFormBecomeReferences) {
  site_["/e.html"] =
      "<html><head><meta charset=\"utf-8\"></head><body>caf\xC3\xA9 \xF0\x9F\x98\x80 "
      "\xE6\x97\xA5</body></html>";
  ASSERT_TRUE(Run("/e.html").page_saved);
  const std::string saved = test::ReadFile(folder_ + "e.html");
  EXPECT_TRUE(ContainsAtBoundary(saved, "caf&#xE9; &#x1F600; " + SJ<"日">())) << saved;
}

TEST_F(JobTest, PageQuestionAndRefreshRedirect) {
  site_["/index.html"] = "<html><head><title>t</title></head><body>home</body></html>";
  prompter_.answers = {Prompter::Answer::No};  // append "/index.html"
  EXPECT_EQ(Run(Url("")).url, Url("/index.html"));
  ASSERT_EQ(prompter_.asked.size(), 1u);
  EXPECT_EQ(prompter_.asked[0], msg::NoHtmlFile());
  EXPECT_TRUE(fs::exists(folder_ + "index.html"));

  prompter_.asked.clear();
  prompter_.answers = {Prompter::Answer::Cancel};
  EXPECT_EQ(Run("/dir").failure_kind, DownloadFailure::Cancelled);
  EXPECT_EQ(prompter_.asked.size(), 1u);

  site_["/r.html"] =
      "<html><head><meta http-equiv=\"refresh\" content=\"0; url='http://x/y'\"></head>"
      "<body>moved</body></html>";
  prompter_.asked.clear();
  prompter_.answers = {Prompter::Answer::Yes};
  const DownloadResult redirected = Run("/r.html");
  EXPECT_EQ(prompter_.information_labels.back(), msg::RefreshRedirect());
  EXPECT_EQ(prompter_.asked, std::vector<std::string>{msg::GoOn()});
  EXPECT_EQ(redirected.url, "http://x/y") << "the target is offered in the URL box";
  EXPECT_TRUE(redirected.page_saved) << "the job goes on with the URL it started with";
  EXPECT_EQ(redirected.saved_page, folder_ + "r.html");
  EXPECT_TRUE(fs::exists(folder_ + "r.html"));

  prompter_.answers = {Prompter::Answer::No};
  EXPECT_EQ(Run("/r.html").failure_kind, DownloadFailure::Cancelled);
  EXPECT_FALSE(Engine().Running());
}

TEST_F(JobTest, BaseTagOptions) {
  site_["/p/base.html"] =
      "<html><head><base href=\"http://other.example/d/\"><link href=\"s.css\"></head>"
      "<body><a href=\"/q.html\">q</a></body></html>";
  prompter_.answers = {Prompter::Answer::No};
  EXPECT_FALSE(Run("/p/base.html").page_saved);
  EXPECT_EQ(prompter_.asked, std::vector<std::string>{msg::BaseHref()});

  // Switched off: kept only as a comment.
  options_.remove_base_href = 3;
  prompter_.asked.clear();
  EXPECT_TRUE(Run("/p/base.html").page_saved);
  EXPECT_TRUE(prompter_.asked.empty());
  const std::string saved = test::ReadFile(folder_ + "p/base.html");
  EXPECT_TRUE(ContainsAtBoundary(saved, SJ<"<!-- ●● <base href=\"http://other.example/d/">()))
      << saved;
  EXPECT_FALSE(ContainsAtBoundary(saved, SJ<"\n<base ">()));
}

TEST_F(JobTest, FoldersAreCheckedBeforeAnythingIsDeleted) {
  site_["/f.html"] = "<html><head></head><body>f</body></html>";
  DownloadRequest request = Request("/f.html");
  request.save_folder = (root_ / "missing").string() + "/";
  EXPECT_EQ(Run(request).failure_kind, DownloadFailure::FolderNotFound);
  EXPECT_EQ(prompter_.informed.back(), msg::FolderNotFound());

  // The window's default empties the folder; a refused folder stops the job.
  request = Request("/f.html");
  request.options.dont_empty_folder = false;
  request.save_folder = "/";
  const DownloadResult refused = Run(request);
  // It says that the folder cannot be emptied, and why; never that it is not there.
  EXPECT_TRUE(prompter_.informed.back().starts_with(msg::FolderNotEmptied()))
      << prompter_.informed.back();
  EXPECT_EQ(refused.failure_kind, DownloadFailure::FolderNotEmptied);
  EXPECT_FALSE(refused.page_saved);
  EXPECT_TRUE(refused.next_options.dont_empty_folder)
      << "after any job the folder is kept next time";

  // No folder: the save dialog names the page.
  request = Request("/f.html");
  request.save_folder.clear();
  prompter_.save_path = folder_ + "chosen.html";
  const DownloadResult chosen = Run(request);
  EXPECT_EQ(prompter_.save_dialogs, 1);
  EXPECT_EQ(chosen.labels.save_folder, folder_);
  EXPECT_TRUE(chosen.page_saved);
}

TEST_F(JobTest, AnEmptyPageIsNotSaved) {
  site_["/empty.html"] = "";
  const DownloadResult r = Run(Request("/empty.html"));
  EXPECT_FALSE(r.page_saved);
  EXPECT_EQ(r.failure_kind, DownloadFailure::PageNotFetched);
  EXPECT_NE(r.failure.find("an empty answer"), std::string::npos) << r.failure;
  EXPECT_TRUE(fs::is_empty(folder_)) << "no page file, no copy";
}

TEST_F(JobTest, HostileServersDoNotHangTheJob) {
  // One server accepts and never answers, another never ends its body.
  test::LocalServer slow;
  std::atomic<bool> stop{false};
  slow.server().Get("/silent.html", [&](const httplib::Request&, httplib::Response&) {
    for (int i = 0; i < 100 && !stop; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
  });
  slow.server().Get("/endless.html", [&](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("text/html", [&](size_t, httplib::DataSink& sink) {
      sink.write("<p>", 3);
      for (int i = 0; i < 100 && !stop; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      return false;
    });
  });
  slow.Start();
  FetchLimits limits;
  limits.low_speed_time_s = 1;
  CurlFetcher quick(limits);
  DownloadEngine engine(quick, prompter_, nullptr, observer_);
  for (const char* path : {"/silent.html", "/endless.html"}) {
    const auto start = std::chrono::steady_clock::now();
    const DownloadResult r = engine.Run(Request(slow.Url(path)));
    EXPECT_EQ(r.failure_kind, DownloadFailure::PageNotFetched) << path;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << path;
  }
  stop = true;
  EXPECT_TRUE(fs::is_empty(folder_)) << "nothing half-written";
}

TEST_F(JobTest, DotDotAddressesStayInTheFolder) {
  // The server decodes the dots and answers; the local names must not climb.
  site_["/a/../../../x.html"] = "<html><head></head><body>escape</body></html>";
  options_.url_web_decode = 1;
  const DownloadResult r = Run("/a/%2e%2e/%2e%2e/%2E%2E/x.html");
  ASSERT_TRUE(r.page_saved) << r.failure;
  EXPECT_EQ(r.saved_page, folder_ + "a/x.html");
  EXPECT_NE(test::ReadFile(folder_ + "a/x.html").find("escape"), std::string::npos);
  EXPECT_TRUE(fs::is_regular_file(folder_ + "a/ZZOrg_x.html"));
  // Nothing beside the save folder, and nothing named by the dots in it.
  for (const auto& e : fs::recursive_directory_iterator(root_)) {
    EXPECT_EQ((e.path().string() + "/").rfind(folder_, 0), 0u) << e.path();
    EXPECT_NE(e.path().filename(), "..") << e.path();
  }
}

}  // namespace
}  // namespace kaplo
