#include "gui/widgets/web_page_port.h"

#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <cstdio>
#include <cstdlib>

#include "gui/common/app_texts.h"
#include "gui/common/sjis.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/local_page_scheme.h"

namespace kaplo::gui {
namespace {

QString FromSjis(std::string_view sjis) { return QsFromSjis(sjis); }

// Characters Shift_JIS lacks stay in the page as references.
std::string ToSjis(const QString& text) { return SjisFromQs(text, Unmappable::CharRef); }

}  // namespace

WebPagePort::WebPagePort(QWebEnginePage* download, QWebEnginePage* result)
    : download_(download), result_(result) {}

void WebPagePort::Navigate(kaplo::BrowserPane pane, std::string_view url) {
  QWebEnginePage* page = pane == kaplo::BrowserPane::Download ? download_.data() : result_.data();
  if (!page) return;
  const QUrl target = PaneUrl(FromSjis(url));
  if (!target.isValid()) return;
  QEventLoop loop;
  // A load cut short by this one also reports that it finished.
  QObject::connect(page, &QWebEnginePage::loadFinished, &loop, [page, &loop] {
    if (!page->isLoading()) loop.quit();
  });
  QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
  page->load(target);
  loop.exec();
}

std::string WebPagePort::OuterHtml() {
  return ToSjis(
      RunScriptAndWait(download_, QStringLiteral("document.documentElement.outerHTML"), timeout_ms)
          .toString());
}

std::vector<std::string> WebPagePort::ImageUrls() {
  const QVariant v = RunScriptAndWait(
      download_, QStringLiteral("Array.from(document.images, function (i) { return i.src; })"),
      timeout_ms);
  std::vector<std::string> urls;
  for (const QVariant& item : v.toList()) urls.push_back(ToSjis(item.toString()));
  return urls;
}

std::string WebPagePort::LocationUrl() {
  return download_ ? ToSjis(ShownUrl(download_->url()).toString()) : std::string();
}

std::unique_ptr<BrowserPort> MakeOffscreenBrowser(int& argc, char** argv) {
  if (!QApplication::instance()) {
    // Headless: no display is needed, and root gets no Chromium sandbox.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    // Qt's reports about graphics and sandboxing are noise on a terminal.
    if (!std::getenv("KAPLO_QT_MESSAGES")) {
      qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
          std::fprintf(stderr, "%s\n", qPrintable(msg));
      });
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    PrepareLocalPages();
    new QApplication(argc, argv);  // lives until the process ends
  }
  SetUpLocalPageProfile(QWebEngineProfile::defaultProfile());
  auto* page = new QWebEnginePage(QWebEngineProfile::defaultProfile(), qApp);
  GuardLocalPages(page);
  return std::make_unique<WebPagePort>(page, nullptr);
}

}  // namespace kaplo::gui
