// Keywords highlighted in a rendered page from a local server: the span of
// each keyword's position around every hit, letter case ignored, keywords
// that look like script kept as text, and a page whose scripts sabotage the
// DOM functions the highlighter uses, and a page still loading.
#include "gui/widgets/browser_highlight.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "engine/http_server_support.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/keyword_bar.h"
#include "text/convert.h"

namespace kaplo::gui {
namespace {

constexpr const char* kPage =
    "<html><body><p id=\"a\">Abc and aBc, <b>ab</b>c</p>"
    "<p id=\"b\">say \"');alert(1)//</p>"
    "<script>Text.prototype.splitText = function () { throw 1; };"
    "document.createElement = null;"
    "document.createTreeWalker = function () { throw 2; };</script></body></html>";

TEST(BrowserHighlightTest, WrapsHitsInTheSpanOfTheirPositionDespiteThePagesScripts) {
  test::LocalServer server;
  server.server().Get("/p.html", [](const httplib::Request&, httplib::Response& r) {
    r.set_content(kPage, "text/html; charset=utf-8");
  });
  server.server().Get("/slow.html", [](const httplib::Request&, httplib::Response& r) {
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    r.set_content("<html><body>abc</body></html>", "text/html");
  });
  server.Start();
  BrowserPane pane(QStringLiteral("WebBrowserConfirmLocalFile"));
  pane.resize(600, 400);
  pane.show();
  QSignalSpy done(&pane, &BrowserPane::DocumentComplete);
  pane.Navigate(QString::fromStdString(server.Url("/p.html")));
  ASSERT_TRUE(done.wait(20000) || done.count() > 0);

  const std::vector<std::string> keywords = {"abc", Utf8ToShiftJIS("\"');alert(1)//")};
  EXPECT_EQ(HighlightKeywords(&pane, keywords), 3);
  EXPECT_EQ(pane.RunScript(QStringLiteral("document.getElementById('a').innerHTML")).toString(),
            QStringLiteral(
                "<span style=\"background-color: red ; font-weight: bolder;\">Abc</span> and "
                "<span style=\"background-color: red ; font-weight: bolder;\">aBc</span>, "
                "<b>ab</b>c"));
  EXPECT_EQ(pane.RunScript(QStringLiteral("document.getElementById('b').innerHTML")).toString(),
            QStringLiteral("say <span style=\"background-color: yellow ; font-weight: bolder;\">"
                           "\"');alert(1)//</span>"));

  // The bar's search goes the same way; a second search adds spans inside the old ones.
  QWidget holder;
  BrowserKeywordBar bar(BrowserBarRowOf("ComboBoxLocalBrowserSearch"), &pane, &holder);
  QSignalSpy highlighted(&bar, &BrowserKeywordBar::highlighted);
  bar.Input()->setEditText(QStringLiteral("  AND  "));
  bar.Search();
  ASSERT_EQ(highlighted.count(), 1);
  EXPECT_EQ(highlighted.front().front().toInt(), 1);

  // A page still loading is left alone.
  pane.Navigate(QString::fromStdString(server.Url("/slow.html")));
  EXPECT_EQ(HighlightKeywords(&pane, keywords), -1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return pane.ReadyState() == BrowserPane::kComplete; }, 20000));
}

}  // namespace
}  // namespace kaplo::gui
