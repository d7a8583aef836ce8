// The source view: gutter numbers, tab stops, Shift_JIS and RTF in and out.
#include "gui/widgets/rich_edit_ex.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QTest>

#include "text/sjis_literal.h"
#include "view/html_rtf.h"
#include "view_test_support.h"

namespace kaplo::gui {
namespace {

QString Lines(int count) {
  QStringList lines;
  for (int i = 1; i <= count; ++i) lines << QStringLiteral("line %1").arg(i);
  return lines.join(QLatin1Char('\n'));
}

// A view tall enough for 20 lines, shown so that it lays itself out.
class ShownView : public ::testing::Test {
 protected:
  void SetUp() override {
    view_.SetLineNumbers(true);
    view_.setLineWrapMode(QPlainTextEdit::NoWrap);
    view_.resize(400, view_.fontMetrics().height() * 20 + 40);
    view_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view_));
  }
  void SetText(const QString& text) {
    view_.setPlainText(text);
    QApplication::processEvents();
  }
  int Visible() const { return view_.viewport()->height() / view_.fontMetrics().height(); }

  TRichEditEx view_;
};

TEST_F(ShownView, GutterShowsVisibleNumbersPaddedToTheLineCountsDigits) {
  struct Case {
    int lines, digits;
  };
  for (const Case c :
       {Case{1, 1}, Case{9, 1}, Case{10, 2}, Case{99, 2}, Case{100, 3}, Case{150, 3}}) {
    SCOPED_TRACE(c.lines);
    SetText(Lines(c.lines));
    EXPECT_EQ(view_.DigitCount(), c.digits);
    EXPECT_EQ(view_.GutterWidth(),
              view_.fontMetrics().horizontalAdvance(QLatin1Char('8')) * c.digits + 8);
    EXPECT_EQ(view_.viewportMargins().left(), view_.GutterWidth());
  }
  SetText(Lines(150));
  QStringList numbers = view_.GutterNumbers();
  ASSERT_EQ(numbers.size(), Visible() + 3);
  EXPECT_EQ(numbers.mid(0, 3), (QStringList{"001", "002", "003"}));
  EXPECT_EQ(numbers.last(), QStringLiteral("%1").arg(Visible() + 3, 3, 10, QLatin1Char('0')));
  view_.SetFirstVisibleLine(99);
  EXPECT_EQ(view_.GutterNumbers().first(), QStringLiteral("100"));
  view_.SetFirstVisibleLine(1000);  // the end: numbers run three past line 150
  EXPECT_EQ(view_.GutterNumbers().last(), QStringLiteral("153"));
}

TEST_F(ShownView, ShortTextsShowThreeNumbersPastTheirEndExceptALoneLine) {
  SetText(Lines(9));
  EXPECT_EQ(view_.GutterNumbers(),
            (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}));
  SetText(QString());
  EXPECT_EQ(view_.GutterNumbers(), QStringList{"1"});
  SetText(QStringLiteral("a\n"));  // the empty line after the break counts
  EXPECT_EQ(view_.GutterNumbers(), (QStringList{"1", "2", "3", "4", "5"}));
}

TEST_F(ShownView, TurningNumbersOffGivesTheWidthBackToTheText) {
  SetText(Lines(150));
  view_.SetLineNumbers(false);
  EXPECT_EQ(view_.GutterWidth(), 0);
  EXPECT_EQ(view_.viewportMargins().left(), 0);
  EXPECT_TRUE(view_.GutterNumbers().isEmpty());
  view_.SetTextMargins(40, 30);
  EXPECT_EQ(view_.viewportMargins(), QMargins(40, 0, 30, 0));
  view_.SetLineNumbers(true);
  EXPECT_EQ(view_.viewportMargins().left(), view_.GutterWidth() + 40);
}

TEST(RichEditExTest, TabStopsEveryTabSizeAverageLetters) {
  TRichEditEx view;
  EXPECT_EQ(view.TabSize(), 2);
  EXPECT_FALSE(view.LineNumbers());
  EXPECT_EQ(view.GutterWidth(), 0);
  // Half-width letters, not the CJK font's full-width average.
  const qreal letter = QFontMetricsF(view.font()).horizontalAdvance(QLatin1Char('x'));
  EXPECT_NEAR(AverageLetterWidth(view.font()), letter, 0.01);
  EXPECT_NEAR(view.tabStopDistance(), 2 * letter, 0.05);
  view.SetTabSize(5);
  EXPECT_NEAR(view.tabStopDistance(), 5 * letter, 0.05);
  QFont bigger = view.font();
  bigger.setPointSize(20);
  view.setFont(bigger);
  EXPECT_DOUBLE_EQ(view.tabStopDistance(), 5 * AverageLetterWidth(bigger));
  EXPECT_GT(view.tabStopDistance(), 5 * letter);
}

TEST(RichEditExTest, ShiftJisTextInAndOut) {
  TRichEditEx view;
  const std::string text = SJ<"<p>日本語ｶﾀｶﾅ</p>">() + "\r\nx\r\n\r\n";
  view.SetSjisText(text);
  EXPECT_EQ(view.toPlainText(), QString::fromUtf8("<p>日本語ｶﾀｶﾅ</p>\nx\n\n"));
  EXPECT_EQ(view.SjisText(), text);
  view.SetSjisText("lone\rcr\nlf\x82");  // a first byte with nothing after it
  EXPECT_EQ(view.toPlainText(), QString::fromUtf8("lone\ncr\nlf\uFFFD"));
  EXPECT_EQ(view.SjisText(), "lone\r\ncr\r\nlf?");
}

