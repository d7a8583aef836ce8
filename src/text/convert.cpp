#include "text/convert.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "text/cp932.h"
#include "text/sjis.h"
#include "text/utf8_step.h"
#include "text/web_escape.h"

namespace kaplo {
namespace {

using u8 = unsigned char;

// The output buffer of a conversion. Loops write through a local pointer o
// (a member pointer would be reloaded after every byte store, since char
// stores may alias it) and ask for room only where a step can write more
// than it reads; the buffer is sized once from the input.
class Out {
 public:
  explicit Out(std::size_t capacity) { s_.resize(capacity); }
  char* begin() { return s_.data(); }
  char* end() { return s_.data() + s_.size(); }
  // Makes room for k more bytes after o; returns where o now points.
  [[gnu::noinline]] char* Grow(char* o, std::size_t k) {
    const std::size_t used = static_cast<std::size_t>(o - s_.data());
    s_.resize(used + k + s_.size() / 2 + 16);
    return s_.data() + used;
  }
  std::string Take(char* o) {
    s_.resize(static_cast<std::size_t>(o - s_.data()));
    return std::move(s_);
  }

 private:
  std::string s_;
};

[[gnu::always_inline]] inline void Room(Out& out, char*& o, char*& end, std::size_t k) {
  if (static_cast<std::size_t>(end - o) < k) [[unlikely]] {
    o = out.Grow(o, k);
    end = out.end();
  }
}

[[gnu::always_inline]] inline char* Put(char* o, unsigned char b) {
  *o = static_cast<char>(b);
  return o + 1;
}
[[gnu::always_inline]] inline char* Put2(char* o, unsigned char a, unsigned char b) {
  o[0] = static_cast<char>(a);
  o[1] = static_cast<char>(b);
  return o + 2;
}
[[gnu::always_inline]] inline char* Put(char* o, BytePair pair) {
  return Put2(o, pair.first, pair.second);
}
[[gnu::always_inline]] inline char* Put(char* o, std::string_view s) {
  std::memcpy(o, s.data(), s.size());
  return o + s.size();
}

const u8* Bytes(std::string_view s) { return reinterpret_cast<const u8*>(s.data()); }

// Full-width forms of the half-width bytes 0xA1..0xDF, as Shift_JIS pairs.
struct KanaTable {
  std::array<std::uint16_t, 0x40> full{};  // index b - 0xA0
};

const KanaTable& Kana() {
  static const KanaTable table = [] {
    // The JIS X 0201 order: 。「」、・ヲァィゥェォャュョッーアイウエオカキクケコ
    // サシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜
    static constexpr char16_t kFull[] =
        u"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノ"
        u"ハヒフヘホマミムメモヤユヨラリルレロワン゛゜";
    static_assert(sizeof kFull / sizeof kFull[0] == 0x3F + 1);
    KanaTable t;
    for (int i = 0; i < 0x3F; ++i) t.full[i + 1] = cp932::Encode(kFull[i]);
    return t;
  }();
  return table;
}

constexpr u8 kVoiced = 0xDE;      // ﾞ
constexpr u8 kSemiVoiced = 0xDF;  // ﾟ

// The combined full-width character of a half-width base and a mark, or 0.
std::uint16_t CombineKana(u8 base, u8 mark, const KanaTable& kana) {
  const std::uint16_t plain = kana.full[base - 0xA0];
  if (mark == kVoiced) {
    if (base == 0xB3) return 0x8394;  // ｳﾞ is ヴ
    if ((base >= 0xB6 && base <= 0xC4) || (base >= 0xCA && base <= 0xCE)) return plain + 1;
  } else if (mark == kSemiVoiced) {
    if (base >= 0xCA && base <= 0xCE) return plain + 2;
  }
  return 0;
}

bool IsHalfKana(u8 b) { return b >= 0xA1 && b <= 0xDF; }

// Writes the widened form of the half-width byte at s[i], combining a mark
// that follows when combine is set; returns the bytes consumed.
std::size_t WidenKana(const u8* s, std::size_t i, std::size_t n, bool combine,
                      const KanaTable& kana, std::uint16_t& out) {
  if (combine && i + 1 < n) {
    if (const std::uint16_t c = CombineKana(s[i], s[i + 1], kana)) {
      out = c;
      return 2;
    }
  }
  out = kana.full[s[i] - 0xA0];
  return 1;
}

std::string HalfKanaToFull(std::string_view text, bool combine) {
  const KanaTable& kana = Kana();
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n + n / 2 + 16);
  char* o = out.begin();
  char* end = out.end();
  std::size_t i = 0;
  while (i < n) {
    Room(out, o, end, 2);
    const u8 b = s[i];
    if (SjisCharLength(text, i) == 2) {
      o = Put2(o, b, s[i + 1]);
      i += 2;
    } else if (IsHalfKana(b)) {
      std::uint16_t full;
      i += WidenKana(s, i, n, combine, kana, full);
      o = Put2(o, static_cast<u8>(full >> 8), static_cast<u8>(full));
    } else {
      o = Put(o, b);
      ++i;
    }
  }
  return out.Take(o);
}

constexpr char kEscDoubleByte[] = "\x1b$B";
constexpr char kEscRoman[] = "\x1b(J";
constexpr char kEscAscii[] = "\x1b(B";

// Longest output of one code point: "&#x10FFFF;".
constexpr std::size_t kMaxPerCodePoint = 10;

// What a conversion counts, and the references it wrote for EscapeWrittenReferences.
struct Tally {
  ConversionStats& stats;
  std::vector<WrittenReference> refs;
};

[[gnu::noinline]] char* PutCharRef(char* o, char32_t cp, Tally& tally, std::size_t at) {
  char* const start = o;
  static constexpr char kHex[] = "0123456789ABCDEF";
  *o++ = '&';
  *o++ = '#';
  *o++ = 'x';
  int shift = 20;
  while (shift > 0 && ((cp >> shift) & 0xF) == 0) shift -= 4;
  for (; shift >= 0; shift -= 4) *o++ = kHex[(cp >> shift) & 0xF];
  *o++ = ';';
  tally.refs.push_back({at, static_cast<std::size_t>(o - start), cp});
  return o;
}

// A character the target code lacks: a reference, or "?".
[[gnu::always_inline]] inline char* PutUnmappable(char* o, char32_t cp, Unmappable unmappable,
                                                  Tally& tally, const char* base) {
  if (unmappable != Unmappable::Question && cp != 0xFEFF && !(cp >= 0xD800 && cp < 0xE000)) {
    // The byte-order mark stays "?", as the plain UTF-8 reading keeps it.
    ++tally.stats.references;
    return PutCharRef(o, cp, tally, static_cast<std::size_t>(o - base));
  }
  ++tally.stats.unmappable;
  return Put(o, '?');
}

// Writes the Shift_JIS form of one code point; room for kMaxPerCodePoint bytes.
// encode is the table's pointer held in a local: char stores could alias the
// table record, so reading it through the record would reload it per byte.
// base is the start of the output, for the offsets of references.
[[gnu::always_inline]] inline char* PutUnicode(char* o, char32_t cp, const std::uint16_t* encode,
                                               Unmappable unmappable, Tally& tally,
                                               const char* base) {
  if (cp < 0x80) return Put(o, static_cast<u8>(cp));
  const std::uint16_t code = cp < 0x10000 ? encode[cp] : 0;
  if (code >= 0x100) return Put2(o, static_cast<u8>(code >> 8), static_cast<u8>(code));
  if (code != 0) return Put(o, static_cast<u8>(code));
  return PutUnmappable(o, cp, unmappable, tally, base);
}

// The converted text with its references in the forms their places read.
std::string Finish(std::string text, Unmappable unmappable, int source_code, Tally& tally) {
  if (tally.refs.empty()) return text;
  return EscapeWrittenReferences(text, tally.refs, unmappable, source_code, tally.stats);
}

constexpr int kFromUtf8 = 2;  // the charset codes marks name
constexpr int kFromEuc = 1;

[[gnu::always_inline]] inline char* PutInvalid(char* o, ConversionStats& stats) {
  ++stats.invalid;
  return Put(o, '?');
}

bool IsCont(u8 b) { return (b & 0xC0) == 0x80; }

// Writes one BMP code point as UTF-8 (at most 3 bytes).
[[gnu::always_inline]] inline char* PutUtf8(char* o, char32_t cp) {
  if (cp < 0x80) return Put(o, static_cast<u8>(cp));
  if (cp < 0x800) {
    return Put2(o, static_cast<u8>(0xC0 | (cp >> 6)), static_cast<u8>(0x80 | (cp & 0x3F)));
  }
  o = Put(o, static_cast<u8>(0xE0 | (cp >> 12)));
  return Put2(o, static_cast<u8>(0x80 | ((cp >> 6) & 0x3F)), static_cast<u8>(0x80 | (cp & 0x3F)));
}

bool IsJisByte(u8 b) { return b >= 0x21 && b <= 0x7E; }
bool IsEucByte(u8 b) { return b >= 0xA1 && b <= 0xFE; }

// One step of double-byte mode at s[p]: a JIS X 0208 pair, a control byte as
// itself, or "?" for a byte that is neither; returns the bytes read.
[[gnu::always_inline]] inline std::size_t JisDoubleByte(const u8* s, std::size_t p, std::size_t n,
                                                        char*& o, ConversionStats& stats) {
  const u8 b = s[p];
  if (b < 0x21) {
    o = Put(o, b);
  } else if (IsJisByte(b) && p + 1 < n && IsJisByte(s[p + 1])) {
    o = Put(o, JisPairToShiftJIS(b, s[p + 1]));
    return 2;
  } else {
    o = PutInvalid(o, stats);
  }
  return 1;
}

}  // namespace

