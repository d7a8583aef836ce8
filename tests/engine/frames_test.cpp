// Frame containers: a frameset page saved with local frame names, inline
// frames listed and their report turned off, and the action on a frame entry.
#include "engine/frames.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "engine/engine.h"
#include "engine/engine_test_support.h"
#include "engine/http_server_support.h"
#include "engine/saved_page.h"
#include "shell/messages.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

class RecordingBrowser : public BrowserPort {
 public:
  std::vector<std::string> result_pane;
  void Navigate(BrowserPane pane, std::string_view url) override {
    if (pane == BrowserPane::DownloadResult && url != "about:blank") result_pane.emplace_back(url);
  }
  std::string OuterHtml() override { return {}; }
  std::vector<std::string> ImageUrls() override { return {}; }
  std::string LocationUrl() override { return {}; }
};

class RecordingSystemBrowser : public SystemBrowser {
 public:
  std::vector<std::string> opened;
  void OpenInSystemBrowser(std::string_view f) override { opened.emplace_back(f); }
};

class Frames : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kaplo-frames-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "save");
    folder_ = (root_ / "save").string() + "/";
    server_.server().Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard<std::mutex> lock(mu_);
      ++hits_[req.path];
      const auto it = site_.find(req.path);
      if (it == site_.end()) {
        res.status = 404;
        res.set_content("<html><body>no such file</body></html>", "text/html");
        return;
      }
      res.set_content(it->second, req.path.ends_with(".css") ? "text/css" : "text/html");
    });
    server_.Start();
    engine_.settings.dont_empty_folder = true;
  }
  void TearDown() override { fs::remove_all(root_); }

  int Hits(const std::string& path) {
    std::lock_guard<std::mutex> lock(mu_);
    return hits_[path];
  }
  std::string Url(const std::string& path) { return server_.Url(path); }
  std::string Local(const std::string& below) { return folder_ + below; }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }
  bool Run(const std::string& path) {
    engine_.form.url = Url(path);
    engine_.form.save_folder = folder_;
    engine_.btnDownloadAllClick();
    return engine_.PageSaved();
  }
  std::vector<std::string>& FrameList() { return engine_.lists.ListBoxWBInFrameFileList; }
  bool AnyReport() {
    for (const auto& e : fs::recursive_directory_iterator(root_)) {
      if (e.path().filename().string().starts_with("ZU_")) return true;
    }
    return false;
  }

  std::mutex mu_;
  std::map<std::string, int> hits_;
  std::map<std::string, std::string> site_;
  test::LocalServer server_;
  fs::path root_;
  std::string folder_;
  CurlFetcher fetcher_;
  test::ScriptedPrompter prompter_;
  JobObserver observer_;
  RecordingBrowser browser_;
  RecordingSystemBrowser system_;
  DownloadEngine engine_{fetcher_, prompter_, &browser_, observer_, &system_};
};

const char kFrameset[] =
    "<html>\r\n<head>\r\n<title>f</title>\r\n<link rel=\"stylesheet\" href=\"/s/site.css\">\r\n"
    "</head>\r\n<frameset cols=\"20%,*\">\r\n<frame src=\"menu.html\" name=\"m\">\r\n"
    "<frame name=\"x\" src=\"main.php?id=1\">\r\n<noframes><body>\r\n"
    "<a href=\"http://example.com/a.html\">a</a> <a href=\"/top/\">t</a>\r\n"
    "</body></noframes>\r\n</frameset>\r\n</html>\r\n";

TEST_F(Frames, FramesetPageIsSavedWithLocalFrameNames) {
  site_["/d/top.html"] = kFrameset;
  site_["/s/site.css"] = "body{}";
  engine_.settings.dont_make_css_list = false;
  prompter_.save_path = folder_ + "chosen.html";
  ASSERT_TRUE(Run("/d/top.html"));

  EXPECT_EQ(FrameList(), (std::vector<std::string>{"menu.html", "main.php?id=1"}));
  EXPECT_TRUE(engine_.job.FramesetSaved);
  EXPECT_EQ(prompter_.information_labels, std::vector<std::string>{msg::FramesetPage()});
  // Saved under the page's own name; the chosen name only confirms the folder.
  EXPECT_EQ(engine_.form.local_filename, Local("d/top.html"));
  EXPECT_FALSE(fs::exists(Local("chosen.html")));
  const std::string saved = Read(Local("d/top.html"));
  EXPECT_TRUE(Has(saved, "<frame src=\"menu.html\" name=\"m\">")) << saved;
  EXPECT_TRUE(Has(saved, "src=\"main.php@id=1.html\"")) << saved;
  EXPECT_TRUE(Has(saved, "href=\"../s/site.css\"")) << saved;
  EXPECT_TRUE(Has(saved, "href=\"../top/index.html\"")) << saved;
  EXPECT_TRUE(Has(saved, "href=\"http://example.com/a.html\"")) << saved;
  EXPECT_TRUE(Has(saved, SavedFromComment(Url("/d/top.html")))) << saved;
  // What the container itself shows is saved with it; the frames wait for
  // jobs of their own, the next jobs keep the folder and skip reports.
  EXPECT_EQ(Hits("/s/site.css"), 1);
  EXPECT_EQ(Read(Local("s/site.css")), "body{}");
  EXPECT_EQ(Hits("/d/menu.html"), 0);
  EXPECT_FALSE(AnyReport());
  EXPECT_TRUE(engine_.settings.dont_empty_folder);
  EXPECT_TRUE(engine_.settings.dont_make_css_list);
}

