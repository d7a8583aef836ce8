// The saved page check's two comparisons: pixels of whole pages, and the
// rendered texts line by line.
#include "gui/widgets/page_compare.h"

#include <gtest/gtest.h>

namespace kaplo::gui {
namespace {

TEST(PageCompare, TextDifferencesByLine) {
  QString live, saved;
  for (int i = 1; i <= 100; ++i) {
    live += QStringLiteral("line %1\n").arg(i);
    // The copy lost lines 81 to 90, far below the first screen.
    if (i <= 80 || i > 90) saved += QStringLiteral("line %1\n").arg(i);
  }
  const TextDifference same = CompareText(live, live);
  EXPECT_EQ(same.percent, 0);
  EXPECT_TRUE(same.lines.empty());

  const TextDifference lost = CompareText(live, saved, 3);
  EXPECT_DOUBLE_EQ(lost.percent, 100.0 * 10 / 190);
  EXPECT_EQ(lost.lines, (std::vector<std::string>{"- line 81", "- line 82", "- line 83"}));

  // Replaced text is listed from both sides; a long line is cut, never inside
  // a character.
  const QString long_line = QString(199, QLatin1Char('x')) + QString::fromUtf8("日本語");
  const TextDifference changed =
      CompareText(QString::fromUtf8("同じ\n前\n") + long_line, QString::fromUtf8("同じ\n後\n"));
  EXPECT_EQ(changed.lines,
            (std::vector<std::string>{"- 前", "- " + std::string(199, 'x') + "...", "+ 後"}));
  EXPECT_DOUBLE_EQ(changed.percent, 100.0 * 3 / 5);
  EXPECT_EQ(CompareText({}, {}).percent, 0);
}

TEST(PageCompare, PixelsOfWholePages) {
  QImage white(100, 200, QImage::Format_RGB32);
  white.fill(Qt::white);
  EXPECT_EQ(DifferingPixelsPercent(white, white), 0);
  // A step of anti-aliasing is no difference; a red band is.
  QImage near = white;
  near.fill(QColor(250, 250, 250));
  EXPECT_EQ(DifferingPixelsPercent(white, near), 0);
  QImage band = white;
  for (int y = 150; y < 170; ++y) {
    for (int x = 0; x < 100; ++x) band.setPixel(x, y, qRgb(255, 0, 0));
  }
  EXPECT_DOUBLE_EQ(DifferingPixelsPercent(white, band), 10);
  // Rows the shorter page lacks all differ.
  EXPECT_DOUBLE_EQ(DifferingPixelsPercent(white, white.copy(0, 0, 100, 150)), 25);
  EXPECT_EQ(DifferingPixelsPercent(QImage(), QImage()), -1);
}

}  // namespace
}  // namespace kaplo::gui
