#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_support.h"
#include "engine/http_server_support.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;
using test::RunKaplo;

const std::string kPng = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);

class GetCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kaplo-cli-get-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    server_.server().Get("/css/s.css", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("a{background:url(/img/a.gif)}\r\n\r\n\r\nb{content:\"日本\"}", "text/css");
    });
    // EUC-JP named only by the header.
    server_.server().Get("/euc.css", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("b{content:\"\xC6\xFC\xCB\xDC\"}", "text/css; charset=EUC-JP");
    });
    server_.server().Get("/empty.css", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("", "text/css");
    });
    server_.server().Get("/page.html", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                    "charset=utf-8\"><p>日本</p></head></html>",
                    "text/html");
    });
    server_.server().Get("/i/p.png", [](const httplib::Request&, httplib::Response& r) {
      r.set_content(kPng, "image/png");
    });
    server_.Start();
  }
  void TearDown() override { fs::remove_all(dir_); }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path dir_;
  test::LocalServer server_;
};

TEST_F(GetCommandTest, PrintsTheTextReadInTheGivenCode) {
  const auto r = RunKaplo({"get", server_.Url("/css/s.css"), "--code", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "a{background:url(/img/a.gif)}\r\nb{content:\"日本\"}");
}

TEST_F(GetCommandTest, ReadsInTheHeaderCharsetWhenNoCodeIsGiven) {
  const auto r = RunKaplo({"get", server_.Url("/euc.css")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "b{content:\"日本\"}");
}

TEST_F(GetCommandTest, SavesInTheGivenCodeWithReferencesBelowTheFolder) {
  const fs::path file = dir_ / "css" / "s.css";
  const auto r =
      RunKaplo({"get", server_.Url("/css/s.css"), file.string(), "--code", "2", "--save-code", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  // "日本" in EUC-JP.
  EXPECT_EQ(Read(file), "a{background:url(../img/a.gif)}\r\nb{content:\"\xC6\xFC\xCB\xDC\"}");
  EXPECT_EQ(r.err, "kaplo get: saved " + file.string() + " (EUC-JP)\n");
}

TEST_F(GetCommandTest, TheDeclarationNamesTheCodeWritten) {
  // A UTF-8 page: on standard output UTF-8 (the terminal's code), in FILE
  // Shift_JIS unless --save-code says otherwise; the declaration follows.
  const std::string url = server_.Url("/page.html");
  auto r = RunKaplo({"get", url});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("charset=utf-8\"><p>日本</p>"), std::string::npos) << r.out;
  const fs::path file = dir_ / "p.html";
  r = RunKaplo({"get", url, file.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(Read(file).find("charset=Shift_JIS\"><p>\x93\xFA\x96\x7B</p>"), std::string::npos)
      << Read(file);
  r = RunKaplo({"get", url, file.string(), "--save-code", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(Read(file).find("charset=euc-jp\"><p>\xC6\xFC\xCB\xDC</p>"), std::string::npos)
      << Read(file);
}

TEST_F(GetCommandTest, StoresAnImageBelowTheFolder) {
  const auto r = RunKaplo({"get", server_.Url("/i/p.png"), dir_.string(), "--image"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Read(dir_ / "i" / "p.png"), kPng);
  EXPECT_EQ(r.out, (dir_ / "i" / "p.png").string() + "\n");
}

TEST_F(GetCommandTest, Failures) {
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {{"get", server_.Url("/empty.css")}, 1, ": no data"},
      {{"get", server_.Url("/gone.css")}, 1, "cannot fetch " + server_.Url("/gone.css") + ": HTTP 404"},
      {{"get", "http://127.0.0.1:1/x.css"}, 1, "kaplo get: cannot fetch http://127.0.0.1:1/x.css: "},
      {{"get", server_.Url("/i/none.png"), dir_.string(), "--image"}, 1,
       "the image could not be fetched or saved"},
      {{"get", server_.Url("/css/s.css"), "--code", "6"}, 2, "--code takes a whole number"},
  };
  for (const auto& c : cases) {
    const auto r = RunKaplo(c.args);
    EXPECT_EQ(r.status, c.status) << c.args[1];
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace kaplo
