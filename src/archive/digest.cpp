#include "archive/digest.h"

#include <algorithm>
#include <cstring>

namespace kaplo {
namespace {

std::uint32_t Rotl(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

}  // namespace

Sha1::Sha1() : h_{0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u} {}

void Sha1::Block(const std::uint8_t* p) {
  std::uint32_t w[80];
  for (int i = 0; i < 16; ++i) {
    w[i] = static_cast<std::uint32_t>(p[4 * i]) << 24 | static_cast<std::uint32_t>(p[4 * i + 1]) << 16 |
           static_cast<std::uint32_t>(p[4 * i + 2]) << 8 | p[4 * i + 3];
  }
  for (int i = 16; i < 80; ++i) w[i] = Rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
  std::uint32_t a = h_[0], b = h_[1], c = h_[2], d = h_[3], e = h_[4];
  for (int i = 0; i < 80; ++i) {
    std::uint32_t f, k;
    if (i < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999u;
    } else if (i < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1u;
    } else if (i < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDCu;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6u;
    }
    const std::uint32_t t = Rotl(a, 5) + f + e + k + w[i];
    e = d;
    d = c;
    c = Rotl(b, 30);
    b = a;
    a = t;
  }
  h_[0] += a;
  h_[1] += b;
  h_[2] += c;
  h_[3] += d;
  h_[4] += e;
}

void Sha1::Update(std::string_view bytes) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  std::size_t n = bytes.size();
  length_ += n;
  if (buffered_ > 0) {
    const std::size_t take = std::min(n, sizeof buffer_ - buffered_);
    std::memcpy(buffer_ + buffered_, p, take);
    buffered_ += take;
    p += take;
    n -= take;
    if (buffered_ < sizeof buffer_) return;
    Block(buffer_);
    buffered_ = 0;
  }
  for (; n >= 64; p += 64, n -= 64) Block(p);
  std::memcpy(buffer_, p, n);
  buffered_ = n;
}

std::array<std::uint8_t, 20> Sha1::Finish() {
  const std::uint64_t bits = length_ * 8;
  std::uint8_t pad[72] = {0x80};
  const std::size_t pad_len = (buffered_ < 56 ? 56 : 120) - buffered_;
  for (int i = 0; i < 8; ++i) pad[pad_len + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
  Update(std::string_view(reinterpret_cast<const char*>(pad), pad_len + 8));
  std::array<std::uint8_t, 20> out;
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 4; ++j) out[4 * i + j] = static_cast<std::uint8_t>(h_[i] >> (24 - 8 * j));
  }
  return out;
}

std::string Sha1::Label() {
  const auto d = Finish();
  return "sha1:" + Base32(std::string_view(reinterpret_cast<const char*>(d.data()), d.size()));
}

std::string Base32(std::string_view bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
  std::string out;
  std::uint32_t acc = 0;
  int bits = 0;
  for (const char ch : bytes) {
    acc = (acc << 8) | static_cast<std::uint8_t>(ch);
    bits += 8;
    while (bits >= 5) {
      out += kAlphabet[(acc >> (bits - 5)) & 31];
      bits -= 5;
    }
  }
  if (bits > 0) out += kAlphabet[(acc << (5 - bits)) & 31];
  while (out.size() % 8 != 0) out += '=';
  return out;
}

}  // namespace kaplo
