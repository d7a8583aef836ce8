// The file search tab (hidden from the tab bar): the directory tree on the
// left chooses the folder, the search panel on the right.
#pragma once

#include <QWidget>

#include "gui/common/tab.h"

namespace kaplo::gui {

class FileSearchPanel;
class TDirectoryTree;

class FileSearchTab : public QWidget, public Tab {
  Q_OBJECT

 public:
  // build false: the registry's tab, made by Build.
  explicit FileSearchTab(bool build = false, QWidget* parent = nullptr);
  void Build(TabContext& context) override;
  // The mask box takes the focus.
  void Entered() override;
  TDirectoryTree* Tree() const { return tree_; }
  FileSearchPanel* Search() const { return search_; }

 private:
  void BuildControls();

  TDirectoryTree* tree_ = nullptr;
  FileSearchPanel* search_ = nullptr;
};

}  // namespace kaplo::gui
