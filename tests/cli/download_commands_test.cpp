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
    server_.server().Get("/r/page.html", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>r</title><link rel=\"stylesheet\" href=\"s.css\">"
                    "</head><body><img src=\"ok.gif\"><img src=\"bad.gif\"></body></html>",
                    "text/html");
    });
    server_.server().Get("/r/s.css", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("p{}", "text/css");
    });
    server_.server().Get("/r/ok.gif", [](const httplib::Request&, httplib::Response& r) {
      r.set_content(std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13), "image/gif");
    });
    server_.server().Get("/r/bad.gif", [](const httplib::Request&, httplib::Response& r) {
      r.status = 404;
      r.set_content("<html><body>404 Not Found</body></html>", "text/html");
    });
    server_.server().Get("/d/top.html", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>f</title></head><frameset cols=\"*,*\">"
                    "<frame src=\"menu.html\"><frame src=\"main.php?id=1\"></frameset></html>",
                    "text/html");
    });
    server_.server().Get("/d/menu.html", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>m</title></head><body>menu</body></html>", "text/html");
    });
    server_.Start();
  }
  static std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
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
  // Nothing to save: 1, with the window's message and libcurl's reason on
  // one line. Bad arguments: 2.
  const auto refused = RunKaplo({"download", "http://127.0.0.1:1/x.html", dir_.string()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("kaplo download: ページを取得できませんでした（"), std::string::npos)
      << refused.err;
  EXPECT_NE(refused.err.find("127.0.0.1"), std::string::npos) << refused.err;
  EXPECT_EQ(RunKaplo({"download", "ftp://h/x.html", dir_.string()}).status, 1);
  EXPECT_EQ(RunKaplo({"download"}).status, 2);
  EXPECT_EQ(RunKaplo({"download", "http://h/", dir_.string(), "--html-code", "9"}).status, 2);
  EXPECT_EQ(RunKaplo({"download", "http://h/", dir_.string(), "--bogus"}).status, 2);
  // Without a terminal the page question takes its documented default.
  EXPECT_EQ(RunKaplo({"download", server_.Url("/a"), dir_.string(), "--append-index"}).status, 1);
}

TEST_F(DownloadCommandTest, SummaryReportsAndVerboseOutcomes) {
  const std::string url = server_.Url("/r/page.html");
  auto r = RunKaplo({"download", url, (dir_ / "s").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("CSS/JS:  ◎ 1 保存"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("画像:  ◎ 1 保存  ○ 0 既存  ■ 1 404  ● 0 失敗"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("[CSS/JS]"), std::string::npos) << r.out;
  EXPECT_EQ(Count(r.err, "レポート: "), 3u) << r.err;
  EXPECT_TRUE(fs::exists(dir_ / "s/r/ZU_page_Image_一覧.txt"));
  EXPECT_NE(Read(dir_ / "s/r/ZU_page_Image_一覧.txt").find(SJ<"●  /r/bad.gif">()),
            std::string::npos);

  r = RunKaplo({"download", url, (dir_ / "v").string(), "--verbose", "--no-reports"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("[CSS/JS]\n◎" + (dir_ / "v/r/s.css").string() + "\n"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("■" + (dir_ / "v/r/bad.gif").string()), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("[取得できなかった画像]"), std::string::npos) << r.out;
  EXPECT_EQ(r.err.find("レポート"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "v/r/ZU_page_Image_一覧.txt"));
}

TEST_F(DownloadCommandTest, FramesetAndFrameEntries) {
  const std::string top = server_.Url("/d/top.html");
  const std::string folder = (dir_ / "f").string();
  auto r = RunKaplo({"download", top, folder});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("[フレーム]\n1\tmenu.html\n2\tmain.php?id=1\n"), std::string::npos) << r.out;
  EXPECT_NE(Read(dir_ / "f/d/top.html").find("<frame src=\"main.php@id=1.html\">"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(dir_ / "f/d/menu.html"));

  // By place in the list, or as written; 1 and 2 print the address only.
  r = RunKaplo({"frame", "1", "--url", top, "--folder", folder});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(Read(dir_ / "f/d/menu.html").find("menu"), std::string::npos);
  EXPECT_NE(r.err.find((dir_ / "f/d/menu.html").string()), std::string::npos) << r.err;
  r = RunKaplo({"frame", "main.php?id=1", "--url", top, "--folder", folder, "--choice", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.out.ends_with(server_.Url("/d/main.php?id=1") + "\n")) << r.out;
  // Without a container the reference must be an absolute address.
  fs::remove(dir_ / "f/d/menu.html");
  r = RunKaplo({"frame", server_.Url("/d/menu.html"), "--folder", folder});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir_ / "f/d/menu.html"));

  EXPECT_EQ(RunKaplo({"frame", "other.html", "--url", top, "--folder", folder}).status, 1);
  EXPECT_EQ(RunKaplo({"frame", "menu.html", "--folder", folder}).status, 1);
  EXPECT_EQ(RunKaplo({"frame"}).status, 2);
  EXPECT_EQ(RunKaplo({"frame", "1", "--url", top, "--choice", "5"}).status, 2);
}

}  // namespace
}  // namespace kaplo
