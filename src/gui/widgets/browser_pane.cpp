#include "gui/widgets/browser_pane.h"

#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>

#include "gui/widgets/local_page_scheme.h"

namespace kaplo::gui {

namespace {

// setHtml goes through a data: URL, which Chromium caps at 2 MB.
constexpr qsizetype kSetHtmlLimit = 1'500'000;

BrowserPane::SystemOpener& Opener() {
  static BrowserPane::SystemOpener opener = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  return opener;
}

// A web archive is shown through file:: Chromium opens archives from there
// only, with their scripts off and nothing fetched beyond them.
bool IsArchive(const QString& path) {
  return path.endsWith(QLatin1String(".mht"), Qt::CaseInsensitive) ||
         path.endsWith(QLatin1String(".mhtml"), Qt::CaseInsensitive);
}

QUrl FileUrl(const QUrl& url) {
  if (!url.isLocalFile() || IsArchive(url.toLocalFile())) return url;
  QUrl local = LocalPageUrl(url.toLocalFile());
  local.setFragment(url.fragment());
  return local;
}

}  // namespace

QUrl PaneUrl(const QString& url_or_path) {
  const QString text = url_or_path.trimmed();
  if (text.isEmpty()) return {};
  if (text.startsWith(QLatin1Char('/'))) return FileUrl(QUrl::fromLocalFile(text));
  const QUrl url(text, QUrl::TolerantMode);
  if (url.isValid() && !url.scheme().isEmpty()) return FileUrl(url);
  return FileUrl(QUrl::fromUserInput(text, QDir::currentPath(), QUrl::AssumeLocalFile));
}

QVariant RunScriptAndWait(QWebEnginePage* page, const QString& script, int timeout_ms,
                          quint32 world_id) {
  if (!page) return {};
  QEventLoop loop;
  QVariant result;
  QPointer<QEventLoop> guard(&loop);
  // The answer may come after a time-out, when loop and result are gone.
  page->runJavaScript(script, world_id, [&result, guard](const QVariant& v) {
    if (!guard) return;
    result = v;
    guard->quit();
  });
  QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
  loop.exec();
  return result;
}

class BrowserPane::Page : public QWebEnginePage {
 public:
  explicit Page(BrowserPane* pane)
      : QWebEnginePage(QWebEngineProfile::defaultProfile(), pane), pane_(pane) {}

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool main_frame) override {
    return pane_->OnNavigationRequest(url, type == NavigationTypeLinkClicked, main_frame);
  }
  void javaScriptAlert(const QUrl& origin, const QString& msg) override {
    if (!pane_->silent_) QWebEnginePage::javaScriptAlert(origin, msg);
  }
  bool javaScriptConfirm(const QUrl& origin, const QString& msg) override {
    return !pane_->silent_ && QWebEnginePage::javaScriptConfirm(origin, msg);
  }
  bool javaScriptPrompt(const QUrl& origin, const QString& msg, const QString& def,
                        QString* result) override {
    return !pane_->silent_ && QWebEnginePage::javaScriptPrompt(origin, msg, def, result);
  }
  // Pages' console output is not the user's business.
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                const QString&) override {}

 private:
  BrowserPane* pane_;
};

BrowserPane::BrowserPane(const QString& name, QWidget* parent)
    : QWebEngineView(parent), page_(new Page(this)) {
  setObjectName(name);
  // Japanese pages that do not declare their code are most often Shift_JIS.
  page_->settings()->setDefaultTextEncoding(QStringLiteral("Shift_JIS"));
  page_->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  SetUpLocalPageProfile(page_->profile());
  GuardLocalPages(page_);
  setPage(page_);
  connect(page_, &QWebEnginePage::loadStarted, this, &BrowserPane::OnLoadStarted);
  connect(page_, &QWebEnginePage::urlChanged, this, &BrowserPane::OnUrlChanged);
  connect(page_, &QWebEnginePage::loadFinished, this, &BrowserPane::OnLoadFinished);
  connect(page_, &QWebEnginePage::linkHovered, this,
          [this](const QString& link) { emit StatusTextChange(ShownAddress(link)); });
  connect(page_, &QWebEnginePage::newWindowRequested, this, &BrowserPane::OnNewWindow);
}

BrowserPane::~BrowserPane() = default;

void BrowserPane::Navigate(const QString& url_or_path) {
  const QUrl url = PaneUrl(url_or_path);
  if (!url.isValid()) return;
  ready_state_ = kLoading;
  page_->load(url);
}

