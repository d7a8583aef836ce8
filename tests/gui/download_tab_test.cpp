// The download tab: a whole job from the window against a local server, the
// questions through an injected prompter, the frame list, and the stop
// button while the worker sits in a slow fetch.
#include "gui/common/require.h"
#include "gui/tabs/download/download_tab.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/http_server_support.h"
#include "gui/common/gui_util.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/informbox_form.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/window/main_form.h"
#include "gui/download_tab_fixture.h"
#include "support/window_support.h"
#include "shell/messages.h"
#include "text/convert.h"

namespace kaplo::gui {
namespace {

TEST_F(DownloadTabTest, WholeJobFromTheTabAsksSavesListsAndShowsTheResult) {
  test::LocalServer server;
  server.server().Get("/index.html", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(
        "<html><head><title>t</title><link rel=\"stylesheet\" href=\"s.css\"></head>"
        "<body><p>hello</p><img src=\"a.png\"></body></html>",
        "text/html");
  });
  server.server().Get("/s.css", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("p { color: red; }", "text/css");
  });
  server.server().Get("/a.png", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string("\x89PNG\r\n\x1a\n", 8), "image/png");
  });
  server.Start();

  // No page named: the tab asks, and No appends index.html.
  SetUrl(server.Url(""));
  W<QLineEdit>("BtnEditWBPageSaveFolder")->setText(Folder());
  prompter_.answer = Prompter::Answer::No;
  // The web archive and the one-file page beside the page, as the settings ask.
  W<QAbstractButton>("CheckBoxDLWarc")->setChecked(true);
  W<QAbstractButton>("CheckBoxDLSingleFile")->setChecked(true);
  ASSERT_TRUE(RunAndWait([&] { W<QPushButton>("btnDownloadAll")->click(); }));

  ASSERT_EQ(prompter_.questions.size(), 1u);
  EXPECT_TRUE(fs::is_regular_file(dir_ / "save" / "index.warc.gz")) << form_->StatusPanel(0).toStdString();
  std::ifstream one(dir_ / "save" / "index.single.html", std::ios::binary);
  EXPECT_NE(std::string(std::istreambuf_iterator<char>(one), {}).find("<style>p { color: red; }"),
            std::string::npos);
  EXPECT_EQ(W<QComboBox>("ComboBoxWBUrl")->currentText().toStdString(), server.Url("/index.html"));
  const QString local = W<QLineEdit>("BtnEditWBLocalFilename")->text();
  ASSERT_FALSE(local.isEmpty());
  EXPECT_TRUE(fs::is_regular_file(local.toStdString())) << local.toStdString();
  EXPECT_TRUE(fs::exists(dir_ / "save" / "s.css"));
  EXPECT_TRUE(Lines("ListBoxPGTab02LTab02PageWebCSS").join('\n').contains("s.css"));
  EXPECT_TRUE(Lines("ListBoxPGTab02LTab03PageImage").join('\n').contains("a.png"));
  EXPECT_EQ(W<QLabel>("LabelDownloadedFile")->text(), U("【 ダウンロード完了 】"));
  // The download tab's own copy; the local page tab has its namesake.
  EXPECT_EQ(tab_->findChild<QLineEdit*>(QStringLiteral("BtnEditConfirmLocalHTMLFile"))->text(),
            local);
  const DownloadResult& result = tab_->LastResult();
  EXPECT_TRUE(result.page_saved);
  EXPECT_EQ(QString::fromStdString(ShiftJISToUtf8(result.saved_page)), local);
  EXPECT_EQ(result.stylesheet_counts.at(OutcomeMark::Saved), 1);
  // The saved copy opened from its folder asks the network for nothing.
  W<QPushButton>("btnDLCheckSaved")->click();
  ASSERT_EQ(prompter_.information.size(), 1u);
  EXPECT_EQ(prompter_.information[0], "保存ページはそのフォルダーだけで表示できます");
  // A second job neither empties the folder nor writes the reports again.
  EXPECT_TRUE(W<QAbstractButton>("CheckBoxDontEmptyFolder")->isChecked());
  EXPECT_TRUE(W<QAbstractButton>("CheckBoxDLDontMakeCSSlist")->isChecked());
  EXPECT_TRUE(W<QComboBox>("ComboBoxWBUrl")->findText(QString::fromStdString(server.Url("/index.html"))) >= 0);
  // The source view got the page, in colour and with line numbers.
  auto* source = W<TRichEditEx>("PanelPGTab02RTab02HTMLSrcBody");
  ASSERT_NE(source, nullptr);
  EXPECT_TRUE(source->toPlainText().contains("hello"));
  EXPECT_TRUE(source->LineNumbers());
  EXPECT_TRUE(WaitFor([&] { return Colored(source); }));
  // Idle again.
  EXPECT_TRUE(W<QPushButton>("btnDownloadAll")->isEnabled());
  EXPECT_FALSE(W<QPushButton>("btnDownloadStop")->isEnabled());
  EXPECT_TRUE(W<QWidget>("btnDLOpenFrameset")->isEnabled());

  // The settings sheet in front shows the choices the job ran with.
  ShowPage("PGTab02RTab01Settings");
  QCoreApplication::processEvents();
  EXPECT_TRUE(W<QWidget>("RadioGroupDLFilnalOpenIE")->isVisible());
  SaveShot(form_.get(), QStringLiteral("download-tab"));
}

