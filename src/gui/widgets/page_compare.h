// How far a saved copy differs from the live page: its rendering pixel by
// pixel, its rendered text line by line.
#pragma once

#include <QImage>
#include <QString>
#include <string>
#include <vector>

namespace kaplo::gui {

// The share (0 to 100) of pixels that differ by more than anti-aliasing
// does; rows one image has and the other lacks all differ. -1 without
// pixels to compare.
double DifferingPixelsPercent(const QImage& live, const QImage& saved);

struct TextDifference {
  double percent = 0;              // differing lines of both texts, of all their lines
  std::vector<std::string> lines;  // the first differing lines: "- " live, "+ " saved (UTF-8)
};

// Compares two rendered texts (innerText) by lines; at most max_lines
// differing lines are listed, each cut to a readable length.
TextDifference CompareText(const QString& live, const QString& saved, std::size_t max_lines = 10);

}  // namespace kaplo::gui
