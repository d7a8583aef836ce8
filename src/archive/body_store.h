// A body held in memory while small and in an unnamed temporary file
// beyond, so a large download costs no memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace kaplo {

class BodyStore {
 public:
  explicit BodyStore(std::size_t memory_bytes = 256 << 10) : memory_bytes_(memory_bytes) {}
  ~BodyStore();
  BodyStore(const BodyStore&) = delete;
  BodyStore& operator=(const BodyStore&) = delete;

  // False once the temporary file could not be made or written.
  bool Append(std::string_view bytes);
  std::uint64_t size() const { return size_; }
  bool failed() const { return failed_; }
  // The body's first n bytes (fewer when it is shorter).
  std::string Prefix(std::size_t n);
  // Hands the body to f in pieces; false when it could not be read back or f said stop.
  bool ForEach(const std::function<bool(std::string_view)>& f);

 private:
  std::size_t memory_bytes_;
  std::string memory_;
  std::FILE* file_ = nullptr;
  std::uint64_t size_ = 0;
  bool failed_ = false;
};

}  // namespace kaplo