TEST_F(DownloadTabTest, AFailedJobSaysWhyInTheLabelAndTheStatusBar) {
  SetUrl("http://127.0.0.1:1/x.html");  // nothing listens there
  W<QLineEdit>("BtnEditWBPageSaveFolder")->setText(Folder());
  ASSERT_TRUE(RunAndWait([&] { W<QPushButton>("btnDownloadAll")->click(); }));
  const QString label = W<QLabel>("LabelDownloadedFile")->text();
  EXPECT_TRUE(label.startsWith(U("ページを取得できませんでした（"))) << label.toStdString();
  EXPECT_TRUE(label.contains(U("connection refused"))) << label.toStdString();
  EXPECT_TRUE(WaitFor([&] { return form_->StatusPanel(0) == label; }))
      << form_->StatusPanel(0).toStdString();
  EXPECT_FALSE(tab_->LastResult().page_saved);
  EXPECT_TRUE(W<QPushButton>("btnDownloadAll")->isEnabled());
}

TEST_F(DownloadTabTest, ListLinesFillTheSingleFileSheetsAndAnImageIsFetched) {
  test::LocalServer server;
  server.server().Get("/p/index.html", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(
        "<html><head><title>t</title><link rel=\"stylesheet\" href=\"s.css\"></head>"
        "<body><img src=\"img/a.png\"></body></html>",
        "text/html");
  });
  server.server().Get("/p/s.css", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("p {\n\n\n\tcolor: red; }\n", "text/css");
  });
  server.server().Get("/p/img/a.png", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string("\x89PNG\r\n\x1a\n", 8) + std::string(64, '\0'), "image/png");
  });
  server.Start();
  SetUrl(server.Url("/p/index.html"));
  W<QLineEdit>("BtnEditWBPageSaveFolder")->setText(Folder());
  ASSERT_TRUE(RunAndWait([&] { W<QPushButton>("btnDownloadAll")->click(); }));

  // A stylesheet line: its address and file in the sheet, its text fetched
  // with the blank lines squeezed, the sheet in front.
  auto* css = W<QListWidget>("ListBoxPGTab02LTab02PageWebCSS");
  ASSERT_GT(css->count(), 0);
  ASSERT_TRUE(RunAndWait([&] { emit css->itemClicked(css->item(0)); }));
  EXPECT_EQ(W<QComboBox>("EditPGTab02RTab07IndividualUrl")->currentText().toStdString(),
            server.Url("/p/s.css"));
  EXPECT_TRUE(W<QLineEdit>("BtnEditPGTab02RTab07IndividualFilename")->text().endsWith("s.css"));
  auto* memo = W<TRichEditEx>("MemoPGTab02RTab07Individual");
  EXPECT_EQ(memo->toPlainText(), QStringLiteral("p {\n  color: red; }\n"));
  EXPECT_EQ(W<QTabWidget>("PGTab02R")->currentWidget()->objectName(),
            QStringLiteral("PGTab02RTab07Individual"));

  // An outcome line reads the stored file at once (no fetch, no worker); a
  // missing one is named and reported.
  auto* outcomes = W<QListWidget>("ListBoxPGTab02LTab02PageFileDownloaedCSSJS");
  ASSERT_GT(outcomes->count(), 0);
  memo->clear();
  emit outcomes->itemClicked(outcomes->item(0));
  EXPECT_TRUE(memo->toPlainText().contains("color: red")) << memo->toPlainText().toStdString();
  fs::remove(dir_ / "save" / "p" / "s.css");
  prompter_.informed.clear();
  emit outcomes->itemClicked(outcomes->item(0));
  EXPECT_TRUE(W<QLabel>("LabelDLCSSJSWinFilename")->text().endsWith("s.css"));
  ASSERT_EQ(prompter_.informed.size(), 1u);
  EXPECT_EQ(prompter_.informed[0], "【 ファイル 】が見つかりません");

  // An image line fills the image sheet; the fetch stores it below the
  // save folder and shows the stored file.
  auto* images = W<QListWidget>("ListBoxPGTab02LTab03PageImage");
  ASSERT_GT(images->count(), 0);
  emit images->itemClicked(images->item(0));
  EXPECT_EQ(W<QLineEdit>("EditPGTab02RTab08ImageIndividualUrl")->text().toStdString(),
            server.Url("/p/img/a.png"));
  EXPECT_EQ(W<QTabWidget>("PGTab02R")->currentWidget()->objectName(),
            QStringLiteral("PGTab02RTab08ImageIndividual"));
  fs::remove_all(dir_ / "save" / "p");
  prompter_.informed.clear();
  ASSERT_TRUE(RunAndWait([&] { W<QAbstractButton>("sbPGTab02RTab08ImageIndividualDownload")->click(); }));
  const fs::path stored = dir_ / "save" / "p" / "img" / "a.png";
  EXPECT_EQ(fs::file_size(stored), 72u);
  EXPECT_EQ(W<QLineEdit>("BtnEditPGTab02RTab08ImageIndividualFilename")->text().toStdString(),
            stored.string());
  ASSERT_EQ(prompter_.informed.size(), 1u);
  EXPECT_NE(prompter_.informed[0].find("として保存されました"), std::string::npos);
  auto* pane = W<BrowserPane>("WebBrowserIndividualImage");
  EXPECT_TRUE(WaitFor([&] { return pane->LocationURL().endsWith(QStringLiteral("img/a.png")); }));
  // Clear blanks the picture; the address and the file stay for the next fetch.
  W<QAbstractButton>("sbPGTab02RTab08ImageIndividualClear")->click();
  EXPECT_TRUE(WaitFor([&] { return pane->LocationURL() == QStringLiteral("about:blank"); }));
  EXPECT_EQ(W<QLineEdit>("EditPGTab02RTab08ImageIndividualUrl")->text().toStdString(),
            server.Url("/p/img/a.png"));
  EXPECT_EQ(W<QLineEdit>("BtnEditPGTab02RTab08ImageIndividualFilename")->text().toStdString(),
            stored.string());

  QCoreApplication::processEvents();
  EXPECT_TRUE(pane->isVisible());
  SaveShot(tab_, QStringLiteral("image-sheet"));
}

