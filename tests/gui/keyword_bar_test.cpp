// The keyword bar of a source pane: what a search lists and colours, where
// it leaves the caret, what a click on an entry does, and Enter.
#include "gui/widgets/keyword_bar.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTextBlock>
#include <QVBoxLayout>
#include <memory>

#include "gui/widgets/rich_edit_ex.h"
#include "view_test_support.h"
#include "support/window_support.h"

namespace kaplo::gui {
namespace {


QStringList Entries(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

class KeywordBarTest : public ::testing::Test {
 protected:
  void Make(const char* input) {
    page_ = std::make_unique<QWidget>();
    page_->setLayout(new QVBoxLayout);
    view_ = new TRichEditEx(page_.get());
    bar_ = AddPaneWithBar(page_.get(), view_, input);
    bar_->SetStatusSink([this](const QString& s) { status_ = s; });
    page_->resize(800, 400);
    page_->show();
  }
  void SetUp() override { Make("ComboBoxDLHTMLSearch"); }

  std::unique_ptr<QWidget> page_;
  TRichEditEx* view_ = nullptr;
  KeywordBar* bar_ = nullptr;
  QString status_;
};

TEST_F(KeywordBarTest, ControlsCarryTheirRowNames) {
  for (const KeywordBarRow& row : SourceKeywordBars()) {
    QWidget page;
    page.setLayout(new QVBoxLayout);
    AddPaneWithBar(&page, new TRichEditEx(&page), row.input);
    for (const char* name : {row.input, row.search, row.paste, row.results, row.label}) {
      EXPECT_NE(page.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    }
    EXPECT_EQ(row.recolor != nullptr,
              row.recolor && page.findChild<QWidget*>(QString::fromLatin1(row.recolor)));
  }
}

TEST_F(KeywordBarTest, ListsHitsGroupedByKeywordAndColoursThem) {
  // Line 2 holds "ソ", whose second byte is a backslash: "\" must not match it.
  view_->setPlainText(U("abc def abc\nソ\\ def\n  xyz"));
  bar_->SearchFor(U("abc　def \\ none"));
  EXPECT_EQ(Entries(bar_->Results()),
            (QStringList{U("   1/01"), U("   1/09"), U("   1/05"), U("   2/05"), U("   2/03")}));
  // Keyword 1 red, 2 magenta, 3 (the backslash, one hit after ソ) teal, all bold.
  EXPECT_EQ(ColorAt(view_, 0), QColor(255, 0, 0));
  EXPECT_EQ(ColorAt(view_, 4), QColor(255, 0, 255));
  const int line2 = view_->document()->findBlockByNumber(1).position();
  EXPECT_FALSE(ColorAt(view_, line2).isValid());
  EXPECT_EQ(ColorAt(view_, line2 + 1), QColor(0, 128, 128));
  EXPECT_FALSE(ColorAt(view_, 3).isValid());
  for (const auto& range : view_->LineFormatsOf(0)) {
    EXPECT_EQ(range.format.fontWeight(), QFont::Bold);
  }
  // The caret rests on the first hit of the last keyword found.
  EXPECT_EQ(view_->textCursor().position(), line2 + 1);
}

TEST_F(KeywordBarTest, OnlyTheFirstEightKeywordsAndANewSearchReplacesTheOld) {
  view_->setPlainText(U("a b c d e f g h i"));
  bar_->SearchFor(U("a b c d e f g h i"));
  EXPECT_EQ(bar_->Results()->count(), 8);
  EXPECT_FALSE(ColorAt(view_, 16).isValid());
  // An empty first keyword still starts a fresh list, and the old colours go.
  bar_->SearchFor(U(",h"));
  EXPECT_EQ(Entries(bar_->Results()), QStringList{U("   1/15")});
  EXPECT_FALSE(ColorAt(view_, 0).isValid());
  EXPECT_EQ(ColorAt(view_, 14), QColor(255, 0, 255));
}

TEST_F(KeywordBarTest, ClickMovesTheCaretByByteColumnAndFillsLabelAndStatus) {
  QString text;
  for (int i = 1; i < 1234; ++i) text += QStringLiteral("line\n");
  // Column 5 in bytes is character 3: the two kana before it take two bytes each.
  text += U("日本key");
  for (int i = 0; i < 100; ++i) text += QStringLiteral("\nline");
  view_->setPlainText(text);
  bar_->SearchFor(U("key"));
  ASSERT_EQ(Entries(bar_->Results()), QStringList{U("1234/05")});
  QTextCursor c = view_->textCursor();
  c.setPosition(0);
  view_->setTextCursor(c);
  bar_->ClickEntry(bar_->Results()->item(0));
  EXPECT_EQ(view_->textCursor().position(),
            view_->document()->findBlockByNumber(1233).position() + 2);
  EXPECT_EQ(bar_->Label()->text(), U("1234/05"));
  EXPECT_EQ(status_, U(" 行[  1234 ]    列[ 5 ]"));
  EXPECT_EQ(view_->FirstVisibleLine(), 1233);
}

TEST_F(KeywordBarTest, EnterSearchesOnlyWhereTheRowSaysSo) {
  for (const char* input : {"ComboBoxDLHTMLSearch", "EditGUIJSSearchKeyword"}) {
    Make(input);
    view_->setPlainText(QStringLiteral("abc"));
    bar_->Input()->setEditText(QStringLiteral("abc"));
    QTest::keyClick(bar_->Input()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(bar_->Results()->count(), KeywordBarRowOf(input).enter_searches ? 1 : 0) << input;
  }
}

}  // namespace
}  // namespace kaplo::gui
