#include "text/convert.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "text/cp932.h"
#include "text/sjis.h"

namespace kaplo {
namespace {

using u8 = unsigned char;

// An output buffer written through a raw pointer: conversions size it once
// from the input and grow it only in rare worst cases.
class Out {
 public:
  explicit Out(std::size_t capacity) {
    s_.resize(capacity);
    p_ = s_.data();
    end_ = p_ + capacity;
  }
  void Ensure(std::size_t k) {
    if (static_cast<std::size_t>(end_ - p_) < k) Grow(k);
  }
  void Put(u8 b) { *p_++ = static_cast<char>(b); }
  void Put2(u8 a, u8 b) {
    p_[0] = static_cast<char>(a);
    p_[1] = static_cast<char>(b);
    p_ += 2;
  }
  void Put(BytePair pair) { Put2(pair.first, pair.second); }
  void Put(std::string_view s) {
    std::memcpy(p_, s.data(), s.size());
    p_ += s.size();
  }
  std::string Take() {
    s_.resize(static_cast<std::size_t>(p_ - s_.data()));
    return std::move(s_);
  }

 private:
  void Grow(std::size_t k) {
    const std::size_t used = static_cast<std::size_t>(p_ - s_.data());
    s_.resize(used + k + s_.size() / 2 + 16);
    p_ = s_.data() + used;
    end_ = s_.data() + s_.size();
  }
  std::string s_;
  char* p_;
  char* end_;
};

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
  std::size_t i = 0;
  while (i < n) {
    out.Ensure(2);
    const u8 b = s[i];
    if (IsSjisLeadByte(b)) {
      out.Put(b);
      if (i + 1 < n) out.Put(s[i + 1]);
      i += 2;
    } else if (IsHalfKana(b)) {
      std::uint16_t full;
      i += WidenKana(s, i, n, combine, kana, full);
      out.Put2(static_cast<u8>(full >> 8), static_cast<u8>(full));
    } else {
      out.Put(b);
      ++i;
    }
  }
  return out.Take();
}

constexpr char kEscDoubleByte[] = "\x1b$B";
constexpr char kEscRoman[] = "\x1b(J";

void PutCharRef(Out& out, char32_t cp) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  char buf[16];
  int len = 0;
  buf[len++] = '&';
  buf[len++] = '#';
  buf[len++] = 'x';
  int shift = 20;
  while (shift > 0 && ((cp >> shift) & 0xF) == 0) shift -= 4;
  for (; shift >= 0; shift -= 4) buf[len++] = kHex[(cp >> shift) & 0xF];
  buf[len++] = ';';
  out.Ensure(static_cast<std::size_t>(len));
  out.Put(std::string_view(buf, static_cast<std::size_t>(len)));
}

// Appends the Shift_JIS form of one code point.
void PutUnicode(Out& out, char32_t cp, const cp932::Tables& t, Unmappable unmappable) {
  out.Ensure(2);
  if (cp < 0x80) {
    out.Put(static_cast<u8>(cp));
    return;
  }
  const std::uint16_t code = cp < 0x10000 ? t.encode[cp] : 0;
  if (code >= 0x100) {
    out.Put2(static_cast<u8>(code >> 8), static_cast<u8>(code));
  } else if (code != 0) {
    out.Put(static_cast<u8>(code));
  } else if (unmappable == Unmappable::CharRef && cp != 0xFEFF &&
             !(cp >= 0xD800 && cp < 0xE000)) {
    // The byte-order mark stays "?": callers strip a leading "?" as the mark.
    PutCharRef(out, cp);
  } else {
    out.Put('?');
  }
}

bool IsCont(u8 b) { return (b & 0xC0) == 0x80; }

// A well-formed four-byte sequence at s[i] (U+10000..U+10FFFF), or 0.
char32_t FourByte(const u8* s, std::size_t i, std::size_t n) {
  const u8 b = s[i];
  if (b < 0xF0 || b > 0xF4 || i + 3 >= n) return 0;
  if (!IsCont(s[i + 1]) || !IsCont(s[i + 2]) || !IsCont(s[i + 3])) return 0;
  const char32_t cp = (char32_t(b & 0x07) << 18) | (char32_t(s[i + 1] & 0x3F) << 12) |
                      (char32_t(s[i + 2] & 0x3F) << 6) | char32_t(s[i + 3] & 0x3F);
  return (cp >= 0x10000 && cp <= 0x10FFFF) ? cp : 0;
}

