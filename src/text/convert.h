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
// Every form but "?" reads back as the character (see web_escape.h).
enum class Unmappable {
  Question,      // "?"
  CharRef,       // an HTML text: "&#x1F600;", in its scripts and styles their escapes
  SavedPage,     // an HTML page to be saved: as CharRef, and where no form reads
                 // back, a mark that keeps the page in its own code
  StyleEscape,   // a stylesheet: "\1F600 "
  ScriptEscape,  // a script: "\uD83D\uDE00"
};

// What a conversion could not carry over as it was, for callers that say so.
struct ConversionStats {
  std::size_t invalid = 0;     // sequences invalid in the source code, one "?" each
  std::size_t unmappable = 0;  // characters with no form in the target code, written "?"
  std::size_t references = 0;  // characters with no Shift_JIS form, written as references
                               // or escapes
  std::size_t formless = 0;    // of those, references left where no form reads back
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
// JIS X 0212 characters (0x8F and two bytes) are read as browsers read them;
// the few Shift_JIS holds (IBM's kanji) are kept, the others are unmappable.
std::string EucToShiftJIS(std::string_view text);
std::string EucToShiftJIS(std::string_view text, ConversionStats& stats);
std::string EucToShiftJIS(std::string_view text, Unmappable unmappable, ConversionStats& stats);
// Writes only what EUC-JP readers take: IBM's characters as JIS X 0212
// (0x8F and two bytes) where it has them, else in NEC's rows 89-92 or their
// standard form; what EUC-JP cannot hold (user-defined characters, unmapped
// pairs) becomes "?", counted unmappable, a byte that is no character "?",
// counted invalid.
std::string ShiftJISToEuc(std::string_view text);
std::string ShiftJISToEuc(std::string_view text, ConversionStats& stats);
// kanaMode 1 widens half-width katakana combining voiced marks first,
// 2 widens them one for one, anything else leaves them half-width.
std::string ShiftJISToEucKana(std::string_view text, int kanaMode);
// IBM's characters in NEC's rows 89-92 or their standard form, as browsers
// read ISO-2022-JP; what it cannot hold becomes "?" in single-byte mode.
// Single-byte runs are JIS X 0201 Roman (ESC ( J), or ASCII (ESC ( B) when
// they hold a backslash or a tilde, which Roman reads as the yen sign and
// the overline; with ascii_escape always ASCII.
std::string ShiftJISToJis(std::string_view text);
std::string ShiftJISToJis(std::string_view text, ConversionStats& stats, bool ascii_escape = false);
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
// Counts each U+FFFD written for an invalid or unmapped sequence.
std::string ShiftJISToUtf8(std::string_view text, ConversionStats& stats);
// EUC-JP read as browsers read it (JIS X 0212 included); each sequence that
// is no character a U+FFFD, counted invalid.
std::string EucToUtf8(std::string_view text, ConversionStats& stats);
// UTF-8 to EUC-JP: JIS X 0208 as browsers read it, else JIS X 0212; what
// neither holds as `unmappable` says, references and escapes included.
std::string Utf8ToEuc(std::string_view text, Unmappable unmappable, ConversionStats& stats);
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
