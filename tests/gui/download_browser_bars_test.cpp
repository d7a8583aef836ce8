// The buttons above the download tab's two browser panes: opening a local
// page by a name without its ".html", and copying the page address.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "gui/tabs/download/download_tab.h"
#include "gui/common/require.h"
#include "gui/widgets/browser_pane.h"
#include "gui/window/main_form.h"
#include "support/window_support.h"

namespace kaplo::gui {
namespace {

TEST(DownloadBrowserBars, OpenLocalPageAndCopyTheAddress) {
  const TestFolder dir("dlbars");
  std::ofstream(dir / "page.html") << "<html><body>local</body></html>";
  auto form = OpenTestWindow(dir / "KAPLO.inf");
  auto* tab = dynamic_cast<DownloadTab*>(form->TabAt(TabId::Download));
  ASSERT_NE(tab, nullptr);
  form->show();
  QString answer;
  tab->SetOpenFileDialog([&answer](const QString&) { return answer; });
  const auto w = [&](const char* name) { return tab->findChild<QWidget*>(QString::fromLatin1(name)); };
  auto* result = FindControl<BrowserPane>(tab, QStringLiteral("WebBrowserDownloadResult"));
  auto* url_label = tab->findChild<QLabel*>(QStringLiteral("LabelLocalBrowserUrl"));
  auto* src_label = tab->findChild<QLabel*>(QStringLiteral("LabelLocalHTMLSrc"));

  // A name without ".htm" takes ".html" when that file exists.
  answer = QString::fromStdString((dir / "page").string());
  static_cast<QPushButton*>(w("sbDLNavigateLocalOpenFile"))->click();
  const QString page = QString::fromStdString((dir / "page.html").string());
  EXPECT_EQ(url_label->text(), page);
  EXPECT_EQ(src_label->text(), page);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return result->LocationURL().endsWith(QStringLiteral("page.html")); }, 60000));
  // A name that is no file and has no ".html" sibling changes nothing.
  answer = QString::fromStdString((dir / "none").string());
  static_cast<QPushButton*>(w("sbDLNavigateLocalOpenFile"))->click();
  EXPECT_EQ(url_label->text(), page);

  auto* web_label = tab->findChild<QLabel*>(QStringLiteral("LabelWebBrowserUrl"));
  web_label->setText(QStringLiteral("http://127.0.0.1:9/x.html"));
  static_cast<QPushButton*>(w("sbDLWebNavigateCOPY"))->click();
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("http://127.0.0.1:9/x.html"));
  EXPECT_EQ(tab->findChild<QComboBox*>(QStringLiteral("ComboBoxWBUrl"))->currentText(),
            QStringLiteral("http://127.0.0.1:9/x.html"));
  form.reset();
}

// Each pane's status bar shows the addresses it reports, not its messages.
TEST(DownloadBrowserBars, StatusBarsShowAddressesOnly) {
  const TestFolder dir("dlstatus");
  auto form = OpenTestWindow(dir / "KAPLO.inf");
  auto* tab = dynamic_cast<DownloadTab*>(form->TabAt(TabId::Download));
  ASSERT_NE(tab, nullptr);
  form->show();
  for (const auto& [pane_name, bar_name] :
       {std::pair{"WebBrowserDownload", "StatusBarDLWebBrowser"},
        std::pair{"WebBrowserDownloadResult", "StatusBarDLLocalBrowser"}}) {
    SCOPED_TRACE(pane_name);
    auto* pane = Require<BrowserPane>(tab, pane_name);
    auto* bar = Require<QLabel>(tab, bar_name);
    emit pane->StatusTextChange(QStringLiteral("http://127.0.0.1:9/a.html"));
    EXPECT_EQ(bar->text(), QStringLiteral("http://127.0.0.1:9/a.html"));
    for (const QString& message : {U("ページが表示されました"), U("画像をダウンロード中"),
                                   QStringLiteral("Loading page")}) {
      emit pane->StatusTextChange(message);
      EXPECT_EQ(bar->text(), QStringLiteral("http://127.0.0.1:9/a.html")) << message.toStdString();
    }
    emit pane->StatusTextChange(QString());
    EXPECT_EQ(bar->text(), QString());
  }
  form.reset();
}

}  // namespace
}  // namespace kaplo::gui