void BrowserPane::NavigateNoHistory(const QString& url_or_path) {
  const QUrl url = PaneUrl(url_or_path);
  if (!url.isValid()) return;
  if (!HasDocument() || (url.scheme() != QLatin1String("http") &&
                         url.scheme() != QLatin1String("https"))) {
    Navigate(url_or_path);
    return;
  }
  // location.replace is the document's own way to load without a history
  // entry. A load under way is stopped first so that the replacement is the
  // last navigation asked for. The script runs in a world of its own, out of
  // the page's reach; where it cannot run, the address loads as usual.
  if (Busy()) page_->triggerAction(QWebEnginePage::Stop);
  ready_state_ = kLoading;
  const QString address = QString::fromUtf8(
      QJsonDocument(QJsonArray{url.toString(QUrl::FullyEncoded)}).toJson(QJsonDocument::Compact));
  QPointer<BrowserPane> self(this);
  page_->runJavaScript(QStringLiteral("location.replace(%1[0]); true").arg(address),
                       QWebEngineScript::ApplicationWorld, [self, url](const QVariant& done) {
                         if (self && !done.toBool()) self->page_->load(url);
                       });
}

void BrowserPane::GoBack() { page_->triggerAction(QWebEnginePage::Back); }

QString BrowserPane::LocationURL() const {
  return HasDocument() ? ShownUrl(page_->url()).toString() : QString();
}

QString BrowserPane::LocationName() const { return HasDocument() ? page_->title() : QString(); }

QVariant BrowserPane::RunScript(const QString& script, int timeout_ms) {
  if (!HasDocument()) return {};
  return RunScriptAndWait(page_, script, timeout_ms);
}

QString BrowserPane::OuterHtml(int timeout_ms) {
  return RunScript(
             QStringLiteral("document.documentElement ? document.documentElement.outerHTML : ''"),
             timeout_ms)
      .toString();
}

QStringList BrowserPane::ImageUrls(int timeout_ms) {
  QStringList urls =
      RunScript(QStringLiteral("Array.from(document.images, function (i) { return i.src; })"),
                timeout_ms)
          .toStringList();
  for (QString& url : urls) url = ShownAddress(url);
  return urls;
}

void BrowserPane::Write(const QString& html, const QUrl& base) {
  const QByteArray bytes = html.toUtf8();
  if (bytes.size() < kSetHtmlLimit) {
    ready_state_ = kLoading;
    // Relative references of a document written for a local file are that
    // file's neighbours, read as the page itself would read them.
    page_->setHtml(html, base.isLocalFile() ? PaneUrl(base.toLocalFile()) : base);
    return;
  }
  // A folder of its own: the document may read nothing but itself.
  auto folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/kaplo-XXXXXX"));
  if (!folder->isValid()) return;
  const QString path = folder->filePath(QStringLiteral("written.html"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return;
  // The byte-order mark tells the page its code; the pane's default is Shift_JIS.
  file.write("\xEF\xBB\xBF");
  file.write(bytes);
  file.close();
  written_ = std::move(folder);
  Navigate(path);
}

void BrowserPane::SetSystemOpener(SystemOpener opener) { Opener() = std::move(opener); }

void BrowserPane::OpenInSystem(const QUrl& url) {
  if (url.isValid() && !url.isEmpty() && Opener()) Opener()(url);
}

bool BrowserPane::OnNavigationRequest(const QUrl& url, bool link_click, bool main_frame) {
  if (link_click && main_frame && click_ && !click_(ShownUrl(url))) return false;
  if (main_frame) emit BeforeNavigate2(ShownUrl(url));
  return true;
}

void BrowserPane::OnLoadStarted() {
  ready_state_ = kLoading;
  navigate_complete_sent_ = false;
}

void BrowserPane::OnUrlChanged(const QUrl& url) {
  if (ready_state_ != kLoading || navigate_complete_sent_) return;
  navigate_complete_sent_ = true;
  emit NavigateComplete2(ShownUrl(url));
}

void BrowserPane::OnLoadFinished(bool ok) {
  // A load cut short by a newer one finishes too; the pane is still busy.
  if (page_->isLoading()) return;
  if (!navigate_complete_sent_) {
    navigate_complete_sent_ = true;
    emit NavigateComplete2(ShownUrl(page_->url()));
  }
  ready_state_ = kComplete;
  emit DocumentComplete(ShownUrl(page_->url()), ok);
}

void BrowserPane::OnNewWindow(QWebEngineNewWindowRequest& request) {
  const QUrl asked = request.requestedUrl();
  const QUrl url = ShownUrl(asked);
  // A click on a link that opens a window is a click all the same.
  if (request.isUserInitiated() && click_ && !click_(url)) return;
  NewWindow answer;
  if (new_window_) {
    answer = new_window_(url);
  } else if (Busy()) {
    answer = NewWindow::CancelIt();
  }
  switch (answer.action) {
    case NewWindow::Cancel:
      return;
    case NewWindow::OpenIn:
      if (!answer.pane) return;
      if (answer.pane == this) {
        // The page cannot adopt its own child; load the address instead.
        ready_state_ = kLoading;
        page_->load(asked);
      } else {
        answer.pane->ready_state_ = kLoading;
        request.openIn(answer.pane->page_);
      }
      return;
    case NewWindow::System:
      OpenInSystem(url);
      return;
  }
}

}  // namespace kaplo::gui
