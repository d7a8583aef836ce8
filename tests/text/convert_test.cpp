#include "text/convert.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <utility>

#include "text/cp932.h"
#include "text/sjis.h"
#include "text/test_bytes.h"

namespace kaplo {
namespace {

using test::Hex;
using test::ToHex;

struct Case {
  const char* name;
  std::string (*convert)(std::string_view);
  const char* in;
  const char* out;
};

TEST(Convert, WorkedExamples) {
  const Case cases[] = {
      {"jis escapes", JisToShiftJIS, "1B 24 42 24 22 1B 28 42 61", "82 A0 61"},
      {"jis roman escape", JisToShiftJIS, "1B 24 42 25 22 1B 28 4A 62", "83 41 62"},
      {"jis 1978 escape", JisToShiftJIS, "1B 24 40 24 22 1B 28 42 61", "82 A0 61"},
      {"jis kana escape", JisToShiftJIS, "1B 28 49 31 5F 60 1B 28 42 61", "B1 DF 3F 61"},
      {"jis other escape copied", JisToShiftJIS, "1B 28 44 61", "1B 28 44 61"},
      {"jis lone last byte replaced", JisToShiftJIS, "1B 24 42 24 22 24", "82 A0 3F"},
      {"jis line end in double-byte mode kept", JisToShiftJIS, "1B 24 42 0D 0A 24 22",
       "0D 0A 82 A0"},
      {"jis bad second byte", JisToShiftJIS, "1B 24 42 24 0A 7F 24 22", "3F 0A 3F 82 A0"},
      {"jis simple any escape", JisToShiftJISSimple, "1B 24 40 24 22 1B 28 49 61", "82 A0 61"},
      {"jis simple escape at end", JisToShiftJISSimple, "61 1B 24", "61"},
      {"jis simple line end kept", JisToShiftJISSimple, "1B 24 42 24 22 0A 24 22 24",
       "82 A0 0A 82 A0 3F"},
      {"sjis to jis no line end", ShiftJISToJis, "82 A0", "1B 24 42 24 22 1B 28 4A"},
      {"sjis to jis line end", ShiftJISToJis, "82 A0 0D 0A", "1B 24 42 24 22 1B 28 4A 0D 0A"},
      {"sjis to jis ga", ShiftJISToJis, "B6 DE", "1B 24 42 25 2C 1B 28 4A"},
      {"sjis to jis pa", ShiftJISToJis, "CA DF", "1B 24 42 25 51 1B 28 4A"},
      {"sjis to jis vu", ShiftJISToJis, "B3 DE", "1B 24 42 25 74 1B 28 4A"},
      {"sjis to jis kuten", ShiftJISToJis, "A1", "1B 24 42 21 23 1B 28 4A"},
      {"euc a", EucToShiftJIS, "A4 A2", "82 A0"},
      {"euc half kana", EucToShiftJIS, "8E B1", "B1"},
      {"euc lone ss2", EucToShiftJIS, "8E 41", "3F 41"},
      {"euc cut pair keeps the line end", EucToShiftJIS, "A4 0A A4 A2", "3F 0A 82 A0"},
      {"euc lone last first byte", EucToShiftJIS, "61 A4", "61 3F"},
      {"euc jis x 0212", EucToShiftJIS, "8F B0 A1 61", "3F 61"},
      {"euc stray bytes", EucToShiftJIS, "80 A0 FF 00 61", "3F 3F 3F 00 61"},
      {"euc kanji", EucToShiftJIS, "B0 A1", "88 9F"},
      {"sjis to euc kana", ShiftJISToEuc, "B1", "8E B1"},
      {"sjis to euc a", ShiftJISToEuc, "83 41", "A5 A2"},
      {"sjis to euc kanji", ShiftJISToEuc, "88 9F 61", "B0 A1 61"},
      {"half kana combined", HalfKanaToFullKana, "C0 DE", "83 5F"},
      {"half kana plain", HalfKanaToFullKanaPlain, "C0 DE", "83 5E 81 4A"},
      {"a takes no voiced mark", HalfKanaToFullKana, "B1 DE", "83 41 81 4A"},
      {"half kana pa", HalfKanaToFullKana, "CA DF", "83 70"},
      {"half kana keeps double bytes", HalfKanaToFullKana, "83 B1 B1", "83 B1 83 41"},
      {"utf8 a", [](std::string_view s) { return Utf8ToShiftJIS(s); }, "E3 81 82", "82 A0"},
      {"utf8 lone lead", [](std::string_view s) { return Utf8ToShiftJIS(s); }, "E3", ""},
      {"utf8 rejects sjis a", [](std::string_view s) { return Utf8ToShiftJIS(s); }, "83 41", ""},
      {"utf8 takes sjis nbsp", [](std::string_view s) { return Utf8ToShiftJIS(s); }, "82 A0", "3F"},
      {"utf8 bom becomes ?", [](std::string_view s) { return Utf8ToShiftJIS(s); },
       "EF BB BF 61", "3F 61"},
      {"utf8 four bytes", [](std::string_view s) { return Utf8ToShiftJIS(s); },
       "61 F0 9F 98 80 62", "61 3F 62"},
      {"utf8 half kana", [](std::string_view s) { return Utf8ToShiftJIS(s); }, "EF BD B1", "B1"},
      {"sjis to utf8", ShiftJISToUtf8, "82 A0", "E3 81 82"},
      {"sjis to utf8 kana", ShiftJISToUtf8, "B1", "EF BD B1"},
      {"sjis to utf8 bad second byte keeps it", ShiftJISToUtf8, "82 0A", "EF BF BD 0A"},
      {"sjis to utf8 lone last lead", ShiftJISToUtf8, "61 82", "61 EF BF BD"},
      // From Shift_JIS, a first byte without a second byte never takes the line end.
      {"sjis to euc bad second byte keeps it", ShiftJISToEuc, "82 0D 0A 83 41", "3F 0D 0A A5 A2"},
      {"sjis to euc kana bad second byte",
       [](std::string_view s) { return ShiftJISToEucKana(s, 1); }, "E0 0A B6 DE", "3F 0A A5 AC"},
      {"sjis to jis bad second byte", ShiftJISToJis, "83 41 82 0A 83 41",
       "1B 24 42 25 22 1B 28 4A 3F 0A 1B 24 42 25 22 1B 28 4A"},
      {"half kana bad second byte", HalfKanaToFullKana, "82 0A B1", "82 0A 83 41"},
      {"lenient replaces", [](std::string_view s) { return Utf8ToShiftJISLenient(s); },
       "61 FF E3 81 82", "61 3F 82 A0"},
      {"lenient reads past nul", [](std::string_view s) { return Utf8ToShiftJISLenient(s); },
       "61 62 63 C3 00 64 65 66 0A", "61 62 63 3F 00 64 65 66 0A"},
      {"lenient surrogate", [](std::string_view s) { return Utf8ToShiftJISLenient(s); },
       "ED A0 80 61", "3F 3F 3F 61"},
      {"lenient cut sequence", [](std::string_view s) { return Utf8ToShiftJISLenient(s); },
       "E3 81 61", "3F 61"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToHex(c.convert(Hex(c.in))), c.out) << c.name;
    EXPECT_EQ(c.convert(""), "") << c.name;
  }
}

TEST(Convert, PairArithmeticCoversEveryJisCell) {
  for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
    for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
      const BytePair s = JisPairToShiftJIS(static_cast<unsigned char>(j1),
                                           static_cast<unsigned char>(j2));
      ASSERT_TRUE(IsSjisLeadByte(s.first)) << j1 << "," << j2;
      ASSERT_TRUE(IsSjisTrailByte(s.second)) << j1 << "," << j2;
      const BytePair back = ShiftJISPairToJis(s.first, s.second);
      ASSERT_EQ(back.first, j1);
      ASSERT_EQ(back.second, j2);
    }
  }
}

