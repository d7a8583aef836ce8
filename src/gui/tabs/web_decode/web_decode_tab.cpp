#include "gui/tabs/web_decode/web_decode_tab.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "gui/tabs/web_decode/web_decode_text.h"
#include "gui/widgets/radio_group.h"
#include "text/sjis.h"
#include "text/webcode.h"

namespace kaplo::gui {
namespace {

QStringList DecodeItems(bool first_short) {
  return {first_short ? QStringLiteral("16進UTF-8")
                      : QStringLiteral("16進UTF-8（　例：%E3%82%A4・・　）"),
          QStringLiteral("16進UTF-8（ %25を除去）"),
          QStringLiteral("16進EUC"),
          QStringLiteral("Web16進ｺｰﾄﾞ "),
          QStringLiteral("UFT-8 "),
          QStringLiteral("JIS（ ISO-2022-JP ）"),
          QStringLiteral("Base64ｺｰﾄﾞ"),
          QStringLiteral("EUC")};
}

QStringList EncodeItems() {
  QStringList items = DecodeItems(true);
  items[1] = QStringLiteral("16進UTF-8");
  return items;
}

QPlainTextEdit* Memo(const QString& name, QWidget* parent) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setObjectName(name);
  return memo;
}

QPushButton* Button(const QString& name, const QString& caption, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  return b;
}

std::string SjisOf(const QPlainTextEdit* memo) { return MemoTextToSjis(memo->toPlainText()); }
void Show(QPlainTextEdit* memo, std::string_view sjis) { memo->setPlainText(SjisToMemoText(sjis)); }

}  // namespace

