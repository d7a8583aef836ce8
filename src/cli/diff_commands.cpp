// Line comparison of two texts, as the comparison pane shows it.
#include <string>

#include "cli/cli.h"
#include "cli/common_options.h"
#include "cli/input_file.h"
#include "cli/terminal.h"
#include "view/line_diff.h"

namespace kaplo::cli {
namespace {

// Exit status as diff's: 0 the same, 1 different, 2 trouble.
int Diff(std::span<const std::string> argv) {
  Args args(argv);
  long long context = 3, code = 0;
  args.IntValue("-U", 0, 1000000, context);
  args.IntValue("--code", 0, 5, code);
  const std::vector<std::string> pos = args.Positionals(2, 2);
  // Both texts are shown in the terminal's code, each read in its own.
  const std::string text_a = InputToTerminal(ReadInputFile(pos[0]), static_cast<int>(code));
  const std::string text_b = InputToTerminal(ReadInputFile(pos[1]), static_cast<int>(code));
  const std::vector<std::string_view> a = SplitLines(text_a), b = SplitLines(text_b);
  // As diff does: unrelated stretches show as blocks, not matched on their blank lines.
  const LineDiff diff =
      DiffLines(a, b, {.like_diff = true, .horizon = static_cast<std::size_t>(context)});
  WriteStdout(UnifiedDiff(a, b, diff, pos[0], pos[1], static_cast<std::size_t>(context)));
  return diff.hunks.empty() ? 0 : 1;
}

constexpr Option kOptions[] = {
    {"-U", "N", "3", "lines of context around each change", "変更の前後に示す行数"},
    kInputCodeOption,
};

constexpr Command kCommands[] = {
    {"diff", "[-U N] [--code N] A B",
     "the line differences of two texts in unified format, as diff -u shows them; line-end "
     "style is ignored, each file is read in its own code and shown in the terminal's",
     Diff, kOptions,
     "二つのテキストの行の違いを diff -u と同じ統合形式で示します。改行の種類は無視し、"
     "それぞれのファイルをその文字コードで読み、端末の文字コードで表示します",
     "Exit status 0 when the texts are the same, 1 when they differ, 2 on trouble (a file that "
     "cannot be read, a folder or a device given as a file).",
     "終了コード: 同じなら 0、違えば 1、問題があれば 2（読めないファイル、ファイルの代わりに"
     "フォルダーやデバイスが指定された）。"},
};

}  // namespace

std::span<const Command> DiffCommands() { return kCommands; }

}  // namespace kaplo::cli
