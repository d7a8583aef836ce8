// The local page tab in the window: a page downloaded from a local server
// shown with its first-fetched copy and report lists, keyword search and
// browser highlighting on it, saving in another code, the path box rules,
// the combined file with its colour list, and link clicks.
#include "gui/tabs/local_page/local_page_tab.h"
#include "gui/common/require.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTextBlock>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "engine/http_server_support.h"
#include "gui/tabs/download/download_tab.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/window/main_form.h"
#include "support/window_support.h"
#include "text/convert.h"

namespace kaplo::gui {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void Write(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

class LocalPageTabTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "save");
    form_ = OpenTestWindow(dir_ / "KAPLO.inf", &prompter_);
    tab_ = dynamic_cast<LocalPageTab*>(form_->TabAt(TabId::LocalPage));
    ASSERT_NE(tab_, nullptr);
    tab_->SetFileDialog([this](const char* dialog, const QString&) {
      dialogs_.push_back(dialog);
      return answer_;
    });
    form_->resize(1400, 900);
    form_->show();
  }
  void TearDown() override { form_.reset(); }
  // Controls of the local tab only: the download tab has namesakes.
  template <typename T = QWidget>
  T* W(const char* name) {
    return Find<T>(tab_, name);
  }
  void Enter() {
    auto* pg = form_->findChild<QTabWidget*>(QStringLiteral("PGMain"));
    pg->setCurrentIndex(0);
    pg->setCurrentWidget(form_->findChild<QWidget*>(QStringLiteral("PGMainTab03BrowseLocalFile")));
  }
  QString Q(const fs::path& p) { return QString::fromStdString(p.string()); }
  QStringList Entries(const char* list) { return ListLines(tab_, list); }

  TestFolder dir_{"localtab"};
  ScriptedPrompter prompter_;
  std::unique_ptr<TAMainForm> form_;
  LocalPageTab* tab_ = nullptr;
  QString answer_;
  std::vector<std::string> dialogs_;
};

