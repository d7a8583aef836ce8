// The web code tab: the memo edge (line ends, bytes that are no Shift_JIS)
// and every button, in the window.
#include "gui/tabs/web_decode/web_decode_tab.h"
#include "gui/common/require.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>

#include "gui/tabs/web_decode/web_decode_text.h"
#include "gui/widgets/radio_group.h"
#include "gui/window/main_form.h"
#include "support/window_support.h"
#include "text/convert.h"

namespace kaplo::gui {
namespace {

const QChar kBad(QChar::ReplacementCharacter);

TEST(WebDecodeText, LineEndsAndBadBytesAtTheMemoEdge) {
  struct Case {
    std::string sjis;
    QString shown;
  };
  for (const Case& c : {
           Case{"a\r\nb", "a\nb"},
           Case{"a\r\r\nb\r\r\n", "a\nb\n"},  // a decode's CR CR LF is one line end
           Case{"a\rb\nc", "a\nb\nc"},
           Case{"a\r\rb", "a\n\nb"},
           Case{"\x82\xA0", QString::fromUtf8("あ")},
           Case{"\x82\r\n", QString(kBad) + "\n"},  // a lead byte without its second byte
           Case{std::string("x\0y", 3), QString("x") + kBad + "y"},
           Case{"\xFF", QString(kBad)},
       }) {
    EXPECT_EQ(SjisToMemoText(c.sjis), c.shown) << c.sjis;
  }
  EXPECT_EQ(MemoTextToSjis(QString::fromUtf8("あ\nb")), "\x82\xA0\r\nb");
}

class WebDecodeTabTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = OpenTestWindow(dir_ / "KAPLO.inf");
    form_->show();
    form_->ShowTab(TabId::WebDecode);
  }
  template <typename T = QPlainTextEdit>
  T* W(const char* name) {
    return Find<T>(form_.get(), name);
  }
  void Click(const char* name) { W<QPushButton>(name)->click(); }
  void Code(const char* group, int index) { W<TRadioGroup>(group)->SetItemIndex(index); }

  TestFolder dir_{"webdecode"};
  std::unique_ptr<TAMainForm> form_;
};

constexpr char kLeftSrc[] = "MemolPGMainTabab05WebDecodeLeftWebCodeOrgSrc";
constexpr char kLeftResult[] = "MemolPGMainTabab05WebDecodeLeftWebCodeOrgResult";
constexpr char kRightSrc[] = "MemolPGMainTabab05WebDecodeRightWebCodeConvSrc";
constexpr char kRightResult[] = "MemolPGMainTabab05WebDecodeRightWebCodeConvResult";

TEST_F(WebDecodeTabTest, EachButtonConvertsWithItsPanesGroups) {
  ASSERT_NE(dynamic_cast<WebDecodeTab*>(form_->TabAt(TabId::WebDecode)), nullptr);
  EXPECT_EQ(W<TRadioGroup>("RadioGroupWebLeftDecode")->Count(), 8);
  EXPECT_EQ(W<TRadioGroup>("RadioGroupWebRightEncode")->Count(), 8);

  W(kLeftSrc)->setPlainText("%E3%81%82+%41");
  Click("btnWebCodeLeftDecode");
  EXPECT_EQ(W(kRightSrc)->toPlainText(), QString::fromUtf8("あ A"));

  // The encoding as it came on top, lower-cased below.
  W(kLeftSrc)->setPlainText(QString::fromUtf8("Aあ"));
  Code("RadioGroupWebLeftEncode", 0);
  Click("btnWebCodeLeftEncode");
  EXPECT_EQ(W(kRightSrc)->toPlainText(), "A%e3%81%82");
  EXPECT_EQ(W(kRightResult)->toPlainText(), "a%e3%81%82");

  W(kRightSrc)->setPlainText(QString::fromUtf8("あ"));
  Code("RadioGroupWebRightEncode", 3);  // the Shift_JIS bytes
  Click("btnWebCodeRightEncode");
  EXPECT_EQ(W(kLeftResult)->toPlainText(), "%82%a0");
  EXPECT_EQ(W(kRightResult)->toPlainText(), "%82%A0");

  // EUC there and back with line ends: the decode's CR CR LF shows as one
  // line end.
  W(kLeftSrc)->setPlainText(QString::fromUtf8("a\nあい\nb"));
  Code("RadioGroupWebLeftEncode", 7);
  Click("btnWebCodeLeftEncode");
  EXPECT_EQ(W(kRightSrc)->toPlainText(), QString::fromUtf8("a\n､｢､､\nb"));
  Code("RadioGroupWebRightDecode", 7);
  Click("btnWebCodeRightDecode");
  EXPECT_EQ(W(kLeftResult)->toPlainText(), QString::fromUtf8("a\nあい\nb"));

  // Percent-coded bytes that are no Shift_JIS show one replacement each.
  W(kRightSrc)->setPlainText("%82%FFz");
  Code("RadioGroupWebRightDecode", 3);
  Click("btnWebCodeRightDecode");
  EXPECT_EQ(W(kLeftResult)->toPlainText(), QString(kBad) + kBad + "z");
}

TEST_F(WebDecodeTabTest, PasteAndClearButtons) {
  QApplication::clipboard()->setText(QString::fromUtf8("貼る"));
  Click("btnWebCodeLeftPaste");
  Click("btnWebCodeRightPaste");
  EXPECT_EQ(W(kLeftSrc)->toPlainText(), QString::fromUtf8("貼る"));
  EXPECT_EQ(W(kRightSrc)->toPlainText(), QString::fromUtf8("貼る"));
  W(kLeftResult)->setPlainText("x");
  W(kRightResult)->setPlainText("y");
  const std::pair<const char*, const char*> clears[] = {
      {"btnWebCodeLeftTopClear", kLeftSrc},
      {"btnWebCodeCodeLeftBottomClear", kLeftResult},
      {"btnWebCodeRightTopClear", kRightSrc},
      {"btnWebCodeRightBottomClear", kRightResult},
  };
  for (const auto& [button, memo] : clears) {
    Click(button);
    EXPECT_TRUE(W(memo)->toPlainText().isEmpty()) << button;
  }
}

}  // namespace
}  // namespace kaplo::gui
