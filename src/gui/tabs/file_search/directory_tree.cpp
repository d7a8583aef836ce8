#include "gui/tabs/file_search/directory_tree.h"

#include <QDir>
#include <QPointer>
#include <memory>

#include "gui/tabs/file_search/folder_loader.h"

namespace kaplo::gui {

TDirectoryTree::TDirectoryTree(QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("DirectoryTree"));
  setHeaderHidden(true);
  setRootIsDecorated(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);  // drives in table order, folders as listed (sorted)
  connect(this, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item, int) { NodeClick(item); });
  Fill();
}

void TDirectoryTree::Fill() {
  clear();
  auto* root = new QTreeWidgetItem(this, {QString::fromUtf8("ﾏｲ・ｺﾝﾋﾟｭｰﾀ")});
  root->setIcon(0, ComputerIcon());
  // The first drive is the one holding the current folder.
  const QString cwd = QDir::currentPath();
  QTreeWidgetItem* first = nullptr;
  int best = -1;
  for (const Drive& d : ReadDrives()) {
    const QString point = QString::fromStdString(d.mount_point);
    auto* item = new QTreeWidgetItem(root, {point});
    item->setIcon(0, DriveIcon(d.type));
    item->setData(0, kPathRole, point);
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    const QString prefix = point.endsWith('/') ? point : point + '/';
    if ((cwd == point || cwd.startsWith(prefix)) && point.size() > best) {
      best = static_cast<int>(point.size());
      first = item;
    }
  }
  root->setExpanded(true);
  if (first != nullptr) setCurrentItem(first);
}

void TDirectoryTree::SetDirectory(const QString& directory) {
  directory_ = directory;
  emit directoryChanged(directory_);
}

void TDirectoryTree::NodeClick(QTreeWidgetItem* item) {
  if (item == nullptr || item->parent() == nullptr) return;  // the root does nothing
  const QString path = item->data(0, kPathRole).toString();
  SetDirectory(path);
  setCurrentItem(item);
  if (item->data(0, kLoadedRole).toBool()) return;
  item->setData(0, kLoadedRole, true);
  ++pending_;
  // The item may be gone when the listing comes back (the tree refilled).
  auto alive = std::make_shared<QPersistentModelIndex>(indexFromItem(item));
  ListFolderAsync(
      this, path.toStdString(),
      [this, alive, path](FolderListing list) {
        --pending_;
        if (!alive->isValid()) return;
        QTreeWidgetItem* node = itemFromIndex(*alive);
        const bool had_none = node->childCount() == 0;
        if (list) {
          for (const FolderEntry& e : *list) {
            if (e.kind != EntryKind::kFolder) continue;
            const QString name = QString::fromStdString(e.name);
            auto* child = new QTreeWidgetItem(node, {name});
            child->setIcon(0, FolderIcon());
            child->setData(0, kPathRole, path.endsWith('/') ? path + name : path + '/' + name);
            child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
          }
        }
        if (Directory() == path) SetDirectory(path);
        if (node->childCount() == 0) {
          node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
        } else if (had_none) {
          node->setExpanded(true);
        }
      },
      {.skip_read_only = false});
}

}  // namespace kaplo::gui