TEST_F(LocalPageTabTest, ShowsADownloadedPageWithItsCopyListsSearchHighlightAndSave) {
  test::LocalServer server;
  server.server().Get("/index.html", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">"
        "<title>t</title><link rel=\"stylesheet\" href=\"s.css\"></head>\r\n"
        "<body>\r\n<p>hello <b>world</b> Hello</p><img src=\"a.png\"></body></html>",
        "text/html");
  });
  server.server().Get("/s.css", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("p { color: #c00; }", "text/css");
  });
  server.server().Get("/a.png", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string("\x89PNG\r\n\x1a\n", 8), "image/png");
  });
  server.Start();

  auto* download = dynamic_cast<DownloadTab*>(form_->TabAt(TabId::Download));
  form_->ShowTab(TabId::Download);
  form_->findChild<QComboBox*>(QStringLiteral("ComboBoxWBUrl"))
      ->setEditText(QString::fromStdString(server.Url("/index.html")));
  form_->findChild<QLineEdit*>(QStringLiteral("BtnEditWBPageSaveFolder"))
      ->setText(Q(dir_ / "save") + "/");
  QSignalSpy done(download, &DownloadTab::JobFinished);
  form_->findChild<QPushButton*>(QStringLiteral("btnDownloadAll"))->click();
  ASSERT_TRUE(WaitFor([&] { return done.count() > 0; }, 60000));

  Enter();
  const fs::path page = dir_ / "save" / "index.html";
  EXPECT_EQ(W<QLineEdit>("BtnEditConfirmLocalHTMLFile")->text(), Q(page));
  auto* html = W<TRichEditEx>("RichEditPGMainTab03LocalRightTab01HTML");
  EXPECT_TRUE(html->toPlainText().contains("hello <b>world</b>"));
  EXPECT_TRUE(W<QCheckBox>("CheckBoxLocalDontLoad")->isChecked());
  EXPECT_EQ(W<QLineEdit>("BtnEditLocalFileOrgHTML")->text(), Q(dir_ / "save" / "ZZOrg_index.html"));
  // Entering again keeps what the pane shows; the page saved again loads afresh.
  html->setPlainText(QStringLiteral("edited"));
  Enter();
  EXPECT_EQ(html->toPlainText(), QStringLiteral("edited"));
  form_->ShowTab(TabId::Download);
  form_->findChild<QPushButton*>(QStringLiteral("btnDownloadAll"))->click();
  ASSERT_TRUE(WaitFor([&] { return done.count() > 1; }, 60000));
  Enter();
  EXPECT_TRUE(html->toPlainText().contains("hello <b>world</b>"));
  EXPECT_TRUE(W<QCheckBox>("CheckBoxLocalDontLoad")->isChecked());

  // The first-fetched copy and the two report lists, each by its go button.
  W<QPushButton>("sbConfirmLocaHTMLOrgHTMLGo")->click();
  EXPECT_TRUE(W<TRichEditEx>("RichEditPGMainTab03LocalLeftTab06OrgHTML")->toPlainText().contains(
      "<b>world</b>"));
  W<QPushButton>("sbConfirmLocaCSSJSListOpenFileGo")->click();
  EXPECT_TRUE(W<TRichEditEx>("RichEditPGMainTab03LocalLeftTab03FileList")->toPlainText().contains("s.css"));
  EXPECT_EQ(W<TRichEditEx>("RichEditPGMainTab03LocalRightTab03FileList")->toPlainText(),
            W<TRichEditEx>("RichEditPGMainTab03LocalLeftTab03FileList")->toPlainText());
  W<QPushButton>("sbConfirmLocalFileImageListOpenFileGo")->click();
  EXPECT_TRUE(W<TRichEditEx>("RichEditPGMainTab03LocalLeftTab04ImageList")->toPlainText().contains("a.png"));

  // A keyword search of the HTML pane; a click on an entry moves the caret.
  W<QComboBox>("ComboBoxDLHTMLSearch")->setEditText(QStringLiteral("hello"));
  W<QPushButton>("sbLocaFileSearchKeyWodGo")->click();
  const int line = html->document()->find(QStringLiteral("hello")).block().blockNumber();
  const QString entry = QStringLiteral("%1/04").arg(line + 1, 4);
  EXPECT_EQ(Entries("ListBoxPGMainTab03LocalLeftTab02THTMLSearchList"), QStringList{entry});
  auto* results = W<QListWidget>("ListBoxPGMainTab03LocalLeftTab02THTMLSearchList");
  QTextCursor c = html->textCursor();
  c.setPosition(0);
  html->setTextCursor(c);
  emit results->itemClicked(results->item(0));
  EXPECT_EQ(html->textCursor().position(), html->document()->findBlockByNumber(line).position() + 3);
  EXPECT_EQ(W<QLabel>("LabelLocalHTMLLineColumnNo")->text(), entry);

  // Browser highlighting: every "hello", whatever its case, in the first span.
  auto* browser = W<BrowserPane>("WebBrowserConfirmLocalFile");
  ASSERT_TRUE(WaitFor([&] { return browser->ReadyState() == BrowserPane::kComplete; }));
  W<QComboBox>("ComboBoxLocalBrowserSearch")->setEditText(QStringLiteral("HELLO world"));
  W<QPushButton>("sbDLLocalBrowserSearch")->click();
  const QString body = browser->RunScript(QStringLiteral("document.body.innerHTML")).toString();
  EXPECT_EQ(body.count(U("<span style=\"background-color: red ; font-weight: bolder;\">")), 2)
      << body.toStdString();
  EXPECT_TRUE(body.contains(
      U("<b><span style=\"background-color: yellow ; font-weight: bolder;\">world</span></b>")));

  // Saving in EUC-JP rewrites the declaration and says so.
  W<TRadioGroup>("RadioGroupLocalFileSaveCharset")->SetItemIndex(1);
  answer_ = Q(dir_ / "euc.html");
  W<QPushButton>("sbSaveLocaHTMLFile")->click();
  const std::string saved = Read(dir_ / "euc.html");
  EXPECT_NE(saved.find("charset=euc-jp\""), std::string::npos) << saved;
  EXPECT_EQ(saved.find("Shift_JIS"), std::string::npos);
  ASSERT_FALSE(prompter_.informed.empty());
  EXPECT_EQ(prompter_.informed.back(),
            "ファイル【 " + (dir_ / "euc.html").string() + " 】が保存されました");
  // Kept as loaded when asked; a file that cannot be written is reported.
  W<QCheckBox>("CheckBoxLocalDontChnageCharset")->setChecked(true);
  answer_ = Q(dir_ / "kept.html");
  W<QPushButton>("sbSaveLocaHTMLFile")->click();
  EXPECT_NE(Read(dir_ / "kept.html").find("charset=Shift_JIS\""), std::string::npos);
  Write(dir_ / "blocker", "x");
  answer_ = Q(dir_ / "blocker" / "x.html");
  W<QPushButton>("sbSaveLocaHTMLFile")->click();
  EXPECT_EQ(prompter_.informed.back(), "ファイルとしての保存に失敗しました");

  // The notice and the path box name the file as the save path wrote it; a
  // name it refuses is a failure, even beside an older file of that name.
  Write(dir_ / "old+copy.html", Read(dir_ / "kept.html"));
  struct Case {
    const char* chosen;
    const char* written;  // empty: nothing written
  };
  for (const Case& c : {Case{"a:b.html", "a;b.html"}, Case{"old+copy.html", ""}}) {
    SCOPED_TRACE(c.chosen);
    answer_ = Q(dir_ / c.chosen);
    prompter_.informed.clear();
    W<QPushButton>("sbSaveLocaHTMLFile")->click();
    ASSERT_EQ(prompter_.informed.size(), 1u);
    if (*c.written) {
      EXPECT_EQ(prompter_.informed[0],
                "ファイル【 " + (dir_ / c.written).string() + " 】が保存されました");
      EXPECT_EQ(W<QLineEdit>("BtnEditConfirmLocalHTMLFile")->text(), Q(dir_ / c.written));
      EXPECT_FALSE(std::filesystem::exists(dir_ / c.chosen));
    } else {
      EXPECT_EQ(prompter_.informed[0], "ファイルとしての保存に失敗しました");
    }
  }
}

