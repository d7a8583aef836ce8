// File search from the command line: one matching path a line.
#include <dirent.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "cli/terminal.h"
#include "filetools/file_finder.h"
#include "text/convert.h"

namespace kaplo::cli {
namespace {

class PrintSink : public FinderSink {
 public:
  ~PrintSink() override { Write(); }
  void Matches(std::span<const FileEntry> batch) override {
    for (const FileEntry& e : batch) {
      out_.append(e.folder).append(e.name) += '\n';
    }
    if (out_.size() > (1 << 20)) Write();
  }
  void Write() {
    std::fwrite(out_.data(), 1, out_.size(), stdout);
    out_.clear();
  }

 private:
  std::string out_;
};

TimeValue TimeOption(Args& args, std::string_view name) {
  std::string text;
  if (!args.Value(name, text)) return {};
  const std::optional<TimeValue> v = TimeValue::Parse(text);
  if (!v) {
    throw UsageError(std::string(name) + Tr(" takes YYYY-MM-DD, HH:MM[:SS] or both",
                                            " の値は YYYY-MM-DD、HH:MM[:SS]、またはその両方です"));
  }
  return *v;
}

// A starting folder that cannot be listed is named with its cause and left
// out of the search; true when it can be.
bool CheckFolder(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (d != nullptr) {
    closedir(d);
    return true;
  }
  const int err = errno;
  Complain(Tr("cannot read folder ", "フォルダーを読めません: ") + ArgForMessage(dir) + ": " +
           (err == ENOTDIR ? Tr("it is not a folder", "フォルダーではありません") : CauseText(err)));
  return false;
}

int Find(std::span<const std::string> argv) {
  Args args(argv);
  FinderCriteria c;
  c.name.file_name = "*";
  args.Value("--name", c.name.file_name);
  // The phrase is looked for in every Japanese code; --sjis is kept for scripts.
  const bool has_phrase = args.Value("--phrase", c.content.phrase);
  args.Flag("--sjis");
  if (has_phrase) c.content.phrase = ArgToSjis(c.content.phrase);
  c.content.ignore_case = !args.Flag("--case");
  c.content.whole_word = args.Flag("--word");
  c.name.subfolders = !args.Flag("--no-recurse");
  if (args.Flag("--folders")) c.attr.attributes |= kAttrDirectory;
  long long v = 0;
  if (args.IntValue("--min-size", 0, INT64_MAX, v)) c.size.min = v;
  if (args.IntValue("--max-size", 0, INT64_MAX, v)) c.size.max = v;
  if (args.IntValue("--min-level", 0, 65535, v)) c.name.min_level = v;
  if (args.IntValue("--max-level", 0, 65535, v)) c.name.max_level = v;
  SearchOptions options;
  if (args.IntValue("--threads", 0, 64, v)) options.threads = v;
  c.time.created_before = TimeOption(args, "--created-before");
  c.time.created_after = TimeOption(args, "--created-after");
  c.time.modified_before = TimeOption(args, "--modified-before");
  c.time.modified_after = TimeOption(args, "--modified-after");
  c.time.accessed_before = TimeOption(args, "--accessed-before");
  c.time.accessed_after = TimeOption(args, "--accessed-after");
  std::string entry;
  while (args.Value("--exclude", entry)) c.name.excluded.push_back(entry);
  bool trouble = false;
  for (const std::string& dir : args.Positionals(1, 1000)) {
    if (!CheckFolder(dir)) {
      trouble = true;
      continue;
    }
    if (!c.name.location.empty()) c.name.location += ';';
    c.name.location += dir;
  }
  if (c.name.location.empty()) return 1;
  const SearchPlan plan = BuildPlan(c);
  std::atomic<bool> abort{false};
  SearchStats stats;
  {
    PrintSink sink;
    stats = RunSearch(plan, sink, abort, options);
  }
  std::fflush(stdout);
  // As find does: the paths that were found, then trouble below says so.
  if (stats.unreadable_folders > 0) {
    Complain(std::to_string(stats.unreadable_folders) +
             Tr(" folder(s) below could not be read", " 個の下のフォルダーを読めませんでした"));
  }
  if (stats.unreadable_files > 0) {
    Complain(std::to_string(stats.unreadable_files) +
             Tr(" file(s) could not be read", " 個のファイルを読めませんでした"));
  }
  return trouble || stats.unreadable_folders > 0 || stats.unreadable_files > 0 ? 1 : 0;
}

constexpr Option kOptions[] = {
    {"--name", "MASKS", "*",
     "file name masks separated by \";\" (* and ? as wildcards, letter case ignored)",
     "「;」で区切ったファイル名のマスク（* と ? が使えます。大文字小文字を区別しません）"},
    {"--phrase", "P", "", "files whose content holds P (letter case ignored unless --case)",
     "内容に P を含むファイル（--case がなければ大文字小文字を区別しません）"},
    {"--case", "", "", "the phrase's letter case counts", "語句の大文字小文字を区別します"},
    {"--word", "", "", "the phrase matches whole words only", "語句を単語全体でだけ探します"},
    {"--sjis", "", "", "search for the phrase's Shift_JIS bytes (else as typed)",
     "語句を Shift_JIS のバイトで探します（指定しなければ入力のまま）"},
    {"--min-size", "N", "", "files of at least N bytes", "N バイト以上のファイル"},
    {"--max-size", "N", "", "files of at most N bytes", "N バイト以下のファイル"},
    {"--created-before", "T", "",
     "created before T: YYYY-MM-DD, HH:MM[:SS] or both (the birth time; where the file system keeps none, the modification time)",
     "T より前に作成: YYYY-MM-DD、HH:MM[:SS]、またはその両方（作成時刻。ファイルシステムにない場合は更新時刻）"},
    {"--created-after", "T", "", "created after T", "T より後に作成"},
    {"--modified-before", "T", "", "modified before T", "T より前に更新"},
    {"--modified-after", "T", "", "modified after T", "T より後に更新"},
    {"--accessed-before", "T", "", "last read before T", "T より前に参照"},
    {"--accessed-after", "T", "", "last read after T", "T より後に参照"},
    {"--min-level", "N", "", "entries at least N folders below DIR", "DIR から N 段以上下のもの"},
    {"--max-level", "N", "", "entries at most N folders below DIR", "DIR から N 段以下のもの"},
    {"--no-recurse", "", "", "DIR itself only, no subfolders", "DIR だけを探し、下のフォルダーは見ません"},
    {"--folders", "", "", "list folders too", "フォルダーも一覧に入れます"},
    {"--exclude", "PAT", "", "leave out entries that match PAT (may be given again)",
     "PAT に合うものを除きます（何度でも指定できます）"},
    {"--threads", "N", "0", "threads that walk and read, 0 to 64 (0: one per processor)",
     "探して読むスレッドの数、0 から 64（0 はプロセッサーごとに一つ）"},
};

constexpr Command kCommands[] = {
    {"find", "DIR... [options]",
     "files below the folders DIR that meet every criterion, one path a line", Find, kOptions,
     "フォルダー DIR の下の、すべての条件に合うファイルを一行に一つ",
     "Exit 0 when every folder and file could be read, 1 when one could not (each starting "
     "folder is named with the cause; the paths found are still listed), 2 on a usage error.",
     "終了コード: すべてのフォルダーとファイルを読めれば 0、読めないものがあれば 1（始めの"
     "フォルダーは原因とともに名前を出し、見つかったパスは出します）、使い方の誤りは 2。"},
};

}  // namespace

std::span<const Command> FindCommands() { return kCommands; }

}  // namespace kaplo::cli
