// The code page 932 (Windows-31J) mapping, taken once from glibc iconv.
#pragma once

#include <cstdint>

namespace kaplo::cp932 {

inline constexpr char32_t kInvalid = 0xFFFD;

// Unicode scalar of a single byte (ASCII or half-width katakana); kInvalid
// for bytes that are no character on their own (lead bytes, 0x80, 0xA0, 0xFD-0xFF).
char32_t DecodeSingle(unsigned char b);
// Unicode scalar of a double-byte character; kInvalid when the pair is unmapped.
char32_t DecodePair(unsigned char lead, unsigned char trail);
// The Shift_JIS form of a BMP code point: 0 when there is none, a value
// below 0x100 for a single byte, else lead << 8 | trail. U+0000 maps to 0 too;
// callers handle it as ASCII before asking.
std::uint16_t Encode(char32_t cp);

// The raw tables, for converters that look up every character.
struct Tables {
  const char16_t* single;   // [256]: 0 = no character on its own
  const char16_t* pair;     // [lead << 8 | trail]: 0 = unmapped
  const std::uint16_t* encode;  // [BMP code point]: 0 = no Shift_JIS form
};
const Tables& Get();

}  // namespace kaplo::cp932
