#include "view/line_diff.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <utility>

namespace kaplo {
namespace {

using Id = std::uint32_t;
using I = std::ptrdiff_t;

// Finds which lines of each side are changed; lines are compared as ids.
class Differ {
 public:
  Differ(std::vector<Id> a, std::vector<Id> b, std::size_t work_limit)
      : a_(std::move(a)),
        b_(std::move(b)),
        changed_a_(a_.size(), false),
        changed_b_(b_.size(), false),
        limit_(work_limit) {}

  LineDiff Run() {
    Compare(0, a_.size(), 0, b_.size());
    LineDiff diff;
    diff.minimal = minimal_;
    // Unchanged lines pair up in order, so both sides are walked in step.
    const std::size_t n = a_.size(), m = b_.size();
    std::size_t i = 0, j = 0;
    while (i < n || j < m) {
      if (i < n && j < m && !changed_a_[i] && !changed_b_[j]) {
        ++i;
        ++j;
        continue;
      }
      DiffHunk h{i, i, j, j};
      while (h.a_end < n && changed_a_[h.a_end]) ++h.a_end;
      while (h.b_end < m && changed_b_[h.b_end]) ++h.b_end;
      diff.hunks.push_back(h);
      i = h.a_end;
      j = h.b_end;
    }
    return diff;
  }

 private:
  enum class Found { kSplit, kNothingCommon, kGaveUp };

  void Compare(std::size_t a0, std::size_t a1, std::size_t b0, std::size_t b1) {
    while (a0 < a1 && b0 < b1 && a_[a0] == b_[b0]) ++a0, ++b0;
    while (a0 < a1 && b0 < b1 && a_[a1 - 1] == b_[b1 - 1]) --a1, --b1;
    if (a0 < a1 && b0 < b1) {
      I x = 0, y = 0;
      const Found found = Bisect(a0, a1, b0, b1, x, y);
      const bool progress = (x > 0 || y > 0) && (x < I(a1 - a0) || y < I(b1 - b0));
      if (found == Found::kSplit && progress) {
        Compare(a0, a0 + x, b0, b0 + y);
        Compare(a0 + x, a1, b0 + y, b1);
        return;
      }
      if (found != Found::kNothingCommon) minimal_ = false;
    }
    for (std::size_t i = a0; i < a1; ++i) changed_a_[i] = true;
    for (std::size_t j = b0; j < b1; ++j) changed_b_[j] = true;
  }

  // Takes the furthest path on diagonal k (x - y) one edit further, from a
  // neighbouring diagonal, then along the lines that match; v is indexed by k.
  template <class Same>
  I Extend(I* v, I k, I d, I n, I m, Same same) {
    I x = (k == -d || (k != d && v[k - 1] < v[k + 1])) ? v[k + 1] : v[k - 1] + 1;
    I y = x - k;
    const I from = x;
    while (x < n && y < m && same(x, y)) ++x, ++y;
    work_ += std::size_t(1 + x - from);
    v[k] = x;
    return x;
  }

  // The middle snake of an optimal path through a_[a0, a1) and b_[b0, b1),
  // searched from both ends at once; (x, y) is where the path is split.
  Found Bisect(std::size_t a0, std::size_t a1, std::size_t b0, std::size_t b1, I& x, I& y) {
    const Id* a = a_.data() + a0;
    const Id* b = b_.data() + b0;
    const I n = I(a1 - a0), m = I(b1 - b0);
    const I max_d = (n + m + 1) / 2, off = max_d, len = 2 * max_d + 2;
    v1_.assign(std::size_t(len), -1);
    v2_.assign(std::size_t(len), -1);
    I* v1 = v1_.data();
    I* v2 = v2_.data();
    v1[off + 1] = 0;
    v2[off + 1] = 0;
    const I delta = n - m;
    const bool front = (delta & 1) != 0;  // paths meet on a forward step when odd
    // Diagonals that ran off the edge are not tried again.
    I k1start = 0, k1end = 0, k2start = 0, k2end = 0;
    work_ += std::size_t(len);
    for (I d = 0; d < max_d; ++d) {
      if (work_ > limit_) return Found::kGaveUp;
      for (I k1 = -d + k1start; k1 <= d - k1end; k1 += 2) {
        const I x1 = Extend(v1 + off, k1, d, n, m, [&](I i, I j) { return a[i] == b[j]; });
        const I y1 = x1 - k1;
        if (x1 > n) {
          k1end += 2;
        } else if (y1 > m) {
          k1start += 2;
        } else if (front) {
          const I k2o = off + delta - k1;
          if (k2o >= 0 && k2o < len && v2[k2o] != -1 && x1 >= n - v2[k2o]) {
            x = x1;
            y = y1;
            return Found::kSplit;
          }
        }
      }
      for (I k2 = -d + k2start; k2 <= d - k2end; k2 += 2) {
        const I x2 =
            Extend(v2 + off, k2, d, n, m, [&](I i, I j) { return a[n - i - 1] == b[m - j - 1]; });
        const I y2 = x2 - k2;
        if (x2 > n) {
          k2end += 2;
        } else if (y2 > m) {
          k2start += 2;
        } else if (!front) {
          const I k1o = off + delta - k2;
          if (k1o >= 0 && k1o < len && v1[k1o] != -1) {
            const I x1 = v1[k1o];
            if (x1 >= n - x2) {
              x = x1;
              y = off + x1 - k1o;
              return Found::kSplit;
            }
          }
        }
      }
    }
    return Found::kNothingCommon;
  }

