// kaplo frame: the action on one frame entry of a container page.
//
// Without a window there is no frame list left over from an earlier run, so
// the container is the page of --url, saved into --folder by this same
// command; REF is then one of its frame entries, as listed or by its place in
// the list (1 = first). Without --url there is no container and REF must be
// an absolute address. --choice 0 saves the frame page into the folder as a
// job of its own; 1 and 2, which show the page in a browser, print its
// address instead.
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/terminal.h"

namespace kaplo::cli {

// The download command's job runner, with the frame step after it.
int RunDownloadJob(std::span<const std::string> argv, const std::string* frame_ref,
                   int frame_choice);

namespace {

int Frame(std::span<const std::string> argv) {
  if (argv.empty() || argv[0].starts_with("-")) {
    throw UsageError(std::string(Tr("REF comes first", "REF を最初に指定してください")));
  }
  const std::string ref = argv[0];
  Args args(argv.subspan(1));
  std::string url, folder;
  const bool has_url = args.Value("--url", url);
  const bool has_folder = args.Value("--folder", folder) && !folder.empty();
  long long choice = 0;
  args.IntValue("--choice", 0, 2, choice);
  // The rest are download options.
  std::vector<std::string> call;
  if (has_url || has_folder) call.push_back(has_url ? url : std::string());
  if (has_folder) call.push_back(folder);
  const std::vector<std::string> rest = args.Rest();
  call.insert(call.end(), rest.begin(), rest.end());
  return RunDownloadJob(call, &ref, static_cast<int>(choice));
}

constexpr Option kOptions[] = {
    {"--url", "URL", "",
     "the container page: saved into --folder first, its frame entries then name REF",
     "フレームを持つページ: まず --folder に保存し、そのフレームの一覧で REF を探します"},
    {"--folder", "DIR", "", "the save folder of both pages", "両方のページの保存フォルダー"},
    {"--choice", "N", "0",
     "what is done with the frame: 0 save it into the folder as a job of its own, 1 and 2 "
     "(open it in a browser, show it in the local page pane in the window) print its address",
     "フレームをどうするか: 0 それだけのジョブとしてフォルダーに保存する、1 と 2（ウィンドウで"
     "はブラウザーで開く、ローカルページの欄に表示する）はそのアドレスを出力します"},
};

constexpr Command kCommands[] = {
    {"frame", "REF [--url URL] [--folder DIR] [--choice N] [download options]",
     "the action on one frame entry of a frameset page: REF is an entry of the page --url as "
     "listed, or its place in the list (1 = first); without --url an absolute address",
     Frame, kOptions,
     "フレームセットのページのフレーム一つへの操作: REF は --url のページのフレーム一覧の"
     "項目そのもの、または一覧での番号（1 が最初）。--url がなければ絶対アドレス",
     "Every option of kaplo download applies to both jobs. Standard output: the frame page's "
     "saved path (--choice 0) or its address (1, 2).",
     "kaplo download のオプションはどれも両方のジョブに使えます。標準出力: フレームのページを"
     "保存したパス（--choice 0）、またはそのアドレス（1、2）。"},
};

}  // namespace

std::span<const Command> FrameCommands() { return kCommands; }

}  // namespace kaplo::cli
