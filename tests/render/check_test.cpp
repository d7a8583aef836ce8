// kaplo download --check: the saved copy opened from its folder, its requests
// recorded, and its rendering compared with the live page.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "cli/cli_support.h"
#include "engine/http_server_support.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

// One red pixel, shown 600 pixels square.
const unsigned char kRedGif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80,
                                 0x00, 0x00, 0xff, 0x00, 0x00, 0xff, 0xff, 0xff, 0x2c, 0x00, 0x00,
                                 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01,
                                 0x00, 0x3b};

struct CheckCase {
  const char* name;
  const char* body;       // the page's body; PORT becomes the server's port
  int status;             // exit status of the whole command
  bool network_request;   // the big image still comes from the network
  bool missing_file;      // a local file the saved copy asks for is missing
  double min_percent, max_percent;
};

double Percent(const std::string& out) {
  std::smatch m;
  const std::regex re(R"(\): ([0-9.]+)%)");
  return std::regex_search(out, m, re) ? std::stod(m[1]) : -1;
}

TEST(Check, ReportsWhatTheSavedCopyStillFetchesMissesAndHowItDiffers) {
  const CheckCase cases[] = {
      {"whole", "<h1>saved</h1><img src=\"/img/red.gif\" width=\"600\" height=\"600\">", 0, false,
       false, 0, 1},
      // An address only a script puts together (no saver can see it): the
      // saved copy still asks the network for it, and the check refuses it.
      {"script-built",
       "<h1>saved</h1><script>var s = String.fromCharCode(47), i = new Image(600, 600);"
       "i.src = 'http:' + s + s + '127.0.0.1:PORT' + s + 'img' + s + 'red.g' + 'if';"
       "document.body.appendChild(i);</script>",
       3, true, false, 20, 100},
      // The same, root-relative: a local file that is not there.
      {"missing",
       "<h1>saved</h1><script>var s = String.fromCharCode(47), i = new Image(600, 600);"
       "i.src = s + 'img' + s + 'red.g' + 'if'; document.body.appendChild(i);</script>",
       3, false, true, 20, 100},
  };
  test::LocalServer server;
  std::string port;
  server.server().Get("/img/red.gif", [](const httplib::Request&, httplib::Response& r) {
    r.set_content(std::string(reinterpret_cast<const char*>(kRedGif), sizeof kRedGif),
                  "image/gif");
  });
  server.server().Get(R"(/(\w[\w-]*)\.html)", [&](const httplib::Request& req,
                                                  httplib::Response& r) {
    for (const CheckCase& c : cases) {
      if (req.matches[1] != c.name) continue;
      std::string body = std::regex_replace(c.body, std::regex("PORT"), port);
      r.set_content("<html><head><meta charset=\"utf-8\"><title>t</title>"
                    "<style>body{margin:0;background:#fff}</style></head><body>" +
                        body + "</body></html>",
                    "text/html");
    }
  });
  server.Start();
  const std::string base = server.Url("/");
  port = base.substr(base.rfind(':') + 1);
  port.pop_back();

  for (const CheckCase& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dir = fs::temp_directory_path() /
                         ("kaplo-check-" + std::to_string(::getpid()) + "-" + c.name);
    fs::remove_all(dir);
    const auto r = test::RunKaplo(
        {"download", server.Url(std::string("/") + c.name + ".html"), dir.string(), "--check"});
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    EXPECT_EQ(r.out.find("  http://127.0.0.1:" + port + "/img/red.gif\n") != std::string::npos,
              c.network_request)
        << r.out;
    EXPECT_EQ(r.out.find("見つからないファイル: 1") != std::string::npos, c.missing_file) << r.out;
    const double percent = Percent(r.out);
    EXPECT_GE(percent, c.min_percent) << r.out;
    EXPECT_LE(percent, c.max_percent) << r.out;
    fs::remove_all(dir);
  }
}

}  // namespace
}  // namespace kaplo
