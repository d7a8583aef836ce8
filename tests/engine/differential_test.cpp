// Whole jobs on a small local site compared byte for byte with trees
// recorded earlier, so a change inside the engine that alters any saved file,
// report or list shows up here. KAPLO_RECORD=1 rewrites the recorded trees.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "engine/engine.h"
#include "engine/engine_test_support.h"
#include "engine/fixture_site_support.h"
#include "engine/http_server_support.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void Write(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
    s.replace(at, from.size(), to);
  }
  return s;
}

// Binary bodies that differ per file, so a swapped image is caught.
std::string ImageBytes(char tag) {
  std::string b = "\x89PNG\r\n\x1a\n";
  for (int i = 0; i < 64; ++i) b += static_cast<char>(tag + i);
  return b;
}

const std::map<std::string, std::string>& Site() {
  static const std::map<std::string, std::string> site = {
      {"/site/index.html",
       "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<title>index</title>\r\n"
       "<link rel=\"stylesheet\" href=\"css/main.css\">\r\n"
       "<link rel=\"stylesheet\" type=\"text/css\" href=\"/site/css/print.css\" "
       "media=\"print\">\r\n"
       "<script type=\"text/javascript\" src=\"js/app.js\"></script>\r\n"
       "<script src=\"/js/missing.js\"></script>\r\n"
       "<style type=\"text/css\">\r\n@import url(\"css/inline.css\");\r\n"
       "body { background: url(img/body.png); }\r\n</style>\r\n</head>\r\n<body>\r\n"
       "<img src=\"img/a.png\" alt=\"a\"><img src='/site/img/b.gif'>\r\n"
       "<img src=\"img/missing.png\">\r\n"
       "<a href=\"/site/other.html\">other</a> <a href=\"sub/page.html\">sub</a>\r\n"
       "<a href=\"http://HOST/abs.html\">abs</a> <a href=\"http://example.com/x.html\">out</a>\r\n"
       "<a href=\"/\">top</a> <a href=\"page.php?id=3&amp;x=y\">query</a>\r\n"
       "<div style=\"background:url('img/div.png')\">div</div>\r\n"
       "<form action=\"/cgi/post.cgi\"><input type=\"image\" src=\"img/button.png\"></form>\r\n"
       "</body>\r\n</html>\r\n"},
      {"/site/css/main.css",
       "@import \"sub.css\";\r\nbody { background: url(../img/bg.png); }\r\n"
       ".x { background: url(/site/img/root.png); }\r\n.m { background: url(\"none.png\"); }\r\n"},
      {"/site/css/sub.css",
       "@import url(deep/deeper.css);\r\n.y { background: url('../img/sub.png'); }\r\n"},
      {"/site/css/deep/deeper.css", ".z { background: url(../../img/deep.png); }\r\n"},
      {"/site/css/print.css", "@media print { .p { color: black; } }\r\n"},
      {"/site/css/inline.css", ".i { background: url(../img/inline.png); }\r\n"},
      {"/site/js/app.js",
       "var pic = \"img/js.png\";\r\ndocument.write('<img src=\"img/jsw.png\">');\r\n"},
      {"/site/img/a.png", ImageBytes('a')},
      {"/site/img/b.gif", ImageBytes('b')},
      {"/site/img/body.png", ImageBytes('c')},
      {"/site/img/bg.png", ImageBytes('d')},
      {"/site/img/root.png", ImageBytes('e')},
      {"/site/img/sub.png", ImageBytes('f')},
      {"/site/img/deep.png", ImageBytes('g')},
      {"/site/img/inline.png", ImageBytes('h')},
      {"/site/img/div.png", ImageBytes('i')},
      {"/site/img/button.png", ImageBytes('j')},
      {"/site/img/js.png", ImageBytes('k')},
      {"/site/img/jsw.png", ImageBytes('l')},
      {"/site/iframe.html",
       "<html><head><title>iframe</title><link rel=\"stylesheet\" href=\"css/print.css\">"
       "</head>\r\n<body>\r\n<iframe src=\"inner.html\" frameborder=\"0\"></iframe>\r\n"
       "<iframe src=\"/site/cgi/frame\"></iframe>\r\n<img "
       "src=\"img/a.png\">\r\n</body></html>\r\n"},
      {"/base/page.html",
       "<html>\r\n<head>\r\n<base href=\"http://HOST/site/\">\r\n<title>base</title>\r\n"
       "<link rel=\"stylesheet\" href=\"css/print.css\">\r\n</head>\r\n<body>\r\n"
       "<img src=\"img/a.png\"><a href=\"other.html\">o</a> <a href=\"/base/x.html\">x</a>\r\n"
       "</body>\r\n</html>\r\n"},
      {"/frames/index.html",
       "<html>\r\n<head>\r\n<title>frames</title>\r\n</head>\r\n"
       "<frameset cols=\"20%,*\">\r\n<frame src=\"menu.html\" name=\"menu\">\r\n"
       "<frame name=\"main\" src=\"main.php?id=1\">\r\n<noframes><body>\r\n"
       "<a href=\"/site/index.html\">site</a>\r\n</body></noframes>\r\n</frameset>\r\n</html>\r\n"},
      {"/frames/menu.html",
       "<html><head><title>menu</title><link rel=\"stylesheet\" href=\"/site/css/print.css\">"
       "</head><body><a href=\"main.php?id=1\" target=\"main\">main</a>"
       "<img src=\"/site/img/b.gif\"></body></html>\r\n"},
  };
  return site;
}