TEST_F(DownloadTabTest, TextSheetFetchesToAChosenFileAndShowsIt) {
  test::LocalServer server;
  server.server().Get("/js/app.js", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("var a = 1;\r\n\r\n\r\nvar b = 2;\r\n", "application/javascript");
  });
  server.server().Get("/none.js", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("", "application/javascript");
  });
  server.Start();
  ShowPage("PGTab02RTab07Individual");
  auto* url = W<QComboBox>("EditPGTab02RTab07IndividualUrl");
  auto* memo = W<TRichEditEx>("MemoPGTab02RTab07Individual");

  // Nothing came back: the memo says so, with the address.
  url->setEditText(QString::fromStdString(" " + server.Url("/none.js") + " "));
  ASSERT_TRUE(RunAndWait([&] { W<QAbstractButton>("sbPGTab02RTab07IndividualUrl")->click(); }));
  EXPECT_EQ(url->currentText().toStdString(), server.Url("/none.js"));
  EXPECT_TRUE(memo->toPlainText().contains(QString::fromStdString("Url ==>>" + server.Url("/none.js") + "<==")));

  // Fetching with an empty file box asks where; the file and its as-fetched
  // copy are written and the file is shown.
  url->setEditText(QString::fromStdString(server.Url("/js/app.js")));
  prompter_.save_as = (dir_ / "save" / "mine.js").string();
  ASSERT_TRUE(RunAndWait([&] { W<QAbstractButton>("sbPGTab02RTab07IndividualDownload")->click(); }));
  ASSERT_EQ(prompter_.dialogs.size(), 1u);
  EXPECT_EQ(prompter_.dialogs[0], "app.js");
  EXPECT_TRUE(fs::is_regular_file(dir_ / "save" / "app.js"));
  EXPECT_TRUE(fs::is_regular_file(dir_ / "save" / "ZZOrg_app.js"));
  EXPECT_EQ(W<QLineEdit>("BtnEditPGTab02RTab07IndividualFilename")->text().toStdString(),
            (dir_ / "save" / "app.js").string());
  EXPECT_TRUE(memo->toPlainText().startsWith(QStringLiteral("var a = 1;")));

  // The memo is edited and saved under the file box's name.
  memo->setPlainText(QStringLiteral("var c = 3;"));
  ASSERT_TRUE(RunAndWait([&] { W<QAbstractButton>("sbsbPGTab02RTab07IndividualSaveFile")->click(); }));
  std::ifstream in(dir_ / "save" / "app.js", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "var c = 3;");

  QCoreApplication::processEvents();
  EXPECT_TRUE(memo->isVisible());
  SaveShot(tab_, QStringLiteral("text-sheet"));
}

