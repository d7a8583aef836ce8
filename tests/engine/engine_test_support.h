// Test doubles of the engine's ports, and the setting most engine tests
// share: an engine, a site served on 127.0.0.1 and a save folder.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/fetch.h"
#include "engine/http_server_support.h"
#include "engine/ports.h"

namespace kaplo::test {

// Answers questions from a script and records what was asked.
class ScriptedPrompter : public Prompter {
 public:
  std::vector<Answer> answers;  // taken in order; Yes when used up
  std::vector<std::string> asked, informed, information_labels;
  std::optional<std::string> save_path;
  int save_dialogs = 0;

  Answer Ask(std::string_view q, Buttons) override {
    asked.emplace_back(q);
    if (answers.empty()) return Answer::Yes;
    const Answer a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  void Inform(std::string_view m) override { informed.emplace_back(m); }
  void ShowInformation(std::string_view label, std::string_view) override {
    information_labels.emplace_back(label);
  }
  std::optional<std::string> SaveHtmlDialog(std::string_view, std::string_view) override {
    ++save_dialogs;
    return save_path;
  }
};

// A fresh folder below the temporary folder with a "save" folder in it,
// removed again at the end.
struct TempSaveFolder {
  explicit TempSaveFolder(const std::string& tag)
      : root(std::filesystem::temp_directory_path() /
             ("kaplo-" + tag + "-" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "save");
  }
  ~TempSaveFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
  std::filesystem::path root;
  std::string save = (root / "save").string() + "/";
};

// Keeps what the result pane was sent to; the download pane's document is empty.
class RecordingBrowser : public BrowserPort {
 public:
  std::vector<std::string> result_pane;  // every address but about:blank
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
  void OpenInSystemBrowser(std::string_view file) override { opened.emplace_back(file); }
};

// An engine, the site it saves from and the folder it saves into. Jobs go
// in as requests, as the download tab sends them: each starts from the
// options and the address list the job before left.
class EngineTest : public ::testing::Test {
 protected:
  // tag names the temporary folder; with_browsers gives the engine the
  // recording browser panes and system browser (else it has none, as the
  // command line without rendering).
  explicit EngineTest(const std::string& tag, bool with_browsers = false);
  void SetUp() override;  // serves site_ (other paths: 404 with not_found_)

  std::string Url(const std::string& path) const { return server_.Url(path); }
  std::string Local(const std::string& below) const { return folder_ + below; }
  // Requests the server had for path (query left out).
  int Hits(const std::string& path);
  void ClearHits();

  // A request for path (or an absolute address) into the save folder.
  DownloadRequest Request(const std::string& path_or_url) const;
  DownloadResult Run(const std::string& path_or_url) { return Run(Request(path_or_url)); }
  DownloadResult Run(const DownloadRequest& request);
  // An entry of the last page's frame list, as the list's click sends it.
  DownloadResult RunFrame(const std::string& reference);
  DownloadEngine& Engine() { return *engine_; }

  std::map<std::string, std::string> site_;  // path -> body, typed by its extension
  std::string not_found_ = "<html><body>404 Not Found</body></html>";
  DownloadOptions options_;               // what the next job is sent
  std::vector<std::string> url_history_;  // the address box's list
  DownloadResult last_;                   // the last job's result

  TempSaveFolder temp_;
  const std::filesystem::path root_ = temp_.root;
  const std::string folder_ = temp_.save;
  LocalServer server_;
  CurlFetcher fetcher_;
  ScriptedPrompter prompter_;
  JobObserver observer_;
  RecordingBrowser browser_;
  RecordingSystemBrowser system_;

 private:
  DownloadResult Took(DownloadResult result);

  std::mutex mu_;
  std::map<std::string, int> hits_;
  std::unique_ptr<DownloadEngine> engine_;
};

// A file's bytes; empty when there is none.
std::string ReadFile(const std::filesystem::path& path);

}  // namespace kaplo::test
