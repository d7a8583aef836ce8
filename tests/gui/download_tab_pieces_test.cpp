// The download tab's smaller pieces: the header probe, what navigating and
// a job's start clear, the saved page opened and saved again, the code a
// stylesheet's file is read in, the image save dialog, and the head's
// stylesheets handed to the page analysis tab.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <fstream>
#include <iterator>

#include "engine/http_server_support.h"
#include "gui/common/gui_util.h"
#include "gui/download_tab_fixture.h"
#include "gui/tabs/analysis/analysis_tab.h"
#include "gui/widgets/informbox_form.h"
#include "gui/widgets/keyword_bar.h"
#include "gui/widgets/radio_group.h"
#include "shell/messages.h"
#include "text/convert.h"

// What the tab hands to the desktop lands here instead of a program.
class OpenedFiles : public QObject {
  Q_OBJECT

 public slots:
  void Open(const QUrl& url) { opened << url.toLocalFile(); }

 public:
  QStringList opened;
};

namespace kaplo::gui {
namespace {

using DownloadTabPieces = DownloadTabTest;

void ServePage(test::LocalServer& server) {
  server.server().Get("/p/index.html", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(
        "<html><head><title>t</title><link rel=\"stylesheet\" href=\"s.css\"></head>"
        "<body><p>hello</p></body></html>",
        "text/html");
  });
  server.server().Get("/p/s.css", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("p { color: red; }", "text/css");
  });
}

TEST_F(DownloadTabPieces, HttpGetShowsTheAnswerInTheInformationWindowOrSaysNothingWasFound) {
  test::LocalServer server;
  server.server().Get("/doc.zip", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Last-Modified", "Wed, 21 Oct 2015 07:28:00 GMT");
    res.set_content(std::string(1234, 'z'), "application/zip");
  });
  server.Start();
  TInformboxForm& box = *form_->InformationWindow();
  box.LabelInfo()->setText(QStringLiteral("stale"));
  QString label = QStringLiteral("unread"), upper, lower;
  int shown = 0;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (QApplication::activeModalWidget() != &box) return;
    ++shown;
    label = box.LabelInfo()->text();
    upper = box.MemoTop()->toPlainText();
    lower = box.MemoBottom()->toPlainText();
    box.accept();
  });
  answer.start(20);

  SetUrl(" " + server.Url("/doc.zip") + " ");
  W<QAbstractButton>("sbDLHTTPGet")->click();
  ASSERT_TRUE(WaitFor([&] { return shown > 0; }, 60000));
  EXPECT_TRUE(label.isEmpty()) << label.toStdString();
  EXPECT_TRUE(lower.startsWith(QStringLiteral("HTTP/1.1 200 OK\n"))) << lower.toStdString();
  EXPECT_TRUE(lower.contains(QStringLiteral("Last-Modified: Wed, 21 Oct 2015 07:28:00 GMT")));
  const QString url = QString::fromStdString(server.Url("/doc.zip"));
  EXPECT_TRUE(upper.startsWith(url + "\n")) << upper.toStdString();
  EXPECT_TRUE(upper.contains(U("ファイルサイズ　　： 1234 バイト"))) << upper.toStdString();
  EXPECT_TRUE(upper.contains(U("最終更新日時　　： 2015年10月")));
  EXPECT_TRUE(upper.contains(U("ファイル名　　　　 ： doc.zip")));
  EXPECT_TRUE(prompter_.informed.empty());

  // Nobody answers: a notice, no window.
  SetUrl("http://127.0.0.1:1/x.html");
  W<QAbstractButton>("sbDLHTTPGet")->click();
  ASSERT_TRUE(WaitFor([&] { return !prompter_.informed.empty(); }, 60000));
  EXPECT_EQ(prompter_.informed[0], "指定したページまたはファイルが見つかりませんでした．");
  EXPECT_EQ(shown, 1);
}

