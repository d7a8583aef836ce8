// Pages from disk are shown through a URL scheme of our own, each rooted at
// a folder it may read below (local_page_jail.h): kaplo-local://ID/path.
// file: stays out of reach of their content, and WebRTC is off in them.
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class QWebEnginePage;
class QWebEngineProfile;

namespace kaplo::gui {

inline constexpr char kLocalPageScheme[] = "kaplo-local";

// Before the QApplication is made (the scheme must be known then), once:
// registers the scheme and keeps WebRTC off UDP for the whole process.
void PrepareLocalPages();

// What became of one request of a page shown from disk.
struct LocalRequest {
  enum Outcome { Served, Missing, Refused };
  Outcome outcome = Served;
  QUrl url;        // as the page asked for it
  QString path;    // the file it names
  QString reason;  // for Refused
};
using LocalRequestObserver = std::function<void(const LocalRequest&)>;

// Lets profile show pages from disk: the scheme's handler (telling observer,
// when given, of every request) and the script that takes WebRTC away from
// its pages. Whoever makes a profile calls this; later calls change nothing.
void SetUpLocalPageProfile(QWebEngineProfile* profile, LocalRequestObserver observer = {});

// Keeps page's pages from disk to their folder: they reach neither the
// network nor file:, and no web page shown in it reads a folder of pages from
// disk. Links still lead anywhere: a navigation of the whole page is the
// user's. (The check of a saved page records what it refuses instead.)
void GuardLocalPages(QWebEnginePage* page);

// The address that shows file with root as the folder it may read (by
// default PageRoot(file)). Invalid for an empty path.
QUrl LocalPageUrl(const QString& file, const QString& root = {});
bool IsLocalPageUrl(const QUrl& url);

// What the user sees of an address: a local page's file as a file: URL,
// fragment kept; any other address as it is.
QUrl ShownUrl(const QUrl& url);
QString ShownAddress(const QString& url);

}  // namespace kaplo::gui
