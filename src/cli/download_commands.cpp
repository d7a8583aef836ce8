// kaplo download: one whole job without a window.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archive/one_file_job.h"
#include "cli/cli.h"
#include "cli/download_report.h"
#include "cli/job_archive.h"
#include "cli/terminal.h"
#include "engine/engine.h"
#include "engine/fetch.h"
#include "engine/frames.h"
#include "engine/outcome_marks.h"
#include "engine/parallel_fetch.h"
#include "text/convert.h"
#include "text/fsname.h"

namespace kaplo::cli {

namespace {

std::string ToTerminal(std::string_view sjis) { return SjisToTerminal(sjis); }

std::string FromTerminal(const std::string& arg) { return ArgToSjis(arg); }

// Questions go to the terminal when there is one; otherwise the documented
// defaults apply: go on (Yes), or append "/index.html" with --append-index.
class TerminalPrompter : public Prompter {
 public:
  TerminalPrompter(bool yes, bool append_index)
      : yes_(yes), append_index_(append_index), interactive_(isatty(0) && isatty(2)) {}

  Answer Ask(std::string_view question, Buttons buttons) override {
    const bool page_question = buttons == Buttons::YesNoCancel;
    if (yes_ || !interactive_) {
      return page_question && append_index_ ? Answer::No : Answer::Yes;
    }
    std::cerr << Utf8ToTerminal(EngineMessage(question)) << "\n"
              << Utf8ToTerminal(page_question ? Tr("[y = yes / n = no / c = cancel] ",
                                                   "[y = はい / n = いいえ / c = キャンセル] ")
                                              : Tr("[y = yes / n = no] ", "[y = はい / n = いいえ] "))
              << std::flush;
    std::string line;
    if (!std::getline(std::cin, line) || line.empty()) return Answer::Yes;
    switch (line[0]) {
      case 'n': case 'N': return Answer::No;
      case 'c': case 'C': return page_question ? Answer::Cancel : Answer::No;
      default: return Answer::Yes;
    }
  }
  // What the engine informs of comes before a failure, which the command
  // prints with its reason: said once, there.
  void Inform(std::string_view) override {}
  void ShowInformation(std::string_view label, std::string_view) override {
    Complain(EngineMessage(label));
  }
  std::optional<std::string> SaveHtmlDialog(std::string_view suggested,
                                            std::string_view folder) override {
    // The answer is FOLDER; without it the page goes into the current folder
    // under its own name.
    if (!folder.empty()) {
      std::string path(folder);
      if (path.back() != '/') path += '/';
      return path + std::string(suggested);
    }
    std::error_code ec;
    std::string cwd = std::filesystem::current_path(ec).string();
    if (ec) return std::nullopt;
    return FromTerminal(cwd) + "/" + std::string(suggested);
  }

 private:
  bool yes_, append_index_, interactive_;
};

class ProgressLine : public JobObserver {
 public:
  ProgressLine(bool verbose, bool quiet) : verbose_(verbose), quiet_(quiet), tty_(isatty(2)) {}
  bool ShowsTexts() const override { return false; }
  void Progress(std::string_view count, std::string_view file) override {
    if (quiet_) return;
    const std::string line = ToTerminal(count) + " " + ToTerminal(file);
    // On a terminal one line is rewritten; in a log every step is a line.
    std::cerr << (tty_ && !verbose_ ? "\r\x1b[K" : "") << line << (tty_ && !verbose_ ? "" : "\n")
              << std::flush;
    shown_ = true;
  }
  void EndLine() {
    if (shown_ && tty_ && !verbose_) std::cerr << "\n";
  }

