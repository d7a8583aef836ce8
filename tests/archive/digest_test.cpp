// SHA-1 and base32 as web archive digests use them.
#include <gtest/gtest.h>

#include <string>

#include "archive/digest.h"

namespace kaplo {
namespace {

std::string Hex(const std::array<std::uint8_t, 20>& d) {
  std::string out;
  char buf[3];
  for (const auto b : d) {
    std::snprintf(buf, sizeof buf, "%02x", b);
    out += buf;
  }
  return out;
}

TEST(Sha1, KnownDigestsWholeAndInPieces) {
  const struct {
    std::string input, hex;
  } cases[] = {
      {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
  };
  for (const auto& c : cases) {
    Sha1 whole;
    whole.Update(c.input);
    EXPECT_EQ(Hex(whole.Finish()), c.hex) << c.input.size();
    // Pieces that straddle the 64-byte blocks give the same digest.
    for (const std::size_t step : {1u, 7u, 63u, 64u, 65u}) {
      if (c.input.size() > 100000 && step < 63) continue;
      Sha1 pieces;
      for (std::size_t i = 0; i < c.input.size(); i += step) {
        pieces.Update(std::string_view(c.input).substr(i, step));
      }
      EXPECT_EQ(Hex(pieces.Finish()), c.hex) << c.input.size() << " in steps of " << step;
    }
  }
}

TEST(Base32, Rfc4648Vectors) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},          {"f", "MY======"},         {"fo", "MZXQ===="},
      {"foo", "MZXW6==="}, {"foob", "MZXW6YQ="}, {"fooba", "MZXW6YTB"},
      {"foobar", "MZXW6YTBOI======"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(Base32(in), out) << in;
}

TEST(Sha1, LabelIsWarcStyle) {
  Sha1 s;  // the empty payload, as every WARC tool labels it
  EXPECT_EQ(s.Label(), "sha1:3I42H3S6NNFQ2MSVX7XZKYAYSCX5QBYJ");
}

}  // namespace
}  // namespace kaplo
