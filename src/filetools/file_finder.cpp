// The search plan and the folder walk.
//
// Folders are walked by a small pool of threads sharing one stack of folders
// still to search (depth first; with one thread this is exactly the search
// order). A thread lists a folder once, hands its sub-folders to the stack,
// then tests its files. Links to folders are never followed, and a folder
// reached twice (a bind mount) is searched once.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <tuple>

#include "filetools/file_finder.h"
#include "filetools/phrase_scan.h"

namespace kaplo {
namespace {

std::string_view Trim(std::string_view s) {
  const std::size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

bool SameMask(std::string_view a, std::string_view b) {
  auto lower = [](unsigned char c) { return static_cast<unsigned char>(c - 'A') < 26u ? c | 0x20 : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](char x, char y) { return lower(x) == lower(y); });
}

std::vector<std::string> SplitUnique(std::string_view text, bool ignore_case) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(';', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view piece = Trim(text.substr(start, end - start));
    start = end + 1;
    if (piece.empty()) continue;
    const bool seen = std::any_of(out.begin(), out.end(), [&](const std::string& o) {
      return ignore_case ? SameMask(o, piece) : o == piece;
    });
    if (!seen) out.emplace_back(piece);
  }
  return out;
}

// "<" searches without sub-folders, ">" with them; otherwise the default.
std::string_view TakeRecursion(std::string_view entry, bool& recursive) {
  if (!entry.empty() && (entry[0] == '<' || entry[0] == '>')) {
    recursive = entry[0] == '>';
    entry.remove_prefix(1);
  }
  return entry;
}

std::string FullFolder(std::string_view folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path p = fs::absolute(fs::path(std::string(folder)), ec);
  if (ec) p = fs::path(std::string(folder));
  std::string s = p.lexically_normal().string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  if (s.back() != '/') s += '/';
  return s;
}

PlanFolder& PlanEntry(SearchPlan& plan, std::string path, bool recursive,
                      const NameCriteria& name) {
  // Folders compare exactly: on Linux "Docs" and "docs" are two folders.
  for (PlanFolder& f : plan.folders) {
    if (f.path == path) return f;
  }
  plan.folders.push_back({std::move(path), {}, recursive, name.min_level, name.max_level});
  return plan.folders.back();
}

void AddMask(PlanFolder& f, std::string_view mask) {
  for (const std::string& m : f.masks) {
    if (SameMask(m, mask)) return;
  }
  f.masks.emplace_back(mask);
}

}  // namespace

SearchPlan BuildPlan(const FinderCriteria& c) {
  SearchPlan plan;
  plan.excluded = c.name.excluded;
  for (const std::string& inc : c.name.included) {
    bool recursive = c.name.subfolders;
    const std::string_view entry = TakeRecursion(Trim(inc), recursive);
    const std::size_t slash = entry.rfind('/');
    const std::string_view folder = slash == std::string_view::npos ? "." : entry.substr(0, slash + 1);
    const std::string_view mask = slash == std::string_view::npos ? entry : entry.substr(slash + 1);
    PlanFolder& f = PlanEntry(plan, FullFolder(folder), recursive, c.name);
    if (!mask.empty()) AddMask(f, mask);
  }
  const std::vector<std::string> masks = SplitUnique(c.name.file_name, true);
  for (const std::string& loc : SplitUnique(c.name.location, false)) {
    bool recursive = c.name.subfolders;
    const std::string_view folder = Trim(TakeRecursion(loc, recursive));
    if (folder.empty()) continue;
    PlanFolder& f = PlanEntry(plan, FullFolder(folder), recursive, c.name);
    for (const std::string& m : masks) AddMask(f, m);
  }
  plan.attr = c.attr;
  plan.time = c.time;
  plan.size = c.size;
  plan.content = c.content;
  if (!plan.content.phrase.empty()) plan.attr.attributes &= ~kAttrDirectory;
  return plan;
}

