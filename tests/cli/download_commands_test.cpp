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
    server_.server().Get("/a/page.php", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>p</title></head><body>php</body></html>", "text/html");
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

TEST_F(DownloadCommandTest, SavesThePageIntoANewFolderAndPrintsItsPathAlone) {
  const auto r = RunKaplo({"download", server_.Url("/a/page.html"), (dir_ / "new").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string saved = Read(dir_ / "new/a/page.html");
  EXPECT_NE(saved.find(SJ<"<p>日本語</p>">()), std::string::npos) << saved;
  // A link to a page that was not saved leads to the web.
  EXPECT_NE(saved.find("href=\"" + server_.Url("/b.html") + "\""), std::string::npos) << saved;
  // Standard output is for scripts: the path, one line; the rest is on stderr.
  EXPECT_EQ(r.out, (dir_ / "new/a/page.html").string() + "\n");
  EXPECT_NE(r.err.find("CSS/JS:"), std::string::npos) << r.err;
  const auto quiet = RunKaplo({"download", server_.Url("/a/page.html"), (dir_ / "q").string(),
                               "--quiet", "--no-reports"});
  EXPECT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_EQ(quiet.out, (dir_ / "q/a/page.html").string() + "\n");
  EXPECT_EQ(quiet.err, "");
}

// The path printed (and put in JSON) is the file written, also in a folder
// whose own name looks like a page's.
TEST_F(DownloadCommandTest, PrintsTheFileItWrote) {
  const fs::path folder = dir_ / "copy.html";
  const auto r = RunKaplo({"download", server_.Url("/a/page.php"), folder.string(), "--quiet"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, (folder / "a/page.php.html").string() + "\n");
  EXPECT_TRUE(fs::is_regular_file(folder / "a/page.php.html"));
  const auto json = RunKaplo({"download", server_.Url("/a/page.php"), folder.string(), "--json"});
  EXPECT_NE(json.out.find("\"saved_page\": \"" + (folder / "a/page.php.html").string() + "\""),
            std::string::npos)
      << json.out;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    EXPECT_EQ(e.path().string().find(".html.html"), std::string::npos) << e.path();
  }
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

TEST_F(DownloadCommandTest, ExitStatusAndReasonInTheUsersLanguage) {
  // Nothing to save: 1, with the reason (libcurl's) on one line. Bad
  // arguments: 2.
  const std::vector<std::string> refused_args = {"download", "http://127.0.0.1:1/x.html",
                                                 dir_.string()};
  const auto refused = RunKaplo(refused_args);
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err.rfind("kaplo download: http://127.0.0.1:1/x.html: the page could not be "
                              "fetched: ",
                              0),
            0u)
      << refused.err;
  EXPECT_EQ(Count(refused.err, "\n"), 1u) << refused.err;
  const auto ja = test::RunKaploWith({"LANG=ja_JP.UTF-8"}, refused_args);
  EXPECT_NE(ja.err.find("ページを取得できませんでした（"), std::string::npos) << ja.err;
  EXPECT_EQ(RunKaplo({"download", "ftp://h/x.html", dir_.string()}).status, 1);
  EXPECT_EQ(RunKaplo({"download"}).status, 2);
  const auto bad_code = RunKaplo({"download", "http://h/", dir_.string(), "--html-code", "9"});
  EXPECT_EQ(bad_code.status, 2);
  EXPECT_NE(bad_code.err.find("--html-code takes a whole number from 0 to 5"), std::string::npos)
      << bad_code.err;
  EXPECT_EQ(RunKaplo({"download", "http://h/", dir_.string(), "--bogus"}).status, 2);
  const auto site_in_one_file = RunKaplo(
      {"download", "http://h/", dir_.string(), "--depth", "1", "--single-file", "one.html"});
  EXPECT_EQ(site_in_one_file.status, 2);
  EXPECT_NE(site_in_one_file.err.find("--depth"), std::string::npos) << site_in_one_file.err;
  // Without a terminal the page question takes its documented default.
  EXPECT_EQ(RunKaplo({"download", server_.Url("/a"), dir_.string(), "--append-index"}).status, 1);
}

TEST_F(DownloadCommandTest, SummaryReportsAndVerboseOutcomes) {
  const std::string url = server_.Url("/r/page.html");
  auto r = RunKaplo({"download", url, (dir_ / "s").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("CSS/JS:  ◎ 1 saved"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("images:  ◎ 1 saved  ○ 0 existed  ■ 1 404  ● 0 failed"), std::string::npos)
      << r.err;
  EXPECT_EQ(Count(r.err, "report: "), 3u) << r.err;
  EXPECT_TRUE(fs::exists(dir_ / "s/r/ZU_page_Image_一覧.txt"));
  EXPECT_NE(Read(dir_ / "s/r/ZU_page_Image_一覧.txt").find(SJ<"●  /r/bad.gif">()),
            std::string::npos);
  r = test::RunKaploWith({"LANG=ja_JP.UTF-8"}, {"download", url, (dir_ / "j").string()});
  EXPECT_NE(r.err.find("画像:  ◎ 1 保存  ○ 0 既存  ■ 1 404  ● 0 失敗"), std::string::npos) << r.err;
  EXPECT_EQ(Count(r.err, "レポート: "), 3u) << r.err;

  // Asked for, every outcome line follows the path on standard output.
  r = RunKaplo({"download", url, (dir_ / "v").string(), "--verbose", "--no-reports"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind((dir_ / "v/r/page.html").string() + "\n[CSS/JS]\n◎" +
                            (dir_ / "v/r/s.css").string() + "\n",
                        0),
            0u)
      << r.out;
  EXPECT_NE(r.out.find("■" + (dir_ / "v/r/bad.gif").string()), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("[images not fetched]"), std::string::npos) << r.out;
  EXPECT_EQ(r.err.find("report"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "v/r/ZU_page_Image_一覧.txt"));
}

TEST_F(DownloadCommandTest, JsonForScripts) {
  const auto r = RunKaplo({"download", server_.Url("/r/page.html"), (dir_ / "js").string(),
                           "--json", "--quiet"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string page = (dir_ / "js/r/page.html").string();
  EXPECT_EQ(Count(r.out, "\n"), 1u) << r.out;
  EXPECT_EQ(r.out.rfind("{\"saved\": true, \"saved_page\": \"" + page + "\", \"url\": \"" +
                            server_.Url("/r/page.html") + "\", \"frameset\": false",
                        0),
            0u)
      << r.out;
  EXPECT_NE(r.out.find("\"images\": {\"◎\": 1, \"○\": 0, \"■\": 1, \"●\": 0}"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"failures\": [{\"list\": \"images\", \"mark\": \"■\", \"reason\": "
                       "\"HTTP 404\", \"file\": \"" +
                       (dir_ / "js/r/bad.gif").string() + "\", \"address\": \"" +
                       server_.Url("/r/bad.gif") + "\"}]"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"reports\": [\"" + (dir_ / "js/r").string() + "/ZU_page_CSS_JS_"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("\"check\""), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "");

  const auto failed = RunKaplo({"download", server_.Url("/gone.html"), dir_.string(), "--json"});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.out.rfind("{\"saved\": false, \"saved_page\": null, \"url\": \"", 0), 0u)
      << failed.out;
  EXPECT_NE(failed.out.find("\"error\": \"the page could not be fetched: HTTP 404\"}"),
            std::string::npos)
      << failed.out;
}

// This server sends no validators: a refresh gets whole answers and
// compares them with the files it has.
TEST_F(DownloadCommandTest, RefreshSaysWhatItFoundInTheUsersLanguage) {
  const std::string url = server_.Url("/r/page.html");
  const std::string folder = (dir_ / "re").string();
  auto r = RunKaplo({"download", url, folder, "--refresh"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Count(r.err, "no record of an earlier job here"), 1u) << r.err;
  EXPECT_TRUE(fs::exists(dir_ / "re/r/ZV_page.tsv"));
  r = RunKaplo({"download", url, folder, "--refresh", "--json", "--quiet"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"refresh\": {\"record\": true, \"unchanged\": 3, \"changed\": 0, "
                       "\"gone\": 0}"),
            std::string::npos)
      << r.out;
  r = test::RunKaploWith({"LANG=ja_JP.UTF-8"}, {"download", url, folder, "--refresh"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Count(r.err, "変更なし 3、変更あり 0、消えたもの 0\n"), 1u) << r.err;
  // A refresh whose page is gone fails as a download does, and keeps the files.
  r = RunKaplo({"download", server_.Url("/r/none.html"), folder, "--refresh"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(fs::exists(dir_ / "re/r/page.html"));
}

TEST_F(DownloadCommandTest, FramesetAndFrameEntries) {
  const std::string top = server_.Url("/d/top.html");
  const std::string folder = (dir_ / "f").string();
  auto r = RunKaplo({"download", top, folder});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, (dir_ / "f/d/top.html").string() + "\n");
  EXPECT_NE(r.err.find("[frames]\n1\tmain.php?id=1\n2\tmenu.html\n"), std::string::npos) << r.err;
  EXPECT_NE(Read(dir_ / "f/d/top.html").find("<frame src=\"main.php@id=1.html\">"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(dir_ / "f/d/menu.html"));

  // By place in the list, or as written; 1 and 2 print the address only.
  r = RunKaplo({"frame", "2", "--url", top, "--folder", folder});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(Read(dir_ / "f/d/menu.html").find("menu"), std::string::npos);
  EXPECT_EQ(r.out, (dir_ / "f/d/menu.html").string() + "\n");
  r = RunKaplo({"frame", "main.php?id=1", "--url", top, "--folder", folder, "--choice", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, server_.Url("/d/main.php?id=1") + "\n");
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
