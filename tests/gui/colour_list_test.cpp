// The colour list beside a stylesheet pane: its entries in both modes, the
// swatch each entry is painted on, a click that searches the pane, clear
// and the automatic list after a load.
#include "gui/widgets/colour_list.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QVBoxLayout>
#include <memory>

#include "gui/widgets/keyword_bar.h"
#include "gui/widgets/rich_edit_ex.h"
#include "view/css_colors.h"
#include "support/window_support.h"

namespace kaplo::gui {
namespace {


const char* kSheet =
    "body {\n  color: #333;\n  background:#FFFFFF url(bg.gif);\n}\nh1,h2 { color:#c00 }\n"
    "a:hover{color:#0000ff}\n.x{color:#fff8}\n";

class ColourListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    page_ = std::make_unique<QWidget>();
    page_->setLayout(new QVBoxLayout);
    view_ = new TRichEditEx(page_.get());
    bar_ = AddPaneWithBar(page_.get(), view_, "ComboBoxLocalIndivCSSSearch");
    panel_ = new ColourListPanel(
        ColourListRowOf("ListBoxListBoxPGMainTab03LocalLeftTab02IndivCSSSColorList"), bar_,
        page_.get());
    page_->layout()->addWidget(panel_);
    view_->setPlainText(U(kSheet));
    page_->resize(900, 500);
    page_->show();
  }
  QStringList Entries() const {
    QStringList out;
    for (int i = 0; i < panel_->List()->count(); ++i) out << panel_->List()->item(i)->text();
    return out;
  }

  std::unique_ptr<QWidget> page_;
  TRichEditEx* view_ = nullptr;
  KeywordBar* bar_ = nullptr;
  ColourListPanel* panel_ = nullptr;
};

TEST_F(ColourListTest, ListsColoursWithSelectorsOrSortedAndDistinct) {
  panel_->Create();
  EXPECT_EQ(Entries(), (QStringList{U("#333         body"), U("#FFFFFF      body"),
                                    U("#c00         h1,h2"), U("#0000ff      a:hover"),
                                    U("#fff8        .x")}));
  panel_->Sorted()->setChecked(true);
  panel_->Create();
  EXPECT_EQ(Entries(), (QStringList{U("#0000ff     "), U("#333        "), U("#c00        "),
                                    U("#fff8       "), U("#FFFFFF     ")}));
}

TEST_F(ColourListTest, SwatchesShowTheColourCssMeans) {
  struct Case {
    const char* value;
    std::int32_t want;  // 0x00BBGGRR
  } cases[] = {
      {"#fff", 0xFFFFFF}, {"#c00", 0x0000CC},     {"#fff8", 0xFFFFFF},  {"#0000ff", 0xFF0000},
      {"#11223380", 0x332211}, {"#12345", 0x452301}, {"#", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(CssSwatchColor(c.value), c.want) << c.value;

  panel_->Create();
  QListWidget* list = panel_->List();
  const QImage shot = list->grab().toImage();
  const auto swatch = [&](int row) {
    const QRect r = list->visualItemRect(list->item(row));
    const QPoint at = list->viewport()->mapTo(list, QPoint(list->viewport()->width() - 3,
                                                            r.center().y()));
    return QColor(shot.pixel(at * shot.devicePixelRatio()));
  };
  EXPECT_EQ(swatch(0), QColor(0x33, 0x33, 0x33));
  EXPECT_EQ(swatch(2), QColor(0xCC, 0x00, 0x00));
  EXPECT_EQ(swatch(4), QColor(0xFF, 0xFF, 0xFF));
}

TEST_F(ColourListTest, ClickSearchesTheSelectorAndClearEmptiesTheRow) {
  panel_->Create();
  panel_->List()->setCurrentRow(2);
  panel_->ClickEntry();
  EXPECT_EQ(panel_->ColourEdit()->text(), U("#c00"));
  EXPECT_EQ(bar_->Input()->currentText(), U("h1 h2"));
  EXPECT_EQ(bar_->Results()->count(), 2);

  panel_->Clear();
  EXPECT_EQ(panel_->List()->count(), 0);
  EXPECT_EQ(bar_->Results()->count(), 0);
  EXPECT_TRUE(panel_->ColourEdit()->text().isEmpty());
  EXPECT_TRUE(bar_->Input()->currentText().isEmpty());

  panel_->DontCreate()->setChecked(true);
  panel_->Loaded();
  EXPECT_EQ(panel_->List()->count(), 0);
  panel_->DontCreate()->setChecked(false);
  panel_->Loaded();
  EXPECT_EQ(panel_->List()->count(), 5);
}

}  // namespace
}  // namespace kaplo::gui
