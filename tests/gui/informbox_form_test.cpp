// The information window: its label and two memos, shown modally.
#include "gui/widgets/informbox_form.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>
#include <QToolButton>

#include "gui/widgets/rich_edit_ex.h"
#include "text/sjis_literal.h"
#include "view_test_support.h"

namespace kaplo::gui {
namespace {

TEST(InformboxFormTest, ShowsTheLabelAndTheColouredTextModally) {
  TInformboxForm box;
  EXPECT_EQ(box.windowTitle(), QString::fromUtf8("\u3000\u3000情報ボックス "));
  EXPECT_EQ(box.LabelInfo()->text(), QString::fromUtf8(" 情報ｂｏｘ "));
  EXPECT_TRUE(box.isModal());
  EXPECT_EQ(box.MemoTop()->objectName(), QStringLiteral("MemoMemoNSHTTPGetFile"));
  EXPECT_EQ(box.MemoBottom()->objectName(), QStringLiteral("MemoNSHTTPGet"));

  box.MemoBottom()->setPlainText(QStringLiteral("old header lines"));
  const std::string page = "<meta http-equiv=refresh content=\"0;url=b.html\">\r\n" + SJ<"移動">();
  QTimer::singleShot(0, &box, [&box] {
    // Still open while the user reads it; the close button ends it.
    EXPECT_TRUE(box.isVisible());
    box.findChild<QToolButton*>(QStringLiteral("sbClose"))->click();
  });
  box.ShowInformation(SJ<"リダイレクト\r\nされています">(), page);
  EXPECT_FALSE(box.isVisible());
  EXPECT_EQ(box.LabelInfo()->text(), QString::fromUtf8("リダイレクト\nされています"));
  EXPECT_EQ(box.MemoTop()->toPlainText(),
            QString::fromUtf8("<meta http-equiv=refresh content=\"0;url=b.html\">\n移動"));
  EXPECT_TRUE(box.MemoBottom()->toPlainText().isEmpty());
  if (!ColorAt(box.MemoTop(), 0).isValid()) ASSERT_TRUE(WaitColorized(box.MemoTop()));
  EXPECT_EQ(ColorAt(box.MemoTop(), 1), QColor(255, 0, 0));  // "meta"
  EXPECT_EQ(box.MemoTop()->textCursor().position(), 0);
}

}  // namespace
}  // namespace kaplo::gui
