// The search plan and the folder walk.
//
// Folders are walked by a small pool of threads that take the earliest folder
// in search order still to search; a thread lists a folder once, makes its
// sub-folders folders to search, then tests its files. What they find is
// reported in search order (see Node). Links to folders are never followed,
// and a folder reached twice (a bind mount) is searched once.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <queue>
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

// A match waiting in its folder; the name lives in the folder's arena.
struct Pending {
  std::uint32_t name_off, name_len;
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

// One folder of the search. Folders are searched ahead by several threads,
// each as if it were to be searched whole; what they found is reported in
// search order as soon as everything before it is reported, and only then is
// the sink asked what to do with the folder, so its answer decides what is
// reported exactly as if one thread had searched.
struct Node {
  std::string path;  // ends with "/"
  std::uint16_t depth = 1;
  std::uint32_t plan = 0;
  std::vector<std::uint32_t> key;  // the position in search order: child indices from the plan's
  Node* parent = nullptr;
  std::uint32_t index = 0;  // among the parent's children (or the plan's folders)
  // Written by the thread that searched the folder, read once it is done.
  std::vector<std::unique_ptr<Node>> children;
  std::string names;
  std::vector<Pending> matches;
  std::uint64_t unreadable_files = 0;
  bool open_failed = false, list_failed = false;
  bool done = false;
  // The sink's answer left its sub-folders out while some may be in search.
  bool skipped = false;
  std::atomic<bool> cancelled{false};
};

struct KeyAfter {
  bool operator()(const Node* a, const Node* b) const { return a->key > b->key; }
};

// Folders and matches searched ahead but not yet reported: beyond this the
// threads wait, except for the folder the report waits for.
constexpr std::size_t kMaxAhead = 1 << 16;

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
    for (std::uint32_t i = 0; i < plan.folders.size(); ++i) {
      auto node = std::make_unique<Node>();
      node->path = plan.folders[i].path;
      node->plan = i;
      node->key = {i};
      node->index = i;
      queue_.push(node.get());
      roots_.push_back(std::move(node));
    }
    cursor_ = roots_.empty() ? nullptr : roots_.front().get();
  }

  SearchStats Run() {
    unsigned threads = options_.threads;
    if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    std::vector<std::thread> helpers;
    // The helpers start with this thread's priority.
    for (unsigned i = 1; i < threads; ++i) helpers.emplace_back([this] { Work(); });
    Work();
    for (std::thread& t : helpers) t.join();
    Flush();
    stats_.aborted = abort_.load();
    return stats_;
  }

 private:
  struct Local {
    std::vector<char> dents = std::vector<char>(1 << 16);
    std::string names;  // the current folder's entry names, NUL-separated
    std::vector<std::tuple<std::uint32_t, std::uint32_t, unsigned char>> entries;
    std::unique_ptr<PhraseScanner> scanner;
  };

  bool Finished() const { return cursor_ == nullptr || abort_.load(std::memory_order_relaxed); }

  void Work() {
    Local L;
    if (!plan_.content.phrase.empty()) {
      L.scanner = std::make_unique<PhraseScanner>(plan_.content.phrase, plan_.content.ignore_case,
                                                  plan_.content.whole_word);
    }
    std::unique_lock lk(mu_);
    for (;;) {
      // The folder the report waits for is always taken; others only while
      // not too much waits to be reported.
      cv_.wait(lk, [this] {
        return Finished() ||
               (!queue_.empty() && (ahead_ < kMaxAhead || queue_.top() == cursor_));
      });
      if (Finished()) break;
      Node* node = queue_.top();
      queue_.pop();
      lk.unlock();
      Search(*node, L);
      lk.lock();
      node->done = true;
      // A folder of a part the sink left out is never reported.
      if (!LeftOut(*node)) ahead_ += 1 + node->matches.size();
      for (const auto& child : node->children) queue_.push(child.get());
      if (!node->children.empty()) cv_.notify_all();
      if (!reporting_) Report(lk);
    }
    cv_.notify_all();
  }

  // Whether the sink left out the part node belongs to. The walk up stops at
  // the first folder left out, so it never reaches one that was freed.
  static bool LeftOut(const Node& node) {
    for (const Node* up = &node; up; up = up->parent) {
      if (up->cancelled.load(std::memory_order_relaxed)) return true;
    }
    return false;
  }

  // Searches a folder as if the sink wanted all of it: its files, and its
  // sub-folders made children to search later.
  void Search(Node& node, Local& L) {
    if (LeftOut(node) || abort_.load(std::memory_order_relaxed)) return;
    const PlanFolder& pf = plan_.folders[node.plan];
    const bool files = node.depth >= pf.min_level;
    const bool subs = pf.recursive && (pf.max_level == 0 || node.depth < pf.max_level);
    if (!files && !subs) return;
    // A target folder may be a link the user named; below it, links stay links.
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;
    if (node.depth > 1) flags |= O_NOFOLLOW;
    const int fd = open(node.path.c_str(), flags);
    if (fd < 0) {
      node.open_failed = true;
      return;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !FirstVisit(st.st_dev, st.st_ino, node.plan)) {
      close(fd);
      return;
    }
    node.list_failed = !List(fd, L);
    if (subs) MakeChildren(node, L);
    if (files) Files(fd, node, L);
    close(fd);
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

  void MakeChildren(Node& node, const Local& L) {
    for (const auto& [off, len, type] : L.entries) {
      if (type != DT_DIR) continue;
      auto child = std::make_unique<Node>();
      child->path.reserve(node.path.size() + len + 1);
      child->path.append(node.path).append(L.names, off, len) += '/';
      child->depth = static_cast<std::uint16_t>(node.depth + 1);
      child->plan = node.plan;
      child->parent = &node;
      child->index = static_cast<std::uint32_t>(node.children.size());
      child->key = node.key;
      child->key.push_back(child->index);
      node.children.push_back(std::move(child));
    }
  }

  void Files(int fd, Node& node, Local& L) {
    const std::vector<NameMask>& masks = masks_[node.plan];
    for (const auto& [off, len, type] : L.entries) {
      if (abort_.load(std::memory_order_relaxed)) break;
      const char* cname = L.names.data() + off;
      const std::string_view name(cname, len);
      std::uint32_t rank = 0;
      while (rank < masks.size() && !masks[rank].Matches(name)) ++rank;
      if (rank == masks.size()) continue;
      FileEntry e;
      if (!Test(fd, cname, name, type, node.path, e, node, L)) continue;
      node.matches.push_back({static_cast<std::uint32_t>(node.names.size()),
                              static_cast<std::uint32_t>(len), rank, e});
      node.names.append(name);
    }
    // Several masks: what the first-searched mask found comes first.
    if (masks.size() > 1) {
      std::stable_sort(node.matches.begin(), node.matches.end(),
                       [](const Pending& a, const Pending& b) { return a.rank < b.rank; });
    }
  }

  bool Test(int fd, const char* cname, std::string_view name, unsigned char type,
            std::string_view folder, FileEntry& e, Node& node, Local& L) {
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
          ++node.unreadable_files;
          return false;
        default:
          return false;
      }
    }
    return true;
  }

  // Reports every searched folder from the cursor on, in search order, until
  // one is still being searched. One thread reports at a time; the lock is
  // held only between folders.
  void Report(std::unique_lock<std::mutex>& lk) {
    reporting_ = true;
    while (cursor_ && cursor_->done && !abort_.load(std::memory_order_relaxed)) {
      Node* node = cursor_;
      lk.unlock();
      const bool descend = ReportFolder(*node);
      lk.lock();
      ahead_ -= 1 + node->matches.size();
      Advance(node, descend);
      cv_.notify_all();
    }
    if (abort_.load(std::memory_order_relaxed)) cv_.notify_all();
    reporting_ = false;
  }

  // The sink's answer for one folder and what it lets through; true when its
  // sub-folders are to be reported too.
  bool ReportFolder(Node& node) {
    const FolderAction action = sink_.FolderChange(node.path);
    ++stats_.folders;
    if (action == FolderAction::kNone) return false;
    const PlanFolder& pf = plan_.folders[node.plan];
    const bool files = (action == FolderAction::kAll || action == FolderAction::kFiles) &&
                       node.depth >= pf.min_level;
    const bool subs = (action == FolderAction::kAll || action == FolderAction::kSubfolders) &&
                      !node.children.empty();
    if ((files || subs) && (node.open_failed || node.list_failed)) ++stats_.unreadable_folders;
    if (files) {
      stats_.unreadable_files += node.unreadable_files;
      if (!node.matches.empty()) {
        // The folder's text once, for all its matches.
        const auto folder_off = static_cast<std::uint32_t>(out_arena_.size());
        out_arena_ += node.path;
        for (const Pending& p : node.matches) Add(node, p, folder_off);
      }
    }
    const auto now = std::chrono::steady_clock::now();
    if (out_.size() >= options_.batch_size || now - last_flush_ > std::chrono::milliseconds(50)) {
      Flush();
    }
    return subs;
  }

  void Add(const Node& node, const Pending& p, std::uint32_t folder_off) {
    Pending q = p;
    q.entry.folder = {};
    q.name_off = static_cast<std::uint32_t>(out_arena_.size());
    out_arena_.append(node.names, p.name_off, p.name_len);
    out_.push_back({q, folder_off, static_cast<std::uint32_t>(node.path.size())});
    ++stats_.matches;
  }

  void Flush() {
    last_flush_ = std::chrono::steady_clock::now();
    if (out_.empty()) return;
    std::vector<FileEntry> batch;
    batch.reserve(out_.size());
    for (const Out& o : out_) {
      FileEntry e = o.match.entry;
      e.folder = std::string_view(out_arena_).substr(o.folder_off, o.folder_len);
      e.name = std::string_view(out_arena_).substr(o.match.name_off, o.match.name_len);
      batch.push_back(e);
    }
    sink_.Matches(batch);
    out_.clear();
    out_arena_.clear();
  }

  // Moves the cursor past node: into its sub-folders, else to the next
  // folder after it. Folders left behind are freed, unless some of theirs
  // may still be in search.
  void Advance(Node* node, bool descend) {
    if (descend) {
      cursor_ = node->children.front().get();
      return;
    }
    if (!node->children.empty()) {
      node->skipped = true;
      for (const auto& child : node->children) {
        child->cancelled = true;
        Discount(*child);
      }
    }
    for (Node* x = node; x;) {
      Node* parent = x->parent;
      auto& siblings = parent ? parent->children : roots_;
      const std::uint32_t next = x->index + 1;
      std::unique_ptr<Node> gone = std::move(siblings[x->index]);
      if (gone->skipped) retired_.push_back(std::move(gone));
      if (next < siblings.size()) {
        cursor_ = siblings[next].get();
        return;
      }
      x = parent;
    }
    cursor_ = nullptr;
  }

  // Takes what the searched part below node (left out) counted back.
  void Discount(const Node& node) {
    if (!node.done) return;  // counted when done, if ever
    ahead_ -= 1 + node.matches.size();
    for (const auto& child : node.children) Discount(*child);
  }

  struct Out {
    Pending match;
    std::uint32_t folder_off, folder_len;
  };

  const SearchPlan& plan_;
  FinderSink& sink_;
  const std::atomic<bool>& abort_;
  const SearchOptions options_;
  std::vector<std::vector<NameMask>> masks_;  // per plan folder, in search order
  bool need_stat_ = false, need_times_ = false, need_read_only_ = false;

  std::mutex mu_;
  std::condition_variable cv_;
  std::priority_queue<Node*, std::vector<Node*>, KeyAfter> queue_;  // earliest first
  std::vector<std::unique_ptr<Node>> roots_;
  std::vector<std::unique_ptr<Node>> retired_;  // skipped while parts were in search
  Node* cursor_ = nullptr;  // the first folder not yet reported
  std::size_t ahead_ = 0;   // folders and matches searched, not yet reported
  bool reporting_ = false;

  // The reporting thread's own (one at a time).
  std::vector<Out> out_;
  std::string out_arena_;
  std::chrono::steady_clock::time_point last_flush_ = std::chrono::steady_clock::now();

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

