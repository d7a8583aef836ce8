// kaplo download: one whole job without a window.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "engine/engine.h"
#include "engine/fetch.h"
#include "engine/frames.h"
#include "engine/outcome_marks.h"
#include "engine/parallel_fetch.h"
#include "text/convert.h"
#include "text/fsname.h"

namespace kaplo::cli {

std::string PageCheckReport(const PageCheck& c) {
  std::ostringstream out;
  out << "[確認] 保存したページをそのフォルダーから開きました\n";
  out << "ネットワークへの要求 (保存されなかったもの): " << c.network_requests.size() << "\n";
  for (const std::string& url : c.network_requests) out << "  " << url << "\n";
  out << "見つからないファイル: " << c.missing_files.size() << "\n";
  for (const std::string& file : c.missing_files) out << "  " << file << "\n";
  if (!c.missing_on_server.empty()) {
    out << "ライブのページにもないファイル (サーバーが返さなかったもの): "
        << c.missing_on_server.size() << "\n";
    for (const std::string& file : c.missing_on_server) out << "  " << file << "\n";
  }
  out << "拒否した読み出しと送信 (file:、WebRTC、フォルダーの外): " << c.refused.size() << "\n";
  for (const std::string& attempt : c.refused) out << "  " << attempt << "\n";
  out << std::fixed << std::setprecision(2);
  if (c.differing_pixels_percent >= 0) {
    out << "ライブのページとの画素の違い (" << c.width << "x" << c.height << "): "
        << c.differing_pixels_percent << "%\n";
  } else {
    out << "ライブのページとの画素の違い: 比べられませんでした\n";
  }
  if (c.differing_text_percent >= 0) {
    out << "ライブのページとの文字の違い (行の割合): " << c.differing_text_percent << "%\n";
    for (const std::string& line : c.text_differences) out << "  " << line << "\n";
  } else {
    out << "ライブのページとの文字の違い: 比べられませんでした\n";
  }
  return out.str();
}

// Missing files whose resources the server itself failed to deliver: the
// live page misses them too, so they do not make the copy incomplete.
void SetAsideServerFailures(PageCheck& c, const std::vector<FailedResource>& failed) {
  std::set<std::string> undelivered;
  for (const FailedResource& f : failed) undelivered.insert(FsPath(f.local_path).string());
  std::erase_if(c.missing_files, [&](const std::string& file) {
    if (!undelivered.contains(file)) return false;
    c.missing_on_server.push_back(file);
    return true;
  });
}

bool PageCheckPassed(const PageCheck& c) {
  return c.error.empty() && c.network_requests.empty() && c.missing_files.empty() &&
         c.refused.empty() && c.text_differences.empty();
}

namespace {

std::string ToTerminal(std::string_view sjis) { return ShiftJISToUtf8(sjis); }

std::string FromTerminal(const std::string& utf8) {
  std::string s = Utf8ToShiftJIS(utf8);
  return s.empty() ? utf8 : s;
}

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
    std::cerr << ToTerminal(question) << "\n"
              << (page_question ? "[y = はい / n = いいえ / c = キャンセル] " : "[y = はい / n = いいえ] ")
              << std::flush;
    std::string line;
    if (!std::getline(std::cin, line) || line.empty()) return Answer::Yes;
    switch (line[0]) {
      case 'n': case 'N': return Answer::No;
      case 'c': case 'C': return page_question ? Answer::Cancel : Answer::No;
      default: return Answer::Yes;
    }
  }
  void Inform(std::string_view message) override {
    std::cerr << "kaplo: " << ToTerminal(message) << "\n";
  }
  void ShowInformation(std::string_view label, std::string_view) override {
    std::cerr << "kaplo: " << ToTerminal(label) << "\n";
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
  explicit ProgressLine(bool verbose) : verbose_(verbose), tty_(isatty(2)) {}
  bool ShowsTexts() const override { return false; }
  void Progress(std::string_view count, std::string_view file) override {
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
  bool verbose_, tty_, shown_ = false;
};

// Every outcome line with --verbose, then the count of each mark.
void PrintOutcomes(const DownloadResult& result, const DownloadLists& l, bool verbose) {
  struct Group {
    std::string_view heading;
    OutcomeList list;
    const std::vector<std::string>& lines;
    const std::map<OutcomeMark, int>& counts;
  };
  const Group groups[] = {{"CSS/JS", OutcomeList::StylesheetsAndScripts,
                           l.ListBoxPGTab02LTab02PageFileDownloaedCSSJS, result.stylesheet_counts},
                          {"画像", OutcomeList::Images,
                           l.ListBoxPGTab02LTab03PageImageDownloaedImage, result.image_counts}};
  if (verbose) {
    for (const Group& g : groups) {
      std::cout << "[" << g.heading << "]\n";
      for (const std::string& line : g.lines) std::cout << ToTerminal(line) << "\n";
    }
    if (!l.ListBoxPGTab02LTab06DLImageNotFound.empty()) {
      std::cout << "[取得できなかった画像]\n";
      for (const std::string& line : l.ListBoxPGTab02LTab06DLImageNotFound) {
        std::cout << ToTerminal(line) << "\n";
      }
    }
  }
  for (const Group& g : groups) {
    std::cout << g.heading << ":";
    for (const OutcomeMarkInfo& m : OutcomeMarks()) {
      const std::string_view meaning = MarkMeaning(m.mark, g.list);
      if (meaning.empty()) continue;
      std::cout << "  " << m.glyph << " " << g.counts.at(m.mark) << " " << meaning;
    }
    std::cout << "\n";
  }
}

// The frame entries of the last container, then the report files written.
void PrintFramesAndReports(const DownloadResult& result) {
  if (!result.frames.empty()) {
    std::cout << "[フレーム]\n";
    for (std::size_t i = 0; i < result.frames.size(); ++i) {
      std::cout << (i + 1) << "\t" << ToTerminal(result.frames[i]) << "\n";
    }
  }
  for (const std::string& report : result.reports) {
    std::cerr << "レポート: " << ToTerminal(report) << "\n";
  }
}

// Opens the saved page from its folder and says what it still fetches, what
// it misses and how it differs from the live page; 3 when it is not whole.
int ReportCheck(PageChecker& checker, const std::string& saved_page, const std::string& url,
                const std::string& folder, const std::vector<FailedResource>& failed) {
  PageCheck c =
      checker.Check(FsPath(saved_page).string(), ToTerminal(url), FsPath(folder).string());
  SetAsideServerFailures(c, failed);
  std::cout << PageCheckReport(c);
  if (!c.error.empty()) {
    std::cerr << "kaplo download: 確認できませんでした: " << c.error << "\n";
    return 1;
  }
  return PageCheckPassed(c) ? 0 : 3;
}

}  // namespace

int RunDownloadJob(std::span<const std::string> argv, const std::string* frame_ref,
                   int frame_choice) {
  Args args(argv);
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
  const bool verbose = args.Flag("--verbose");
  long long connections = kDefaultConnections, per_host = kDefaultConnectionsPerHost;
  args.IntValue("--connections", 1, 64, connections);
  args.IntValue("--per-host", 1, 64, per_host);
  FetchLimits limits;
  if (args.IntValue("--max-time", 1, 86400, v)) limits.max_time_s = static_cast<long>(v);
  if (args.IntValue("--max-memory", 16, 1 << 20, v)) limits.max_memory_bytes = v << 20;
  const bool render = args.Flag("--render");
  const bool check = args.Flag("--check");
  const std::vector<std::string> pos = args.Positionals(frame_ref ? 0 : 1, 2);

  std::string folder;
  if (pos.size() == 2) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path dir = fs::absolute(pos[1], ec);
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir, ec)) {
      std::cerr << "kaplo download: cannot create the folder " << pos[1] << "\n";
      return 1;
    }
    folder = FromTerminal(dir.lexically_normal().string());
    if (folder.empty() || folder.back() != '/') folder += '/';
  }

  std::unique_ptr<BrowserPort> browser;
  // The page built by the browser needs a browser.
  if (render || s.download_inner_html) {
    if (!CurrentServices().make_browser) {
      std::cerr << "kaplo download: --render needs the program built with Qt WebEngine\n";
      return 1;
    }
    browser = CurrentServices().make_browser();
  }
  std::unique_ptr<PageChecker> checker;
  if (check && !frame_ref) {
    if (!CurrentServices().make_checker) {
      std::cerr << "kaplo download: --check needs the program built with Qt WebEngine\n";
      return 1;
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
  ProgressLine progress(verbose);
  DownloadEngine engine(*fetcher, prompter, browser.get(), progress);
  // The frame command may run without a container: no URL then.
  const bool container = !pos.empty() && !pos[0].empty();
  DownloadRequest request{
      .url = container ? FromTerminal(pos[0]) : std::string(), .save_folder = folder, .options = s};
  // What the navigate button does in the window: the head as the server
  // sends it, the body as the browser builds it.
  request.navigate_first = s.download_inner_html;
  if (container) {
    const DownloadResult result = engine.Run(request);
    progress.EndLine();
    if (!result.page_saved) {
      std::cerr << "kaplo download: " << ToTerminal(result.failure) << ": " << pos[0] << "\n";
      return 1;
    }
    std::cerr << "保存したページ: " << ToTerminal(result.saved_page) << "\n";
    if (!result.frameset) PrintOutcomes(result, engine.Lists(), verbose);
    PrintFramesAndReports(result);
    if (checker) {
      return ReportCheck(*checker, result.saved_page, request.url, engine.Form().save_folder,
                         result.failed);
    }
  } else {
    engine.Load(request);
  }
  if (!frame_ref) return 0;

  // A number picks the container's entry at that place; other text is the
  // entry itself, or without a container an absolute address.
  const std::vector<std::string>& frames = engine.Lists().ListBoxWBInFrameFileList;
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
    std::cerr << "kaplo frame: " << *frame_ref << " is not a frame of " << pos[0] << "\n";
    return 1;
  }
  const std::string target = FrameTarget(engine.Form().url, ref);
  if (target.empty()) {
    std::cerr << "kaplo frame: " << *frame_ref << " leads to no http or https address\n";
    return 1;
  }
  if (frame_choice != 0) {
    // Without a window there is no pane to show it in: the address is the answer.
    std::cout << ToTerminal(target) << "\n";
    return 0;
  }
  const DownloadResult result = engine.RunFrame(ref);
  progress.EndLine();
  if (!result.page_saved) {
    std::cerr << "kaplo frame: " << ToTerminal(result.failure) << ": " << ToTerminal(target)
              << "\n";
    return 1;
  }
  std::cerr << "保存したページ: " << ToTerminal(result.saved_page) << "\n";
  PrintOutcomes(result, engine.Lists(), verbose);
  PrintFramesAndReports(result);
  return 0;
}

namespace {

int Download(std::span<const std::string> argv) { return RunDownloadJob(argv, nullptr, 0); }

constexpr Command kCommands[] = {
    {"download",
     "URL [FOLDER] [--empty] [--yes] [--append-index] [--html-code N] [--cssjs-code N] "
     "[--url-decode N] [--base N] [--other-domain N] [--quote-slash N] [--no-images] "
     "[--no-reports] [--css-only] [--top-page NAME] [--dummy-folder PATH] [--save-as NAME] "
     "[--inner-html] [--render] [--check] [--connections N] [--per-host N] [--max-time S] "
     "[--max-memory MIB] [--verbose]",
     "save one web page and what it needs into FOLDER (kept unless --empty)", Download},
};

}  // namespace

std::span<const Command> DownloadCommands() { return kCommands; }

}  // namespace kaplo::cli