TEST_F(LocalPageTabTest, PathBoxRulesAndPaste) {
  Write(dir_ / "site" / "page.html", "<html><body>page</body></html>");
  Write(dir_ / "site" / "archive.mht", "MIME-Version: 1.0\r\n\r\nmht body");
  auto* path = W<QLineEdit>("BtnEditConfirmLocalHTMLFile");
  auto* html = W<TRichEditEx>("RichEditPGMainTab03LocalRightTab01HTML");
  // Loading a page empties the left list; the right-hand copy keeps its text.
  auto* left_list = W<TRichEditEx>("RichEditPGMainTab03LocalLeftTab03FileList");
  auto* right_list = W<TRichEditEx>("RichEditPGMainTab03LocalRightTab03FileList");
  left_list->setPlainText(QStringLiteral("list"));
  right_list->setPlainText(QStringLiteral("list"));
  struct Case {
    fs::path typed;
    const char* want;  // text the HTML pane gets; null: left as it was
  } cases[] = {
      {dir_ / "site" / "page", "page</body>"},
      {dir_ / "site" / "archive.mht", "mht body"},
      {dir_ / "site" / "missing", nullptr},
  };
  for (const Case& c : cases) {
    html->setPlainText(QStringLiteral("before"));
    path->setText(Q(c.typed));
    W<QPushButton>("sbConfirmLocaHTMLGo")->click();
    EXPECT_TRUE(html->toPlainText().contains(c.want ? U(c.want) : QStringLiteral("before")))
        << c.typed;
  }
  EXPECT_TRUE(left_list->toPlainText().isEmpty());
  EXPECT_EQ(right_list->toPlainText(), QStringLiteral("list"));
  // A missing ".html" name empties the pane.
  path->setText(Q(dir_ / "site" / "gone.html"));
  W<QPushButton>("sbConfirmLocaHTMLGo")->click();
  EXPECT_TRUE(html->toPlainText().isEmpty());

  path->setText(QStringLiteral("kept"));
  QApplication::clipboard()->setText(Q(dir_ / "site" / "page.html"));
  W<QPushButton>("sbConfirmLocaHTMLFilePaste")->click();
  EXPECT_EQ(path->text(), QStringLiteral("kept"));
  QApplication::clipboard()->setText(QStringLiteral("  https://example.test/a.html "));
  W<QPushButton>("sbConfirmLocaHTMLFilePaste")->click();
  EXPECT_EQ(path->text(), QStringLiteral("https://example.test/a.html"));
}