std::string JisToShiftJIS(std::string_view text) {
  ConversionStats stats;
  return JisToShiftJIS(text, stats);
}

std::string JisToShiftJIS(std::string_view text, ConversionStats& stats) {
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n);  // never longer than the input
  char* o = out.begin();
  enum { kAscii, kDouble, kKana } mode = kAscii;
  std::size_t p = 0;
  while (p < n) {
    const u8 b = s[p];
    if (b == 0x1B && p + 2 < n) {
      const u8 x = s[p + 1], y = s[p + 2];
      if (x == '$' && (y == 'B' || y == '@')) {
        mode = kDouble;
        p += 3;
        continue;
      }
      if (x == '(' && (y == 'B' || y == 'J' || y == 'I')) {
        mode = y == 'I' ? kKana : kAscii;
        p += 3;
        continue;
      }
    }
    if (mode == kDouble) {
      p += JisDoubleByte(s, p, n, o, stats);
    } else if (mode == kKana && b >= 0x21) {
      o = b <= 0x5F ? Put(o, static_cast<u8>(b + 0x80)) : PutInvalid(o, stats);
      ++p;
    } else {
      o = Put(o, b);
      ++p;
    }
  }
  return out.Take(o);
}

std::string JisToShiftJISSimple(std::string_view text) {
  ConversionStats stats;
  return JisToShiftJISSimple(text, stats);
}

