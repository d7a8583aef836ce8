#include "view/line_diff.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <utility>

namespace kaplo {
namespace {

using Id = std::uint32_t;
using I = std::ptrdiff_t;

// One text's lines as ids, and which of them are changed. `changed` has a
// zero before the first line and after the last, so runs can be walked
// without bounds checks: Changed()[-1] and Changed()[n] are 0.
struct Side {
  std::vector<Id> ids;
  std::vector<char> changed_store;
  // The lines that take part in the search, and their line numbers.
  std::vector<Id> kept;
  std::vector<std::size_t> line_of;

  char* Changed() { return changed_store.data() + 1; }
  I Size() const { return I(ids.size()); }
};

// How many lines of a text each id has.
std::vector<std::size_t> CountIds(const std::vector<Id>& ids, std::size_t id_count) {
  std::vector<std::size_t> counts(id_count, 0);
  for (Id id : ids) ++counts[id];
  return counts;
}

// Leaves a provisional mark (2: a frequent line) only inside a run of marked
// lines that begins and ends with a definite one (1: a line the other text
// lacks), and there only where provisional lines are few, in short runs and
// away from the run's ends; the others become 0 (kept).
void SettleProvisional(std::vector<char>& mark) {
  const std::size_t n = mark.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (mark[i] == 2) mark[i] = 0;
    if (mark[i] == 0) continue;
    std::size_t end = i, provisional = 0;
    for (; end < n && mark[end] != 0; ++end) provisional += mark[end] == 2;
    while (end > i && mark[end - 1] == 2) mark[--end] = 0, --provisional;
    const std::size_t length = end - i;
    if (provisional * 4 > length) {
      for (std::size_t k = i; k < end; ++k) {
        if (mark[k] == 2) mark[k] = 0;
      }
    } else {
      // A stretch of `minimum` provisional lines or more, about the root of
      // length / 4, keeps its lines.
      std::size_t minimum = 1;
      for (std::size_t t = length >> 2; (t >>= 2) > 0;) minimum <<= 1;
      ++minimum;
      std::size_t consecutive = 0;
      for (I k = 0; k < I(length); ++k) {
        if (mark[i + std::size_t(k)] != 2) {
          consecutive = 0;
        } else if (++consecutive == minimum) {
          k -= I(consecutive);  // back to the stretch's start, to clear it all
        } else if (consecutive > minimum) {
          mark[i + std::size_t(k)] = 0;
        }
      }
      // Near either end of the run, up to three definite lines in a row (or
      // the first definite line eight lines in), provisional lines are kept.
      for (int direction : {+1, -1}) {
        consecutive = 0;
        for (std::size_t k = 0; k < length; ++k) {
          char& m = mark[direction > 0 ? i + k : i + length - 1 - k];
          if (k >= 8 && m == 1) break;
          if (m == 2) {
            consecutive = 0;
            m = 0;
          } else if (m == 0) {
            consecutive = 0;
          } else if (++consecutive == 3) {
            break;
          }
        }
      }
    }
    i += length - 1;
  }
}

// Marks the lines that cannot be matched (the other text lacks them), and
// with like_diff the frequent ones among them, as changed; the others are
// kept for the search. Returns whether a frequent line was set aside.
bool SetAside(Side& side, const std::vector<std::size_t>& other_counts, bool like_diff) {
  const std::size_t n = side.ids.size();
  std::size_t many = 5;  // about 5 x the root of n / 64
  for (std::size_t t = n / 64; (t >>= 2) > 0;) many *= 2;
  std::vector<char> mark(n, 0);
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t matches = other_counts[side.ids[i]];
    if (matches == 0) mark[i] = 1;
    else if (like_diff && matches > many) mark[i] = 2;
  }
  if (like_diff) SettleProvisional(mark);
  bool frequent = false;
  side.changed_store.assign(n + 2, 0);
  for (std::size_t i = 0; i < n; ++i) {
    if (mark[i] == 0) {
      side.kept.push_back(side.ids[i]);
      side.line_of.push_back(i);
    } else {
      side.Changed()[i] = 1;
      frequent = frequent || other_counts[side.ids[i]] > 0;
    }
  }
  return frequent;
}

// Where an optimal path through a rectangle of the two kept sequences is
// cut in two, and whether each half is to be searched exhaustively.
struct Cut {
  I x, y;
  bool low_exact, high_exact;
};

