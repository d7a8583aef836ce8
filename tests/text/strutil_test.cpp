#include "text/strutil.h"

#include <gtest/gtest.h>

#include "text/test_bytes.h"

namespace kaplo {
namespace {

using test::Hex;

TEST(StrUtil, Searches) {
  EXPECT_EQ(PosFrom("b", "abcb", 0), 2u);
  EXPECT_EQ(PosFrom("b", "abcb", 2), 4u);
  EXPECT_EQ(PosFrom("b", "abcb", 9), 0u);
  // Starting after a first byte skips its second byte: ア is 83 41.
  EXPECT_EQ(PosFrom("A", Hex("83 41") + "A", 1), 3u);
  EXPECT_EQ(PosFromBytes("", "abc", 1), 0u);
  EXPECT_EQ(PosFromBytes("A", Hex("83 41") + "A", 2), 2u);  // plain bytes from position 2
  EXPECT_EQ(PosFromBytes("A", Hex("83 41") + "A", 1), 3u);
  EXPECT_EQ(PosIgnoreCase("CD", "abcd"), 3u);
  EXPECT_EQ(PosIgnoreCase("x", "abcd"), 0u);
}

TEST(StrUtil, CuttingAndDeleting) {
  EXPECT_EQ(Between("<a href=\"x\">", "href=\"", "\""), "x");
  EXPECT_EQ(Between("<a href=\"x>", "href=\"", "\""), "");
  EXPECT_EQ(Between("none", "href=\"", "\""), "");
  EXPECT_EQ(RemoveEnclosed("a<script src=1>b<script>c", "<script", ">"), "abc");
  EXPECT_EQ(RemoveEnclosed("a<script b", "<script", ">"), "a<script b");
  // An open that ends with the close text is deleted alone.
  EXPECT_EQ(RemoveEnclosed("a<x>b>c", "<x>", ">"), "ab>c");
  // A deletion can join two halves into a new open, which is removed too.
  EXPECT_EQ(RemoveEnclosed("1<scr<script>ipt 2>3", "<script", ">"), "13");
  // A stray first byte before the open does not hide it.
  EXPECT_EQ(RemoveEnclosed("\x82<script>x", "<script", ">"), "\x82x");
}

TEST(StrUtil, CollectBetween) {
  std::vector<std::string> list;
  CollectBetween("<a href=\"x\r\ny\"><a href=\"z\">", "href=\"", "\"", list);
  // Each cut ends at the first quote of what is left, so values repeat.
  EXPECT_EQ(list, (std::vector<std::string>{"xy", "z", "z"}));
  list.clear();
  CollectBetween("\"\"\"\"href=\"v\"", "href=\"", "\"", list);
  EXPECT_EQ(list, (std::vector<std::string>{"v", "v", "v", "v", "v"}));
  list.clear();
  // No value, but the open's own quote is a close: one empty value.
  CollectBetween("href=\"open", "href=\"", "\"", list);
  EXPECT_EQ(list, std::vector<std::string>{""});
}

TEST(StrUtil, ReplacingAndSqueezing) {
  EXPECT_EQ(ReplaceIfFound("ABC", "b", "x"), "ABC");
  EXPECT_EQ(ReplaceIfFound("aBc b", "b", "x"), "axc x");
  EXPECT_EQ(ReplaceFrom("abab", "a", "x", 2), "abxb");
  EXPECT_EQ(ReplaceFrom("abab", "a", "x", 0), "abab");
  EXPECT_EQ(ReplaceFrom("abab", "a", "x", 5), "abab");
  EXPECT_EQ(SqueezeSpaces("a\t\tb" + std::string(25, ' ') + "c  d"), "a b c d");
  EXPECT_EQ(SqueezeSpaces("x" + std::string(1000, ' ') + "y"), "x y");
  EXPECT_EQ(SqueezeSpaces(std::string(13, ' ')), " ");  // 12 -> 1, leaving 2 -> 1
  EXPECT_EQ(SqueezeFullWidthBlanks(" a" + Hex("81 40 81 40 81 40 81 40") + "b "), "a b");
  EXPECT_EQ(TrimAllBlanks(Hex("81 40") + " a " + Hex("81 40")), "a");
  EXPECT_EQ(TrimAllBlanks(Hex("81 40 20 81 40")), "");
  // 88 81 is a kanji; the 40 after it is "@", not the end of a full-width blank.
  EXPECT_EQ(TrimAllBlanks(Hex("61 88 81 40")), Hex("61 88 81 40"));
}

TEST(StrUtil, Numbers) {
  EXPECT_EQ(PadNumberZeros(7, 3), "007");
  EXPECT_EQ(PadNumberBlanks(1234, 3), "1234");
  EXPECT_EQ(PadNumberBlanks(5, 2), " 5");
  EXPECT_EQ(HexToInt("ff"), 255);
  EXPECT_EQ(HexToInt("1G2"), 2);
  EXPECT_EQ(HexToInt(""), 0);
  EXPECT_EQ(AlignTab("ab\tc", 6), "ab   \t\tc");
  EXPECT_EQ(AlignTab("abcdefgh\tc", 6), "abcdefgh   \t\tc");
  EXPECT_EQ(AlignTab("abc", 6), "abc");
}

TEST(StrUtil, FilesAndFolders) {
  EXPECT_EQ(EnsureHtmlExtension("a"), "a.html");
  EXPECT_EQ(EnsureHtmlExtension("a.html"), "a.html");
  EXPECT_EQ(EnsureHtmlExtension("a.htm"), "a.htm");
  EXPECT_EQ(EnsureHtmlExtension("a.htm.php?x=1"), "a.htm.php?x=1.html");
  EXPECT_EQ(CountBackslashes("/dl/a/b"), 3u);
  EXPECT_EQ(ParentFolder("/dl/a/b/"), "/dl/a");
  EXPECT_EQ(ParentFolder("/dl/a/b.html"), "/dl/a");
  EXPECT_EQ(ParentFolder("/dl"), "/");
  EXPECT_EQ(ParentFolder("name"), "");
}

}  // namespace
}  // namespace kaplo
