// Discovery of stylesheets, scripts and images over arbitrary page text, and
// the reference scan of a stylesheet, with a network that answers nothing.
// Checks that every value set holds what CollectBetween would collect and
// that nothing is written beside the save folder.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/css_js.h"
#include "engine/engine.h"
#include "engine/url.h"
#include "text/strutil.h"

using namespace kaplo;

namespace {

class NoNetwork : public Fetcher {
 public:
  std::string FetchText(std::string_view) override { return {}; }
  bool FetchToFile(std::string_view, std::string_view) override { return false; }
  bool FetchResourceToFile(std::string_view, std::string_view, int) override { return false; }
  ProbeReport Probe(std::string_view) override { return {}; }
};

class NoQuestions : public Prompter {
 public:
  Answer Ask(std::string_view, Buttons) override { return Answer::Yes; }
  void Inform(std::string_view) override {}
  void ShowInformation(std::string_view, std::string_view) override {}
  std::optional<std::string> SaveHtmlDialog(std::string_view, std::string_view) override {
    return std::nullopt;
  }
};

namespace fs = std::filesystem;

const fs::path& Root() {
  // Never destroyed, so the clean-up at exit can still read it.
  static const fs::path* const root = [] {
    auto* r = new fs::path(fs::temp_directory_path() /
                           ("kaplo-discovery-fuzz-" + std::to_string(::getpid())));
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(Root(), ec);
    });
    return r;
  }();
  return *root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string page(reinterpret_cast<const char*>(data), size);

  for (auto [open, close] :
       {std::pair{"\"", "\""}, {"url(", ")"}, {"src=\"", "\""}, {"(\"", "\")"}}) {
    std::vector<std::string> list;
    CollectBetween(page, open, close, list);
    StringSet distinct;
    CollectDistinctBetween(page, open, close, distinct);
    if (distinct != StringSet(list.begin(), list.end())) __builtin_trap();
  }

  std::error_code ec;
  const fs::path save = Root() / "save";
  fs::create_directories(save, ec);
  const std::string folder = save.string() + "/";
  NoNetwork fetcher;
  NoQuestions prompter;
  JobObserver observer;
  DownloadEngine engine(fetcher, prompter, nullptr, observer);
  engine.DLButtonDisable();
  if (size > 0 && data[0] % 2 == 0) engine.job.BaseHrefValue = "http://cdn.example/x/";
  engine.job.BaseHrefDir = UrlDirectory(engine.job.BaseHrefValue);
  engine.DLMakePageCSSJS("http://h.example/a/b/page.html", folder, page);
  engine.ResolveCSSJS("http://h.example/a/css/s.css", folder + "a/css/s.css",
                      engine.lists.ListBoxPGTab02LTab03PageImage, page, folder);
  engine.DLDownloadCSSJS(folder, engine.lists.ListBoxPGTab02LTab02PageWebCSS);
  engine.DLDownloadImage(folder, engine.lists.ListBoxPGTab02LTab03PageImage);

  for (const auto& entry : fs::directory_iterator(Root(), ec)) {
    if (entry.path() != save) __builtin_trap();
  }
  fs::remove_all(save, ec);
  return 0;
}
