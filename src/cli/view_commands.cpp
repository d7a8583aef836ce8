// Source view commands: syntax colouring to RTF, colour lists and keyword
// search, on texts read in their own code and made Shift_JIS as the views
// hold them.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/cli.h"
#include "cli/common_options.h"
#include "cli/input_file.h"
#include "cli/terminal.h"
#include "text/sjis.h"
#include "view/css_colors.h"
#include "view/html_rtf.h"
#include "view/keyword_search.h"

namespace kaplo::cli {
namespace {

// FILE, or standard input when it is absent or "-", read in its own code.
std::string InputText(const std::vector<std::string>& pos, long long code) {
  std::string bytes = pos.empty() || pos[0] == "-" ? ReadAllStdin() : ReadInputFile(pos[0]);
  return InputToShiftJis(std::move(bytes), static_cast<int>(code));
}

int Rtf(std::span<const std::string> argv) {
  Args args(argv);
  const bool alternate = args.Flag("--alt");
  long long code = 0;
  args.IntValue("--code", 0, 5, code);
  const std::vector<std::string> pos = args.Positionals(0, 1);
  WriteStdout(HtmlToRtf(InputText(pos, code), alternate));
  return 0;
}

int Colours(std::span<const std::string> argv) {
  Args args(argv);
  const bool sorted = args.Flag("--sorted");
  long long code = 0;
  args.IntValue("--code", 0, 5, code);
  const std::vector<std::string> pos = args.Positionals(0, 1);
  std::string out;
  for (std::string& entry : CreateCssColorList(InputText(pos, code), sorted)) {
    // A selector may span lines; here each entry keeps to one.
    for (char& c : entry) {
      if (c == '\r' || c == '\n') c = ' ';
    }
    out += entry;
    out += '\n';
  }
  WriteStdout(SjisToTerminal(out));
  return 0;
}

// Writes in large pieces: a search may list millions of hits.
class HitWriter {
 public:
  ~HitWriter() { Flush(); }
  void Put(std::size_t keyword, LineColumn where) {
    out_ += std::to_string(keyword + 1);
    out_ += '\t';
    out_ += ResultEntry(where);
    out_ += '\n';
    if (out_.size() >= (1 << 20)) Flush();
  }
  void Flush() {
    std::fwrite(out_.data(), 1, out_.size(), stdout);
    out_.clear();
  }

 private:
  std::string out_;
};

// Whether a CR stands alone somewhere (not followed by LF): a line end of its own.
bool HasLoneCr(std::string_view text) {
  for (std::size_t at = text.find('\r'); at != std::string_view::npos; at = text.find('\r', at + 1)) {
    if (at + 1 == text.size() || text[at + 1] != '\n') return true;
  }
  return false;
}

// The line and column of offsets asked in increasing order, counted as
// LineIndex counts them (CR LF, a lone CR and a lone LF each end a line)
// without holding the line starts of the whole text. Where no CR stands
// alone, LFs alone mark the lines and are found with memchr.
class LineCounter {
 public:
  LineCounter(std::string_view text, bool lone_cr) : text_(text), lone_cr_(lone_cr) {}
  LineColumn At(std::size_t offset) {
    if (!lone_cr_) {
      // The LF of a CR LF at `offset` itself still belongs to this line.
      const char* p = text_.data();
      while (const void* lf = std::memchr(p + at_, '\n', offset - at_)) {
        at_ = static_cast<std::size_t>(static_cast<const char*>(lf) - p) + 1;
        NewLine(at_);
      }
      at_ = offset;
    }
    while (at_ < offset) {
      const char c = text_[at_];
      if (c == '\n') {
        NewLine(at_ + 1);
      } else if (c == '\r') {
        // CR LF is one line end; an offset on its LF is still on this line.
        if (at_ + 1 < text_.size() && text_[at_ + 1] == '\n') {
          if (at_ + 1 >= offset) break;
          ++at_;
        }
        NewLine(at_ + 1);
      }
      ++at_;
    }
    return {line_, static_cast<long long>(offset - start_) + 1};
  }

