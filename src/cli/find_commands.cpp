// File search from the command line: one matching path a line.
#include <cstdio>
#include <string>

#include "cli/cli.h"
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
  if (!v) throw UsageError(std::string(name) + " takes YYYY-MM-DD, HH:MM[:SS] or both");
  return *v;
}

int Find(std::span<const std::string> argv) {
  Args args(argv);
  FinderCriteria c;
  c.name.file_name = "*";
  args.Value("--name", c.name.file_name);
  // The phrase is looked for in every Japanese code; --sjis is kept for scripts.
  args.Flag("--sjis");
  if (args.Value("--phrase", c.content.phrase)) {
    if (std::string sjis = Utf8ToShiftJIS(c.content.phrase); !sjis.empty()) {
      c.content.phrase = std::move(sjis);
    }
  }
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
  for (const std::string& dir : args.Positionals(1, 1000)) {
    if (!c.name.location.empty()) c.name.location += ';';
    c.name.location += dir;
  }
  const SearchPlan plan = BuildPlan(c);
  std::atomic<bool> abort{false};
  SearchStats stats;
  {
    PrintSink sink;
    stats = RunSearch(plan, sink, abort, options);
  }
  std::fflush(stdout);
  if (stats.unreadable_folders > 0) {
    std::fprintf(stderr, "kaplo find: %llu folder(s) could not be read\n",
                 static_cast<unsigned long long>(stats.unreadable_folders));
  }
  if (stats.unreadable_files > 0) {
    std::fprintf(stderr, "kaplo find: %llu file(s) could not be read\n",
                 static_cast<unsigned long long>(stats.unreadable_files));
  }
  return stats.unreadable_folders > 0 && stats.unreadable_folders >= stats.folders ? 1 : 0;
}

constexpr Command kCommands[] = {
    {"find",
     "DIR... [--name \"*.html;*.htm\"] [--phrase P [--case] [--word] [--sjis]] "
     "[--min-size N] [--max-size N] [--{created,modified,accessed}-{before,after} T] "
     "[--min-level N] [--max-level N] [--no-recurse] [--folders] [--exclude PAT] [--threads N]",
     "files below DIRs that meet every criterion, one path a line", Find},
};

}  // namespace

std::span<const Command> FindCommands() { return kCommands; }

}  // namespace kaplo::cli