TEST_F(LocalPageTabTest, CombinedFileAsksFirstThenListsItsColoursUnlessTold) {
  Write(dir_ / "ZU_all.txt", "body { color:#333 }\r\nh1,h2 { color:#c00 }\r\n");
  W<QLineEdit>("BtnEditLocalFileTotalCSSJS")->setText(Q(dir_ / "ZU_all.txt"));
  auto* view = W<TRichEditEx>("RichEditPGMainTab03LocalLeftTab02TotalCSSJS");
  auto* colours = W<QListWidget>("ListBoxListBoxPGMainTab03LocalLeftTab02TotalCSSSColorList");

  prompter_.answer = Prompter::Answer::No;
  W<QPushButton>("sbLocalCSSJSGo")->click();
  ASSERT_EQ(prompter_.questions.size(), 1u);
  EXPECT_EQ(prompter_.questions[0],
            "統合ﾌｧｲﾙの読み込みには時間がかかりますので、\r\n\r\n必要な場合のみｸﾘｯｸしてください。続けますか（はい）？");
  EXPECT_TRUE(view->toPlainText().isEmpty());

  prompter_.answer = Prompter::Answer::Yes;
  W<QPushButton>("sbLocalCSSJSGo")->click();
  EXPECT_TRUE(view->toPlainText().contains("#c00"));
  ASSERT_EQ(colours->count(), 2);
  EXPECT_EQ(colours->item(1)->text(), QStringLiteral("#c00         h1,h2"));
  EXPECT_EQ(view->viewportMargins().right(), 30);

  // A click searches the selector through the pane's bar.
  colours->setCurrentRow(1);
  emit colours->itemClicked(colours->item(1));
  EXPECT_EQ(W<QLineEdit>("EditLocalTotalCSS")->text(), QStringLiteral("#c00"));
  EXPECT_EQ(Entries("ListBoxPGMainTab03LocalLeftTab02TotalCSSSearchList"),
            (QStringList{QStringLiteral("   2/01"), QStringLiteral("   2/04")}));

  W<QCheckBox>("CheckBoxDontCheckBoxLocalTotalCSSColor")->setChecked(true);
  colours->clear();
  W<QPushButton>("sbLocalCSSJSGo")->click();
  EXPECT_EQ(colours->count(), 0);
}

