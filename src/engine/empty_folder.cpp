// Emptying the save folder before a download. Only files are deleted; the
// folder tree stays. A mistyped folder must never cost the user data
// elsewhere, so whole classes of folders are refused outright.
#include <pwd.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "engine/engine.h"
#include "text/fsname.h"

namespace kaplo {
namespace {

namespace fs = std::filesystem;

// Trees of the system that a download never goes into.
constexpr const char* kSystemTrees[] = {"/bin",  "/boot", "/dev",   "/etc",  "/lib",
                                        "/lib32", "/lib64", "/libx32", "/proc", "/run",
                                        "/sbin", "/sys",  "/usr",   "/var"};

bool IsWithin(const fs::path& p, const fs::path& tree) {
  auto pi = p.begin();
  for (auto ti = tree.begin(); ti != tree.end(); ++ti, ++pi) {
    if (pi == p.end() || *pi != *ti) return false;
  }
  return true;
}

// Every user's home folder: the password database, and what lies directly
// under /home whoever owns it.
std::vector<fs::path> Homes() {
  std::vector<fs::path> homes;
  setpwent();
  while (const passwd* pw = getpwent()) {
    if (pw->pw_dir && *pw->pw_dir && std::string_view(pw->pw_dir) != "/") {
      homes.emplace_back(pw->pw_dir);
    }
  }
  endpwent();
  if (const char* home = std::getenv("HOME"); home && *home) homes.emplace_back(home);
  std::error_code ec;
  for (fs::directory_iterator it("/home", ec), end; !ec && it != end; it.increment(ec)) {
    homes.push_back(it->path());
  }
  for (fs::path& h : homes) {
    fs::path real = fs::weakly_canonical(h, ec);
    h = (ec ? h : real).lexically_normal();
  }
  return homes;
}

// Why folder must not be emptied; empty when it may.
std::string Refused(const fs::path& folder) {
  const fs::path p = folder.lexically_normal();
  std::size_t depth = 0;
  for (const auto& part : p.relative_path()) depth += !part.empty();
  // "/", a top-level folder such as /home or /tmp, and relative names.
  if (!p.is_absolute() || depth < 2) return "a top-level folder";
  for (const char* tree : kSystemTrees) {
    if (IsWithin(p, tree)) return "a system folder";
  }
  if (p.parent_path() == "/home") return "a home folder";
  for (const fs::path& home : Homes()) {
    if (IsWithin(home, p)) return "a home folder, or a folder above one";
  }
  return {};
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size()) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

// A file system mounted at dir or anywhere below it (bind mounts included).
bool HoldsMountPoint(const fs::path& dir) {
  std::ifstream in("/proc/self/mountinfo");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string id, parent, devno, root, mount_point;
    fields >> id >> parent >> devno >> root >> mount_point;
    if (!mount_point.empty() && IsWithin(fs::path(Unescape(mount_point)), dir)) return true;
  }
  return false;
}

// The same, by device numbers, for systems without mountinfo.
bool CrossesDevice(const fs::path& dir, dev_t device) {
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    struct stat st {};
    if (::lstat(it->path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    if (st.st_dev != device || CrossesDevice(it->path(), device)) return true;
  }
  return false;
}

// Deletes the files below dir, depth first; symbolic links are removed as
// links, never followed. Stops at the first failure.
bool EmptyTree(const fs::path& dir) {
  std::error_code ec;
  // Deleting entries needs write permission on their folder.
  fs::permissions(dir, fs::perms::owner_write | fs::perms::owner_exec, fs::perm_options::add, ec);
  std::vector<fs::path> files;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::file_status st = it->symlink_status(ec);
    if (ec) return false;
    if (fs::is_directory(st)) {
      if (!EmptyTree(it->path())) return false;
    } else {
      files.push_back(it->path());
    }
  }
  if (ec) return false;
  for (const fs::path& f : files) {
    if (!fs::remove(f, ec) || ec) return false;
  }
  return true;
}

}  // namespace

bool EmptyFolder(std::string_view folder, std::string* why) {
  auto refuse = [&](std::string reason) {
    if (why) *why = std::move(reason);
    return false;
  };
  if (folder.empty()) return refuse("no folder");
  const fs::path given = FsPath(folder);
  std::error_code ec;
  // The folder as given and the folder it really is must both be allowed.
  const fs::path real = fs::canonical(given, ec);
  if (ec || !fs::is_directory(real, ec)) return refuse("the folder does not exist");
  for (const fs::path& p : {fs::absolute(given, ec), real}) {
    if (std::string reason = Refused(p); !reason.empty()) return refuse(reason);
  }
  struct stat st {};
  if (::stat(real.c_str(), &st) != 0) return refuse("the folder cannot be read");
  struct stat up {};
  if (::stat(real.parent_path().c_str(), &up) == 0 && up.st_dev != st.st_dev) {
    return refuse("another file system is mounted there");
  }
  if (HoldsMountPoint(real) || CrossesDevice(real, st.st_dev)) {
    return refuse("another file system is mounted inside it");
  }
  if (!EmptyTree(real)) return refuse("a file could not be deleted");
  return true;
}

}  // namespace kaplo
