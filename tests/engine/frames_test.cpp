// Frame containers: a frameset page saved with local frame names, inline
// frames listed and their report turned off, and the action on a frame entry.
#include "engine/frames.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "engine/engine.h"
#include "engine/engine_test_support.h"
#include "engine/http_server_support.h"
#include "engine/local_path.h"
#include "engine/saved_page.h"
#include "shell/messages.h"
#include "text/fsname.h"
#include "text/sjis.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

class Frames : public test::EngineTest {
 protected:
  Frames() : EngineTest("frames", true) {
    not_found_ = "<html><body>no such file</body></html>";
    options_.dont_empty_folder = true;
  }

  static bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }
  bool AnyReport() {
    for (const auto& e : fs::recursive_directory_iterator(root_)) {
      if (e.path().filename().string().starts_with("ZU_")) return true;
    }
    return false;
  }
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
  options_.dont_make_css_list = false;
  prompter_.save_path = folder_ + "chosen.html";
  const DownloadResult r = Run("/d/top.html");
  ASSERT_TRUE(r.page_saved) << r.failure;

  // Listed in sorted order, not as the page writes them.
  EXPECT_EQ(r.frames, (std::vector<std::string>{"main.php?id=1", "menu.html"}));
  EXPECT_TRUE(r.frameset);
  EXPECT_TRUE(r.labels.frameset_saved);
  EXPECT_EQ(prompter_.information_labels, std::vector<std::string>{msg::FramesetPage()});
  // Saved under the page's own name; the chosen name only confirms the folder.
  EXPECT_EQ(r.saved_page, Local("d/top.html"));
  EXPECT_FALSE(fs::exists(Local("chosen.html")));
  const std::string saved = test::ReadFile(Local("d/top.html"));
  EXPECT_TRUE(Has(saved, "<frame src=\"menu.html\" name=\"m\">")) << saved;
  EXPECT_TRUE(Has(saved, "src=\"main.php@id=1.html\"")) << saved;
  EXPECT_TRUE(Has(saved, "href=\"../s/site.css\"")) << saved;
  EXPECT_TRUE(Has(saved, "href=\"" + Url("/top/") + "\"")) << saved;
  EXPECT_TRUE(Has(saved, "href=\"http://example.com/a.html\"")) << saved;
  EXPECT_TRUE(Has(saved, SavedFromComment(Url("/d/top.html")))) << saved;
  // What the container itself shows is saved with it; the frames wait for
  // jobs of their own, the next jobs keep the folder and skip reports.
  EXPECT_EQ(Hits("/s/site.css"), 1);
  EXPECT_EQ(test::ReadFile(Local("s/site.css")), "body{}");
  EXPECT_EQ(Hits("/d/menu.html"), 0);
  EXPECT_FALSE(AnyReport());
  EXPECT_TRUE(r.next_options.dont_empty_folder);
  EXPECT_TRUE(r.next_options.dont_make_css_list);
}

TEST_F(Frames, FramesetAtAFolderAddress) {
  site_["/f/"] =
      "<html><head></head><frameset rows=\"*\"><FRAME SRC=\"body.cgi\"></frameset></html>";
  prompter_.save_path = folder_;  // a folder chosen without a name
  const DownloadResult r = Run("/f/");
  ASSERT_TRUE(r.page_saved) << r.failure;
  EXPECT_EQ(r.labels.page_address, Url("/f/") + "@#@");
  const std::string saved = test::ReadFile(Local("f/index.html"));
  EXPECT_TRUE(Has(saved, "<FRAME SRC=\"body.cgi.html\">")) << saved;
  // The mark stays in the job: the saved page names the address itself.
  EXPECT_TRUE(Has(saved, SavedFromComment(Url("/f/")))) << saved;
  EXPECT_FALSE(Has(saved, "@#@")) << saved;
}

TEST_F(Frames, FramesetThatSavesNothing) {
  site_["/n/top.html"] = "<html><frameset cols=\"*\"><frame name=\"a\"></frameset></html>";
  // Cancelled dialog: nothing written.
  EXPECT_EQ(Run("/n/top.html").failure_kind, DownloadFailure::Cancelled);
  EXPECT_FALSE(fs::exists(Local("n")));
  EXPECT_FALSE(Engine().Running());
  // No frame in it: neither listed nor saved.
  prompter_.save_path = folder_ + "x.html";
  const DownloadResult none = Run("/n/top.html");
  EXPECT_EQ(none.failure_kind, DownloadFailure::PageNotSaved);
  EXPECT_TRUE(none.frames.empty());
  EXPECT_FALSE(fs::exists(Local("n")));
  // A folder chosen that is not there: nothing saved, nothing made.
  site_["/m/top.html"] = "<html><frameset cols=\"*\"><frame src=\"a.html\"></frameset></html>";
  prompter_.save_path = (root_ / "missing").string() + "/x.html";
  EXPECT_FALSE(Run("/m/top.html").page_saved);
  EXPECT_FALSE(fs::exists(root_ / "missing"));
}