struct Case {
  std::string name;
  std::string path;
  std::function<void(DownloadOptions&)> options;
  std::string frame;  // a frame entry saved as a job of its own after the page
  bool fixture = false;  // a page of the fixture sites on disk
};

class Differential : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    test::ServeSite(server_.server(), Site(), "<html><body>no such file</body></html>",
                    [this](const std::string& body) { return ReplaceAll(body, "HOST", host_); });
    server_.Start();
    host_ = (GetParam().fixture ? fixture_.Host()
                                : server_.Url("").substr(std::string("http://").size()));
  }
  std::string Url(const std::string& path) const {
    return GetParam().fixture ? fixture_.Url(path) : server_.Url(path);
  }

  // The port and the temporary folder differ per run.
  std::string Normal(std::string s) const {
    s = ReplaceAll(s, folder_, "SAVE/");
    s = ReplaceAll(s, host_, "HOST");
    std::string semi = host_;
    semi[semi.find(':')] = ';';
    return ReplaceAll(s, semi, "HOST");
  }

  // The saved tree and the engine's lists, as relative path -> bytes.
  std::map<std::string, std::string> Outcome(const DownloadResult& result) const {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root_ / "save")) {
      if (!e.is_regular_file()) continue;
      const std::string rel = fs::relative(e.path(), root_ / "save").string();
      out["tree/" + Normal(rel)] = Normal(Read(e.path()));
    }
    const JobLists& l = result.lists;
    const std::vector<std::string> none;
    // The headings name the lists as the recorded trees do.
    const std::pair<const char*, const std::vector<std::string>*> boxes[] = {
        {"PageWebCSS", &l.stylesheets},
        {"PageFileDownloaedCSSJS", &l.stylesheet_outcomes},
        {"PageImage", &l.images},
        {"PageImageDownloaedImage", &l.image_outcomes},
        {"DLCSSFileImportCSS", &l.imports},
        {"ImportCSSFileDownloaedCSSJS", &none},
        {"ImportHTMLSWF", &l.flash},
        {"ImportHTMLCSSForBase", &l.head_references},
        {"UseRoot", &none},
        {"DLImportCSSImage", &l.entered_images},
        {"DLImageNotFound", &l.failed_images},
        {"DLAllCSSFileImportCSS", &l.all_stylesheets},
        {"AllImportCSSFileDownloaedCSSJS", &l.all_stylesheet_outcomes},
        {"UnkownImage", &l.found_images},
        {"LHref", &l.link_hosts},
        {"WBInFrameFileList", &l.frames},
        {"GUICSS", &l.analysis_stylesheets},
    };
    std::string lists;
    for (const auto& [name, box] : boxes) {
      lists += std::string("[") + name + "]\n";
      for (const std::string& line : *box) lists += line + "\n";
    }
    lists += "[local_filename]\n" + result.labels.local_file + "\n";
    out["lists.txt"] = Normal(lists);
    return out;
  }

  test::TempSaveFolder temp_{"diff"};
  const fs::path root_ = temp_.root;
  const std::string folder_ = temp_.save;
  std::string host_;  // "127.0.0.1:PORT", read by the server's handler
  test::LocalServer server_;
  test::FixtureSite fixture_;
};

