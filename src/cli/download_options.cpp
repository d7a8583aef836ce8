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
    {"--refresh", "", "",
     "on a folder holding an earlier job of the page, ask the server only for what changed "
     "(the validators kept in its ZV_ record): unchanged files stay as they are, changed ones "
     "are replaced, those the server no longer gives are kept and counted gone",
     "前回のジョブを保存したフォルダーで、変わったものだけをサーバーに求めます（ZV_ の記録の"
     "検証子による）。変わらないファイルはそのまま、変わったものは置き換え、サーバーに"
     "なくなったものは残して数えます"},
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
     "a page with <base href>: its references are read from the base and pointed at the saved "
     "files, and the base element is kept as a comment; 0 asks first (--yes answers it), 1, 2 "
     "and 3 do not ask",
     "<base href> のあるページ: 参照は base から読んで保存したファイルに向け、base 要素は"
     "コメントにして残します。0 は先に尋ね（--yes で答えます）、1、2、3 は尋ねません"},
    {"--other-domain", "N", "0",
     "links to other hosts: 0 keep them, 1 remove \"http://host\" from the page's references "
     "to other hosts, so they point into the saved folder",
     "ほかのホストへのリンク: 0 そのまま、1 ほかのホストを指す参照から「http://ホスト」を"
     "除き、保存フォルダーの中を指すようにする"},
    {"--quote-slash", "N", "0",
     "kept for scripts that pass it: every root reference (\"/dir/a.html\") is pointed at the "
     "saved files whatever the value",
     "互換のために受け付けます: ルートからの参照（\"/dir/a.html\"）は値によらず保存した"
     "ファイルに向けます"},
    {"--no-images", "", "", "save no images", "画像を保存しません"},
    {"--no-reports", "", "", "write none of the three ZU_ report lists",
     "三つの ZU_ レポートを書きません"},
    {"--css-only", "", "", "the combined report holds the stylesheets only",
     "統合レポートにはスタイルシートだけを入れます"},
    {"--top-page", "NAME", "index.html",
     "the file name of the page of an address that ends in \"/\" (the page's own and the one links "
     "to it point at)",
     "「/」で終わるアドレスのページのファイル名（そのページ自身と、そこへのリンクが指す名前）"},
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
     "then open the saved page from its folder offscreen (jailed there) and report what it "
     "still asks the network for, which local files it misses (apart: those the server did "
     "not deliver either), every other way out it tried (file:, WebRTC, outside the folder), "
     "and how its whole rendering and its text differ from the live page; exit 3 when it is "
     "not whole",
     "保存したページをそのフォルダーから画面外で（外に出られない形で）開き、まだネットワーク"
     "に求めるもの、足りないローカルのファイル（サーバーも返さなかったものは別に）、ほかに"
     "外へ出ようとしたもの（file:、WebRTC、フォルダーの外）、ページ全体の画素と文字の"
     "違いを報告します。足りなければ終了コード 3"},
    {"--connections", "N", "16",
     "open connections at most, 1 to 64 (1: one request at a time); a server that offers "
     "HTTP/2 gets its requests over one connection",
     "同時に開く接続の数、1 から 64（1 は一つずつ）。HTTP/2 のサーバーには一つの接続で"
     "まとめて要求します"},
    {"--per-host", "N", "6", "connections to one host at most, 1 to 64",
     "一つのホストへの接続の数、1 から 64"},
    {"--max-time", "S", "120",
     "each response ends within S seconds, however slowly it comes; one that does not is a "
     "failure (\"timed out\") and the job goes on",
     "応答は一つ S 秒以内に終わらせます。終わらないものは失敗（時間切れ）として次へ進みます"},
    {"--max-memory", "MIB", "512",
     "the memory the job's bodies may take, in MiB (16 and up); a larger body goes through a "
     "temporary file",
     "取得した本文が使ってよいメモリ（MiB、16 以上）。大きな本文は一時ファイルを通します"},
    {"--warc", "FILE", "",
     "also keep every HTTP exchange of the job in the web archive FILE (WARC 1.1, one gzip "
     "member per record): each request as sent, each answer as received with its content "
     "coding, redirects as exchanges of their own, a repeated answer as a revisit record. It is "
     "written as FILE.part and named FILE once the page is saved; a job that fails leaves "
     "FILE.part and says so. kaplo warc-check reads it back",
     "ジョブの HTTP のやりとりをすべてウェブアーカイブ FILE（WARC 1.1、レコードごとに gzip "
     "メンバー一つ）にも残します: 送ったままの要求、受け取ったままの応答（圧縮もそのまま）、"
     "リダイレクトはそれぞれ一つのやりとり、同じ応答の繰り返しは revisit レコード。"
     "FILE.part に書き、ページを保存できたら FILE と名付けます。失敗したジョブは FILE.part を"
     "残してそう伝えます。kaplo warc-check で読み返せます"},
    {"--depth", "N", "0",
     "also save the pages the page links to (<a href> to HTML on the same host and port, at or "
     "below the page's folder), breadth first, N links deep, each as a single job saves it into "
     "the same folder tree; each resource once, links between the saved pages pointed at the "
     "copies, the others absolute, and a ZU_..._サイト一覧.txt report of the pages",
     "ページがリンクしているページ（同じホストとポートの、ページのフォルダー以下の HTML への "
     "<a href>）も、近いものから N 段まで、一つずつのジョブと同じ形で同じフォルダーの木に"
     "保存します。資源は一度だけ取得し、保存したページどうしのリンクはそのコピーに向け、"
     "ほかは絶対アドレスのままにし、ページの一覧 ZU_..._サイト一覧.txt を書きます"},
    {"--max-pages", "M", "100", "with --depth: M pages at most, the first page included",
     "--depth で保存するページの数の上限（最初のページを含みます）"},
    {"--no-robots", "", "", "with --depth: ignore the site's robots.txt",
     "--depth でサイトの robots.txt に従いません"},
    {"--any-folder", "", "", "with --depth: also pages outside the first page's folder",
     "--depth で最初のページのフォルダーの外のページも保存します"},
    {"--single-file", "FILE", "",
     "also write the page as one self-contained HTML file FILE, in UTF-8, from what the job "
     "saved (nothing is fetched twice): stylesheets inlined with their imports in place, "
     "scripts inlined, images, srcset candidates, fonts and every url() as data: addresses, "
     "frames written in (their pages are saved by jobs of their own first); what the server did "
     "not deliver keeps its address. Written as FILE.part and renamed at the end. With --check "
     "the one file is checked too, offline",
     "ジョブが保存したものから、ページを自己完結した一つの HTML ファイル FILE（UTF-8）にも"
     "書きます（二度は取得しません）: スタイルシートは取り込み（@import もその場に）、"
     "スクリプトも中に書き、画像・srcset の候補・フォント・url() はすべて data: アドレスに、"
     "フレームも中に書きます（フレームのページは先にそれぞれのジョブで保存します）。"
     "サーバーが返さなかったものはアドレスのままです。FILE.part に書き、最後に名前を付けます。"
     "--check があれば、この一つのファイルもネットワークなしで確認します"},
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
