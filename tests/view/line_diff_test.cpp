#include "view/line_diff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace kaplo {
namespace {

using Lines = std::vector<std::string_view>;

// The second text rebuilt from the first and the hunks: every hunk's ranges
// must be in order and the lines between hunks equal on both sides.
std::vector<std::string_view> Apply(const Lines& a, const Lines& b, const LineDiff& diff) {
  Lines out;
  std::size_t i = 0, j = 0;
  for (const DiffHunk& h : diff.hunks) {
    EXPECT_LE(i, h.a_begin);
    EXPECT_EQ(h.a_begin - i, h.b_begin - j);  // common stretches have one length
    for (; i < h.a_begin; ++i, ++j) {
      EXPECT_EQ(a[i], b[j]);
      out.push_back(a[i]);
    }
    for (std::size_t k = h.b_begin; k < h.b_end; ++k) out.push_back(b[k]);
    i = h.a_end;
    j = h.b_end;
  }
  for (; i < a.size(); ++i) out.push_back(a[i]);
  return out;
}

std::size_t Edits(const LineDiff& diff) {
  std::size_t n = 0;
  for (const DiffHunk& h : diff.hunks) n += (h.a_end - h.a_begin) + (h.b_end - h.b_begin);
  return n;
}

// Deletions plus insertions of a shortest edit script, by the textbook table.
std::size_t ShortestEdits(const Lines& a, const Lines& b) {
  std::vector<std::vector<std::size_t>> lcs(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = a.size(); i-- > 0;) {
    for (std::size_t j = b.size(); j-- > 0;) {
      lcs[i][j] = a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
    }
  }
  return a.size() + b.size() - 2 * lcs[0][0];
}

TEST(LineDiffTest, SplitLinesIgnoresLineEndStyle) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (Lines{"a", ""}));
  EXPECT_TRUE(SplitLines("").empty());
}

TEST(LineDiffTest, Cases) {
  const struct {
    const char* name;
    std::string a, b;
    std::vector<DiffHunk> hunks;
  } cases[] = {
      {"same", "a\nb\n", "a\r\nb\r\n", {}},
      {"both empty", "", "", {}},
      {"from nothing", "", "a\nb\n", {{0, 0, 0, 2}}},
      {"to nothing", "a\nb\n", "", {{0, 2, 0, 0}}},
      {"one changed line", "a\nb\nc\n", "a\nB\nc\n", {{1, 2, 1, 2}}},
      {"insert at the top", "b\nc\n", "a\nb\nc\n", {{0, 0, 0, 1}}},
      {"delete at the end", "a\nb\nc\n", "a\nb\n", {{2, 3, 2, 2}}},
      {"two separate changes", "a\nb\nc\nd\ne\n", "a\nX\nc\nd\nY\n", {{1, 2, 1, 2}, {4, 5, 4, 5}}},
      {"moved line", "a\nb\nc\n", "b\nc\na\n", {{0, 1, 0, 0}, {3, 3, 2, 3}}},
      {"wholly different", "a\nb\n", "c\nd\ne\n", {{0, 2, 0, 3}}},
      {"repeated lines", "x\nx\nx\n", "x\nx\n", {{2, 3, 2, 2}}},
  };
  for (const auto& c : cases) {
    const Lines a = SplitLines(c.a), b = SplitLines(c.b);
    const LineDiff diff = DiffLines(a, b);
    EXPECT_EQ(diff.hunks, c.hunks) << c.name;
    EXPECT_TRUE(diff.minimal) << c.name;
    EXPECT_EQ(Apply(a, b, diff), b) << c.name;
  }
}

TEST(LineDiffTest, ShortestOnRandomTexts) {
  // Few distinct lines make many equal lines and many equally short scripts.
  std::mt19937 rng(7);
  const std::vector<std::string> alphabet = {"a", "b", "c", "<p>", ""};
  for (int round = 0; round < 400; ++round) {
    Lines a, b;
    for (int i = int(rng() % 30); i > 0; --i) a.push_back(alphabet[rng() % alphabet.size()]);
    for (int i = int(rng() % 30); i > 0; --i) b.push_back(alphabet[rng() % alphabet.size()]);
    const LineDiff diff = DiffLines(a, b);
    ASSERT_EQ(Apply(a, b, diff), b) << round;
    ASSERT_EQ(Edits(diff), ShortestEdits(a, b)) << round;
    for (std::size_t h = 1; h < diff.hunks.size(); ++h) {
      ASSERT_LT(diff.hunks[h - 1].a_end, diff.hunks[h].a_begin) << round;  // never touching
    }
  }
}

TEST(LineDiffTest, LargePageWithFewChanges) {
  std::vector<std::string> store;
  for (int i = 0; i < 60000; ++i) store.push_back("<li>line " + std::to_string(i) + "</li>");
  Lines a(store.begin(), store.end());
  Lines b = a;
  b[100] = "changed";
  b.erase(b.begin() + 30000);
  b.insert(b.begin() + 50000, "new");
  const LineDiff diff = DiffLines(a, b);
  EXPECT_TRUE(diff.minimal);
  EXPECT_EQ(diff.hunks,
            (std::vector<DiffHunk>{
                {100, 101, 100, 101}, {30000, 30001, 30000, 30000}, {50001, 50001, 50000, 50001}}));

  // Wholly different texts share no line: one replaced block, found at once.
  std::vector<std::string> other;
  for (int i = 0; i < 60000; ++i) other.push_back("other " + std::to_string(i));
  const Lines c(other.begin(), other.end());
  const LineDiff apart = DiffLines(a, c);
  EXPECT_EQ(apart.hunks, (std::vector<DiffHunk>{{0, 60000, 0, 60000}}));
  EXPECT_TRUE(apart.minimal);
}