namespace {

struct Task {
  std::string path;  // ends with "/"
  std::uint16_t depth;
  std::uint32_t plan;
};

// A match waiting in a batch; its texts live in the batch's arena.
struct Pending {
  std::uint32_t folder_off, folder_len, name_off, name_len;
  std::uint32_t rank;  // which mask found it: the order within a folder
  FileEntry entry;
};

struct LocalTime {
  std::int32_t day, second;
};

LocalTime ToLocal(std::int64_t t) {
  const std::time_t tt = static_cast<std::time_t>(t);
  std::tm tm{};
  localtime_r(&tt, &tm);
  const std::chrono::year_month_day ymd{std::chrono::year(tm.tm_year + 1900),
                                        std::chrono::month(tm.tm_mon + 1),
                                        std::chrono::day(tm.tm_mday)};
  return {static_cast<std::int32_t>(std::chrono::sys_days(ymd).time_since_epoch().count()),
          tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec};
}

// -1, 0, 1 as the file's local time is before, at or after the value, in
// the parts the value has.
int Compare(const LocalTime& f, const TimeValue& v) {
  if (v.day && v.second) {
    return f.day != *v.day ? (f.day < *v.day ? -1 : 1)
                           : (f.second < *v.second ? -1 : f.second > *v.second);
  }
  if (v.day) return f.day < *v.day ? -1 : f.day > *v.day;
  return f.second < *v.second ? -1 : f.second > *v.second;
}

bool InRange(std::int64_t t, const TimeValue& before, const TimeValue& after) {
  if (!before.IsSet() && !after.IsSet()) return true;
  const LocalTime f = ToLocal(t);
  if (before.IsSet() && Compare(f, before) > 0) return false;
  if (after.IsSet() && Compare(f, after) < 0) return false;
  return true;
}

struct linux_dirent64 {
  ino64_t d_ino;
  off64_t d_off;
  unsigned short d_reclen;
  unsigned char d_type;
  char d_name[];
};

class Walker {
 public:
  Walker(const SearchPlan& plan, FinderSink& sink, const std::atomic<bool>& abort,
         const SearchOptions& options)
      : plan_(plan), sink_(sink), abort_(abort), options_(options) {
    for (const PlanFolder& f : plan.folders) {
      std::vector<NameMask> m;
      for (auto it = f.masks.rbegin(); it != f.masks.rend(); ++it) m.emplace_back(*it);
      masks_.push_back(std::move(m));
    }
    const TimeCriteria& t = plan.time;
    need_times_ = t.created_before.IsSet() || t.created_after.IsSet() ||
                  t.modified_before.IsSet() || t.modified_after.IsSet() ||
                  t.accessed_before.IsSet() || t.accessed_after.IsSet();
    need_stat_ = options.want_stat || need_times_ || plan.size.min > 0 || plan.size.max > 0;
    need_read_only_ = plan.attr.exact || !(plan.attr.attributes & kAttrReadOnly);
    for (std::uint32_t i = plan.folders.size(); i-- > 0;) stack_.push_back({plan.folders[i].path, 1, i});
  }

  SearchStats Run() {
    unsigned threads = options_.threads;
    if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    // A phrase search waits on reads; a name search only on listings.
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < threads; ++i) helpers.emplace_back([this] { Work(); });
    Work();
    for (std::thread& t : helpers) t.join();
    stats_.aborted = abort_.load();
    return stats_;
  }

 private:
  struct Local {
    std::vector<char> dents = std::vector<char>(1 << 16);
    std::string names;  // the current folder's entry names, NUL-separated
    std::vector<std::tuple<std::uint32_t, std::uint32_t, unsigned char>> entries;
    std::string arena;
    std::vector<Pending> pending;
    std::string arena_folder;  // the folder whose text is at arena_folder_off
    std::uint32_t arena_folder_off = 0;
    std::unique_ptr<PhraseScanner> scanner;
    std::chrono::steady_clock::time_point last_flush = std::chrono::steady_clock::now();
    SearchStats stats;
  };

  void Work() {
    Local L;
    if (!plan_.content.phrase.empty()) {
      L.scanner = std::make_unique<PhraseScanner>(plan_.content.phrase, plan_.content.ignore_case,
                                                  plan_.content.whole_word);
    }
    std::unique_lock lk(mu_);
    for (;;) {
      while (stack_.empty() && active_ > 0) cv_.wait(lk);
      if (stack_.empty()) break;
      Task t = std::move(stack_.back());
      stack_.pop_back();
      ++active_;
      lk.unlock();
      if (!abort_.load(std::memory_order_relaxed)) Folder(t, L);
      lk.lock();
      if (--active_ == 0) cv_.notify_all();
    }
    lk.unlock();
    Flush(L);
    std::lock_guard g(sink_mu_);
    stats_.folders += L.stats.folders;
    stats_.unreadable_folders += L.stats.unreadable_folders;
    stats_.unreadable_files += L.stats.unreadable_files;
    stats_.matches += L.stats.matches;
  }

