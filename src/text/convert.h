// Converters between Shift_JIS and EUC-JP, ISO-2022-JP and UTF-8.
//
// Pure functions: any byte sequence gives a result, an empty input an empty
// result. The EUC-JP and ISO-2022-JP routes use JIS X 0208 row/cell
// arithmetic; only the UTF-8 routes go through Unicode (the CP932 table).
// Every input byte is read: an invalid sequence becomes one "?" (U+FFFD
// towards UTF-8) and the byte after it, a CR or LF say, is read on its own;
// NUL is an ordinary character. From Shift_JIS, a first byte followed by a
// byte that cannot be a second byte is such a sequence.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kaplo {

// What a character with no Shift_JIS form becomes on the way to Shift_JIS.
enum class Unmappable {
  Question,  // "?"
  CharRef,   // "&#x1F600;" (HTML pages keep every character this way)
};

// What a conversion could not carry over as it was, for callers that say so.
struct ConversionStats {
  std::size_t invalid = 0;     // sequences invalid in the source code, one "?" each
  std::size_t unmappable = 0;  // characters with no form in the target code, written "?"
  std::size_t references = 0;  // characters with no Shift_JIS form, written as references
  std::size_t Replaced() const { return invalid + unmappable; }
};

// ESC $ B and ESC $ @ switch to JIS X 0208, ESC ( B and ESC ( J to ASCII,
// ESC ( I to half-width katakana. In double-byte mode a control byte (CR, LF,
// tab...) stands for itself and does not end the mode.
std::string JisToShiftJIS(std::string_view text);
std::string JisToShiftJIS(std::string_view text, ConversionStats& stats);
// Switches on the second byte of any escape, which it takes to be three bytes.
std::string JisToShiftJISSimple(std::string_view text);
std::string JisToShiftJISSimple(std::string_view text, ConversionStats& stats);
// JIS X 0212 characters (0x8F and two bytes) have no Shift_JIS form: "?".
std::string EucToShiftJIS(std::string_view text);
std::string EucToShiftJIS(std::string_view text, ConversionStats& stats);
std::string ShiftJISToEuc(std::string_view text);
// kanaMode 1 widens half-width katakana combining voiced marks first,
// 2 widens them one for one, anything else leaves them half-width.
std::string ShiftJISToEucKana(std::string_view text, int kanaMode);
std::string ShiftJISToJis(std::string_view text);
std::string HalfKanaToFullKana(std::string_view text);
std::string HalfKanaToFullKanaPlain(std::string_view text);
// Strict: empty when the bytes break the acceptance rule (not UTF-8); it
// decides whether a text is UTF-8, and counts only a text it accepts.
std::string Utf8ToShiftJIS(std::string_view text, Unmappable unmappable = Unmappable::Question);
std::string Utf8ToShiftJIS(std::string_view text, Unmappable unmappable, ConversionStats& stats);
// Each maximal ill-formed part becomes one "?", as decoders replace it by one
// U+FFFD; the whole text is read.
std::string Utf8ToShiftJISLenient(std::string_view text,
                                  Unmappable unmappable = Unmappable::Question);
std::string Utf8ToShiftJISLenient(std::string_view text, Unmappable unmappable,
                                  ConversionStats& stats);
// The strict reading, or the lenient one when the strict rule refuses.
std::string Utf8ToShiftJISOrLenient(std::string_view text, Unmappable unmappable,
                                    ConversionStats& stats);
std::string ShiftJISToUtf8(std::string_view text);
// The invalid sequences of a Shift_JIS text: a first byte without its second
// byte, 0x80, 0xA0, 0xFD-0xFF.
std::size_t InvalidShiftJISSequences(std::string_view text);

// JIS X 0208 pair arithmetic (bytes, modulo 256).
struct BytePair {
  unsigned char first, second;
};
constexpr BytePair JisPairToShiftJIS(unsigned char j1, unsigned char j2) {
  const unsigned char s1 = static_cast<unsigned char>(((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0));
  unsigned char s2;
  if ((j1 & 1) == 0) {
    s2 = static_cast<unsigned char>(j2 + 0x7E);
  } else {
    s2 = static_cast<unsigned char>(j2 < 0x60 ? j2 + 0x1F : j2 + 0x20);
  }
  return {s1, s2};
}

constexpr BytePair ShiftJISPairToJis(unsigned char s1, unsigned char s2) {
  const unsigned char j1 =
      static_cast<unsigned char>(2 * (s1 - (s1 <= 0x9F ? 0x70 : 0xB0)) - (s2 < 0x9F ? 1 : 0));
  unsigned char j2;
  if (s2 <= 0x7E) {
    j2 = static_cast<unsigned char>(s2 - 0x1F);
  } else if (s2 <= 0x9E) {
    j2 = static_cast<unsigned char>(s2 - 0x20);
  } else {
    j2 = static_cast<unsigned char>(s2 - 0x7E);
  }
  return {j1, j2};
}

}  // namespace kaplo
