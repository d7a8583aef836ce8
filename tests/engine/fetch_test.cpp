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
    s.Get("/drip", [this](const httplib::Request&, httplib::Response& r) {
      // Two bytes a tenth of a second, without a length: never silent, never done.
      r.set_chunked_content_provider("text/plain", [this](size_t, httplib::DataSink& sink) {
        for (int i = 0; i < 200 && !stop_; ++i) {
          if (!sink.write("..", 2)) return false;
          std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
      });
    });
    s.Get("/bomb", [](const httplib::Request&, httplib::Response& r) {
      // 8 MiB of zeros, gzip-compressed to a few kilobytes.
      static const std::string gz = [] {
        std::string out;
        FILE* p = popen("head -c 8388608 /dev/zero | gzip -c", "r");
        char buf[4096];
        for (std::size_t n; p && (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        if (p) pclose(p);
        return out;
      }();
      r.set_header("Content-Encoding", "gzip");
      r.set_content(gz, "image/png");
    });
    s.Get("/three-mib.bin", [](const httplib::Request&, httplib::Response& r) {
      std::string body(3 << 20, '\0');
      for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7 + i / 4096);
      r.set_content(body, "application/octet-stream");
    });
    s.Get("/big", [](const httplib::Request&, httplib::Response& r) {
      r.set_content(std::string(4096, 'x'), "text/plain");
    });
    // Counted before the answer goes out, so a caller sees its own requests.
    s.set_pre_routing_handler([this](const httplib::Request&, httplib::Response&) {
      ++requests_;
      return httplib::Server::HandlerResponse::Unhandled;
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
  std::atomic<int> requests_{0};
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
  // An address that is its own file name is refused before any request.
  const int asked = requests_;
  EXPECT_FALSE(f.FetchToFile(server_.Url("/page.html"), server_.Url("/page.html")));
  EXPECT_EQ(requests_, asked);
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

// Every response ends in time and says why it failed; what it may hold in
// memory is bounded, a larger body coming through a temporary file.
TEST_P(FetchTest, ResponsesAreBoundedAndSayWhy) {
  FetchLimits limits;
  limits.max_time_s = 1;
  limits.max_body_bytes = 1 << 20;
  limits.max_memory_bytes = 1 << 20;  // a quarter of the three MiB below, or less
  auto fp = Make(limits);
  Fetcher& f = *fp;
  const auto start = std::chrono::steady_clock::now();
  Response drip = f.FetchResponse(server_.Url("/drip"));
  EXPECT_FALSE(drip.complete);
  EXPECT_EQ(drip.error, "timed out after 1 s");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  Response bomb = f.FetchResponse(server_.Url("/bomb"));
  EXPECT_FALSE(bomb.complete);
  EXPECT_EQ(bomb.error, "answer larger than 1 MiB");
  EXPECT_FALSE(bomb.spilled) << "a cut body leaves no file";
  EXPECT_EQ(f.FetchResponse("http://127.0.0.1:1/").error, "connection refused");

  limits.max_time_s = 60;
  limits.max_body_bytes = 8 << 20;
  auto gp = Make(limits);
  Response big = gp->FetchResponse(server_.Url("/three-mib.bin"));
  ASSERT_TRUE(big.complete) << big.error;
  ASSERT_TRUE(big.spilled);
  EXPECT_LE(big.body.size(), std::size_t{1} << 20) << "only the head is held in memory";
  EXPECT_EQ(big.body_size, 3 << 20);
  const std::string path = big.spilled->path();
  ASSERT_TRUE(LoadBody(big));
  EXPECT_EQ(big.body.size(), std::size_t{3} << 20);
  EXPECT_EQ(big.body[4097], static_cast<char>(4097 * 7 + 1));
  EXPECT_FALSE(fs::exists(path)) << "the temporary file goes with the response";
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
