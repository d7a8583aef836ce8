// Which Japanese code a text is in, judged from its bytes alone: for texts
// that declare no charset and come with no HTTP charset either.
#pragma once

#include <cstddef>
#include <string_view>

namespace kaplo {

// How the bytes of a text read as UTF-8: well-formed sequences of two to four
// bytes, and ill-formed parts (each maximal bad part once, as a decoder
// replaces it).
struct Utf8Evidence {
  std::size_t good = 0;
  std::size_t bad = 0;
};
Utf8Evidence MeasureUtf8(std::string_view text);
// UTF-8, or UTF-8 apart from a few bad sequences among many good ones (a cut
// character, a stray byte): such a text is read with replacements. A text
// that declares UTF-8 may have more damage.
bool IsMostlyUtf8(const Utf8Evidence& evidence, bool declared = false);

// The code (a CharsetCode) of a text from its bytes: 4 (ISO-2022-JP) for
// 7-bit text with a double-byte or kana escape; 2 (UTF-8) when IsMostlyUtf8;
// else 1 (EUC-JP) or 3 (Shift_JIS), whichever reading gives the likelier
// Japanese text (EucOrShiftJis). ASCII alone is 3: it reads the same in both.
int DetectCharsetFromBytes(std::string_view text);

// EUC-JP (1) or Shift_JIS (3). Each reading is scored over its characters:
// an invalid or unmapped sequence costs much, kana and common kanji earn most,
// and half-width katakana earns Shift_JIS a little (EUC-JP marks it with a
// byte of its own); a tie, ASCII included, stays Shift_JIS.
int EucOrShiftJis(std::string_view text);

}  // namespace kaplo
