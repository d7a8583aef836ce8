// TInformboxForm: the modal information window of the download tab, a
// label over a coloured text and a plain text, with a close button.
#pragma once

#include <QDialog>
#include <string_view>

class QLabel;
class QPlainTextEdit;

namespace kaplo::gui {

class TRichEditEx;

class TInformboxForm : public QDialog {
  Q_OBJECT

 public:
  explicit TInformboxForm(QWidget* parent = nullptr);

  QLabel* LabelInfo() const { return label_; }
  // The upper, coloured text (MemoMemoNSHTTPGetFile) and the lower, plain
  // one (MemoNSHTTPGet).
  TRichEditEx* MemoTop() const { return memo_top_; }
  QPlainTextEdit* MemoBottom() const { return memo_bottom_; }

  // Fills the window for a question about a page: the label, the page's
  // text coloured in the upper memo, the lower one emptied. Shift_JIS in.
  void SetInformation(std::string_view label, std::string_view text);
  // SetInformation, then shows the window modally until it is closed.
  void ShowInformation(std::string_view label, std::string_view text);
  // A report of two parts without a label, shown modally: upper above,
  // lower below, both as they are. Shift_JIS in.
  void ShowReport(std::string_view upper, std::string_view lower);

 private:
  QLabel* label_;
  TRichEditEx* memo_top_;
  QPlainTextEdit* memo_bottom_;
};

}  // namespace kaplo::gui
