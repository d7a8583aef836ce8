// Keywords highlighted in a rendered page from a local server: the span of
// each keyword's position around every hit, letter case ignored, keywords
// that look like script kept as text, and a page whose scripts sabotage the
// DOM functions the highlighter uses, and a page still loading.
#include "gui/widgets/browser_highlight.h"

#include <gtest/gtest.h>

#include <QPushButton>
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

// Shows the pane and loads url into it; false when it never completes.
bool ShowAndLoad(BrowserPane& pane, const std::string& url) {
  pane.resize(600, 400);
  pane.show();
  QSignalSpy done(&pane, &BrowserPane::DocumentComplete);
  pane.Navigate(QString::fromStdString(url));
  return done.wait(20000) || done.count() > 0;
}

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
  ASSERT_TRUE(ShowAndLoad(pane, server.Url("/p.html")));

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
  auto* button = holder.findChild<QPushButton*>(QStringLiteral("sbDLLocalBrowserSearch"));
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), QStringLiteral("一括検索"));
  button->click();
  ASSERT_EQ(highlighted.count(), 1);
  EXPECT_EQ(highlighted.front().front().toInt(), 1);

  // A page still loading is left alone.
  pane.Navigate(QString::fromStdString(server.Url("/slow.html")));
  EXPECT_EQ(HighlightKeywords(&pane, keywords), -1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return pane.ReadyState() == BrowserPane::kComplete; }, 20000));
}

TEST(BrowserHighlightTest, FindsForwardAndBackwardFromTheSelection) {
  test::LocalServer server;
  server.server().Get("/f.html", [](const httplib::Request&, httplib::Response& r) {
    r.set_content("<html><body><p id=\"p\">abc one ABC two abc</p>"
                  "<script>window.find = function () { return true; };</script></body></html>",
                  "text/html; charset=utf-8");
  });
  server.Start();
  BrowserPane pane(QStringLiteral("WebBrowserNSTarget"));
  ASSERT_TRUE(ShowAndLoad(pane, server.Url("/f.html")));
  // Where the selection starts in the paragraph's text, and what it holds.
  const auto selected = [&pane] {
    return pane
        .RunScript(QStringLiteral("(function () { var s = getSelection(); return s.rangeCount ? "
                                  "s.getRangeAt(0).startOffset + ':' + s : 'none'; })()"))
        .toString();
  };
  const auto select = [&pane](int from, int to) {
    pane.RunScript(QStringLiteral("(function () { var r = document.createRange(), t = "
                                  "document.getElementById('p').firstChild; r.setStart(t, %1); "
                                  "r.setEnd(t, %2); getSelection().removeAllRanges(); "
                                  "getSelection().addRange(r); return 1; })()")
                       .arg(from)
                       .arg(to));
  };

  // Letter case aside; forward to the end and no further; the page's own
  // window.find is not the one called.
  EXPECT_TRUE(FindFromSelection(&pane, QStringLiteral("abc"), false));
  EXPECT_EQ(selected(), QStringLiteral("0:abc"));
  EXPECT_TRUE(FindFromSelection(&pane, QStringLiteral("abc"), false));
  EXPECT_EQ(selected(), QStringLiteral("8:ABC"));
  EXPECT_TRUE(FindFromSelection(&pane, QStringLiteral("abc"), false));
  EXPECT_EQ(selected(), QStringLiteral("16:abc"));
  EXPECT_FALSE(FindFromSelection(&pane, QStringLiteral("abc"), false));
  EXPECT_EQ(selected(), QStringLiteral("16:abc"));
  EXPECT_TRUE(FindFromSelection(&pane, QStringLiteral("abc"), true));
  EXPECT_EQ(selected(), QStringLiteral("8:ABC"));

  // From a selection the user made ("two"), either way.
  select(12, 15);
  EXPECT_TRUE(FindFromSelection(&pane, QStringLiteral("abc"), true));
  EXPECT_EQ(selected(), QStringLiteral("8:ABC"));
  select(12, 15);
  EXPECT_TRUE(FindFromSelection(&pane, QStringLiteral("abc"), false));
  EXPECT_EQ(selected(), QStringLiteral("16:abc"));

  // The bar's buttons find the input's text as one phrase.
  QWidget holder;
  BrowserKeywordBar bar(BrowserBarRowOf("edDLTargetSearchAndHighlight"), &pane, &holder);
  QSignalSpy found(&bar, &BrowserKeywordBar::found);
  bar.Input()->setEditText(QStringLiteral(" one abc "));
  select(0, 0);
  bar.FindPrevious();
  ASSERT_EQ(found.count(), 1);
  EXPECT_FALSE(found.takeFirst().front().toBool());
  bar.FindNext();
  ASSERT_EQ(found.count(), 1);
  EXPECT_TRUE(found.takeFirst().front().toBool());
  EXPECT_EQ(selected(), QStringLiteral("4:one ABC"));
}

}  // namespace
}  // namespace kaplo::gui
