#include "gui/web_page_port.h"

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

#include "text/convert.h"

namespace kaplo::gui {
namespace {

QString FromSjis(std::string_view sjis) {
  return QString::fromStdString(ShiftJISToUtf8(sjis));
}

std::string ToSjis(const QString& text) {
  // Characters Shift_JIS lacks stay in the page as references.
  return Utf8ToShiftJISLenient(text.toStdString(), Unmappable::CharRef);
}

// Runs script in page and waits for its result (an invalid QVariant on time-out).
QVariant RunScript(QWebEnginePage* page, const QString& script, int timeout_ms) {
  if (!page) return {};
  QEventLoop loop;
  QVariant result;
  bool done = false;
  QPointer<QEventLoop> guard(&loop);
  page->runJavaScript(script, [&result, &done, guard](const QVariant& v) {
    if (!guard) return;
    result = v;
    done = true;
    guard->quit();
  });
  QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
  if (!done) loop.exec();
  return result;
}

}  // namespace

WebPagePort::WebPagePort(QWebEnginePage* download, QWebEnginePage* result)
    : download_(download), result_(result) {}

void WebPagePort::Navigate(BrowserPane pane, std::string_view url) {
  QWebEnginePage* page = pane == BrowserPane::Download ? download_.data() : result_.data();
  if (!page) return;
  QEventLoop loop;
  QObject::connect(page, &QWebEnginePage::loadFinished, &loop, &QEventLoop::quit);
  QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
  page->load(QUrl(FromSjis(url)));
  loop.exec();
}

std::string WebPagePort::OuterHtml() {
  return ToSjis(
      RunScript(download_, QStringLiteral("document.documentElement.outerHTML"), timeout_ms)
          .toString());
}

std::vector<std::string> WebPagePort::ImageUrls() {
  const QVariant v = RunScript(
      download_, QStringLiteral("Array.from(document.images, function (i) { return i.src; })"),
      timeout_ms);
  std::vector<std::string> urls;
  for (const QVariant& item : v.toList()) urls.push_back(ToSjis(item.toString()));
  return urls;
}

std::string WebPagePort::LocationUrl() {
  return download_ ? ToSjis(download_->url().toString()) : std::string();
}

std::unique_ptr<BrowserPort> MakeOffscreenBrowser(int& argc, char** argv) {
  if (!QApplication::instance()) {
    // Headless: no display is needed, and root gets no Chromium sandbox.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    // Qt's reports about graphics and sandboxing are noise on a terminal.
    if (!std::getenv("KAPLO_QT_MESSAGES")) {
      qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
        if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(msg));
      });
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    new QApplication(argc, argv);  // lives until the process ends
  }
  auto* page = new QWebEnginePage(QWebEngineProfile::defaultProfile(), qApp);
  return std::make_unique<WebPagePort>(page, nullptr);
}

}  // namespace kaplo::gui
