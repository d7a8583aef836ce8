// Helpers for the source view tests: waiting for a colouring and reading
// the colour a view draws a character in.
#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextDocument>

#include "gui/widgets/rich_edit_ex.h"

namespace kaplo::gui {

inline ::testing::AssertionResult WaitColorized(TRichEditEx* view) {
  QSignalSpy spy(view, &TRichEditEx::colorized);
  if (spy.wait(10000)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no colouring arrived";
}

// The foreground the line formats give the character at position (an
// invalid colour for one they leave alone).
inline QColor ColorAt(const TRichEditEx* view, int position) {
  const QTextBlock block = view->document()->findBlock(position);
  const int column = position - block.position();
  QColor color;
  for (const auto& range : view->LineFormatsOf(block.blockNumber())) {
    if (column >= range.start && column < range.start + range.length) {
      color = range.format.foreground().color();
    }
  }
  return color;
}

}  // namespace kaplo::gui
