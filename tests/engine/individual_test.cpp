// The single file sheets: showing, fetching to a file, saving the text in a
// chosen code, the image fetch, and the messages of each.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/engine.h"
#include "engine/engine_test_support.h"
#include "engine/http_server_support.h"
#include "engine/individual.h"
#include "text/convert.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

const std::string kPng = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);

// Records what the save dialog was offered.
class DialogPrompter : public test::ScriptedPrompter {
 public:
  std::vector<std::string> suggested;
  std::optional<std::string> SaveHtmlDialog(std::string_view name, std::string_view folder) override {
    suggested.emplace_back(name);
    return ScriptedPrompter::SaveHtmlDialog(name, folder);
  }
};

class Individual : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kaplo-indiv-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
    folder_ = root_.string() + "/save/";
    server_.server().Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
      ++hits_;
      if (req.path == "/a/x.css") {
        res.set_content("p{}\r\n\r\n\r\n\tq{content:\"日本\"}", "text/css");
      } else if (req.path == "/a/empty.css") {
        res.set_content("", "text/css");
      } else if (req.path == "/i/empty.png") {
        res.status = 404;
      } else if (req.path.ends_with(".png") || req.path == "/") {
        res.set_content(kPng, "image/png");
      } else {
        res.status = 404;
        res.set_content("<html><body>not here</body></html>", "text/html");
      }
    });
    server_.Start();
    engine_.form.save_folder = folder_;
  }
  void TearDown() override { fs::remove_all(root_); }

  static std::string Read(const std::string& sjis_path) {
    std::ifstream in(fs::path(ShiftJISToUtf8(sjis_path)), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path root_;
  std::string folder_;
  int hits_ = 0;
  test::LocalServer server_;
  CurlFetcher fetcher_;
  DialogPrompter prompter_;
  JobObserver observer_;
  DownloadEngine engine_{fetcher_, prompter_, nullptr, observer_};
};

TEST(IndividualText, CollapseBlankLines) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"a\r\n\r\n\r\nb", "a\r\nb"},
      {"a\r\rb\n", "a\r\nb\r\n"},
      {std::string(6, '\n') + "x", "\r\nx"},  // five become one, then the pair
      {"\tx\ty", "  x  y"},
  };
  for (const auto& c : cases) EXPECT_EQ(CollapseBlankLines(c.in), c.out) << c.in;
}

TEST_F(Individual, ShowFetchesTextOrLeavesAnImageToTheBrowser) {
  engine_.individual.code = 2;  // UTF-8
  engine_.form.individual_url = "  " + server_.Url("/a/x.css") + " ";
  engine_.sbPGTab02RTab07IndividualUrlClick();
  EXPECT_EQ(engine_.form.individual_url, server_.Url("/a/x.css"));
  EXPECT_EQ(engine_.individual.memo, "p{}\r\n  q{content:\"" + SJ<"日本">() + "\"}");
  EXPECT_TRUE(engine_.individual.browser.empty());
  EXPECT_EQ(engine_.individual.file, folder_ + "a/x.css");

  hits_ = 0;
  engine_.form.individual_url = server_.Url("/a/x.gif");
  engine_.sbPGTab02RTab07IndividualUrlClick();
  EXPECT_EQ(engine_.individual.browser, server_.Url("/a/x.gif"));
  EXPECT_TRUE(engine_.individual.memo.empty());
  EXPECT_EQ(hits_, 0);
}

TEST_F(Individual, ShowOfAnEmptyAnswerNamesTheAddress) {
  engine_.individual.file = "/kept";
  const std::string url = server_.Url("/a/empty.css");
  engine_.form.individual_url = url;
  engine_.sbPGTab02RTab07IndividualUrlClick();
  EXPECT_EQ(engine_.individual.memo, "\r\n\r\nUrl ==>>" + url + "<==\r\n\r\n" +
                                         SJ<"●　「データがありません　」●">());
  EXPECT_EQ(engine_.individual.file, "/kept");
}

TEST_F(Individual, ShowNamesTheFileInsideTheSaveFolder) {
  engine_.individual.screen = 2;
  engine_.form.individual_url = "http://h/a/..\\/../../etc/p%2e%2e/x.css";
  engine_.sbPGTab02RTab07IndividualUrlClick();
  const std::string& file = engine_.individual.file;
  ASSERT_TRUE(file.starts_with(folder_)) << file;
  EXPECT_EQ(file.find(".."), std::string::npos) << file;
}

TEST_F(Individual, SaveRewritesRootReferencesBeforeTheCodeChanges) {
  engine_.form.individual_url = "http://h/css/s.css";
  engine_.individual.memo = "a{background:url(/img/a.gif)}\r\nb{content:'" + SJ<"Н">() + "'}";
  engine_.individual.file = folder_ + "css/s.css";
  engine_.individual.save_code = 4;  // ISO-2022-JP: "Н" is ESC $ B ' / ESC ( B
  ASSERT_TRUE(engine_.sbsbPGTab02RTab07IndividualSaveFileClick());
  EXPECT_EQ(JisToShiftJIS(Read(folder_ + "css/s.css")),
            "a{background:url(../img/a.gif)}\r\nb{content:'" + SJ<"Н">() + "'}");
  EXPECT_EQ(prompter_.informed.back(),
            SJ<"ファイル【 ">() + folder_ + "css/s.css" + SJ<" 】が保存されました">());
}