// Finds which kept lines are changed: the middle snake of the path from both
// corners at once, then each half alike.
class Search {
 public:
  Search(Side& a, Side& b, std::size_t cost_limit, std::size_t work_budget)
      : a_(a), b_(b), x_(a.kept.data()), y_(b.kept.data()), budget_(work_budget) {
    const I n = I(a.kept.size()), m = I(b.kept.size());
    forward_.assign(std::size_t(n + m + 3), 0);
    backward_.assign(std::size_t(n + m + 3), 0);
    // Diagonal k = x - y runs from -m to n; one more on each side.
    fwd_ = forward_.data() + m + 1;
    bwd_ = backward_.data() + m + 1;
    if (cost_limit == 0) {
      cost_limit = 1;
      for (std::size_t d = std::size_t(n + m + 3); d != 0; d >>= 2) cost_limit <<= 1;
      cost_limit = std::max<std::size_t>(cost_limit, 4096);
    }
    limit_ = I(cost_limit);
  }

  // Returns whether the search ever settled for less than the best.
  bool Run() {
    Compare(0, I(a_.kept.size()), 0, I(b_.kept.size()), false);
    return settled_;
  }

 private:
  void Compare(I x0, I x1, I y0, I y1, bool exact) {
    while (true) {
      while (x0 < x1 && y0 < y1 && x_[x0] == y_[y0]) ++x0, ++y0;
      while (x0 < x1 && y0 < y1 && x_[x1 - 1] == y_[y1 - 1]) --x1, --y1;
      if (x0 == x1 || y0 == y1) break;
      const Cut cut = Middle(x0, x1, y0, y1, exact);
      Compare(x0, cut.x, y0, cut.y, cut.low_exact);
      x0 = cut.x;
      y0 = cut.y;
      exact = cut.high_exact;
    }
    for (I x = x0; x < x1; ++x) a_.Changed()[a_.line_of[std::size_t(x)]] = 1;
    for (I y = y0; y < y1; ++y) b_.Changed()[b_.line_of[std::size_t(y)]] = 1;
  }

  Cut Middle(I x0, I x1, I y0, I y1, bool exact) {
    constexpr I kFar = PTRDIFF_MAX;
    const I kmin = x0 - y1, kmax = x1 - y0;
    const I fmid = x0 - y0, bmid = x1 - y1;
    I flo = fmid, fhi = fmid, blo = bmid, bhi = bmid;
    // Whether the two searches meet on a forward step.
    const bool odd = ((fmid - bmid) & 1) != 0;
    fwd_[fmid] = x0;
    bwd_[bmid] = x1;
    for (I cost = 1;; ++cost) {
      // One edit more from the top-left on every diagonal in reach.
      if (flo > kmin) fwd_[--flo - 1] = -1;
      else ++flo;
      if (fhi < kmax) fwd_[++fhi + 1] = -1;
      else --fhi;
      for (I k = fhi; k >= flo; k -= 2) {
        const I from = std::max(fwd_[k - 1] + 1, fwd_[k + 1]);
        I x = from, y = from - k;
        while (x < x1 && y < y1 && x_[x] == y_[y]) ++x, ++y;
        work_ += std::size_t(x - from) + 1;
        fwd_[k] = x;
        if (odd && blo <= k && k <= bhi && bwd_[k] <= x) return {x, y, true, true};
      }
      // And from the bottom-right.
      if (blo > kmin) bwd_[--blo - 1] = kFar;
      else ++blo;
      if (bhi < kmax) bwd_[++bhi + 1] = kFar;
      else --bhi;
      for (I k = bhi; k >= blo; k -= 2) {
        const I from = std::min(bwd_[k - 1], bwd_[k + 1] - 1);
        I x = from, y = from - k;
        while (x > x0 && y > y0 && x_[x - 1] == y_[y - 1]) --x, --y;
        work_ += std::size_t(from - x) + 1;
        bwd_[k] = x;
        if (!odd && flo <= k && k <= fhi && x <= fwd_[k]) return {x, y, true, true};
      }
      // Past the budget even an exhaustive search settles, and soon.
      const bool spent = work_ > budget_;
      if ((!exact || spent) && cost >= (spent ? std::min<I>(limit_, kSpentLimit) : limit_)) {
        return Furthest(x0, x1, y0, y1, flo, fhi, blo, bhi);
      }
    }
  }

  // Past the cost limit: the end of the forward path that got furthest
  // (largest x + y) or of the backward one, whichever covers more.
  Cut Furthest(I x0, I x1, I y0, I y1, I flo, I fhi, I blo, I bhi) {
    settled_ = true;
    I fxy = -1, fx = 0;
    for (I k = fhi; k >= flo; k -= 2) {
      I x = std::min(fwd_[k], x1), y = x - k;
      if (y > y1) x = y1 + k, y = y1;
      if (x + y > fxy) fxy = x + y, fx = x;
    }
    I bxy = PTRDIFF_MAX, bx = 0;
    for (I k = bhi; k >= blo; k -= 2) {
      I x = std::max(x0, bwd_[k]), y = x - k;
      if (y < y0) x = y0 + k, y = y0;
      if (x + y < bxy) bxy = x + y, bx = x;
    }
    if ((x1 + y1) - bxy < fxy - (x0 + y0)) return {fx, fxy - fx, true, false};
    return {bx, bxy - bx, false, true};
  }

