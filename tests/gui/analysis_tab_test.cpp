// The page analysis tab against a local site: a page opened from its
// address fills the lists and combined texts; the editing control switches
// between browse and edit mode, reports clicked elements through its own
// script world and pastes plain text; local files with frames ask first.
#include "gui/tabs/analysis/analysis_tab.h"
#include "gui/common/require.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "engine/http_server_support.h"
#include "gui/tabs/analysis/html_edit_host.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/form_source.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/window/main_form.h"
#include "support/window_support.h"
#include "text/convert.h"
#include "text/sjis_literal.h"

namespace kaplo::gui {
namespace {

// The first page a test process loads waits for the whole window's panes.
constexpr int kWait = 90000;

class AnalysisTabTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new test::LocalServer;
    auto serve = [](std::string body, const char* type) {
      return [body, type](const httplib::Request&, httplib::Response& r) {
        r.set_content(body, type);
      };
    };
    server_->server().Get(
        "/a/p.html",
        serve("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
              "charset=Shift_JIS\"><link rel=stylesheet href=\"s.css\">"
              "<link rel=stylesheet href=\"s.css\"><script src=\"s.js\"></script></head><body>"
              "<div id=\"box\"><p id=\"para\">" +
                  Utf8ToShiftJIS("本文") +
                  "</p></div>"
                  "<a id=\"link\" href=\"q.html\">q</a></body></html>",
              "text/html; charset=Shift_JIS"));
    server_->server().Get("/a/q.html", serve("<html><body><p>Q</p></body></html>", "text/html"));
    server_->server().Get("/a/s.css", serve("@import url(i.css);\nbody{color:red}\na{color:#c00}\n", "text/css"));
    server_->server().Get("/a/i.css", serve("i{}", "text/css"));
    server_->server().Get("/a/s.js", serve("var s = 1;", "text/javascript"));
    server_->Start();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    form_ = OpenTestWindow(dir_ / "KAPLO.inf", &prompter_);
    tab_ = dynamic_cast<AnalysisTab*>(form_->TabAt(TabId::GuiAnalysis));
    ASSERT_NE(tab_, nullptr);
    form_->resize(1400, 900);
    form_->show();
    form_->ShowTab(TabId::GuiAnalysis);
  }
  void TearDown() override { form_.reset(); }

  // Looked up inside the tab: the download tab keeps a hidden list of the
  // same name as a working table of its engine.
  template <typename T>
  T* W(const char* name) {
    return Find<T>(tab_, name);
  }
  QStringList Lines(const char* list) { return ListLines(tab_, list); }
  static QString Url(const char* path) { return QString::fromStdString(server_->Url(path)); }
  BrowserPane* Pane() { return tab_->Editor()->Pane(); }
  bool WaitMode(const char* mode) {
    return QTest::qWaitFor([&] { return tab_->Editor()->DesignModeOfDocument() == mode; }, kWait);
  }
  bool Open(const std::function<void()>& start) {
    QSignalSpy filled(tab_, &AnalysisTab::filled);
    QSignalSpy loaded(Pane(), &BrowserPane::DocumentComplete);
    start();
    return QTest::qWaitFor([&] { return filled.count() > 0 && loaded.count() > 0; }, kWait);
  }
  std::string WriteFile(const char* name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
    return (dir_ / name).string();
  }

  static test::LocalServer* server_;
  TestFolder dir_{"guitab"};
  ScriptedPrompter prompter_;
  std::unique_ptr<TAMainForm> form_;
  AnalysisTab* tab_ = nullptr;
};

test::LocalServer* AnalysisTabTest::server_ = nullptr;

