// Browser panes on pages of a local server: loading and its events, the
// document, link clicks, new windows, and the engine's port on a pane.
#include "gui/widgets/browser_pane.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTest>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <filesystem>
#include <fstream>

#include "engine/http_server_support.h"
#include "gui/widgets/web_page_port.h"
#include "text/sjis_literal.h"

namespace kaplo::gui {
namespace {

namespace fs = std::filesystem;

constexpr int kWait = 20000;

bool WaitComplete(BrowserPane& pane) {
  return QTest::qWaitFor([&pane] { return pane.ReadyState() == BrowserPane::kComplete; }, kWait);
}

bool LoadAndWait(BrowserPane& pane, const QString& url) {
  QSignalSpy done(&pane, &BrowserPane::DocumentComplete);
  pane.Navigate(url);
  return done.wait(kWait) || done.count() > 0;
}

class BrowserPaneTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new test::LocalServer;
    auto page = [](const char* body) {
      return [body](const httplib::Request&, httplib::Response& r) {
        r.set_content(body, "text/html; charset=utf-8");
      };
    };
    server_->server().Get("/a.html", page("<html><head><title>ページA</title></head><body>"
                                          "<p>本文</p><img src=\"img/x.png\"><img src=\"/y.gif\">"
                                          "<a id=\"link\" href=\"/b.html\">b</a>"
                                          "<a id=\"blank\" href=\"/c.html\" target=\"_blank\">c</a>"
                                          "</body></html>"));
    server_->server().Get("/b.html", page("<html><body>B</body></html>"));
    server_->server().Get("/c.html", page("<html><body>C</body></html>"));
    server_->Start();
    BrowserPane::SetSystemOpener([](const QUrl& url) { system_opened_ = url; });
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override { system_opened_.clear(); }

  static QString Url(const char* path) { return QString::fromStdString(server_->Url(path)); }

  static test::LocalServer* server_;
  static QUrl system_opened_;
};

test::LocalServer* BrowserPaneTest::server_ = nullptr;
QUrl BrowserPaneTest::system_opened_;

TEST_F(BrowserPaneTest, LoadsWithEventsInOrderAndReadsTheDocument) {
  BrowserPane pane("WebBrowserDownload");
  EXPECT_EQ(pane.objectName(), "WebBrowserDownload");
  EXPECT_FALSE(pane.HasDocument());
  EXPECT_TRUE(pane.OuterHtml().isEmpty());

  QStringList events;
  QObject::connect(&pane, &BrowserPane::BeforeNavigate2, [&] { events << "before"; });
  QObject::connect(&pane, &BrowserPane::NavigateComplete2, [&] { events << "navigate"; });
  QObject::connect(&pane, &BrowserPane::DocumentComplete, [&] { events << "document"; });
  pane.Navigate(Url("/a.html"));
  EXPECT_TRUE(pane.Busy());
  ASSERT_TRUE(WaitComplete(pane));
  EXPECT_EQ(events, QStringList({"before", "navigate", "document"}));
  EXPECT_FALSE(pane.Busy());
  EXPECT_EQ(pane.LocationURL(), Url("/a.html"));
  EXPECT_EQ(pane.LocationName(), QString::fromUtf8("ページA"));
  EXPECT_TRUE(pane.OuterHtml().contains(QString::fromUtf8("<p>本文</p>")));
  EXPECT_EQ(pane.ImageUrls(), QStringList({Url("/img/x.png"), Url("/y.gif")}));

  ASSERT_TRUE(LoadAndWait(pane, Url("/b.html")));
  pane.GoBack();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return pane.LocationURL() == Url("/a.html") && !pane.Busy(); }, kWait));

  // A local path and a written document; about:blank empties the pane.
  const fs::path file =
      fs::temp_directory_path() / ("kaplo-pane-" + std::to_string(::getpid()) + ".html");
  std::ofstream(file) << "<html><body>local file</body></html>";
  ASSERT_TRUE(LoadAndWait(pane, QString::fromStdString(file.string())));
  EXPECT_TRUE(pane.OuterHtml().contains("local file"));
  EXPECT_EQ(pane.LocationURL(),
            QUrl::fromLocalFile(QString::fromStdString(file.string())).toString());
  fs::remove(file);
  pane.Write(QString::fromUtf8("<html><body><b>書いた</b></body></html>"));
  ASSERT_TRUE(WaitComplete(pane));
  EXPECT_TRUE(pane.OuterHtml().contains(QString::fromUtf8("<b>書いた</b>")));
  // Beyond what a data: URL carries.
  const QString big =
      QString("<html><body>") + QString(2'000'000, 'x') + "<i>end</i></body></html>";
  pane.Write(big);
  ASSERT_TRUE(WaitComplete(pane));
  EXPECT_TRUE(pane.OuterHtml().contains("<i>end</i>"));
  ASSERT_TRUE(LoadAndWait(pane, "about:blank"));
  EXPECT_EQ(pane.RunScript("document.body.innerHTML").toString(), "");
}

TEST_F(BrowserPaneTest, ClickCallbackDecidesWhetherALinkIsFollowed) {
  BrowserPane pane("WebBrowserNSBase");
  ASSERT_TRUE(LoadAndWait(pane, Url("/a.html")));
  QSignalSpy before(&pane, &BrowserPane::BeforeNavigate2);
  QList<QUrl> clicked;
  bool allow = false;
  pane.SetClickCallback([&](const QUrl& link) {
    clicked << link;
    return allow;
  });
  pane.RunScript("document.getElementById('link').click()");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !clicked.isEmpty(); }, kWait));
  EXPECT_EQ(clicked.front(), QUrl(Url("/b.html")));
  // The refusal comes before the navigation is announced.
  EXPECT_EQ(before.count(), 0);
  EXPECT_EQ(pane.LocationURL(), Url("/a.html"));

  allow = true;
  pane.RunScript("document.getElementById('link').click()");
  ASSERT_TRUE(QTest::qWaitFor([&] { return pane.LocationURL() == Url("/b.html"); }, kWait));
}

