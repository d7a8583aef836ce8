// One text file or one image apart from a job: showing, fetching to a file,
// saving the text in a chosen code, the image fetch, and the messages of each.
#include "engine/single_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/engine_test_support.h"
#include "engine/http_server_support.h"
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
  std::optional<std::string> SaveHtmlDialog(std::string_view name,
                                            std::string_view folder) override {
    suggested.emplace_back(name);
    return ScriptedPrompter::SaveHtmlDialog(name, folder);
  }
};

class SingleFile : public ::testing::Test {
 protected:
  void SetUp() override {
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
  }

  // The text sheet's boxes, the save folder filled.
  SingleTextRequest Text(const std::string& url) const {
    return {.url = url, .save_folder = folder_};
  }

  static std::string Read(const std::string& sjis_path) {
    return test::ReadFile(ShiftJISToUtf8(sjis_path));
  }

  test::TempSaveFolder temp_{"single"};
  const fs::path root_ = temp_.root;
  const std::string folder_ = temp_.save;
  std::atomic<int> hits_{0};
  test::LocalServer server_;
  CurlFetcher fetcher_;
  DialogPrompter prompter_;
};

TEST(SingleFileText, CollapseBlankLines) {
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

TEST_F(SingleFile, ShowFetchesTextOrLeavesAnImageToTheBrowser) {
  SingleTextRequest request = Text("  " + server_.Url("/a/x.css") + " ");
  request.code = 2;  // UTF-8
  SingleTextResult r = ShowSingleText(fetcher_, request);
  EXPECT_EQ(r.url, server_.Url("/a/x.css"));
  EXPECT_EQ(r.memo, "p{}\r\n  q{content:\"" + SJ<"日本">() + "\"}");
  EXPECT_TRUE(r.browser.empty());
  EXPECT_EQ(r.file, folder_ + "a/x.css");

  hits_ = 0;
  r = ShowSingleText(fetcher_, Text(server_.Url("/a/x.gif")));
  EXPECT_EQ(r.browser, server_.Url("/a/x.gif"));
  EXPECT_TRUE(r.memo.empty());
  EXPECT_EQ(hits_, 0);
}

TEST_F(SingleFile, ShowOfAnEmptyOrFailedAnswerNamesTheAddress) {
  SingleTextRequest request = Text(server_.Url("/a/empty.css"));
  request.file = "/kept";
  const SingleTextResult r = ShowSingleText(fetcher_, request);
  EXPECT_EQ(r.memo, "\r\n\r\nUrl ==>>" + request.url + "<==\r\n\r\n" +
                        SJ<"●　「データがありません　」●">());
  EXPECT_EQ(r.file, "/kept");
  // An error answer is no text of the file: the memo says why.
  const SingleTextResult missing = ShowSingleText(fetcher_, Text(server_.Url("/a/gone.css")));
  EXPECT_EQ(missing.failure, "HTTP 404");
  EXPECT_NE(missing.memo.find("HTTP 404"), std::string::npos) << missing.memo;
  EXPECT_EQ(missing.memo.find("not here"), std::string::npos) << missing.memo;
}

TEST_F(SingleFile, ShowNamesTheFileInsideTheSaveFolder) {
  SingleTextRequest request = Text("http://h/a/..\\/../../etc/p%2e%2e/x.css");
  request.screen = 2;
  const std::string file = ShowSingleText(fetcher_, request).file;
  ASSERT_TRUE(file.starts_with(folder_)) << file;
  // Named as a job names the address ("p%2e%2e" is the name "p..").
  EXPECT_EQ(file, folder_ + "a/etc/p../x.css");
}

TEST_F(SingleFile, SaveRewritesRootReferencesBeforeTheCodeChanges) {
  SingleTextRequest request = Text("http://h/css/s.css");
  request.memo = "a{background:url(/img/a.gif)}\r\nb{content:'" + SJ<"Н">() + "'}";
  request.file = folder_ + "css/s.css";
  request.save_code = 4;  // ISO-2022-JP: "Н" is ESC $ B ' / ESC ( B
  ASSERT_TRUE(SaveSingleText(prompter_, request).done);
  EXPECT_EQ(JisToShiftJIS(Read(folder_ + "css/s.css")),
            "a{background:url(../img/a.gif)}\r\nb{content:'" + SJ<"Н">() + "'}");
  EXPECT_EQ(prompter_.informed.back(),
            SJ<"ファイル【 ">() + folder_ + "css/s.css" + SJ<" 】が保存されました">());
}

TEST_F(SingleFile, SaveAsksForANameOnlyWhenTheBoxIsEmpty) {
  SingleTextRequest request = Text("http://h/css/s.css?v=1");
  request.memo = "x";
  // Cancelled: nothing written.
  EXPECT_FALSE(SaveSingleText(prompter_, request).done);
  EXPECT_EQ(prompter_.suggested, std::vector<std::string>{"s.css@v=1"});
  prompter_.save_path = root_.string() + "/out/a|b.css";
  const SingleTextResult saved = SaveSingleText(prompter_, request);
  ASSERT_TRUE(saved.done);
  EXPECT_EQ(saved.file, root_.string() + "/out/a~b.css");
  EXPECT_EQ(Read(saved.file), "x");
  request.memo.clear();
  EXPECT_FALSE(SaveSingleText(prompter_, request).done);
  EXPECT_EQ(prompter_.save_dialogs, 2);
}

TEST_F(SingleFile, FetchToFileStoresTheFileAndTheFetchedCopy) {
  SingleTextRequest request = Text(server_.Url("/a/x.css"));
  request.file = "set";
  request.code = 2;
  const SingleTextResult r = FetchSingleText(fetcher_, prompter_, request);
  ASSERT_TRUE(r.done);
  const std::string local = folder_ + "a/x.css";
  EXPECT_EQ(r.file, local);
  EXPECT_EQ(Read(folder_ + "a/ZZOrg_x.css"), Read(local));
  EXPECT_NE(r.memo.find(SJ<"日本">()), std::string::npos);
  EXPECT_EQ(prompter_.informed.back(), SJ<"Webﾌｧｲﾙ【 ">() + server_.Url("/a/x.css") +
                                           SJ<" 】が">() + "\r\n\r\n" + SJ<"Windowsﾌｧｲﾙ【 ">() +
                                           local + SJ<" 】として保存されました">());
}

TEST_F(SingleFile, FetchToFileWithoutNamesAsksForTheFolder) {
  SingleTextRequest request = Text(server_.Url("/a/x.css"));
  request.save_folder.clear();
  EXPECT_FALSE(FetchSingleText(fetcher_, prompter_, request).done);  // cancelled
  EXPECT_EQ(hits_, 0);
  prompter_.save_path = root_.string() + "/chosen/other.css";
  const SingleTextResult r = FetchSingleText(fetcher_, prompter_, request);
  ASSERT_TRUE(r.done);
  EXPECT_EQ(r.file, root_.string() + "/chosen/x.css");
  EXPECT_EQ(prompter_.suggested.back(), "x.css");
}

TEST_F(SingleFile, FetchToFileThatStoresNothingFails) {
  SingleTextRequest request = Text("http://127.0.0.1:1/a/x.css");
  request.file = "set";
  EXPECT_FALSE(FetchSingleText(fetcher_, prompter_, request).done);
  EXPECT_EQ(prompter_.informed,
            std::vector<std::string>{SJ<"ファイルとしての保存に失敗しました">()});
  EXPECT_FALSE(fs::exists(ShiftJISToUtf8(folder_ + "a/x.css")));

  prompter_.informed.clear();
  request.url = "ftp://h/x.css";
  EXPECT_FALSE(FetchSingleText(fetcher_, prompter_, request).done);
  EXPECT_TRUE(prompter_.informed.empty());
}

TEST_F(SingleFile, ImageFetch) {
  const struct {
    std::string path;
    bool save_folder;
    std::string stored;  // below the folder; "" when the fetch fails
  } cases[] = {
      {"/i/p.png", true, "i/p.png"},
      {"/", false, "dummy.gif.png"},   // no file name: the default one, named for its type
      {"/i/gone.png.html", true, ""},  // a page came back
      {"/i/empty.png", true, ""},      // nothing came back
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    prompter_.save_path = folder_ + "picked.gif";
    prompter_.suggested.clear();
    const SingleImageResult r = FetchSingleImage(
        fetcher_, prompter_,
        {.url = " " + server_.Url(c.path), .save_folder = c.save_folder ? folder_ : ""});
    EXPECT_EQ(r.done, !c.stored.empty());
    EXPECT_EQ(r.save_folder, folder_);
    if (!c.save_folder) {
      EXPECT_EQ(prompter_.suggested, std::vector<std::string>{"dummy.gif"});
    }
    if (r.done) {
      EXPECT_EQ(r.file, folder_ + c.stored);
      EXPECT_EQ(r.browser, folder_ + c.stored);
      EXPECT_EQ(Read(folder_ + c.stored), kPng);
    } else {
      EXPECT_TRUE(r.file.empty());
      EXPECT_FALSE(fs::exists(ShiftJISToUtf8(folder_ + c.path.substr(1))));
      EXPECT_EQ(prompter_.informed.back(), SJ<"ファイルとしての保存に失敗しました">());
    }
  }
}

TEST_F(SingleFile, OpenReadsAFileInTheChosenCode) {
  fs::create_directories(root_ / "o");
  std::ofstream(root_ / "o" / "s.css") << "\xC6\xFC\xCB\xDC";  // "日本" in EUC-JP
  std::ofstream(root_ / "o" / "p.html") << "<p>";
  SingleTextRequest request = Text("");
  request.code = 1;
  const std::string path = root_.string() + "/o/s.css";
  SingleTextResult r = OpenSingleText(request, path);
  EXPECT_EQ(r.memo, SJ<"日本">());
  EXPECT_EQ(r.file, path);
  EXPECT_TRUE(r.browser.empty());
  // A page shows in the sheet's browser too.
  r = OpenSingleText(request, root_.string() + "/o/p.html");
  EXPECT_EQ(r.browser, root_.string() + "/o/p.html");
}

}  // namespace
}  // namespace kaplo
