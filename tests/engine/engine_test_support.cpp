#include "engine/engine_test_support.h"

#include <fstream>
#include <sstream>

namespace kaplo::test {

EngineTest::EngineTest(const std::string& tag, bool with_browsers)
    : temp_(tag),
      engine_(std::make_unique<DownloadEngine>(fetcher_, prompter_,
                                               with_browsers ? &browser_ : nullptr, observer_,
                                               with_browsers ? &system_ : nullptr)) {}

void EngineTest::SetUp() {
  ServeSite(server_.server(), site_, not_found_, nullptr, [this](const std::string& path) {
    std::lock_guard<std::mutex> lock(mu_);
    ++hits_[path];
  });
  server_.Start();
}

int EngineTest::Hits(const std::string& path) {
  std::lock_guard<std::mutex> lock(mu_);
  return hits_[path];
}

void EngineTest::ClearHits() {
  std::lock_guard<std::mutex> lock(mu_);
  hits_.clear();
}

DownloadRequest EngineTest::Request(const std::string& path_or_url) const {
  DownloadRequest r;
  r.url = path_or_url.starts_with("/") ? Url(path_or_url) : path_or_url;
  r.save_folder = folder_;
  r.options = options_;
  r.url_history = url_history_;
  return r;
}

DownloadResult EngineTest::Run(const DownloadRequest& request) {
  return Took(engine_->Run(request));
}

DownloadResult EngineTest::RunFrame(const std::string& reference) {
  return Took(engine_->RunFrame({.page_url = last_.url,
                                 .save_folder = folder_,
                                 .reference = reference,
                                 .options = options_,
                                 .url_history = url_history_}));
}

DownloadResult EngineTest::Took(DownloadResult result) {
  options_ = result.next_options;
  url_history_ = result.labels.url_history;
  last_ = result;
  return result;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace kaplo::test