TEST_P(Differential, SameFilesAndListsAsRecorded) {
  const Case& c = GetParam();
  CurlFetcher fetcher;
  test::ScriptedPrompter prompter;
  prompter.save_path = folder_ + "chosen.html";
  JobObserver observer;
  DownloadEngine engine(fetcher, prompter, nullptr, observer);
  DownloadRequest request;
  request.url = Url(c.path);
  request.save_folder = folder_;
  request.options.dont_make_css_list = false;
  if (c.options) c.options(request.options);
  const DownloadResult result = engine.Run(request);
  ASSERT_TRUE(result.page_saved) << result.failure;
  EXPECT_EQ(result.saved_page, result.labels.local_file);
  DownloadResult last = result;
  if (!c.frame.empty()) {
    last = engine.RunFrame({.page_url = request.url,
                            .save_folder = folder_,
                            .reference = c.frame,
                            .options = result.next_options});
    ASSERT_TRUE(last.page_saved) << last.failure;
  }
  const std::map<std::string, std::string> got = Outcome(last);

  const fs::path expected_dir =
      fs::path(KAPLO_TEST_DATA).parent_path() / "engine" / "data" / "differential" / c.name;
  if (const char* record = std::getenv("KAPLO_RECORD"); record && std::string(record) == "1") {
    fs::remove_all(expected_dir);
    for (const auto& [rel, bytes] : got) Write(expected_dir / rel, bytes);
    GTEST_SKIP() << "recorded " << expected_dir;
  }
  ASSERT_TRUE(fs::is_directory(expected_dir)) << expected_dir;
  std::map<std::string, std::string> expected;
  for (const auto& e : fs::recursive_directory_iterator(expected_dir)) {
    if (e.is_regular_file()) {
      expected[fs::relative(e.path(), expected_dir).string()] = Read(e.path());
    }
  }
  for (const auto& [rel, bytes] : expected) {
    const auto it = got.find(rel);
    if (it == got.end()) {
      ADD_FAILURE() << "missing " << rel;
    } else {
      EXPECT_EQ(it->second, bytes) << rel;
    }
  }
  for (const auto& [rel, bytes] : got) EXPECT_TRUE(expected.contains(rel)) << "extra " << rel;
}

INSTANTIATE_TEST_SUITE_P(
    LocalSite, Differential,
    ::testing::Values(Case{"page", "/site/index.html", nullptr, ""},
                      Case{"page_options", "/site/index.html",
                           [](DownloadOptions& s) {
                             s.html_dq_slash = 1;
                             s.remove_other_domain = 1;
                             s.remove_base_href = 1;
                             s.css_js_charset = 1;
                             s.top_page_filename = "top.html";
                           },
                           ""},
                      Case{"css_only", "/site/index.html",
                           [](DownloadOptions& s) { s.css_only = true; }, ""},
                      Case{"no_images", "/site/index.html",
                           [](DownloadOptions& s) { s.dont_save_image = true; }, ""},
                      Case{"iframe", "/site/iframe.html", nullptr, ""},
                      Case{"base", "/base/page.html", nullptr, ""},
                      Case{"base_removed", "/base/page.html",
                           [](DownloadOptions& s) { s.remove_base_href = 3; }, ""},
                      Case{"frameset", "/frames/index.html", nullptr, "menu.html"},
                      Case{"manual", "/manual/docs/library/page.html", nullptr, "", true},
                      Case{"errors", "/errors/page.html", nullptr, "", true}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
}  // namespace kaplo