TEST(RichEditExTest, LoadsTheColouringsRtf) {
  TRichEditEx view;
  const std::string html = "<b>" + SJ<"太字">() + "</b>\r\n<!-- c -->";
  view.LoadRtf(HtmlToRtf(html));
  EXPECT_EQ(view.toPlainText(), QString::fromUtf8("<b>太字</b>\n<!-- c -->"));
  EXPECT_EQ(ColorAt(&view, 0), QColor(255, 0, 255));  // "<"
  EXPECT_EQ(ColorAt(&view, 1), QColor(255, 0, 0));    // "b"
  EXPECT_EQ(ColorAt(&view, 3), QColor(0, 0, 255));    // "太" (content)
  EXPECT_EQ(ColorAt(&view, 14), QColor(128, 0, 0));   // the comment on line 2
  // An entry the table lacks leaves the text in the view's colour.
  view.LoadRtf("{\\rtf1{\\colortbl;\\red0\\green0\\blue255;}\\cf1 a\\cf0 b\\cf7 c}");
  EXPECT_EQ(view.toPlainText(), QStringLiteral("abc"));
  EXPECT_EQ(ColorAt(&view, 0), QColor(0, 0, 255));
  EXPECT_FALSE(ColorAt(&view, 1).isValid());
  EXPECT_FALSE(ColorAt(&view, 2).isValid());
  // A very long line is coloured whole.
  view.LoadRtf("{\\rtf1{\\colortbl;\\red0\\green0\\blue255;}\\cf1 " +
               std::string(kLongLineLength + 10, 'a') + "\\par b}");
  EXPECT_EQ(ColorAt(&view, kLongLineLength + 9), QColor(0, 0, 255));
  EXPECT_EQ(ColorAt(&view, kLongLineLength + 11), QColor(0, 0, 255));  // "b"
}

// A line of three slices: all its colours are kept, the slice in view is
// laid over it, and another part in view gets its own slice.
TEST_F(ShownView, ALongLineIsColouredWholeAndLaidInSlicesAroundWhatIsShown) {
  const int length = 3 * kLongLineLength;
  SetText(QString(length, QLatin1Char('a')) + QStringLiteral("\nshort"));
  QTextCharFormat red, blue;
  red.setForeground(QColor(255, 0, 0));
  blue.setForeground(QColor(0, 0, 255));
  LineFormats lines(2);
  for (int at = 0; at < length; at += 10) lines[0].append({at, 10, at % 20 ? blue : red});
  lines[1].append({0, 5, red});
  ASSERT_TRUE(view_.SetLineFormats(lines));
  EXPECT_EQ(view_.LineFormatsOf(0).size(), length / 10);
  EXPECT_EQ(ColorAt(&view_, length - 1), QColor(0, 0, 255));
  EXPECT_EQ(ColorAt(&view_, length + 1), QColor(255, 0, 0));  // the short line

  const auto laid = [this] { return view_.document()->firstBlock().layout()->formats(); };
  const auto reaches = [&](int position) {
    for (const auto& r : laid()) {
      if (r.start <= position && position < r.start + r.length) return true;
    }
    return false;
  };
  ASSERT_TRUE(reaches(0));
  EXPECT_FALSE(reaches(length - 1));
  EXPECT_LE(laid().size(), kLongLineLength / 10 + 1);

  // The middle of the line in view: its colours are laid.
  view_.horizontalScrollBar()->setValue(view_.horizontalScrollBar()->maximum() / 2);
  ASSERT_TRUE(QTest::qWaitFor([&] { return reaches(length / 2); }, 5000));
  // The end of the line in view: its colours are laid, the start's are not.
  view_.horizontalScrollBar()->setValue(view_.horizontalScrollBar()->maximum());
  ASSERT_TRUE(QTest::qWaitFor([&] { return reaches(length - 1); }, 5000));
  EXPECT_FALSE(reaches(0));

  // An edit there moves the colours along, laid and kept alike.
  QTextCursor cursor(view_.document());
  cursor.setPosition(length - 15);
  cursor.insertText(QStringLiteral("ZZZZZ"));
  EXPECT_EQ(ColorAt(&view_, length - 12), QColor(255, 0, 0));  // "ZZZZZ", in the red run
  EXPECT_EQ(ColorAt(&view_, length - 5), QColor(0, 0, 255));   // was at length - 10
  EXPECT_TRUE(reaches(length + 4));
}

TEST(RichEditExTest, ColoursStayOnTheirCharactersWhenALineIsEdited) {
  TRichEditEx view;
  view.LoadRtf(
      "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\\cf1 ab\\cf2 cd\\par "
      "x}");
  QTextCursor cursor(view.document());
  cursor.setPosition(1);
  cursor.insertText(QStringLiteral("ZZ"));  // inside the red run: red too
  EXPECT_EQ(view.toPlainText(), QStringLiteral("aZZbcd\nx"));
  EXPECT_EQ(ColorAt(&view, 2), QColor(255, 0, 0));
  EXPECT_EQ(ColorAt(&view, 4), QColor(0, 0, 255));  // "c" moved along
  cursor.setPosition(0);
  cursor.setPosition(4, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  EXPECT_EQ(view.toPlainText(), QStringLiteral("cd\nx"));
  EXPECT_EQ(ColorAt(&view, 0), QColor(0, 0, 255));
}

}  // namespace
}  // namespace kaplo::gui
