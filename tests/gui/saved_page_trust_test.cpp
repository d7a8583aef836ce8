// A saved page is shown from disk like any other, but its scripts cannot read
// other local files or reach the network.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "engine/http_server_support.h"
#include "gui/widgets/browser_pane.h"

namespace kaplo::gui {
namespace {

namespace fs = std::filesystem;

// A 1x1 PNG.
const unsigned char kPng[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1f,
    0x15, 0xc4, 0x89, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8,
    0xcf, 0xc0, 0xf0, 0x1f, 0x00, 0x05, 0x00, 0x01, 0xff, 0x56, 0xc7, 0x2f, 0x0d, 0x00, 0x00,
    0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

TEST(SavedPageTrust, ScriptOfASavedPageCannotReadOtherFiles) {
  test::LocalServer server;
  server.server().Get("/private", [](const httplib::Request&, httplib::Response& r) {
    r.set_header("Access-Control-Allow-Origin", "*");
    r.set_content("REMOTE", "text/plain");
  });
  server.Start();

  const fs::path root = fs::temp_directory_path() / ("kaplo-trust-" + std::to_string(getpid()));
  fs::create_directories(root / "saved");
  std::ofstream(root / "secret.txt") << "SECRET";
  std::ofstream(root / "saved" / "own.txt") << "OWN";
  std::ofstream(root / "saved" / "s.css") << "body{color:red}";
  std::ofstream(root / "saved" / "s.js") << "window.fromScript='yes';";
  std::ofstream(root / "saved" / "f.html") << "<html><body>x</body></html>";
  std::ofstream(root / "saved" / "x.png", std::ios::binary)
      .write(reinterpret_cast<const char*>(kPng), sizeof kPng);
  const std::string secret = "file://" + (root / "secret.txt").string();
  // Each way a script reads a file or an address: synchronous and
  // asynchronous requests, to a file outside the folder, to one inside it,
  // and to the network.
  std::ofstream(root / "saved" / "page.html")
      << "<html><head><meta charset=\"utf-8\"><link rel=stylesheet href=s.css>"
         "<script src=s.js></script></head><body><img src=\"x.png\">"
         "<iframe id=f src=f.html></iframe><iframe id=g src=\"" << secret << "\"></iframe>\n"
         "<script>\n"
         "var out = {};\n"
         "function sync(name, url) {\n"
         "  try { var x = new XMLHttpRequest(); x.open('GET', url, false); x.send();\n"
         "        out[name] = x.responseText; } catch (e) { out[name] = 'blocked'; }\n"
         "}\n"
         "function later(name, url) {\n"
         "  fetch(url).then(function (r) { return r.text(); })\n"
         "    .then(function (t) { out[name] = t; }, function () { out[name] = 'blocked'; });\n"
         "}\n"
         "sync('xhr', '" << secret << "');\n"
         "sync('own', 'own.txt');\n"
         "later('fetch', '" << secret << "');\n"
         "later('remote', '" << server.Url("/private") << "');\n"
         "</script></body></html>\n";

  BrowserPane pane(QStringLiteral("WebBrowserDownloadResult"));
  pane.resize(400, 300);
  QSignalSpy done(&pane, &BrowserPane::DocumentComplete);
  pane.Navigate(QString::fromStdString((root / "saved" / "page.html").string()));
  ASSERT_TRUE(done.wait(20000) || done.count() > 0);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return pane.RunScript(QStringLiteral("'fetch' in out && 'remote' in out")).toBool(); },
      20000));
  auto eval = [&](const char* script) {
    return pane.RunScript(QString::fromUtf8(script)).toString().toStdString();
  };
  for (const char* name : {"xhr", "fetch", "own", "remote"}) {
    EXPECT_EQ(eval((std::string("String(out.") + name + ")").c_str()), "blocked") << name;
  }
  // A frame outside the page's folder is not opened to its scripts.
  EXPECT_NE(eval("var d = document.getElementById('g').contentDocument;"
                 "String(d && d.body && d.body.innerText)"),
            "SECRET");
  // The page itself still shows what was saved with it: image, stylesheet,
  // script and a frame of its own folder.
  EXPECT_EQ(eval("String(document.images[0].naturalWidth)"), "1");
  EXPECT_EQ(eval("getComputedStyle(document.body).color"), "rgb(255, 0, 0)");
  EXPECT_EQ(eval("String(window.fromScript)"), "yes");
  EXPECT_EQ(eval("String(document.getElementById('f').contentDocument.body.innerHTML)"), "x");
  fs::remove_all(root);
}

}  // namespace
}  // namespace kaplo::gui
