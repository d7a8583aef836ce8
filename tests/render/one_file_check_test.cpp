// kaplo download --single-file with --check: the one file, opened with the
// network refused, asks for nothing and looks like the live page.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "cli/cli_support.h"
#include "engine/http_server_support.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

std::string FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

double Percent(const std::string& out, const std::string& label) {
  std::smatch m;
  const std::regex re(label + R"([^\n]*: ([0-9.]+)%)");
  return std::regex_search(out, m, re) ? std::stod(m[1]) : -1;
}

TEST(OneFileCheck, RendersOfflineLikeTheLivePage) {
  // One red pixel, shown large.
  const std::string red_gif(
      "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\xff\xff\xff\x2c\x00\x00\x00\x00\x01\x00"
      "\x01\x00\x00\x02\x02\x44\x01\x00\x3b",
      35);
  const std::string font = FileBytes("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");
  ASSERT_FALSE(font.empty());
  const std::map<std::string, std::string> site = {
      {"/page.html",
       "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>t</title>"
       "<link rel=\"stylesheet\" href=\"css/site.css\"></head><body>"
       "<h1>One file</h1><p class=\"box\">boxed</p>"
       "<img src=\"img/red.gif\" srcset=\"img/red.gif 1x, img/moved.gif 2x\" width=\"120\" "
       "height=\"120\"><img src=\"img/moved.gif\" width=\"60\" height=\"60\">"
       "<iframe src=\"inner.html\" width=\"300\" height=\"120\"></iframe></body></html>"},
      {"/css/site.css",
       "@import url(parts/box.css);\n"
       "@font-face { font-family: Heavy; src: url(../fonts/heavy.ttf?v=2#iefix) "
       "format(\"truetype\"); }\n"
       "body { margin: 0; background: #fff; font-family: Heavy; }\n"},
      {"/css/parts/box.css", ".box { background: url(../../img/red.gif); color: #fff; }\n"},
      {"/fonts/heavy.ttf", font},
      {"/img/red.gif", red_gif},
      {"/inner.html",
       "<html><body style=\"margin:0\"><p>framed</p><img src=\"img/red.gif\" width=\"40\" "
       "height=\"40\"></body></html>"},
  };
  test::LocalServer server;
  server.server().Get("/img/moved.gif", [](const httplib::Request&, httplib::Response& res) {
    res.status = 302;
    res.set_header("Location", "/img/red.gif");
    res.set_content("moved", "text/plain");
  });
  test::ServeSite(server.server(), site, "<html>not found</html>");
  server.Start();

  const fs::path root = fs::temp_directory_path() / ("kaplo-onefile-check-" + std::to_string(getpid()));
  fs::remove_all(root);
  const fs::path one = root / "page.single.html";
  const auto r = test::RunKaplo({"download", server.Url("/page.html"), (root / "save").string(),
                                 "--single-file", one.string(), "--check", "--quiet"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  ASSERT_TRUE(fs::exists(one));
  const std::string text = FileBytes(one);
  EXPECT_EQ(text.find(server.Url("/"), text.find('\n')), std::string::npos);

  const std::size_t section = r.out.find(one.string() + "\n");
  ASSERT_NE(section, std::string::npos) << r.out;
  const std::string report = r.out.substr(section);
  EXPECT_NE(report.find("(保存されなかったもの): 0\n"), std::string::npos) << report;
  EXPECT_NE(report.find("見つからないファイル: 0\n"), std::string::npos) << report;
  EXPECT_NE(report.find("(file:、WebRTC、フォルダーの外): 0\n"), std::string::npos) << report;
  const double pixels = Percent(report, "画素の違い");
  EXPECT_GE(pixels, 0) << report;
  EXPECT_LE(pixels, 1) << report;
  fs::remove_all(root);
}

}  // namespace
}  // namespace kaplo