std::string JisToShiftJISSimple(std::string_view text, ConversionStats& stats) {
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n);
  char* o = out.begin();
  bool dbl = false;
  std::size_t p = 0;
  while (p < n) {
    if (s[p] == 0x1B) {
      if (p + 1 < n) {
        if (s[p + 1] == '$')
          dbl = true;
        else if (s[p + 1] == '(')
          dbl = false;
      }
      p += 3;  // the escape is taken to be three bytes long
      if (p >= n) break;
    }
    // The byte after an escape is read as text even when it is ESC.
    if (dbl) {
      p += JisDoubleByte(s, p, n, o, stats);
    } else {
      o = Put(o, s[p]);
      ++p;
    }
  }
  return out.Take(o);
}

namespace {

// The pair arithmetic as tables: the first Shift_JIS byte depends on j1
// only, the second on j2 and the parity of j1.
struct PairTables {
  u8 first[256];
  u8 second[2][256];
};
constexpr PairTables MakePairTables() {
  PairTables t{};
  for (int j = 0; j < 256; ++j) {
    const BytePair odd = JisPairToShiftJIS(1, static_cast<u8>(j));
    const BytePair even = JisPairToShiftJIS(2, static_cast<u8>(j));
    t.first[j] = JisPairToShiftJIS(static_cast<u8>(j), 0x21).first;
    t.second[1][j] = odd.second;
    t.second[0][j] = even.second;
  }
  return t;
}
constexpr PairTables kPair = MakePairTables();

// Copies a run of ASCII eight bytes at a time; returns how many were copied.
[[gnu::always_inline]] inline std::size_t CopyAscii(const u8* s, std::size_t p, std::size_t n,
                                                    char* o, std::size_t room = SIZE_MAX) {
  std::size_t k = 0;
  while (p + k + 8 <= n && k + 8 <= room) {
    std::uint64_t w;
    std::memcpy(&w, s + p + k, 8);
    if (w & 0x8080808080808080ull) break;
    std::memcpy(o + k, &w, 8);
    k += 8;
  }
  return k;
}

// Writes the ASCII byte at s[p] and the run after it; returns the bytes read.
[[gnu::always_inline]] inline std::size_t PutAscii(const u8* s, std::size_t p, std::size_t n,
                                                   char*& o, std::size_t room = SIZE_MAX) {
  const std::size_t k = CopyAscii(s, p, n, o, room);
  if (k == 0) {
    o = Put(o, s[p]);
    return 1;
  }
  o += k;
  return k;
}

}  // namespace

