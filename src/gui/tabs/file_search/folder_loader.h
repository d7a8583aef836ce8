// Folder listings for the trees, off the window thread: a stale network
// mount may take minutes to answer, and the window must not wait for it.
#pragma once

#include <QIcon>
#include <QObject>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "filetools/folder_tree.h"

class QTreeWidgetItem;

namespace kaplo::gui {

using FolderListing = std::optional<std::vector<FolderEntry>>;

// Lists folder on a worker and calls done on the window thread, unless
// context is gone by then.
void ListFolderAsync(QObject* context, const std::string& folder,
                     std::function<void(FolderListing)> done, const ListOptions& options = {});

// Icons of the trees, from the style's standard set.
QIcon DriveIcon(DriveType type);
QIcon ComputerIcon();
QIcon FolderIcon(bool open = false);
QIcon FileIcon();

// Item data of both trees.
enum TreeRole { kPathRole = Qt::UserRole, kKindRole, kLoadedRole };

}  // namespace kaplo::gui
