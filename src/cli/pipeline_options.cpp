// The options of the byte pipelines (tosjis, fromsjis, detect, webcode,
// normalise, safepath) and their Japanese summaries, for --help and the
// README; their commands parse them in text_commands.cpp and
// web_commands.cpp.
#include <string_view>

#include "cli/cli.h"

namespace kaplo::cli {
namespace {

constexpr Option kToSjis[] = {
    {"--code", "N", "",
     "the code of the input: 0 the declaration in the page's head, else detection from the "
     "bytes; 1 EUC-JP, 2 UTF-8, 3 Shift_JIS (unchanged), 4 ISO-2022-JP, 5 UTF-8N (a byte-order "
     "mark dropped). Without it a page is read as a download reads it: its declared charset "
     "first",
     "入力の文字コード: 0 ページのヘッドの宣言、なければバイトから判定、1 EUC-JP、2 UTF-8、"
     "3 Shift_JIS（変換なし）、4 ISO-2022-JP、5 UTF-8N（BOM を除く）。指定しなければ"
     "ダウンロードと同じく宣言された文字コードを先に見ます"},
    {"--strict", "", "",
     "exit 1 when a character has no Shift_JIS form (it becomes \"?\", or a character reference "
     "in HTML)",
     "Shift_JIS にない文字があれば終了コード 1（その文字は「?」、HTML では文字参照になります）"},
};

constexpr Option kFromSjis[] = {
    {"--code", "N", "",
     "the code to write (required): 1 EUC-JP, 2 UTF-8, 3 Shift_JIS, 4 ISO-2022-JP, 5 UTF-8N "
     "(2 and 5 write no byte-order mark); 0 writes Shift_JIS unchanged",
     "書き出す文字コード（必須）: 1 EUC-JP、2 UTF-8、3 Shift_JIS、4 ISO-2022-JP、5 UTF-8N"
     "（2 と 5 は BOM なし）。0 は Shift_JIS のまま"},
    {"--keep-decl", "", "",
     "leave the charset declarations as they are (else they are rewritten to name the code "
     "written)",
     "charset 宣言をそのままにします（指定しなければ書き出す文字コードに書き換えます）"},
    {"--strict", "", "",
     "exit 1 when a character could not be written in the code (it becomes \"?\")",
     "その文字コードで書けない文字があれば終了コード 1（その文字は「?」になります）"},
};

constexpr Option kSafePath[] = {
    {"--folder", "DIR", "",
     "make each path a file below DIR (kept as written); without it the lines are made "
     "file-name safe only",
     "各行を DIR の下のファイルのパスにします（DIR はそのまま）。指定しなければファイル名に"
     "使えない文字を置き換えるだけです"},
};

struct Entry {
  std::string_view command;
  std::span<const Option> options;
  std::string_view summary_ja;
};

const Entry kEntries[] = {
    {"tosjis", kToSjis, "日本語の各文字コードを Shift_JIS にします（標準入力から標準出力へ、バイトのまま）"},
    {"fromsjis", kFromSjis, "Shift_JIS を文字コード N にします。charset 宣言も合わせて書き換えます"},
    {"detect", {}, "HTML が宣言している文字コード: 番号と名前"},
    {"webcode", {},
     "ウェブコード変換: コード N から Shift_JIS へ（decode）、Shift_JIS から N へ（encode）。"
     "0 16進UTF-8、1 16進UTF-8（%25 を除去）、2 16進EUC、3 Web16進コード、4 UTF-8、5 JIS、"
     "6 Base64、7 EUC"},
    {"normalise", {}, "Shift_JIS の HTML を整えます: 空行、タグの大文字小文字、改行"},
    {"safepath", kSafePath, "各行をファイル名に使えるパスにします"},
};

}  // namespace

std::span<const Option> PipelineOptions(std::string_view command) {
  for (const Entry& e : kEntries) {
    if (e.command == command) return e.options;
  }
  return {};
}

std::string_view PipelineSummaryJa(std::string_view command) {
  for (const Entry& e : kEntries) {
    if (e.command == command) return e.summary_ja;
  }
  return {};
}

}  // namespace kaplo::cli
