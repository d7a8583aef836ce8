// The comparison pane: a file beside the page's HTML source, its differing
// lines marked from the core's line diff.
#include <QColor>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <algorithm>

#include "gui/common/tab.h"
#include "gui/tabs/local_page/local_page_tab.h"
#include "gui/widgets/rich_edit_ex.h"
#include "view/line_diff.h"

namespace kaplo::gui {

int LocalPageTab::CompareWithHtmlSource() {
  TRichEditEx* ref = file_views_.at(FilePane::Ref).get();
  const std::string source = html_->SjisText();
  const std::string other = ref->SjisText();
  const LineDiff diff = DiffLines(SplitLines(source), SplitLines(other));

  QTextCharFormat mark;
  mark.setBackground(QColor(255, 228, 160));
  mark.setProperty(QTextFormat::FullWidthSelection, true);
  QList<QTextEdit::ExtraSelection> marks;
  difference_lines_.clear();
  difference_ = -1;
  const int lines = ref->document()->blockCount();
  for (const DiffHunk& h : diff.hunks) {
    // A deletion has no line of its own here: the line after it is marked.
    const int first = std::min(static_cast<int>(h.b_begin), lines - 1);
    const int end = std::max(static_cast<int>(h.b_end), first + 1);
    difference_lines_.push_back(first);
    for (int line = first; line < end && line < lines; ++line) {
      QTextEdit::ExtraSelection s;
      s.format = mark;
      s.cursor = QTextCursor(ref->document()->findBlockByNumber(line));
      marks << s;
    }
  }
  ref->setExtraSelections(marks);
  const int places = static_cast<int>(diff.hunks.size());
  host_->SetStatusPanel(2, places == 0 ? QStringLiteral(" 差分はありません")
                                       : QStringLiteral(" 差分 %1 箇所").arg(places));
  return places;
}

void LocalPageTab::StepDifference(int direction) {
  const int places = static_cast<int>(difference_lines_.size());
  if (places == 0) return;
  difference_ = difference_ < 0 ? (direction > 0 ? 0 : places - 1)
                                : (difference_ + direction + places) % places;
  TRichEditEx* ref = file_views_.at(FilePane::Ref).get();
  QTextCursor at(ref->document()->findBlockByNumber(difference_lines_[difference_]));
  ref->setTextCursor(at);
  ref->centerCursor();
  host_->SetStatusPanel(2, QStringLiteral(" 差分 %1 / %2").arg(difference_ + 1).arg(places));
}

}  // namespace kaplo::gui
