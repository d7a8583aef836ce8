// Code conversion commands: bytes in (FILE..., or standard input) on
// standard output.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/input_file.h"
#include "cli/terminal.h"
#include "text/charset.h"

namespace kaplo::cli {
namespace {

long long RequiredCode(Args& args) {
  long long code = 0;
  if (!args.IntValue("--code", 0, 5, code)) throw UsageError("--code N is required");
  return code;
}

// Each FILE, or standard input when there is none or it is "-".
struct Input {
  std::string name;  // empty for standard input
  std::string bytes;
};
std::vector<Input> Inputs(const std::vector<std::string>& files) {
  std::vector<Input> inputs;
  if (files.empty()) inputs.push_back({"", ReadAllStdin()});
  for (const std::string& f : files) {
    inputs.push_back({f == "-" ? "" : f, f == "-" ? ReadAllStdin() : ReadInputFile(f)});
  }
  return inputs;
}

// One line on standard error for what could not be carried over; the exit
// status --strict asks for.
int Report(const ConversionStats& stats, std::string_view target,
           bool strict) {
  if (stats.Replaced() == 0) return 0;
  const std::string n = std::to_string(stats.Replaced());
  const std::string lacking = std::to_string(stats.unmappable);
  const std::string invalid = std::to_string(stats.invalid);
  const std::string t(target);
  Complain(Tr(n + " character(s) replaced by \"?\" (" + lacking + " with no " + t + " form, " +
                  invalid + " invalid byte sequence(s))",
              n + " 文字を「?」にしました（" + t + " にない文字 " + lacking + "、不正なバイト列 " +
                  invalid + "）"));
  return strict ? 1 : 0;
}

int ToSjis(std::span<const std::string> argv) {
  Args args(argv);
  long long code = 0;
  const bool given = args.IntValue("--code", 0, 5, code);
  const bool strict = args.Flag("--strict");
  ConversionStats stats;
  for (const Input& in : Inputs(args.Positionals(0, SIZE_MAX))) {
    // Without --code the text is read as a download reads a page: its
    // declared code first, so a meta declaration beats an XML prolog in the
    // head. A page keeps what Shift_JIS lacks as references and escapes.
    const std::string& text = in.bytes;
    WriteStdout(AnyCodeToShiftJIS(text, given ? static_cast<int>(code) : PageReadingCode(text, 0),
                                  LooksLikeHtml(text) ? Unmappable::CharRef : Unmappable::Question,
                                  stats));
  }
  return Report(stats, "Shift_JIS", strict);
}

int FromSjis(std::span<const std::string> argv) {
  Args args(argv);
  const int code = static_cast<int>(RequiredCode(args));
  const bool keep_decl = args.Flag("--keep-decl");
  const bool strict = args.Flag("--strict");
  ConversionStats stats;
  for (Input& in : Inputs(args.Positionals(0, SIZE_MAX))) {
    std::string text = std::move(in.bytes);
    if (!keep_decl) text = RewriteDeclarations(RewriteCharsetDeclForSave(text, code), code);
    switch (code) {
      case kCharsetEucJp: WriteStdout(ShiftJISToEuc(text, stats)); break;
      case kCharsetIso2022Jp: WriteStdout(ShiftJISToJis(text, stats)); break;
      default: WriteStdout(ConvertShiftJISForSave(text, code)); break;
    }
  }
  return Report(stats, DeclarationName(code), strict);
}

std::string Detected(std::string_view text) {
  const CharsetDecision d = DecideCharset(text);
  std::string how = d.source == CharsetSource::kText ? "declaration" : "bytes";
  if (std::none_of(text.begin(), text.end(), [](char c) { return c & 0x80; }) &&
      d.code == kCharsetShiftJis && d.source == CharsetSource::kBytes) {
    how += ": ASCII only";
  }
  return std::to_string(d.code) + " " + std::string(CharsetNameUtf8(d.code)) + " (" + how + ")";
}

int Detect(std::span<const std::string> argv) {
  Args args(argv);
  const std::vector<std::string> files = args.Positionals(0, SIZE_MAX);
  std::string out;
  for (const Input& in : Inputs(files)) {
    // Several files: each line names its file, as grep and file do.
    if (files.size() > 1) out += (in.name.empty() ? "-" : in.name) + ": ";
    out += Detected(in.bytes) + "\n";
  }
  WriteStdout(out);
  return 0;
}

// A code named on the command line: a number 0-5 or a name.
int CodeArgument(const std::string& value, std::string_view option) {
  if (value.size() == 1 && value[0] >= '0' && value[0] <= '5') return value[0] - '0';
  std::string lower;
  for (const char c : value) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  if (lower == "auto") return kCharsetAuto;
  if (lower == "utf-8n" || lower == "utf8n") return kCharsetUtf8N;
  if (const int code = CharsetOfName(lower)) return code;
  throw UsageError(std::string(option) + ": unknown code \"" + value +
                   "\" (utf-8, shift_jis, euc-jp, iso-2022-jp, auto, or 0-5)");
}

// What a file's characters that the target lacks become: escapes of its
// language in pages, stylesheets and scripts, "?" elsewhere.
Unmappable KindOf(const Input& in) {
  std::string ext = in.name.substr(std::min(in.name.rfind('.'), in.name.size()));
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  if (ext == ".css") return Unmappable::StyleEscape;
  if (ext == ".js" || ext == ".mjs") return Unmappable::ScriptEscape;
  if (ext == ".html" || ext == ".htm" || ext == ".xhtml" || LooksLikeHtml(in.bytes)) {
    return Unmappable::CharRef;
  }
  return Unmappable::Question;
}

int Convert(std::span<const std::string> argv) {
  Args args(argv);
  std::string from = "auto", to;
  args.Value("--from", from);
  const bool has_to = args.Value("--to", to);
  const bool crlf = args.Flag("--crlf"), lf = args.Flag("--lf");
  const bool keep_decl = args.Flag("--keep-decl");
  const bool strict = args.Flag("--strict");
  const std::vector<std::string> files = args.Positionals(0, SIZE_MAX);
  if (!has_to) throw UsageError("--to CODE is required");
  if (crlf && lf) throw UsageError("--crlf and --lf exclude each other");
  TextConversion c;
  c.from = CodeArgument(from, "--from");
  c.to = CodeArgument(to, "--to");
  c.line_ends = crlf ? LineEndStyle::kCrLf : lf ? LineEndStyle::kLf : LineEndStyle::kKeep;
  c.declarations = !keep_decl;
  ConversionStats stats;
  for (const Input& in : Inputs(files)) {
    c.unmappable = KindOf(in);
    WriteStdout(ConvertText(in.bytes, c, stats));
  }
  return Report(stats, DeclarationName(c.to), strict);
}

constexpr Option kConvertOptions[] = {
    {"--from", "CODE", "auto",
     "the code of the input: utf-8, shift_jis (sjis, cp932), euc-jp, iso-2022-jp, or auto "
     "(the charset it declares, else the code its bytes show); or a number as in tosjis",
     "入力の文字コード: utf-8、shift_jis（sjis、cp932）、euc-jp、iso-2022-jp、auto（宣言された"
     "charset、なければバイトから判定）、または tosjis と同じ番号"},
    {"--to", "CODE", "",
     "the code to write (required): utf-8, shift_jis, euc-jp, iso-2022-jp, or a number as in "
     "fromsjis",
     "書き出す文字コード（必須）: utf-8、shift_jis、euc-jp、iso-2022-jp、または fromsjis と同じ番号"},
    {"--crlf", "", "", "write every line end as CR LF (else line ends are kept)",
     "改行をすべて CR LF にします（指定しなければそのまま）"},
    {"--lf", "", "", "write every line end as LF", "改行をすべて LF にします"},
    {"--keep-decl", "", "",
     "leave the charset declarations as they are (else meta charset, the charset of a meta "
     "content, an XML declaration's encoding and @charset name the code written)",
     "charset 宣言をそのままにします（指定しなければ meta の charset、content の charset、XML "
     "宣言の encoding、@charset を書き出す文字コードにします）"},
    {"--strict", "", "",
     "exit 1 when a character could not be carried over (it becomes \"?\"; in pages, "
     "stylesheets and scripts a reference or an escape, which keeps it)",
     "移せない文字があれば終了コード 1（その文字は「?」。ページ、スタイルシート、スクリプトでは"
     "文字を保つ参照かエスケープになります）"},
};

constexpr Command kCommands[] = {
    {"tosjis", "[--code N] [--strict] [FILE...] > out",
     "any Japanese code to Shift_JIS; without --code as a download reads a page (the declared "
     "charset, else the code its bytes show); --code 0 the head detection, else the bytes, "
     "1 EUC-JP, 2 UTF-8, 3 Shift_JIS (unchanged), 4 ISO-2022-JP, 5 UTF-8N. Line ends become "
     "CR LF, pairs of them one (use convert to keep them). HTML keeps what Shift_JIS lacks as "
     "&#x...; references (escapes in its scripts and styles); elsewhere it becomes \"?\", "
     "counted on stderr (--strict: exit 1)",
     ToSjis},
    {"fromsjis", "--code N [--keep-decl] [--strict] [FILE...] > out",
     "Shift_JIS to the code N, charset declarations rewritten unless --keep-decl; what the "
     "code cannot hold becomes \"?\", counted on stderr (--strict: exit 1)",
     FromSjis},
    {"detect", "[FILE...]",
     "the code a text is read in and how it was found: \"1 EUC-JP (declaration)\", "
     "\"2 UTF-8 (bytes)\"; with several files each line starts with its name",
     Detect},
    {"convert", "--from CODE --to CODE [options] [FILE...] > out",
     "from one Japanese code to another as iconv does, every other byte kept (line ends "
     "too), the charset declarations made to name the new code; a page, stylesheet or script "
     "keeps what the new code lacks as references or escapes",
     Convert, kConvertOptions,
     "日本語の文字コードを別の文字コードにします（iconv と同じく、ほかのバイトは改行も含めて"
     "そのまま）。charset 宣言も書き換えます。ページ、スタイルシート、スクリプトでは新しい"
     "文字コードにない文字を参照かエスケープで保ちます"},
};

}  // namespace

std::span<const Command> TextCommands() { return kCommands; }

}  // namespace kaplo::cli