TEST_F(DownloadTabTest, RefreshPageIsShownColouredInTheInformationBox) {
  test::LocalServer server;
  server.server().Get("/r.html", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(
        "<html><head><meta http-equiv=\"refresh\" content=\"0;URL=http://127.0.0.1/x.html\">"
        "</head><body>moved</body></html>",
        "text/html");
  });
  server.Start();
  MakeForm(nullptr);
  TInformboxForm& box = *form_->InformationWindow();
  SetUrl(server.Url("/r.html"));
  W<QLineEdit>("BtnEditWBPageSaveFolder")->setText(Folder());

  // The modal windows are answered as they come: the information box is
  // read and closed, the question to go on is read and answered No.
  QString label, text, question_text;
  int shown = 0, asked = 0;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == &box) {
      if (!Colored(box.MemoTop())) return;
      ++shown;
      label = box.LabelInfo()->text();
      text = box.MemoTop()->toPlainText();
      box.accept();
    } else if (auto* question = qobject_cast<QMessageBox*>(modal)) {
      ++asked;
      question_text = question->text();
      question->done(QMessageBox::No);
    }
  });
  answer.start(20);
  ASSERT_TRUE(RunAndWait([&] { W<QPushButton>("btnDownloadAll")->click(); }));
  EXPECT_EQ(shown, 1) << "the information box, coloured, once";
  EXPECT_EQ(label, QsFromSjis(msg::RefreshRedirect()));
  EXPECT_TRUE(text.contains("http-equiv=\"refresh\"")) << text.toStdString();
  EXPECT_TRUE(text.contains("moved"));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(question_text, QsFromSjis(msg::GoOn()));
  // The page before the redirect is in front, and the target waits in the
  // URL box for the next job; this one stopped before the folder was touched.
  QWidget* first_fetch = W("PGTab02RTab09FirstFetch");
  ASSERT_NE(first_fetch, nullptr);
  EXPECT_EQ(W<QTabWidget>("PGTab02R")->currentWidget(), first_fetch);
  EXPECT_TRUE(W<TRichEditEx>("RichEditWebPageDownloadHTMLFirst")->toPlainText().contains("moved"));
  EXPECT_EQ(W<QComboBox>("ComboBoxWBUrl")->currentText(), QStringLiteral("http://127.0.0.1/x.html"));
  EXPECT_TRUE(fs::is_empty(dir_ / "save"));
  EXPECT_FALSE(tab_->LastResult().page_saved);
}