 private:
  bool verbose_, quiet_, tty_, shown_ = false;
};

// Every outcome line (on standard output: --verbose asks for them).
void PrintOutcomeLines(const JobLists& l) {
  const struct {
    std::string heading;
    const std::vector<std::string>& lines;
  } groups[] = {{"[CSS/JS]", l.stylesheet_outcomes},
                {Tr("[images]", "[画像]"), l.image_outcomes},
                {Tr("[images not fetched]", "[取得できなかった画像]"), l.failed_images}};
  std::string out;
  for (const auto& g : groups) {
    if (g.lines.empty() && &g.lines == &l.failed_images) continue;
    out += Utf8ToTerminal(g.heading) + "\n";
    for (const std::string& line : g.lines) out += ToTerminal(line) + "\n";
  }
  WriteStdout(out);
}

// The counts of each mark, the frame entries of a frameset page and the
// report files written: on standard error, for people.
void PrintSummary(const DownloadResult& result) {
  std::string out;
  if (!result.frameset) out += OutcomeSummary(result);
  out += RefreshSummary(result.refresh);
  if (!result.frames.empty()) {
    out += std::string(Tr("[frames]\n", "[フレーム]\n"));
    for (std::size_t i = 0; i < result.frames.size(); ++i) {
      out += std::to_string(i + 1) + "\t" + ShiftJISToUtf8(result.frames[i]) + "\n";
    }
  }
  for (const std::string& report : result.reports) {
    out += std::string(Tr("report: ", "レポート: ")) + ShiftJISToUtf8(report) + "\n";
  }
  std::cerr << Utf8ToTerminal(out) << std::flush;
}

// What a finished job prints: the saved page's path on standard output (or
// the JSON object), the summary on standard error unless quiet.
struct Reporting {
  bool verbose = false, quiet = false, json = false;
};

void ReportSaved(const DownloadResult& result, const Reporting& how, const PageCheck* check) {
  if (how.json) {
    WriteStdout(DownloadJson(result, check));
  } else {
    WriteStdout(ToTerminal(result.saved_page) + "\n");
    if (how.verbose) PrintOutcomeLines(result.lists);
    if (check) WriteStdout(Utf8ToTerminal(PageCheckReport(*check)));
  }
  if (!how.quiet) PrintSummary(result);
}

// A job that saved no page: the reason on standard error (and the JSON
// object on standard output with --json); exit 1.
int ReportFailed(const DownloadResult& result, const Reporting& how, const std::string& what) {
  if (how.json) WriteStdout(DownloadJson(result, nullptr));
  Complain(ArgForMessage(what) + ": " + FailureText(result));
  return 1;
}

// The exit status of a check: 3 when the saved page is not whole.
int CheckStatus(const PageCheck& c) {
  if (!c.error.empty()) {
    Complain(std::string(Tr("the saved page could not be checked: ", "確認できませんでした: ")) +
             c.error);
    return 1;
  }
  return PageCheckPassed(c) ? 0 : 3;
}

// A saved job's one-file page (--single-file).
struct OneFile {
  std::filesystem::path path;
  OneFileResult result;
};

OneFile WriteOneFile(DownloadEngine& engine, const DownloadResult& page, const std::string& arg) {
  std::error_code ec;
  OneFile one{std::filesystem::absolute(arg, ec), {}};
  one.result = WriteJobAsOneFile(engine, page, one.path);
  if (!one.result.written) {
    Complain(std::string(Tr("the one-file page could not be written: ",
                            "一つのファイルのページを書けませんでした: ")) + one.result.error);
  }
  return one;
}

// The one file opened offline as the folder's page is; the status as CheckStatus's.
int CheckOneFile(PageChecker& checker, const OneFile& one, const std::string& url,
                 const Reporting& how) {
  PageCheck c = checker.Check(one.path.string(), ToTerminal(url), one.path.parent_path().string());
  SetAsideServerFailures(c, one.result.failed);
  if (!how.json) {
    WriteStdout(Utf8ToTerminal(Tr("[one file] ", "[一つのファイル] ")) + one.path.string() + "\n" +
                Utf8ToTerminal(PageCheckReport(c)));
  }
  return CheckStatus(c);
}

// Of two exit statuses the one to give: a failure (1) before a check that
// found the copy not whole (3).
int WorseStatus(int a, int b) { return a == 1 || b == 1 ? 1 : std::max(a, b); }

int RunJob(std::span<const std::string> argv, const std::string* frame_ref, int frame_choice,
           JobArchive& archive) {
  Args args(argv, DownloadOptionTable());
  DownloadOptions s;
  long long v = 0;
  if (args.IntValue("--html-code", 0, 5, v)) s.main_html_charset = static_cast<int>(v);
  if (args.IntValue("--cssjs-code", 0, 5, v)) s.css_js_charset = static_cast<int>(v);
  if (args.IntValue("--url-decode", 0, 5, v)) s.url_web_decode = static_cast<int>(v);
  if (args.IntValue("--base", 0, 3, v)) s.remove_base_href = static_cast<int>(v);
  if (args.IntValue("--other-domain", 0, 1, v)) s.remove_other_domain = static_cast<int>(v);
  if (args.IntValue("--quote-slash", 0, 1, v)) s.html_dq_slash = static_cast<int>(v);
  // A typo in FOLDER must never delete a user's files: kept unless --empty.
  s.dont_empty_folder = !args.Flag("--empty");
  s.dont_save_image = args.Flag("--no-images");
  s.dont_make_css_list = args.Flag("--no-reports");
  s.css_only = args.Flag("--css-only");
  s.download_inner_html = args.Flag("--inner-html");
  s.refresh = args.Flag("--refresh");
  std::string text;
  if (args.Value("--top-page", text)) s.top_page_filename = FromTerminal(text);
  if (args.Value("--dummy-folder", text)) {
    s.top_directory_for_unknown = true;
    s.top_dummy_directory = FromTerminal(text);
  }
  if (args.Value("--save-as", text)) {
    s.save_this_name = true;
    s.save_filename = FromTerminal(text);
  }
  const bool yes = args.Flag("--yes");
  const bool append_index = args.Flag("--append-index");
  Reporting how;
  how.verbose = args.Flag("--verbose");
  how.quiet = args.Flag("--quiet");
  how.json = args.Flag("--json");
  long long connections = kDefaultConnections, per_host = kDefaultConnectionsPerHost;
  args.IntValue("--connections", 1, 64, connections);
  args.IntValue("--per-host", 1, 64, per_host);
  FetchLimits limits;
  if (args.IntValue("--max-time", 1, 86400, v)) limits.max_time_s = static_cast<long>(v);
  if (args.IntValue("--max-memory", 16, 1 << 20, v)) limits.max_memory_bytes = v << 20;
  SiteOptions site;
  if (args.IntValue("--depth", 0, 1000, v)) site.depth = static_cast<int>(v);
  if (args.IntValue("--max-pages", 1, 1000000, v)) site.max_pages = static_cast<int>(v);
  site.robots = !args.Flag("--no-robots");
  site.any_folder = args.Flag("--any-folder");
  const bool render = args.Flag("--render");
  const bool check = args.Flag("--check");
  std::string warc_file;
  const bool warc = args.Value("--warc", warc_file);
  std::string one_file;
  const bool single = args.Value("--single-file", one_file) && !frame_ref;
  const std::vector<std::string> pos = args.Positionals(frame_ref ? 0 : 1, 2);
  // One file holds one page: the pages of a site each keep their own folder copy.
  if (single && site.depth > 0) {
    Complain(Tr("--single-file saves one page: it does not go with --depth",
                "--single-file は一つのページを保存します: --depth とは一緒に使えません"));
    return 2;
  }
  if (warc) {
    archive.Prepare(warc_file, argv);
    limits.recorder = archive.sink();
  }

  std::string folder;
  if (pos.size() == 2) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path dir = fs::absolute(pos[1], ec);
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir, ec)) {
      Complain(std::string(Tr("cannot create the folder ", "フォルダーを作れません: ")) +
               ArgForMessage(pos[1]) + (ec ? ": " + CauseText(ec.value()) : std::string()));
      return 1;
    }
    folder = FromTerminal(dir.lexically_normal().string());
    if (folder.empty() || folder.back() != '/') folder += '/';
  }

  std::unique_ptr<BrowserPort> browser;
  // The page built by the browser needs a browser.
  if (render || s.download_inner_html) {
    if (!CurrentServices().make_browser) {
      Complain(Tr("--render and --inner-html need Qt WebEngine (kaplo-window)",
                  "--render と --inner-html には Qt WebEngine（kaplo-window）が要ります"));
      return 2;
    }
    browser = CurrentServices().make_browser();
  }
  std::unique_ptr<PageChecker> checker;
  if (check && !frame_ref) {
    if (!CurrentServices().make_checker) {
      Complain(Tr("--check needs Qt WebEngine (kaplo-window)",
                  "--check には Qt WebEngine（kaplo-window）が要ります"));
      return 2;
    }
    checker = CurrentServices().make_checker();
  }
  // One connection is the plain one-request-at-a-time order.
  std::unique_ptr<Fetcher> fetcher;
  if (connections == 1) {
    fetcher = std::make_unique<CurlFetcher>(limits);
  } else {
    fetcher = std::make_unique<ParallelFetcher>(limits, static_cast<int>(connections),
                                                static_cast<int>(std::min(per_host, connections)));
  }
  TerminalPrompter prompter(yes, append_index);
  ProgressLine progress(how.verbose, how.quiet);
  DownloadEngine engine(*fetcher, prompter, browser.get(), progress);
  // The frame command may run without a container: no URL then.
  const bool container = !pos.empty() && !pos[0].empty();
  DownloadRequest request{
      .url = container ? FromTerminal(pos[0]) : std::string(), .save_folder = folder, .options = s};
  // What the navigate button does in the window: the head as the server
  // sends it, the body as the browser builds it.
  request.navigate_first = s.download_inner_html;
  DownloadResult container_result;
  if (container && site.depth > 0 && !frame_ref) {
    return RunSiteDownload({*fetcher, prompter, browser.get(), progress, checker.get(), request,
                            site, how.json, how.quiet, pos[0], [&] { progress.EndLine(); }});
  }
  if (container) {
    container_result = engine.Run(request);
    const DownloadResult& result = container_result;
    progress.EndLine();
    if (!result.page_saved) return ReportFailed(result, how, pos[0]);
    std::optional<OneFile> one;
    if (single) {
      one = WriteOneFile(engine, result, one_file);
      progress.EndLine();
    }
    if (checker) {
      PageCheck c = checker->Check(FsPath(result.saved_page).string(), ToTerminal(request.url),
                                   FsPath(result.labels.save_folder).string());
      SetAsideServerFailures(c, result.failed);
      ReportSaved(result, how, &c);
      const int status = CheckStatus(c);
      if (!one) return status;
      return WorseStatus(status, one->result.written ? CheckOneFile(*checker, *one, request.url, how)
                                                     : 1);
    }
    // For the frame command the container is a step: its summary only.
    if (!frame_ref) ReportSaved(result, how, nullptr);
    else if (!how.quiet) PrintSummary(result);
    if (one && !one->result.written) return 1;
  }
  if (!frame_ref) return 0;

  // A number picks the container's entry at that place; other text is the
  // entry itself, or without a container an absolute address.
  const std::vector<std::string>& frames = container_result.frames;
  std::string ref = FromTerminal(*frame_ref);
  bool known = std::find(frames.begin(), frames.end(), ref) != frames.end();
  long long index = 0;
  const auto [end, ec] = std::from_chars(ref.data(), ref.data() + ref.size(), index);
  if (!known && ec == std::errc() && end == ref.data() + ref.size() && index >= 1 &&
      index <= static_cast<long long>(frames.size())) {
    ref = frames[static_cast<std::size_t>(index - 1)];
    known = true;
  }
  if (!known && container) {
    Complain(ArgForMessage(*frame_ref) + Tr(" is not a frame of ", " は次のページのフレームではありません: ") +
             ArgForMessage(pos[0]));
    return 1;
  }
  const std::string page_url = container ? container_result.url : std::string();
  const std::string target = FrameTarget(page_url, ref);
  if (target.empty()) {
    Complain(ArgForMessage(*frame_ref) +
             std::string(Tr(" leads to no http or https address",
                            " は http や https のアドレスになりません")));
    return 1;
  }
  if (frame_choice != 0) {
    // Without a window there is no pane to show it in: the address is the answer.
    WriteStdout(ToTerminal(target) + "\n");
    return 0;
  }
  DownloadOptions frame_options = container ? container_result.next_options : s;
  frame_options.frame_download = 0;
  const DownloadResult result = engine.RunFrame(
      {.page_url = page_url, .save_folder = folder, .reference = ref, .options = frame_options});
  progress.EndLine();
  if (!result.page_saved) return ReportFailed(result, how, ToTerminal(target));
  ReportSaved(result, how, nullptr);
  return 0;
}

}  // namespace

