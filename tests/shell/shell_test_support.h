// A temporary folder per test, file helpers, and a way to act as an ordinary
// user when the tests run as root (who may write anything).
#pragma once

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>

namespace kaplo::test {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    std::string tmpl = (fs::temp_directory_path() / "kaplo-shell-XXXXXX").string();
    path_ = ::mkdtemp(tmpl.data());
    fs::permissions(path_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
  }
  ~TempFolder() {
    std::error_code ec;
    for (auto& e : fs::recursive_directory_iterator(path_, ec)) {
      fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  fs::path operator/(std::string_view name) const { return path_ / name; }

 private:
  fs::path path_;
};

inline void WriteBytes(const fs::path& p, std::string_view bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

inline std::string ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline constexpr uid_t kNobody = 65534;

// Runs fn as user nobody in a child process when the tests run as root, so
// permission bits count; fn's result comes back through the exit status.
inline bool AsOrdinaryUser(const std::function<bool()>& fn) {
  if (::geteuid() != 0) return fn();
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(2);
    ::_exit(fn() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Hands a path to the user AsOrdinaryUser runs as.
inline void GiveToOrdinaryUser(const fs::path& p) {
  if (::geteuid() == 0) {
    [[maybe_unused]] int r = ::chown(p.c_str(), kNobody, kNobody);
  }
}

}  // namespace kaplo::test