TEST_F(DownloadTabTest, FramesetPageListsItsFramesAndAClickDownloadsOne) {
  test::LocalServer server;
  server.server().Get("/d/top.html", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(
        "<html><head><title>f</title></head><frameset cols=\"20%,80%\">"
        "<frame src=\"menu.html\"><frame src=\"main.html\"></frameset></html>",
        "text/html");
  });
  server.server().Get("/d/menu.html", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("<html><head><title>m</title></head><body>menu</body></html>", "text/html");
  });
  server.Start();

  SetUrl(server.Url("/d/top.html"));
  W<QLineEdit>("BtnEditWBPageSaveFolder")->setText(Folder());
  prompter_.save_as = Folder().toStdString() + "top.html";
  ASSERT_TRUE(RunAndWait([&] { W<QPushButton>("btnDownloadAll")->click(); }));

  EXPECT_EQ(prompter_.dialogs.size(), 1u);
  ASSERT_EQ(prompter_.information.size(), 1u);
  EXPECT_NE(prompter_.information[0].find("Ｆｒａｍｅｓｅｔ"), std::string::npos);
  ASSERT_EQ(Lines("ListBoxWBInFrameFileList"), (QStringList{"main.html", "menu.html"}));
  EXPECT_TRUE(W<QWidget>("btnDLOpenFrameset")->isEnabled());

  // Clicking an entry runs a whole job for that frame page.
  auto* frames = W<QListWidget>("ListBoxWBInFrameFileList");
  frames->setCurrentRow(1);
  ASSERT_TRUE(RunAndWait([&] { tab_->ListBoxWBInFrameFileListClick(); }));
  EXPECT_EQ(W<QLineEdit>("EditFrameLinkUrl")->text(), QStringLiteral("menu.html"));
  const QString local = W<QLineEdit>("BtnEditWBLocalFilename")->text();
  EXPECT_TRUE(local.contains("menu.html")) << local.toStdString();
  EXPECT_TRUE(fs::is_regular_file(local.toStdString()));
  // The container's list stays for the next frame.
  EXPECT_EQ(frames->count(), 2);
}

