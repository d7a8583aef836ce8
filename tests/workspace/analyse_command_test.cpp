// kaplo analyse as a user types it, against a local HTTP server.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_support.h"
#include "engine/http_server_support.h"
#include "text/convert.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;
using test::RunKaplo;

TEST(AnalyseCommand, ListsAndCombinedTexts) {
  test::LocalServer server;
  server.server().Get("/p.html", [](const httplib::Request&, httplib::Response& r) {
    r.set_content(
        "<head><link href=\"a.css\"><link href=\"a.css\"><script src=\"s.js\"></script>"
        "<script src=\"q.json\"></script></head><body></body>",
        "text/html");
  });
  server.server().Get("/a.css", [](const httplib::Request&, httplib::Response& r) {
    r.set_content("@import url(b.css);\na{}\n", "text/css");
  });
  server.server().Get("/b.css", [](const httplib::Request&, httplib::Response& r) {
    r.set_content("b{}", "text/css");
  });
  server.Start();
  const std::string page = server.Url("/p.html");

  auto r = RunKaplo({"analyse", page});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "[stylesheets]\na.css\t" + server.Url("/a.css") + "\n[scripts]\ns.js\t" +
                       server.Url("/s.js") + "\n");

  r = RunKaplo({"analyse", page, "--imports"});
  EXPECT_EQ(r.out, "b.css\t" + server.Url("/b.css") + "\n");

  const fs::path out = fs::temp_directory_path() / ("kaplo-analyse-" + std::to_string(getpid()));
  r = RunKaplo({"analyse", page, "--combined-css", out.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  std::ifstream in(out, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  fs::remove(out);
  const std::string marker = ShiftJISToUtf8(text.str().substr(0, text.str().find("\r\n")));
  EXPECT_EQ(marker, "▼▼▼【 " + server.Url("/a.css") + " 】▽▽▽");
  EXPECT_NE(text.str().find("b{}"), std::string::npos);

  // An error answer is no page: its status is the reason, exit 1.
  r = RunKaplo({"analyse", server.Url("/none.html")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "kaplo analyse: cannot fetch " + server.Url("/none.html") + ": HTTP 404\n");
  r = RunKaplo({"analyse", "http://127.0.0.1:1/p.html"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("kaplo analyse: cannot fetch http://127.0.0.1:1/p.html: ", 0), 0u) << r.err;
  // A local page is read from its file: a stylesheet that answers 404 is
  // one of its files, not the page.
  const fs::path local = fs::temp_directory_path() / ("kaplo-analyse-" + std::to_string(getpid()) + ".html");
  std::ofstream(local) << "<head><link href=\"" + server.Url("/gone.css") + "\"></head><body></body>";
  r = RunKaplo({"analyse", local.string(), "--css-list", "--combined-css", "-"});
  fs::remove(local);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind(server.Url("/gone.css") + "\t" + server.Url("/gone.css") + "\n", 0), 0u)
      << r.out;
  EXPECT_EQ(RunKaplo({"analyse"}).status, 2);
  EXPECT_EQ(RunKaplo({"analyse", page, "--code", "9"}).status, 2);
}

}  // namespace
}  // namespace kaplo
