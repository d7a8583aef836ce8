// Code conversion commands: bytes in on stdin, bytes out on stdout.
#include <string>

#include "cli/cli.h"
#include "text/charset.h"

namespace kaplo::cli {
namespace {

long long RequiredCode(Args& args) {
  long long code = 0;
  if (!args.IntValue("--code", 0, 5, code)) throw UsageError("--code N is required");
  return code;
}

int ToSjis(std::span<const std::string> argv) {
  Args args(argv);
  long long code = 0;
  const bool given = args.IntValue("--code", 0, 5, code);
  args.Positionals(0, 0);
  const std::string text = ReadAllStdin();
  // Without --code the text is read as a download reads a page: its declared
  // code first, so a meta declaration beats an XML prolog in the head.
  WriteStdout(AnyCodeToShiftJIS(text, given ? static_cast<int>(code) : PageReadingCode(text, 0)));
  return 0;
}

int FromSjis(std::span<const std::string> argv) {
  Args args(argv);
  const int code = static_cast<int>(RequiredCode(args));
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
     "any Japanese code to Shift_JIS; without --code as a download reads a page (the declared "
     "charset, else detection from the head); --code 0 the head detection alone, 1 EUC-JP, "
     "2 UTF-8, 3 Shift_JIS (unchanged), 4 ISO-2022-JP, 5 UTF-8N",
     ToSjis},
    {"fromsjis", "--code N [--keep-decl] < in > out",
     "Shift_JIS to the code N, charset declarations rewritten unless --keep-decl", FromSjis},
    {"detect", "< in", "the declared charset of an HTML text: code and name", Detect},
};

}  // namespace

std::span<const Command> TextCommands() { return kCommands; }

}  // namespace kaplo::cli