TEST_F(DownloadTabTest, StopDuringASlowJobReturnsToIdleWhileTheWindowKeepsWorking) {
  constexpr int kImages = 30;
  test::LocalServer server;
  std::atomic<int> slow_requests{0};
  std::atomic<bool> release{false};
  server.server().Get("/slow.html", [](const httplib::Request&, httplib::Response& res) {
    std::string body = "<html><head><title>s</title></head><body>";
    for (int i = 0; i < kImages; ++i) body += "<img src=\"i" + std::to_string(i) + ".png\">";
    res.set_content(body + "</body></html>", "text/html");
  });
  server.server().Get(R"(/i(\d+)\.png)", [&](const httplib::Request& req, httplib::Response& res) {
    // Only the engine's fetches are slow; the browser pane gets its images at once.
    if (req.get_header_value("User-Agent").find("QtWebEngine") == std::string::npos) {
      ++slow_requests;
      for (int i = 0; i < 100 && !release; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    }
    res.set_content(std::string("\x89PNG\r\n\x1a\n", 8), "image/png");
  });
  server.Start();

  SetUrl(server.Url("/slow.html"));
  W<QLineEdit>("BtnEditWBPageSaveFolder")->setText(Folder());
  auto* all = W<QPushButton>("btnDownloadAll");
  auto* stop = W<QPushButton>("btnDownloadStop");
  EXPECT_FALSE(stop->isEnabled());
  QSignalSpy done(tab_, &DownloadTab::JobFinished);
  all->click();

  // On a loaded machine the job took over 30 s to reach its images.
  ASSERT_TRUE(WaitFor([&] { return slow_requests > 0 && stop->isEnabled(); }, 90000));
  // Running: only the stop button acts, in bold.
  EXPECT_FALSE(all->isEnabled());
  EXPECT_FALSE(W<QWidget>("btnDLOpenFrameset")->isEnabled());
  EXPECT_FALSE(W<QWidget>("sbWinFileIE")->isEnabled());
  EXPECT_TRUE(stop->font().bold());

  // The worker waits in a fetch; the window's timers still fire.
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start(10);
  ASSERT_TRUE(WaitFor([&] { return ticks >= 5; }, 20000));
  EXPECT_EQ(done.count(), 0);

  stop->click();
  EXPECT_FALSE(stop->isEnabled());
  EXPECT_FALSE(stop->font().bold());
  release = true;
  ASSERT_TRUE(WaitFor([&] { return done.count() > 0; }));

  EXPECT_TRUE(all->isEnabled());
  EXPECT_FALSE(stop->isEnabled());
  EXPECT_TRUE(W<QWidget>("btnDLOpenFrameset")->isEnabled());
  // The image loop ended early.
  EXPECT_LT(W<QListWidget>("ListBoxPGTab02LTab03PageImageDownloaedImage")->count(), kImages);
}

TEST_F(DownloadTabTest, SameSiteBoxSavesTheLinkedPagesWithOneStylesheetFetch) {
  test::LocalServer server;
  std::atomic<int> css_hits{0};
  const auto page = [](const std::string& body) {
    return "<html><head><link rel=\"stylesheet\" href=\"s.css\"></head><body>" + body +
           "</body></html>";
  };
  server.server().Get("/index.html", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(page("<a href=\"a.html\">a</a>"), "text/html");
  });
  server.server().Get("/a.html", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(page("<a href=\"index.html\">up</a> <a href=\"b.html\">b</a>"), "text/html");
  });
  server.server().Get("/s.css", [&](const httplib::Request& req, httplib::Response& res) {
    // The job's own fetches; the web pane showing the live page asks too.
    if (req.get_header_value("User-Agent") == "MyApp") ++css_hits;
    res.set_content("p { color: red; }", "text/css");
  });
  server.Start();

  ShowPage("PGTab02RTab01Settings");
  W<QAbstractButton>("CheckBoxDLSameSite")->setChecked(true);
  W<QSpinBox>("SpinDLDepth")->setValue(1);
  SetUrl(server.Url("/index.html"));
  W<QLineEdit>("BtnEditWBPageSaveFolder")->setText(Folder());
  ASSERT_TRUE(RunAndWait([&] { W<QPushButton>("btnDownloadAll")->click(); }));

  EXPECT_TRUE(tab_->LastResult().page_saved);
  ASSERT_TRUE(fs::exists(dir_ / "save" / "a.html"));
  EXPECT_FALSE(fs::exists(dir_ / "save" / "b.html"));  // one link deep only
  EXPECT_EQ(css_hits.load(), 1);
  std::ifstream in(dir_ / "save" / "a.html");
  const std::string a((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(a.find("href=\"index.html\""), std::string::npos) << a;
  EXPECT_NE(a.find("href=\"" + server.Url("/b.html") + "\""), std::string::npos) << a;
}

}  // namespace
}  // namespace kaplo::gui