void PutUtf8(Out& out, char32_t cp) {
  if (cp < 0x80) {
    out.Put(static_cast<u8>(cp));
  } else if (cp < 0x800) {
    out.Put2(static_cast<u8>(0xC0 | (cp >> 6)), static_cast<u8>(0x80 | (cp & 0x3F)));
  } else {
    out.Put(static_cast<u8>(0xE0 | (cp >> 12)));
    out.Put2(static_cast<u8>(0x80 | ((cp >> 6) & 0x3F)), static_cast<u8>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

BytePair JisPairToShiftJIS(unsigned char j1, unsigned char j2) {
  const u8 s1 = static_cast<u8>(((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0));
  u8 s2;
  if ((j1 & 1) == 0) {
    s2 = static_cast<u8>(j2 + 0x7E);
  } else {
    s2 = static_cast<u8>(j2 < 0x60 ? j2 + 0x1F : j2 + 0x20);
  }
  return {s1, s2};
}

BytePair ShiftJISPairToJis(unsigned char s1, unsigned char s2) {
  const u8 j1 = static_cast<u8>(2 * (s1 - (s1 <= 0x9F ? 0x70 : 0xB0)) - (s2 < 0x9F ? 1 : 0));
  u8 j2;
  if (s2 <= 0x7E) {
    j2 = static_cast<u8>(s2 - 0x1F);
  } else if (s2 <= 0x9E) {
    j2 = static_cast<u8>(s2 - 0x20);
  } else {
    j2 = static_cast<u8>(s2 - 0x7E);
  }
  return {j1, j2};
}

std::string JisToShiftJIS(std::string_view text) {
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n);  // never longer than the input
  bool dbl = false;
  std::size_t p = 0;
  while (p < n) {
    if (s[p] == 0x1B && p + 2 < n) {
      if (s[p + 1] == '$' && s[p + 2] == 'B') {
        dbl = true;
        p += 3;
        continue;
      }
      if (s[p + 1] == '(' && (s[p + 2] == 'B' || s[p + 2] == 'J')) {
        dbl = false;
        p += 3;
        continue;
      }
    }
    if (dbl) {
      if (p + 1 < n && s[p] >= 0x21 && s[p] <= 0x7E) out.Put(JisPairToShiftJIS(s[p], s[p + 1]));
      p += 2;  // a lone last byte is dropped
    } else {
      out.Put(s[p]);
      ++p;
    }
  }
  return out.Take();
}

std::string JisToShiftJISSimple(std::string_view text) {
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n);
  bool dbl = false;
  std::size_t p = 0;
  while (p < n) {
    u8 b = s[p];
    if (b == 0x1B) {
      if (p + 1 < n) {
        if (s[p + 1] == '$') dbl = true;
        else if (s[p + 1] == '(') dbl = false;
      }
      p += 3;  // the escape is taken to be three bytes long
      if (p >= n) break;
      b = s[p];
    }
    if (dbl) {
      if (p + 1 < n) out.Put(JisPairToShiftJIS(b, s[p + 1]));
      p += 2;  // a lone last byte is dropped
    } else {
      out.Put(b);
      ++p;
    }
  }
  return out.Take();
}

std::string EucToShiftJIS(std::string_view text) {
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n);  // every step writes at most what it reads
  std::size_t p = 0;
  while (p < n) {
    const u8 b = s[p];
    if (b < 0x80) {
      out.Put(b);
      ++p;
    } else if (b >= 0xA1 && b != 0xFF) {
      if (p + 1 < n) {
        out.Put(JisPairToShiftJIS(static_cast<u8>(b - 0x80), static_cast<u8>(s[p + 1] - 0x80)));
      } else {
        out.Put(b);  // a first byte cut off by the end is kept as it is
      }
      p += 2;
    } else if (b == 0x8E && p + 1 < n && IsHalfKana(s[p + 1])) {
      out.Put(s[p + 1]);
      p += 2;
    } else {
      out.Put(b);
      ++p;
    }
  }
  return out.Take();
}

std::string ShiftJISToEuc(std::string_view text) {
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n + n / 4 + 16);
  std::size_t p = 0;
  while (p < n) {
    out.Ensure(2);
    const u8 b = s[p];
    if (b < 0x80) {
      out.Put(b);
      ++p;
    } else if (b <= 0xA0 || b >= 0xE0) {
      if (p + 1 < n) {
        const BytePair j = ShiftJISPairToJis(b, s[p + 1]);
        out.Put2(j.first | 0x80, j.second | 0x80);
      } else {
        out.Put(b);
      }
      p += 2;
    } else {
      out.Put2(0x8E, b);
      ++p;
    }
  }
  return out.Take();
}

std::string ShiftJISToEucKana(std::string_view text, int kanaMode) {
  std::string widened;
  if (kanaMode == 1) {
    widened = HalfKanaToFullKana(text);
    text = widened;
  } else if (kanaMode == 2) {
    widened = HalfKanaToFullKanaPlain(text);
    text = widened;
  }
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n + n / 4 + 16);
  std::size_t p = 0;
  while (p < n) {
    out.Ensure(2);
    const u8 b = s[p];
    if (IsSjisLeadByte(b)) {
      if (p + 1 < n) {
        const BytePair j = ShiftJISPairToJis(b, s[p + 1]);
        out.Put2(j.first | 0x80, j.second | 0x80);
      } else {
        out.Put(b);
      }
      p += 2;
    } else if (IsHalfKana(b)) {
      out.Put2(0x8E, b);
      ++p;
    } else {
      out.Put(b);
      ++p;
    }
  }
  return out.Take();
}

