#include "text/sjis.h"

#include <gtest/gtest.h>

#include "text/charset.h"
#include "text/sjis_literal.h"
#include "text/test_bytes.h"

namespace kaplo {
namespace {

using test::Hex;

TEST(Sjis, CaseMappingLeavesSecondBytesAlone) {
  // ア is 83 41: its second byte is the letter A and must stay.
  EXPECT_EQ(LowerAscii("AbC" + Hex("83 41") + "Z"), "abc" + Hex("83 41") + "z");
  EXPECT_EQ(UpperAscii("a" + Hex("83 61") + "b"), "A" + Hex("83 61") + "B");
}

TEST(Sjis, SearchesNeverStartOnASecondByte) {
  // ア (83 41) then "A": only the lone "A" is a match.
  const std::string text = Hex("83 41") + "A";
  EXPECT_EQ(FindAtBoundary(text, "A"), 2u);
  EXPECT_EQ(FindAtBoundary(Hex("83 41"), "A"), std::string::npos);
  EXPECT_EQ(FindAtBoundary("xAxA", "A", 2), 3u);
  EXPECT_TRUE(ContainsAtBoundary("abc", "bc"));
  EXPECT_FALSE(ContainsAtBoundary("abc", ""));
}

TEST(Sjis, ReplaceSemantics) {
  struct {
    std::string text, old_text, new_text, expected;
  } cases[] = {
      {"aXbxc", "x", "-", "a-b-c"},                  // letter case ignored
      {"xxx", "xx", "x", "xx"},                      // no overlap, no rescanning
      {"aaa", "a", "aa", "aaaaaa"},                  // inserted text is not searched
      {"ab", "", "z", "ab"},                         // empty pattern: unchanged
      {"A" + Hex("83 41") + "a", "a", "b", "b" + Hex("83 41") + "b"},  // not in ア
      {Hex("83 61") + "A", "A", "-", Hex("83 61") + "-"},  // case-folded second byte untouched
      {"CHARSET=UTF-8\"", "charset=utf-8\"", "charset=Shift_JIS\"", "charset=Shift_JIS\""},
  };
  for (const auto& c : cases) EXPECT_EQ(Replace(c.text, c.old_text, c.new_text), c.expected);
  EXPECT_EQ(ReplaceFirstExact("aAa", "a", "b"), "bAa");
  EXPECT_EQ(ReplaceFirstExact("AAa", "a", "b"), "AAb");
  EXPECT_EQ(ReplaceAllExact("aAa", "a", "b"), "bAb");
}

// A first byte followed by a byte that cannot be a second byte (CR, LF, "<",
// a quote...) is a character of its own: the byte after it stays visible to
// every search and replacement. UTF-8 text read as Shift_JIS is full of such
// bytes ("。" is E3 80 82), so its line ends must survive.
TEST(Sjis, StrayFirstByteNeverSwallowsTheNextByte) {
  struct {
    const char* name;
    std::string got, expected;
  } cases[] = {
      {"LF after a first byte", NormaliseLineBreaks(Hex("E3 80 82 0A 61 0A")),
       Hex("E3 80 82 0D 0A 61 0D 0A")},
      {"CR LF after a first byte", NormaliseLineBreaks(Hex("82 0D 0A")), Hex("82 0D 0A")},
      {"squash after a first byte", SquashLineBreaks(Hex("82 0A 0A 83 0A")),
       Hex("82 0D 0A 83 0D 0A")},
      {"quote after a first byte", Replace(Hex("82") + "\"x\"", "\"", "'"), Hex("82") + "'x'"},
      {"lower-case after a first byte", LowerAscii(Hex("82 0A") + "AB" + Hex("82 41")),
       Hex("82 0A") + "ab" + Hex("82 41")},
      {"a real pair still hides its second byte", Replace(Hex("82 0A 83 41") + "A", "a", "-"),
       Hex("82 0A 83 41") + "-"},
      {"0x7F is no second byte", Replace(Hex("82 7F 7F"), Hex("7F"), "."), Hex("82") + ".."},
      {"first byte at the very end", Replace(Hex("61 82"), "a", "b"), Hex("62 82")},
  };
  for (const auto& c : cases) EXPECT_EQ(test::ToHex(c.got), test::ToHex(c.expected)) << c.name;

  EXPECT_EQ(FindAtBoundary(Hex("82 0A 0A"), "\n"), 1u);
  EXPECT_EQ(FindAtBoundary(Hex("82 82 0A"), "\n"), 2u);
  EXPECT_EQ(FindAtBoundary(Hex("82 82 82 41 41"), "A"), 4u);  // pairs 82 82 and 82 41
  // Walking back from an offset agrees with walking forward from the start.
  const std::string mixed = Hex("82 82 82 0A 83 41 41 E3 80 82 0D 0A 82");
  SjisBoundary walker(mixed);
  for (std::size_t i = 0; i <= mixed.size(); ++i) {
    EXPECT_EQ(StartsCharacterAt(mixed, i), walker.IsBoundary(i)) << i;
  }
}

TEST(Sjis, LiteralsAreShiftJis) {
  EXPECT_EQ(SJ<"あア亜">(), Hex("82 A0 83 41 88 9F"));
  EXPECT_EQ(&SJ<"あ">(), &SJ<"あ">());  // converted once, kept
}

}  // namespace
}  // namespace kaplo
