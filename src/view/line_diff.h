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
  // False when a search for a split gave up being exhaustive (the cost
  // limit) or frequent lines were set aside (like_diff): the result is still
  // a correct difference, only perhaps not the smallest.
  bool minimal = true;
};

struct DiffOptions {
  // Edit steps one search for a split may take before it settles for the
  // path that got furthest; 0: by the size of the texts, at least 4096.
  // Time then stays near linear for texts that differ a little and bounded
  // for texts that differ wholly.
  std::size_t cost_limit = 0;
  // As diff does: a line that occurs many times in the other text and
  // stands among lines the other text lacks counts as changed, so two
  // unrelated stretches show as one block, not matched on their blank lines.
  bool like_diff = false;
  // Lines of the common head and tail that still take part (diff keeps as
  // many as it shows context): a run of changes may slide into them.
  std::size_t horizon = 0;
  // Steps of the whole search after which every further search for a
  // split settles within a few hundred edit steps: texts that would take
  // minutes (hundreds of thousands of lines, all repeated in other orders)
  // still get a correct difference in bounded time. Far beyond what two
  // different 3 MB chapters take.
  std::size_t work_budget = std::size_t{1} << 32;
};

// A shortest edit script (Myers, in linear space, from both ends at once)
// after the common head and tail are cut and the lines that the other text
// lacks are set aside; each run of changes is then slid down as far as its
// lines allow, so the hunks are those diff shows.
LineDiff DiffLines(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b,
                   const DiffOptions& options = {});

// Unified format: "--- name_a", "+++ name_b", then "@@ -l,n +l,n @@" hunks
// with `context` common lines around each change, lines ended by LF.
// Empty when there is no difference.
std::string UnifiedDiff(const std::vector<std::string_view>& a,
                        const std::vector<std::string_view>& b, const LineDiff& diff,
                        std::string_view name_a, std::string_view name_b, std::size_t context = 3);

}  // namespace kaplo