TEST_F(AnalysisTabTest, AddressFillsListsAndTheControlEditsInItsOwnWorld) {
  W<QLineEdit>("EditGUIUrl")->setText(Url("/a/p.html"));
  ASSERT_TRUE(Open([&] { W<QPushButton>("btnGUINavigate")->click(); }));
  EXPECT_EQ(Lines("ListBoxGUICSS"), QStringList{"s.css\t" + Url("/a/s.css")});
  EXPECT_EQ(Lines("ListBoxGUIJS"), QStringList{"s.js\t" + Url("/a/s.js")});
  EXPECT_EQ(Lines("ListBoxGUICSSImport"), QStringList{"i.css\t" + Url("/a/i.css")});
  EXPECT_EQ(Lines("ListBoxGUIUnitedCSS"), (QStringList{Url("/a/s.css"), Url("/a/i.css")}));
  EXPECT_TRUE(W<TRichEditEx>("RichEditGUITab05CSS")->toPlainText().contains("body{color:red}"));
  EXPECT_TRUE(
      W<TRichEditEx>("RichEditGUITab02Normal")->toPlainText().contains(QString::fromUtf8("本文")));
  EXPECT_TRUE(W<QLineEdit>("BtnEditGUILocalFilename")->text().isEmpty());
  // Each source view has its keyword bar: the combined stylesheet's lists its hit.
  W<QComboBox>("EditGUICSSSearchKeyword")->setEditText("color");
  W<QPushButton>("sbGUICSSSearch")->click();
  EXPECT_FALSE(Lines("ListBoxGUICSSSearch").isEmpty());
  // ... and its colour list.
  W<QPushButton>("sbGUICSSGetColorList")->click();
  EXPECT_FALSE(Lines("ListBoxGUICSSColor").isEmpty());

  // Browse mode first; the page's own scripts see nothing of the host.
  ASSERT_TRUE(WaitMode("off"));
  EXPECT_EQ(Pane()->RunScript("typeof window.kaploEdit + ',' + typeof qt").toString(),
            "undefined,undefined");

  W<QToolButton>("sbGUIBrowseEditMode")->click();
  ASSERT_TRUE(WaitMode("on"));
  EXPECT_FALSE(tab_->Editor()->BrowseMode());
  EXPECT_TRUE(tab_->Editor()->ShowDetails());
  // The outlines are not part of the document.
  EXPECT_FALSE(tab_->Editor()->DocumentHtml().contains("outline"));

  auto* element = W<TRichEditEx>("RichEditGUITab04Element");
  Pane()->RunScript("document.getElementById('para').click(); 1");
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return element->toPlainText().contains("id=\"para\""); }, kWait));
  EXPECT_TRUE(element->toPlainText().contains(QString::fromUtf8("本文")));
  // While the window's source window shows, clicked elements go there.
  W<QToolButton>("sbGUIFormSource")->click();
  TRichEditEx* floating = form_->SourceWindow()->RichEditSource();
  Pane()->RunScript("document.getElementById('box').click(); 1");
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return floating->toPlainText().contains("id=\"box\""); }, kWait));
  W<QToolButton>("sbGUIFormSource")->click();
  EXPECT_FALSE(form_->SourceWindow()->isVisible());

  // Pasted HTML arrives as its plain text.
  Pane()->RunScript(
      "var p = document.getElementById('para'); p.focus();"
      "getSelection().selectAllChildren(p); getSelection().collapseToEnd();"
      "var d = new DataTransfer(); d.setData('text/plain', 'PLAIN');"
      "d.setData('text/html', '<b id=\"bold\">BOLD</b>');"
      "p.dispatchEvent(new ClipboardEvent('paste', {clipboardData: d, bubbles: true,"
      " cancelable: true})); 1");
  const QString html = tab_->Editor()->DocumentHtml();
  EXPECT_TRUE(html.contains("PLAIN")) << html.toStdString();
  EXPECT_FALSE(html.contains("bold"));

  // The document as edited, normalised, saved under the page's name.
  W<QPushButton>("btnGUIInnerHtml")->click();
  EXPECT_TRUE(W<TRichEditEx>("RichEditGUITab09Document")->toPlainText().contains("PLAIN"));
  prompter_.save_as = (dir_ / "saved.html").string();
  W<QPushButton>("btnGUIInnerHtmlSave")->click();
  EXPECT_EQ(prompter_.dialogs.back(), "p.html");
  std::ifstream saved(dir_ / "saved.html", std::ios::binary);
  EXPECT_TRUE(saved.good());
  EXPECT_EQ(prompter_.informed.back(),
            "ファイル【 " + (dir_ / "saved.html").string() + " 】が保存されました");
  prompter_.save_as = (dir_ / "no-such-folder/" / std::string(300, 'x')).string();
  W<QPushButton>("btnGUIInnerHtmlSave")->click();
  EXPECT_EQ(prompter_.informed.back(), "ファイルとしての保存に失敗しました");
}

