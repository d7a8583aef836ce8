// The code page 932 (Windows-31J) mapping, taken once from glibc iconv.
//
// Browsers read Shift_JIS with this same table: every byte pair decodes as
// glibc's CP932 decodes it, and 0x80, 0xA0 and 0xFD-0xFF are no characters.
// The encoder only writes bytes that read back as the character written, so
// glibc's one-way mappings (U+2014 to 0x815C, which reads back as U+2015;
// U+00A5 to 0x5C) are left out: such characters have no Shift_JIS form.
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

// The JIS forms of code page 932's characters, for the EUC-JP and
// ISO-2022-JP writers and readers; built on first use.
struct JisTables {
  // [BMP code point]: a Shift_JIS pair in JIS rows 1-94 (first byte up to
  // 0xEF, NEC's row 13 and its selection of IBM characters in rows 89-92
  // included) that decodes to it; 0 = none. Browsers read these rows in
  // EUC-JP and ISO-2022-JP as in Shift_JIS.
  const std::uint16_t* row_pair;
  // JIS X 0212 (EUC-JP's 0x8F plane) as browsers read it:
  // [(j1 - 0x21) * 94 + j2 - 0x21] to a code point, 0 = none.
  const char16_t* jis0212;
  // [BMP code point]: its JIS X 0212 pair j1 << 8 | j2, 0 = none.
  const std::uint16_t* to_jis0212;
};
const JisTables& Jis();

}  // namespace kaplo::cp932