TEST(LineDiffTest, PastTheCostLimitTheSearchSettlesButStaysCorrect) {
  // The same 3000 lines in two orders: every line can match, and the
  // shortest script is far beyond a limit of 50 edit steps.
  std::vector<std::string> store;
  for (int i = 0; i < 3000; ++i) store.push_back("line " + std::to_string(i % 1000));
  Lines a(store.begin(), store.end());
  Lines b = a;
  std::shuffle(b.begin(), b.end(), std::mt19937(5));
  const LineDiff settled = DiffLines(a, b, {.cost_limit = 50});
  EXPECT_FALSE(settled.minimal);
  EXPECT_EQ(Apply(a, b, settled), b);
  const LineDiff exact = DiffLines(a, b);
  EXPECT_TRUE(exact.minimal);
  EXPECT_EQ(Apply(a, b, exact), b);
  EXPECT_LE(Edits(exact), Edits(settled));
  // Past the work budget every search settles: still correct.
  const LineDiff spent = DiffLines(a, b, {.work_budget = 1000});
  EXPECT_FALSE(spent.minimal);
  EXPECT_EQ(Apply(a, b, spent), b);
}

TEST(LineDiffTest, RunsOfChangesSlideDownAsDiffPlacesThem) {
  const struct {
    const char* name;
    std::string a, b;
    std::vector<DiffHunk> hunks;
  } cases[] = {
      // A repeated block inserted: shown after the last copy.
      {"repeated block", "a\nb\na\nb\nc\n", "a\nb\na\nb\na\nb\nc\n", {{4, 4, 4, 6}}},
      // A blank line deleted among blank lines: the last one goes.
      {"blank lines", "p\n\n\n\nq\n", "p\n\n\nq\n", {{3, 4, 3, 3}}},
      // A run that can slide to meet a change of the other side stops there.
      {"lined up", "x\na\nb\na\ny\n", "z\na\nb\na\nb\na\nw\n",
       {{0, 1, 0, 1}, {4, 5, 4, 7}}},
  };
  for (const auto& c : cases) {
    const Lines a = SplitLines(c.a), b = SplitLines(c.b);
    const LineDiff diff = DiffLines(a, b);
    EXPECT_EQ(diff.hunks, c.hunks) << c.name;
    EXPECT_EQ(Apply(a, b, diff), b) << c.name;
  }
}

TEST(LineDiffTest, LikeDiffShowsUnrelatedStretchesAsOneBlock) {
  // Two unrelated chapters of 100 paragraphs, four lines and a blank line
  // each: matched minimally, the blank lines cut the change into 100 hunks;
  // like diff, the frequent blank lines among unmatched lines count as
  // changed too, and one block remains (diff says "1,499c1,499").
  std::vector<std::string> store;
  for (const char* chapter : {"one", "two"}) {
    for (int i = 0; i < 100; ++i) {
      for (int k = 0; k < 4; ++k) store.push_back(std::string(chapter) + " " + std::to_string(i * 4 + k));
      store.push_back("");
    }
  }
  const Lines all(store.begin(), store.end());
  const Lines a(all.begin(), all.begin() + 500), b(all.begin() + 500, all.end());
  const LineDiff minimal = DiffLines(a, b);
  EXPECT_TRUE(minimal.minimal);
  EXPECT_EQ(minimal.hunks.size(), 100u);
  const LineDiff like_diff = DiffLines(a, b, {.like_diff = true});
  EXPECT_FALSE(like_diff.minimal);
  EXPECT_EQ(like_diff.hunks, (std::vector<DiffHunk>{{0, 499, 0, 499}}));
  EXPECT_EQ(Apply(a, b, like_diff), b);
}

TEST(LineDiffTest, UnifiedFormat) {
  const Lines a = SplitLines("1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n15\n16\n");
  const Lines b = SplitLines("1\n2\nthree\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n15\n16\n17\n");
  EXPECT_EQ(UnifiedDiff(a, b, DiffLines(a, b), "a.html", "b.html"),
            "--- a.html\n+++ b.html\n"
            "@@ -1,6 +1,6 @@\n 1\n 2\n-3\n+three\n 4\n 5\n 6\n"
            "@@ -14,3 +14,4 @@\n 14\n 15\n 16\n+17\n");
  // Changes three context lines apart share one hunk; an empty side names the line before.
  const Lines c = SplitLines("x\n1\n2\n3\n4\n5\n6\ny\n");
  const Lines d = SplitLines("1\n2\n3\n4\n5\n6\n");
  EXPECT_EQ(UnifiedDiff(c, d, DiffLines(c, d), "c", "d", 3),
            "--- c\n+++ d\n@@ -1,8 +1,6 @@\n-x\n 1\n 2\n 3\n 4\n 5\n 6\n-y\n");
  EXPECT_EQ(UnifiedDiff(Lines{}, Lines{"a"}, DiffLines({}, {"a"}), "e", "f"),
            "--- e\n+++ f\n@@ -0,0 +1 @@\n+a\n");
  EXPECT_EQ(UnifiedDiff(a, a, DiffLines(a, a), "a", "a"), "");
}

}  // namespace
}  // namespace kaplo