bool SetThreadPriority(ThreadPriority priority) {
  static constexpr int kSteps[] = {39, 10, 5, 0, -5, -10, -39};
  const id_t tid = static_cast<id_t>(syscall(SYS_gettid));
  errno = 0;
  const int now = getpriority(PRIO_PROCESS, tid);
  if (now == -1 && errno != 0) return false;
  const int want = std::clamp(now + kSteps[static_cast<int>(priority)], -20, 19);
  return setpriority(PRIO_PROCESS, tid, want) == 0;
}

bool FileFinder::Execute(FinderSink& sink, Finished finished) {
  if (busy_.exchange(true)) return false;
  Wait();  // a finished worker not yet joined
  if (worker_.joinable()) worker_.detach();  // started again from its own finish callback
  abort_ = false;
  auto plan = std::make_shared<const SearchPlan>(BuildPlan(criteria));
  if (on_begin) on_begin();
  auto run = [this, &sink, plan, finished = std::move(finished)](bool own_thread) {
    // A priority above normal needs a privilege; without it the search runs at normal.
    if (own_thread && priority != ThreadPriority::kNormal) SetThreadPriority(priority);
    const SearchStats stats = RunSearch(*plan, sink, abort_, options);
    busy_ = false;
    if (finished) finished(stats);
  };
  if (threaded) {
    worker_ = std::thread(std::move(run), true);
  } else {
    run(false);
  }
  return true;
}

bool FileFinder::Abort() {
  if (!busy_.load() || abort_.exchange(true)) return false;
  if (on_abort) on_abort();
  return true;
}

void FileFinder::Wait() {
  if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
}

}  // namespace kaplo