TEST_F(LocalPageTabTest, ClicksFollowTheClickedLinkOnlyWhenAskedAndInnerHtmlKeepsCharacters) {
  Write(dir_ / "a.html", "<html><body><p>\xf0\x9f\x98\x80 smile</p></body></html>");
  Write(dir_ / "b.html", "<html><body>B</body></html>");
  auto* path = W<QLineEdit>("BtnEditConfirmLocalHTMLFile");
  W<TRadioGroup>("RadioGroupLocalFileLoadCharset")->SetItemIndex(2);
  path->setText(Q(dir_ / "a.html"));
  W<QPushButton>("sbConfirmLocaHTMLGo")->click();
  auto* browser = W<BrowserPane>("WebBrowserConfirmLocalFile");
  ASSERT_TRUE(WaitFor([&] {
    return browser->ReadyState() == BrowserPane::kComplete &&
           browser->LocationURL().endsWith(QStringLiteral("a.html"));
  }));
  EXPECT_TRUE(W<TRichEditEx>("RichEditPGMainTab03LocalRightTab01HTML")
                  ->toPlainText()
                  .contains(QStringLiteral("&#x1F600; smile")));

  W<QPushButton>("sbPGMainTab03LocalLeftTab05OuterHTML")->click();
  EXPECT_TRUE(W<TRichEditEx>("RichEditPGMainTab03LocalLeftTab05InnerHTML")
                  ->toPlainText()
                  .contains(QStringLiteral("&#x1F600; smile")));

  const QUrl b = QUrl::fromLocalFile(Q(dir_ / "b.html"));
  tab_->StatusTextChanged(QStringLiteral("https://example.test/hovered.html"));
  EXPECT_FALSE(tab_->LocalDocOnClick(b));
  EXPECT_EQ(path->text(), Q(dir_ / "a.html"));
  W<QCheckBox>("CheckBoxLocalChageUrl")->setChecked(true);
  EXPECT_FALSE(tab_->LocalDocOnClick(QUrl(QStringLiteral("javascript:alert(1)"))));
  EXPECT_EQ(path->text(), Q(dir_ / "a.html"));
  EXPECT_FALSE(tab_->LocalDocOnClick(b));
  EXPECT_EQ(path->text(), Q(dir_ / "b.html"));
  EXPECT_TRUE(WaitFor([&] { return browser->LocationURL().endsWith(QStringLiteral("b.html")); }));
}

TEST_F(LocalPageTabTest, ComparisonMarksTheDifferingLinesAndStepsThroughThem) {
  W<TRichEditEx>("RichEditPGMainTab03LocalRightTab01HTML")->SetSjisText("a\r\nb\r\nc\r\nd\r\ne\r\n");
  auto* ref = W<TRichEditEx>("RichEditPGMainTab03LocalRightTab04Ref");
  // Line ends differ everywhere; b changed, d removed, f added.
  ref->SetSjisText("a\nB\nc\ne\nf\n");
  W<QPushButton>("sbLocalRefCompare")->click();
  const auto marked = [&] {
    std::vector<int> lines;
    for (const QTextEdit::ExtraSelection& s : ref->extraSelections()) {
      lines.push_back(s.cursor.blockNumber());
    }
    return lines;
  };
  EXPECT_EQ(marked(), (std::vector<int>{1, 3, 4}));
  EXPECT_EQ(form_->StatusPanel(2), QString::fromUtf8(" 差分 3 箇所"));
  W<QPushButton>("sbLocalRefNextDiff")->click();
  EXPECT_EQ(ref->textCursor().blockNumber(), 1);
  W<QPushButton>("sbLocalRefNextDiff")->click();
  EXPECT_EQ(ref->textCursor().blockNumber(), 3);
  W<QPushButton>("sbLocalRefPrevDiff")->click();
  W<QPushButton>("sbLocalRefPrevDiff")->click();
  EXPECT_EQ(ref->textCursor().blockNumber(), 4);  // round to the last

  ref->SetSjisText("a\r\nb\r\nc\r\nd\r\ne\r\n");
  W<QPushButton>("sbLocalRefCompare")->click();
  EXPECT_TRUE(marked().empty());
  EXPECT_EQ(form_->StatusPanel(2), QString::fromUtf8(" 差分はありません"));
}

}  // namespace
}  // namespace kaplo::gui
