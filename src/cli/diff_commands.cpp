// Line comparison of two texts, as the comparison pane shows it.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "cli/cli.h"
#include "view/line_diff.h"

namespace kaplo::cli {
namespace {

bool ReadWholeFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// Exit status as diff's: 0 the same, 1 different, 2 trouble.
int Diff(std::span<const std::string> argv) {
  Args args(argv);
  long long context = 3;
  args.IntValue("-U", 0, 1000000, context);
  const std::vector<std::string> pos = args.Positionals(2, 2);
  std::string text_a, text_b;
  for (int i = 0; i < 2; ++i) {
    if (!ReadWholeFile(pos[i], i == 0 ? text_a : text_b)) {
      std::fprintf(stderr, "kaplo diff: cannot read %s\n", pos[i].c_str());
      return 2;
    }
  }
  const std::vector<std::string_view> a = SplitLines(text_a), b = SplitLines(text_b);
  const LineDiff diff = DiffLines(a, b);
  if (!diff.minimal) {
    std::fputs(
        "kaplo diff: the texts differ too widely for a line-by-line match within the work "
        "limit; part of them is shown as one replaced block\n",
        stderr);
  }
  WriteStdout(UnifiedDiff(a, b, diff, pos[0], pos[1], static_cast<std::size_t>(context)));
  return diff.hunks.empty() ? 0 : 1;
}

constexpr Command kCommands[] = {
    {"diff", "[-U N] A B",
     "line differences of two texts in unified format (N context lines, 3 by default); line-end "
     "style is ignored; exit 0 same, 1 different, 2 trouble",
     Diff},
};

}  // namespace

std::span<const Command> DiffCommands() { return kCommands; }

}  // namespace kaplo::cli
