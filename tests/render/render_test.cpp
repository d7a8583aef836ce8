// The command line's browser: pages as Qt WebEngine builds them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_support.h"
#include "engine/http_server_support.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

TEST(Render, InnerHtmlModeSavesTheDocumentTheBrowserBuilt) {
  test::LocalServer server;
  server.server().Get("/dyn.html", [](const httplib::Request&, httplib::Response& r) {
    r.set_content("<html><head><meta charset=\"utf-8\"><title>t</title></head><body><p>静的</p>"
                  "<script>var p = document.createElement('p'); p.id = 'made';"
                  "p.textContent = '動的'; document.body.appendChild(p);</script></body></html>",
                  "text/html");
  });
  server.Start();
  const fs::path dir = fs::temp_directory_path() / ("kaplo-render-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  const auto r = test::RunKaplo({"download", server.Url("/dyn.html"), dir.string(), "--inner-html"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::ifstream in(dir / "dyn.html", std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  // The paragraph exists only after the script ran.
  EXPECT_NE(s.str().find(SJ<"<p id=\"made\">動的</p>">()), std::string::npos) << s.str();
  EXPECT_NE(s.str().find(SJ<"静的">()), std::string::npos);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kaplo
