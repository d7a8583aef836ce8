// The image stage on its own: entering lines, one image's outcomes with the
// retry against the base address, and the stop button between images.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>

#include "engine/engine.h"
#include "engine/engine_test_support.h"
#include "engine/http_server_support.h"
#include "text/sjis_literal.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

const std::string kPng = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);

// Calls back on every progress step of a loop.
class ProgressHook : public JobObserver {
 public:
  std::function<void(std::string_view)> on_progress;
  void Progress(std::string_view, std::string_view file) override {
    if (on_progress) on_progress(file);
  }
};

class ImageStage : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kaplo-images-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
    folder_ = root_.string() + "/";
    server_.server().Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard<std::mutex> lock(mu_);
      ++hits_[req.path];
      if (req.path == "/p/page.html") {
        res.set_content(
            "<html><head><title>p</title></head><body><img src=\"1.png\">"
            "<img src=\"2.png\"><img src=\"3.png\"><img src=\"4.png\"></body></html>",
            "text/html");
      } else if (req.path.ends_with(".png") && !req.path.starts_with("/i/")) {
        res.set_content(kPng, "image/png");
      } else {
        res.status = 404;
        res.set_content("<html><body>not here</body></html>", "text/html");
      }
    });
    server_.Start();
  }
  void TearDown() override { fs::remove_all(root_); }

  int Hits(const std::string& path) {
    std::lock_guard<std::mutex> lock(mu_);
    return hits_[path];
  }
  std::string Url(const std::string& path) { return server_.Url(path); }
  // The line discovery enters for a reference of a page in /p/.
  std::string Line(const std::string& name) {
    return MakeResourceLine(name, Url("/p/" + name), folder_ + "p/" + name);
  }

  std::mutex mu_;
  std::map<std::string, int> hits_;
  test::LocalServer server_;
  fs::path root_;
  std::string folder_;
  CurlFetcher fetcher_;
  test::ScriptedPrompter prompter_;
  ProgressHook observer_;
  DownloadEngine engine_{fetcher_, prompter_, nullptr, observer_};
  std::vector<std::string>& outcomes_ = engine_.lists.ListBoxPGTab02LTab03PageImageDownloaedImage;
  std::vector<std::string>& failed_ = engine_.lists.ListBoxPGTab02LTab06DLImageNotFound;
};

TEST_F(ImageStage, LinesAreEnteredOnce) {
  std::vector<std::string> images, shown;
  StringSet set;
  for (const char* line : {"url(img/a.gif)", "img/a.gif", "URL(img/b.gif)", ";x.gif", "=x.gif",
                           " x.gif", "%20.gif", "url(c.gif", "img/b.gif"}) {
    engine_.DLSetListbox(line, images, set, shown);
  }
  EXPECT_EQ(images, (std::vector<std::string>{"img/a.gif", "img/b.gif", "url(c.gif"}));
  EXPECT_EQ(shown, images);
}

TEST_F(ImageStage, OutcomeOfOneImage) {
  const std::string path = folder_ + "p/a.png";
  EXPECT_EQ(engine_.DLDownloadedImage(Url("/p/a.png"), path, outcomes_, outcomes_), 0);
  EXPECT_EQ(engine_.DLDownloadedImage(Url("/p/a.png"), path, outcomes_, outcomes_), 0);
  EXPECT_EQ(Hits("/p/a.png"), 1) << "a file that is there is not fetched again";
  // An HTML answer leaves no file.
  EXPECT_EQ(engine_.DLDownloadedImage(Url("/p/b.gif"), folder_ + "p/b.gif", outcomes_, outcomes_),
            -1);
  EXPECT_FALSE(fs::exists(folder_ + "p/b.gif"));
  EXPECT_EQ(engine_.DLDownloadedImage("ftp://h/c.png", folder_ + "c.png", outcomes_, outcomes_),
            -1);
  // Newest first; nothing for an address that is not http.
  EXPECT_EQ(outcomes_, (std::vector<std::string>{SJ<"●">() + folder_ + "p/b.gif", SJ<"○">() + path,
                                                 SJ<"◎">() + path}));
  EXPECT_EQ(failed_,
            std::vector<std::string>{Url("/p/b.gif") + "\t" + SJ<"●">() + folder_ + "p/b.gif"});
}

TEST_F(ImageStage, AFailedImageIsTriedOnceMoreBelowTheBaseAddress) {
  engine_.job.BaseHrefValue = Url("/cdn/x/");
  const std::string path = folder_ + "i/a.png";
  EXPECT_EQ(engine_.DLDownloadedImage(Url("/i/a.png"), path, outcomes_, outcomes_), 0);
  EXPECT_EQ(Hits("/cdn/x/i/a.png"), 1);
  EXPECT_EQ(outcomes_, (std::vector<std::string>{SJ<"◎">() + path, SJ<"●">() + path}));
  EXPECT_EQ(failed_, (std::vector<std::string>{Url("/i/a.png") + "\t" + SJ<"●">() + path,
                                               Url("/cdn/x/i/a.png") + "\t" + SJ<"◎">() + path}));
  // One retry only.
  EXPECT_EQ(engine_.DLDownloadedImage(Url("/i/b.gif"), folder_ + "i/b.gif", outcomes_, outcomes_),
            -1);
  EXPECT_EQ(Hits("/i/b.gif") + Hits("/cdn/x/i/b.gif"), 2);
}

TEST_F(ImageStage, StopEndsTheLoopAfterTheCurrentImageAndTheJobGoesOn) {
  observer_.on_progress = [this](std::string_view file) {
    if (file.ends_with("2.png")) engine_.btnDownloadStopClick();
  };
  engine_.form.url = Url("/p/page.html");
  engine_.form.save_folder = folder_;
  engine_.btnDownloadAllClick();
  EXPECT_FALSE(engine_.Running());
  EXPECT_EQ(Hits("/p/1.png") + Hits("/p/2.png"), 2);
  EXPECT_EQ(Hits("/p/3.png") + Hits("/p/4.png"), 0);
  EXPECT_EQ(outcomes_.size(), 2u);
  // The stop cuts the loop short; the page is still rewritten and saved.
  EXPECT_TRUE(engine_.PageSaved());
  EXPECT_TRUE(fs::exists(folder_ + "p/page.html"));
}

}  // namespace
}  // namespace kaplo
