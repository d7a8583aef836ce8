// kaplo download --check: the saved copy opened from its folder, its requests
// and other ways out recorded and refused, and its whole rendering and its
// text compared with the live page.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "cli/cli_support.h"
#include "engine/http_server_support.h"
#include "gui/hostile_page.h"
#include "gui/outside_listeners.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

// One red pixel, shown 600 pixels square.
const unsigned char kRedGif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01,
                                 0x00, 0x80, 0x00, 0x00, 0xff, 0x00, 0x00, 0xff, 0xff,
                                 0xff, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01,
                                 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3b};

// A <pre> of 150 lines, far longer than one screen; the saved copy's may
// lack lines 120 to 129.
std::string Pre(bool cut) {
  std::string pre = "<pre>";
  for (int i = 1; i <= 150; ++i) {
    if (!cut || i < 120 || i > 129) pre += "line " + std::to_string(i) + "\n";
  }
  return pre + "</pre><p>end</p>";
}

struct CheckCase {
  const char* name;
  std::string body;        // the page's body; PORT becomes the server's port
  std::string saved_body;  // what the download gets, when not body
  int status;              // exit status of the whole command
  bool network_request;    // the big image still comes from the network
  bool missing_file;       // a local file the saved copy asks for is missing
  double min_pixels, max_pixels;
  bool tall;  // rendered beyond the first screen
  double min_text, max_text;
};

double Percent(const std::string& out, const std::string& label) {
  std::smatch m;
  const std::regex re(label + R"([^\n]*: ([0-9.]+)%)");
  return std::regex_search(out, m, re) ? std::stod(m[1]) : -1;
}

TEST(Check, ReportsWhatTheSavedCopyFetchesMissesAndHowItDiffersAllTheWayDown) {
  const CheckCase cases[] = {
      {"whole", "<h1>saved</h1><img src=\"/img/red.gif\" width=\"600\" height=\"600\">", "", 0,
       false, false, 0, 1, false, 0, 0},
      // An address only a script puts together (no saver can see it): the
      // saved copy still asks the network for it, and the check refuses it.
      {"script-built",
       "<h1>saved</h1><script>var s = String.fromCharCode(47), i = new Image(600, 600);"
       "i.src = 'http:' + s + s + '127.0.0.1:PORT' + s + 'img' + s + 'red.g' + 'if';"
       "document.body.appendChild(i);</script>",
       "", 3, true, false, 20, 100, false, 0, 0},
      // The same, root-relative: a file of the save folder that is not there.
      {"missing",
       "<h1>saved</h1><script>var s = String.fromCharCode(47), i = new Image(600, 600);"
       "i.src = s + 'img' + s + 'red.g' + 'if'; document.body.appendChild(i);</script>",
       "", 3, false, true, 20, 100, false, 0, 0},
      {"long", Pre(false), "", 0, false, false, 0, 1, true, 0, 0},
      // Lines lost below the first screen show in the pixels and the text.
      {"cut", Pre(false), Pre(true), 3, false, false, 0.05, 100, true, 2, 5},
  };
  test::LocalServer server;
  std::string port;
  server.server().Get("/img/red.gif", [](const httplib::Request&, httplib::Response& r) {
    r.set_content(std::string(reinterpret_cast<const char*>(kRedGif), sizeof kRedGif), "image/gif");
  });
  server.server().Get(
      R"(/(\w[\w-]*)\.html)", [&](const httplib::Request& req, httplib::Response& r) {
        // The check's browser sees the live page; the download may get another.
        const bool browser =
            req.get_header_value("User-Agent").find("QtWebEngine") != std::string::npos;
        for (const CheckCase& c : cases) {
          if (req.matches[1] != c.name) continue;
          const std::string& body = browser || c.saved_body.empty() ? c.body : c.saved_body;
          r.set_content(
              "<html><head><meta charset=\"utf-8\"><title>t</title>"
              "<style>body{margin:0;background:#fff}</style></head><body>" +
                  std::regex_replace(body, std::regex("PORT"), port) + "</body></html>",
              "text/html");
        }
      });
  server.Start();
  const std::string base = server.Url("/");
  port = base.substr(base.rfind(':') + 1);
  port.pop_back();

  for (const CheckCase& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dir =
        fs::temp_directory_path() / ("kaplo-check-" + std::to_string(::getpid()) + "-" + c.name);
    fs::remove_all(dir);
    const auto r = test::RunKaplo(
        {"download", server.Url(std::string("/") + c.name + ".html"), dir.string(), "--check"});
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    EXPECT_EQ(r.out.find("  http://127.0.0.1:" + port + "/img/red.gif\n") != std::string::npos,
              c.network_request)
        << r.out;
    EXPECT_EQ(r.out.find("見つからないファイル: 1") != std::string::npos, c.missing_file) << r.out;
    EXPECT_NE(r.out.find("(file:、WebRTC、フォルダーの外): 0\n"), std::string::npos) << r.out;
    const double pixels = Percent(r.out, "画素の違い");
    EXPECT_GE(pixels, c.min_pixels) << r.out;
    EXPECT_LE(pixels, c.max_pixels) << r.out;
    EXPECT_EQ(r.out.find("画素の違い (1024x768)") == std::string::npos, c.tall) << r.out;
    const double text = Percent(r.out, "文字の違い");
    EXPECT_GE(text, c.min_text) << r.out;
    EXPECT_LE(text, c.max_text) << r.out;
    if (!c.saved_body.empty()) {
      EXPECT_NE(r.out.find("\n  - line 120\n  - line 121\n"), std::string::npos) << r.out;
    }
    fs::remove_all(dir);
  }
}

// One saved page tries every way to read what is not its own and to send it
// out: the check refuses and lists each one, and nothing reaches the
// listeners on 127.0.0.1.
TEST(Check, RefusesAndListsEveryWayOutOfASavedPage) {
  test::OutsideListeners outside;
  const fs::path root = fs::temp_directory_path() / ("kaplo-hostile-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root);
  const fs::path secret = root / "secret.txt";
  std::ofstream(secret) << "SECRET";
  test::LocalServer server;
  server.server().Get("/page.html", [&](const httplib::Request&, httplib::Response& r) {
    r.set_content("<html><head><meta charset=\"utf-8\"><title>t</title></head><body><p>text</p>" +
                      test::HostileScript(secret.string(), outside) + "</body></html>",
                  "text/html");
  });
  server.Start();

  const fs::path dir = root / "save";
  const auto r = test::RunKaplo({"download", server.Url("/page.html"), dir.string(), "--check"});
  EXPECT_EQ(r.status, 3) << r.out << r.err;
  const std::string tcp = outside.tcp(), udp = outside.udp();
  for (const std::string& line : {
           std::string("  file: file:///etc/passwd\n"),
           std::string("  file: file:///root/\n"),
           "  file: file://" + secret.string() + "\n",
           "  WebRTC: turn:" + udp + "?transport=udp turn:" + tcp + "?transport=tcp stun:" + udp +
               "\n",
           "  outside the folder: " + dir.string() + "/../secret.txt\n",
           "  http://" + tcp + "/frame\n",
           "  http://" + tcp + "/img.png\n",
           "  http://" + tcp + "/beacon\n",
           "  ws://" + tcp + "/ws\n",
       }) {
    EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
  }
  EXPECT_EQ(outside.connections(), 0);
  EXPECT_EQ(outside.datagrams(), 0);
  fs::remove_all(root);
}

}  // namespace
}  // namespace kaplo
