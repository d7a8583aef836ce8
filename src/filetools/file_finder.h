// The file search: folders searched for files that meet name, attribute,
// size, time and content criteria, every match reported in batches.
//
// The search works in the file system's own bytes (UTF-8 names on Linux):
// a name that Shift_JIS cannot spell must still be found and opened, so paths
// are converted only where a person reads them.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kaplo {

// Attribute bits as the search compares them. Read-only: the user may not
// write the entry; hidden: its name begins with "."; system: neither a
// regular file nor a folder; archive: a regular file.
enum : std::uint8_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
};
inline constexpr std::uint8_t kAttrAll = 0x37;

// A local date, a time of day, or both; neither means "not set".
struct TimeValue {
  std::optional<std::int32_t> day;     // days since 1970-01-01
  std::optional<std::int32_t> second;  // seconds since midnight
  bool IsSet() const { return day.has_value() || second.has_value(); }
  // "YYYY-MM-DD", "HH:MM[:SS]" or both joined by a space or "T"; nothing when malformed.
  static std::optional<TimeValue> Parse(std::string_view text);
};

struct NameCriteria {
  std::string file_name;              // masks separated by ";"
  std::string location;               // folders separated by ";", each may start with "<" or ">"
  std::vector<std::string> included;  // "[<|>]folder/mask"
  std::vector<std::string> excluded;  // "[folder/]pattern"
  bool subfolders = true;
  std::uint16_t min_level = 0, max_level = 0;
};

struct AttrCriteria {
  std::uint8_t attributes = kAttrArchive | kAttrReadOnly | kAttrHidden | kAttrSystem;
  bool exact = false;
};

struct TimeCriteria {
  TimeValue created_before, created_after;
  TimeValue modified_before, modified_after;
  TimeValue accessed_before, accessed_after;
};

struct SizeBounds {
  std::uint64_t min = 0, max = 0;  // bytes, 0 = no bound
};

struct PhraseCriteria {
  std::string phrase;  // bytes, compared with the file's bytes
  bool ignore_case = true;
  bool whole_word = false;
};

struct FinderCriteria {
  NameCriteria name;
  AttrCriteria attr;
  TimeCriteria time;
  SizeBounds size;
  PhraseCriteria content;
};

struct PlanFolder {
  std::string path;                // absolute, ends with "/"
  std::vector<std::string> masks;  // searched from the last to the first
  bool recursive = true;
  std::uint16_t min_level = 0, max_level = 0;
};

struct SearchPlan {
  std::vector<PlanFolder> folders;  // in search order
  std::vector<std::string> excluded;
  AttrCriteria attr;
  TimeCriteria time;
  SizeBounds size;
  PhraseCriteria content;
};

// Masks and folders split, trimmed and made unique; a phrase drops folders
// from the attribute set (a folder has no content).
SearchPlan BuildPlan(const FinderCriteria& criteria);

// One match. The views live as long as the batch that carries them.
struct FileEntry {
  std::string_view folder;  // ends with "/"
  std::string_view name;
  std::uint8_t attributes = 0;
  bool has_stat = false;  // size and times below are filled
  std::uint64_t size = 0;
  std::int64_t created = 0, modified = 0, accessed = 0;  // seconds since the epoch
};

// What to search in a folder: files and sub-folders, only sub-folders,
// only files, or nothing.
enum class FolderAction { kAll = 0, kSubfolders = 1, kFiles = 2, kNone = 3 };

// Receives a search's reports. Calls never overlap, whatever the number of
// threads, so a sink needs no lock of its own.
class FinderSink {
 public:
  virtual ~FinderSink() = default;
  virtual FolderAction FolderChange(std::string_view folder) { return FolderAction::kAll; }
  virtual void Matches(std::span<const FileEntry> batch) = 0;
};

struct SearchOptions {
  // Threads that walk folders and read files; 0 picks one per processor.
  // Whatever their number, folders and matches are reported in search order.
  unsigned threads = 0;
  // Fill size and times of every match (for a result list); otherwise only
  // when a criterion needs them.
  bool want_stat = false;
  std::size_t batch_size = 512;
};

struct SearchStats {
  std::uint64_t folders = 0;             // folders entered
  std::uint64_t unreadable_folders = 0;  // skipped: could not be listed
  std::uint64_t unreadable_files = 0;    // content could not be read
  std::uint64_t matches = 0;
  bool aborted = false;
};

// Runs the plan to its end or until abort is set (tested after every entry
// and every block read).
SearchStats RunSearch(const SearchPlan& plan, FinderSink& sink, const std::atomic<bool>& abort,
                      const SearchOptions& options = {});

// The priority of a search's threads, in nice steps from the thread that
// starts the search: idle and time critical are the ends of the scale,
// lowest and highest 10 steps, lower and higher 5; normal changes nothing.
enum class ThreadPriority { kIdle, kLowest, kLower, kNormal, kHigher, kHighest, kTimeCritical };

// Gives the calling thread that priority; false when the system refuses
// (above normal needs a privilege).
bool SetThreadPriority(ThreadPriority priority);

// A searcher that owns its worker: Execute starts a search (ignored while one
// runs), Abort stops it, the destructor aborts and waits.
class FileFinder {
 public:
  using Finished = std::function<void(const SearchStats&)>;
  FileFinder() = default;
  FileFinder(const FileFinder&) = delete;
  FileFinder& operator=(const FileFinder&) = delete;
  ~FileFinder();

  FinderCriteria criteria;
  SearchOptions options;
  bool threaded = false;
  // The worker's priority, and the threads it starts (threaded only).
  ThreadPriority priority = ThreadPriority::kNormal;
  // Raised by Execute on the caller's thread, the plan made, before the
  // search starts; and by Abort, on the aborting thread.
  std::function<void()> on_begin;
  std::function<void()> on_abort;

  // finished runs on the worker when threaded. False when already busy.
  bool Execute(FinderSink& sink, Finished finished = {});
  // Sets the abort flag and raises on_abort; true when a running search was
  // told to stop. It does not wait: Wait() does.
  bool Abort();
  // Waits for a threaded search to end.
  void Wait();
  bool Busy() const { return busy_.load(); }
  bool Aborted() const { return abort_.load(); }

 private:
  std::atomic<bool> busy_{false};
  std::atomic<bool> abort_{false};
  std::thread worker_;
};

// Matching helpers, shared with the tests.
// A mask as the file system matches names: "*" any run, "?" one character,
// ASCII letters without regard to case; "*" and "*.*" match every name.
class NameMask {
 public:
  explicit NameMask(std::string_view mask);
  bool Matches(std::string_view name) const;

 private:
  enum class Kind { kAll, kSuffix, kExact, kGlob } kind_;
  std::string lower_;
};

// The simple rule of exclusion patterns: "*" takes the whole rest at once.
bool SimpleWildcardMatch(std::string_view pattern, std::string_view name);
// True when the file folder+name is hit by the exclusion entry.
bool ExclusionMatches(std::string_view entry, std::string_view folder, std::string_view name);

}  // namespace kaplo