  std::vector<Id> a_, b_;
  std::vector<bool> changed_a_, changed_b_;
  std::vector<I> v1_, v2_;
  std::size_t work_ = 0;
  const std::size_t limit_;
  bool minimal_ = true;
};

// "start,count" of one side of a hunk header; an empty range names the line
// before it.
std::string Range(std::size_t begin, std::size_t count) {
  if (count == 1) return std::to_string(begin + 1);
  return std::to_string(count == 0 ? begin : begin + 1) + "," + std::to_string(count);
}

void PutLines(std::string& out, char mark, const std::vector<std::string_view>& lines,
              std::size_t begin, std::size_t end) {
  for (std::size_t i = begin; i < end; ++i) {
    out += mark;
    out += lines[i];
    out += '\n';
  }
}

}  // namespace

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n' && text[i] != '\r') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

LineDiff DiffLines(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b,
                   std::size_t work_limit) {
  std::unordered_map<std::string_view, Id> ids;
  ids.reserve(a.size() + b.size());
  auto number = [&](const std::vector<std::string_view>& lines) {
    std::vector<Id> out;
    out.reserve(lines.size());
    for (std::string_view line : lines)
      out.push_back(ids.emplace(line, Id(ids.size())).first->second);
    return out;
  };
  std::vector<Id> ia = number(a);
  std::vector<Id> ib = number(b);
  return Differ(std::move(ia), std::move(ib), work_limit).Run();
}

std::string UnifiedDiff(const std::vector<std::string_view>& a,
                        const std::vector<std::string_view>& b, const LineDiff& diff,
                        std::string_view name_a, std::string_view name_b, std::size_t context) {
  const std::vector<DiffHunk>& hunks = diff.hunks;
  if (hunks.empty()) return {};
  std::string out = "--- " + std::string(name_a) + "\n+++ " + std::string(name_b) + "\n";
  std::size_t g = 0;
  while (g < hunks.size()) {
    // Hunks whose common stretch between them fits in two contexts print as one.
    std::size_t last = g;
    while (last + 1 < hunks.size() && hunks[last + 1].a_begin - hunks[last].a_end <= 2 * context) {
      ++last;
    }
    const DiffHunk& first = hunks[g];
    const std::size_t before = std::min(context, first.a_begin - (g ? hunks[g - 1].a_end : 0));
    const std::size_t after_room =
        (last + 1 < hunks.size() ? hunks[last + 1].a_begin : a.size()) - hunks[last].a_end;
    const std::size_t after = std::min(context, after_room);
    const std::size_t a0 = first.a_begin - before, b0 = first.b_begin - before;
    const std::size_t a1 = hunks[last].a_end + after, b1 = hunks[last].b_end + after;
    out += "@@ -" + Range(a0, a1 - a0) + " +" + Range(b0, b1 - b0) + " @@\n";
    PutLines(out, ' ', a, a0, first.a_begin);
    for (std::size_t h = g; h <= last; ++h) {
      PutLines(out, '-', a, hunks[h].a_begin, hunks[h].a_end);
      PutLines(out, '+', b, hunks[h].b_begin, hunks[h].b_end);
      PutLines(out, ' ', a, hunks[h].a_end, h < last ? hunks[h + 1].a_begin : a1);
    }
    g = last + 1;
  }
  return out;
}

}  // namespace kaplo
