// The local Flash tab: a page that embeds one local .swf file, written into
// a browser pane, and its source. Qt WebEngine runs no plug-ins, so the
// object stays empty; the tab says so in one line and keeps the pane out of
// sight, while the page, its source and the pane's outer HTML still work.
#pragma once

#include <QWidget>

#include "gui/common/lazy_widget.h"
#include "gui/common/tab.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace kaplo::gui {

class BrowserPane;
class TRichEditEx;

class FlashTab : public QWidget, public Tab {
  Q_OBJECT

 public:
  FlashTab() = default;

  // Tab
  void Build(TabContext& context) override;
  // A file handed over is shown at once.
  void TakeAddress(const QString& address) override;

  // Made when first used.
  BrowserPane* Pane() const;
  TRichEditEx* SourceView() const;
  QListWidget* FileList() const { return files_; }
  QLineEdit* FileBox() const { return file_box_; }

 public slots:
  void BtnEditLocalFlashPlayerClick();  // the file dialog
  void btnFlashPlayerShowClick();
  void btnFlashPlayerStopClick();
  void btnFlashPlayerOuterHtmlClick();

 private:
  QLineEdit* file_box_ = nullptr;
  QCheckBox* clear_first_ = nullptr;
  QListWidget* files_ = nullptr;
  QLabel* no_plugin_ = nullptr;
  Lazy<BrowserPane> pane_;
  Lazy<TRichEditEx> source_;
};

}  // namespace kaplo::gui