TEST_F(DownloadTabPieces, NavigatingAndStartingAJobClearWhatTheLastPageShowed) {
  test::LocalServer server;
  ServePage(server);
  server.Start();
  const QString url = QString::fromStdString(server.Url("/p/index.html"));
  SetUrl(url.toStdString());
  W<QLineEdit>("BtnEditWBPageSaveFolder")->setText(Folder());
  W<QLineEdit>("EditTopPageHTMLFilename")->clear();
  ASSERT_TRUE(RunAndWait([&] { W<QPushButton>("btnDownloadAll")->click(); }));
  ASSERT_TRUE(tab_->LastResult().page_saved);

  // The empty top page name was taken as index.html, and the box says so.
  EXPECT_EQ(W<QLineEdit>("EditTopPageHTMLFilename")->text(), QStringLiteral("index.html"));
  EXPECT_EQ(W<QLabel>("LabelWebDownloadHTMLSrc")->text(), url);
  // The web source and the saved page are shown with room beside them.
  for (const char* name : {"PanelPGTab02RTab02HTMLSrcBody", "PanelPGTab02LTab09LocalFileHTMLBody"}) {
    auto* view = W<TRichEditEx>(name);
    ASSERT_NE(view, nullptr);
    EXPECT_FALSE(view->toPlainText().isEmpty()) << name;
    EXPECT_EQ(view->viewportMargins().left(), view->GutterWidth() + 40) << name;
    EXPECT_EQ(view->viewportMargins().right(), 30) << name;
  }

  // The local view's text saved again: every box and label names the file written.
  const std::string again = (dir_ / "save" / "again.html").string();
  prompter_.save_as = again;
  W<QPushButton>("btnDLSaveHTMLOnly")->click();
  ASSERT_TRUE(fs::is_regular_file(again));
  std::ifstream in(again, std::ios::binary);
  EXPECT_NE(std::string(std::istreambuf_iterator<char>(in), {}).find("hello"), std::string::npos);
  for (const char* name : {"LabelLocalHTMLSrc", "LabelLocalBrowserUrl"}) {
    EXPECT_EQ(W<QLabel>(name)->text().toStdString(), again) << name;
  }
  EXPECT_EQ(W<QLineEdit>("BtnEditWBLocalFilename")->text().toStdString(), again);

  // What the page left in the keyword boxes, the sheets and the labels.
  const QList<KeywordBar*> bars = tab_->findChildren<KeywordBar*>();
  ASSERT_EQ(bars.size(), 4);
  for (KeywordBar* bar : bars) {
    bar->Input()->setEditText(QStringLiteral("p"));
    bar->Results()->addItem(QStringLiteral("stale"));
  }
  for (const char* name : {"BtnEditPGTab02RTab07IndividualFilename",
                           "EditPGTab02RTab08ImageIndividualUrl",
                           "BtnEditPGTab02RTab08ImageIndividualFilename"}) {
    W<QLineEdit>(name)->setText(QStringLiteral("stale"));
  }
  W<TRichEditEx>("MemoPGTab02RTab07Individual")->setPlainText(QStringLiteral("stale"));
  W<TRichEditEx>("MemoPGTab02RTab06CSSJS")->setPlainText(QStringLiteral("stale"));
  W<QLabel>("LabelDLCSSJSWinFilename")->setText(QStringLiteral("stale"));
  ASSERT_GT(Lines("ListBoxPGTab02LTab02PageFileDownloaedCSSJS").size(), 0);

  // Navigating keeps the lists when asked, but not the outcomes.
  W<QAbstractButton>("CheckBoxDontWebListClear")->setChecked(true);
  ASSERT_TRUE(RunAndWait([&] { W<QPushButton>("sbDLNavigate")->click(); }));
  for (KeywordBar* bar : bars) {
    EXPECT_TRUE(bar->Input()->currentText().isEmpty()) << bar->Input()->objectName().toStdString();
    EXPECT_EQ(bar->Results()->count(), 0) << bar->Results()->objectName().toStdString();
  }
  for (const char* name : {"BtnEditPGTab02RTab07IndividualFilename",
                           "EditPGTab02RTab08ImageIndividualUrl",
                           "BtnEditPGTab02RTab08ImageIndividualFilename"}) {
    EXPECT_TRUE(W<QLineEdit>(name)->text().isEmpty()) << name;
  }
  EXPECT_TRUE(W<TRichEditEx>("MemoPGTab02RTab07Individual")->toPlainText().isEmpty());
  EXPECT_TRUE(W<TRichEditEx>("MemoPGTab02RTab06CSSJS")->toPlainText().isEmpty());
  EXPECT_TRUE(W<QLabel>("LabelDLCSSJSWinFilename")->text().isEmpty());
  EXPECT_TRUE(W<QLabel>("LabelLocalHTMLSrc")->text().isEmpty());
  EXPECT_TRUE(Lines("ListBoxPGTab02LTab02PageFileDownloaedCSSJS").isEmpty());
  EXPECT_FALSE(Lines("ListBoxPGTab02LTab02PageWebCSS").isEmpty());
  // The navigated page's address is what the source and the text sheet show.
  EXPECT_EQ(W<QLabel>("LabelWebDownloadHTMLSrc")->text(), url);
  EXPECT_EQ(W<QComboBox>("EditPGTab02RTab07IndividualUrl")->currentText(), url);
  EXPECT_EQ(W<QLabel>("LabelWebBrowserUrl")->text(), url);

  // A job that stops at its missing folder leaves no address of the last page over the panes.
  W<QLineEdit>("BtnEditWBPageSaveFolder")->setText(Folder() + "missing/");
  ASSERT_TRUE(RunAndWait([&] { W<QPushButton>("btnDownloadAll")->click(); }));
  ASSERT_EQ(tab_->LastResult().failure_kind, DownloadFailure::FolderNotFound);
  EXPECT_TRUE(W<QLabel>("LabelWebBrowserUrl")->text().isEmpty());
  EXPECT_TRUE(W<QLabel>("LabelLocalBrowserUrl")->text().isEmpty());
}