int RunDownloadJob(std::span<const std::string> argv, const std::string* frame_ref,
                   int frame_choice) {
  JobArchive archive;
  return archive.End(RunJob(argv, frame_ref, frame_choice, archive));
}

namespace {

int Download(std::span<const std::string> argv) { return RunDownloadJob(argv, nullptr, 0); }

const Command kCommands[] = {
    {"download", "URL [FOLDER] [options]",
     "save one web page and what it needs (stylesheets and those they import, scripts, images, "
     "frames, fonts, srcset candidates, icons) into FOLDER (created when missing, kept unless "
     "--empty), with its links rewritten to the local files, and write the three report lists",
     Download, DownloadOptionTable(),
     "ウェブページ一つとそれに要るもの（スタイルシートとそれが読み込むもの、スクリプト、画像、"
     "フレーム、フォント、srcset の候補、アイコン）を FOLDER に保存し（なければ作り、--empty "
     "でなければ中身は残します）、リンクをローカルのファイルに書き換え、三つのレポートを"
     "書きます",
     "Standard output: the saved page's path, one line (with --verbose every outcome line "
     "after it, with --check the check's report; with --json one JSON object instead). "
     "Standard error: progress and a count of each outcome mark. Questions are asked on a "
     "terminal; otherwise --yes, --append-index or the defaults answer them. Without FOLDER the "
     "page goes into the current folder under its own name. With --depth: each saved page's "
     "path, one a line (with --check one line per page: OK or NG, depth, address, file), and "
     "the pages with their marks on standard error. Exit 0 when the page was saved, "
     "1 when not (with the reason), 2 on a usage error, 3 when --check found the saved copy "
     "incomplete.",
     "標準出力: 保存したページのパスを一行（--verbose ならその後にすべての結果の行、--check "
     "なら確認の報告。--json ならその代わりに JSON を一つ）。標準エラー: 進み具合と結果の印"
     "ごとの数。質問は端末で尋ね、端末がなければ --yes、--append-index または既定値で"
     "答えます。FOLDER がなければ今のフォルダーにページ自身の名前で保存します。--depth では"
     "保存したページのパスを一行ずつ（--check ならページごとに OK か NG、階層、アドレス、"
     "ファイルを一行）、標準エラーにページと結果の印。終了コード: "
     "保存できれば 0、できなければ 1（理由を出します）、使い方の誤りは 2、--check で足りない"
     "ものがあれば 3。"},
};

}  // namespace

std::span<const Command> DownloadCommands() { return kCommands; }

}  // namespace kaplo::cli
