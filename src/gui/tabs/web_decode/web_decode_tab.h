// The web code tab: text converted by hand between Shift_JIS and the
// percent, Base64, EUC, JIS and UTF-8 forms.
#pragma once

#include <QWidget>

#include "gui/common/tab.h"

class QPlainTextEdit;

namespace kaplo::gui {

class TRadioGroup;

class WebDecodeTab : public QWidget, public Tab {
  Q_OBJECT

 public:
  WebDecodeTab() = default;

  // Tab
  void Build(TabContext& context) override;

  QPlainTextEdit* LeftSrc() const { return left_src_; }
  QPlainTextEdit* LeftResult() const { return left_result_; }
  QPlainTextEdit* RightSrc() const { return right_src_; }
  QPlainTextEdit* RightResult() const { return right_result_; }

 public slots:
  // Each button reads the code from the group of its own pane.
  // The File menu's "終了".
  void sbWebCodeExitClick();
  void btnWebCodeLeftDecodeClick();
  void btnWebCodeLeftEncodeClick();
  void btnWebCodeRightDecodeClick();
  void btnWebCodeRightEncodeClick();
  void btnWebCodeLeftPasteClick();
  void btnWebCodeRightPasteClick();
  void btnWebCodeLeftTopClearClick();
  void btnWebCodeCodeLeftBottomClearClick();
  void btnWebCodeRightTopClearClick();
  void btnWebCodeRightBottomClearClick();

 private:
  QWidget* BuildPane(bool left);

  QPlainTextEdit* left_src_ = nullptr;
  QPlainTextEdit* left_result_ = nullptr;
  QPlainTextEdit* right_src_ = nullptr;
  QPlainTextEdit* right_result_ = nullptr;
  TRadioGroup* left_decode_ = nullptr;
  TRadioGroup* left_encode_ = nullptr;
  TRadioGroup* right_decode_ = nullptr;
  TRadioGroup* right_encode_ = nullptr;
};

}  // namespace kaplo::gui