TEST_F(DownloadTabPieces, APercentEncodedAddressIsReadableOverTheAddressLabels) {
  test::LocalServer server;
  server.server().Get(".*", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("<html><body>x</body></html>", "text/html");
  });
  server.Start();
  const std::string encoded = server.Url("/%E6%97%A5%E6%9C%AC/a.html");
  SetUrl(encoded);
  ASSERT_TRUE(RunAndWait([&] { W<QPushButton>("sbDLNavigate")->click(); }));
  EXPECT_EQ(W<QLabel>("LabelWebBrowserUrl")->text().toStdString(), encoded);
  for (const char* label : {"LabelWebBrowserUrl", "LabelWebDownloadHTMLSrc"}) {
    EXPECT_EQ(W<QLabel>(label)->toolTip(), QString::fromStdString(server.Url("/日本/a.html")))
        << label;
  }
  // An address without a code to decode has no second reading.
  SetUrl(server.Url("/plain.html"));
  ASSERT_TRUE(RunAndWait([&] { W<QPushButton>("sbDLNavigate")->click(); }));
  EXPECT_TRUE(W<QLabel>("LabelWebBrowserUrl")->toolTip().isEmpty());
}

TEST_F(DownloadTabPieces, TheHeadsStylesheetsReachTheAnalysisTab) {
  test::LocalServer server;
  ServePage(server);
  server.Start();
  SetUrl(server.Url("/p/index.html"));
  W<QLineEdit>("BtnEditWBPageSaveFolder")->setText(Folder());
  ASSERT_TRUE(RunAndWait([&] { W<QPushButton>("btnDownloadAll")->click(); }));

  // The user goes to the analysis tab: its own list shows them.
  auto* analysis = dynamic_cast<AnalysisTab*>(form_->TabAt(TabId::GuiAnalysis));
  ASSERT_NE(analysis, nullptr);
  auto* list = analysis->findChild<QListWidget*>(QStringLiteral("ListBoxGUICSS"));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->count(), 0);
  ASSERT_EQ(tab_->Engine().Lists().analysis_stylesheets.size(), 1u);
  auto* main_tabs = W<QTabWidget>("PGMain");
  QWidget* page = analysis;
  while (page && main_tabs->indexOf(page) < 0) page = page->parentWidget();
  ASSERT_NE(page, nullptr);
  main_tabs->setCurrentIndex(main_tabs->indexOf(page));
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text(), QStringLiteral("s.css\t"));
  // The download tab keeps no copy of it.
  EXPECT_EQ(tab_->findChild<QListWidget*>(QStringLiteral("ListBoxGUICSS")), nullptr);
}

