#include "gui/widgets/local_page_scheme.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>

#include "gui/widgets/local_page_jail.h"
#include "gui/widgets/webrtc_guard.h"

namespace kaplo::gui {
namespace {

// Each folder pages may read from has a host name of its own, so pages of
// different folders are different origins, and a folder keeps its name (and
// its pages their storage) for the whole run.
class Jails {
 public:
  static Jails& Get() {
    static Jails jails;
    return jails;
  }
  QString HostFor(const QString& root) {
    // A letter first: a host of digits only would be read as an IPv4 address.
    const QString host =
        QLatin1Char('f') + QString::fromLatin1(QCryptographicHash::hash(QFile::encodeName(root),
                                                                        QCryptographicHash::Sha1)
                                                   .toHex()
                                                   .left(24));
    QMutexLocker lock(&mutex_);
    roots_.insert(host, root);
    return host;
  }
  QString RootOf(const QString& host) {
    QMutexLocker lock(&mutex_);
    return roots_.value(host);
  }

 private:
  QMutex mutex_;
  QHash<QString, QString> roots_;
};

// Texts that declare no charset are read as file: pages are, where Chromium
// recognises UTF-8 by itself.
QByteArray ContentType(const QString& path, QFile& file) {
  QByteArray type = ContentTypeFor(path);
  if (type.startsWith("text/") || type.endsWith("+xml") || type.endsWith("/json")) {
    const QByteArray charset = SniffedCharset(file.peek(64 * 1024));
    if (!charset.isEmpty()) type += "; charset=" + charset;
  }
  return type;
}

class LocalPageHandler : public QWebEngineUrlSchemeHandler {
 public:
  LocalPageHandler(LocalRequestObserver observer, QObject* parent)
      : QWebEngineUrlSchemeHandler(parent), observer_(std::move(observer)) {}

  void requestStarted(QWebEngineUrlRequestJob* job) override {
    const QUrl url = job->requestUrl();
    const QString root = Jails::Get().RootOf(url.host());
    if (root.isEmpty()) {
      Refuse(job, url, url.path(), QStringLiteral("no folder is shown under this address"));
      return;
    }
    // Only a page of this very folder reads its files: not a web page, not a
    // page of another folder, not a frame of its own making (data:, a
    // sandbox). A page the program opens has no initiator.
    const QUrl from = job->initiator();
    if (!from.isEmpty() &&
        (from.scheme() != QLatin1String(kLocalPageScheme) || from.host() != url.host())) {
      Refuse(job, url, root + url.path(), QStringLiteral("asked for by ") + from.toString());
      return;
    }
    const JailedFile file = ResolveInJail(root, url.path());
    switch (file.outcome) {
      case JailedFile::File:
        if (std::unique_ptr<QFile> device = OpenJailedFile(file.path)) {
          QFile* open = device.release();
          open->setParent(job);  // read until the job is done with it
          job->reply(ContentType(file.path, *open), open);
          Tell({LocalRequest::Served, url, file.path, {}});
          return;
        }
        Refuse(job, url, file.path, QStringLiteral("not a regular file"));
        return;
      case JailedFile::Missing:
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        Tell({LocalRequest::Missing, url, file.path, {}});
        return;
      case JailedFile::Outside:
        Refuse(job, url, file.path, QStringLiteral("outside the folder"));
        return;
      case JailedFile::NotAFile:
        Refuse(job, url, file.path, QStringLiteral("not a regular file"));
        return;
    }
  }

 private:
  void Refuse(QWebEngineUrlRequestJob* job, const QUrl& url, const QString& path,
              const QString& reason) {
    job->fail(QWebEngineUrlRequestJob::RequestDenied);
    Tell({LocalRequest::Refused, url, path, reason});
  }
  void Tell(const LocalRequest& request) {
    if (observer_) observer_(request);
  }

