#include "text/sjis.h"

#include <gtest/gtest.h>

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

TEST(Sjis, LiteralsAreShiftJis) {
  EXPECT_EQ(SJ<"あア亜">(), Hex("82 A0 83 41 88 9F"));
  EXPECT_EQ(&SJ<"あ">(), &SJ<"あ">());  // converted once, kept
}

}  // namespace
}  // namespace kaplo
