#include "engine/fetch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "engine/http_server_support.h"
#include "engine/parallel_fetch.h"
#include "engine/url.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

// Every test runs with the one-at-a-time fetcher and the parallel one.
class FetchTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kaplo-fetch-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    auto& s = server_.server();
    s.Get("/page.html", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html>\r\nline1\nline2\rline3</html>", "text/html");
    });
    s.Get("/nul.txt", [](const httplib::Request&, httplib::Response& r) {
      r.set_content(std::string("a\0b", 3), "text/plain");
    });
    s.Get("/missing.gif", [](const httplib::Request&, httplib::Response& r) {
      r.status = 404;
      r.set_content("<HTML><body>not found</body></HTML>", "text/html");
    });
    s.Get("/logo.gif", [](const httplib::Request&, httplib::Response& r) {
      r.set_content(std::string("GIF89a\0\x01", 8), "image/gif");
    });
    s.Get("/moved", [](const httplib::Request&, httplib::Response& r) {
      r.set_redirect("/page.html");
    });
    s.Get("/gone", [](const httplib::Request&, httplib::Response& r) {
      r.set_redirect("/errors/404.html");
    });
    s.Get("/stall", [this](const httplib::Request&, httplib::Response& r) {
      // Headers, then a body that never ends.
      r.set_chunked_content_provider("text/html", [this](size_t, httplib::DataSink& sink) {
        sink.write("<p>", 3);
        for (int i = 0; i < 100 && !stop_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return false;
      });
    });
    s.Get("/big", [](const httplib::Request&, httplib::Response& r) {
      r.set_content(std::string(4096, 'x'), "text/plain");
    });
    server_.Start();
  }
  void TearDown() override {
    stop_ = true;
    fs::remove_all(dir_);
  }
  std::string File(const std::string& name) { return (dir_ / name).string(); }
  std::unique_ptr<Fetcher> Make(FetchLimits limits = {}) {
    if (GetParam()) return std::make_unique<ParallelFetcher>(limits, 8, 4);
    return std::make_unique<CurlFetcher>(limits);
  }

  test::LocalServer server_;
  fs::path dir_;
  std::atomic<bool> stop_{false};
};

TEST_P(FetchTest, TextWithCrLfLineEnds) {
  auto fp = Make();
  Fetcher& f = *fp;
  EXPECT_EQ(f.FetchText(server_.Url("/page.html")), "<html>\r\nline1\r\nline2\r\nline3</html>");
  EXPECT_EQ(f.FetchText(server_.Url("/moved")), "<html>\r\nline1\r\nline2\r\nline3</html>");
  // An error page comes back like any other text; a NUL is kept.
  EXPECT_EQ(f.FetchText(server_.Url("/missing.gif")), "<HTML><body>not found</body></HTML>");
  EXPECT_EQ(f.FetchText(server_.Url("/nul.txt")), std::string("a\0b", 3));
  EXPECT_EQ(f.FetchText("http://127.0.0.1:1/refused"), "");
  EXPECT_EQ(f.FetchText(""), "");
}

TEST_P(FetchTest, FilesAndCheckedResources) {
  auto fp = Make();
  Fetcher& f = *fp;
  EXPECT_TRUE(f.FetchToFile(server_.Url("/page.html"), File("p.html")));
  EXPECT_EQ(LoadTextFile(File("p.html")), "<html>\r\nline1\r\nline2\r\nline3</html>");
  EXPECT_FALSE(f.FetchToFile(File("x"), File("x")));
  EXPECT_FALSE(f.FetchToFile("ftp://h/x", File("x")));
  EXPECT_FALSE(f.FetchToFile("", File("x")));

  EXPECT_TRUE(f.FetchResourceToFile(server_.Url("/logo.gif"), File("logo.gif"), 0));
  EXPECT_EQ(fs::file_size(dir_ / "logo.gif"), 8u);
  // A "not found" page instead of the image: false, and no file left.
  EXPECT_FALSE(f.FetchResourceToFile(server_.Url("/missing.gif"), File("m.gif"), 0));
  EXPECT_FALSE(fs::exists(dir_ / "m.gif"));
  EXPECT_FALSE(f.FetchResourceToFile("file:///etc/passwd", File("pw"), 0));
  EXPECT_FALSE(fs::exists(dir_ / "pw"));
}

TEST_P(FetchTest, ShiftJisFileNamesAreUtf8OnDisk) {
  auto fp = Make();
  Fetcher& f = *fp;
  const std::string sjis_name = File("") + "\x93\xfa\x96\x7b.gif";  // 日本.gif
  EXPECT_TRUE(f.FetchResourceToFile(server_.Url("/logo.gif"), sjis_name, 0));
  EXPECT_TRUE(fs::exists(dir_ / "日本.gif"));
}

TEST_P(FetchTest, LimitsEndStalledAndOversizedTransfers) {
  FetchLimits limits;
  limits.low_speed_time_s = 1;  // cut after one second without progress
  limits.max_body_bytes = 1024;
  auto fp = Make(limits);
  Fetcher& f = *fp;
  EXPECT_EQ(f.FetchText(server_.Url("/stall")), "");
  EXPECT_FALSE(f.FetchResourceToFile(server_.Url("/stall"), File("s.gif"), 0));
  EXPECT_FALSE(fs::exists(dir_ / "s.gif"));
  EXPECT_EQ(f.FetchText(server_.Url("/big")), "");
  f.FetchToFile(server_.Url("/big"), File("big.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "big.txt"));
  EXPECT_TRUE(fs::is_empty(dir_)) << "no partial file is left behind";
}

TEST_P(FetchTest, ProbeFollowsRedirectsExceptToNotFoundPages) {
  auto fp = Make();
  Fetcher& f = *fp;
  ProbeReport r = f.Probe(server_.Url("/moved"));
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.final_url, server_.Url("/page.html"));
  EXPECT_EQ(r.status_line.rfind("HTTP/1.1 200", 0), 0u) << r.status_line;

  r = f.Probe(server_.Url("/logo.gif"));
  EXPECT_EQ(r.content_length, 8);

  r = f.Probe(server_.Url("/gone"));
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.final_url, server_.Url("/gone"));
  EXPECT_EQ(r.status_line.rfind("HTTP/1.1 302", 0), 0u) << r.status_line;

  EXPECT_FALSE(f.Probe("http://127.0.0.1:1/").ok);
}

INSTANTIATE_TEST_SUITE_P(Fetchers, FetchTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Parallel" : "Serial"; });

}  // namespace
}  // namespace kaplo
