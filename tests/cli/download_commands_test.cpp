#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_support.h"
#include "engine/http_server_support.h"
#include "text/convert.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;
using test::RunKaplo;

class DownloadCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kaplo-cli-dl-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    server_.server().Get("/a/page.html", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><meta charset=\"utf-8\"><title>t</title></head>"
                    "<body><p>日本語</p><a href=\"/b.html\">b</a></body></html>",
                    "text/html");
    });
    server_.Start();
  }
  void TearDown() override { fs::remove_all(dir_); }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  test::LocalServer server_;
  fs::path dir_;
};

TEST_F(DownloadCommandTest, SavesThePageIntoANewFolder) {
  const auto r = RunKaplo({"download", server_.Url("/a/page.html"), (dir_ / "new").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string saved = Read(dir_ / "new/a/page.html");
  EXPECT_NE(saved.find(SJ<"<p>日本語</p>">()), std::string::npos) << saved;
  EXPECT_NE(saved.find("href=\"../b.html\""), std::string::npos) << saved;
  EXPECT_NE(r.err.find((dir_ / "new/a/page.html").string()), std::string::npos) << r.err;
}

TEST_F(DownloadCommandTest, KeepsTheFolderUnlessAskedToEmptyIt) {
  fs::create_directories(dir_ / "keep");
  std::ofstream(dir_ / "keep/mine.txt") << "user data";
  EXPECT_EQ(RunKaplo({"download", server_.Url("/a/page.html"), (dir_ / "keep").string()}).status, 0);
  EXPECT_TRUE(fs::exists(dir_ / "keep/mine.txt"));
  EXPECT_EQ(RunKaplo({"download", server_.Url("/a/page.html"), (dir_ / "keep").string(), "--empty"})
                .status,
            0);
  EXPECT_FALSE(fs::exists(dir_ / "keep/mine.txt"));
  EXPECT_TRUE(fs::exists(dir_ / "keep/a/page.html"));
}

TEST_F(DownloadCommandTest, ExitStatus) {
  // Nothing to save: 1. Bad arguments: 2.
  EXPECT_EQ(RunKaplo({"download", "http://127.0.0.1:1/x.html", dir_.string()}).status, 1);
  EXPECT_EQ(RunKaplo({"download", "ftp://h/x.html", dir_.string()}).status, 1);
  EXPECT_EQ(RunKaplo({"download"}).status, 2);
  EXPECT_EQ(RunKaplo({"download", "http://h/", dir_.string(), "--html-code", "9"}).status, 2);
  EXPECT_EQ(RunKaplo({"download", "http://h/", dir_.string(), "--bogus"}).status, 2);
  // Without a terminal the page question takes its documented default.
  EXPECT_EQ(RunKaplo({"download", server_.Url("/a"), dir_.string(), "--append-index"}).status, 1);
}

}  // namespace
}  // namespace kaplo