  LocalRequestObserver observer_;
};

// A page shown from disk is untrusted: it reads the files of its folder
// through the scheme and reaches nothing else.
class LocalPageGuard : public QWebEngineUrlRequestInterceptor {
 public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    const QUrl top = info.firstPartyUrl();
    const QUrl url = info.requestUrl();
    if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame) return;
    if (IsLocalPageUrl(top)) {
      const QString scheme = url.scheme();
      if (!IsLocalPageUrl(url) && scheme != QLatin1String("data") &&
          scheme != QLatin1String("blob") && scheme != QLatin1String("about")) {
        info.block(true);
      }
    } else if (top.isLocalFile() || IsLocalPageUrl(url)) {
      // A page shown through file: (an archive) needs nothing beyond itself,
      // and no web page reads a folder of saved pages.
      info.block(true);
    }
  }
};

}  // namespace

void PrepareLocalPages() {
  static bool done = false;
  if (done) return;
  done = true;
  if (QCoreApplication::instance()) {
    qWarning(
        "PrepareLocalPages: called after the application was made; pages from disk "
        "will not show");
  }
  QWebEngineUrlScheme scheme(kLocalPageScheme);
  scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
  // Secure like file: (pages get the same features); CORS-enabled so that a
  // page's own scripts may read its own files. Not a "local" scheme: that
  // would open file: to its pages.
  scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::CorsEnabled);
  QWebEngineUrlScheme::registerScheme(scheme);
  // No request interceptor sees WebRTC's traffic. Without UDP there are no
  // STUN or UDP TURN exchanges and no local address candidates; the profile
  // script takes the rest (TURN over TCP) away from pages. Process-wide:
  // Chromium has no per-profile switch.
  QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
  if (!flags.contains("webrtc-ip-handling-policy")) {
    flags += " --force-webrtc-ip-handling-policy=disable_non_proxied_udp";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
  }
}

void SetUpLocalPageProfile(QWebEngineProfile* profile, LocalRequestObserver observer) {
  if (!profile || profile->urlSchemeHandler(kLocalPageScheme)) return;
  profile->installUrlSchemeHandler(kLocalPageScheme,
                                   new LocalPageHandler(std::move(observer), profile));
  profile->scripts()->insert(WebRtcOffScript());
  // A page shown through file: (an archive) reads no other file.
  profile->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
}

void GuardLocalPages(QWebEnginePage* page) {
  if (page) page->setUrlRequestInterceptor(new LocalPageGuard(page));
}

QUrl LocalPageUrl(const QString& file, const QString& root) {
  if (file.trimmed().isEmpty()) return {};
  QFileInfo info(file);
  const QString page = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
  // A folder is shown (a document written for it reads) from itself.
  QString folder = info.isDir()     ? page
                   : root.isEmpty() ? PageRoot(page)
                                    : QFileInfo(root).canonicalFilePath();
  // A page outside the folder it was given is shown from its own folder.
  if (folder.isEmpty() ||
      (folder != page && !page.startsWith(folder.endsWith('/') ? folder : folder + '/'))) {
    folder = QFileInfo(page).path();
  }
  QUrl url;
  url.setScheme(QString::fromLatin1(kLocalPageScheme));
  url.setHost(Jails::Get().HostFor(folder));
  const QString path = page.mid(folder.endsWith('/') ? folder.size() - 1 : folder.size());
  url.setPath(path.isEmpty() ? QStringLiteral("/") : path, QUrl::DecodedMode);
  return url;
}

bool IsLocalPageUrl(const QUrl& url) { return url.scheme() == QLatin1String(kLocalPageScheme); }

QUrl ShownUrl(const QUrl& url) {
  if (!IsLocalPageUrl(url)) return url;
  const QString root = Jails::Get().RootOf(url.host());
  if (root.isEmpty()) return url;
  QUrl shown = QUrl::fromLocalFile(QDir::cleanPath(root + url.path()));
  shown.setFragment(url.fragment());
  return shown;
}

QString ShownAddress(const QString& url) {
  if (!url.startsWith(QLatin1String(kLocalPageScheme) + QLatin1Char(':'))) return url;
  return ShownUrl(QUrl(url)).toString();
}

}  // namespace kaplo::gui