void WebDecodeTab::Build(TabContext& context) {
  setObjectName(QStringLiteral("PanelPGMainTab06WebDecode"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  auto* split = new QSplitter(Qt::Horizontal, this);
  split->addWidget(BuildPane(true));
  split->addWidget(BuildPane(false));
  layout->addWidget(split, 1);
  context.page->layout()->addWidget(this);
}

QWidget* WebDecodeTab::BuildPane(bool left) {
  auto* pane = new QWidget(this);
  const QString side = left ? QStringLiteral("Left") : QStringLiteral("Right");
  auto* v = new QVBoxLayout(pane);
  v->setContentsMargins(2, 2, 2, 2);
  QPlainTextEdit* src =
      Memo(left ? QStringLiteral("MemolPGMainTabab05WebDecodeLeftWebCodeOrgSrc")
                : QStringLiteral("MemolPGMainTabab05WebDecodeRightWebCodeConvSrc"),
           pane);
  QPlainTextEdit* result =
      Memo(left ? QStringLiteral("MemolPGMainTabab05WebDecodeLeftWebCodeOrgResult")
                : QStringLiteral("MemolPGMainTabab05WebDecodeRightWebCodeConvResult"),
           pane);
  auto* decode_group = new TRadioGroup(QStringLiteral("RadioGroupWeb") + side + "Decode",
                                       QStringLiteral("Decode"), DecodeItems(!left), 2, pane);
  auto* encode_group = new TRadioGroup(QStringLiteral("RadioGroupWeb") + side + "Encode",
                                       QStringLiteral("Encode"), EncodeItems(), 2, pane);
  decode_group->SetItemIndex(0);
  encode_group->SetItemIndex(0);
  auto* decode =
      Button(QStringLiteral("btnWebCode") + side + "Decode", QStringLiteral("Decode"), pane);
  auto* encode =
      Button(QStringLiteral("btnWebCode") + side + "Encode", QStringLiteral("Encode"), pane);
  auto* paste =
      Button(QStringLiteral("btnWebCode") + side + "Paste", QStringLiteral("貼付け"), pane);
  auto* clear_top =
      Button(QStringLiteral("btnWebCode") + side + "TopClear", QStringLiteral("上ｸﾘｱ"), pane);
  auto* clear_bottom = Button(left ? QStringLiteral("btnWebCodeCodeLeftBottomClear")
                                   : QStringLiteral("btnWebCodeRightBottomClear"),
                              QStringLiteral("下ｸﾘｱ"), pane);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {decode, encode, paste, clear_top, clear_bottom}) buttons->addWidget(b);
  buttons->addStretch();
  if (!left) {
    auto* exit = Button(QStringLiteral("sbWebCodeExit"), QStringLiteral("終了"), pane);
    exit->setToolTip(QStringLiteral("終了"));
    buttons->addWidget(exit);
    connect(exit, &QPushButton::clicked, this, &WebDecodeTab::sbWebCodeExitClick);
  }
  // One above the other: side by side they would widen half the window.
  auto* groups = new QVBoxLayout;
  groups->addWidget(decode_group);
  groups->addWidget(encode_group);
  v->addWidget(src, 1);
  v->addLayout(buttons);
  v->addLayout(groups);
  v->addWidget(result, 1);

  (left ? left_src_ : right_src_) = src;
  (left ? left_result_ : right_result_) = result;
  (left ? left_decode_ : right_decode_) = decode_group;
  (left ? left_encode_ : right_encode_) = encode_group;
  using Handler = void (WebDecodeTab::*)();
  static constexpr Handler kLeft[] = {
      &WebDecodeTab::btnWebCodeLeftDecodeClick, &WebDecodeTab::btnWebCodeLeftEncodeClick,
      &WebDecodeTab::btnWebCodeLeftPasteClick, &WebDecodeTab::btnWebCodeLeftTopClearClick,
      &WebDecodeTab::btnWebCodeCodeLeftBottomClearClick};
  static constexpr Handler kRight[] = {
      &WebDecodeTab::btnWebCodeRightDecodeClick, &WebDecodeTab::btnWebCodeRightEncodeClick,
      &WebDecodeTab::btnWebCodeRightPasteClick, &WebDecodeTab::btnWebCodeRightTopClearClick,
      &WebDecodeTab::btnWebCodeRightBottomClearClick};
  QPushButton* const in_order[] = {decode, encode, paste, clear_top, clear_bottom};
  for (int i = 0; i < 5; ++i) {
    connect(in_order[i], &QPushButton::clicked, this, (left ? kLeft : kRight)[i]);
  }
  return pane;
}

void WebDecodeTab::sbWebCodeExitClick() { window()->close(); }

void WebDecodeTab::btnWebCodeLeftDecodeClick() {
  Show(right_src_, WebCodeDecode(SjisOf(left_src_), left_decode_->ItemIndex()));
}

void WebDecodeTab::btnWebCodeLeftEncodeClick() {
  const std::string s = WebCodeEncode(SjisOf(left_src_), left_encode_->ItemIndex());
  Show(right_src_, s);
  Show(right_result_, LowerAscii(s));
}

void WebDecodeTab::btnWebCodeRightDecodeClick() {
  Show(left_result_, WebCodeDecode(SjisOf(right_src_), right_decode_->ItemIndex()));
}

void WebDecodeTab::btnWebCodeRightEncodeClick() {
  const std::string s = WebCodeEncode(SjisOf(right_src_), right_encode_->ItemIndex());
  Show(left_result_, s);
  Show(right_result_, UpperAscii(s));
}

void WebDecodeTab::btnWebCodeLeftPasteClick() {
  left_src_->setPlainText(QApplication::clipboard()->text());
}

void WebDecodeTab::btnWebCodeRightPasteClick() {
  right_src_->setPlainText(QApplication::clipboard()->text());
}

void WebDecodeTab::btnWebCodeLeftTopClearClick() { left_src_->clear(); }
void WebDecodeTab::btnWebCodeCodeLeftBottomClearClick() { left_result_->clear(); }
void WebDecodeTab::btnWebCodeRightTopClearClick() { right_src_->clear(); }
void WebDecodeTab::btnWebCodeRightBottomClearClick() { right_result_->clear(); }

}  // namespace kaplo::gui
