#include "gui/widgets/page_compare.h"

#include <QStringList>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "view/line_diff.h"

namespace kaplo::gui {

double DifferingPixelsPercent(const QImage& live, const QImage& saved) {
  const QImage x = live.convertToFormat(QImage::Format_RGB32);
  const QImage y = saved.convertToFormat(QImage::Format_RGB32);
  const int width = std::max(x.width(), y.width());
  const int height = std::max(x.height(), y.height());
  if (width == 0 || height == 0) return -1;
  const int common_width = std::min(x.width(), y.width());
  const int common_height = std::min(x.height(), y.height());
  long long differing = 0;
  for (int row = 0; row < common_height; ++row) {
    const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
    const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
    for (int col = 0; col < common_width; ++col) {
      // Anti-aliasing may differ by a step or two; a different pixel does not.
      if (std::abs(qRed(p[col]) - qRed(q[col])) > 8 ||
          std::abs(qGreen(p[col]) - qGreen(q[col])) > 8 ||
          std::abs(qBlue(p[col]) - qBlue(q[col])) > 8) {
        ++differing;
      }
    }
  }
  const long long all = static_cast<long long>(width) * height;
  differing += all - static_cast<long long>(common_width) * common_height;
  return 100.0 * static_cast<double>(differing) / static_cast<double>(all);
}

namespace {

// Blanks at a line's ends are the layout's, not the page's text.
std::string TrimLines(const QString& text) {
  QStringList lines = text.split(QLatin1Char('\n'));
  for (QString& line : lines) line = line.trimmed();
  while (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  return lines.join(QLatin1Char('\n')).toStdString();
}

}  // namespace

TextDifference CompareText(const QString& live, const QString& saved, std::size_t max_lines) {
  const std::string a_text = TrimLines(live), b_text = TrimLines(saved);
  const std::vector<std::string_view> a = SplitLines(a_text), b = SplitLines(b_text);
  const LineDiff diff = DiffLines(a, b);
  TextDifference result;
  std::size_t differing = 0;
  auto list = [&](std::string_view mark, std::string_view line) {
    if (result.lines.size() >= max_lines) return;
    constexpr std::size_t kWidth = 200;
    std::string shown(line.substr(0, kWidth));
    // Not in the middle of a UTF-8 sequence.
    while (shown.size() < line.size() && !shown.empty() &&
           (static_cast<unsigned char>(line[shown.size()]) & 0xC0) == 0x80) {
      shown.pop_back();
    }
    if (shown.size() < line.size()) shown += "...";
    result.lines.push_back(std::string(mark) + shown);
  };
  for (const DiffHunk& h : diff.hunks) {
    differing += (h.a_end - h.a_begin) + (h.b_end - h.b_begin);
    for (std::size_t i = h.a_begin; i < h.a_end; ++i) list("- ", a[i]);
    for (std::size_t i = h.b_begin; i < h.b_end; ++i) list("+ ", b[i]);
  }
  const std::size_t all = a.size() + b.size();
  result.percent = all == 0 ? 0 : 100.0 * static_cast<double>(differing) / static_cast<double>(all);
  return result;
}

}  // namespace kaplo::gui
