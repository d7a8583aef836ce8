// kaplo get: one text file or image without a window, as the download tab's
// single file sheets fetch, read and save it.
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "cli/cli.h"
#include "engine/engine.h"
#include "engine/fetch.h"
#include "engine/individual.h"
#include "shell/messages.h"
#include "text/charset.h"
#include "text/convert.h"

namespace kaplo::cli {
namespace {

namespace fs = std::filesystem;

std::string FromTerminal(const std::string& utf8) {
  std::string s = Utf8ToShiftJIS(utf8);
  return s.empty() ? utf8 : s;
}

// No questions are asked here; the save dialog's answer is the folder given,
// else the working folder, under the suggested name.
class QuietPrompter : public Prompter {
 public:
  Answer Ask(std::string_view, Buttons) override { return Answer::Yes; }
  void Inform(std::string_view message) override {
    std::cerr << "kaplo get: " << ShiftJISToUtf8(message) << "\n";
  }
  void ShowInformation(std::string_view label, std::string_view) override { Inform(label); }
  std::optional<std::string> SaveHtmlDialog(std::string_view suggested,
                                            std::string_view folder) override {
    std::string dir(folder);
    if (dir.empty()) {
      std::error_code ec;
      dir = FromTerminal(fs::current_path(ec).string());
      if (ec) return std::nullopt;
    }
    if (dir.back() != '/') dir += '/';
    return dir + std::string(suggested.empty() ? std::string_view("index.html") : suggested);
  }
};

// An absolute Shift_JIS path for a name given on the command line.
std::string AbsolutePath(const std::string& name) {
  std::error_code ec;
  return FromTerminal(fs::absolute(name, ec).lexically_normal().string());
}

int Get(std::span<const std::string> argv) {
  Args args(argv);
  long long code = kCharsetAuto, save_code = -1;
  args.IntValue("--code", 0, 5, code);
  args.IntValue("--save-code", 0, 5, save_code);
  const bool image = args.Flag("--image");
  const std::vector<std::string> pos = args.Positionals(1, 2);

  CurlFetcher fetcher;
  QuietPrompter prompter;
  JobObserver observer;
  DownloadEngine engine(fetcher, prompter, nullptr, observer);
  const std::string url = FromTerminal(pos[0]);

  if (image) {
    // FOLDER is the save folder: the image goes below it at its address's path.
    if (pos.size() == 2) {
      std::string folder = AbsolutePath(pos[1]);
      if (folder.back() != '/') folder += '/';
      engine.form.save_folder = folder;
    }
    engine.individual_image.url = url;
    if (!engine.sbPGTab02RTab08ImageIndividualDownloadClick()) return 1;
    std::cout << ShiftJISToUtf8(engine.individual_image.file) << "\n";
    return 0;
  }

  engine.form.individual_url = url;
  engine.individual.code = static_cast<int>(code);
  engine.individual.screen = 1;  // always as text: there is no pane for an image
  engine.sbPGTab02RTab07IndividualUrlClick();
  if (engine.individual.memo.empty()) {
    std::cerr << "kaplo get: " << ShiftJISToUtf8(msg::NoData(url)) << "\n";
    return 1;
  }
  if (pos.size() == 1) {
    // On standard output the text is UTF-8 unless a code is asked for.
    WriteStdout(ConvertShiftJISForSave(engine.individual.memo,
                                       save_code < 0 ? kCharsetUtf8N : static_cast<int>(save_code)));
    return 0;
  }
  engine.individual.file = AbsolutePath(pos[1]);
  engine.individual.save_code = save_code < 0 ? kCharsetAuto : static_cast<int>(save_code);
  return engine.sbsbPGTab02RTab07IndividualSaveFileClick() ? 0 : 1;
}

constexpr Command kCommands[] = {
    {"get", "URL [FILE] [--code N] [--save-code N] [--image]",
     "one text file read in code N (to stdout, or saved as FILE in --save-code); "
     "with --image an image saved below the folder FILE",
     Get},
};

}  // namespace

std::span<const Command> GetCommands() { return kCommands; }

}  // namespace kaplo::cli