std::string ShiftJISToJis(std::string_view text) {
  const KanaTable& kana = Kana();
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n + n / 4 + 16);
  bool dbl = false;
  std::size_t p = 0;
  while (p < n) {
    out.Ensure(8);
    const u8 b = s[p];
    if (b >= 0x80) {
      if (!dbl) {
        out.Put(kEscDoubleByte);
        dbl = true;
      }
      if (IsHalfKana(b)) {
        std::uint16_t full;
        p += WidenKana(s, p, n, true, kana, full);
        out.Put(ShiftJISPairToJis(static_cast<u8>(full >> 8), static_cast<u8>(full)));
      } else {
        // A lone last first byte has no pair to write and is dropped.
        if (p + 1 < n) out.Put(ShiftJISPairToJis(b, s[p + 1]));
        p += 2;
      }
    } else {
      if (dbl) {
        out.Put(kEscRoman);
        dbl = false;
      }
      out.Put(b);
      ++p;
    }
  }
  if (dbl) {
    out.Ensure(3);
    out.Put(kEscRoman);
  }
  return out.Take();
}

std::string HalfKanaToFullKana(std::string_view text) { return HalfKanaToFull(text, true); }
std::string HalfKanaToFullKanaPlain(std::string_view text) { return HalfKanaToFull(text, false); }

std::string Utf8ToShiftJIS(std::string_view text, Unmappable unmappable) {
  const cp932::Tables& t = cp932::Get();
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n + 16);
  std::size_t p = 0;
  while (p < n) {
    const u8 b = s[p];
    if (b < 0x80) {
      out.Ensure(1);
      out.Put(b);
      ++p;
      continue;
    }
    if (const char32_t cp = FourByte(s, p, n)) {
      PutUnicode(out, cp, t, unmappable);
      p += 4;
      continue;
    }
    // Any other byte starts a sequence: two bytes when bit 0x20 is clear,
    // three when it is set; the value is cut to 16 bits.
    const std::size_t len = (b & 0x20) ? 3 : 2;
    if (p + len > n) return {};
    char32_t cp = b & 0x3F;
    for (std::size_t k = 1; k < len; ++k) {
      const u8 c = s[p + k];
      if (!IsCont(c)) return {};
      cp = (cp << 6) | (c & 0x3F);
    }
    PutUnicode(out, cp & 0xFFFF, t, unmappable);
    p += len;
  }
  return out.Take();
}

std::string Utf8ToShiftJISLenient(std::string_view text, Unmappable unmappable) {
  const cp932::Tables& t = cp932::Get();
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n + 16);
  std::size_t p = 0;
  while (p < n) {
    const u8 b = s[p];
    if (b == 0) break;  // the text ends at its first NUL
    if (b < 0x80) {
      out.Ensure(1);
      out.Put(b);
      ++p;
      continue;
    }
    // Well-formed sequences per Unicode; each maximal ill-formed subpart is
    // replaced by one U+FFFD.
    std::size_t len = 0;
    u8 lo = 0x80, hi = 0xBF;
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
    }
    std::size_t k = 1;
    if (len != 0) {
      for (; k < len && p + k < n; ++k) {
        const u8 c = s[p + k];
        if (c < lo || c > hi) break;
        lo = 0x80;
        hi = 0xBF;
        cp = (cp << 6) | (c & 0x3F);
      }
    }
    if (len != 0 && k == len) {
      PutUnicode(out, cp, t, unmappable);
    } else {
      PutUnicode(out, 0xFFFD, t, unmappable);
    }
    p += k;
  }
  return out.Take();
}

std::string ShiftJISToUtf8(std::string_view text) {
  const cp932::Tables& t = cp932::Get();
  const u8* s = Bytes(text);
  const std::size_t n = text.size();
  Out out(n + n / 2 + 16);
  std::size_t p = 0;
  while (p < n) {
    out.Ensure(3);
    const u8 b = s[p];
    if (b < 0x80) {
      out.Put(b);
      ++p;
    } else if (IsSjisLeadByte(b)) {
      if (p + 1 < n && IsSjisTrailByte(s[p + 1])) {
        const char16_t u = t.pair[b << 8 | s[p + 1]];
        PutUtf8(out, u ? u : cp932::kInvalid);
        p += 2;
      } else {
        // A first byte without a valid second byte: the next byte is kept
        // as a character of its own, so no line end or letter is lost.
        PutUtf8(out, cp932::kInvalid);
        ++p;
      }
    } else {
      const char16_t u = t.single[b];
      PutUtf8(out, u ? u : cp932::kInvalid);
      ++p;
    }
  }
  return out.Take();
}

}  // namespace kaplo
