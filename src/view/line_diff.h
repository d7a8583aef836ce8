// Line differences of two texts: the comparison pane marks the differing
// lines and steps between them, `kaplo diff` prints them in unified format.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kaplo {

// The lines of a text without their line ends (CR LF, LF or a lone CR); a
// text that ends with a line end has no empty last line. Line-end style thus
// never counts as a difference.
std::vector<std::string_view> SplitLines(std::string_view text);

// Lines [a_begin, a_end) of the first text stand where the second has lines
// [b_begin, b_end); indices from 0. An empty range on one side is a pure
// insertion or deletion, placed before line a_begin (b_begin).
struct DiffHunk {
  std::size_t a_begin, a_end, b_begin, b_end;
  bool operator==(const DiffHunk&) const = default;
};

struct LineDiff {
  std::vector<DiffHunk> hunks;  // in text order, never touching each other
  // False when the work limit was reached: some stretch that holds common
  // lines is then reported as one replaced block. The result is still a
  // correct difference, only not the smallest.
  bool minimal = true;
};

// Comparison steps allowed before the fallback; enough for pages that differ
// little whatever their size, and a fraction of a second of work.
inline constexpr std::size_t kDefaultDiffWorkLimit = 20'000'000;

// A shortest edit script (Myers, in linear space, after cutting the common
// head and tail), so near-identical texts cost about one pass.
LineDiff DiffLines(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b,
                   std::size_t work_limit = kDefaultDiffWorkLimit);

// Unified format: "--- name_a", "+++ name_b", then "@@ -l,n +l,n @@" hunks
// with `context` common lines around each change, lines ended by LF.
// Empty when there is no difference.
std::string UnifiedDiff(const std::vector<std::string_view>& a,
                        const std::vector<std::string_view>& b, const LineDiff& diff,
                        std::string_view name_a, std::string_view name_b, std::size_t context = 3);

}  // namespace kaplo
