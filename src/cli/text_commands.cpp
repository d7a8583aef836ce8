// Code conversion commands: bytes in on stdin, bytes out on stdout.
#include <algorithm>
#include <cstdio>
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
  const bool strict = args.Flag("--strict");
  args.Positionals(0, 0);
  const std::string text = ReadAllStdin();
  // Without --code the text is read as a download reads a page: its declared
  // code first, so a meta declaration beats an XML prolog in the head. A page
  // keeps what Shift_JIS lacks as references, as the download writes it.
  ConversionStats stats;
  WriteStdout(AnyCodeToShiftJIS(text, given ? static_cast<int>(code) : PageReadingCode(text, 0),
                                LooksLikeHtml(text) ? Unmappable::CharRef : Unmappable::Question,
                                stats));
  if (stats.Replaced() == 0) return 0;
  std::fprintf(stderr,
               "kaplo tosjis: %zu character(s) replaced by \"?\" (%zu with no Shift_JIS form, "
               "%zu invalid byte sequence(s))\n",
               stats.Replaced(), stats.unmappable, stats.invalid);
  return strict ? 1 : 0;
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
  const std::string text = ReadAllStdin();
  const CharsetDecision d = DecideCharset(text);
  std::string how = d.source == CharsetSource::kText ? "declaration" : "bytes";
  if (std::none_of(text.begin(), text.end(), [](char c) { return c & 0x80; }) &&
      d.code == kCharsetShiftJis && d.source == CharsetSource::kBytes) {
    how += ": ASCII only";
  }
  WriteStdout(std::to_string(d.code) + " " + std::string(CharsetNameUtf8(d.code)) + " (" + how +
              ")\n");
  return 0;
}

constexpr Command kCommands[] = {
    {"tosjis", "[--code N] [--strict] < in > out",
     "any Japanese code to Shift_JIS; without --code as a download reads a page (the declared "
     "charset, else the code its bytes show); --code 0 the head detection, else the bytes, "
     "1 EUC-JP, 2 UTF-8, 3 Shift_JIS (unchanged), 4 ISO-2022-JP, 5 UTF-8N. HTML keeps what "
     "Shift_JIS lacks as &#x...; references; elsewhere it becomes \"?\", counted on stderr "
     "(--strict: exit 1)",
     ToSjis},
    {"fromsjis", "--code N [--keep-decl] < in > out",
     "Shift_JIS to the code N, charset declarations rewritten unless --keep-decl", FromSjis},
    {"detect", "< in",
     "the code a text is read in and how it was found: \"1 EUC-JP (declaration)\", "
     "\"2 UTF-8 (bytes)\"",
     Detect},
};

}  // namespace

std::span<const Command> TextCommands() { return kCommands; }

}  // namespace kaplo::cli
