// kaplo download --warc against a real server on 127.0.0.1: the archive
// read back holds every exchange of the job, byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "archive/archive_test_support.h"
#include "cli/cli_support.h"
#include "engine/http_server_support.h"

namespace kaplo::test {
namespace {

namespace fs = std::filesystem;

// Bytes no text decoder would take for a page.
std::string Binary(char seed, std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed * 31 + i * 7 + (i >> 3));
  return s;
}

class DownloadWarc : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kaplo-warc-" + std::to_string(getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "out");
    site_ = {
        {"/page.html",
         "<html><head><link rel=\"stylesheet\" href=\"style.css\">"
         "<script src=\"app.js\"></script></head><body><p>archived</p>"
         "<img src=\"a.png\"><img src=\"old.png\"><img src=\"new.png\"></body></html>"},
        {"/style.css",
         "@import url(imported.css);\n@font-face { font-family: F; src: url(font.woff); }\n"
         "body { background: url(bg.gif); }\n"},
        {"/imported.css", "p { color: #123456 }\n"},
        {"/a.png", Binary('a', 3000)},
        {"/new.png", Binary('n', 5000)},
        {"/bg.gif", Binary('g', 700)},
        {"/font.woff", Binary('f', 4000)},
    };
    for (int i = 0; i < 400; ++i) script_ += "var line" + std::to_string(i) + " = 1;\n";
    auto& s = server_.server();
    s.Get("/old.png", [](const httplib::Request&, httplib::Response& res) {
      res.status = 302;
      res.set_header("Location", "/new.png");
      res.set_content("moved", "text/plain");
    });
    // A body sent in chunks, without a length.
    s.Get("/app.js", [this](const httplib::Request&, httplib::Response& res) {
      res.set_chunked_content_provider("application/javascript",
                                       [this](std::size_t offset, httplib::DataSink& sink) {
                                         if (offset < script_.size()) {
                                           const std::size_t n = std::min<std::size_t>(
                                               1000, script_.size() - offset);
                                           sink.write(script_.data() + offset, n);
                                         } else {
                                           sink.done();
                                         }
                                         return true;
                                       });
    });
    ServeSite(s, site_, "<html>not found</html>");
    server_.Start();
  }
  void TearDown() override { fs::remove_all(dir_); }

  RunResult Download(const std::string& path, const std::vector<std::string>& more = {}) {
    std::vector<std::string> args = {"download", server_.Url(path), (dir_ / "out").string(),
                                     "--warc", archive().string(), "--quiet"};
    args.insert(args.end(), more.begin(), more.end());
    return RunKaplo(args);
  }
  fs::path archive() const { return dir_ / "job.warc.gz"; }

  fs::path dir_;
  LocalServer server_;
  std::map<std::string, std::string> site_;
  std::string script_;
};

TEST_F(DownloadWarc, EveryExchangeIsArchivedAsItCame) {
  // One connection (a request at a time) and the parallel fetcher record alike.
  for (const std::string connections : {"1", "16"}) {
    SCOPED_TRACE("--connections " + connections);
    fs::remove(archive());
    fs::remove_all(dir_ / "out");  // files already there are not fetched again
    const RunResult r = Download("/page.html", {"--connections", connections});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::exists(archive().string() + ".part"));
    const ReadBack back = ReadArchive(archive());
    ASSERT_EQ(back.ended, "");
    ASSERT_GE(back.records.size(), 3u);

    const WarcRecord& info = back.records[0];
    EXPECT_EQ(info.type(), "warcinfo");
    EXPECT_EQ(info.version, "WARC/1.1");
    EXPECT_NE(info.payload.find("software: KAPLO "), std::string::npos) << info.payload;
    EXPECT_NE(info.payload.find("--connections " + connections), std::string::npos);

    std::map<std::string, const WarcRecord*> responses;  // by address, the first
    std::set<std::string> revisited;
    for (std::size_t i = 1; i < back.records.size(); i += 2) {
      const WarcRecord& req = back.records[i];
      ASSERT_LT(i + 1, back.records.size());
      const WarcRecord& res = back.records[i + 1];
      EXPECT_TRUE(req.faults.empty() && res.faults.empty()) << res.uri();
      // Each request is followed by its answer, and the two name each other.
      ASSERT_EQ(req.type(), "request");
      EXPECT_EQ(req.Header("Content-Type"), "application/http;msgtype=request");
      EXPECT_EQ(req.Header("WARC-Concurrent-To"), res.Header("WARC-Record-ID"));
      EXPECT_EQ(res.Header("WARC-Concurrent-To"), req.Header("WARC-Record-ID"));
      EXPECT_EQ(req.uri(), res.uri());
      EXPECT_EQ(res.Header("WARC-IP-Address"), "127.0.0.1");
      EXPECT_EQ(res.Header("WARC-Warcinfo-ID"), info.Header("WARC-Record-ID"));
      const std::string path = res.uri().substr(server_.Url("").size());
      EXPECT_TRUE(req.http_head.starts_with("GET " + path + " HTTP/1.1\r\n")) << req.http_head;
      EXPECT_EQ(res.Header("Content-Type"), "application/http;msgtype=response");
      if (res.type() == "revisit") {
        EXPECT_EQ(res.Header("WARC-Profile"),
                  "http://netpreserve.org/warc/1.1/revisit/identical-payload-digest");
        const auto first = responses.find(res.uri());
        ASSERT_NE(first, responses.end()) << "revisit before any response of " << res.uri();
        EXPECT_EQ(res.Header("WARC-Refers-To"), first->second->Header("WARC-Record-ID"));
        EXPECT_EQ(res.Header("WARC-Refers-To-Date"), first->second->Header("WARC-Date"));
        EXPECT_EQ(res.Header("WARC-Refers-To-Target-URI"), res.uri());
        EXPECT_EQ(res.Header("WARC-Payload-Digest"),
                  first->second->Header("WARC-Payload-Digest"));
        EXPECT_TRUE(res.payload.empty());
        revisited.insert(path);
        continue;
      }
      ASSERT_EQ(res.type(), "response");
      responses.emplace(res.uri(), &res);
    }

    // Every resource the job saved is there as a response, its body what
    // the server sent once the content coding is taken off.
    for (const auto& [path, body] : site_) {
      const auto it = responses.find(server_.Url(path));
      ASSERT_NE(it, responses.end()) << path << " is not archived";
      EXPECT_EQ(it->second->status, 200) << path;
      EXPECT_EQ(DecodedPayload(*it->second), body) << path;
    }
    const WarcRecord* script = responses.at(server_.Url("/app.js"));
    EXPECT_EQ(DecodedPayload(*script), script_);
    EXPECT_NE(script->http_head.find("X-Archive-Orig-Transfer-Encoding: chunked"),
              std::string::npos)
        << script->http_head;
    // The redirect is an exchange of its own; its target's second fetch a revisit.
    const WarcRecord* moved = responses.at(server_.Url("/old.png"));
    EXPECT_EQ(moved->status, 302);
    EXPECT_EQ(DecodedPayload(*moved), "moved");
    EXPECT_TRUE(revisited.count("/new.png")) << "no revisit of the redirect's target";
  }
}