  Side& a_;
  Side& b_;
  const Id* x_;
  const Id* y_;
  std::vector<I> forward_, backward_;
  I* fwd_;  // furthest x reached from the top-left, by diagonal
  I* bwd_;  // least x reached from the bottom-right, by diagonal
  I limit_ = 0;
  static constexpr I kSpentLimit = 256;
  const std::size_t budget_;
  std::size_t work_ = 0;
  bool settled_ = false;
};

// Slides each run of changed lines of `side` up while the line before it
// equals its last line (merging with runs above), then down as far as its
// first line equals the line after it (merging with runs below), and
// finally back up to where it lines up with a run of the other side, if it
// passed one. The pairing of unchanged lines is kept all along.
void Slide(Side& side, Side& other_side) {
  char* changed = side.Changed();
  const char* other = other_side.Changed();
  const std::vector<Id>& ids = side.ids;
  const I n = side.Size();
  I i = 0, j = 0;  // j: the line of the other side that line i pairs with
  while (true) {
    while (i < n && !changed[i]) {
      while (other[j]) ++j;
      ++i, ++j;
    }
    if (i == n) break;
    I start = i;
    while (changed[++i]) {
    }
    while (other[j]) ++j;
    I length, lined_up;
    do {
      length = i - start;
      while (start > 0 && ids[std::size_t(start - 1)] == ids[std::size_t(i - 1)]) {
        changed[--start] = 1;
        changed[--i] = 0;
        while (changed[start - 1]) --start;
        while (other[--j]) {
        }
      }
      // The end of the run where it last stood at a change of the other
      // side; n when it never did.
      lined_up = other[j - 1] ? i : n;
      while (i != n && ids[std::size_t(start)] == ids[std::size_t(i)]) {
        changed[start++] = 0;
        changed[i++] = 1;
        while (changed[i]) ++i;
        while (other[++j]) lined_up = i;
      }
    } while (length != i - start);
    while (lined_up < i) {
      changed[--start] = 1;
      changed[--i] = 0;
      while (other[--j]) {
      }
    }
  }
}

// The hunks of two marked sides: unchanged lines pair up in order.
std::vector<DiffHunk> Hunks(Side& a, Side& b) {
  std::vector<DiffHunk> hunks;
  const std::size_t n = a.ids.size(), m = b.ids.size();
  const char* ca = a.Changed();
  const char* cb = b.Changed();
  std::size_t i = 0, j = 0;
  while (i < n || j < m) {
    if (i < n && j < m && !ca[i] && !cb[j]) {
      ++i;
      ++j;
      continue;
    }
    DiffHunk h{i, i, j, j};
    while (h.a_end < n && ca[h.a_end]) ++h.a_end;
    while (h.b_end < m && cb[h.b_end]) ++h.b_end;
    hunks.push_back(h);
    i = h.a_end;
    j = h.b_end;
  }
  return hunks;
}

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
                   const DiffOptions& options) {
  // The common head and tail take no part, not even in the counts of lines,
  // but for the horizon next to the changes.
  std::size_t head = 0, tail = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  while (tail < a.size() - head && tail < b.size() - head &&
         a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) {
    ++tail;
  }
  head -= std::min(head, options.horizon);
  tail -= std::min(tail, options.horizon);
  std::unordered_map<std::string_view, Id> ids;
  auto number = [&](const std::vector<std::string_view>& lines, Side& side) {
    side.ids.reserve(lines.size() - head - tail);
    for (std::size_t i = head; i < lines.size() - tail; ++i) {
      side.ids.push_back(ids.emplace(lines[i], Id(ids.size())).first->second);
    }
  };
  Side sa, sb;
  ids.reserve(a.size() + b.size() - 2 * (head + tail));
  number(a, sa);
  number(b, sb);
  const std::vector<std::size_t> count_a = CountIds(sa.ids, ids.size());
  const std::vector<std::size_t> count_b = CountIds(sb.ids, ids.size());
  bool frequent = SetAside(sa, count_b, options.like_diff);
  frequent = SetAside(sb, count_a, options.like_diff) || frequent;
  const bool settled = Search(sa, sb, options.cost_limit, options.work_budget).Run();
  Slide(sa, sb);
  Slide(sb, sa);
  LineDiff diff;
  diff.hunks = Hunks(sa, sb);
  for (DiffHunk& h : diff.hunks) {
    h.a_begin += head, h.a_end += head, h.b_begin += head, h.b_end += head;
  }
  diff.minimal = !settled && !frequent;
  return diff;
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
