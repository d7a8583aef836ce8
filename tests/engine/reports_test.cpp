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
    page_ = folder_ + "page.php.html";
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

  ReportFileNames MakeReports() {
    return WriteReports({.page_file = page_,
                         .save_folder = folder_,
                         .stylesheet_outcomes = css_,
                         .image_outcomes = images_,
                         .css_only = css_only_});
  }

  fs::path root_;
  std::string folder_, page_;
  std::vector<std::string> css_, images_;  // the outcome lists of a job
  bool css_only_ = false;
};

TEST_F(Reports, ListColumns) {
  const std::string long_name(85, 'n');
  css_ = {SJ<"◎">() + Local("css/a.css"), SJ<"■">() + Local("css/gone.js")};
  images_ = {SJ<"●">() + Local("img/x.gif"), SJ<"○">() + Local(long_name + ".png")};
  Write("css/a.css", "a{}\r\n");
  const ReportFileNames written = MakeReports();

  const std::string heading = SJ<"　　　　【 ">() + folder_ + SJ<" 】">();
  EXPECT_EQ(Lines(Report(ShiftJISToUtf8(SJ<"_CSS_JS_一覧.txt">()))),
            (std::vector<std::string>{
                heading, "", "", "a.css" + std::string(34, ' ') + "\t\t" + SJ<"◎  /css/a.css">(),
                "gone.js" + std::string(32, ' ') + "\t\t" + SJ<"●  /css/gone.js">()}));
  EXPECT_EQ(Lines(Report(ShiftJISToUtf8(SJ<"_Image_一覧.txt">()))),
            (std::vector<std::string>{
                heading, "", "", "x.gif" + std::string(74, ' ') + "\t\t" + SJ<"●  /img/x.gif">(),
                long_name + ".png   \t\t" + SJ<"◎  /">() + long_name + ".png"}));
  EXPECT_EQ(written.image_list, folder_ + "ZU_page.php" + SJ<"_Image_一覧.txt">());
  EXPECT_EQ(written.css_js_list, folder_ + "ZU_page.php" + SJ<"_CSS_JS_一覧.txt">());
}

TEST_F(Reports, MergedSections) {
  Write("css/a.css", "a{}\r\nb{}\r\n");
  Write("css/s.js", "var s;\n");
  Write("css/page.css", "<html><BODY>not found</body></html>");
  const std::string a = SJ<"◎">() + Local("css/a.css");
  const std::string s = SJ<"○">() + Local("css/s.js");
  // Twice in a row merged once; again after another file merged again;
  // a page and a missing file named in the list only.
  css_ = {a,
          a,
          s,
          a,
          SJ<"▼">() + Local("css/page.css"),
          SJ<"■">() + Local("css/none.css"),
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
    css_only_ = css_only;
    MakeReports();
    const std::string a_section = section(Local("css/a.css"), "a{}\r\nb{}\r\n");
    EXPECT_EQ(
        Report(merged_name),
        // A script left out does not separate the two a.css lines.
        css_only ? a_section : a_section + section(Local("css/s.js"), "var s;\r\n") + a_section);
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
  const ReportFileNames written = MakeReports();
  EXPECT_TRUE(written.css_js_list.empty());
  EXPECT_TRUE(written.image_list.empty());
  EXPECT_EQ(Report(list), "mine");
  EXPECT_EQ(Report(image_list), "mine too");
  // The merged text is built only along with its list.
  EXPECT_FALSE(
      fs::exists(root_ / "dl" / ("ZU_page.php" + ShiftJISToUtf8(SJ<"_CSS_JS_統合.txt">()))));
}

TEST_F(Reports, NoReportWithoutAPageInTheFolder) {
  images_ = {SJ<"●">() + Local("x.gif")};
  for (const std::string& page : {std::string(), (root_ / "elsewhere/p.html").string()}) {
    page_ = page;
    EXPECT_TRUE(MakeReports().image_list.empty());
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
class ReportsOfAJob : public test::EngineTest {
 protected:
  ReportsOfAJob() : EngineTest("reportjob") {
    site_ = {{"/p/index.html",
              "<html><head><title>t</title><link rel=\"stylesheet\" href=\"s.css\">"
              "</head><body><img src=\"ok.gif\"><img src=\"bad.gif\"></body></html>"},
             {"/p/s.css", "body{color:red}"},
             {"/p/ok.gif", std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13)}};
  }
};

TEST_F(ReportsOfAJob, WrittenOnceBesideThePage) {
  const DownloadResult r = Run("/p/index.html");
  ASSERT_TRUE(r.page_saved) << r.failure;
  const fs::path image_list =
      root_ / "save" / "p" / ("ZU_index" + ShiftJISToUtf8(SJ<"_Image_一覧.txt">()));
  const fs::path merged =
      root_ / "save" / "p" / ("ZU_index" + ShiftJISToUtf8(SJ<"_CSS_JS_統合.txt">()));
  ASSERT_TRUE(fs::exists(image_list));
  ASSERT_TRUE(fs::exists(merged));
  EXPECT_EQ(r.reports.size(), 3u);
  EXPECT_EQ(r.labels.image_list, folder_ + "p/ZU_index" + SJ<"_Image_一覧.txt">());
  const std::string text = test::ReadFile(image_list);
  EXPECT_NE(text.find(SJ<"●  /p/bad.gif">()), std::string::npos) << text;
  EXPECT_NE(text.find(SJ<"◎  /p/ok.gif">()), std::string::npos) << text;

  // The finished job turned the reports off; asked again, existing files stay.
  EXPECT_TRUE(options_.dont_make_css_list);
  fs::resize_file(merged, 0);
  options_.dont_make_css_list = false;
  ASSERT_TRUE(Run("/p/index.html").page_saved);
  EXPECT_EQ(fs::file_size(merged), 0u);
}

}  // namespace
}  // namespace kaplo