TEST_F(Frames, InlineFramesAreListedAndTurnTheReportsOff) {
  site_["/p/index.html"] =
      "<html><head><title>p</title><link rel=\"stylesheet\" href=\"p.css\"></head>\r\n<body>\r\n"
      "<iframe src=\"ad.html\" frameborder=\"0\"></iframe>\r\n"
      "<iframe src=\"/x/frame\"></iframe><p>frame text</p>\r\n"
      "<iframe src=\"\"></iframe>\r\n</body></html>\r\n";
  site_["/p/p.css"] = "p{}";
  options_.dont_make_css_list = false;
  const DownloadResult r = Run("/p/index.html");
  ASSERT_TRUE(r.page_saved) << r.failure;
  EXPECT_EQ(r.frames, (std::vector<std::string>{"/x/frame", "ad.html"}));
  EXPECT_TRUE(r.next_options.dont_make_css_list);
  EXPECT_FALSE(AnyReport());
  const std::string saved = test::ReadFile(Local("p/index.html"));
  EXPECT_TRUE(Has(saved, "<iframe src=\"ad.html\" frameborder=\"0\">")) << saved;
  EXPECT_TRUE(Has(saved, "<iframe src=\"../x/frame.html\"></iframe>")) << saved;
  EXPECT_TRUE(Has(saved, "<p>frame text</p>")) << saved;
  EXPECT_EQ(Hits("/p/ad.html"), 0) << "frame pages wait for jobs of their own";
}

TEST_F(Frames, FrameEntryActions) {
  site_["/d/top.html"] = kFrameset;
  site_["/d/menu.html"] =
      "<html><head><title>m</title></head><body>"
      "<iframe src=\"in.html\"></iframe></body></html>";
  prompter_.save_path = folder_ + "top.html";
  const DownloadResult top = Run("/d/top.html");
  ASSERT_TRUE(top.page_saved) << top.failure;

  // 2: the frame page from the web in the result pane, nothing written.
  options_.frame_download = 2;
  EXPECT_EQ(RunFrame("menu.html").failure_kind, DownloadFailure::None);
  EXPECT_EQ(browser_.result_pane.back(), Url("/d/menu.html"));
  EXPECT_FALSE(fs::exists(Local("d/menu.html")));
  // Every choice puts the entry into the address box's list.
  EXPECT_EQ(last_.labels.url_history.back(), "menu.html");
  // 1: the system browser.
  options_.frame_download = 1;
  last_ = top;
  EXPECT_EQ(RunFrame("//example.com/x.html").failure_kind, DownloadFailure::None);
  EXPECT_EQ(system_.opened, std::vector<std::string>{"http://example.com/x.html"});
  EXPECT_EQ(last_.labels.url_history.back(), "//example.com/x.html");
  last_ = top;
  EXPECT_EQ(RunFrame("javascript:void(0)").failure_kind, DownloadFailure::NotWebAddress);
  EXPECT_NE(last_.labels.url_history.back(), "javascript:void(0)");
  EXPECT_EQ(Hits("/d/menu.html"), 0);

  // 0: a whole job; the container's list stays and gains the frame's inline frames.
  options_.frame_download = 0;
  last_ = top;
  const DownloadResult frame = RunFrame(" menu.html ");
  EXPECT_EQ(frame.labels.frame_entry, "menu.html");
  EXPECT_TRUE(frame.page_saved) << frame.failure;
  EXPECT_EQ(frame.saved_page, Local("d/menu.html"));
  EXPECT_TRUE(fs::exists(Local("d/menu.html")));
  EXPECT_TRUE(fs::exists(Local("d/top.html")));
  EXPECT_EQ(frame.frames, (std::vector<std::string>{"main.php?id=1", "menu.html", "in.html"}));
  // Known already from the first choice: listed once.
  EXPECT_EQ(std::count(frame.labels.url_history.begin(), frame.labels.url_history.end(),
                       "menu.html"),
            1);
}

// A frame's name that holds "http" is a name, and a query that holds an
// address is a query: each frame's own job saves it under the name the
// container's copy points at.
TEST_F(Frames, EachFrameIsSavedWhereTheContainerPoints) {
  site_["/h/top.html"] =
      "<html><head><title>t</title></head><frameset cols=\"*,*\">"
      "<frame src=\"menu_http.html\"><frame src=\"view.php?u=http://example.com/z.gif\">"
      "</frameset></html>";
  site_["/h/menu_http.html"] = "<html><head><title>m</title></head><body>menu</body></html>";
  site_["/h/view.php"] = "<html><head><title>v</title></head><body>view</body></html>";
  prompter_.save_path = folder_ + "top.html";
  const DownloadResult top = Run("/h/top.html");
  ASSERT_TRUE(top.page_saved) << top.failure;
  ASSERT_EQ(top.frames.size(), 2u);
  const std::string container = test::ReadFile(Local("h/top.html"));
  for (const std::string& entry : top.frames) {
    last_ = top;
    const DownloadResult frame = RunFrame(entry);
    ASSERT_TRUE(frame.page_saved) << entry << ": " << frame.failure;
    EXPECT_EQ(FolderOf(frame.saved_page), Local("h/")) << entry;
    EXPECT_TRUE(fs::is_regular_file(FsPath(frame.saved_page))) << frame.saved_page;
    EXPECT_TRUE(Has(container, "src=\"" + FileNameOf(frame.saved_page) + "\"")) << container;
  }
  EXPECT_EQ(Hits("/h/menu_http.html"), 1);
  EXPECT_EQ(Hits("/h/view.php"), 1);
}

}  // namespace
}  // namespace kaplo
