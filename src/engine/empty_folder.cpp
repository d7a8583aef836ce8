// Emptying the save folder before a download. Only files are deleted; the
// folder tree stays. A mistyped folder must never cost the user data
// elsewhere, so whole classes of folders are refused outright.
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

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

bool Refused(const fs::path& folder) {
  const fs::path p = folder.lexically_normal();
  std::size_t depth = 0;
  for (const auto& part : p.relative_path()) depth += !part.empty();
  // "/", a top-level folder such as /home or /tmp, and relative names.
  if (!p.is_absolute() || depth < 2) return true;
  for (const char* tree : kSystemTrees) {
    if (IsWithin(p, tree)) return true;
  }
  // The home folder and every folder above it.
  if (const char* home = std::getenv("HOME"); home && *home) {
    std::error_code ec;
    fs::path h = fs::weakly_canonical(home, ec);
    if (ec) h = fs::path(home);
    if (IsWithin(h.lexically_normal(), p)) return true;
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

bool EmptyFolder(std::string_view folder) {
  if (folder.empty()) return false;
  const fs::path given = FsPath(folder);
  std::error_code ec;
  // The folder as given and the folder it really is must both be allowed.
  const fs::path real = fs::canonical(given, ec);
  if (ec || !fs::is_directory(real, ec)) return false;
  if (Refused(fs::absolute(given, ec)) || Refused(real)) return false;
  return EmptyTree(real);
}

}  // namespace kaplo
