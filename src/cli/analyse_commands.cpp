// kaplo analyse: the page analysis tab's lists and combined texts without a
// window.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "cli/cli.h"
#include "cli/input_file.h"
#include "cli/terminal.h"
#include "engine/url.h"
#include "text/charset.h"
#include "text/convert.h"
#include "workspace/page_analysis.h"

namespace kaplo::cli {
namespace {

namespace fs = std::filesystem;

// The page's own fetch keeps what the server said: an error answer (a 404
// page) is no page to analyse. Every other fetch goes on as usual.
class PageFetcher : public Fetcher {
 public:
  // A local page is not fetched: then every fetch is a stylesheet's or a script's.
  explicit PageFetcher(bool web_page) : asked_(!web_page) {}
  std::string FetchText(std::string_view url) override {
    if (!asked_) {
      asked_ = true;
      TextResponse r = inner_.FetchTextResponse(url);
      failure_ = r.failure;
      return failure_.empty() ? r.text : std::string();
    }
    return inner_.FetchText(url);
  }
  TextResponse FetchTextResponse(std::string_view url) override {
    return inner_.FetchTextResponse(url);
  }
  bool FetchToFile(std::string_view url, std::string_view file) override {
    return inner_.FetchToFile(url, file);
  }
  bool FetchResourceToFile(std::string_view url, std::string_view file, int kind) override {
    return inner_.FetchResourceToFile(url, file, kind);
  }
  Response FetchResponse(std::string_view url) override { return inner_.FetchResponse(url); }
  ProbeReport Probe(std::string_view url) override { return inner_.Probe(url); }
  const std::string& failure() const { return failure_; }

 private:
  CurlFetcher inner_;
  bool asked_;
  std::string failure_;
};

void PrintList(std::string_view heading, const std::vector<std::string>& list, bool headed) {
  std::string out;
  if (headed) out += Utf8ToTerminal("[" + std::string(heading) + "]\n");
  for (const std::string& line : list) out += SjisToTerminal(line) + "\n";
  WriteStdout(out);
}

// "-" is standard output (in the terminal's code, as every text shown
// there); a file gets the Shift_JIS bytes, as the tab's save button writes them.
bool WriteText(const std::string& target, const std::string& sjis) {
  if (target == "-") {
    // Ends with a line end, so two texts on standard output stay apart.
    WriteStdout(SjisToTerminal(sjis) + (sjis.empty() || sjis.back() == '\n' ? "" : "\n"));
    return true;
  }
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(sjis.data(), static_cast<std::streamsize>(sjis.size()));
  out.close();
  if (!out) Complain(std::string(Tr("cannot write ", "書けません: ")) + ArgForMessage(target));
  return static_cast<bool>(out);
}

int Analyse(std::span<const std::string> argv) {
  Args args(argv);
  AnalysisOptions options;
  long long code = kCharsetAuto, css_code = kCharsetAuto;
  args.IntValue("--code", 0, 5, code);
  args.IntValue("--css-code", 0, 5, css_code);
  bool css_list = args.Flag("--css-list");
  bool js_list = args.Flag("--js-list");
  const bool import_list = args.Flag("--imports");
  std::string css_out, js_out;
  const bool want_css = args.Value("--combined-css", css_out);
  const bool want_js = args.Value("--combined-js", js_out);
  const std::vector<std::string> pos = args.Positionals(1, 1);
  if (!css_list && !js_list && !import_list && !want_css && !want_js) css_list = js_list = true;
  options.html_code = static_cast<int>(code);
  options.css_js_code = static_cast<int>(css_code);
  options.combine = import_list || want_css || want_js;

  std::string address = pos[0];
  const bool web = IsHttpUrl(address);
  if (!web) {
    if (address.starts_with("file://")) address.erase(0, 7);
    // A folder, a device or a FIFO is refused before the analysis opens it.
    CheckInputFile(address);
    std::error_code ec;
    address = fs::absolute(address, ec).lexically_normal().string();
  }
  PageFetcher fetcher(web);
  const PageAnalysis a = AnalysePage(fetcher, ArgToSjis(address), options);
  if (!fetcher.failure().empty()) {
    Complain(std::string(Tr("cannot fetch ", "取得できません: ")) + ArgForMessage(pos[0]) + ": " +
             ShiftJISToUtf8(fetcher.failure()));
    return 1;
  }
  if (!a.read) {
    Complain(ArgForMessage(pos[0]) + std::string(Tr(": nothing could be read (empty)",
                                                    ": 何も読めませんでした（空です）")));
    return 1;
  }
  const bool headed = (css_list + js_list + import_list) > 1;
  if (css_list) PrintList(Tr("stylesheets", "スタイルシート"), a.css_list, headed);
  if (import_list) PrintList(Tr("imported stylesheets", "読み込まれたスタイルシート"), a.css_import_list, headed);
  if (js_list) PrintList(Tr("scripts", "スクリプト"), a.js_list, headed);
  bool ok = true;
  if (want_css) ok = WriteText(css_out, a.combined_css) && ok;
  if (want_js) ok = WriteText(js_out, a.combined_js) && ok;
  return ok ? 0 : 1;
}

constexpr Option kOptions[] = {
    {"--css-list", "", "", "the stylesheets named in the head (reference, a tab, the address)",
     "ヘッドにあるスタイルシート（参照、タブ、アドレス）"},
    {"--js-list", "", "", "the scripts named by src attributes", "src 属性にあるスクリプト"},
    {"--imports", "", "", "the stylesheets that the stylesheets import, and those they import",
     "スタイルシートが読み込むスタイルシート（さらにその先も）"},
    {"--combined-css", "OUT", "",
     "every stylesheet's text between file markers into OUT (Shift_JIS; - is standard output)",
     "すべてのスタイルシートのテキストをファイルの印で区切って OUT に（Shift_JIS。- は標準出力）"},
    {"--combined-js", "OUT", "", "the same for the scripts", "スクリプトについて同じ"},
    {"--code", "N", "0",
     "the code the page is read in: 0 the charset it declares, 1 EUC-JP, 2 UTF-8, 3 Shift_JIS, "
     "4 ISO-2022-JP, 5 UTF-8N",
     "ページを読む文字コード: 0 宣言された charset、1 EUC-JP、2 UTF-8、3 Shift_JIS、"
     "4 ISO-2022-JP、5 UTF-8N"},
    {"--css-code", "N", "0", "the code stylesheets and scripts are read in; values as --code",
     "スタイルシートとスクリプトを読む文字コード。値は --code と同じ"},
};

constexpr Command kCommands[] = {
    {"analyse", "URL|FILE [options]",
     "the page analysis tab: a page's stylesheet and script lists (each stylesheet once), the "
     "stylesheets they import, and the combined CSS and JS texts; without options the two lists",
     Analyse, kOptions,
     "ページ解析タブ: ページのスタイルシートとスクリプトの一覧（スタイルシートは一度ずつ）、"
     "それらが読み込むスタイルシート、統合した CSS と JS のテキスト。オプションがなければ"
     "二つの一覧",
     "Exit 0 when the page was read, 1 when it could not be fetched (refused, timed out, an "
     "HTTP error such as 404) or was empty, 2 on a usage error or a FILE that is a folder or a "
     "device.",
     "終了コード: ページを読めれば 0、取得できない（拒否、時間切れ、404 などの HTTP エラー）"
     "か空なら 1、使い方の誤りや FILE がフォルダーやデバイスなら 2。"},
};

}  // namespace

std::span<const Command> AnalyseCommands() { return kCommands; }

}  // namespace kaplo::cli