TEST(Convert, KanaMarksCombineOnlyWhereAFullWidthFormExists) {
  // ｶﾞｷﾞ ﾊﾟ ｳﾞ combine; ﾅﾞ and ﾏﾟ stay two characters; a mark alone widens.
  EXPECT_EQ(ToHex(HalfKanaToFullKana(Hex("B6 DE B7 DE CA DF B3 DE C5 DE CF DF DE"))),
            "83 4B 83 4D 83 70 83 94 83 69 81 4A 83 7D 81 4B 81 4A");
  EXPECT_EQ(ToHex(ShiftJISToEucKana(Hex("B6 DE"), 1)), "A5 AC");
  EXPECT_EQ(ToHex(ShiftJISToEucKana(Hex("B6 DE"), 2)), "A5 AB A1 AB");
  EXPECT_EQ(ToHex(ShiftJISToEucKana(Hex("B6 DE"), 0)), "8E B6 8E DE");
}

TEST(Convert, UnmappableCharactersAsReferences) {
  // U+1F600 and U+00E9 have no Shift_JIS form; the mark stays "?".
  const std::string in = Hex("F0 9F 98 80 C3 A9 EF BB BF E3 81 82");
  EXPECT_EQ(Utf8ToShiftJIS(in), "??" + std::string("?") + Hex("82 A0"));
  EXPECT_EQ(Utf8ToShiftJIS(in, Unmappable::CharRef), "&#x1F600;&#xE9;?" + Hex("82 A0"));
  EXPECT_EQ(Utf8ToShiftJISLenient(in, Unmappable::CharRef), "&#x1F600;&#xE9;?" + Hex("82 A0"));
}