TEST_F(DownloadWarc, CheckCommandPassesAWholeArchiveAndFailsADamagedOne) {
  ASSERT_EQ(Download("/page.html").status, 0);
  RunResult ok = RunKaplo({"warc-check", archive().string()});
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_EQ(ok.err, "");
  EXPECT_TRUE(ok.out.starts_with("warcinfo - - ")) << ok.out;
  EXPECT_NE(ok.out.find("request - " + server_.Url("/page.html") + " "), std::string::npos);
  EXPECT_NE(ok.out.find("response 302 " + server_.Url("/old.png") + " "), std::string::npos);
  EXPECT_NE(ok.out.find("revisit 200 " + server_.Url("/new.png") + " "), std::string::npos);

  std::ifstream in(archive(), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 1000u);
  const struct {
    const char* what;
    std::string bytes;
  } damaged[] = {
      {"flipped byte", [&] {
         std::string b = bytes;
         b[b.size() / 2] ^= 0x20;
         return b;
       }()},
      {"truncated", bytes.substr(0, bytes.size() * 2 / 3)},
      {"cut in the last member", bytes.substr(0, bytes.size() - 5)},
      {"garbage after", bytes + "not gzip"},
  };
  for (const auto& d : damaged) {
    const fs::path file = dir_ / "damaged.warc.gz";
    std::ofstream(file, std::ios::binary) << d.bytes;
    const RunResult r = RunKaplo({"warc-check", file.string()});
    EXPECT_EQ(r.status, 1) << d.what << "\n" << r.out;
    EXPECT_NE(r.err.find("kaplo warc-check: "), std::string::npos) << d.what;
  }
  // A record whose body was changed after its digest was written.
  const fs::path plain = dir_ / "plain.warc";
  std::string text = "WARC/1.1\r\nWARC-Type: resource\r\nWARC-Target-URI: http://h/x\r\n"
                     "WARC-Block-Digest: sha1:3I42H3S6NNFQ2MSVX7XZKYAYSCX5QBYJ\r\n"
                     "Content-Length: 3\r\n\r\nabc\r\n\r\n";
  std::ofstream(plain, std::ios::binary) << text;
  const RunResult r = RunKaplo({"warc-check", plain.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "resource - http://h/x 3\n");
  EXPECT_NE(r.err.find("block digest differs"), std::string::npos) << r.err;
  // Not a file: a usage matter.
  EXPECT_EQ(RunKaplo({"warc-check", dir_.string()}).status, 2);
}

TEST_F(DownloadWarc, FailedJobLeavesNoArchiveUnderTheFinalName) {
  const RunResult r = Download("/missing.html");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_FALSE(fs::exists(archive()));
  // What the server said is kept beside it, and the message says where.
  EXPECT_NE(r.err.find(archive().string() + ".part"), std::string::npos) << r.err;
  const ReadBack back = ReadArchive(archive().string() + ".part");
  EXPECT_EQ(back.ended, "");
  ASSERT_EQ(back.records.size(), 3u);
  EXPECT_EQ(back.records[2].status, 404);
}

TEST_F(DownloadWarc, UnwritableArchiveIsRefusedBeforeAnyFetch) {
  const RunResult r = RunKaplo({"download", server_.Url("/page.html"), (dir_ / "out").string(),
                                "--warc", (dir_ / "no" / "such" / "a.warc.gz").string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--warc"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "out" / "page.html"));
}

}  // namespace
}  // namespace kaplo::test
