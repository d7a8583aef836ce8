// kaplo warc-check: a web archive read back, every digest recomputed.
#include <cstdio>
#include <limits>
#include <string>

#include "archive/warc_reader.h"
#include "cli/cli.h"
#include "cli/input_file.h"
#include "cli/terminal.h"
#include "text/fsname.h"

namespace kaplo::cli {
namespace {

// A field of the record line: blanks would split it, so they are escaped.
std::string Shown(std::string text) {
  if (text.empty()) return "-";
  std::string out;
  for (const char c : text) {
    if (c == ' ') out += "%20";
    else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) out += '?';
    else out += c;
  }
  return out;
}

int WarcCheck(std::span<const std::string> argv) {
  Args args(argv);
  const std::string file = args.Positionals(1, 1)[0];
  CheckInputFile(file, std::numeric_limits<std::uint64_t>::max());
  std::FILE* in = std::fopen(FsPath(ArgToSjis(file)).c_str(), "rb");
  if (!in) throw InputError(std::string(Tr("cannot read file ", "ファイルを読めません: ")) +
                            ArgForMessage(file));
  int faults = 0;
  std::string out;
  const std::string ended = ReadWarc(in, false, [&](const WarcRecord& r) {
    const std::string type = r.type();
    out += Shown(type) + " " + (r.status ? std::to_string(r.status) : std::string("-")) + " " +
           Shown(r.uri()) + " " + std::to_string(r.length) + "\n";
    for (const std::string& fault : r.faults) {
      ++faults;
      WriteStdout(out);
      out.clear();
      Complain(ArgForMessage(file) + ": " + Shown(type) + " " + Shown(r.uri()) + ": " + fault);
    }
    if (out.size() > (1 << 16)) {
      WriteStdout(out);
      out.clear();
    }
  });
  std::fclose(in);
  WriteStdout(out);
  if (!ended.empty()) {
    Complain(ArgForMessage(file) + ": " + ended);
    return 1;
  }
  return faults == 0 ? 0 : 1;
}

constexpr Command kCommands[] = {
    {"warc-check", "FILE",
     "read a web archive (WARC, gzip members or plain) record by record, recompute every block "
     "and payload digest and print one line per record: type, HTTP status (- for a record "
     "that holds no answer), address (- for none), length",
     WarcCheck, {},
     "ウェブアーカイブ（WARC、gzip でも無圧縮でも）をレコードごとに読み、ブロックとペイロードの"
     "ダイジェストをすべて計算し直し、レコードごとに一行（種類、HTTP のステータス（応答を持たない"
     "レコードは -）、アドレス（なければ -）、長さ）を出します",
     "Exit 0 when every record is whole and every digest right, 1 on any fault (a digest that "
     "differs, a truncated or damaged gzip member, a malformed record), each named on standard "
     "error, 2 on a usage error or a FILE that is a folder or a device.",
     "終了コード: すべてのレコードがそろいダイジェストが合えば 0、一つでも問題（合わない"
     "ダイジェスト、切れたり壊れたりした gzip メンバー、形の崩れたレコード）があれば 1（それぞれ"
     "標準エラーに出します）、使い方の誤りやフォルダー・デバイスの FILE は 2。"},
};

}  // namespace

std::span<const Command> WarcCommands() { return kCommands; }

}  // namespace kaplo::cli