// Every character that code page 932 decodes must come back from UTF-8,
// EUC-JP and ISO-2022-JP, compared with glibc's own CP932 tables.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() { iconv_close(cd_); }
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  std::string Convert(std::string_view in) {
    std::string out(in.size() * 4 + 16, '\0');
    char* ip = const_cast<char*>(in.data());
    char* op = out.data();
    std::size_t il = in.size(), ol = out.size();
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd_, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1)) return "<error>";
    out.resize(out.size() - ol);
    return out;
  }

 private:
  iconv_t cd_;
};

TEST(Convert, EveryCp932CharacterRoundTrips) {
  Iconv to_utf8("UTF-8", "CP932"), from_utf8("CP932", "UTF-8");
  ASSERT_TRUE(to_utf8.ok() && from_utf8.ok());
  int characters = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsSjisLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const std::string sjis{static_cast<char>(lead), static_cast<char>(trail)};
      const std::string utf8 = to_utf8.Convert(sjis);
      if (utf8 == "<error>") continue;
      ++characters;
      ASSERT_EQ(ShiftJISToUtf8(sjis), utf8) << ToHex(sjis);
      // Windows writes one code of several that decode alike (NEC and IBM rows).
      const std::string canonical = from_utf8.Convert(utf8);
      ASSERT_EQ(Utf8ToShiftJIS(utf8), canonical) << ToHex(sjis);
      ASSERT_EQ(Utf8ToShiftJISLenient(utf8), canonical) << ToHex(sjis);
      // JIS X 0208 rows survive EUC-JP and ISO-2022-JP byte for byte; every
      // other character but the user-defined ones reads back the same.
      if (lead <= 0xEC) {
        ASSERT_EQ(EucToShiftJIS(ShiftJISToEuc(sjis)), sjis) << ToHex(sjis);
        ASSERT_EQ(JisToShiftJIS(ShiftJISToJis(sjis)), sjis) << ToHex(sjis);
      }
      if (lead < 0xF0 || lead > 0xF9) {
        ConversionStats stats;
        ASSERT_EQ(EucToUtf8(ShiftJISToEuc(sjis, stats), stats), utf8) << ToHex(sjis);
        ASSERT_EQ(ShiftJISToUtf8(JisToShiftJIS(ShiftJISToJis(sjis, stats), stats), stats), utf8)
            << ToHex(sjis);
        ASSERT_EQ(stats.Replaced(), 0u) << ToHex(sjis);
      }
    }
  }
  EXPECT_GT(characters, 7000);
  for (int b = 0xA1; b <= 0xDF; ++b) {
    const std::string kana(1, static_cast<char>(b));
    EXPECT_EQ(ShiftJISToUtf8(kana), to_utf8.Convert(kana));
    EXPECT_EQ(Utf8ToShiftJIS(to_utf8.Convert(kana)), kana);
    EXPECT_EQ(EucToShiftJIS(ShiftJISToEuc(kana)), kana);
  }
}

