#include "archive/archive_test_support.h"

#include <brotli/decode.h>
#include <zlib.h>

#include <cstdio>

#include "archive/http_message.h"

namespace kaplo::test {

ReadBack ReadArchive(const std::filesystem::path& file) {
  ReadBack r;
  std::FILE* in = std::fopen(file.c_str(), "rb");
  if (!in) {
    r.ended = "cannot open " + file.string();
    return r;
  }
  r.ended = ReadWarc(in, true, [&](const WarcRecord& rec) { r.records.push_back(rec); });
  std::fclose(in);
  return r;
}

namespace {

std::string Inflate(const std::string& in, int window_bits) {
  z_stream z{};
  if (inflateInit2(&z, window_bits) != Z_OK) return "<undecodable>";
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  std::string out;
  char buf[1 << 14];
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buf);
    z.avail_out = sizeof buf;
    rc = inflate(&z, Z_NO_FLUSH);
    out.append(buf, sizeof buf - z.avail_out);
    if (rc == Z_BUF_ERROR && z.avail_in == 0) break;
  }
  inflateEnd(&z);
  return rc == Z_STREAM_END ? out : "<undecodable>";
}

std::string Unbrotli(const std::string& in) {
  BrotliDecoderState* s = BrotliDecoderCreateInstance(nullptr, nullptr, nullptr);
  std::size_t avail_in = in.size();
  const auto* next_in = reinterpret_cast<const std::uint8_t*>(in.data());
  std::string out;
  BrotliDecoderResult rc = BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT;
  while (rc == BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT) {
    std::uint8_t buf[1 << 14];
    std::size_t avail_out = sizeof buf;
    std::uint8_t* next_out = buf;
    rc = BrotliDecoderDecompressStream(s, &avail_in, &next_in, &avail_out, &next_out, nullptr);
    out.append(reinterpret_cast<char*>(buf), sizeof buf - avail_out);
  }
  BrotliDecoderDestroyInstance(s);
  return rc == BROTLI_DECODER_RESULT_SUCCESS ? out : "<undecodable>";
}

}  // namespace

std::string DecodedPayload(const WarcRecord& response) {
  const std::string coding = HeaderValue(response.http_head, "Content-Encoding");
  if (coding.empty() || coding == "identity") return response.payload;
  if (coding == "gzip") return Inflate(response.payload, 15 + 16);
  if (coding == "deflate") return Inflate(response.payload, 15 + 32);
  if (coding == "br") return Unbrotli(response.payload);
  return "<undecodable>";
}

}  // namespace kaplo::test
