// SHA-1 as web archives label their digests: "sha1:" and 32 base32 letters.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kaplo {

class Sha1 {
 public:
  Sha1();
  void Update(std::string_view bytes);
  // The 20 bytes of the digest; the object is spent afterwards.
  std::array<std::uint8_t, 20> Finish();
  // "sha1:" + base32 of the digest; the object is spent afterwards.
  std::string Label();

 private:
  void Block(const std::uint8_t* p);

  std::uint32_t h_[5];
  std::uint8_t buffer_[64];
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;
};

// RFC 4648 base32, upper case, padded.
std::string Base32(std::string_view bytes);

}  // namespace kaplo
