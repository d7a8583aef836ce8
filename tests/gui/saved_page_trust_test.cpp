// A saved page is shown from disk like any other, but it reads only the files
// of its folder, and nothing of it reaches the network, file: or WebRTC.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <filesystem>
#include <fstream>

#include "engine/http_server_support.h"
#include "gui/hostile_page.h"
#include "gui/outside_listeners.h"
#include "gui/widgets/browser_pane.h"

namespace kaplo::gui {
namespace {

namespace fs = std::filesystem;

constexpr int kWait = 20000;

// A 1x1 PNG.
const unsigned char kPng[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
    0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00,
    0x00, 0x1f, 0x15, 0xc4, 0x89, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x44, 0x41, 0x54, 0x78,
    0x9c, 0x63, 0xf8, 0xcf, 0xc0, 0xf0, 0x1f, 0x00, 0x05, 0x00, 0x01, 0xff, 0x56, 0xc7,
    0x2f, 0x0d, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

bool LoadAndWait(BrowserPane& pane, const QString& url) {
  QSignalSpy done(&pane, &BrowserPane::DocumentComplete);
  pane.Navigate(url);
  return done.wait(kWait) || done.count() > 0;
}

TEST(SavedPageTrust, ASavedPageReadsItsFolderOnlyAndReachesNothing) {
  test::OutsideListeners outside;
  const fs::path root = fs::temp_directory_path() / ("kaplo-trust-" + std::to_string(getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "saved");
  std::ofstream(root / "secret.txt") << "SECRET";
  std::ofstream(root / "saved" / "own.txt") << "OWN";
  std::ofstream(root / "saved" / "s.css") << "body{color:red}";
  std::ofstream(root / "saved" / "s.js") << "window.fromScript='yes';";
  std::ofstream(root / "saved" / "f.html") << "<html><body>x</body></html>";
  std::ofstream(root / "saved" / "x.png", std::ios::binary)
      .write(reinterpret_cast<const char*>(kPng), sizeof kPng);
  fs::create_symlink(root / "secret.txt", root / "saved" / "leak.txt");
  const std::string secret = (root / "secret.txt").string();
  const fs::path page = root / "saved" / "page.html";
  std::ofstream(page) << "<html><head><meta charset=\"utf-8\"><link rel=stylesheet href=s.css>"
                         "<script src=s.js></script></head><body><img src=\"x.png\">"
                         "<iframe id=own src=f.html></iframe>\n"
                      << test::HostileScript(secret, outside)
                      << "<script>sync('own', 'own.txt'); sync('link', 'leak.txt');"
                         "sync('above', '../secret.txt');</script></body></html>\n";

  BrowserPane pane(QStringLiteral("WebBrowserDownloadResult"));
  pane.resize(400, 300);
  ASSERT_TRUE(LoadAndWait(pane, QString::fromStdString(page.string())));
  // What the user sees is the file, not the scheme's address.
  EXPECT_EQ(pane.LocationURL(),
            QUrl::fromLocalFile(QString::fromStdString(page.string())).toString());
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return pane.RunScript("'xhr_async' in out && 'fetch' in out").toBool(); }, kWait));
  auto result = [&](const char* name) {
    return pane.RunScript(QStringLiteral("String(out.%1)").arg(name)).toString().toStdString();
  };
  for (const char* name :
       {"xhr", "xhr_async", "xhr_secret", "xhr_up", "fetch", "link", "rtc", "rtc_frame"}) {
    EXPECT_EQ(result(name), "blocked") << name;
  }
  // "../" stays in the folder: the folder has no secret.txt.
  EXPECT_EQ(result("above"), "blocked");
  EXPECT_EQ(result("own"), "OWN");
  // The page itself still shows what was saved with it: image, stylesheet,
  // script and a frame of its own folder.
  auto eval = [&](const char* script) { return pane.RunScript(script).toString().toStdString(); };
  EXPECT_EQ(eval("String(document.images[0].naturalWidth)"), "1");
  EXPECT_EQ(eval("getComputedStyle(document.body).color"), "rgb(255, 0, 0)");
  EXPECT_EQ(eval("String(window.fromScript)"), "yes");
  EXPECT_EQ(eval("String(document.getElementById('own').contentDocument.body.innerHTML)"), "x");
  EXPECT_EQ(
      pane.ImageUrls().value(0),
      QUrl::fromLocalFile(QString::fromStdString((root / "saved" / "x.png").string())).toString());

  // A web page does not read the saved folder either, even knowing its address.
  test::LocalServer server;
  const std::string local =
      pane.page()->url().adjusted(QUrl::RemoveFilename).toString().toStdString();
  server.server().Get("/web.html", [&](const httplib::Request&, httplib::Response& r) {
    r.set_content("<html><body><img src=\"" + local + "x.png\"></body></html>", "text/html");
  });
  server.Start();
  BrowserPane web(QStringLiteral("WebBrowserNSBase"));
  ASSERT_TRUE(LoadAndWait(web, QString::fromStdString(server.Url("/web.html"))));
  QTest::qWait(300);
  EXPECT_EQ(web.RunScript("String(document.images[0].naturalWidth)").toString(), "0");

  // Anything sent out would have arrived by now.
  QTest::qWait(1000);
  EXPECT_EQ(outside.connections(), 0);
  EXPECT_EQ(outside.datagrams(), 0);
  fs::remove_all(root);
}

// A web archive is shown through file:, where it runs no script and fetches
// nothing beyond itself.
TEST(SavedPageTrust, AWebArchiveShowsWithoutScriptsOrRequests) {
  test::OutsideListeners outside;
  const fs::path file =
      fs::temp_directory_path() / ("kaplo-trust-" + std::to_string(getpid()) + ".mht");
  std::ofstream(file) << "From: <Saved by Blink>\r\n"
                         "Snapshot-Content-Location: http://host/page.html\r\n"
                         "Subject: archive\r\n"
                         "MIME-Version: 1.0\r\n"
                         "Content-Type: multipart/related; type=\"text/html\"; boundary=\"B\"\r\n"
                         "\r\n--B\r\n"
                         "Content-Type: text/html\r\n"
                         "Content-Location: http://host/page.html\r\n"
                         "\r\n<html><body><p>archived</p><script>document.title = 'ran';</script>"
                         "<img src=\"http://"
                      << outside.tcp() << "/x.png\"></body></html>\r\n--B--\r\n";
  BrowserPane pane(QStringLiteral("WebBrowserConfirmLocalFile"));
  ASSERT_TRUE(LoadAndWait(pane, QString::fromStdString(file.string())));
  // Scripts are off in it, ours too: its text comes from the page itself.
  QString text;
  pane.page()->toPlainText([&text](const QString& t) { text = t; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return text.contains("archived"); }, kWait))
      << text.toStdString();
  EXPECT_NE(pane.LocationName(), "ran");
  QTest::qWait(500);
  EXPECT_EQ(outside.connections(), 0);
  fs::remove(file);
}

}  // namespace
}  // namespace kaplo::gui