TEST_F(AnalysisTabTest, HandedOverAddressOpensAndBrowseModeLinksFollow) {
  form_->ShowTab(TabId::Download);
  ASSERT_TRUE(Open([&] { form_->HandOver(TabId::GuiAnalysis, Url("/a/p.html")); }));
  EXPECT_EQ(W<QLineEdit>("EditGUIUrl")->text(), Url("/a/p.html"));
  ASSERT_TRUE(WaitMode("off"));
  ASSERT_TRUE(Open([&] { Pane()->RunScript("document.getElementById('link').click(); 1"); }));
  EXPECT_EQ(W<QLineEdit>("EditGUIUrl")->text(), Url("/a/q.html"));
  EXPECT_TRUE(tab_->Analysis().css_list.empty());
}

TEST_F(AnalysisTabTest, LocalFilesWithFramesAskFirst) {
  const std::string frameset = WriteFile("f.html", "<html><FRAMESET><frame src=a.html></FRAMESET>");
  tab_->OpenLocalFile(QString::fromStdString(frameset));
  ASSERT_EQ(prompter_.informed.size(), 1u);
  EXPECT_EQ(prompter_.informed[0], "「FRAMSET」があります");
  EXPECT_TRUE(W<QLineEdit>("BtnEditGUILocalFilename")->text().isEmpty());

  WriteFile("l.css", "local{}");
  const std::string page =
      WriteFile("i.html",
                "<html><head><link rel=stylesheet href=\"l.css\"></head><body><p id=x>x</p>"
                "<iframe src=\"f.html\" width=9></iframe></body></html>");
  prompter_.answer = Prompter::Answer::No;
  tab_->OpenLocalFile(QString::fromStdString(page));
  ASSERT_EQ(prompter_.questions.size(), 1u);
  EXPECT_EQ(prompter_.questions[0], "「IFRAME」があります。読み込みますか？");
  EXPECT_TRUE(W<QLineEdit>("BtnEditGUILocalFilename")->text().isEmpty());

  prompter_.answer = Prompter::Answer::Yes;
  ASSERT_TRUE(Open([&] { tab_->OpenLocalFile(QString::fromStdString(page)); }));
  EXPECT_TRUE(QApplication::clipboard()->text().contains(
      QString::fromUtf8("<!-- ●● <iframe src=\"f.html\" width=9> ●●-->")));
  EXPECT_EQ(W<QLineEdit>("BtnEditGUILocalFilename")->text(), QString::fromStdString(page));
  EXPECT_TRUE(W<QLineEdit>("EditGUIUrl")->text().isEmpty());
  EXPECT_EQ(Lines("ListBoxGUICSS"),
            QStringList{"l.css\t" + QString::fromStdString((dir_ / "l.css").string())});
  EXPECT_TRUE(W<TRichEditEx>("RichEditGUITab05CSS")->toPlainText().contains("local{}"));
  // A local file opens in edit mode; its scripts cannot read other files.
  EXPECT_TRUE(WaitMode("on"));
  EXPECT_EQ(Pane()
                ->RunScript("var x = new XMLHttpRequest(); try { x.open('GET', 'file://" +
                            QString::fromStdString((dir_ / "l.css").string()) +
                            "', false); x.send(); x.responseText } catch (e) { 'refused' }")
                .toString(),
            "refused");
}

// A document of more than 2 MB is put into the control through a file.
TEST_F(AnalysisTabTest, LargeDocumentsReachTheControl) {
  const QString body = QString(3'000'000, QLatin1Char('x'));
  QSignalSpy loaded(Pane(), &BrowserPane::DocumentComplete);
  tab_->Editor()->SetDocumentHtml("<html><body><p id=big>" + body + "</p></body></html>");
  ASSERT_TRUE(QTest::qWaitFor([&] { return loaded.count() > 0; }, kWait));
  EXPECT_EQ(Pane()->RunScript("document.getElementById('big').textContent.length").toInt(),
            3'000'000);
}

}  // namespace
}  // namespace kaplo::gui
