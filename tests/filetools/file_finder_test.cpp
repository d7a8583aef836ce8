#include "filetools/file_finder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ctime>
#include <thread>

#include "cli/cli.h"
#include "filetools/filetools_test_support.h"

namespace kaplo {
namespace {

using test::RecordingSink;
using test::TempTree;
namespace fs = std::filesystem;

TEST(NameMaskTest, MatchesLikeTheFileSystem) {
  struct Case {
    const char* mask;
    const char* name;
    bool match;
  } cases[] = {
      {"*.*", "README", true},        {"*", ".hidden", true},        {"*.html", "A.HTML", true},
      {"*.html", "a.htm", false},     {"*.htm*", "a.html", true},    {"a?c.txt", "abc.TXT", true},
      {"a?c.txt", "ac.txt", false},   {"index.html", "Index.Html", true},
      {"*a*b*", "xxaxxbxx", true},    {"*a*b", "xxaxxbxxc", false},  {"日本*", "日本語.txt", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NameMask(c.mask).Matches(c.name), c.match) << c.mask << " " << c.name;
  }
}

TEST(ExclusionTest, SimpleRuleAndFolderTail) {
  EXPECT_TRUE(SimpleWildcardMatch("AB*", "abxyz"));
  EXPECT_TRUE(SimpleWildcardMatch("ab??", "ab")) << "name ended: only wildcards left";
  EXPECT_FALSE(SimpleWildcardMatch("ab", "abc"));
  EXPECT_TRUE(ExclusionMatches("*.BAK", "/x/", "old.bak"));
  EXPECT_TRUE(ExclusionMatches("*.*", "/x/", "README")) << "no extension counts as \".\"";
  EXPECT_FALSE(ExclusionMatches("*.bak", "/x/", "old.txt"));
  EXPECT_TRUE(ExclusionMatches("cache/", "/home/u/Cache/", "a.txt"));
  EXPECT_TRUE(ExclusionMatches("u/cache/*.tmp", "/home/U/cache/", "a.tmp"));
  EXPECT_FALSE(ExclusionMatches("cache/", "/home/u/mycache/", "a.txt")) << "whole folder names";
  EXPECT_FALSE(ExclusionMatches("cache/", "/home/u/cache/sub/", "a.txt"));
}

TEST(TimeValueTest, Parses) {
  const auto both = TimeValue::Parse("1970-01-02 01:00:05");
  ASSERT_TRUE(both);
  EXPECT_EQ(*both->day, 1);
  EXPECT_EQ(*both->second, 3605);
  EXPECT_FALSE(TimeValue::Parse("12:30")->day);
  EXPECT_FALSE(TimeValue::Parse("2024-05-01")->second);
  for (const char* bad : {"2024-02-30", "24:00", "2024-5-1", "x", ""}) {
    EXPECT_FALSE(TimeValue::Parse(bad)) << bad;
  }
}

TEST(PlanTest, MasksLocationsAndPrefixes) {
  FinderCriteria c;
  c.name.file_name = "*.html;*.htm; ;*.HTML;a?;ab";
  c.name.location = "/a/Docs;>/a/docs/;</b;/a/Docs/";
  c.name.subfolders = false;
  c.name.max_level = 3;
  c.content.phrase = "x";
  c.attr.attributes |= kAttrDirectory;
  const SearchPlan plan = BuildPlan(c);
  ASSERT_EQ(plan.folders.size(), 3u) << "folders compare exactly";
  EXPECT_EQ(plan.folders[0].path, "/a/Docs/");
  EXPECT_FALSE(plan.folders[0].recursive);
  EXPECT_EQ(plan.folders[1].path, "/a/docs/");
  EXPECT_TRUE(plan.folders[1].recursive);
  EXPECT_EQ(plan.folders[2].path, "/b/");
  EXPECT_EQ(plan.folders[0].masks, (std::vector<std::string>{"*.html", "*.htm", "a?", "ab"}));
  EXPECT_EQ(plan.folders[2].max_level, 3);
  EXPECT_FALSE(plan.attr.attributes & kAttrDirectory) << "a phrase drops folders";
}

class FinderTest : public ::testing::Test {
 protected:
  RecordingSink Run(FinderCriteria c, SearchOptions o = {}) {
    RecordingSink sink;
    if (c.name.location.empty()) c.name.location = tree.Path();
    if (c.name.file_name.empty()) c.name.file_name = "*";
    stats = RunSearch(BuildPlan(c), sink, abort, o);
    return sink;
  }
  TempTree tree;
  std::atomic<bool> abort{false};
  SearchStats stats;
};

TEST_F(FinderTest, MaskOrderEachFileOnceAndUnderscoreNames) {
  tree.Write("a.html");
  tree.Write("b.htm");
  tree.Write("_c.HTML");
  tree.Write("d.txt");
  FinderCriteria c;
  c.name.file_name = "*.html;*.htm; ;*.html;*.htm*";
  const RecordingSink s = Run(c, {.threads = 1});
  ASSERT_EQ(s.paths.size(), 3u) << "each file once, whatever masks hit it";
  // The last mask is searched first: *.htm* finds all three.
  EXPECT_EQ(s.Sorted(), (std::vector<std::string>{tree.Path("_c.HTML"), tree.Path("a.html"),
                                                   tree.Path("b.htm")}));
  c.name.file_name = "*.html;*.htm";
  const RecordingSink t = Run(c, {.threads = 1});
  ASSERT_EQ(t.paths.size(), 3u);
  EXPECT_EQ(t.paths[0], tree.Path("b.htm")) << "the .htm mask first";
}

TEST_F(FinderTest, LevelsAndRecursionPrefixes) {
  tree.Write("top.txt");
  tree.Write("s1/one.txt");
  tree.Write("s1/s2/two.txt");
  FinderCriteria c;
  c.name.max_level = 1;
  EXPECT_EQ(Run(c).Sorted(), std::vector<std::string>{tree.Path("top.txt")});
  c.name.max_level = 0;
  c.name.min_level = 2;
  EXPECT_EQ(Run(c).Sorted(),
            (std::vector<std::string>{tree.Path("s1/one.txt"), tree.Path("s1/s2/two.txt")}));
  c.name.min_level = 0;
  c.name.location = "<" + tree.Path();
  EXPECT_EQ(Run(c).paths.size(), 1u);
  c.name.subfolders = false;
  c.name.location = ">" + tree.Path();
  EXPECT_EQ(Run(c).paths.size(), 3u);
}

TEST_F(FinderTest, FolderActionsAreHonoured) {
  tree.Write("top.txt");
  tree.Write("s1/one.txt");
  FinderCriteria c;
  const std::pair<FolderAction, std::size_t> cases[] = {
      {FolderAction::kAll, 2}, {FolderAction::kFiles, 1}, {FolderAction::kSubfolders, 0},
      {FolderAction::kNone, 0}};
  for (const auto& [action, matches] : cases) {
    RecordingSink sink;
    sink.action = action;
    c.name.location = tree.Path();
    c.name.file_name = "*";
    RunSearch(BuildPlan(c), sink, abort, {});
    EXPECT_EQ(sink.paths.size(), matches) << static_cast<int>(action);
    EXPECT_EQ(sink.folders.size(), action == FolderAction::kAll || action == FolderAction::kSubfolders ? 2u : 1u);
  }
}

TEST_F(FinderTest, AttributesSizesAndTimes) {
  tree.Write("f.txt", std::string(2000, 'x'));
  tree.Write(".hidden.txt", "x");
  tree.Dir("sub.txt");
  FinderCriteria c;
  c.name.file_name = "*.txt";
  EXPECT_EQ(Run(c).paths.size(), 2u) << "folders are not in the default set";
  c.attr.attributes |= kAttrDirectory;
  EXPECT_EQ(Run(c).paths.size(), 3u);
  c.attr = {kAttrArchive, true};
  EXPECT_EQ(Run(c).Sorted(), std::vector<std::string>{tree.Path("f.txt")});
  c.attr = {};
  c.size.min = 1000;
  const RecordingSink big = Run(c);
  ASSERT_EQ(big.entries.size(), 1u);
  EXPECT_TRUE(big.entries[0].has_stat);
  EXPECT_EQ(big.entries[0].size, 2000u);
  c.size = {0, 1999};
  EXPECT_EQ(Run(c).paths.size(), 1u);
  c.size = {};

  // Created "before today, date only" takes every file made today.
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char today[11], tomorrow[11];
  std::strftime(today, sizeof today, "%Y-%m-%d", &tm);
  const std::time_t next = now + 86400;
  localtime_r(&next, &tm);
  std::strftime(tomorrow, sizeof tomorrow, "%Y-%m-%d", &tm);
  c.time.created_before = *TimeValue::Parse(today);
  EXPECT_EQ(Run(c).paths.size(), 2u);
  c.time.created_before = {};
  c.time.modified_after = *TimeValue::Parse(tomorrow);
  EXPECT_EQ(Run(c).paths.size(), 0u);
  // A date and a time compare as one moment.
  c.time.modified_after = *TimeValue::Parse(std::string(today) + " 00:00:00");
  EXPECT_EQ(Run(c).paths.size(), 2u);
  c.time = {};
  // Sizes beyond 32 bits (a sparse file).
  const std::string huge = tree.Write("big.txt");
  fs::resize_file(huge, std::uintmax_t{5} << 30);
  c.size.min = std::uint64_t{9} << 29;
  EXPECT_EQ(Run(c).Sorted(), std::vector<std::string>{huge});
}

TEST_F(FinderTest, SafeOnLoopsFifosAndUnreadableFolders) {
  tree.Write("a/x.txt", "needle");
  fs::create_directory_symlink("..", tree.Path("a/up"));
  fs::create_directory_symlink(tree.Path("a"), tree.Path("a/self"));
  ASSERT_EQ(mkfifo(tree.Path("a/pipe.txt").c_str(), 0644), 0);
  FinderCriteria c;
  c.name.file_name = "*.txt";
  EXPECT_EQ(Run(c).Sorted(), (std::vector<std::string>{tree.Path("a/pipe.txt"), tree.Path("a/x.txt")}))
      << "a FIFO is listed by name, links to folders are not followed";
  c.content.phrase = "needle";
  EXPECT_EQ(Run(c).Sorted(), std::vector<std::string>{tree.Path("a/x.txt")})
      << "only regular files are read: the FIFO never blocks";

  // The same folder named twice is searched once.
  c.name.location = tree.Path() + ";" + tree.Path() + "/";
  EXPECT_EQ(Run(c).paths.size(), 1u);

  c.name.location = tree.Path("missing");
  Run(c);
  EXPECT_EQ(stats.unreadable_folders, 1u);
  if (geteuid() != 0) {
    tree.Write("closed/y.txt", "needle");
    fs::permissions(tree.Path("closed"), fs::perms::none);
    c.name.location = tree.Path();
    EXPECT_EQ(Run(c).paths.size(), 1u);
    EXPECT_EQ(stats.unreadable_folders, 1u);
    fs::permissions(tree.Path("closed"), fs::perms::owner_all);
  }
}

TEST_F(FinderTest, ProcFilesAreReadWithoutBlocking) {
  FinderCriteria c;
  c.name.location = "</proc/self";
  c.name.file_name = "status;comm;wchan";
  c.content.phrase = "Name:";
  const RecordingSink s = Run(c);
  EXPECT_EQ(s.Sorted(), std::vector<std::string>{"/proc/self/status"});
}

class AbortingSink : public RecordingSink {
 public:
  explicit AbortingSink(std::atomic<bool>& abort) : abort_(abort) {}
  void Matches(std::span<const FileEntry> batch) override {
    RecordingSink::Matches(batch);
    abort_ = true;
  }

