// Where a page shown from disk may read: the files of one folder and below.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

class QFile;

namespace kaplo::gui {

// What a path asked for below a jail's folder comes to.
struct JailedFile {
  enum Outcome { File, Missing, Outside, NotAFile };
  Outcome outcome = Missing;
  // File: the file on disk, links resolved; otherwise the path asked for.
  QString path;
};

// url_path is the decoded path of an address, from the jail's root. A ".."
// component, a NUL, or a link that leads out of root is Outside; a folder,
// device or pipe is NotAFile. root must be a canonical folder.
JailedFile ResolveInJail(const QString& root, const QString& url_path);

// Opens a file that ResolveInJail found, without following a link that
// took its place meanwhile and without waiting on a pipe; null when it is no
// longer a regular file.
std::unique_ptr<QFile> OpenJailedFile(const QString& path);

// The content type a page expects for a file, by its extension.
QByteArray ContentTypeFor(const QString& path);

// The charset to announce for a text whose first bytes are head: "utf-8"
// when they are UTF-8 with something beyond ASCII (a page that declares
// nothing is otherwise read as the pane's default, Shift_JIS); empty when its
// own declaration or the default should decide.
QByteArray SniffedCharset(QByteArrayView head);

// The folder a page may read from. A page this program saved names its
// address in its "saved from" mark; its stylesheets and images may lie above
// its own folder, up to the save folder, which that address's depth gives.
// That folder is taken unless it is too wide a view of the disk (the root, a
// top-level folder, a user's home or a folder above one); otherwise, and for
// any other page, the page's own folder. Canonical.
QString PageRoot(const QString& file);

}  // namespace kaplo::gui