  void Folder(const Task& t, Local& L) {
    FolderAction action;
    {
      std::lock_guard g(sink_mu_);
      action = sink_.FolderChange(t.path);
    }
    ++L.stats.folders;
    if (action == FolderAction::kNone) return;
    const PlanFolder& pf = plan_.folders[t.plan];
    const bool files = (action == FolderAction::kAll || action == FolderAction::kFiles) &&
                       t.depth >= pf.min_level;
    const bool subs = (action == FolderAction::kAll || action == FolderAction::kSubfolders) &&
                      pf.recursive && (pf.max_level == 0 || t.depth < pf.max_level);
    if (!files && !subs) return;
    // A target folder may be a link the user named; below it, links stay links.
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;
    if (t.depth > 1) flags |= O_NOFOLLOW;
    const int fd = open(t.path.c_str(), flags);
    if (fd < 0) {
      ++L.stats.unreadable_folders;
      return;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !FirstVisit(st.st_dev, st.st_ino, t.plan)) {
      close(fd);
      return;
    }
    if (!List(fd, L)) ++L.stats.unreadable_folders;
    if (subs) PushSubfolders(t, L);
    if (files) Files(fd, t, pf, L);
    close(fd);
    const auto now = std::chrono::steady_clock::now();
    if (L.pending.size() >= options_.batch_size || now - L.last_flush > std::chrono::milliseconds(50)) {
      Flush(L);
    }
  }

  bool FirstVisit(dev_t dev, ino_t ino, std::uint32_t plan) {
    std::lock_guard g(visited_mu_);
    return visited_.emplace(dev, ino, plan).second;
  }

  // Reads every entry name and type of the folder into L.
  bool List(int fd, Local& L) {
    L.names.clear();
    L.entries.clear();
    for (;;) {
      const long n = syscall(SYS_getdents64, fd, L.dents.data(), L.dents.size());
      if (n < 0) return false;
      if (n == 0) return true;
      for (long off = 0; off < n;) {
        const auto* d = reinterpret_cast<const linux_dirent64*>(L.dents.data() + off);
        off += d->d_reclen;
        const char* name = d->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        const std::size_t len = std::strlen(name);
        unsigned char type = d->d_type;
        if (type == DT_UNKNOWN) {
          struct stat st;
          type = fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 ? DT_UNKNOWN
                 : S_ISDIR(st.st_mode)                            ? DT_DIR
                 : S_ISREG(st.st_mode)                            ? DT_REG
                                                                  : DT_LNK;
        }
        L.entries.emplace_back(L.names.size(), len, type);
        L.names.append(name, len + 1);
      }
    }
  }

