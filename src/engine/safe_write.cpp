#include "engine/safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include "text/fsname.h"

namespace kaplo {
namespace {

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Fd& operator=(const Fd&) = delete;
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

bool Fail(std::string* why, std::string text) {
  if (why) *why = std::move(text);
  return false;
}

std::string SystemReason(const std::string& what, int error) {
  return what + ": " + std::strerror(error);
}

// The parts of path below folder (UTF-8), or false when it is not below it.
bool PartsBelow(std::string_view folder, std::string_view path, std::vector<std::string>& parts,
                std::string* why) {
  std::string base(folder);
  if (!base.empty() && base.back() != '/') base += '/';
  if (base.empty() || !path.starts_with(base) || path.size() == base.size()) {
    return Fail(why, "the file is not below the save folder");
  }
  const std::string below = FsPath(path.substr(base.size())).string();
  std::size_t at = 0;
  while (at <= below.size()) {
    std::size_t end = below.find('/', at);
    if (end == std::string::npos) end = below.size();
    std::string part = below.substr(at, end - at);
    if (part == "..") return Fail(why, "the path leads out of the save folder");
    if (!part.empty() && part != ".") {
      if (part.size() > 255) return Fail(why, "a part of the name is longer than 255 bytes");
      parts.push_back(std::move(part));
    }
    at = end + 1;
  }
  return !parts.empty() || Fail(why, "no file name");
}

// Enters (making them) the folders parts[0, count) below dir, never through
// a symbolic link.
bool EnterFolders(Fd& dir, const std::vector<std::string>& parts, std::size_t count,
                  std::string* why) {
  for (std::size_t i = 0; i < count; ++i) {
    const char* name = parts[i].c_str();
    if (::mkdirat(dir.get(), name, 0755) != 0 && errno != EEXIST) {
      return Fail(why, SystemReason("cannot make the folder " + parts[i], errno));
    }
    Fd next(::openat(dir.get(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (next.get() < 0) {
      const int error = errno;
      struct stat st {};
      if (::fstatat(dir.get(), name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
        return Fail(why, parts[i] + " is a symbolic link: not followed out of the save folder");
      }
      return Fail(why, SystemReason("cannot enter the folder " + parts[i], error));
    }
    dir = std::move(next);
  }
  return true;
}

Fd OpenFolder(std::string_view folder, std::string* why) {
  // The save folder itself is the user's choice and may be reached through a link.
  Fd dir(::open(FsPath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) Fail(why, SystemReason("cannot open the save folder", errno));
  return dir;
}

}  // namespace

bool MakeFoldersBelow(std::string_view folder, std::string_view path, std::string* why) {
  std::vector<std::string> parts;
  if (!PartsBelow(folder, path, parts, why)) return false;
  Fd dir = OpenFolder(folder, why);
  if (dir.get() < 0) return false;
  const bool is_folder = path.ends_with('/');
  return EnterFolders(dir, parts, is_folder ? parts.size() : parts.size() - 1, why);
}

namespace {

// Writes what next() gives (false from it: a read failed) into path below folder.
template <class Next>
bool WriteBelow(std::string_view folder, std::string_view path, Next next, std::string* why);

}  // namespace

namespace {

// The file at path below folder holds bytes already (a refresh that
// changed nothing leaves it as it was, its time included).
bool HoldsBelow(std::string_view folder, std::string_view path, std::string_view bytes) {
  std::vector<std::string> parts;
  if (path.ends_with('/') || !PartsBelow(folder, path, parts, nullptr)) return false;
  Fd dir = OpenFolder(folder, nullptr);
  for (std::size_t i = 0; dir.get() >= 0 && i + 1 < parts.size(); ++i) {
    dir = Fd(::openat(dir.get(), parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  }
  if (dir.get() < 0) return false;
  Fd in(::openat(dir.get(), parts.back().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  struct stat st {};
  if (in.get() < 0 || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<std::size_t>(st.st_size) != bytes.size()) {
    return false;
  }
  std::string buffer(64 << 10, '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || bytes.substr(done, static_cast<std::size_t>(n)) !=
                      std::string_view(buffer.data(), static_cast<std::size_t>(n))) {
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool WriteFileBelow(std::string_view folder, std::string_view path, std::string_view bytes,
                    std::string* why) {
  if (HoldsBelow(folder, path, bytes)) return true;
  bool given = false;
  return WriteBelow(
      folder, path,
      [&](std::string_view& chunk) {
        chunk = given ? std::string_view() : bytes;
        given = true;
        return true;
      },
      why);
}

bool CopyFileBelow(std::string_view folder, std::string_view path, const std::string& source,
                   std::string* why) {
  Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return Fail(why, SystemReason("cannot read the fetched body", errno));
  std::string buffer(1 << 20, '\0');
  return WriteBelow(
      folder, path,
      [&](std::string_view& chunk) {
        const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
        if (n < 0) return false;
        chunk = std::string_view(buffer.data(), static_cast<std::size_t>(n));
        return true;
      },
      why);
}

namespace {

template <class Next>
bool WriteBelow(std::string_view folder, std::string_view path, Next next, std::string* why) {
  std::vector<std::string> parts;
  if (path.ends_with('/')) return Fail(why, "no file name");
  if (!PartsBelow(folder, path, parts, why)) return false;
  Fd dir = OpenFolder(folder, why);
  if (dir.get() < 0 || !EnterFolders(dir, parts, parts.size() - 1, why)) return false;

  static std::atomic<unsigned> serial{0};
  const std::string& name = parts.back();
  const std::string temp = "." + name.substr(0, 200) + ".kaplo-part" +
                           std::to_string(::getpid()) + "-" + std::to_string(serial++);
  Fd out(::openat(dir.get(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  0644));
  if (out.get() < 0) return Fail(why, SystemReason("cannot write " + name, errno));
  while (true) {
    std::string_view bytes;
    if (!next(bytes)) {
      ::unlinkat(dir.get(), temp.c_str(), 0);
      return Fail(why, "cannot read the fetched body");
    }
    if (bytes.empty()) break;
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(out.get(), bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        const int error = errno;
        ::unlinkat(dir.get(), temp.c_str(), 0);
        return Fail(why, SystemReason("cannot write " + name, error));
      }
      done += static_cast<std::size_t>(n);
    }
  }
  out = Fd();
  // rename replaces a link of that name rather than writing through it.
  struct stat st {};
  if (::fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
    ::unlinkat(dir.get(), temp.c_str(), 0);
    return Fail(why, name + " is a folder");
  }
  if (::renameat(dir.get(), temp.c_str(), dir.get(), name.c_str()) != 0) {
    const int error = errno;
    ::unlinkat(dir.get(), temp.c_str(), 0);
    return Fail(why, SystemReason("cannot write " + name, error));
  }
  return true;
}

}  // namespace

}  // namespace kaplo