TEST(Convert, EucJpAndIso2022JpGetOnlyWhatTheirReadersTake) {
  using Counted = std::string (*)(std::string_view, ConversionStats&);
  const Counted euc = [](std::string_view s, ConversionStats& c) { return ShiftJISToEuc(s, c); };
  const Counted jis = [](std::string_view s, ConversionStats& c) { return ShiftJISToJis(s, c); };
  const struct {
    const char* name;
    Counted convert;
    const char* in;
    const char* out;
    std::size_t unmappable, invalid;
  } cases[] = {
      // 髙 is in NEC's row 92, not in JIS X 0212.
      {"ibm kanji in nec rows", euc, "FB FC 61", "FC E2 61", 0, 0},
      {"ibm kanji in jis x 0212", euc, "FA 68", "8F B0 A9", 0, 0},
      {"nec selection in jis x 0212", euc, "ED 40", "8F D4 E3", 0, 0},
      {"ibm small roman numeral", euc, "FA 40", "FC F1", 0, 0},
      {"ibm not sign is the standard one", euc, "FA 54", "A2 CC", 0, 0},
      {"nec row 13", euc, "87 40", "AD A1", 0, 0},
      {"user-defined", euc, "F0 40 0A", "3F 0A", 1, 0},
      {"unmapped pair", euc, "EF 40", "3F", 1, 0},
      {"no character", euc, "80 A0 FD", "3F 3F 3F", 0, 3},
      {"jis ibm kanji", jis, "FB FC", "1B 24 42 7C 62 1B 28 4A", 0, 0},
      {"jis user-defined", jis, "82 A0 F0 40", "1B 24 42 24 22 1B 28 4A 3F", 1, 0},
      // JIS X 0201 Roman reads 0x5C and 0x7E as the yen sign and the overline.
      {"jis backslash after kanji", jis, "82 A0 5C 7E 82 A0 61",
       "1B 24 42 24 22 1B 28 42 5C 7E 1B 24 42 24 22 1B 28 4A 61", 0, 0},
  };
  for (const auto& c : cases) {
    if (!c.convert) continue;
    ConversionStats stats;
    EXPECT_EQ(ToHex(c.convert(Hex(c.in), stats)), c.out) << c.name;
    EXPECT_EQ(stats.unmappable, c.unmappable) << c.name;
    EXPECT_EQ(stats.invalid, c.invalid) << c.name;
  }
  EXPECT_EQ(ToHex(ShiftJISToEucKana(Hex("FB FC B6 DE"), 1)), "FC E2 A5 AC");
  // EUC-JP readers take JIS X 0212, as browsers do (IBM's roman numerals too).
  ConversionStats stats;
  EXPECT_EQ(ToHex(EucToShiftJIS(Hex("8F B0 A9 8F F3 A1 8F AB B1"), Unmappable::CharRef, stats)),
            ToHex("\xFA\x68\xFA\x40&#xE9;"));
  EXPECT_EQ(stats.references, 1u);
  EXPECT_EQ(EucToUtf8(Hex("8F AB B1 8F A1 A1"), stats), "é\uFFFD");
  EXPECT_EQ(ToHex(Utf8ToEuc("café—", Unmappable::Question, stats)), "63 61 66 8F AB B1 3F");
}

TEST(Convert, JapaneseTextMatchesIconvEveryWay) {
  // A text with ASCII, kana, kanji, half-width kana and line ends.
  const std::string sjis = Hex(
      "3C 70 3E 93 FA 96 7B 8C EA 82 CC 83 65 83 4C 83 58 83 67 0D 0A B6 C0 B6 C5 0D 0A "
      "88 9F 88 A0 20 81 40 82 60 82 81 3C 2F 70 3E");
  Iconv sjis_utf8("UTF-8", "CP932"), sjis_euc("EUC-JP", "CP932"), euc_sjis("CP932", "EUC-JP");
  EXPECT_EQ(ShiftJISToUtf8(sjis), sjis_utf8.Convert(sjis));
  EXPECT_EQ(Utf8ToShiftJIS(sjis_utf8.Convert(sjis)), sjis);
  EXPECT_EQ(ShiftJISToEuc(sjis), sjis_euc.Convert(sjis));
  EXPECT_EQ(EucToShiftJIS(sjis_euc.Convert(sjis)), sjis);
  EXPECT_EQ(JisToShiftJIS(ShiftJISToJis(sjis)),
            HalfKanaToFullKana(sjis));  // ISO-2022-JP carries no half-width kana
}

// ASCII letters that stand as characters of their own (not second bytes).
std::size_t LettersOf(std::string_view sjis) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < sjis.size(); i += SjisCharLength(sjis, i)) {
    const unsigned char c = AsciiLower(static_cast<unsigned char>(sjis[i]));
    n += SjisCharLength(sjis, i) == 1 && c >= 'a' && c <= 'z';
  }
  return n;
}

std::size_t AsciiLetters(std::string_view bytes) {
  std::size_t n = 0;
  for (const char c : bytes) n += (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  return n;
}

bool IsUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

bool IsShiftJis(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); i += SjisCharLength(s, i)) {
    if (IsSjisLeadByte(static_cast<unsigned char>(s[i])) && SjisCharLength(s, i) == 1) return false;
  }
  return true;
}