std::string EucToShiftJIS(std::string_view text) {
  ConversionStats stats;
  return EucToShiftJIS(text, stats);
}

std::string EucToShiftJIS(std::string_view text, ConversionStats& stats) {
  return EucToShiftJIS(text, Unmappable::Question, stats);
}

std::string EucToShiftJIS(std::string_view text, Unmappable unmappable, ConversionStats& stats) {
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n + 16);  // only a reference writes more than it reads
  char* o = out.begin();
  char* end = out.end();
  Tally tally{stats, {}};
  std::size_t p = 0;
  while (p < n) {
    const u8 b = s[p];
    if (b < 0x80) {
      p += PutAscii(s, p, n, o);
    } else if (IsEucByte(b) && p + 1 < n && IsEucByte(s[p + 1])) {
      const u8 j1 = static_cast<u8>(b - 0x80), j2 = static_cast<u8>(s[p + 1] - 0x80);
      o = Put2(o, kPair.first[j1], kPair.second[j1 & 1][j2]);
      p += 2;
    } else if (b == 0x8E && p + 1 < n && IsHalfKana(s[p + 1])) {
      o = Put(o, s[p + 1]);
      p += 2;
    } else if (b == 0x8F && p + 2 < n && IsEucByte(s[p + 1]) && IsEucByte(s[p + 2])) {
      // JIS X 0212: Shift_JIS holds a few of its characters (IBM's kanji).
      const char16_t u = cp932::Jis().jis0212[(s[p + 1] - 0xA1) * 94 + s[p + 2] - 0xA1];
      // Room for the reference and for the rest, which the other steps
      // write without asking.
      Room(out, o, end, kMaxPerCodePoint + (n - p));
      o = u ? PutUnicode(o, u, cp932::Get().encode, unmappable, tally, out.begin())
            : PutInvalid(o, stats);
      p += 3;
    } else {
      // A first byte without its second byte, or a byte that starts nothing:
      // the byte after it is read on its own.
      o = PutInvalid(o, stats);
      ++p;
    }
  }
  return Finish(out.Take(o), unmappable, kFromEuc, tally);
}

namespace {

enum class JisForm { kNone, kRows, kPlane2 };

// The JIS form an EUC-JP (plane2) or ISO-2022-JP writer gives the Shift_JIS
// pair lead, trail: its row/cell pair, or for EUC-JP a JIS X 0212 pair, each
// as browsers read it back. The standard rows and NEC's row 13 come by the
// arithmetic; NEC's and IBM's selections of IBM characters (0xED, 0xEE,
// 0xFA-0xFC) take the plane (iconv reads it too), else their rows 89-92 or
// standard form; user-defined characters (0xF0-0xF9) and unmapped pairs have
// none.
JisForm JisFormOf(u8 lead, u8 trail, bool plane2, BytePair& j) {
  if (lead <= 0xEC) {
    j = ShiftJISPairToJis(lead, trail);
    return JisForm::kRows;
  }
  const char16_t u = cp932::Get().pair[lead << 8 | trail];
  if (u == 0) return JisForm::kNone;
  const cp932::JisTables& jis = cp932::Jis();
  if (const std::uint16_t x = jis.to_jis0212[u]; plane2 && x != 0) {
    j = {static_cast<u8>(x >> 8), static_cast<u8>(x)};
    return JisForm::kPlane2;
  }
  if (const std::uint16_t r = jis.row_pair[u]; r != 0) {
    j = ShiftJISPairToJis(static_cast<u8>(r >> 8), static_cast<u8>(r));
    return JisForm::kRows;
  }
  return JisForm::kNone;
}

std::string ToEuc(std::string_view text, ConversionStats& stats) {
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n + n / 4 + 16);
  char* o = out.begin();
  char* end = out.end();
  std::size_t p = 0;
  while (p < n) {
    Room(out, o, end, 3);
    const u8 b = s[p];
    if (b < 0x80) {
      o = Put(o, b);
      ++p;
    } else if (SjisCharLength(text, p) == 2) {
      BytePair j;
      switch (JisFormOf(b, s[p + 1], true, j)) {
        case JisForm::kPlane2:
          o = Put(o, 0x8F);
          [[fallthrough]];
        case JisForm::kRows:
          o = Put2(o, j.first | 0x80, j.second | 0x80);
          break;
        case JisForm::kNone:
          ++stats.unmappable;
          o = Put(o, '?');
          break;
      }
      p += 2;
    } else if (IsHalfKana(b)) {
      o = Put2(o, 0x8E, b);
      ++p;
    } else {
      // A byte that is no character on its own; the byte after it is kept.
      o = PutInvalid(o, stats);
      ++p;
    }
  }
  return out.Take(o);
}

