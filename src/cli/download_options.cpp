// The options of kaplo download (and of the jobs of kaplo frame): one table
// for the parser, --help and the README.
#include "cli/cli.h"

namespace kaplo::cli {
namespace {

constexpr Option kDownloadOptions[] = {
    {"--empty", "", "",
     "empty FOLDER before saving (it is kept by default; home folders, system folders and "
     "folders holding a mount point are refused)",
     "保存の前に FOLDER を空にします（既定では残します。ホームフォルダー、システムの"
     "フォルダー、マウントポイントを含むフォルダーは空にしません）"},
    {"--yes", "", "", "answer yes to every question (a base element, an address that names no "
                      "page)",
     "すべての質問に「はい」と答えます（base 要素、ページを指さないアドレス）"},
    {"--append-index", "", "",
     "for an address that names no page, add \"/index.html\" (else it is fetched as it is)",
     "ページを指さないアドレスに「/index.html」を付けます（指定しなければそのまま取得）"},
    {"--html-code", "N", "0",
     "the code the page is read in: 0 automatic (the declared charset, else detection), "
     "1 EUC-JP, 2 UTF-8, 3 Shift_JIS, 4 ISO-2022-JP, 5 UTF-8N",
     "ページを読む文字コード: 0 自動（宣言された charset、なければ判定）、1 EUC-JP、"
     "2 UTF-8、3 Shift_JIS、4 ISO-2022-JP、5 UTF-8N"},
    {"--cssjs-code", "N", "0", "the code stylesheets and scripts are read in; values as --html-code",
     "スタイルシートとスクリプトを読む文字コード。値は --html-code と同じ"},
    {"--url-decode", "N", "0",
     "how an address is decoded before it becomes a local path: 0 not at all, 1 hex UTF-8 "
     "(%E3%82%A4 becomes イ), 2 hex EUC-JP, 3 web hex code, 4 hex UTF-8 after removing \"%25\" "
     "(a doubly encoded address), 5 Base64",
     "アドレスをローカルのパスにする前のデコード: 0 しない、1 16進UTF-8（%E3%82%A4 が イ）、"
     "2 16進EUC、3 Web16進コード、4 「%25」を除いて16進UTF-8（二重にエンコードされた"
     "アドレス）、5 Base64"},
    {"--base", "N", "0",
     "a page with <base href>: 0 point the base at the local folder, after a question "
     "(--yes answers it), 1 the same without the question, 2 comment the base element out and "
     "rewrite the head's stylesheet and script links to local files, 3 only comment it out",
     "<base href> のあるページ: 0 base をローカルのフォルダーに向ける（質問あり、--yes で"
     "答えます）、1 同じく質問なし、2 base 要素をコメントにしてヘッドのスタイルシートと"
     "スクリプトのリンクをローカルに書き換える、3 コメントにするだけ"},
    {"--other-domain", "N", "0",
     "links to other hosts: 0 keep them, 1 remove \"http://host\" from the page's references "
     "to other hosts, so they point into the saved folder",
     "ほかのホストへのリンク: 0 そのまま、1 ほかのホストを指す参照から「http://ホスト」を"
     "除き、保存フォルダーの中を指すようにする"},
    {"--quote-slash", "N", "0",
     "quoted root references (\"/dir/a.html\", '/dir/a.html'): 0 made relative to the saved "
     "page afterwards, as every root reference is, 1 first the page's own site address "
     "(http://host) is removed from every reference, then the quoted ones are made relative at "
     "once, below --dummy-folder when it is given",
     "引用符の中のルートからの参照（\"/dir/a.html\"、'/dir/a.html'）: 0 ほかのルートからの"
     "参照と同じく後で保存ページからの相対パスにする、1 まずページ自身のサイトのアドレス"
     "（http://ホスト）をすべての参照から除き、引用符の中の参照をすぐ相対パスにする"
     "（--dummy-folder があればその下に）"},
    {"--no-images", "", "", "save no images", "画像を保存しません"},
    {"--no-reports", "", "", "write none of the three ZU_ report lists",
     "三つの ZU_ レポートを書きません"},
    {"--css-only", "", "", "the combined report holds the stylesheets only",
     "統合レポートにはスタイルシートだけを入れます"},
    {"--top-page", "NAME", "index.html", "the file name links to the site's top (\"/\") point at",
     "サイトのトップ（「/」）へのリンクが指すファイル名"},
    {"--dummy-folder", "PATH", "",
     "a folder put between the page's folder and files of unknown place (see --quote-slash)",
     "場所のわからないファイルの前に置くフォルダー（--quote-slash を参照）"},
    {"--save-as", "NAME", "", "save the page under NAME instead of the name in its address",
     "ページをアドレスの名前ではなく NAME で保存します"},
    {"--inner-html", "", "",
     "save the document as the browser built it (scripts run), through Qt WebEngine",
     "ブラウザーが組み立てた文書（スクリプト実行後）を Qt WebEngine で保存します"},
    {"--render", "", "",
     "read the page as Qt WebEngine builds it, so images that scripts add are found too",
     "Qt WebEngine が組み立てたページを読み、スクリプトが加える画像も見つけます"},
    {"--check", "", "",
     "then open the saved page from its folder offscreen and report what it still fetches from "
     "the network, which local files it misses and how its pixels differ from the live page; "
     "exit 3 when it is not whole",
     "保存したページをフォルダーから画面外で開き、まだネットワークから取得するもの、"
     "足りないローカルのファイル、ライブのページとの画素の違いを報告します。足りなければ"
     "終了コード 3"},
    {"--connections", "N", "16",
     "open connections at most, 1 to 64 (1: one request at a time); a server that offers "
     "HTTP/2 gets its requests over one connection",
     "同時に開く接続の数、1 から 64（1 は一つずつ）。HTTP/2 のサーバーには一つの接続で"
     "まとめて要求します"},
    {"--per-host", "N", "6", "connections to one host at most, 1 to 64",
     "一つのホストへの接続の数、1 から 64"},
    {"--verbose", "", "",
     "print every outcome line after the path, and every step of the progress as a line",
     "パスの後にすべての結果の行を出し、進み具合を一段ごとに一行で出します"},
    {"--quiet", "", "", "no progress and no summary on standard error (failures still are)",
     "標準エラーに進み具合とまとめを出しません（失敗は出します）"},
    {"--json", "", "",
     "print one JSON object on standard output instead of the path: saved page, counts per "
     "outcome mark, failures with address and reason, frames, report files, check results",
     "パスの代わりに JSON を一つ標準出力に出します: 保存したページ、結果の印ごとの数、"
     "失敗（アドレスと理由）、フレーム、レポートファイル、確認の結果"},
};

}  // namespace

std::span<const Option> DownloadOptionTable() { return kDownloadOptions; }

}  // namespace kaplo::cli
