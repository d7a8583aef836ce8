#include "archive/body_store.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace kaplo {
namespace {

// A file in TMPDIR that has no name: nothing is left behind, whatever happens.
std::FILE* UnnamedFile() {
  const char* dir = std::getenv("TMPDIR");
  std::string path = std::string(dir && *dir ? dir : "/tmp") + "/kaplo-warc-XXXXXX";
  const int fd = ::mkstemp(path.data());
  if (fd < 0) return nullptr;
  ::unlink(path.c_str());
  std::FILE* f = ::fdopen(fd, "w+b");
  if (!f) ::close(fd);
  return f;
}

}  // namespace

BodyStore::~BodyStore() {
  if (file_) std::fclose(file_);
}

bool BodyStore::Append(std::string_view bytes) {
  if (failed_) return false;
  if (!file_ && memory_.size() + bytes.size() > memory_bytes_) {
    file_ = UnnamedFile();
    if (!file_ || std::fwrite(memory_.data(), 1, memory_.size(), file_) != memory_.size()) {
      failed_ = true;
      return false;
    }
    std::string().swap(memory_);
  }
  if (file_) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
  } else {
    memory_.append(bytes);
  }
  if (!failed_) size_ += bytes.size();
  return !failed_;
}

std::string BodyStore::Prefix(std::size_t n) {
  std::string out;
  ForEach([&](std::string_view piece) {
    out.append(piece.substr(0, n - out.size()));
    return out.size() < n;
  });
  return out;
}

bool BodyStore::ForEach(const std::function<bool(std::string_view)>& f) {
  if (failed_) return false;
  if (!file_) return f(memory_);
  if (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0) return false;
  std::string buf(1 << 16, '\0');
  std::uint64_t left = size_;
  bool ok = true;
  while (ok && left > 0) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, buf.size()));
    ok = std::fread(buf.data(), 1, want, file_) == want && f(std::string_view(buf.data(), want));
    left -= want;
  }
  // Later bytes go after the last.
  return std::fseek(file_, 0, SEEK_END) == 0 && ok;
}

}  // namespace kaplo
