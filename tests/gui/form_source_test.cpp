// The floating source window: its text, colours and remembered bounds.
#include "gui/widgets/form_source.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "gui/widgets/rich_edit_ex.h"
#include "shell/settings.h"
#include "text/sjis_literal.h"
#include "gui/window/main_form.h"
#include "support/window_support.h"
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

// The window's one source window: made at start-up, apart from the main
// window, shown and hidden by ToolButtonOpenHTMLSource and by the analysis
// tab's button alike, and placed where the settings file says.
TEST(FormSourceTest, TheWindowsSourceWindowKeepsItsPlaceThroughTheSettingsFile) {
  const TestFolder dir("form-source");
  const fs::path ini = dir / "KAPLO.inf";
  std::ofstream(ini) << "[FormSource]\r\nTop=40\r\nLeft=30\r\nWidth=0\r\nHeight=333\r\n";
  auto form = OpenTestWindow(ini);
  form->show();
  TFormSource* source = form->SourceWindow();
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->parentWidget(), nullptr);
  EXPECT_FALSE(source->isVisible());
  const int designed_width = source->width();

  auto* open = Find<QToolButton>(form.get(), "ToolButtonOpenHTMLSource");
  open->click();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(source));
  // 0 keeps the designed width; the rest comes from the file.
  EXPECT_EQ(source->width(), designed_width);
  EXPECT_EQ(source->height(), 333);
  EXPECT_EQ(source->pos(), QPoint(30, 40));

  // "この位置に、このｻｲｽﾞで出現させる" writes the place it has now.
  source->setGeometry(60, 70, source->minimumSizeHint().width() + 50, 400);
  Find<QToolButton>(source, "sbAppearanceThisPosition")->click();
  const std::optional<WindowBounds> saved = ReadFormSourceBounds(ini);
  ASSERT_TRUE(saved);
  EXPECT_EQ(*saved, (WindowBounds{source->y(), source->x(), source->width(), 400}));
  open->click();
  EXPECT_FALSE(source->isVisible());

  // The analysis tab shows the same window; the settings the main window
  // writes when it closes keep the place.
  form->ShowTab(TabId::GuiAnalysis);
  Find<QToolButton>(form.get(), "sbGUIFormSource")->click();
  EXPECT_TRUE(source->isVisible());
  form->close();
  form.reset();
  auto again = OpenTestWindow(ini);
  again->show();
  Find<QToolButton>(again.get(), "ToolButtonOpenHTMLSource")->click();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(again->SourceWindow()));
  EXPECT_EQ(again->SourceWindow()->pos(), QPoint(saved->left, saved->top));
  EXPECT_EQ(again->SourceWindow()->size(), QSize(saved->width, 400));
}

}  // namespace
}  // namespace kaplo::gui
