// Colouring a view: the colours are the core's, the caret and the scroll
// stay, stale colourings are dropped.
#include "gui/widgets/colorize_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

#include "gui/widgets/view_text.h"
#include "text/sjis_literal.h"
#include "view/html_rtf.h"
#include "view/html_tokenizer.h"
#include "view_test_support.h"

namespace kaplo::gui {
namespace {

QColor PaletteColor(int entry) {
  if (entry == 0) return QColor(0, 0, 0);
  const RtfColor c = kHtmlDefaultPalette[static_cast<std::size_t>(entry - 1)];
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

// Lets every worker finish and every queued result arrive.
void Settle() {
  QThreadPool::globalInstance()->waitForDone();
  QApplication::processEvents();
}

TEST(ColorizeViewTest, EveryCharacterGetsTheColourOfItsToken) {
  // Japanese text, a character Shift_JIS lacks (two UTF-16 units), half-width
  // katakana, an entity, a comment over two lines, a script line.
  const std::string html = "<html lang=ja>\r\n<p class=\"x\">" + SJ<"日本語">() + "&amp;" +
                           SJ<"ｶﾅ">() + "</p><!-- one\r\ntwo --><br>\r\n" +
                           "<script>// note {x}\r\n</script>";
  TRichEditEx view;
  view.SetSjisText(html);
  QTextCursor(view.document()->findBlockByNumber(1)).insertText(QString::fromUtf8("😀"));
  ColorizeView(&view, ColorizeMode::kKeepCaret);
  ASSERT_TRUE(WaitColorized(&view));

  const QString text = view.toPlainText();
  const ViewSjis sjis = ViewTextToSjis(text);
  ASSERT_EQ(sjis.bytes.substr(0, 16), "<html lang=ja>\n?");
  int checked = 0;
  for (const HtmlColorSpan& span : HtmlColorSpans(sjis.bytes)) {
    for (std::size_t b = span.offset; b < span.offset + span.length; ++b) {
      if (sjis.bytes[b] == '\n') continue;
      const int position = sjis.pos[b];
      ASSERT_EQ(ColorAt(&view, position), PaletteColor(span.color_index))
          << "character " << position << " of " << text.toStdString();
      ++checked;
    }
  }
  EXPECT_GT(checked, 60);
  EXPECT_EQ(ColorAt(&view, text.indexOf(QStringLiteral("two"))), QColor(128, 0, 0));
  EXPECT_EQ(ColorAt(&view, text.indexOf(QStringLiteral("// note"))), QColor(128, 0, 0));
}

TEST(ColorizeViewTest, KeepsCaretAndScrollAndIsNoEdit) {
  QStringList lines;
  for (int i = 0; i < 300; ++i) lines << QStringLiteral("<td class=c%1>cell %1</td>").arg(i);
  TRichEditEx view;
  view.setLineWrapMode(QPlainTextEdit::NoWrap);
  view.resize(500, 300);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  view.setPlainText(lines.join(QLatin1Char('\n')));
  view.document()->clearUndoRedoStacks();
  QTextCursor cursor = view.textCursor();
  cursor.setPosition(view.document()->findBlockByNumber(120).position() + 3);
  view.setTextCursor(cursor);
  view.SetFirstVisibleLine(110);
  QApplication::processEvents();
  const int caret = view.textCursor().position();
  ASSERT_EQ(view.FirstVisibleLine(), 110);

  QSignalSpy edits(&view, &QPlainTextEdit::textChanged);
  ColorizeView(&view, ColorizeMode::kKeepCaret);
  ASSERT_TRUE(WaitColorized(&view));
  QApplication::processEvents();
  EXPECT_EQ(view.textCursor().position(), caret);
  EXPECT_EQ(view.FirstVisibleLine(), 110);
  EXPECT_EQ(edits.count(), 0);
  EXPECT_FALSE(view.document()->isUndoAvailable());
  EXPECT_FALSE(view.document()->isModified());
  EXPECT_TRUE(ColorAt(&view, view.document()->findBlockByNumber(299).position()).isValid());

  ColorizeView(&view, ColorizeMode::kToTop);
  ASSERT_TRUE(WaitColorized(&view));
  EXPECT_EQ(view.textCursor().position(), 0);
  EXPECT_EQ(view.FirstVisibleLine(), 0);
}

TEST(ColorizeViewTest, EmptyViewIsLeftAlone) {
  TRichEditEx view;
  const quint64 request = view.ColorRequest();
  ColorizeView(&view, ColorizeMode::kToTop);
  ColorizeViewChecked(&view, ColorizeMode::kKeepCaret);
  EXPECT_EQ(view.ColorRequest(), request);
}

TEST(ColorizeViewTest, StaleColouringsAreDroppedOrRedone) {
  TRichEditEx view;
  QSignalSpy done(&view, &TRichEditEx::colorized);
  // Reset after the request: the colours never arrive.
  view.setPlainText(QStringLiteral("<b>x</b>"));
  ColorizeView(&view, ColorizeMode::kKeepCaret);
  ResetViewColors(&view);
  Settle();
  EXPECT_EQ(done.count(), 0);
  EXPECT_FALSE(ColorAt(&view, 0).isValid());

  // Of two requests only the newer lands.
  ColorizeView(&view, ColorizeMode::kKeepCaret);
  ColorizeView(&view, ColorizeMode::kKeepCaret);
  Settle();
  EXPECT_EQ(done.count(), 1);

  // An edit while the colours are worked out: they are worked out again.
  done.clear();
  ColorizeView(&view, ColorizeMode::kKeepCaret);
  view.setPlainText(QStringLiteral("text <i>y</i>"));
  ASSERT_TRUE(WaitColorized(&view));
  EXPECT_EQ(ColorAt(&view, 5), QColor(255, 0, 255));  // "<" of the new text
  EXPECT_EQ(ColorAt(&view, 6), QColor(255, 0, 0));

  ResetViewColors(&view);
  EXPECT_FALSE(ColorAt(&view, 5).isValid());
  EXPECT_EQ(view.textCursor().position(), 0);
}

TEST(ColorizeViewTest, ShowColoredPutsShiftJisTextInAndColoursItFromTheTop) {
  TRichEditEx view;
  ShowColored(&view, SJ<"<b>表</b>">());
  ASSERT_TRUE(WaitColorized(&view));
  EXPECT_EQ(view.toPlainText(), QString::fromUtf8("<b>表</b>"));
  EXPECT_EQ(ColorAt(&view, 3), QColor(0, 0, 255));
}

}  // namespace
}  // namespace kaplo::gui