TEST_F(DownloadTabPieces, TheSavedFramesetOpensColouredAndGoesToTheDesktop) {
  test::LocalServer server;
  server.server().Get("/d/top.html", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(
        "<html><head><title>f</title></head><frameset cols=\"20%,80%\">"
        "<frame src=\"menu.html\"></frameset></html>",
        "text/html");
  });
  server.Start();
  SetUrl(server.Url("/d/top.html"));
  W<QLineEdit>("BtnEditWBPageSaveFolder")->setText(Folder());
  prompter_.save_as = Folder().toStdString() + "top.html";
  ASSERT_TRUE(RunAndWait([&] { W<QPushButton>("btnDownloadAll")->click(); }));
  ASSERT_TRUE(tab_->LastResult().page_saved);

  OpenedFiles desktop;
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &desktop, "Open");
  auto* native = W<TRichEditEx>("PanelPGTab02RTab04PDownloadBody");
  native->clear();
  W<QPushButton>("btnDLOpenFrameset")->click();
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
  EXPECT_TRUE(native->toPlainText().contains("<frameset")) << native->toPlainText().toStdString();
  EXPECT_TRUE(WaitFor([&] { return Colored(native); }));
  EXPECT_TRUE(QApplication::clipboard()->text().contains("<frameset"));
  const std::string saved = tab_->ConfirmedPage();
  EXPECT_TRUE(saved.ends_with("top.html")) << saved;
  EXPECT_EQ(desktop.opened.join('|').toStdString(), saved);
}

TEST_F(DownloadTabPieces, TheCodeBesideTheCssJsPageReadsAnOutcomesFile) {
  const fs::path file = dir_ / "save" / "euc.css";
  std::ofstream(file, std::ios::binary) << ShiftJISToEuc(Utf8ToShiftJIS("/* 日本語 */"));
  const std::string line = Utf8ToShiftJIS("◎") + file.string();
  auto* code = W<TRadioGroup>("RadioGroupDLCSSJSCode");
  ASSERT_NE(code, nullptr);
  // The download's own code choice does not decide it.
  W<TRadioGroup>("RadioGroupDLCSSJSCharSet")->SetItemIndex(3);
  auto* memo = W<TRichEditEx>("MemoPGTab02RTab07Individual");
  struct Case {
    int code;
    bool readable;
  };
  for (const Case c : {Case{0, true}, Case{1, true}, Case{3, false}}) {
    SCOPED_TRACE(c.code);
    code->SetItemIndex(c.code);
    memo->clear();
    tab_->DownloadListClick("ListBoxPGTab02LTab02PageFileDownloaedCSSJS", line);
    EXPECT_EQ(memo->toPlainText().contains(U("日本語")), c.readable) << memo->toPlainText().toStdString();
  }
}

TEST_F(DownloadTabPieces, AnImageFetchWithoutAFolderAsksWithTheImageDialog) {
  test::LocalServer server;
  server.server().Get("/", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string("GIF89a", 6) + std::string(20, '\0'), "image/gif");
  });
  server.Start();
  W<QLineEdit>("BtnEditWBPageSaveFolder")->clear();
  W<QLineEdit>("EditPGTab02RTab08ImageIndividualUrl")->setText(QString::fromStdString(server.Url("/")));
  prompter_.save_as = (dir_ / "save" / "chosen.gif").string();
  ASSERT_TRUE(RunAndWait([&] { W<QAbstractButton>("sbPGTab02RTab08ImageIndividualDownload")->click(); }));
  EXPECT_EQ(prompter_.image_dialogs, std::vector<std::string>{"dummy.gif"});
  EXPECT_TRUE(prompter_.dialogs.empty());
  EXPECT_EQ(fs::file_size(dir_ / "save" / "dummy.gif"), 26u);
  EXPECT_EQ(W<QLineEdit>("BtnEditWBPageSaveFolder")->text().toStdString(), Folder().toStdString());
}

}  // namespace
}  // namespace kaplo::gui

#include "download_tab_pieces_test.moc"
