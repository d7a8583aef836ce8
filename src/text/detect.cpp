#include "text/detect.h"

#include <cstdint>
#include <cstring>

#include "text/convert.h"
#include "text/cp932.h"
#include "text/sjis.h"
#include "text/utf8_step.h"

namespace kaplo {
namespace {

using u8 = unsigned char;

const u8* Bytes(std::string_view s) { return reinterpret_cast<const u8*>(s.data()); }

// Skips a run of ASCII eight bytes at a time; returns the new position.
std::size_t SkipAscii(const u8* s, std::size_t i, std::size_t n) {
  while (i + 8 <= n) {
    std::uint64_t w;
    std::memcpy(&w, s + i, 8);
    if (w & 0x8080808080808080ull) break;
    i += 8;
  }
  while (i < n && s[i] < 0x80) ++i;
  return i;
}

// Every reading scores its characters; an invalid or unmapped sequence costs
// twice what the likeliest character earns.
constexpr long kInvalid = -6;

// Points of a JIS X 0208 character by its row: kana and level 1 kanji make
// Japanese text likely, symbols and rare rows earn little or nothing.
long RowPoints(u8 row) {
  if (row == 0x24 || row == 0x25) return 3;  // hiragana, katakana
  if (row >= 0x30 && row <= 0x4F) return 2;  // level 1 kanji
  if (row == 0x21 || row == 0x23) return 1;  // punctuation, full-width letters
  if (row >= 0x50 && row <= 0x74) return 1;  // level 2 kanji
  return 0;
}

long ShiftJisPair(const char16_t* pair, u8 s1, u8 s2) {
  if (pair[s1 << 8 | s2] == 0) return kInvalid;
  if (s1 >= 0xF0 && s1 <= 0xF9) return kInvalid;  // user-defined characters
  if (s1 > 0xEF) return 0;                        // IBM extensions
  return RowPoints(ShiftJISPairToJis(s1, s2).first);
}

bool IsEucByte(u8 b) { return b >= 0xA1 && b <= 0xFE; }
bool IsHalfKana(u8 b) { return b >= 0xA1 && b <= 0xDF; }

long EucPair(const char16_t* pair, u8 e1, u8 e2) {
  const u8 j1 = static_cast<u8>(e1 - 0x80);
  const BytePair s = JisPairToShiftJIS(j1, static_cast<u8>(e2 - 0x80));
  if (pair[s.first << 8 | s.second] == 0) return kInvalid;
  return RowPoints(j1);
}

// A half-width katakana byte in the Shift_JIS reading. ｡｢｣､･ are rare on
// their own (and A4, A5 lead the kana rows of EUC-JP); a voiced mark after a
// kana that takes it is a sure sign of katakana words.
long HalfKanaPoints(u8 b, u8 prev) {
  if (b <= 0xA5) return 0;
  if (b == 0xDE &&
      (prev == 0xB3 || (prev >= 0xB6 && prev <= 0xC4) || (prev >= 0xCA && prev <= 0xCE)))
    return 2;
  if (b == 0xDF && prev >= 0xCA && prev <= 0xCE) return 2;
  return 1;
}

// One reading walked chunk by chunk, so both can stop early together.
struct ShiftJisReading {
  std::size_t i = 0;
  long score = 0;
  u8 prev_kana = 0;
  void Walk(const u8* s, std::size_t n, std::size_t limit, const char16_t* pair) {
    while (i < limit) {
      const u8 b = s[i];
      if (b < 0x80) {
        i = SkipAscii(s, i, n);
        prev_kana = 0;
        continue;
      }
      if (IsSjisLeadByte(b)) {
        const bool whole = i + 1 < n && IsSjisTrailByte(s[i + 1]);
        score += whole ? ShiftJisPair(pair, b, s[i + 1]) : kInvalid;
        i += whole ? 2 : 1;
        prev_kana = 0;
      } else if (IsHalfKana(b)) {
        score += HalfKanaPoints(b, prev_kana);
        prev_kana = b;
        ++i;
      } else {  // 0x80, 0xA0, 0xFD-0xFF
        score += kInvalid;
        prev_kana = 0;
        ++i;
      }
    }
  }
};

struct EucReading {
  std::size_t i = 0;
  long score = 0;
  void Walk(const u8* s, std::size_t n, std::size_t limit, const char16_t* pair) {
    while (i < limit) {
      const u8 b = s[i];
      if (b < 0x80) {
        i = SkipAscii(s, i, n);
      } else if (IsEucByte(b) && i + 1 < n && IsEucByte(s[i + 1])) {
        score += EucPair(pair, b, s[i + 1]);
        i += 2;
      } else if (b == 0x8E && i + 1 < n && IsHalfKana(s[i + 1])) {
        score += 3;  // half-width katakana behind its own marker byte
        i += 2;
      } else if (b == 0x8F && i + 2 < n && IsEucByte(s[i + 1]) && IsEucByte(s[i + 2])) {
        i += 3;  // JIS X 0212: valid, but no evidence either way
      } else {
        score += kInvalid;
        ++i;
      }
    }
  }
};

// Past this lead the rest of a long text cannot change the answer.
constexpr long kDecisiveLead = 1 << 14;
constexpr std::size_t kChunk = 1 << 16;

// Bad UTF-8 sequences past which a text that has fewer good ones is no UTF-8.
constexpr std::size_t kClearlyBad = 4096;

bool HasJisEscape(std::string_view text) {
  for (std::size_t at = text.find('\x1b'); at != std::string_view::npos;
       at = text.find('\x1b', at + 1)) {
    const std::string_view esc = text.substr(at + 1, 2);
    if (esc == "$B" || esc == "$@" || esc == "(I") return true;
  }
  return false;
}

// Stops once the bad sequences are many and not outnumbered, where the rest
// of the text could not make it UTF-8 any more (detection only).
Utf8Evidence MeasureUtf8Until(std::string_view text, bool stop_when_clear) {
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Utf8Evidence e;
  std::size_t i = 0;
  while (i < n) {
    const u8 b = s[i];
    if (b < 0x80) {
      i = SkipAscii(s, i, n);
      continue;
    }
    const Utf8Step step = ReadUtf8(s, i, n);
    ++(step.ok ? e.good : e.bad);
    i += step.length;
    if (stop_when_clear && e.bad >= kClearlyBad && e.good < e.bad) break;
  }
  return e;
}

}  // namespace

Utf8Evidence MeasureUtf8(std::string_view text) { return MeasureUtf8Until(text, false); }

bool IsMostlyUtf8(const Utf8Evidence& e, bool declared) {
  // Shift_JIS and EUC-JP text makes about one bad sequence per good one or
  // more; a UTF-8 text with a cut character or a stray byte has many more
  // good ones. A declaration of UTF-8 makes a damaged text likelier.
  return e.good > 0 && e.good >= (declared ? 1 : 3) * e.bad;
}

int EucOrShiftJis(std::string_view text) {
  const char16_t* const pair = cp932::Get().pair;
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  ShiftJisReading sjis;
  EucReading euc;
  for (std::size_t limit = 0; limit < n;) {
    limit = n - limit > kChunk ? limit + kChunk : n;
    sjis.Walk(s, n, limit, pair);
    euc.Walk(s, n, limit, pair);
    const long lead = euc.score - sjis.score;
    if (lead > kDecisiveLead || lead < -kDecisiveLead) break;
  }
  return euc.score > sjis.score ? 1 : 3;
}

int DetectCharsetFromBytes(std::string_view text) {
  const Utf8Evidence utf8 = MeasureUtf8Until(text, true);
  if (utf8.good == 0 && utf8.bad == 0) return HasJisEscape(text) ? 4 : 3;  // 7-bit
  if (IsMostlyUtf8(utf8)) return 2;
  return EucOrShiftJis(text);
}

}  // namespace kaplo
