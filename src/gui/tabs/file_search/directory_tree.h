// TDirectoryTree: the computer, its drives (mounted file systems) and their
// folders; a click makes a folder the current Directory. Folders are listed
// when first clicked, off the window thread.
#pragma once

#include <QString>
#include <QTreeWidget>

namespace kaplo::gui {

class TDirectoryTree : public QTreeWidget {
  Q_OBJECT

 public:
  explicit TDirectoryTree(QWidget* parent = nullptr);

  // Clears the nodes and adds the computer and its drives.
  void Fill();
  QString Directory() const { return directory_; }
  // The click on a node (any but the root).
  void NodeClick(QTreeWidgetItem* item);
  // Folder listings still running.
  int PendingLoads() const { return pending_; }

 signals:
  // OnChange: Directory changed.
  void directoryChanged(const QString& directory);

 private:
  void SetDirectory(const QString& directory);

  QString directory_;
  int pending_ = 0;
};

}  // namespace kaplo::gui
