// The file search tab (hidden from the tab bar): the directory tree on the
// left chooses the folder, the search panel on the right.
#pragma once

#include <QWidget>

namespace kaplo::gui {

class FileSearchPanel;
class TDirectoryTree;

class FileSearchTab : public QWidget {
  Q_OBJECT

 public:
  explicit FileSearchTab(QWidget* parent = nullptr);
  TDirectoryTree* Tree() const { return tree_; }
  FileSearchPanel* Search() const { return search_; }

 private:
  TDirectoryTree* tree_ = nullptr;
  FileSearchPanel* search_ = nullptr;
};

}  // namespace kaplo::gui