std::string WidenedKana(std::string_view text, int kanaMode) {
  if (kanaMode == 1) return HalfKanaToFullKana(text);
  if (kanaMode == 2) return HalfKanaToFullKanaPlain(text);
  return std::string(text);
}

}  // namespace

std::string ShiftJISToEuc(std::string_view text) {
  ConversionStats stats;
  return ToEuc(text, stats);
}

std::string ShiftJISToEuc(std::string_view text, ConversionStats& stats) {
  return ToEuc(text, stats);
}

std::string ShiftJISToEucKana(std::string_view text, int kanaMode) {
  ConversionStats stats;
  return ToEuc(WidenedKana(text, kanaMode), stats);
}

std::string ShiftJISToJis(std::string_view text) {
  ConversionStats stats;
  return ShiftJISToJis(text, stats);
}

namespace {

// Whether the single-byte run from p holds a byte that JIS X 0201 Roman
// reads otherwise than ASCII (0x5C is the yen sign there, 0x7E the overline).
bool RomanChangesRun(const u8* s, std::size_t p, std::size_t n) {
  for (; p < n && s[p] < 0x80; ++p) {
    if (s[p] == 0x5C || s[p] == 0x7E) return true;
  }
  return false;
}

}  // namespace

std::string ShiftJISToJis(std::string_view text, ConversionStats& stats, bool ascii_escape) {
  const KanaTable& kana = Kana();
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n + n / 4 + 16);
  char* o = out.begin();
  char* end = out.end();
  bool dbl = false;
  std::size_t p = 0;
  while (p < n) {
    Room(out, o, end, 8);
    const u8 b = s[p];
    BytePair j{};
    std::size_t read = 1;
    bool pair = false;
    if (IsHalfKana(b)) {
      std::uint16_t full;
      read = WidenKana(s, p, n, true, kana, full);
      j = ShiftJISPairToJis(static_cast<u8>(full >> 8), static_cast<u8>(full));
      pair = true;
    } else if (SjisCharLength(text, p) == 2) {
      read = 2;
      pair = JisFormOf(b, s[p + 1], false, j) == JisForm::kRows;
      if (!pair) ++stats.unmappable;
    } else if (b >= 0x80) {
      ++stats.invalid;  // no character on its own; the byte after it is kept
    }
    if (pair != dbl) {
      o = Put(o, pair                                          ? kEscDoubleByte
                 : ascii_escape || RomanChangesRun(s, p, n) ? kEscAscii
                                                              : kEscRoman);
      dbl = pair;
    }
    if (pair) {
      o = Put(o, j);
    } else {
      o = Put(o, b < 0x80 ? b : u8{'?'});
    }
    p += read;
  }
  if (dbl) {
    Room(out, o, end, 3);
    o = Put(o, ascii_escape ? kEscAscii : kEscRoman);
  }
  return out.Take(o);
}

std::string HalfKanaToFullKana(std::string_view text) { return HalfKanaToFull(text, true); }
std::string HalfKanaToFullKanaPlain(std::string_view text) { return HalfKanaToFull(text, false); }

std::string Utf8ToShiftJIS(std::string_view text, Unmappable unmappable) {
  ConversionStats stats;
  return Utf8ToShiftJIS(text, unmappable, stats);
}

