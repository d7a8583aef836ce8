// Source view commands: syntax colouring to RTF, colour lists and keyword
// search, on Shift_JIS texts as the views hold them.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "text/convert.h"
#include "view/css_colors.h"
#include "view/html_rtf.h"
#include "view/keyword_search.h"

namespace kaplo::cli {
namespace {

bool ReadFile(const std::string& path, std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  char buf[1 << 16];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

int Rtf(std::span<const std::string> argv) {
  Args args(argv);
  const bool alternate = args.Flag("--alt");
  args.Positionals(0, 0);
  WriteStdout(HtmlToRtf(ReadAllStdin(), alternate));
  return 0;
}

int Colours(std::span<const std::string> argv) {
  Args args(argv);
  const bool sorted = args.Flag("--sorted");
  args.Positionals(0, 0);
  std::string out;
  for (std::string& entry : CreateCssColorList(ReadAllStdin(), sorted)) {
    // A selector may span lines; here each entry keeps to one.
    for (char& c : entry) {
      if (c == '\r' || c == '\n') c = ' ';
    }
    out += entry;
    out += '\n';
  }
  WriteStdout(out);
  return 0;
}

int Keywords(std::span<const std::string> argv) {
  Args args(argv);
  const std::vector<std::string> pos = args.Positionals(2, 2);
  std::string text;
  if (!ReadFile(pos[1], text)) {
    std::fprintf(stderr, "kaplo keywords: cannot read %s\n", pos[1].c_str());
    return 1;
  }
  const std::vector<std::string> keywords = EdictScan(Utf8ToShiftJIS(pos[0]));
  const std::vector<KeywordHit> hits = FindKeywords(text, keywords);
  const std::vector<std::string> entries = ResultEntries(text, hits);
  std::string out;
  out.reserve(hits.size() * 12);
  for (std::size_t i = 0; i < hits.size(); ++i) {
    out += std::to_string(hits[i].keyword + 1);
    out += '\t';
    out += entries[i];
    out += '\n';
  }
  WriteStdout(out);
  return 0;
}

constexpr Command kCommands[] = {
    {"rtf", "[--alt] < in > out",
     "a source text as syntax-coloured RTF (--alt: the alternate palette)", Rtf},
    {"colours", "[--sorted] < in",
     "the colour values of a stylesheet with their selectors, or sorted and distinct", Colours},
    {"keywords", "\"KW1 KW2 ...\" FILE",
     "line/column of every hit of up to eight keywords: keyword number, tab, entry", Keywords},
};

}  // namespace

std::span<const Command> ViewCommands() { return kCommands; }

}  // namespace kaplo::cli
