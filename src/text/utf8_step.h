// One step of reading UTF-8 as Unicode defines it, shared by the lenient
// decoder and the detector so both judge a byte the same way.
#pragma once

#include <cstddef>

namespace kaplo {

struct Utf8Step {
  std::size_t length;  // bytes read: the sequence, or its maximal ill-formed part
  char32_t cp;         // the code point when ok
  bool ok;
};

// The sequence that starts at s[i] (s[i] >= 0x80, i < n). An ill-formed part
// ends where the bytes stop being a possible prefix of a well-formed sequence,
// so a decoder replaces it with one U+FFFD and reads on from there.
[[gnu::always_inline]] inline Utf8Step ReadUtf8(const unsigned char* s, std::size_t i,
                                                std::size_t n) {
  const unsigned char b = s[i];
  std::size_t len = 0;
  unsigned char lo = 0x80, hi = 0xBF;
  char32_t cp = 0;
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2;
    cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3;
    cp = b & 0x0F;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4;
    cp = b & 0x07;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    return {1, 0, false};
  }
  std::size_t k = 1;
  for (; k < len && i + k < n; ++k) {
    const unsigned char c = s[i + k];
    if (c < lo || c > hi) break;
    lo = 0x80;
    hi = 0xBF;
    cp = (cp << 6) | (c & 0x3F);
  }
  return {k, cp, k == len};
}

}  // namespace kaplo