std::string Utf8ToShiftJIS(std::string_view text, Unmappable unmappable, ConversionStats& stats) {
  ConversionStats counted;  // a refused text counts nothing
  Tally tally{counted, {}};
  const std::uint16_t* const encode = cp932::Get().encode;
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n + 16);
  char* o = out.begin();
  char* end = out.end();
  std::size_t p = 0;
  while (p < n) {
    Room(out, o, end, kMaxPerCodePoint);
    const u8 b = s[p];
    if (b < 0x80) {
      p += PutAscii(s, p, n, o, static_cast<std::size_t>(end - o));
      continue;
    }
    // Any other byte starts a sequence: two bytes when bit 0x20 is clear,
    // three when it is set; the value is cut to 16 bits. Only a well-formed
    // four-byte sequence is read as one character beyond the BMP.
    if (b & 0x20) {
      if (b >= 0xF0) [[unlikely]] {
        if (const Utf8Step step = ReadUtf8(s, p, n); step.ok) {
          o = PutUnicode(o, step.cp, encode, unmappable, tally, out.begin());
          p += 4;
          continue;
        }
      }
      if (p + 2 >= n || !IsCont(s[p + 1]) || !IsCont(s[p + 2])) return {};
      const char32_t cp = ((char32_t(b & 0x3F) << 12) | (char32_t(s[p + 1] & 0x3F) << 6) |
                           char32_t(s[p + 2] & 0x3F)) &
                          0xFFFF;
      o = PutUnicode(o, cp, encode, unmappable, tally, out.begin());
      p += 3;
    } else {
      if (p + 1 >= n || !IsCont(s[p + 1])) return {};
      o = PutUnicode(o, (char32_t(b & 0x3F) << 6) | char32_t(s[p + 1] & 0x3F), encode,
                     unmappable, tally, out.begin());
      p += 2;
    }
  }
  std::string result = Finish(out.Take(o), unmappable, kFromUtf8, tally);
  stats.unmappable += counted.unmappable;
  stats.references += counted.references;
  stats.formless += counted.formless;
  return result;
}

std::string Utf8ToShiftJISLenient(std::string_view text, Unmappable unmappable) {
  ConversionStats stats;
  return Utf8ToShiftJISLenient(text, unmappable, stats);
}

std::string Utf8ToShiftJISLenient(std::string_view text, Unmappable unmappable,
                                  ConversionStats& stats) {
  Tally tally{stats, {}};
  const std::uint16_t* const encode = cp932::Get().encode;
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n + 16);
  char* o = out.begin();
  char* end = out.end();
  std::size_t p = 0;
  while (p < n) {
    Room(out, o, end, kMaxPerCodePoint);
    const u8 b = s[p];
    if (b < 0x80) {
      p += PutAscii(s, p, n, o, static_cast<std::size_t>(end - o));
      continue;
    }
    const Utf8Step step = ReadUtf8(s, p, n);
    o = step.ok ? PutUnicode(o, step.cp, encode, unmappable, tally, out.begin())
                : PutInvalid(o, stats);
    p += step.length;
  }
  return Finish(out.Take(o), unmappable, kFromUtf8, tally);
}

std::string Utf8ToShiftJISOrLenient(std::string_view text, Unmappable unmappable,
                                    ConversionStats& stats) {
  std::string s = Utf8ToShiftJIS(text, unmappable, stats);
  return s.empty() ? Utf8ToShiftJISLenient(text, unmappable, stats) : s;
}

std::string ShiftJISToUtf8(std::string_view text) {
  ConversionStats stats;
  return ShiftJISToUtf8(text, stats);
}

std::string ShiftJISToUtf8(std::string_view text, ConversionStats& stats) {
  const char16_t* const pair = cp932::Get().pair;
  const char16_t* const single = cp932::Get().single;
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n + n / 2 + 16);
  char* o = out.begin();
  char* end = out.end();
  std::size_t p = 0;
  while (p < n) {
    Room(out, o, end, 3);
    const u8 b = s[p];
    if (b < 0x80) {
      o = Put(o, b);
      ++p;
    } else if (IsSjisLeadByte(b)) {
      if (p + 1 < n && IsSjisTrailByte(s[p + 1])) {
        const char16_t u = pair[b << 8 | s[p + 1]];
        if (u == 0) ++stats.invalid;
        o = PutUtf8(o, u ? u : cp932::kInvalid);
        p += 2;
      } else {
        // A first byte without a valid second byte: the next byte is kept
        // as a character of its own, so no line end or letter is lost.
        ++stats.invalid;
        o = PutUtf8(o, cp932::kInvalid);
        ++p;
      }
    } else {
      const char16_t u = single[b];
      if (u == 0) ++stats.invalid;
      o = PutUtf8(o, u ? u : cp932::kInvalid);
      ++p;
    }
  }
  return out.Take(o);
}