TEST_F(Frames, FramesetAtAFolderAddress) {
  site_["/f/"] =
      "<html><head></head><frameset rows=\"*\"><FRAME SRC=\"body.cgi\"></frameset></html>";
  prompter_.save_path = folder_;  // a folder chosen without a name
  ASSERT_TRUE(Run("/f/"));
  EXPECT_EQ(engine_.job.PageUrl, Url("/f/") + "@#@");
  const std::string saved = Read(Local("f/index.html"));
  EXPECT_TRUE(Has(saved, "<FRAME SRC=\"body.cgi.html\">")) << saved;
}

TEST_F(Frames, FramesetThatSavesNothing) {
  site_["/n/top.html"] = "<html><frameset cols=\"*\"><frame name=\"a\"></frameset></html>";
  // Cancelled dialog: nothing written, the previous local file comes back.
  engine_.job.ConfirmedLocalFile = "before";
  engine_.job.PreviousConfirmedLocalFile = "before";
  EXPECT_FALSE(Run("/n/top.html"));
  EXPECT_FALSE(fs::exists(Local("n")));
  EXPECT_FALSE(engine_.Running());
  // No frame in it: neither listed nor saved.
  prompter_.save_path = folder_ + "x.html";
  EXPECT_FALSE(Run("/n/top.html"));
  EXPECT_TRUE(FrameList().empty());
  EXPECT_FALSE(fs::exists(Local("n")));
  EXPECT_EQ(engine_.DLMakeFrameSetFile("ftp://h/a.html", "x", "<frame src=\"a\">", folder_), -1);
  EXPECT_EQ(engine_.DLMakeFrameSetFile(Url("/a.html"), "x", "<frame src=\"a\">",
                                       (root_ / "missing").string() + "/"),
            -1);
}

TEST_F(Frames, InlineFramesAreListedAndTurnTheReportsOff) {
  site_["/p/index.html"] =
      "<html><head><title>p</title><link rel=\"stylesheet\" href=\"p.css\"></head>\r\n<body>\r\n"
      "<iframe src=\"ad.html\" frameborder=\"0\"></iframe>\r\n"
      "<iframe src=\"/x/frame\"></iframe><p>frame text</p>\r\n"
      "<iframe src=\"\"></iframe>\r\n</body></html>\r\n";
  site_["/p/p.css"] = "p{}";
  engine_.settings.dont_make_css_list = false;
  ASSERT_TRUE(Run("/p/index.html"));
  EXPECT_EQ(FrameList(), (std::vector<std::string>{"ad.html", "/x/frame"}));
  EXPECT_TRUE(engine_.settings.dont_make_css_list);
  EXPECT_FALSE(AnyReport());
  const std::string saved = Read(Local("p/index.html"));
  EXPECT_TRUE(Has(saved, "<iframe src=\"ad.html\" frameborder=\"0\">")) << saved;
  EXPECT_TRUE(Has(saved, "<iframe src=\"../x/frame.html\"></iframe>")) << saved;
  EXPECT_TRUE(Has(saved, "<p>frame text</p>")) << saved;
  EXPECT_EQ(Hits("/p/ad.html"), 0) << "frame pages wait for jobs of their own";
}

TEST_F(Frames, FrameEntryActions) {
  site_["/d/top.html"] = kFrameset;
  site_["/d/menu.html"] = "<html><head><title>m</title></head><body>"
                          "<iframe src=\"in.html\"></iframe></body></html>";
  prompter_.save_path = folder_ + "top.html";
  ASSERT_TRUE(Run("/d/top.html"));

  // 2: the frame page from the web in the result pane, nothing written.
  engine_.settings.frame_download = 2;
  EXPECT_TRUE(engine_.DLInFrameFileGo(engine_.form.url, folder_, "menu.html"));
  EXPECT_EQ(browser_.result_pane.back(), Url("/d/menu.html"));
  EXPECT_FALSE(fs::exists(Local("d/menu.html")));
  // 1: the system browser.
  engine_.settings.frame_download = 1;
  EXPECT_TRUE(engine_.DLInFrameFileGo(engine_.form.url, folder_, "//example.com/x.html"));
  EXPECT_EQ(system_.opened, std::vector<std::string>{"http://example.com/x.html"});
  EXPECT_FALSE(engine_.DLInFrameFileGo(engine_.form.url, folder_, "javascript:void(0)"));
  EXPECT_EQ(Hits("/d/menu.html"), 0);

  // 0: a whole job; the container's list stays and gains the frame's inline frames.
  engine_.settings.frame_download = 0;
  engine_.ListBoxWBInFrameFileListClick(" menu.html ");
  EXPECT_EQ(engine_.form.frame_link_url, "menu.html");
  EXPECT_TRUE(engine_.PageSaved());
  EXPECT_TRUE(fs::exists(Local("d/menu.html")));
  EXPECT_TRUE(fs::exists(Local("d/top.html")));
  EXPECT_EQ(FrameList(), (std::vector<std::string>{"menu.html", "main.php?id=1", "in.html"}));
  EXPECT_EQ(engine_.form.url_history.back(), "menu.html");
}

}  // namespace
}  // namespace kaplo
