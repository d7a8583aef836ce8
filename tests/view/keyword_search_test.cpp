#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/sjis_literal.h"
#include "view/keyword_search.h"

namespace kaplo {
namespace {

using List = std::vector<std::string>;

TEST(EdictScanTest, Splitting) {
  const struct {
    std::string input;
    List want;
  } cases[] = {
      {"abc  def", {"abc", "def"}},
      {"abc   def", {"abc", "", "def"}},
      {SJ<"　abc　def　">(), {"abc", "def"}},
      // A full-width blank counts as two blanks.
      {SJ<"abc　 def">(), {"abc", "", "def"}},
      {"a,b", {"a", "b"}},
      {",abc", {"", "abc"}},
      {"abc,", {"abc", ""}},
      {"\"a,b\",c", {"a,b", "c"}},
      {"\"say\"\"hi\"\"\"x", {"say\"hi\"x"}},
      {"\"open", {"open"}},
      {SJ<"日本 語">(), {SJ<"日本">(), SJ<"語">()}},
      {" \t\r\n ", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(EdictScan(c.input), c.want) << c.input;
}

std::vector<std::string> Entries(const std::string& text, const List& keywords) {
  const auto hits = FindKeywords(text, keywords);
  std::vector<std::string> out;
  const auto entries = ResultEntries(text, hits);
  for (std::size_t i = 0; i < hits.size(); ++i) {
    out.push_back(std::to_string(hits[i].keyword) + ":" + entries[i]);
  }
  return out;
}

TEST(FindKeywordsTest, OrderAndPlaces) {
  // Grouped by keyword, text order within; adjacent hits found; case counts.
  EXPECT_EQ(Entries("abab Abc\r\nxab\nab\rab", {"ab", " Abc "}),
            (List{"0:   1/01", "0:   1/03", "0:   2/02", "0:   3/01", "0:   4/01", "1:   1/06"}));
  // Only the first eight keywords are searched; an empty one finds nothing.
  EXPECT_EQ(Entries("abcdefghi", {"a", "", "c", "d", "e", "f", "g", "h", "i"}),
            (List{"0:   1/01", "2:   1/03", "3:   1/04", "4:   1/05", "5:   1/06", "6:   1/07",
                  "7:   1/08"}));
  std::string far(1233, '\n');
  far += std::string(122, ' ') + "kw";
  EXPECT_EQ(Entries(far, {"kw"}), (List{"0:1234/123"}));
  EXPECT_TRUE(FindKeywords("", List{"a"}).empty());
}

TEST(FindKeywordsTest, NeverStartsOnASecondByte) {
  // 0x81 0x40 (full-width blank) ends in "@"; "表" is 0x95 0x5C, ending in "\".
  const std::string text = SJ<"　@表\\">();
  EXPECT_EQ(Entries(text, {"@", "\\", SJ<"表">()}), (List{"0:   1/03", "1:   1/06", "2:   1/04"}));
  // A run of lead-range bytes: only the pairs' first bytes are boundaries.
  const std::string run = "\x81\x81\x81\x81\x81\x81";
  const auto hits = FindKeywords(run, List{"\x81\x81"});
  ASSERT_EQ(hits.size(), 3u);
  EXPECT_EQ(hits[1].offset, 2u);
  EXPECT_EQ(hits[2].offset, 4u);
}

TEST(ResultEntryTest, ParseCaretAndStatus) {
  const struct {
    std::string entry;
    long long line, column;
  } cases[] = {
      {"  12/05", 12, 5}, {"1234/123", 1234, 123}, {"x/5", 0, 5}, {"12/5 more", 12, 5}, {"7/", 7, 0},
  };
  for (const auto& c : cases) {
    const auto got = ParseResultEntry(c.entry);
    ASSERT_TRUE(got) << c.entry;
    EXPECT_EQ(got->line, c.line) << c.entry;
    EXPECT_EQ(got->column, c.column) << c.entry;
  }
  EXPECT_FALSE(ParseResultEntry("   12"));

  const std::string text = "ab\r\ncd\nef";
  const LineIndex lines(text);
  EXPECT_EQ(CaretForEntry(lines, text.size(), {2, 2}), 5u);
  EXPECT_EQ(CaretForEntry(lines, text.size(), {3, 1}), 7u);
  EXPECT_EQ(CaretForEntry(lines, text.size(), {99, 99}), text.size());
  EXPECT_EQ(CaretForEntry(lines, text.size(), {0, 0}), 0u);

  EXPECT_EQ(EntryStatusText({1234, 123}), SJ<" 行[  1234 ]    列[ 123 ]">());
}

}  // namespace
}  // namespace kaplo
