// The floating source window: its text, colours and remembered bounds.
#include "gui/widgets/form_source.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "gui/widgets/rich_edit_ex.h"
#include "shell/settings.h"
#include "text/sjis_literal.h"
#include "view_test_support.h"

namespace kaplo::gui {
namespace {

namespace fs = std::filesystem;

TEST(FormSourceTest, ShowsTextColouredOrBlack) {
  TFormSource form;
  EXPECT_EQ(form.windowTitle(),
            QString::fromUtf8("選択したオブジェクトの部分ＨＴＭＬソースの表示"));
  EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
  TRichEditEx* view = form.RichEditSource();
  form.SetFormSource(SJ<"<div>部分</div>">());
  ASSERT_TRUE(WaitColorized(view));
  EXPECT_EQ(view->toPlainText(), QString::fromUtf8("<div>部分</div>"));
  EXPECT_EQ(ColorAt(view, 1), QColor(255, 0, 0));
  EXPECT_EQ(view->viewportMargins(), QMargins(40, 0, 30, 0));

  form.findChild<QPushButton*>(QStringLiteral("btnTextBlack"))->click();
  EXPECT_FALSE(ColorAt(view, 1).isValid());
  form.findChild<QPushButton*>(QStringLiteral("btnMakeColor"))->click();
  ASSERT_TRUE(WaitColorized(view));
  EXPECT_EQ(ColorAt(view, 1), QColor(255, 0, 0));

  form.findChild<QCheckBox*>(QStringLiteral("CheckBoxColor"))->setChecked(false);
  form.SetFormSource("<p>plain</p>");
  EXPECT_FALSE(ColorAt(view, 1).isValid());
  form.findChild<QToolButton*>(QStringLiteral("sbClear"))->click();
  EXPECT_TRUE(view->toPlainText().isEmpty());
}

TEST(FormSourceTest, BoundsComeFromTheSettingsFileWhenAboveZero) {
  const fs::path ini =
      fs::temp_directory_path() / ("kaplo-form-source-" + std::to_string(::getpid()) + ".inf");
  std::ofstream(ini) << "[FormSource]\r\nTop=0\r\nLeft=0\r\nWidth=0\r\nHeight=333\r\n";
  TFormSource form;
  const int designed_width = form.width();
  form.SetSettingsFile(ini);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_EQ(form.width(), designed_width);
  EXPECT_EQ(form.height(), 333);

  form.resize(form.minimumSizeHint().width() + 50, 400);
  form.findChild<QToolButton*>(QStringLiteral("sbAppearanceThisPosition"))->click();
  const std::optional<WindowBounds> saved = ReadFormSourceBounds(ini);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->width, form.width());
  EXPECT_EQ(saved->height, 400);
  EXPECT_EQ(saved->left, form.x());
  EXPECT_EQ(saved->top, form.y());
  form.close();
  EXPECT_FALSE(form.isVisible());
  fs::remove(ini);
}

}  // namespace
}  // namespace kaplo::gui