TEST_F(BrowserPaneTest, NoHistoryNavigationTakesThePlaceOfThePageShown) {
  BrowserPane pane("WebBrowserNSNewWindow");
  ASSERT_TRUE(LoadAndWait(pane, QStringLiteral("about:blank")));
  int clicks = 0;
  pane.SetClickCallback([&clicks](const QUrl&) { return ++clicks, true; });
  const auto go = [&pane](const char* path, bool no_history) {
    no_history ? pane.NavigateNoHistory(Url(path)) : pane.Navigate(Url(path));
    return QTest::qWaitFor(
        [&] { return pane.LocationURL() == Url(path) && pane.ReadyState() == BrowserPane::kComplete; },
        kWait);
  };
  ASSERT_TRUE(go("/a.html", true));
  EXPECT_FALSE(pane.history()->canGoBack());
  ASSERT_TRUE(go("/b.html", false));
  EXPECT_EQ(pane.history()->count(), 2);
  ASSERT_TRUE(go("/c.html", true));
  EXPECT_EQ(pane.history()->count(), 2);
  // Back skips the page that was replaced.
  pane.GoBack();
  EXPECT_TRUE(QTest::qWaitFor([&] { return pane.LocationURL() == Url("/a.html"); }, kWait));
  // The replacement is no click of the page's.
  EXPECT_EQ(clicks, 0);
}

TEST_F(BrowserPaneTest, NewWindowsAreCancelledRedirectedOrHandedToTheSystem) {
  BrowserPane pane("WebBrowserFavMain");
  BrowserPane target("WebBrowserFavContents");
  ASSERT_TRUE(LoadAndWait(target, "about:blank"));

  struct Case {
    BrowserPane::NewWindow answer;
    bool reaches_target;
    bool reaches_system;
  };
  const Case cases[] = {
      {BrowserPane::NewWindow::CancelIt(), false, false},
      {BrowserPane::NewWindow::ToSystem(), false, true},
      {BrowserPane::NewWindow::Into(&target), true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer.action);
    ASSERT_TRUE(LoadAndWait(pane, Url("/a.html")));
    system_opened_.clear();
    QUrl asked;
    pane.SetNewWindowHandler([&](const QUrl& url) {
      asked = url;
      return c.answer;
    });
    pane.RunScript("window.open('/c.html'); 1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !asked.isEmpty(); }, kWait));
    EXPECT_EQ(asked, QUrl(Url("/c.html")));
    if (c.reaches_target) {
      ASSERT_TRUE(QTest::qWaitFor(
          [&] { return target.page()->url() == QUrl(Url("/c.html")) && !target.Busy(); }, kWait));
      EXPECT_TRUE(target.OuterHtml().contains(">C<"));
    }
    EXPECT_EQ(system_opened_.isEmpty(), !c.reaches_system);
    EXPECT_EQ(pane.LocationURL(), Url("/a.html"));
  }

  // A user's click on a link that opens a window passes the click callback first.
  pane.resize(600, 400);
  pane.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
  ASSERT_TRUE(LoadAndWait(pane, Url("/a.html")));
  const QVariantList at =
      pane.RunScript(
              "var r = document.getElementById('blank').getBoundingClientRect();"
              "[r.left + r.width / 2, r.top + r.height / 2]")
          .toList();
  ASSERT_EQ(at.size(), 2);
  QList<QUrl> clicked;
  pane.SetClickCallback([&](const QUrl& link) {
    clicked << link;
    return false;
  });
  bool asked = false;
  pane.SetNewWindowHandler([&](const QUrl&) {
    asked = true;
    return BrowserPane::NewWindow::CancelIt();
  });
  const QPoint point(at[0].toInt(), at[1].toInt());
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        QTest::mouseClick(pane.focusProxy(), Qt::LeftButton, {}, point);
        return !clicked.isEmpty() || asked;
      },
      kWait));
  EXPECT_EQ(clicked.value(0), QUrl(Url("/c.html")));
  EXPECT_FALSE(asked);
}

TEST_F(BrowserPaneTest, EnginePortReadsThePaneInShiftJis) {
  BrowserPane download("WebBrowserDownload");
  BrowserPane result("WebBrowserDownloadResult");
  WebPagePort port(download.page(), result.page());
  port.Navigate(kaplo::BrowserPane::Download, server_->Url("/a.html"));
  EXPECT_EQ(port.LocationUrl(), server_->Url("/a.html"));
  EXPECT_NE(port.OuterHtml().find(SJ<"<p>本文</p>">()), std::string::npos);
  EXPECT_EQ(port.ImageUrls(),
            (std::vector<std::string>{server_->Url("/img/x.png"), server_->Url("/y.gif")}));
  // The result pane takes local paths as the final display does.
  const fs::path file =
      fs::temp_directory_path() / ("kaplo-port-" + std::to_string(::getpid()) + ".html");
  std::ofstream(file) << "<html><body>saved</body></html>";
  port.Navigate(kaplo::BrowserPane::DownloadResult, file.string());
  EXPECT_EQ(result.LocationURL(),
            QUrl::fromLocalFile(QString::fromStdString(file.string())).toString());
  EXPECT_TRUE(result.OuterHtml().contains("saved"));
  fs::remove(file);
}

}  // namespace
}  // namespace kaplo::gui
