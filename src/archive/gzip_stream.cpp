#include "archive/gzip_stream.h"

#include <algorithm>

namespace kaplo {

GzipMemberWriter::GzipMemberWriter(std::FILE* out, int level) : out_(out) {
  // 15 bits of window, +16: a gzip header and trailer around the deflate data.
  ok_ = deflateInit2(&z_, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK;
}

bool IncompressibleSample(std::string_view sample) {
  std::string out(compressBound(static_cast<uLong>(sample.size())), '\0');
  uLongf size = static_cast<uLongf>(out.size());
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                reinterpret_cast<const Bytef*>(sample.data()), static_cast<uLong>(sample.size()),
                Z_BEST_SPEED) != Z_OK) {
    return false;
  }
  return size * 10 > sample.size() * 9;
}

GzipMemberWriter::~GzipMemberWriter() { deflateEnd(&z_); }

bool GzipMemberWriter::Pump(int flush) {
  unsigned char buf[1 << 15];
  int rc = Z_OK;
  do {
    z_.next_out = buf;
    z_.avail_out = sizeof buf;
    rc = deflate(&z_, flush);
    if (rc == Z_STREAM_ERROR) return false;
    const std::size_t n = sizeof buf - z_.avail_out;
    if (n > 0 && std::fwrite(buf, 1, n, out_) != n) return false;
  } while (z_.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
  return true;
}

bool GzipMemberWriter::Add(std::string_view bytes) {
  while (ok_ && !bytes.empty()) {
    // avail_in is 32 bits wide: a huge piece goes in slices.
    const std::size_t take = std::min<std::size_t>(bytes.size(), 1u << 30);
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z_.avail_in = static_cast<uInt>(take);
    ok_ = Pump(Z_NO_FLUSH);
    bytes.remove_prefix(take);
  }
  return ok_;
}

bool GzipMemberWriter::Finish() {
  if (ok_) ok_ = Pump(Z_FINISH);
  return ok_;
}

GzipReader::GzipReader(std::FILE* in) : in_(in) {
  inflateInit2(&z_, 15 + 16);
  z_.next_in = input_;
  z_.avail_in = 0;
  Refill();
  compressed_ = z_.avail_in >= 2 && input_[0] == 0x1f && input_[1] == 0x8b;
  in_member_ = compressed_;
}

GzipReader::~GzipReader() { inflateEnd(&z_); }

bool GzipReader::Refill() {
  if (eof_) return false;
  consumed_ += static_cast<std::uint64_t>(z_.next_in - input_);
  const std::size_t kept = z_.avail_in;
  if (kept > 0) std::copy(z_.next_in, z_.next_in + kept, input_);
  const std::size_t got = std::fread(input_ + kept, 1, sizeof input_ - kept, in_);
  if (got == 0) eof_ = true;
  z_.next_in = input_;
  z_.avail_in = static_cast<uInt>(kept + got);
  return got > 0;
}

long GzipReader::Read(char* buf, std::size_t n) {
  if (!error_.empty()) return -1;
  if (!compressed_) {
    // Plain bytes: what is buffered first, then the file.
    if (z_.avail_in == 0 && !Refill()) return 0;
    const std::size_t take = std::min<std::size_t>(n, z_.avail_in);
    std::copy(z_.next_in, z_.next_in + take, buf);
    z_.next_in += take;
    z_.avail_in -= static_cast<uInt>(take);
    return static_cast<long>(take);
  }
  while (true) {
    if (!in_member_) {
      // Between members: the end of the file, or the next member.
      while (z_.avail_in < 2 && Refill()) {
      }
      if (z_.avail_in == 0) return 0;
      if (z_.avail_in < 2 || z_.next_in[0] != 0x1f || z_.next_in[1] != 0x8b) {
        error_ = "bytes after gzip member at offset " +
                 std::to_string(consumed_ + (z_.next_in - input_)) + " are not gzip";
        return -1;
      }
      inflateReset(&z_);
      in_member_ = true;
    }
    if (z_.avail_in == 0 && !Refill()) {
      error_ = "the file ends inside a gzip member (truncated)";
      return -1;
    }
    z_.next_out = reinterpret_cast<Bytef*>(buf);
    z_.avail_out = static_cast<uInt>(std::min<std::size_t>(n, 1u << 30));
    const int rc = inflate(&z_, Z_NO_FLUSH);
    const long produced = static_cast<long>(std::min<std::size_t>(n, 1u << 30) - z_.avail_out);
    if (rc == Z_STREAM_END) {
      in_member_ = false;
    } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
      error_ = std::string("damaged gzip data near offset ") +
               std::to_string(consumed_ + (z_.next_in - input_)) + ": " +
               (z_.msg ? z_.msg : "inflate failed");
      return -1;
    }
    if (produced > 0) return produced;
  }
}

}  // namespace kaplo