 private:
  void NewLine(std::size_t start) {
    ++line_;
    start_ = start;
  }
  std::string_view text_;
  bool lone_cr_;
  std::size_t at_ = 0, start_ = 0;
  long long line_ = 1;
};

// The end of a piece of the text that begins at `from`: 8 KiB
// on, at the start of a character and never between CR and LF.
std::size_t PieceEnd(std::string_view text, std::size_t from) {
  constexpr std::size_t kPiece = std::size_t{8} << 10;
  if (text.size() - from <= kPiece) return text.size();
  std::size_t end = from + kPiece;
  std::size_t q = end;
  while (q > from && IsSjisLeadByte(static_cast<unsigned char>(text[q - 1]))) --q;
  if ((end - q) % 2 != 0) --end;
  if (text[end - 1] == '\r' && text[end] == '\n') ++end;
  return end;
}

// Every hit of one keyword, a piece of the text at a time, so memory stays
// bounded however many hits there are (a piece's hits stay below the size
// the allocator maps afresh each time). A hit may run past the end of its
// piece; the next piece then starts after it.
void PrintHits(std::string_view text, bool lone_cr, const std::string& keyword,
               std::size_t number, HitWriter& out) {
  const std::span<const std::string> one(&keyword, 1);
  LineCounter lines(text, lone_cr);
  std::size_t from = 0;
  while (from < text.size()) {
    const std::size_t end = PieceEnd(text, from);
    const std::size_t view_end = std::min(text.size(), end + keyword.size());
    std::size_t next = end;
    for (const KeywordHit& h : FindKeywords(text.substr(from, view_end - from), one)) {
      const std::size_t at = from + h.offset;
      if (at >= end) break;
      out.Put(number, lines.At(at));
      next = std::max(next, at + h.length);
    }
    from = next;
  }
}

int Keywords(std::span<const std::string> argv) {
  Args args(argv);
  long long code = 0;
  args.IntValue("--code", 0, 5, code);
  const std::vector<std::string> pos = args.Positionals(2, 2);
  const std::string text = InputText({pos[1]}, code);
  const std::vector<std::string> keywords = EdictScan(ArgToSjis(pos[0]));
  const bool lone_cr = HasLoneCr(text);
  HitWriter out;
  for (std::size_t k = 0; k < std::min(keywords.size(), kMaxKeywords); ++k) {
    if (!keywords[k].empty()) PrintHits(text, lone_cr, keywords[k], k, out);
  }
  return 0;
}

constexpr Option kRtfOptions[] = {
    {"--alt", "", "", "the alternate palette", "もう一つの配色"},
    kInputCodeOption,
};
constexpr Option kColourOptions[] = {
    {"--sorted", "", "",
     "the distinct values sorted (letter case ignored) instead of each value with its selector",
     "値とセレクターの一覧ではなく、重複を除いた値を並べ替えて（大文字小文字を区別せず）"},
    kInputCodeOption,
};
constexpr Option kKeywordOptions[] = {kInputCodeOption};

constexpr Command kCommands[] = {
    {"rtf", "[--alt] [--code N] [FILE] > out.rtf",
     "a source text (FILE, or standard input) as syntax-coloured RTF; the RTF's bytes are "
     "Shift_JIS, as word processors read them",
     Rtf, kRtfOptions,
     "ソースのテキスト（FILE または標準入力）を構文ごとに色分けした RTF にします。RTF の"
     "バイトは Shift_JIS です"},
    {"colours", "[--sorted] [--code N] [FILE]",
     "the colour values of a stylesheet (FILE, or standard input) with their selectors, or "
     "sorted and distinct",
     Colours, kColourOptions,
     "スタイルシート（FILE または標準入力）の色の値とそのセレクター、または重複を除いて"
     "並べ替えた値"},
    {"keywords", "\"KW1 KW2 ...\" FILE [--code N]",
     "every hit of up to eight keywords (separated by blanks or commas) in FILE: the keyword's "
     "number, a tab and line/column (column in bytes of Shift_JIS), keyword after keyword as "
     "the window's result list shows them",
     Keywords, kKeywordOptions,
     "FILE の中の最大 8 個のキーワード（空白かコンマで区切る）のすべての位置: キーワードの"
     "番号、タブ、行/列（列は Shift_JIS のバイト数）。ウィンドウの結果一覧と同じく"
     "キーワードごとに並べます"},
};

}  // namespace

std::span<const Command> ViewCommands() { return kCommands; }

}  // namespace kaplo::cli