std::string EucToUtf8(std::string_view text, ConversionStats& stats) {
  const char16_t* const pair = cp932::Get().pair;
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n + n / 2 + 16);
  char* o = out.begin();
  char* end = out.end();
  std::size_t p = 0;
  while (p < n) {
    Room(out, o, end, 3);
    const u8 b = s[p];
    if (b < 0x80) {
      p += PutAscii(s, p, n, o, static_cast<std::size_t>(end - o));
      continue;
    }
    char32_t u = cp932::kInvalid;
    std::size_t read = 1;
    if (IsEucByte(b) && p + 1 < n && IsEucByte(s[p + 1])) {
      // Browsers read JIS X 0208 in EUC-JP as in Shift_JIS.
      const u8 j1 = static_cast<u8>(b - 0x80), j2 = static_cast<u8>(s[p + 1] - 0x80);
      if (const char16_t v = pair[kPair.first[j1] << 8 | kPair.second[j1 & 1][j2]]) u = v;
      read = 2;
    } else if (b == 0x8E && p + 1 < n && IsHalfKana(s[p + 1])) {
      u = 0xFF61 + (s[p + 1] - 0xA1);
      read = 2;
    } else if (b == 0x8F && p + 2 < n && IsEucByte(s[p + 1]) && IsEucByte(s[p + 2])) {
      if (const char16_t v = cp932::Jis().jis0212[(s[p + 1] - 0xA1) * 94 + s[p + 2] - 0xA1]) u = v;
      read = 3;
    }
    if (u == cp932::kInvalid) ++stats.invalid;
    o = PutUtf8(o, u);
    p += read;
  }
  return out.Take(o);
}

std::string Utf8ToEuc(std::string_view text, Unmappable unmappable, ConversionStats& stats) {
  const std::uint16_t* const encode = cp932::Get().encode;
  const std::uint16_t* const plane2 = cp932::Jis().to_jis0212;
  Tally tally{stats, {}};
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n + 16);
  char* o = out.begin();
  char* end = out.end();
  std::size_t p = 0;
  while (p < n) {
    Room(out, o, end, kMaxPerCodePoint);
    if (s[p] < 0x80) {
      p += PutAscii(s, p, n, o, static_cast<std::size_t>(end - o));
      continue;
    }
    const Utf8Step step = ReadUtf8(s, p, n);
    p += step.length;
    if (!step.ok) {
      o = PutInvalid(o, stats);
      continue;
    }
    const char32_t cp = step.cp;
    if (cp >= 0xFF61 && cp <= 0xFF9F) {
      o = Put2(o, 0x8E, static_cast<u8>(cp - 0xFF61 + 0xA1));
      continue;
    }
    // JIS X 0208 as browsers read it first, then the 0x8F plane.
    const std::uint16_t sj = cp < 0x10000 ? encode[cp] : 0;
    BytePair j;
    const JisForm form =
        sj >= 0x100 ? JisFormOf(static_cast<u8>(sj >> 8), static_cast<u8>(sj), true, j)
                    : JisForm::kNone;
    if (form == JisForm::kNone && cp < 0x10000 && plane2[cp] != 0) {
      o = Put(o, 0x8F);
      o = Put2(o, static_cast<u8>((plane2[cp] >> 8) | 0x80), static_cast<u8>(plane2[cp] | 0x80));
    } else if (form == JisForm::kNone) {
      o = PutUnmappable(o, cp, unmappable, tally, out.begin());
    } else {
      if (form == JisForm::kPlane2) o = Put(o, 0x8F);
      o = Put2(o, j.first | 0x80, j.second | 0x80);
    }
  }
  std::string result = out.Take(o);
  if (tally.refs.empty()) return result;
  return EscapeWrittenReferences(result, tally.refs, unmappable, kFromUtf8, stats,
                                 TextBytes::kAsciiSafe);
}

std::size_t InvalidShiftJISSequences(std::string_view text) {
  const u8* s = Bytes(text);
  std::size_t invalid = 0;
  for (std::size_t p = 0; p < text.size();) {
    const std::size_t len = SjisCharLength(text, p);
    if (len == 1 && s[p] >= 0x80 && !IsHalfKana(s[p])) ++invalid;
    p += len;
  }
  return invalid;
}

}  // namespace kaplo