TEST_F(Individual, SaveAsksForANameOnlyWhenTheBoxIsEmpty) {
  engine_.form.individual_url = "http://h/css/s.css?v=1";
  engine_.individual.memo = "x";
  // Cancelled: nothing written.
  EXPECT_FALSE(engine_.sbsbPGTab02RTab07IndividualSaveFileClick());
  EXPECT_EQ(prompter_.suggested, std::vector<std::string>{"s.css@v=1"});
  prompter_.save_path = root_.string() + "/out/a|b.css";
  ASSERT_TRUE(engine_.sbsbPGTab02RTab07IndividualSaveFileClick());
  EXPECT_EQ(engine_.individual.file, root_.string() + "/out/a~b.css");
  EXPECT_EQ(Read(engine_.individual.file), "x");
  engine_.individual.memo.clear();
  EXPECT_FALSE(engine_.sbsbPGTab02RTab07IndividualSaveFileClick());
  EXPECT_EQ(prompter_.save_dialogs, 2);
}

TEST_F(Individual, FetchToFileStoresTheFileAndTheFetchedCopy) {
  engine_.individual.file = "set";
  engine_.individual.code = 2;
  engine_.form.individual_url = server_.Url("/a/x.css");
  ASSERT_TRUE(engine_.sbPGTab02RTab07IndividualDownloadClick());
  const std::string local = folder_ + "a/x.css";
  EXPECT_EQ(engine_.individual.file, local);
  EXPECT_EQ(Read(folder_ + "a/ZZOrg_x.css"), Read(local));
  EXPECT_NE(engine_.individual.memo.find(SJ<"日本">()), std::string::npos);
  EXPECT_EQ(prompter_.informed.back(), SJ<"Webﾌｧｲﾙ【 ">() + server_.Url("/a/x.css") +
                                           SJ<" 】が">() + "\r\n\r\n" + SJ<"Windowsﾌｧｲﾙ【 ">() +
                                           local + SJ<" 】として保存されました">());
}

TEST_F(Individual, FetchToFileWithoutNamesAsksForTheFolder) {
  engine_.form.save_folder.clear();
  engine_.form.individual_url = server_.Url("/a/x.css");
  EXPECT_FALSE(engine_.sbPGTab02RTab07IndividualDownloadClick());  // cancelled
  EXPECT_EQ(hits_, 0);
  prompter_.save_path = root_.string() + "/chosen/other.css";
  ASSERT_TRUE(engine_.sbPGTab02RTab07IndividualDownloadClick());
  EXPECT_EQ(engine_.individual.file, root_.string() + "/chosen/x.css");
  EXPECT_EQ(prompter_.suggested.back(), "x.css");
}

TEST_F(Individual, FetchToFileThatStoresNothingFails) {
  engine_.individual.file = "set";
  engine_.form.individual_url = "http://127.0.0.1:1/a/x.css";
  EXPECT_FALSE(engine_.sbPGTab02RTab07IndividualDownloadClick());
  EXPECT_EQ(prompter_.informed, std::vector<std::string>{SJ<"ファイルとしての保存に失敗しました">()});
  EXPECT_FALSE(fs::exists(ShiftJISToUtf8(folder_ + "a/x.css")));

  prompter_.informed.clear();
  engine_.form.individual_url = "ftp://h/x.css";
  EXPECT_FALSE(engine_.sbPGTab02RTab07IndividualDownloadClick());
  EXPECT_TRUE(prompter_.informed.empty());
}

TEST_F(Individual, ImageFetch) {
  const struct {
    std::string path;
    bool save_folder;
    std::string stored;  // below the folder; "" when the fetch fails
  } cases[] = {
      {"/i/p.png", true, "i/p.png"},
      {"/", false, "dummy.gif"},     // no file name: the default one
      {"/i/gone.png.html", true, ""},  // a page came back
      {"/i/empty.png", true, ""},      // nothing came back
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    engine_.form.save_folder = c.save_folder ? folder_ : std::string();
    prompter_.save_path = folder_ + "picked.gif";
    prompter_.suggested.clear();
    engine_.individual_image.file = "old";
    engine_.individual_image.url = " " + server_.Url(c.path);
    const bool ok = engine_.sbPGTab02RTab08ImageIndividualDownloadClick();
    EXPECT_EQ(ok, !c.stored.empty());
    EXPECT_EQ(engine_.form.save_folder, folder_);
    if (!c.save_folder) {
      EXPECT_EQ(prompter_.suggested, std::vector<std::string>{"dummy.gif"});
    }
    if (ok) {
      EXPECT_EQ(engine_.individual_image.file, folder_ + c.stored);
      EXPECT_EQ(engine_.individual_image.browser, folder_ + c.stored);
      EXPECT_EQ(Read(folder_ + c.stored), kPng);
    } else {
      EXPECT_TRUE(engine_.individual_image.file.empty());
      EXPECT_FALSE(fs::exists(ShiftJISToUtf8(folder_ + c.path.substr(1))));
      EXPECT_EQ(prompter_.informed.back(), SJ<"ファイルとしての保存に失敗しました">());
    }
  }
}

TEST_F(Individual, OutcomeLinesOpenTheFileOrSayItIsMissing) {
  fs::create_directories(root_ / "o");
  std::ofstream(root_ / "o" / "s.css") << "\xC6\xFC\xCB\xDC";  // "日本" in EUC-JP
  const std::string path = root_.string() + "/o/s.css";
  EXPECT_TRUE(engine_.ListBoxDLIndividualOutcome(SJ<"◎">() + path, 1));
  EXPECT_EQ(engine_.individual.memo, SJ<"日本">());
  EXPECT_EQ(engine_.individual.file, path);

  EXPECT_FALSE(engine_.ListBoxDLIndividualOutcome(SJ<"●">() + path + "x", 1));
  EXPECT_EQ(engine_.individual.css_js_win_filename, path + "x");
  EXPECT_EQ(prompter_.informed.back(), SJ<"【 ファイル 】が見つかりません">());
}

}  // namespace
}  // namespace kaplo
