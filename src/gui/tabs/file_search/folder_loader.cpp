#include "gui/tabs/file_search/folder_loader.h"

#include <QApplication>
#include <QPointer>
#include <QStyle>
#include <thread>

namespace kaplo::gui {

void ListFolderAsync(QObject* context, const std::string& folder,
                     std::function<void(FolderListing)> done, const ListOptions& options) {
  QPointer<QObject> guard(context);
  // Detached: a listing that never returns holds only its own thread.
  std::thread([guard, folder, options, done = std::move(done)]() mutable {
    FolderListing result = ListFolder(folder, options);
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return;
    QMetaObject::invokeMethod(
        app,
        [guard, done = std::move(done), result = std::move(result)]() mutable {
          if (guard) done(std::move(result));
        },
        Qt::QueuedConnection);
  }).detach();
}

QIcon DriveIcon(DriveType type) {
  QStyle* s = QApplication::style();
  switch (type) {
    case DriveType::kNetwork:
      return s->standardIcon(QStyle::SP_DriveNetIcon);
    case DriveType::kCdRom:
      return s->standardIcon(QStyle::SP_DriveCDIcon);
    case DriveType::kRemovable:
      return s->standardIcon(QStyle::SP_DriveFDIcon);
    case DriveType::kRam:
    case DriveType::kFixed:
      break;
  }
  return s->standardIcon(QStyle::SP_DriveHDIcon);
}

QIcon ComputerIcon() { return QApplication::style()->standardIcon(QStyle::SP_ComputerIcon); }

QIcon FolderIcon(bool open) {
  return QApplication::style()->standardIcon(open ? QStyle::SP_DirOpenIcon
                                                  : QStyle::SP_DirClosedIcon);
}

QIcon FileIcon() { return QApplication::style()->standardIcon(QStyle::SP_FileIcon); }

}  // namespace kaplo::gui
