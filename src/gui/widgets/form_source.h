// TFormSource: the floating window that shows a piece of HTML source,
// coloured, for the page analysis tab.
//
// It stays above other windows and belongs to no other window; closing only
// hides it, and it keeps its text between showings. Its place and size come
// from the settings file's [FormSource] section when it is shown.
#pragma once

#include <QWidget>
#include <filesystem>
#include <string_view>

class QCheckBox;
class QStatusBar;

namespace kaplo::gui {

class TRichEditEx;

class TFormSource : public QWidget {
  Q_OBJECT

 public:
  explicit TFormSource(QWidget* parent = nullptr);

  // The settings file the bounds are read from and written to; none (the
  // default) leaves the window where it was designed.
  void SetSettingsFile(const std::filesystem::path& file) { settings_file_ = file; }

  // Shows a Shift_JIS text: coloured from the top when "色付け " is ticked,
  // in black otherwise.
  void SetFormSource(std::string_view sjis_text);

  TRichEditEx* RichEditSource() const { return view_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void SaveBounds();

  TRichEditEx* view_;
  QCheckBox* wrap_box_;
  QCheckBox* color_box_;
  QStatusBar* status_bar_;
  std::filesystem::path settings_file_;
};

}  // namespace kaplo::gui
