// Web text commands: bytes in on stdin, bytes out on stdout.
#include <charconv>
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "text/normalise.h"
#include "text/urlcode.h"
#include "text/webcode.h"

namespace kaplo::cli {
namespace {

int WebCode(std::span<const std::string> argv) {
  Args args(argv);
  const std::vector<std::string> pos = args.Positionals(2, 2);
  const std::string& way = pos[0];
  if (way != "decode" && way != "encode")
    throw UsageError("the first argument is decode or encode");
  int code = -1;
  const auto [end, ec] = std::from_chars(pos[1].data(), pos[1].data() + pos[1].size(), code);
  if (ec != std::errc() || end != pos[1].data() + pos[1].size() || code < 0 ||
      code >= kWebCodeCount) {
    throw UsageError("the code is a number from 0 to " + std::to_string(kWebCodeCount - 1));
  }
  const std::string text = ReadAllStdin();
  if (way == "encode") {
    WriteStdout(WebCodeEncode(text, code));
    return 0;
  }
  ConversionStats stats;
  WriteStdout(WebCodeDecode(text, code, stats));
  if (stats.invalid == 0) return 0;
  static constexpr const char* kNames[kWebCodeCount] = {
      "hex UTF-8", "hex UTF-8", "hex EUC-JP", "hex Shift_JIS", "UTF-8", "ISO-2022-JP", "Base64",
      "EUC-JP"};
  std::fprintf(stderr, "kaplo webcode: the input is not valid %s: %zu invalid sequence(s)%s\n",
               kNames[code], stats.invalid,
               code == kWebCodeBase64 ? "" : ", each written as \"?\"");
  return 1;
}

int Normalise(std::span<const std::string> argv) {
  Args args(argv);
  args.Positionals(0, 0);
  WriteStdout(NormaliseHtml(ReadAllStdin()));
  return 0;
}

int SafePath(std::span<const std::string> argv) {
  Args args(argv);
  std::string folder;
  const bool below = args.Value("--folder", folder);
  args.Positionals(0, 0);
  const std::string text = ReadAllStdin();
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t e = text.find('\n', i);
    if (e == std::string::npos) e = text.size();
    std::string_view line = std::string_view(text).substr(i, e - i);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    out += below ? UrlToSafePath(folder, line) : UrlToSafePath(line);
    out += '\n';
    i = e + 1;
  }
  WriteStdout(out);
  return 0;
}

constexpr Command kCommands[] = {
    {"webcode", "decode|encode N < in > out",
     "the web code tab: to Shift_JIS from code N, or from Shift_JIS to it (0 hex UTF-8, "
     "1 hex UTF-8 without %25, 2 hex EUC, 3 hex Shift_JIS, 4 UTF-8, 5 JIS, 6 Base64, 7 EUC); "
     "decoding invalid input says so and exits 1",
     WebCode},
    {"normalise", "< in > out", "tidy Shift_JIS HTML: blank lines, tag case, line breaks",
     Normalise},
    {"safepath", "[--folder DIR] < paths",
     "each line made a file-name-safe path (below DIR, kept as written)", SafePath},
};

}  // namespace

std::span<const Command> WebCommands() { return kCommands; }

}  // namespace kaplo::cli
