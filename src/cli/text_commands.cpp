// Code conversion commands: bytes in on stdin, bytes out on stdout.
#include <string>

#include "cli/cli.h"
#include "text/charset.h"

namespace kaplo::cli {
namespace {

long long CodeOption(Args& args, bool required) {
  long long code = 0;
  if (!args.IntValue("--code", 0, 5, code) && required) throw UsageError("--code N is required");
  return code;
}

int ToSjis(std::span<const std::string> argv) {
  Args args(argv);
  const int code = static_cast<int>(CodeOption(args, false));
  args.Positionals(0, 0);
  WriteStdout(AnyCodeToShiftJIS(ReadAllStdin(), code));
  return 0;
}

int FromSjis(std::span<const std::string> argv) {
  Args args(argv);
  const int code = static_cast<int>(CodeOption(args, true));
  const bool keep_decl = args.Flag("--keep-decl");
  args.Positionals(0, 0);
  std::string text = ReadAllStdin();
  if (!keep_decl) text = RewriteCharsetDeclForSave(text, code);
  WriteStdout(ConvertShiftJISForSave(text, code));
  return 0;
}

int Detect(std::span<const std::string> argv) {
  Args args(argv);
  args.Positionals(0, 0);
  const int code = DetectDeclaredCharset(ReadAllStdin());
  WriteStdout(std::to_string(code) + " " + std::string(CharsetNameUtf8(code)) + "\n");
  return 0;
}

constexpr Command kCommands[] = {
    {"tosjis", "[--code N] < in > out",
     "any Japanese code to Shift_JIS (0 detects, 1 EUC-JP, 2 UTF-8, 3 Shift_JIS, 4 ISO-2022-JP, "
     "5 UTF-8N)",
     ToSjis},
    {"fromsjis", "--code N [--keep-decl] < in > out",
     "Shift_JIS to the code N, charset declarations rewritten unless --keep-decl", FromSjis},
    {"detect", "< in", "the declared charset of an HTML text: code and name", Detect},
};

}  // namespace

std::span<const Command> TextCommands() { return kCommands; }

}  // namespace kaplo::cli