  void PushSubfolders(const Task& t, Local& L) {
    std::vector<Task> subs;
    for (const auto& [off, len, type] : L.entries) {
      if (type != DT_DIR) continue;
      std::string path;
      path.reserve(t.path.size() + len + 1);
      path.append(t.path).append(L.names, off, len) += '/';
      subs.push_back({std::move(path), static_cast<std::uint16_t>(t.depth + 1), t.plan});
    }
    if (subs.empty()) return;
    std::lock_guard g(mu_);
    // Reversed, so the first sub-folder is searched first.
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) stack_.push_back(std::move(*it));
    cv_.notify_all();
  }

  void Files(int fd, const Task& t, const PlanFolder& pf, Local& L) {
    const std::vector<NameMask>& masks = masks_[t.plan];
    const std::size_t first = L.pending.size();
    for (const auto& [off, len, type] : L.entries) {
      if (abort_.load(std::memory_order_relaxed)) break;
      const char* cname = L.names.data() + off;
      const std::string_view name(cname, len);
      std::uint32_t rank = 0;
      while (rank < masks.size() && !masks[rank].Matches(name)) ++rank;
      if (rank == masks.size()) continue;
      FileEntry e;
      if (!Test(fd, cname, name, type, t.path, e, L)) continue;
      Add(t.path, name, rank, e, L);
    }
    // Several masks: what the first-searched mask found comes first.
    if (masks.size() > 1) {
      std::stable_sort(L.pending.begin() + first, L.pending.end(),
                       [](const Pending& a, const Pending& b) { return a.rank < b.rank; });
    }
  }

  bool Test(int fd, const char* cname, std::string_view name, unsigned char type,
            std::string_view folder, FileEntry& e, Local& L) {
    std::uint8_t attrs = type == DT_DIR ? kAttrDirectory : type == DT_REG ? kAttrArchive : kAttrSystem;
    if (name[0] == '.') attrs |= kAttrHidden;
    if (need_read_only_ && faccessat(fd, cname, W_OK, AT_EACCESS) != 0) attrs |= kAttrReadOnly;
    const std::uint8_t want = plan_.attr.attributes & kAttrAll;
    if (plan_.attr.exact ? (attrs & kAttrAll) != want : (attrs & kAttrAll & ~want) != 0) {
      return false;
    }
    e.attributes = attrs;
    if (need_stat_) {
      struct statx sx;
      const unsigned mask = STATX_SIZE | STATX_MTIME | STATX_ATIME | STATX_BTIME;
      if (statx(fd, cname, AT_SYMLINK_NOFOLLOW, mask, &sx) == 0) {
        e.has_stat = true;
        e.size = sx.stx_size;
        e.modified = sx.stx_mtime.tv_sec;
        e.accessed = sx.stx_atime.tv_sec;
        // No birth time on this file system: the modification time stands in.
        e.created = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : e.modified;
      } else if (need_times_ || plan_.size.min > 0 || plan_.size.max > 0) {
        return false;
      }
      if (plan_.size.min > 0 && e.size < plan_.size.min) return false;
      if (plan_.size.max > 0 && e.size > plan_.size.max) return false;
      if (need_times_) {
        const TimeCriteria& tc = plan_.time;
        if (!InRange(e.created, tc.created_before, tc.created_after) ||
            !InRange(e.modified, tc.modified_before, tc.modified_after) ||
            !InRange(e.accessed, tc.accessed_before, tc.accessed_after)) {
          return false;
        }
      }
    }
    for (auto it = plan_.excluded.rbegin(); it != plan_.excluded.rend(); ++it) {
      if (ExclusionMatches(*it, folder, name)) return false;
    }
    if (L.scanner) {
      // Only regular files have content; FIFOs and devices are never opened.
      if (type != DT_REG) return false;
      switch (L.scanner->ScanAt(fd, cname, abort_)) {
        case PhraseScanner::Result::kFound:
          return true;
        case PhraseScanner::Result::kUnreadable:
          ++L.stats.unreadable_files;
          return false;
        default:
          return false;
      }
    }
    return true;
  }

  void Add(const std::string& folder, std::string_view name, std::uint32_t rank,
           const FileEntry& e, Local& L) {
    if (L.arena_folder != folder || L.pending.empty()) {
      L.arena_folder_off = L.arena.size();
      L.arena += folder;
      L.arena_folder = folder;
    }
    Pending p{L.arena_folder_off, static_cast<std::uint32_t>(folder.size()),
              static_cast<std::uint32_t>(L.arena.size()), static_cast<std::uint32_t>(name.size()),
              rank, e};
    L.arena.append(name);
    L.pending.push_back(p);
    ++L.stats.matches;
  }

  void Flush(Local& L) {
    L.last_flush = std::chrono::steady_clock::now();
    if (L.pending.empty()) return;
    std::vector<FileEntry> batch;
    batch.reserve(L.pending.size());
    for (const Pending& p : L.pending) {
      FileEntry e = p.entry;
      e.folder = std::string_view(L.arena).substr(p.folder_off, p.folder_len);
      e.name = std::string_view(L.arena).substr(p.name_off, p.name_len);
      batch.push_back(e);
    }
    {
      std::lock_guard g(sink_mu_);
      sink_.Matches(batch);
    }
    L.pending.clear();
    L.arena.clear();
    L.arena_folder.clear();
  }

  const SearchPlan& plan_;
  FinderSink& sink_;
  const std::atomic<bool>& abort_;
  const SearchOptions options_;
  std::vector<std::vector<NameMask>> masks_;  // per plan folder, in search order
  bool need_stat_ = false, need_times_ = false, need_read_only_ = false;

  std::mutex mu_;
  std::condition_variable cv_;
  std::vector<Task> stack_;
  unsigned active_ = 0;

  std::mutex sink_mu_;
  std::mutex visited_mu_;
  std::set<std::tuple<dev_t, ino_t, std::uint32_t>> visited_;
  SearchStats stats_;
};

}  // namespace

SearchStats RunSearch(const SearchPlan& plan, FinderSink& sink, const std::atomic<bool>& abort,
                      const SearchOptions& options) {
  return Walker(plan, sink, abort, options).Run();
}

FileFinder::~FileFinder() {
  Abort();
  Wait();
}

bool FileFinder::Execute(FinderSink& sink, Finished finished) {
  if (busy_.exchange(true)) return false;
  Wait();  // a finished worker not yet joined
  if (worker_.joinable()) worker_.detach();  // started again from its own finish callback
  abort_ = false;
  auto run = [this, &sink, finished = std::move(finished)] {
    const SearchPlan plan = BuildPlan(criteria);
    const SearchStats stats = RunSearch(plan, sink, abort_, options);
    busy_ = false;
    if (finished) finished(stats);
  };
  if (threaded) {
    worker_ = std::thread(std::move(run));
  } else {
    run();
  }
  return true;
}

bool FileFinder::Abort() {
  if (!busy_.load() || abort_.exchange(true)) return false;
  return true;
}

void FileFinder::Wait() {
  if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
}

}  // namespace kaplo