 private:
  std::atomic<bool>& abort_;
};

TEST_F(FinderTest, AbortKeepsMatchesFoundSoFar) {
  for (int i = 0; i < 50; ++i) tree.Write("d" + std::to_string(i) + "/f.txt");
  FinderCriteria c;
  c.name.location = tree.Path();
  c.name.file_name = "*";
  AbortingSink sink(abort);
  const SearchStats st = RunSearch(BuildPlan(c), sink, abort, {.threads = 1, .batch_size = 1});
  EXPECT_TRUE(st.aborted);
  EXPECT_GE(sink.paths.size(), 1u);
  EXPECT_LT(sink.paths.size(), 50u);
}

// Leaves out what is below folders named "skip" and the files of folders
// named "subs", as a sink may.
class ChoosingSink : public RecordingSink {
 public:
  FolderAction FolderChange(std::string_view folder) override {
    RecordingSink::FolderChange(folder);
    if (folder.ends_with("/skip/")) return FolderAction::kFiles;
    if (folder.ends_with("/subs/")) return FolderAction::kSubfolders;
    if (folder.ends_with("/none/")) return FolderAction::kNone;
    return FolderAction::kAll;
  }
};

TEST_F(FinderTest, SeveralThreadsReportInSearchOrder) {
  // Folders of uneven size and depth, with files of uneven length to read:
  // the threads finish their folders out of order.
  for (int a = 0; a < 12; ++a) {
    const std::string top = "d" + std::to_string(a) + "/";
    for (int f = 0; f < a % 5 + 1; ++f) {
      tree.Write(top + "f" + std::to_string(f) + ".txt", std::string(a * 20000, 'x') + "needle");
    }
    for (int b = 0; b < a % 4; ++b) {
      const std::string sub = top + "s" + std::to_string(b) + "/";
      for (int f = 0; f < 3; ++f) tree.Write(sub + "g" + std::to_string(f) + ".txt", "needle");
      tree.Write(sub + "deep/h.txt", "needle");
    }
  }
  for (const char* special : {"skip", "subs", "none"}) {
    tree.Write(std::string("d3/") + special + "/x.txt", "needle");
    tree.Write(std::string("d3/") + special + "/below/y.txt", "needle");
  }
  FinderCriteria c;
  c.name.location = tree.Path();
  c.name.file_name = "*.txt";
  for (bool phrase : {false, true}) {
    SCOPED_TRACE(phrase ? "phrase" : "names");
    c.content.phrase = phrase ? "needle" : "";
    ChoosingSink one, many;
    RunSearch(BuildPlan(c), one, abort, {.threads = 1, .batch_size = 1});
    const SearchStats st = RunSearch(BuildPlan(c), many, abort, {.threads = 4, .batch_size = 7});
    ASSERT_GT(one.paths.size(), 50u);
    EXPECT_EQ(many.folders, one.folders);
    EXPECT_EQ(many.paths, one.paths);
    EXPECT_EQ(st.matches, one.paths.size());
    EXPECT_EQ(st.folders, one.folders.size());
    // What the sink left out is neither reported nor entered.
    for (const std::string& path : one.paths) {
      EXPECT_EQ(path.find("/skip/below/"), std::string::npos);
      EXPECT_EQ(path.find("/subs/x.txt"), std::string::npos);
      EXPECT_EQ(path.find("/none/"), std::string::npos);
    }
    EXPECT_NE(std::find(one.paths.begin(), one.paths.end(), tree.Path("d3/subs/below/y.txt")),
              one.paths.end());
  }
}

TEST_F(FinderTest, BatchesAcrossManyFoldersNameEachMatchsFolder) {
  // Folders three deep, a match in every third of them: a batch carries the
  // matches of many folders, searched and freed one after the other.
  std::vector<std::string> want;
  for (int n = 0; n < 300; ++n) {
    const std::string folder = "a" + std::to_string(n / 100) + "/b" + std::to_string(n / 10 % 10) +
                               "/c" + std::to_string(n % 10) + "/";
    for (int f = 0; f < 5; ++f) {
      const bool hit = n % 3 == 0 && f == n % 5;
      const std::string path = tree.Write(folder + "f" + std::to_string(f) + ".txt",
                                          std::string(100 + f, 'x') + (hit ? "needle" : ""));
      if (hit) want.push_back(path);
    }
  }
  std::sort(want.begin(), want.end());
  FinderCriteria c;
  c.content.phrase = "needle";
  for (unsigned threads : {1u, 2u, 4u}) {
    SCOPED_TRACE(threads);
    EXPECT_EQ(Run(c, {.threads = threads}).Sorted(), want);
  }
}

TEST_F(FinderTest, FinderRaisesBeginAndAbortAndRunsAtItsPriority) {
  for (int i = 0; i < 3; ++i) tree.Write("d" + std::to_string(i) + "/f.txt");
  // The sink holds the search in its first folder until the test lets it go.
  struct HoldingSink : RecordingSink {
    FolderAction FolderChange(std::string_view folder) override {
      std::unique_lock lk(mu);
      nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
      entered = true;
      cv.notify_all();
      cv.wait_for(lk, std::chrono::seconds(30), [this] { return released; });
      return RecordingSink::FolderChange(folder);
    }
    std::mutex mu;
    std::condition_variable cv;
    bool entered = false, released = false;
    int nice = 0;
  } sink;
  const int base = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  const auto main_thread = std::this_thread::get_id();
  FileFinder finder;
  finder.criteria.name.location = tree.Path();
  finder.criteria.name.file_name = "*.txt";
  finder.threaded = true;
  finder.priority = ThreadPriority::kLower;
  std::vector<std::string> calls;
  finder.on_begin = [&] {
    calls.push_back(finder.Busy() && std::this_thread::get_id() == main_thread ? "begin" : "?");
  };
  finder.on_abort = [&] { calls.push_back("abort"); };
  SearchStats got;
  ASSERT_TRUE(finder.Execute(sink, [&](const SearchStats& s) { got = s; }));
  EXPECT_EQ(calls, std::vector<std::string>{"begin"});
  {
    std::unique_lock lk(sink.mu);
    ASSERT_TRUE(sink.cv.wait_for(lk, std::chrono::seconds(30), [&] { return sink.entered; }));
  }
  EXPECT_EQ(sink.nice, std::min(base + 5, 19)) << "lower: five steps below the caller";
  EXPECT_FALSE(finder.Execute(sink)) << "one search at a time";
  EXPECT_TRUE(finder.Abort());
  EXPECT_FALSE(finder.Abort()) << "aborted once";
  {
    std::lock_guard lk(sink.mu);
    sink.released = true;
  }
  sink.cv.notify_all();
  finder.Wait();
  EXPECT_EQ(calls, (std::vector<std::string>{"begin", "abort"}));
  EXPECT_TRUE(got.aborted);
  EXPECT_LT(sink.paths.size(), 3u);
}

TEST_F(FinderTest, ThreadedFinderRunsAndAborts) {
  for (int i = 0; i < 20; ++i) tree.Write("d" + std::to_string(i) + "/f.txt", "abc");
  RecordingSink sink;
  FileFinder finder;
  finder.criteria.name.location = tree.Path();
  finder.criteria.name.file_name = "*.txt";
  finder.threaded = true;
  std::atomic<int> finished{0};
  SearchStats got;
  ASSERT_TRUE(finder.Execute(sink, [&](const SearchStats& s) {
    got = s;
    ++finished;
  }));
  finder.Wait();
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(got.matches, 20u);
  EXPECT_EQ(sink.paths.size(), 20u);
  EXPECT_FALSE(finder.Busy());
  EXPECT_FALSE(finder.Abort()) << "nothing to abort once finished";
}

TEST_F(FinderTest, CommandPrintsOnePathALine) {
  tree.Write("a/Match.TXT", "one Needle here");
  tree.Write("a/other.txt", "needles");
  tree.Write("b.html", "Needle");
  const std::vector<std::string> args = {"find", tree.Path(), "--name", "*.txt",
                                         "--phrase", "needle", "--word"};
  ::testing::internal::CaptureStdout();
  const int status = cli::Run(args);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out, tree.Path("a/Match.TXT") + "\n");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(cli::Run(std::vector<std::string>{"find", tree.Path(), "--modified-after", "soon"}), 2);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("--modified-after"), std::string::npos);
}

}  // namespace
}  // namespace kaplo
