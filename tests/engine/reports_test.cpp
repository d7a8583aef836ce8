// The report files: list columns, merged sections and files left alone, from
// outcome lists set by hand and from a whole job on a local site.
#include "engine/reports.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/engine.h"
#include "engine/engine_test_support.h"
#include "engine/http_server_support.h"
#include "text/convert.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

class Reports : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kaplo-reports-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "dl/css");
    folder_ = (root_ / "dl").string() + "/";
    engine_.form.local_filename = folder_ + "page.php.html";
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string Local(const std::string& below) { return folder_ + below; }
  void Write(const std::string& below, const std::string& text) {
    std::ofstream(Local(below), std::ios::binary) << text;
  }
  // A report by its on-disk (UTF-8) name.
  std::string Report(const std::string& suffix) {
    std::ifstream in(root_ / "dl" / ("ZU_page.php" + suffix), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0, end;
    while ((end = text.find("\r\n", start)) != std::string::npos) {
      out.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
    return out;
  }

  fs::path root_;
  std::string folder_;
  CurlFetcher fetcher_;
  test::ScriptedPrompter prompter_;
  JobObserver observer_;
  DownloadEngine engine_{fetcher_, prompter_, nullptr, observer_};
  std::vector<std::string>& css_ = engine_.lists.ListBoxPGTab02LTab02PageFileDownloaedCSSJS;
  std::vector<std::string>& images_ = engine_.lists.ListBoxPGTab02LTab03PageImageDownloaedImage;
};

TEST_F(Reports, ListColumns) {
  const std::string long_name(85, 'n');
  css_ = {SJ<"◎">() + Local("css/a.css"), SJ<"■">() + Local("css/gone.js")};
  images_ = {SJ<"●">() + Local("img/x.gif"), SJ<"○">() + Local(long_name + ".png")};
  Write("css/a.css", "a{}\r\n");
  engine_.DLPostProcess(folder_);

  const std::string heading = SJ<"　　　　【 ">() + folder_ + SJ<" 】">();
  EXPECT_EQ(Lines(Report(ShiftJISToUtf8(SJ<"_CSS_JS_一覧.txt">()))),
            (std::vector<std::string>{
                heading, "", "",
                "a.css" + std::string(34, ' ') + "\t\t" + SJ<"◎  /css/a.css">(),
                "gone.js" + std::string(32, ' ') + "\t\t" + SJ<"●  /css/gone.js">()}));
  EXPECT_EQ(Lines(Report(ShiftJISToUtf8(SJ<"_Image_一覧.txt">()))),
            (std::vector<std::string>{
                heading, "", "",
                "x.gif" + std::string(74, ' ') + "\t\t" + SJ<"●  /img/x.gif">(),
                long_name + ".png   \t\t" + SJ<"◎  /">() + long_name + ".png"}));
  EXPECT_EQ(engine_.form.local_file_image_list,
            folder_ + "ZU_page.php" + SJ<"_Image_一覧.txt">());
}

TEST_F(Reports, MergedSections) {
  Write("css/a.css", "a{}\r\nb{}\r\n");
  Write("css/s.js", "var s;\n");
  Write("css/page.css", "<html><BODY>not found</body></html>");
  const std::string a = SJ<"◎">() + Local("css/a.css");
  const std::string s = SJ<"○">() + Local("css/s.js");
  // Twice in a row merged once; again after another file merged again;
  // a page and a missing file named in the list only.
  css_ = {a, a, s, a, SJ<"▼">() + Local("css/page.css"), SJ<"■">() + Local("css/none.css"),
          SJ<"◇">() + Local("css/i.gif")};
  auto section = [](const std::string& path, const std::string& lines) {
    return SJ<"▼▼▼【 ">() + path + SJ<" 】▽▽▽">() + "\r\n\r\n\r\n" + lines + "\r\n\r\n" +
           SJ<"△△△【 ">() + path + SJ<" 】▲▲▲">() + "\r\n";
  };
  const std::string merged_name = ShiftJISToUtf8(SJ<"_CSS_JS_統合.txt">());
  for (bool css_only : {false, true}) {
    SCOPED_TRACE(css_only);
    fs::remove(root_ / "dl" / ("ZU_page.php" + merged_name));
    fs::remove(root_ / "dl" / ("ZU_page.php" + ShiftJISToUtf8(SJ<"_CSS_JS_一覧.txt">())));
    engine_.settings.css_only = css_only;
    engine_.DLPostProcess(folder_);
    const std::string a_section = section(Local("css/a.css"), "a{}\r\nb{}\r\n");
    EXPECT_EQ(Report(merged_name),
              // A script left out does not separate the two a.css lines.
              css_only ? a_section
                       : a_section + section(Local("css/s.js"), "var s;\r\n") + a_section);
    EXPECT_EQ(Lines(Report(ShiftJISToUtf8(SJ<"_CSS_JS_一覧.txt">()))).size(), 3 + css_.size());
  }
}

TEST_F(Reports, ExistingReportsAreLeftAlone) {
  Write("css/a.css", "a{}\r\n");
  css_ = {SJ<"◎">() + Local("css/a.css")};
  images_ = {SJ<"◎">() + Local("x.gif")};
  const std::string list = ShiftJISToUtf8(SJ<"_CSS_JS_一覧.txt">());
  const std::string image_list = ShiftJISToUtf8(SJ<"_Image_一覧.txt">());
  std::ofstream(root_ / "dl" / ("ZU_page.php" + list)) << "mine";
  std::ofstream(root_ / "dl" / ("ZU_page.php" + image_list)) << "mine too";
  engine_.DLPostProcess(folder_);
  EXPECT_EQ(Report(list), "mine");
  EXPECT_EQ(Report(image_list), "mine too");
  // The merged text is built only along with its list.
  EXPECT_FALSE(fs::exists(root_ / "dl" / ("ZU_page.php" + ShiftJISToUtf8(SJ<"_CSS_JS_統合.txt">()))));
}

TEST_F(Reports, NoReportWithoutAPageInTheFolder) {
  images_ = {SJ<"●">() + Local("x.gif")};
  for (const std::string& page : {std::string(), (root_ / "elsewhere/p.html").string()}) {
    engine_.form.local_filename = page;
    engine_.DLPostProcess(folder_);
  }
  EXPECT_EQ(std::distance(fs::recursive_directory_iterator(root_), {}), 2) << "dl and dl/css";
  EXPECT_FALSE(fs::exists("ZU_" + ShiftJISToUtf8(SJ<"_Image_一覧.txt">())));
}

TEST(ReportHelpers, MarksAndNames) {
  EXPECT_EQ(RemoveDownloadMark(SJ<"◎□/a/●b■▼▲★◆〓○△▽◇.css">()), "/a/b.css");
  EXPECT_EQ(RemoveDownloadMark(SJ<"日本/a.css">()), SJ<"日本/a.css">());
  const ReportFileNames n = MakeReportFileNames("/dl/a/index.html");
  EXPECT_EQ(n.css_js_list, "/dl/a/ZU_index" + SJ<"_CSS_JS_一覧.txt">());
  EXPECT_EQ(n.css_js_merged, "/dl/a/ZU_index" + SJ<"_CSS_JS_統合.txt">());
  EXPECT_EQ(n.image_list, "/dl/a/ZU_index" + SJ<"_Image_一覧.txt">());
}

// A whole job writes the reports beside the page; a second job into the same
// folder leaves them as they are.
TEST(ReportsOfAJob, WrittenOnceBesideThePage) {
  const fs::path root = fs::temp_directory_path() / ("kaplo-reportjob-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root);
  test::LocalServer server;
  server.server().Get(".*", [](const httplib::Request& req, httplib::Response& res) {
    if (req.path == "/p/index.html") {
      res.set_content("<html><head><title>t</title><link rel=\"stylesheet\" href=\"s.css\">"
                      "</head><body><img src=\"ok.gif\"><img src=\"bad.gif\"></body></html>",
                      "text/html");
    } else if (req.path == "/p/s.css") {
      res.set_content("body{color:red}", "text/css");
    } else if (req.path == "/p/ok.gif") {
      res.set_content(std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13), "image/gif");
    } else {
      res.status = 404;
      res.set_content("<html><body>404 Not Found</body></html>", "text/html");
    }
  });
  server.Start();
  CurlFetcher fetcher;
  test::ScriptedPrompter prompter;
  JobObserver observer;
  DownloadEngine engine(fetcher, prompter, nullptr, observer);
  engine.form.url = server.Url("/p/index.html");
  engine.form.save_folder = root.string() + "/";
  engine.btnDownloadAllClick();
  ASSERT_TRUE(engine.PageSaved());
  const fs::path image_list = root / "p" / ("ZU_index" + ShiftJISToUtf8(SJ<"_Image_一覧.txt">()));
  const fs::path merged = root / "p" / ("ZU_index" + ShiftJISToUtf8(SJ<"_CSS_JS_統合.txt">()));
  ASSERT_TRUE(fs::exists(image_list));
  ASSERT_TRUE(fs::exists(merged));
  std::ifstream in(image_list, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find(SJ<"●  /p/bad.gif">()), std::string::npos) << text.str();
  EXPECT_NE(text.str().find(SJ<"◎  /p/ok.gif">()), std::string::npos) << text.str();

  // The finished job turned the reports off; asked again, existing files stay.
  EXPECT_TRUE(engine.settings.dont_make_css_list);
  fs::resize_file(merged, 0);
  engine.settings.dont_make_css_list = false;
  engine.btnDownloadAllClick();
  ASSERT_TRUE(engine.PageSaved());
  EXPECT_EQ(fs::file_size(merged), 0u);
  fs::remove_all(root);
}

}  // namespace
}  // namespace kaplo
