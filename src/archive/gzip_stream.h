// gzip members written one at a time and read back as one stream.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace kaplo {

// One gzip member appended to an open file, fed in pieces.
class GzipMemberWriter {
 public:
  // level: zlib's, 0 (stored) to 9.
  explicit GzipMemberWriter(std::FILE* out, int level = Z_DEFAULT_COMPRESSION);
  ~GzipMemberWriter();
  GzipMemberWriter(const GzipMemberWriter&) = delete;
  GzipMemberWriter& operator=(const GzipMemberWriter&) = delete;
  bool Add(std::string_view bytes);
  // Ends the member; false when anything could not be written.
  bool Finish();

 private:
  bool Pump(int flush);

  std::FILE* out_;
  z_stream z_{};
  bool ok_ = false;
};

// Whether deflate gains little on bytes like sample (already compressed
// data: images, compressed answers), so storing them is as good and far faster.
bool IncompressibleSample(std::string_view sample);

// A file of gzip members read as the bytes they hold, member after member;
// a file that does not start as gzip is read as it is.
class GzipReader {
 public:
  explicit GzipReader(std::FILE* in);
  ~GzipReader();
  GzipReader(const GzipReader&) = delete;
  GzipReader& operator=(const GzipReader&) = delete;
  // Up to n bytes into buf: 0 at the end of the file, -1 on a fault (error()).
  long Read(char* buf, std::size_t n);
  const std::string& error() const { return error_; }
  bool compressed() const { return compressed_; }

 private:
  bool Refill();

  std::FILE* in_;
  z_stream z_{};
  unsigned char input_[1 << 16];
  bool compressed_ = false;
  bool in_member_ = false;
  bool eof_ = false;
  std::uint64_t consumed_ = 0;  // compressed bytes read before input_
  std::string error_;
};

}  // namespace kaplo