TEST(Convert, AnyBytesGiveAResult) {
  // Every converter over every byte followed by every byte, and cut-off
  // tails: the decoders never grow the text, the encoders keep every ASCII
  // letter of it, and what claims UTF-8 or Shift_JIS is that.
  std::string all;
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      all.push_back(static_cast<char>(a));
      all.push_back(static_cast<char>(b));
    }
  }
  for (std::size_t cut : {all.size(), all.size() - 1, std::size_t{1}}) {
    const std::string_view in(all.data(), cut);
    EXPECT_LE(JisToShiftJIS(in).size(), in.size());
    EXPECT_LE(JisToShiftJISSimple(in).size(), in.size());
    EXPECT_LE(EucToShiftJIS(in).size(), in.size());
    const std::size_t letters = LettersOf(in);
    EXPECT_EQ(AsciiLetters(ShiftJISToEuc(in)), letters);
    EXPECT_EQ(AsciiLetters(ShiftJISToEucKana(in, 1)), letters);
    EXPECT_EQ(LettersOf(JisToShiftJIS(ShiftJISToJis(in))), letters);
    EXPECT_EQ(LettersOf(HalfKanaToFullKana(in)), letters);
    const std::string utf8 = ShiftJISToUtf8(in);
    EXPECT_TRUE(IsUtf8(utf8));
    EXPECT_EQ(AsciiLetters(utf8), letters);
    EXPECT_TRUE(IsShiftJis(Utf8ToShiftJISLenient(in)));
  }
}

TEST(Convert, NothingAfterABadSequenceIsLost) {
  // Any two bytes, then line ends and a return to ASCII: what follows always
  // comes out, and each decoder counts what it replaced.
  using Counted = std::string (*)(std::string_view, ConversionStats&);
  const std::pair<const char*, Counted> decoders[] = {
      {"jis", JisToShiftJIS},
      {"jis simple", JisToShiftJISSimple},
      {"euc", EucToShiftJIS},
      {"utf8 lenient",
       [](std::string_view s, ConversionStats& c) {
         return Utf8ToShiftJISLenient(s, Unmappable::Question, c);
       }},
  };
  const std::string tail = "\n\n\n\x1b(BEND";
  for (const auto& [name, decode] : decoders) {
    std::size_t replaced = 0;
    for (int a = 0; a < 256; ++a) {
      for (int b = 0; b < 256; ++b) {
        // In ISO-2022-JP the bytes come after a switch to double-byte mode.
        const std::string in = std::string(name).starts_with("jis") ?
            std::string("\x1b$B") + static_cast<char>(a) + static_cast<char>(b) :
            std::string{static_cast<char>(a), static_cast<char>(b)};
        ConversionStats stats;
        const std::string out = decode(in + tail, stats);
        ASSERT_TRUE(out.ends_with("END")) << name << " " << ToHex(in);
        ASSERT_LE(stats.Replaced(), 2u) << name << " " << ToHex(in);
        replaced += stats.Replaced();
      }
    }
    EXPECT_GT(replaced, 0u) << name;
  }
  // The strict decoder keeps its contract: empty for what is not UTF-8.
  EXPECT_EQ(Utf8ToShiftJIS(Hex("61 C3 00 62")), "");
  EXPECT_EQ(ToHex(ShiftJISToUtf8(Hex("82 00 61"))), "EF BF BD 00 61");
  EXPECT_EQ(InvalidShiftJISSequences(Hex("82 0A 82 A0 80 A0 B1 FD 82")), 5u);
}

TEST(Convert, CountsWhatItCouldNotCarryOver) {
  ConversionStats stats;
  // A cut character, an emoji and a character outside Shift_JIS.
  EXPECT_EQ(Utf8ToShiftJISLenient(Hex("E3 81 61 F0 9F 98 80 C3 A9"), Unmappable::Question, stats),
            "?a??");
  EXPECT_EQ(stats.invalid, 1u);
  EXPECT_EQ(stats.unmappable, 2u);
  stats = {};
  EXPECT_EQ(Utf8ToShiftJISLenient(Hex("F0 9F 98 80"), Unmappable::CharRef, stats), "&#x1F600;");
  EXPECT_EQ(stats.references, 1u);
  EXPECT_EQ(stats.Replaced(), 0u);
  // The strict decoder counts nothing for a text it refuses.
  stats = {};
  EXPECT_EQ(Utf8ToShiftJIS(Hex("C3 A9 FF"), Unmappable::Question, stats), "");
  EXPECT_EQ(stats.Replaced(), 0u);
  EXPECT_EQ(Utf8ToShiftJIS(Hex("C3 A9"), Unmappable::Question, stats), "?");
  EXPECT_EQ(stats.unmappable, 1u);
  stats = {};
  EXPECT_EQ(ToHex(EucToShiftJIS(Hex("8F B0 A1 A4 0A"), stats)), "3F 3F 0A");
  EXPECT_EQ(stats.unmappable, 1u);
  EXPECT_EQ(stats.invalid, 1u);
}

}  // namespace
}  // namespace kaplo
